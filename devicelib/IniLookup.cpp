#include "IniLookup.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "OsVersion.h"
#include "Trace.h"

namespace {

const char kOutputBufferTooSmall[] = "Output buffer is too small\n";
const char kNoDivision[] = "Failed to get DIVISION from autorun.inf\n";
const char kNoIceRev[] = "Failed to get ICE_REV from autorun.inf\n";
const char kConvertWithoutValue[] = "ConvertValueToStringList with no value";
const char kConvertAllocation[] = "ConvertValueToStringList new TChar[_tcslen(pValue)]; ";
const char kAutorunFile[] = "autorun.inf";
const char kNetworkPrefix[] = "\\\\";
const LANGID kSystemDefaultLanguage = 0x800;

// Copies the text and its terminator when they fit; otherwise as much as fits, terminated. Returns 1
// when everything fitted.
unsigned int CopyBounded(const std::string& text, char* pOut, unsigned int size) {
    if (!pOut || size == 0) return 0;
    std::size_t count = text.size() < size ? text.size() : size - 1;
    std::memcpy(pOut, text.data(), count);
    pOut[count] = '\0';
    return count == text.size() ? 1 : 0;
}

void ClearBuffer(char* pOut, unsigned int size) {
    if (pOut && size > 0) pOut[0] = '\0';
}

// <folder>\<name>, without doubling the backslash of a root folder ("C:\").
std::string JoinPath(const std::string& folder, const char* pName) {
    if (!folder.empty() && folder.back() == '\\') return folder + pName;
    return folder + "\\" + pName;
}

bool ProgramFolder(std::string& folder) {
    char buffer[MAX_PATH];
    if (!GetProgramFolder(nullptr, buffer, sizeof buffer)) return false;
    folder = buffer;
    return true;
}

// The current folder, however long it is.
bool CurrentFolder(std::string& folder) {
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return false;
    folder.assign(needed, '\0');
    DWORD length = GetCurrentDirectoryA(needed, folder.data());
    if (length == 0 || length >= needed) return false;
    folder.resize(length);
    return true;
}

bool WindowsFolder(std::string& folder) {
    UINT needed = GetWindowsDirectoryA(nullptr, 0);
    if (needed == 0) return false;
    folder.assign(needed, '\0');
    UINT length = GetWindowsDirectoryA(folder.data(), needed);
    if (length == 0 || length >= needed) return false;
    folder.resize(length);
    return true;
}

// The text a qualifier formatter writes ("" when it fails).
template <typename Format>
std::string QualifierText(Format format) {
    char qualifier[32];
    if (!format(qualifier, sizeof qualifier)) return std::string();
    return qualifier;
}

// The qualifier without its leading dot ("" when there is none).
const char* WithoutDot(const std::string& qualifier) {
    return qualifier.empty() ? qualifier.c_str() : qualifier.c_str() + 1;
}

std::string LanguageQualifier(LANGID language) {
    return QualifierText([language](char* qualifier, unsigned int size) {
        return FormatLanguageQualifier(qualifier, size, language);
    });
}

}  // namespace

unsigned int FormatOSQualifier(char* pQualifier, unsigned int size) {
    const OSVERSIONINFOA& version = OsVersionRecord();
    char text[32];
    std::snprintf(text, sizeof text, ".%d",
                  static_cast<int>(version.dwMajorVersion * 100 + version.dwMinorVersion));
    return CopyBounded(text, pQualifier, size);
}

unsigned int FormatSPQualifier(char* pQualifier, unsigned int size) {
    if (!IsNT()) return CopyBounded(std::string(), pQualifier, size);
    OSVERSIONINFOEXA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    // Systems that do not know the extended record (NT 4 before Service Pack 6) give no qualifier.
    if (!GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&version))) {
        return CopyBounded(std::string(), pQualifier, size);
    }
    char text[32];
    std::snprintf(text, sizeof text, ".%d", static_cast<int>(version.wServicePackMajor));
    return CopyBounded(text, pQualifier, size);
}

unsigned int FormatLanguageQualifier(char* pQualifier, unsigned int size, LANGID language) {
    unsigned int id = language;
    if (language == kSystemDefaultLanguage) id = GetSystemDefaultLangID() & 0x3FF;
    char text[32];
    std::snprintf(text, sizeof text, ".0x%X", id);
    return CopyBounded(text, pQualifier, size);
}

