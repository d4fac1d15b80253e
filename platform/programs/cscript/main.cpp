// cscript.exe: the console script host. Runs a .vbs script with the WScript object, writing what the
// script echoes, and any error that ends it, to standard output.
//
//     cscript [//nologo] [//logo] [//B] [//I] <script.vbs> [arguments]
//
// Arguments starting with // belong to the host wherever they stand; the others after the script's
// name are the script's (WScript.Arguments). The banner "Windows Script Host Version 5.6" and a blank
// line come first unless //nologo or //B is given; //B (batch mode) also leaves errors unprinted.
// The exit code is 0 when the script runs to its end, the code given to WScript.Quit, and 1 when the
// script cannot be read or compiled or ends with an error. Lines end with "\n".
#include <cstdio>
#include <string>
#include <vector>

#include "host_object.h"
#include "interpreter.h"
#include "objbase.h"
#include "parser.h"
#include "windows.h"

namespace {

constexpr char kBanner[] = "Windows Script Host Version 5.6\n\n";
constexpr char kUsage[] =
    "Usage: CScript scriptname.extension [option...] [arguments...]\n"
    "\n"
    "Options:\n"
    " //B         Batch mode: Suppresses script errors and prompts from displaying\n"
    " //I         Interactive mode (default, opposite of //B)\n"
    " //Logo      Display logo (default)\n"
    " //Nologo    Prevent logo display: No banner will be shown at execution time\n";
constexpr char kUnknownOption[] = "Input Error: Unknown option \"%s\" specified.\n";
constexpr char kScriptNotFound[] = "Input Error: Can not find script file \"%s\".\n";
constexpr char kNoEngine[] = "Input Error: There is no script engine for file extension \"%s\".\n";

constexpr int kFailureExitCode = 1;

void WriteLine(std::u16string_view line) {
    std::string text = vbscript::AnsiFromWide(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH] = {};
    DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

std::string ExtensionOf(const std::string& path) {
    size_t dot = path.rfind('.');
    size_t slash = path.find_last_of("\\/:");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

// The script's text: UTF-16 when the file starts with its byte-order mark, else ANSI text.
bool ReadScript(const std::string& path, std::u16string& script) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr) != FALSE) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    if (!ok) return false;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        for (size_t at = 2; at + 1 < bytes.size(); at += 2)
            script += static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                            (static_cast<unsigned char>(bytes[at + 1]) << 8));
        return true;
    }
    script = vbscript::WideFromAnsi(bytes);
    return true;
}

// Initialises COM on the script's thread while the script runs.
class ComThread {
  public:
    ComThread() { CoInitialize(nullptr); }
    ~ComThread() { CoUninitialize(); }
    ComThread(const ComThread&) = delete;
    ComThread& operator=(const ComThread&) = delete;
};

int RunHost(int argc, char** argv) {
    bool logo = true;
    bool batch = false;
    std::string scriptName;
    std::vector<std::u16string> scriptArguments;
    for (int index = 1; index < argc; ++index) {
        std::string argument = argv[index];
        if (argument.rfind("//", 0) == 0) {
            std::string option = argument.substr(2);
            if (lstrcmpiA(option.c_str(), "nologo") == 0) {
                logo = false;
            } else if (lstrcmpiA(option.c_str(), "logo") == 0) {
                logo = true;
            } else if (lstrcmpiA(option.c_str(), "b") == 0) {
                batch = true;
            } else if (lstrcmpiA(option.c_str(), "i") == 0) {
                batch = false;
            } else {
                std::printf(kUnknownOption, argument.c_str());
                return kFailureExitCode;
            }
        } else if (scriptName.empty()) {
            scriptName = argument;
        } else {
            scriptArguments.push_back(vbscript::WideFromAnsi(argument));
        }
    }
    if (logo && !batch) std::fputs(kBanner, stdout);
    if (scriptName.empty()) {
        std::fputs(kUsage, stdout);
        return kFailureExitCode;
    }
    std::string path = FullPath(scriptName);
    std::u16string widePath = vbscript::WideFromAnsi(path);
    std::string extension = ExtensionOf(path);
    if (lstrcmpiA(extension.c_str(), ".vbs") != 0) {
        std::printf(kNoEngine, extension.c_str());
        return kFailureExitCode;
    }
    std::u16string script;
    if (!ReadScript(path, script)) {
        std::printf(kScriptNotFound, path.c_str());
        return kFailureExitCode;
    }
    vbscript::ParseResult parsed = vbscript::Parse(script);
    if (parsed.error) {
        if (!batch) WriteLine(vbscript::CompileErrorLine(widePath, *parsed.error));
        return kFailureExitCode;
    }
    ComThread com;
    vbscript::Interpreter interpreter;
    vbscript::ComPointer<IDispatch> host =
        vbscript::MakeHostObject(interpreter, WriteLine, std::move(scriptArguments));
    interpreter.AddNamedObject(u"WScript", host.get());
    vbscript::RunResult result = interpreter.Run(parsed.program);
    if (result.error) {
        if (!batch) WriteLine(vbscript::RuntimeErrorLine(widePath, *result.error));
        return kFailureExitCode;
    }
    return result.exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = RunHost(argc, argv);
    // ExitProcess hands the whole 32-bit code to the program that started this one.
    ExitProcess(static_cast<UINT>(exitCode));
}
