// What the parts of shell32 share.
#pragma once

#include <string>
#include <string_view>

#include "windows.h"

namespace platform::shell {

// Creates the folder and every folder above it that is missing; false with the error of the first
// folder that could not be made.
bool CreateFolderWithParents(const std::string& path);

// Copies text into a caller's buffer of `size` characters, cut to fit with its terminator.
void CopyToBuffer(std::string_view text, LPSTR buffer, int size);

}  // namespace platform::shell
