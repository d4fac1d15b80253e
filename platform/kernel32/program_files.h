// What CreateProcessA and LoadLibraryA share to find a program's or a library's file: the file at a
// Windows path, the folders of PATH, and the host file a stub names.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine/host_path.h"
#include "windows.h"

namespace platform {

// A file at a Windows path, relative to `currentDirectory` when not full; `error` says why not
// (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, or ERROR_ACCESS_DENIED for a folder).
std::optional<HostPath> FileAt(std::string_view path, std::string_view currentDirectory, DWORD& error);

// The folder of a full Windows path ("C:\" for a file in a root).
std::string FolderOf(const std::string& path);

// The folders of the process's PATH variable, in order.
std::vector<std::string> PathFolders();

// The first of `names` ("x.dll") found in `folders`, in order.
std::optional<HostPath> FindInFolders(const std::vector<std::string>& folders, std::string_view name,
                                      std::string_view currentDirectory);

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

enum class BuiltFileKind { Program, Library };

// The host file a stub names. A name with a '/' is a host path; a bare name is looked for in the folders
// of WINMACHINE_PROGRAMS (host folders separated by ':'; winmachine and the tests set it), else anywhere
// in the build tree this library was built in. A program must be executable; a library is any file, so
// that one which is not a shared library can be told from one that is missing.
std::optional<std::filesystem::path> FindBuiltFile(const std::string& name, BuiltFileKind kind);

}  // namespace platform
