#include "CUninstallerCmdInfo.h"

#include <cstdlib>
#include <string>

#include "DataFile.h"
#include "GetFileVersionNumber.h"
#include "IniLookup.h"
#include "UninstallerGlobals.h"

namespace {

// Four digits and the terminator.
constexpr unsigned int NUMBER_SIZE = 5;

bool IsOption(const char* pszParam, const char* pOption) {
    return lstrcmpiA(pszParam, pOption) == 0;
}

// The options that only set one program-wide flag.
struct FlagOption {
    const char* pName;
    unsigned int* pFlag;
    unsigned int value;
};
const FlagOption FLAG_OPTIONS[] = {
    {"datfile", &gDatFileMode, 1}, {"all", &gRestartNeeded, 1},    {"unattended", &gUnattended, 1},
    {"silent", &gSilent, 1},       {"noreboot", &gShowRestart, 0}, {"nocopytotemp", &gNoCopyToTemp, 1},
};

// The file of that name in the system folder exists and is older than the running program.
bool IsOlderThanThisProgram(const char* pFileName) {
    char systemFolder[MAX_PATH] = "";
    GetSystemDirectoryA(systemFolder, MAX_PATH);
    std::string path = std::string(systemFolder) + "\\" + pFileName;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    char programPath[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, programPath, MAX_PATH);
    return GetFileVersionNumber(path.c_str()) < GetFileVersionNumber(programPath);
}

}  // namespace

int ReadVersionNumber(const char* pFile, const char* pKey) {
    char value[NUMBER_SIZE] = "";
    GetValueByQualifier(pFile, VERSION_SECTION, nullptr, pKey, value, NUMBER_SIZE);
    return std::atoi(value);
}

void CUninstallerCmdInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) {
    if (bFlag) {
        for (const FlagOption& option : FLAG_OPTIONS) {
            if (!IsOption(pszParam, option.pName)) continue;
            *option.pFlag = option.value;
            return;
        }
        if (IsOption(pszParam, "latest")) {
            ParseLatest();
            return;
        }
        if (IsOption(pszParam, "legacy")) {
            ParseLegacy();
            return;
        }
    }
    CCommandLineInfo::ParseParam(pszParam, bFlag, bLast);
}

// Both options read the file named before them; placed before the name they read an empty name.
void CUninstallerCmdInfo::ParseLatest() {
    const char* pFile = m_strFileName.c_str();
    FIRST_IO_REVISION = LAST_IO_REVISION = ReadVersionNumber(pFile, LAST_IO_REVISION_KEY);
    FIRST_CA_REVISION = LAST_CA_REVISION = ReadVersionNumber(pFile, LAST_CA_REVISION_KEY);
    gSharedCleanup = 0;
}

void CUninstallerCmdInfo::ParseLegacy() {
    const char* pFile = m_strFileName.c_str();
    gLegacy = 1;
    FIRST_IO_REVISION = ReadVersionNumber(pFile, FIRST_IO_REVISION_KEY);
    LAST_IO_REVISION = ReadVersionNumber(pFile, LAST_IO_REVISION_KEY) - 1;
    FIRST_CA_REVISION = ReadVersionNumber(pFile, FIRST_CA_REVISION_KEY);
    LAST_CA_REVISION = ReadVersionNumber(pFile, LAST_CA_REVISION_KEY) - 1;
    gSharedCleanup = 0;

    char versionedFile[MAX_PATH] = "";
    GetValueByQualifier(pFile, SCRUBBER_SECTION, nullptr, VERSIONED_FILE_KEY, versionedFile, MAX_PATH);
    // The shared software goes too when the system still has an older copy of the file this program
    // installs with its newest revision.
    if (*versionedFile && IsOlderThanThisProgram(versionedFile)) {
        ++LAST_IO_REVISION;
        ++LAST_CA_REVISION;
        gSharedCleanup = 1;
    }
    gRestartNeeded = 1;
}
