// A program of the machine for the shell tests, installed under each name a test starts: it appends its
// command line and its current folder, one line each, to the file beside it named like it with ".log"
// in place of its extension, and ends.
#include <string>

#include "windows.h"

namespace {

void AppendLine(const std::string& file, const std::string& line) {
    HANDLE handle =
        CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    SetFilePointer(handle, 0, nullptr, FILE_END);
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(handle);
}

}  // namespace

int main() {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string log = module;
    log = log.substr(0, log.find_last_of('.')) + ".log";
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    AppendLine(log, GetCommandLineA());
    AppendLine(log, folder);
    return 0;
}
