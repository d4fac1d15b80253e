// The special folders by CSIDL: each is a value of the user's or the machine's "Shell Folders" key, else
// the folder a fresh installation has (platform/machine/shell_folders.h), or one of the system's own
// folders. Windows 9x has no folders common to all users: asking for one fails.
//
// A folder is given whether it exists or not; fCreate (CSIDL_FLAG_CREATE) makes it and the folders above it.
#include <optional>
#include <string>

#include "platform/advapi32/registry_key.h"
#include "platform/machine/machine.h"
#include "platform/machine/shell_folders.h"
#include "platform/shell32/shell32_internal.h"
#include "shlobj.h"

namespace {

constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

enum class FolderSource { User, Common, Windows, System, ProgramFiles, CommonFiles };

struct SpecialFolder {
    int csidl;
    FolderSource source;
    const char* name;  // the value of the Shell Folders key
};

constexpr SpecialFolder kSpecialFolders[] = {
    {CSIDL_DESKTOP, FolderSource::User, "Desktop"},
    {CSIDL_DESKTOPDIRECTORY, FolderSource::User, "Desktop"},
    {CSIDL_PROGRAMS, FolderSource::User, "Programs"},
    {CSIDL_STARTMENU, FolderSource::User, "Start Menu"},
    {CSIDL_STARTUP, FolderSource::User, "Startup"},
    {CSIDL_PERSONAL, FolderSource::User, "Personal"},
    {CSIDL_APPDATA, FolderSource::User, "AppData"},
    {CSIDL_LOCAL_APPDATA, FolderSource::User, "Local AppData"},
    {CSIDL_FONTS, FolderSource::User, "Fonts"},
    {CSIDL_COMMON_DESKTOPDIRECTORY, FolderSource::Common, "Common Desktop"},
    {CSIDL_COMMON_PROGRAMS, FolderSource::Common, "Common Programs"},
    {CSIDL_COMMON_STARTMENU, FolderSource::Common, "Common Start Menu"},
    {CSIDL_COMMON_STARTUP, FolderSource::Common, "Common Startup"},
    {CSIDL_COMMON_APPDATA, FolderSource::Common, "Common AppData"},
    {CSIDL_COMMON_DOCUMENTS, FolderSource::Common, "Common Documents"},
    {CSIDL_WINDOWS, FolderSource::Windows, nullptr},
    {CSIDL_SYSTEM, FolderSource::System, nullptr},
    {CSIDL_PROGRAM_FILES, FolderSource::ProgramFiles, "ProgramFilesDir"},
    {CSIDL_PROGRAM_FILES_COMMON, FolderSource::CommonFiles, "CommonFilesDir"},
};

const SpecialFolder* FindSpecialFolder(int csidl) {
    for (const SpecialFolder& folder : kSpecialFolders)
        if (folder.csidl == csidl) return &folder;
    return nullptr;
}

std::optional<std::string> RegistryString(HKEY root, const char* key, const char* name) {
    platform::RegistryKey opened;
    if (opened.Open(root, key) != ERROR_SUCCESS) return std::nullopt;
    std::optional<std::string> text = opened.String(name);
    if (!text || text->empty()) return std::nullopt;
    return text;
}

std::optional<std::string> ShellFolderOf(const SpecialFolder& folder,
                                         const platform::MachineSettings& settings) {
    switch (folder.source) {
        case FolderSource::User:
        case FolderSource::Common: {
            // The machine's own default decides whether the system has the folder at all.
            std::optional<std::string> fallback = platform::DefaultShellFolder(settings, folder.name);
            if (!fallback) return std::nullopt;
            HKEY root = folder.source == FolderSource::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
            if (std::optional<std::string> stored = RegistryString(root, kShellFoldersKey, folder.name))
                return stored;
            return fallback;
        }
        case FolderSource::Windows:
            return settings.windowsFolder;
        case FolderSource::System:
            return settings.systemFolder;
        case FolderSource::ProgramFiles:
            if (auto stored = RegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, folder.name))
                return stored;
            return settings.programFilesFolder;
        case FolderSource::CommonFiles:
            if (auto stored = RegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, folder.name))
                return stored;
            return settings.programFilesFolder + "\\Common Files";
    }
    return std::nullopt;
}

// The folder's path, made when asked; the HRESULT SHGetFolderPathA gives.
HRESULT SpecialFolderPath(int csidl, bool create, std::string& path) {
    const SpecialFolder* folder = FindSpecialFolder(csidl & ~CSIDL_FLAG_MASK);
    if (!folder) return E_INVALIDARG;
    std::optional<std::string> found = ShellFolderOf(*folder, platform::Machine::Current().settings());
    if (!found) return E_FAIL;
    path = *found;
    if ((create || (csidl & CSIDL_FLAG_CREATE)) && !platform::shell::CreateFolderWithParents(path))
        return HRESULT_FROM_WIN32(GetLastError());
    return S_OK;
}

}  // namespace

extern "C" BOOL WINAPI SHGetSpecialFolderPathA(HWND hwndOwner, LPSTR lpszPath, int nFolder, BOOL fCreate) {
    (void)hwndOwner;
    if (!lpszPath) return FALSE;
    std::string path;
    if (FAILED(SpecialFolderPath(nFolder, fCreate != FALSE, path))) {
        lpszPath[0] = '\0';
        return FALSE;
    }
    platform::shell::CopyToBuffer(path, lpszPath, MAX_PATH);
    return TRUE;
}

// The token (another user) is not looked at: the machine has one user. SHGFP_TYPE_DEFAULT gives the same
// folders, as no one moves them.
extern "C" HRESULT WINAPI SHGetFolderPathA(HWND hwndOwner, int nFolder, HANDLE hToken, DWORD dwFlags,
                                           LPSTR pszPath) {
    (void)hwndOwner;
    (void)hToken;
    (void)dwFlags;
    if (!pszPath) return E_INVALIDARG;
    pszPath[0] = '\0';
    std::string path;
    HRESULT result = SpecialFolderPath(nFolder, false, path);
    if (SUCCEEDED(result)) platform::shell::CopyToBuffer(path, pszPath, MAX_PATH);
    return result;
}