unsigned int GetValueByQualifier(const char* pFile, const char* pSection, const char* pQualifier,
                                 const char* pKey, char* pValue, unsigned int size) {
    ClearBuffer(pValue, size);
    // A null key reads the section's key names, as the profile functions do.
    if (!pFile || !pSection || !pValue || size == 0) return 0;

    CaseInsensitiveStringList sections;
    if (pQualifier && *pQualifier) {
        sections.push_back(CaseInsensitiveString(pSection) + "." + pQualifier);
    }
    sections.push_back(pSection);

    // Each folder that holds the file goes in front of the list, so the Windows folder (named by the
    // bare name, which the profile functions look for there) comes first and the program folder last.
    CaseInsensitiveStringList files;
    if (HasDriveOrNetworkPath(pFile)) {
        files.push_back(pFile);
    } else {
        std::string folder;
        if (ProgramFolder(folder)) {
            std::string path = JoinPath(folder, pFile);
            if (FileExists(path.c_str())) files.push_front(path.c_str());
        }
        if (CurrentFolder(folder)) {
            std::string path = JoinPath(folder, pFile);
            if (FileExists(path.c_str())) files.push_front(path.c_str());
        }
        if (WindowsFolder(folder) && FileExists(JoinPath(folder, pFile).c_str())) files.push_front(pFile);
    }

    for (const CaseInsensitiveString& section : sections) {
        for (const CaseInsensitiveString& file : files) {
            if (GetPrivateProfileStringA(section.c_str(), pKey, "", pValue, size, file.c_str()) != 0)
                return 1;
        }
    }
    ClearBuffer(pValue, size);
    return 0;
}

unsigned int GetValueByLang(const char* pFile, const char* pSection, const char* pKey, char* pValue,
                            unsigned int size, LANGID language) {
    std::string qualifier = LanguageQualifier(language);
    return GetValueByQualifier(pFile, pSection, WithoutDot(qualifier), pKey, pValue, size);
}

unsigned int GetValueBySPAndOS(const char* pFile, const char* pSection, const char* pKey, char* pValue,
                               unsigned int size) {
    if (!pSection) {
        ClearBuffer(pValue, size);
        return 0;
    }
    std::string version = QualifierText(FormatOSQualifier);
    if (IsNT()) {
        std::string servicePack = QualifierText(FormatSPQualifier);
        std::string versionSection = std::string(pSection) + version;
        if (GetValueByQualifier(pFile, versionSection.c_str(), WithoutDot(servicePack), pKey, pValue, size))
            return 1;
        return GetValueByQualifier(pFile, pSection, nullptr, pKey, pValue, size);
    }
    return GetValueByQualifier(pFile, pSection, WithoutDot(version), pKey, pValue, size);
}

unsigned int ReadNumberedList(const char* pFile, const char* pSection, const char* pQualifier,
                              CaseInsensitiveStringList& list) {
    if (!pFile || !pSection) return 0;
    unsigned int appended = 0;
    for (int number = 1;; ++number) {
        char key[16];
        std::snprintf(key, sizeof key, "%d", number);
        char value[MAX_PATH];
        if (!GetValueByQualifier(pFile, pSection, pQualifier, key, value, sizeof value)) break;
        CharLowerA(value);
        list.push_back(value);
        appended = 1;
    }
    return appended;
}

unsigned int ConvertValueToStringList(const char* pValue, CaseInsensitiveStringList& list,
                                      const char* pSeparators) {
    if (!pValue) {
        TraceFailed(kConvertWithoutValue);
        return 0;
    }
    // The copy holds the whole value and its terminator.
    std::size_t length = std::strlen(pValue);
    std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
    if (!copy) {
        TraceFailed(kConvertAllocation);
        return 0;
    }
    std::memcpy(copy.get(), pValue, length + 1);
    const char* separators = pSeparators ? pSeparators : "";
    const char* cursor = copy.get();
    while (*cursor) {
        cursor += std::strspn(cursor, separators);
        std::size_t pieceLength = std::strcspn(cursor, separators);
        if (pieceLength > 0) list.push_back(CaseInsensitiveString(cursor, pieceLength));
        cursor += pieceLength;
    }
    return 1;
}

unsigned int SetValueBySuffix(const char* pFile, const char* pSection, const char* pSuffix, const char* pKey,
                              const char* pValue) {
    if (!pFile || !pSection) return 0;
    std::string section = pSection;
    if (pSuffix && *pSuffix) section = section + "." + pSuffix;

    CaseInsensitiveStringList files;
    files.push_back(pFile);
    std::string folder;
    if (!std::strchr(pFile, ':') && ProgramFolder(folder)) {
        std::string path = JoinPath(folder, pFile);
        if (FileExists(path.c_str())) files.push_front(path.c_str());
    }
    for (const CaseInsensitiveString& file : files) {
        if (WritePrivateProfileStringA(section.c_str(), pKey, pValue, file.c_str())) return 1;
    }
    return 0;
}

