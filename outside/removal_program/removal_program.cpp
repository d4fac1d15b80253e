// removal_program: the maker's own programs as the uninstaller meets them on a machine, one program
// installed under each of their names: the removal program for a printer model and its companion, the
// old software's uninstall program, and its services program. The printer uninstaller starts the
// removal program with
//
//     qnzgluNN.exe -uninstall=<driver name> -ghoulpathname=<path of the companion program>
//
// and the other uninstallers start the rest with the command lines of their lists.
//
// Each run appends its command line as one line to the file beside the program named like it with
// ".log" in place of its extension, and ends as the file beside it named with ".ini" says, so that a
// test can read what it was told and choose how it ends:
//
//     [Run]
//     ExitCode=<code>     the exit code (0 when there is none)
//     Seconds=<n>         runs for n seconds of the machine's clock before it ends
//     Forever=1           never ends by itself
//     IgnoreQuit=1        goes on running after WM_QUIT
//     NoMessages=1        never looks at its message queue, so that it has none and nothing can be
//                         posted to it
//
// While it runs it looks at its message queue every second of the machine's clock, writes the name of
// each message posted to it (WM_CLOSE, WM_QUIT, or the number) as one line to the file beside it named
// with ".msg", and ends with its exit code on WM_QUIT, as a program's message loop does.
#include <cstdio>
#include <cstring>
#include <string>

#include "outside/common/append_line.h"
#include "windows.h"

namespace {

constexpr DWORD kLookEvery = 1000;

// The program's own path with its extension replaced.
std::string Beside(const std::string& program, const char* extension) {
    std::size_t dot = program.rfind('.');
    std::size_t slash = program.rfind('\\');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = program.size();
    return program.substr(0, dot) + extension;
}

using outside::AppendLine;

std::string MessageName(UINT message) {
    if (message == WM_CLOSE) return "WM_CLOSE";
    if (message == WM_QUIT) return "WM_QUIT";
    return std::to_string(message);
}

// Records what was posted since the last look; true when WM_QUIT came and ends the program.
bool LookAtMessages(const std::string& messages, bool ignoreQuit) {
    MSG message{};
    bool quit = false;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        AppendLine(messages, MessageName(message.message));
        if (message.message == WM_QUIT && !ignoreQuit) quit = true;
    }
    return quit;
}

}  // namespace

int main() {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string program = module;
    AppendLine(Beside(program, ".log"), GetCommandLineA());
    std::string script = Beside(program, ".ini");
    UINT exitCode = GetPrivateProfileIntA("Run", "ExitCode", 0, script.c_str());
    UINT seconds = GetPrivateProfileIntA("Run", "Seconds", 0, script.c_str());
    bool forever = GetPrivateProfileIntA("Run", "Forever", 0, script.c_str()) != 0;
    bool ignoreQuit = GetPrivateProfileIntA("Run", "IgnoreQuit", 0, script.c_str()) != 0;
    bool looks = GetPrivateProfileIntA("Run", "NoMessages", 0, script.c_str()) == 0;
    std::string messages = Beside(program, ".msg");
    for (UINT second = 0; forever || second < seconds; ++second) {
        if (looks && LookAtMessages(messages, ignoreQuit)) break;
        Sleep(kLookEvery);
    }
    ExitProcess(exitCode);
}
