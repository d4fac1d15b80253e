// What the parts of shell32 share: folders made with their parents, and texts copied into callers' buffers.
#include <algorithm>
#include <cstring>

#include "platform/shell32/shell32_internal.h"

namespace platform::shell {

bool CreateFolderWithParents(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    std::size_t slash = path.find_last_of('\\');
    // "C:\x": the parent is the drive's root, which is there when the drive is.
    if (slash != std::string::npos && slash > 2 && !CreateFolderWithParents(path.substr(0, slash)))
        return false;
    if (CreateDirectoryA(path.c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

void CopyToBuffer(std::string_view text, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return;
    std::size_t length = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

}  // namespace platform::shell
