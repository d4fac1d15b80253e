// The binary shell-link (.lnk) file: a header of 0x4C bytes naming the link class, its flags, the target's
// attributes, times and size, the icon index, show command and hot key; the link information with the
// target's local path on its volume; then the description, relative path, working folder, arguments and
// icon location as counted strings, each present when its flag says so; and the terminal extra block.
// Strings are written in the machine's code page; strings in UTF-16 (IsUnicode) are read as well.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "windows.h"

namespace platform::shell {

struct ShellLinkData {
    std::string path;
    std::string description;
    std::string relativePath;
    std::string workingDirectory;
    std::string arguments;
    std::string iconLocation;
    int iconIndex = 0;
    int showCommand = SW_SHOWNORMAL;
    WORD hotKey = 0;
    DWORD fileAttributes = 0;
    DWORD fileSize = 0;
};

std::string WriteShellLink(const ShellLinkData& link);
// Nothing when the bytes are no shell link (another header size or class) or end before what they hold.
std::optional<ShellLinkData> ReadShellLink(std::string_view bytes);

// A .lnk file of the machine read through the file calls; nothing with the last error set.
std::optional<ShellLinkData> ReadShellLinkFile(const std::string& path);

}  // namespace platform::shell
