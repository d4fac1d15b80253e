// What other libraries ask of this process's access token (ExitWindowsEx needs the shutdown privilege).
#pragma once

#include <string_view>

namespace platform {

// Whether the token holds the privilege ("SeShutdownPrivilege") and has it enabled.
bool ProcessPrivilegeEnabled(std::string_view privilegeName);

// Whether a computer name as the security and service calls take it (null, empty, "NAME" or "\\NAME")
// names this machine.
bool IsThisComputer(const char* systemName);

}  // namespace platform
