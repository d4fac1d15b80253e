#include "platform/kernel32/program_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/kernel32/file_system.h"
#include "platform/machine/machine.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

bool IsBuiltFile(const fs::path& path, BuiltFileKind kind) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return kind == BuiltFileKind::Library || ::access(path.c_str(), X_OK) == 0;
}

// Level by level, up to `depth` folders down: the programs sit one or two folders below the tree's top,
// and a search that went deep into each folder it met first would list most of the tree before it
// found them.
[[maybe_unused]] std::optional<fs::path> FindInTree(const fs::path& top, const std::string& name,
                                                    BuiltFileKind kind, int depth) {
    std::error_code failure;
    std::vector<fs::path> level{top};
    for (int down = 0; !level.empty(); ++down) {
        for (const fs::path& folder : level) {
            if (IsBuiltFile(folder / name, kind)) return folder / name;
        }
        if (down == depth) break;
        std::vector<fs::path> next;
        for (const fs::path& folder : level) {
            for (const fs::directory_entry& entry : fs::directory_iterator(folder, failure)) {
                if (!entry.is_directory(failure) || entry.is_symlink(failure)) continue;
                if (entry.path().filename() == "CMakeFiles") continue;
                next.push_back(entry.path());
            }
        }
        level = std::move(next);
    }
    return std::nullopt;
}

std::string EnvironmentVariable(const char* name) {
    DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0) return "";
    std::string value(size, '\0');
    DWORD length = GetEnvironmentVariableA(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

}  // namespace

std::optional<HostPath> FileAt(std::string_view path, std::string_view currentDirectory, DWORD& error) {
    std::optional<WindowsPath> full = ParseWindowsPath(path, currentDirectory, &error);
    if (!full) return std::nullopt;
    std::optional<HostPath> host = ResolveHostPath(Machine::Current(), *full, &error);
    if (!host) return std::nullopt;
    if (!host->exists || host->isDirectory) {
        error = host->isDirectory ? ERROR_ACCESS_DENIED : MissingPathError(*host);
        return std::nullopt;
    }
    return host;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return path;
    if (slash == 2) return path.substr(0, 3);
    return path.substr(0, slash);
}

std::vector<std::string> PathFolders() {
    std::vector<std::string> folders;
    std::string path = EnvironmentVariable("PATH");
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find(';', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) folders.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

std::optional<HostPath> FindInFolders(const std::vector<std::string>& folders, std::string_view name,
                                      std::string_view currentDirectory) {
    for (const std::string& folder : folders) {
        DWORD ignored = 0;
        std::string candidate =
            folder + (folder.empty() || folder.back() == '\\' ? "" : "\\") + std::string(name);
        if (std::optional<HostPath> host = FileAt(candidate, currentDirectory, ignored)) return host;
    }
    return std::nullopt;
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) return std::nullopt;
    std::ostringstream contents;
    contents << stream.rdbuf();
    return contents.str();
}

std::optional<fs::path> FindBuiltFile(const std::string& name, BuiltFileKind kind) {
    if (name.find('/') != std::string::npos) {
        if (IsBuiltFile(name, kind)) return fs::path(name);
        return std::nullopt;
    }
    if (const char* folders = std::getenv("WINMACHINE_PROGRAMS"); folders && *folders) {
        std::string list = folders;
        for (size_t start = 0; start <= list.size();) {
            size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            if (end > start && IsBuiltFile(fs::path(list.substr(start, end - start)) / name, kind))
                return fs::path(list.substr(start, end - start)) / name;
            start = end + 1;
        }
        return std::nullopt;
    }
#ifdef WIN_BUILD_TREE
    return FindInTree(WIN_BUILD_TREE, name, kind, 4);
#else
    return std::nullopt;
#endif
}

}  // namespace platform