unsigned int SetValueByLang(const char* pFile, const char* pSection, const char* pKey, const char* pValue,
                            LANGID language) {
    std::string qualifier = LanguageQualifier(language);
    return SetValueBySuffix(pFile, pSection, WithoutDot(qualifier), pKey, pValue);
}

unsigned int SetValueBySPAndOS(const char* pFile, const char* pSection, const char* pKey,
                               const char* pValue) {
    if (!pSection) return 0;
    std::string versionSection = std::string(pSection) + QualifierText(FormatOSQualifier);
    if (IsNT()) {
        std::string servicePack = QualifierText(FormatSPQualifier);
        return SetValueBySuffix(pFile, versionSection.c_str(), WithoutDot(servicePack), pKey, pValue);
    }
    return SetValueBySuffix(pFile, versionSection.c_str(), nullptr, pKey, pValue);
}

unsigned int GetFolderOfPath(const char* pPath, char* pFolder, unsigned int size) {
    ClearBuffer(pFolder, size);
    if (!pPath || !*pPath || !pFolder) return 0;
    const char* separator = nullptr;
    for (const char* cursor = pPath + std::strlen(pPath); cursor > pPath;) {
        cursor = CharPrevA(pPath, cursor);
        if (*cursor == '\\' || *cursor == '/') {
            separator = cursor;
            break;
        }
    }
    if (!separator) return 0;
    std::size_t length = static_cast<std::size_t>(separator - pPath);
    if (length >= size) {
        std::printf("%s", kOutputBufferTooSmall);
        return 0;
    }
    std::memcpy(pFolder, pPath, length);
    pFolder[length] = '\0';
    return 1;
}

unsigned int GetProgramFolder(HMODULE hModule, char* pFolder, unsigned int size) {
    ClearBuffer(pFolder, size);
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(hModule, path, sizeof path);
    // A name cut to the buffer is not terminated and names no file.
    if (length == 0 || length >= sizeof path) return 0;
    return GetFolderOfPath(path, pFolder, size);
}

unsigned int HasDriveOrNetworkPath(const char* pFile) {
    return pFile && (std::strchr(pFile, ':') || std::strstr(pFile, kNetworkPrefix)) ? 1 : 0;
}

unsigned int FileExists(const char* pPath) {
    if (!pPath) return 0;
    std::string path = pPath;
    if (path.find(kNetworkPrefix) != std::string::npos) {
        // Each doubled backslash counts as one, except the two that open a network path.
        std::size_t start = path.compare(0, 2, kNetworkPrefix) == 0 ? 2 : 0;
        std::string collapsed = path.substr(0, start);
        for (std::size_t index = start; index < path.size(); ++index) {
            collapsed += path[index];
            if (path[index] == '\\' && index + 1 < path.size() && path[index + 1] == '\\') ++index;
        }
        path = collapsed;
    }
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

unsigned int FindFileInSearchPath(const char* pName, char* pPath, unsigned int size) {
    ClearBuffer(pPath, size);
    if (!pName || !pPath || size == 0) return 0;
    bool (*const folders[])(std::string&) = {ProgramFolder, CurrentFolder, WindowsFolder};
    for (bool (*folderOf)(std::string&) : folders) {
        std::string folder;
        if (!folderOf(folder)) continue;
        std::string path = JoinPath(folder, pName);
        if (!FileExists(path.c_str())) continue;
        CopyBounded(path, pPath, size);
        return 1;
    }
    return 0;
}

unsigned int GetInstallerDatName(char* pName, unsigned int size) {
    ClearBuffer(pName, size);
    char division[MAX_PATH];
    if (!GetValueByLang(kAutorunFile, "version", "division", division, sizeof division,
                        kSystemDefaultLanguage)) {
        std::printf("%s", kNoDivision);
        return 0;
    }
    char iceRev[MAX_PATH];
    if (!GetValueByLang(kAutorunFile, "version", "ice_rev", iceRev, sizeof iceRev, kSystemDefaultLanguage)) {
        std::printf("%s", kNoIceRev);
        return 0;
    }
    if (!pName || size == 0) return 0;
    CopyBounded(std::string(division) + "ins" + iceRev + ".dat", pName, size);
    return 1;
}

unsigned int GetWindowsFolder(char* pFolder, unsigned int size) {
    ClearBuffer(pFolder, size);
    if (!pFolder || size == 0) return 0;
    UINT length = GetWindowsDirectoryA(pFolder, size);
    if (length == 0 || length >= size) {
        ClearBuffer(pFolder, size);
        return 0;
    }
    return 1;
}
