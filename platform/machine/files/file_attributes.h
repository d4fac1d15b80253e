// Windows attributes of the machine's files and folders, and what the machine keeps about an entry
// that must follow it when it is moved, copied or deleted.
//
// READONLY of a file is the host file's write permission, so that the host and every process of the
// machine agree on it. Every other attribute, and READONLY of a folder (which Windows does not apply
// to the folder's contents, as a host permission would), is kept in state.db, keyed by the entry's
// host path relative to the machine folder, exactly as the host spells it.
#pragma once

#include <filesystem>

#include "windef.h"

namespace platform {

class Machine;

// The attributes Windows reports for an existing entry; INVALID_FILE_ATTRIBUTES when it is missing.
// FILE_ATTRIBUTE_NORMAL for a file with none, FILE_ATTRIBUTE_DIRECTORY for a folder.
DWORD ReadFileAttributes(Machine& machine, const std::filesystem::path& host);
// Sets the attributes Windows lets a program set (DIRECTORY and the like are ignored); false when the
// host refused the change of permission.
bool WriteFileAttributes(Machine& machine, const std::filesystem::path& host, DWORD attributes);
bool IsReadOnlyOnHost(const std::filesystem::path& host);

// Keeping the stored attributes and 8.3 names right: the entry and, for a folder, everything below it.
void ForgetEntry(Machine& machine, const std::filesystem::path& host);
void MoveEntry(Machine& machine, const std::filesystem::path& from, const std::filesystem::path& to);
// A copied file takes the source's stored attributes (its permission is copied with its contents).
void CopyEntryAttributes(Machine& machine, const std::filesystem::path& from,
                         const std::filesystem::path& to);

}  // namespace platform
