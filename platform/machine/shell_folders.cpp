#include "platform/machine/shell_folders.h"

#include "platform/machine/machine.h"
#include "platform/machine/text.h"

namespace platform {

namespace {

bool IsWindows2000OrLater(const MachineSettings& settings) {
    return settings.os.kind == OsKind::Windows2000 || settings.os.kind == OsKind::WindowsXP;
}

// The profile of all users, which Windows 9x does not have.
std::optional<std::string> AllUsersProfileFolder(const MachineSettings& settings) {
    if (!settings.os.IsNT()) return std::nullopt;
    if (IsWindows2000OrLater(settings)) return std::string("C:\\Documents and Settings\\All Users");
    return settings.windowsFolder + "\\Profiles\\All Users";
}

}  // namespace

std::string UserProfileFolder(const MachineSettings& settings) {
    if (settings.os.kind == OsKind::WindowsNT4)
        return settings.windowsFolder + "\\Profiles\\" + settings.userName;
    if (IsWindows2000OrLater(settings)) return "C:\\Documents and Settings\\" + settings.userName;
    return settings.windowsFolder;
}

std::optional<std::string> DefaultShellFolder(const MachineSettings& settings, std::string_view name) {
    const std::string profile = UserProfileFolder(settings);
    const std::string startMenu = profile + "\\Start Menu";
    if (EqualsNoCase(name, "Desktop")) return profile + "\\Desktop";
    if (EqualsNoCase(name, "Start Menu")) return startMenu;
    if (EqualsNoCase(name, "Programs")) return startMenu + "\\Programs";
    if (EqualsNoCase(name, "Startup")) return startMenu + "\\Programs\\Startup";
    if (EqualsNoCase(name, "Personal"))
        return settings.os.IsNT() ? profile + "\\My Documents" : "C:\\My Documents";
    if (EqualsNoCase(name, "AppData")) return profile + "\\Application Data";
    if (EqualsNoCase(name, "Local AppData")) {
        if (!IsWindows2000OrLater(settings)) return std::nullopt;
        return profile + "\\Local Settings\\Application Data";
    }
    if (EqualsNoCase(name, "Fonts")) return settings.windowsFolder + "\\Fonts";

    std::optional<std::string> allUsers = AllUsersProfileFolder(settings);
    if (!allUsers) return std::nullopt;
    const std::string commonStartMenu = *allUsers + "\\Start Menu";
    if (EqualsNoCase(name, "Common Desktop")) return *allUsers + "\\Desktop";
    if (EqualsNoCase(name, "Common Start Menu")) return commonStartMenu;
    if (EqualsNoCase(name, "Common Programs")) return commonStartMenu + "\\Programs";
    if (EqualsNoCase(name, "Common Startup")) return commonStartMenu + "\\Programs\\Startup";
    if (!IsWindows2000OrLater(settings)) return std::nullopt;
    if (EqualsNoCase(name, "Common AppData")) return *allUsers + "\\Application Data";
    if (EqualsNoCase(name, "Common Documents")) return *allUsers + "\\Documents";
    return std::nullopt;
}

}  // namespace platform
