#include "platform/machine/os_profile.h"

#include "platform/machine/text.h"

namespace platform {

namespace {

struct OsEntry {
    OsKind kind;
    const char* name;
    DWORD platformId;
    DWORD major;
    DWORD minor;
    DWORD build;
    const char* csd;
    int defaultServicePack;
    int highestServicePack;
};

constexpr OsEntry kOsTable[] = {
    {OsKind::Windows95, "95", 1, 4, 0, 950, "", 0, 0},
    {OsKind::Windows98, "98", 1, 4, 10, 1998, " ", 0, 0},
    {OsKind::Windows98SE, "98se", 1, 4, 10, 2222, " A ", 0, 0},
    {OsKind::WindowsMe, "me", 1, 4, 90, 3000, " ", 0, 0},
    {OsKind::WindowsNT4, "nt4", 2, 4, 0, 1381, "", 6, 6},
    {OsKind::Windows2000, "2000", 2, 5, 0, 2195, "", 4, 4},
    {OsKind::WindowsXP, "xp", 2, 5, 1, 2600, "", 2, 3},
};

const OsEntry& EntryFor(OsKind kind) {
    for (const OsEntry& entry : kOsTable) {
        if (entry.kind == kind) return entry;
    }
    return kOsTable[6];
}

}  // namespace

std::optional<OsKind> ParseOsKind(std::string_view name) {
    for (const OsEntry& entry : kOsTable) {
        if (EqualsNoCase(name, entry.name)) return entry.kind;
    }
    if (EqualsNoCase(name, "win95")) return OsKind::Windows95;
    if (EqualsNoCase(name, "win98")) return OsKind::Windows98;
    if (EqualsNoCase(name, "2k") || EqualsNoCase(name, "w2k")) return OsKind::Windows2000;
    return std::nullopt;
}

std::string OsKindName(OsKind kind) { return EntryFor(kind).name; }

std::vector<OsKind> AllOsKinds() {
    std::vector<OsKind> kinds;
    for (const OsEntry& entry : kOsTable) kinds.push_back(entry.kind);
    return kinds;
}

int HighestServicePack(OsKind kind) { return EntryFor(kind).highestServicePack; }

OsProfile DefaultOsProfile(OsKind kind, int servicePack) {
    const OsEntry& entry = EntryFor(kind);
    OsProfile profile;
    profile.kind = kind;
    profile.platformId = entry.platformId;
    profile.majorVersion = entry.major;
    profile.minorVersion = entry.minor;
    if (entry.platformId == 1) {
        profile.buildNumber = (entry.major << 24) | (entry.minor << 16) | entry.build;
        profile.csdVersion = entry.csd;
        return profile;
    }
    profile.buildNumber = entry.build;
    int pack = servicePack < 0 ? entry.defaultServicePack : servicePack;
    profile.servicePackMajor = static_cast<WORD>(pack);
    profile.csdVersion = pack > 0 ? "Service Pack " + std::to_string(pack) : std::string();
    profile.productType = 1;
    if (kind == OsKind::WindowsXP) profile.suiteMask = 0x0100;  // single-user terminal services
    return profile;
}

DefaultFolders DefaultFoldersFor(OsKind kind, std::string_view userName) {
    DefaultFolders folders;
    switch (kind) {
        case OsKind::Windows95:
        case OsKind::Windows98:
        case OsKind::Windows98SE:
        case OsKind::WindowsMe:
            folders = {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP", "C:\\Program Files"};
            break;
        case OsKind::WindowsNT4:
            folders = {"C:\\WINNT", "C:\\WINNT\\system32", "C:\\TEMP", "C:\\Program Files"};
            break;
        case OsKind::Windows2000:
            folders = {"C:\\WINNT", "C:\\WINNT\\system32", "", "C:\\Program Files"};
            break;
        case OsKind::WindowsXP:
            folders = {"C:\\WINDOWS", "C:\\WINDOWS\\system32", "", "C:\\Program Files"};
            break;
    }
    if (folders.temp.empty()) {
        folders.temp = "C:\\Documents and Settings\\" + std::string(userName) + "\\Local Settings\\Temp";
    }
    return folders;
}

}  // namespace platform
