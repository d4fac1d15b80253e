// removal_program: the maker's removal program for a printer model, and its companion, as the uninstaller
// meets them on a machine. The uninstaller starts the removal program with
//
//     qnzgluNN.exe -uninstall=<driver name> -ghoulpathname=<path of the companion program>
//
// and waits for it. Each run appends its command line as one line to the file beside the program named
// like it with ".log" in place of its extension, and ends with the exit code of [Run] ExitCode in the
// file beside it named with ".ini" (0 when there is none), so that a test can read what it was told and
// choose how it ends.
#include <cstring>
#include <string>

#include "windows.h"

namespace {

// The program's own path with its extension replaced.
std::string Beside(const std::string& program, const char* extension) {
    std::size_t dot = program.rfind('.');
    std::size_t slash = program.rfind('\\');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = program.size();
    return program.substr(0, dot) + extension;
}

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
    std::string program = module;
    AppendLine(Beside(program, ".log"), GetCommandLineA());
    UINT exitCode = GetPrivateProfileIntA("Run", "ExitCode", 0, Beside(program, ".ini").c_str());
    ExitProcess(exitCode);
}
