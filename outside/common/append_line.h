// The record the maker's stand-in programs keep of what they were asked: one line appended to a file of
// the machine, with Windows' line end, through the machine's own file calls.
#pragma once

#include <string>

#include "windows.h"

namespace outside {

inline void AppendLine(const std::string& file, const std::string& line) {
    HANDLE handle =
        CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    SetFilePointer(handle, 0, nullptr, FILE_END);
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(handle);
}

}  // namespace outside
