// regsvr32: registers and unregisters the COM servers of libraries.
//
//     regsvr32 [/u] [/s] [/i[:cmdline]] [/n] <library>...
//
// loads each library and calls DllRegisterServer (with /u DllUnregisterServer); /i calls DllInstall too
// (after registering, before unregistering) with the command line given, /n with /i calls DllInstall
// only. Each outcome is shown in a message box in Windows XP's words unless /s is given. The exit code
// is Windows' own for the first failure: 1 for arguments it cannot use, 3 for a library that does not
// load, 4 for a missing entry point, 5 for an entry point that reported a failure; 0 when all went well.
#include <cstdio>
#include <string>
#include <vector>

#include "program_text.h"
#include "windows.h"

namespace {

using platform::programs::SystemMessage;
using platform::programs::WideFromAnsi;

constexpr char kCaption[] = "RegSvr32";
constexpr char kUsage[] =
    "Usage: regsvr32 [/u] [/s] [/n] [/i[:cmdline]] dllname\n"
    "/u - Unregister server\n"
    "/s - Silent; display no message boxes\n"
    "/i - Call DllInstall passing it an optional [cmdline]; when used with /u calls dll uninstall\n"
    "/n - do not call DllRegisterServer; this option must be used with /i";

enum ExitCode : int {
    kSucceeded = 0,
    kBadArguments = 1,
    kLoadFailed = 3,
    kEntryMissing = 4,
    kCallFailed = 5
};

struct Options {
    bool unregister = false;
    bool silent = false;
    bool install = false;
    bool noRegistration = false;
    std::string installLine;
    std::vector<std::string> libraries;
};

using RegistrationEntry = HRESULT(WINAPI*)();
using InstallEntry = HRESULT(WINAPI*)(BOOL, LPCWSTR);

void Show(const Options& options, const std::string& text, UINT icon) {
    if (!options.silent) MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | icon);
}

// Flags begin with '/' or '-' and may be written in either case; anything else names a library.
bool Parse(int argc, char** argv, Options& options, std::string& complaint) {
    for (int index = 1; index < argc; ++index) {
        std::string word = argv[index];
        if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) {
            options.libraries.push_back(word);
            continue;
        }
        char flag = static_cast<char>(word[1] | 0x20);
        if (flag == 'u' && word.size() == 2) {
            options.unregister = true;
        } else if (flag == 's' && word.size() == 2) {
            options.silent = true;
        } else if (flag == 'n' && word.size() == 2) {
            options.noRegistration = true;
        } else if (flag == 'i' && (word.size() == 2 || word[2] == ':')) {
            options.install = true;
            options.installLine = word.size() > 3 ? word.substr(3) : "";
        } else {
            complaint = "Unrecognized flag: " + word + "\n" + kUsage;
            return false;
        }
    }
    if (options.libraries.empty() || (options.noRegistration && !options.install)) {
        complaint = kUsage;
        return false;
    }
    return true;
}

FARPROC Entry(HMODULE library, const char* name) {
    return GetProcAddress(library, name);
}

// Loads one library and calls its entry points in order; the exit code.
int Process(const Options& options, const std::string& name) {
    HMODULE library = LoadLibraryExA(name.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) {
        DWORD error = GetLastError();
        // Windows XP looks for a registration helper for a file that is not a program's; there is none.
        if (error == ERROR_BAD_EXE_FORMAT) {
            Show(
                options,
                name +
                    " is not an executable file and no registration helper is registered for this file type.",
                MB_ICONSTOP);
        } else {
            Show(options, "LoadLibrary(\"" + name + "\") failed - " + SystemMessage(error), MB_ICONSTOP);
        }
        return kLoadFailed;
    }
    const char* registration = options.unregister ? "DllUnregisterServer" : "DllRegisterServer";
    std::vector<const char*> calls;
    if (options.install && options.unregister) calls.push_back("DllInstall");
    if (!options.noRegistration) calls.push_back(registration);
    if (options.install && !options.unregister) calls.push_back("DllInstall");
    std::u16string installLine = WideFromAnsi(options.installLine);
    std::string called;
    for (const char* call : calls) {
        FARPROC address = Entry(library, call);
        if (!address) {
            Show(options,
                 name + " was loaded, but the " + call +
                     " entry point was not found.\n\nThis file can not be "
                     "registered.",
                 MB_ICONSTOP);
            FreeLibrary(library);
            return kEntryMissing;
        }
        auto function = reinterpret_cast<void (*)()>(address);
        HRESULT result = call == std::string("DllInstall") ? reinterpret_cast<InstallEntry>(function)(
                                                                 !options.unregister, installLine.c_str())
                                                           : reinterpret_cast<RegistrationEntry>(function)();
        if (FAILED(result)) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08lx",
                          static_cast<unsigned long>(static_cast<DWORD>(result)));
            Show(options, std::string(call) + " in " + name + " failed.\nReturn code was: " + code,
                 MB_ICONSTOP);
            FreeLibrary(library);
            return kCallFailed;
        }
        called += (called.empty() ? "" : " and ") + std::string(call);
    }
    FreeLibrary(library);
    Show(options, called + " in " + name + " succeeded.", MB_ICONINFORMATION);
    return kSucceeded;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string complaint;
    if (!Parse(argc, argv, options, complaint)) {
        Show(options, complaint, MB_ICONEXCLAMATION);
        ExitProcess(kBadArguments);
    }
    for (const std::string& library : options.libraries) {
        int code = Process(options, library);
        if (code != kSucceeded) ExitProcess(static_cast<UINT>(code));
    }
    ExitProcess(kSucceeded);
}
