// Path names: GetFullPathNameA, GetShortPathNameA and GetLongPathNameA.
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel32/file_system.h"
#include "platform/kernel32/kernel32_internal.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/text.h"

namespace platform {

namespace {

bool IsSeparator(char character) {
    return character == '\\' || character == '/';
}

}  // namespace

bool EndsWithSeparator(std::string_view text) {
    return !text.empty() && IsSeparator(text.back());
}

DWORD FolderNameError(std::string_view name, const HostPath& path) {
    return EndsWithSeparator(name) && path.exists && !path.isDirectory ? ERROR_INVALID_NAME : 0;
}

namespace {

// A path as written: its root part ("C:\", "C:", "\", "\\server\share\" or nothing) and its names.
struct WrittenPath {
    std::string root;
    std::vector<std::string> names;
    bool trailingSeparator = false;
};

WrittenPath SplitWritten(std::string_view text) {
    WrittenPath written;
    std::size_t start = 0;
    if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
        // "\\server\share": the server and share belong to the root.
        std::size_t server = text.find_first_of("\\/", 2);
        std::size_t share = server == std::string_view::npos ? server : text.find_first_of("\\/", server + 1);
        start = share == std::string_view::npos ? text.size() : share + 1;
        written.root = std::string(text.substr(0, start));
    } else if (text.size() >= 2 && text[1] == ':') {
        start = text.size() >= 3 && IsSeparator(text[2]) ? 3 : 2;
        written.root = std::string(text.substr(0, start));
    } else if (!text.empty() && IsSeparator(text[0])) {
        start = 1;
        written.root.assign(1, '\\');
    }
    for (char& character : written.root) {
        if (character == '/') character = '\\';
    }
    std::string current;
    for (std::size_t index = start; index <= text.size(); ++index) {
        if (index == text.size() || IsSeparator(text[index])) {
            if (!current.empty()) written.names.push_back(current);
            current.clear();
        } else {
            current += text[index];
        }
    }
    written.trailingSeparator = start < text.size() && EndsWithSeparator(text);
    return written;
}

std::string StripTrailingDotsAndBlanks(std::string name) {
    if (name == "." || name == "..") return name;
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    return name;
}

enum class NameForm { Short, Long };

// Rewrites each name of an existing path in the form asked, keeping the path as written otherwise
// (relative stays relative): a short form replaces only names that are not valid 8.3 names, a long
// form only names that look like generated short names. Returns 0, or the Windows error.
DWORD RewritePath(std::string_view text, NameForm form, std::string& result) {
    DWORD error = 0;
    std::optional<WindowsPath> full = FullWindowsPath(text, &error);
    if (!full) return error;
    WrittenPath written = SplitWritten(text);
    std::optional<WindowsPath> base = FullWindowsPath(written.root.empty() ? "." : written.root, &error);
    if (!base) return error;
    Machine& machine = Machine::Current();
    std::optional<HostPath> resolved = ResolveHostPath(machine, *base, &error);
    if (!resolved) return error;
    if (!resolved->exists) return ERROR_PATH_NOT_FOUND;
    result = written.root;
    for (std::size_t index = 0; index < written.names.size(); ++index) {
        std::string name = StripTrailingDotsAndBlanks(written.names[index]);
        bool last = index + 1 == written.names.size();
        std::string shown = name;
        if (name == "..") {
            base = base->Parent();
        } else if (name != "." && !name.empty()) {
            std::optional<HostPath> entry = ResolveHostPath(machine, base->Child(name), &error);
            if (!entry) return error;
            if (!entry->exists) return last ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
            std::string stored = entry->longPath.components.back();
            if (form == NameForm::Short && !IsValidShortName(name)) {
                shown = ShortNameOf(machine, entry->host.parent_path(), stored);
            } else if (form == NameForm::Long && IsValidShortName(name) &&
                       name.find('~') != std::string::npos) {
                shown = stored;
            }
            base = entry->longPath;
        }
        if (index > 0) result += '\\';
        result += shown;
    }
    if (written.trailingSeparator && !written.names.empty()) result += '\\';
    return 0;
}

DWORD RewritePathCall(LPCSTR path, LPSTR buffer, DWORD size, NameForm form) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string result;
    if (DWORD error = RewritePath(path, form, result)) {
        SetLastError(error);
        return 0;
    }
    return CopyOutOrNeeded(result, buffer, size);
}

}  // namespace

}  // namespace platform

extern "C" DWORD WINAPI GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer,
                                         LPSTR* lpFilePart) {
    using namespace platform;
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DWORD error = 0;
    std::optional<WindowsPath> path = FullWindowsPath(lpFileName, &error, true);
    if (!path) {
        SetLastError(error);
        return 0;
    }
    std::string full = path->ToString();
    if (EndsWithSeparator(lpFileName) && !path->IsRoot() && !EndsWithSeparator(full)) full += '\\';
    DWORD result = CopyOutOrNeeded(full, lpBuffer, nBufferLength);
    if (lpFilePart && result == full.size()) {
        std::size_t separator = full.rfind('\\');
        *lpFilePart =
            EndsWithSeparator(full) || separator == std::string::npos ? nullptr : lpBuffer + separator + 1;
    }
    return result;
}

extern "C" DWORD WINAPI GetShortPathNameA(LPCSTR lpszLongPath, LPSTR lpszShortPath, DWORD cchBuffer) {
    return platform::RewritePathCall(lpszLongPath, lpszShortPath, cchBuffer, platform::NameForm::Short);
}

extern "C" DWORD WINAPI GetLongPathNameA(LPCSTR lpszShortPath, LPSTR lpszLongPath, DWORD cchBuffer) {
    // Windows 95 and NT 4 lack the call.
    platform::OsKind kind = platform::Machine::Current().os().kind;
    if (kind == platform::OsKind::Windows95 || kind == platform::OsKind::WindowsNT4) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    return platform::RewritePathCall(lpszShortPath, lpszLongPath, cchBuffer, platform::NameForm::Long);
}
