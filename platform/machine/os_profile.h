// The Windows versions a machine can run, with what GetVersionExA reports on each.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "windef.h"

namespace platform {

enum class OsKind { Windows95, Windows98, Windows98SE, WindowsMe, WindowsNT4, Windows2000, WindowsXP };

struct OsProfile {
    OsKind kind = OsKind::WindowsXP;
    DWORD platformId = 2;
    DWORD majorVersion = 5;
    DWORD minorVersion = 1;
    // dwBuildNumber exactly as GetVersionExA reports it: on Windows 9x the high word repeats major and minor.
    DWORD buildNumber = 2600;
    std::string csdVersion;
    WORD servicePackMajor = 0;
    WORD servicePackMinor = 0;
    WORD suiteMask = 0;
    BYTE productType = 1;

    bool IsNT() const { return platformId == 2; }
};

// The short names used on command lines and in machine.ini: 95, 98, 98se, me, nt4, 2000, xp.
std::optional<OsKind> ParseOsKind(std::string_view name);
std::string OsKindName(OsKind kind);
std::vector<OsKind> AllOsKinds();

// The last service pack each system had (NT 4 SP6, 2000 SP4, XP SP3); 0 for Windows 9x, which
// GetVersionExA reports without one.
int HighestServicePack(OsKind kind);

// The profile of a fresh installation; servicePack < 0 takes the usual one (NT 4 SP6, 2000 SP4, XP SP2).
OsProfile DefaultOsProfile(OsKind kind, int servicePack = -1);

// The usual folders of each system for a user.
struct DefaultFolders {
    std::string windows;
    std::string system;
    std::string temp;
    std::string programFiles;
};
DefaultFolders DefaultFoldersFor(OsKind kind, std::string_view userName);

}  // namespace platform
