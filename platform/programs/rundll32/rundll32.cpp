// rundll32: runs an entry of a library.
//
//     rundll32 <library>,<entry> [<rest of the line>]
//
// loads the library, finds the entry and calls it as
//     void CALLBACK Entry(HWND hwnd, HINSTANCE hinst, LPSTR lpszCmdLine, int nCmdShow)
// with a hidden window of its own, the library's instance, the rest of the line and SW_SHOWDEFAULT. On
// Windows NT an entry named <entry>W takes the line in UTF-16 and is preferred, then <entry>A, then the
// name as given; Windows 9x looks for the name as given only. A library that does not load, or lacks the
// entry, is reported in a message box, and rundll32 ends with 1; otherwise it ends with 0 once the entry
// returns.
#include <string>
#include <vector>

#include "program_text.h"
#include "windows.h"

namespace {

using platform::programs::SystemMessage;
using platform::programs::WideFromAnsi;

constexpr char kCaption[] = "RunDLL";

using AnsiEntry = void(CALLBACK*)(HWND, HINSTANCE, LPSTR, int);
using WideEntry = void(CALLBACK*)(HWND, HINSTANCE, LPWSTR, int);

bool IsBlank(char character) {
    return character == ' ' || character == '\t';
}

// What follows the program's own name on the command line.
std::string ArgumentsOf(const char* commandLine) {
    std::string_view line = commandLine;
    size_t at = 0;
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at < line.size() && line[at] == '"') {
        size_t close = line.find('"', at + 1);
        at = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        while (at < line.size() && !IsBlank(line[at])) ++at;
    }
    return std::string(line.substr(at));
}

struct Invocation {
    std::string library;
    std::string entry;
    std::string rest;
};

// "<library>,<entry> rest": the library's name may be quoted; blanks may surround the comma.
Invocation Parse(const std::string& arguments) {
    Invocation invocation;
    size_t at = 0;
    while (at < arguments.size() && IsBlank(arguments[at])) ++at;
    if (at < arguments.size() && arguments[at] == '"') {
        size_t close = arguments.find('"', at + 1);
        if (close == std::string::npos) close = arguments.size();
        invocation.library = arguments.substr(at + 1, close - at - 1);
        at = close < arguments.size() ? close + 1 : close;
    } else {
        size_t end = at;
        while (end < arguments.size() && arguments[end] != ',' && !IsBlank(arguments[end])) ++end;
        invocation.library = arguments.substr(at, end - at);
        at = end;
    }
    while (at < arguments.size() && (IsBlank(arguments[at]) || arguments[at] == ',')) ++at;
    size_t end = at;
    while (end < arguments.size() && !IsBlank(arguments[end])) ++end;
    invocation.entry = arguments.substr(at, end - at);
    while (end < arguments.size() && IsBlank(arguments[end])) ++end;
    invocation.rest = arguments.substr(end);
    return invocation;
}

int Fail(const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
    return 1;
}

HWND HiddenWindow(HINSTANCE program) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = program;
    windowClass.lpszClassName = kCaption;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, kCaption, "", 0, 0, 0, 0, 0, nullptr, nullptr, program, nullptr);
}

bool IsNT() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

int Run() {
    Invocation invocation = Parse(ArgumentsOf(GetCommandLineA()));
    // Nothing to run: Windows' rundll32 ends quietly.
    if (invocation.library.empty()) return 0;
    HMODULE library = LoadLibraryA(invocation.library.c_str());
    if (!library) return Fail("Error loading " + invocation.library + "\n" + SystemMessage(GetLastError()));
    bool nt = IsNT();
    FARPROC wide = nt ? GetProcAddress(library, (invocation.entry + "W").c_str()) : nullptr;
    FARPROC ansi = nt ? GetProcAddress(library, (invocation.entry + "A").c_str()) : nullptr;
    if (!ansi && !invocation.entry.empty()) ansi = GetProcAddress(library, invocation.entry.c_str());
    if (!wide && !ansi) {
        FreeLibrary(library);
        return Fail("Error in " + invocation.library + "\nMissing entry:" + invocation.entry);
    }
    HWND window = HiddenWindow(GetModuleHandleA(nullptr));
    if (wide) {
        std::u16string line = WideFromAnsi(invocation.rest);
        reinterpret_cast<WideEntry>(reinterpret_cast<void (*)()>(wide))(window, library, line.data(),
                                                                        SW_SHOWDEFAULT);
    } else {
        std::vector<char> line(invocation.rest.begin(), invocation.rest.end());
        line.push_back('\0');
        reinterpret_cast<AnsiEntry>(reinterpret_cast<void (*)()>(ansi))(window, library, line.data(),
                                                                        SW_SHOWDEFAULT);
    }
    if (window) DestroyWindow(window);
    FreeLibrary(library);
    return 0;
}

}  // namespace

int main() {
    ExitProcess(static_cast<UINT>(Run()));
}
