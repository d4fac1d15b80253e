// web_browser: the web browser a machine's user has, as the system meets it: the program registered
// for the http and https addresses. Each run appends the address it was asked to open (its first
// argument) as one line to the file beside it named like it with ".log" in place of its extension, and
// ends, so that a test or a person can read which pages were opened.
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

int main(int argc, char** argv) {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string log = module;
    log = log.substr(0, log.find_last_of('.')) + ".log";
    AppendLine(log, argc > 1 ? argv[1] : "");
    return 0;
}
