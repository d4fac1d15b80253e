// What other libraries ask of this process's access token (ExitWindowsEx needs the shutdown privilege).
#pragma once

#include <string_view>

namespace platform {

// Whether the token holds the privilege ("SeShutdownPrivilege") and has it enabled.
bool ProcessPrivilegeEnabled(std::string_view privilegeName);

}  // namespace platform
