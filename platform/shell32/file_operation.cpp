// SHFileOperationA with FO_DELETE: each name of the double-NUL-terminated list is deleted, a folder with
// everything in it, and a last part with wildcards stands for every entry of its folder that matches
// (files only with FOF_FILESONLY). Read-only files are deleted too.
//
// Nothing is ever shown: there is no confirmation, no progress and no error box, whatever the flags say,
// and FOF_ALLOWUNDO deletes for good, as the machine has no recycle bin. The first failure ends the
// operation and is the result (ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND for a name that is not there,
// the file call's error otherwise); a wildcard that matches nothing is no failure. Copying, moving and
// renaming are not provided (ERROR_CALL_NOT_IMPLEMENTED).
#include <string>
#include <vector>

#include "shellapi.h"
#include "windows.h"

namespace {

bool HasWildcards(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The entries of a search, without "." and "..".
std::vector<WIN32_FIND_DATAA> Entries(const std::string& pattern) {
    std::vector<WIN32_FIND_DATAA> entries;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") entries.push_back(found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

DWORD DeleteEntry(const std::string& path, DWORD attributes);

DWORD DeleteFolderTree(const std::string& folder) {
    for (const WIN32_FIND_DATAA& entry : Entries(folder + "\\*")) {
        if (DWORD error = DeleteEntry(folder + "\\" + entry.cFileName, entry.dwFileAttributes)) return error;
    }
    return RemoveDirectoryA(folder.c_str()) ? 0 : GetLastError();
}

DWORD DeleteEntry(const std::string& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return DeleteFolderTree(path);
    if ((attributes & FILE_ATTRIBUTE_READONLY) && !SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL))
        return GetLastError();
    return DeleteFileA(path.c_str()) ? 0 : GetLastError();
}

DWORD DeleteName(const std::string& name, bool filesOnly) {
    char full[MAX_PATH] = "";
    if (GetFullPathNameA(name.c_str(), MAX_PATH, full, nullptr) == 0) return GetLastError();
    std::string path = full;
    if (HasWildcards(path)) {
        std::string folder = FolderOf(path);
        for (const WIN32_FIND_DATAA& entry : Entries(path)) {
            if (filesOnly && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            if (DWORD error = DeleteEntry(folder + entry.cFileName, entry.dwFileAttributes)) return error;
        }
        return 0;
    }
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    return DeleteEntry(path, attributes);
}

// The names of a list of zero-terminated names ended by an empty one.
std::vector<std::string> NamesOf(LPCSTR list) {
    std::vector<std::string> names;
    for (LPCSTR name = list; name && *name; name += std::string_view(name).size() + 1)
        names.emplace_back(name);
    return names;
}

}  // namespace

extern "C" int WINAPI SHFileOperationA(LPSHFILEOPSTRUCTA lpFileOp) {
    if (!lpFileOp) return ERROR_INVALID_PARAMETER;
    lpFileOp->fAnyOperationsAborted = FALSE;
    if (lpFileOp->wFunc != FO_DELETE) return ERROR_CALL_NOT_IMPLEMENTED;
    bool filesOnly = (lpFileOp->fFlags & FOF_FILESONLY) != 0;
    for (const std::string& name : NamesOf(lpFileOp->pFrom)) {
        if (DWORD error = DeleteName(name, filesOnly)) return static_cast<int>(error);
    }
    return 0;
}
