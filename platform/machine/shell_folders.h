// The shell's folders of a fresh installation, by the names the "Shell Folders" keys give them: the
// user's under HKEY_CURRENT_USER ("Desktop", "Programs", "Start Menu", "Startup", "Personal", "AppData",
// "Local AppData", "Fonts"), and those common to all users under HKEY_LOCAL_MACHINE ("Common Desktop",
// "Common Programs", "Common Start Menu", "Common Startup", "Common AppData", "Common Documents").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct MachineSettings;

// The user's profile folder: per user on Windows NT, the Windows folder itself on Windows 9x.
std::string UserProfileFolder(const MachineSettings& settings);

// The folder a fresh installation has under that name; nullopt for a name the system does not have
// (every common folder on Windows 9x, the common application data and documents on Windows NT 4).
std::optional<std::string> DefaultShellFolder(const MachineSettings& settings, std::string_view name);

}  // namespace platform
