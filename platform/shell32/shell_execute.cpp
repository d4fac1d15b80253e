// ShellExecuteA and ShellExecuteExA: what the shell starts for a verb and a file.
//
// - A program (.exe, .com, .bat, .cmd) opened with the default verb or "open" is started itself with
//   the parameters.
// - A shortcut (.lnk) opened so starts what it points at, with its arguments, in its working folder.
// - Any other file, and a folder, goes through its class in HKEY_CLASSES_ROOT: the extension's key names
//   the ProgID ("Directory" for a folder), whose shell\<verb>\command is the command line, with %1 (or
//   %L, %0) replaced by the file's path and %* by the parameters; a command without %1 gets the path
//   appended. Without a verb the class's default verb is taken (the default value of its shell key),
//   else "open", else its first verb.
// - An address ("http:...", "mailto:...", any scheme of two or more letters) goes through its protocol's
//   class, HKEY_CLASSES_ROOT\<scheme>, the same way; a "file:" address names a file and is opened as one.
//
// Every start is a CreateProcessA in the machine, with the folder asked for and the show command in its
// STARTUPINFOA. ShellExecuteA's result is a value above 32 on success, else the error: 2 (file not
// found), 3 (path not found), 31 (SE_ERR_NOASSOC: no class, or no command for the verb), 11 (a file
// that is no program), 5 (anything else).
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "platform/advapi32/registry_key.h"
#include "platform/machine/text.h"
#include "platform/shell32/shell_link_file.h"
#include "shellapi.h"
#include "windows.h"

namespace {

// What ShellExecuteA returns for a start: Windows hands out this value, which is no module.
constexpr ULONG_PTR kStarted = 42;

constexpr const char* kProgramExtensions[] = {".exe", ".com", ".bat", ".cmd"};

struct Request {
    std::string verb;  // empty: the default verb
    std::string file;
    std::string parameters;
    std::string directory;  // empty: the caller's current folder
    int show = SW_SHOWNORMAL;
    bool keepProcess = false;
};

struct Outcome {
    DWORD error = 0;  // the Win32 error of a failure, 0 on success
    HANDLE process = nullptr;
};

bool IsOpenVerb(const std::string& verb) {
    return verb.empty() || platform::EqualsNoCase(verb, "open");
}

std::string ExtensionOf(const std::string& path) {
    std::size_t dot = path.find_last_of('.');
    std::size_t slash = path.find_last_of('\\');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

bool IsProgram(const std::string& path) {
    std::string extension = ExtensionOf(path);
    for (const char* program : kProgramExtensions)
        if (platform::EqualsNoCase(extension, program)) return true;
    return false;
}

// The scheme of an address ("http" of "http://x"): two or more characters before the first ':', a
// letter and then letters, digits, '+', '-' or '.'. One letter is a drive.
std::optional<std::string> SchemeOf(const std::string& text) {
    std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 2) return std::nullopt;
    if (!std::isalpha(static_cast<unsigned char>(text[0]))) return std::nullopt;
    for (std::size_t index = 1; index < colon; ++index) {
        char character = text[index];
        if (!std::isalnum(static_cast<unsigned char>(character)) && character != '+' && character != '-' &&
            character != '.')
            return std::nullopt;
    }
    return text.substr(0, colon);
}

// The path a "file:" address names: "file:///C:/a%20b/x.txt" is C:\a b\x.txt.
std::string PathOfFileAddress(const std::string& address) {
    std::string rest = address.substr(5);
    std::size_t slashes = 0;
    while (slashes < rest.size() && rest[slashes] == '/') ++slashes;
    // "file://server/share" keeps its two slashes as a network path; "file:///C:/" loses all three.
    if (slashes == 2) {
        rest = "\\\\" + rest.substr(2);
    } else {
        rest = rest.substr(slashes);
    }
    std::string path;
    for (std::size_t index = 0; index < rest.size(); ++index) {
        char character = rest[index];
        if (character == '%' && index + 2 < rest.size() &&
            std::isxdigit(static_cast<unsigned char>(rest[index + 1])) &&
            std::isxdigit(static_cast<unsigned char>(rest[index + 2]))) {
            path += static_cast<char>(std::stoi(rest.substr(index + 1, 2), nullptr, 16));
            index += 2;
        } else {
            path += character == '/' ? '\\' : character;
        }
    }
    return path;
}

std::string CurrentFolder() {
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

// The file's full path, a relative one taken in the directory asked for (else the current folder).
std::string FullPathIn(const std::string& file, const std::string& directory) {
    bool full = (file.size() >= 2 && file[1] == ':') || (!file.empty() && file[0] == '\\');
    if (full) return file;
    std::string folder = directory.empty() ? CurrentFolder() : directory;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder + file;
}

std::string Quoted(const std::string& text) {
    return text.find(' ') == std::string::npos ? text : "\"" + text + "\"";
}

// The class's command for the verb, or nothing.
std::optional<std::string> CommandOf(const std::string& classKey, const std::string& verb) {
    platform::RegistryKey shell;
    if (shell.Open(HKEY_CLASSES_ROOT, classKey + "\\shell") != ERROR_SUCCESS) return std::nullopt;
    std::vector<std::string> verbs;
    if (!verb.empty()) {
        verbs.push_back(verb);
    } else {
        std::optional<std::string> defaultVerb = shell.String(nullptr);
        if (defaultVerb && !defaultVerb->empty()) verbs.push_back(*defaultVerb);
        verbs.push_back("open");
        std::vector<std::string> subkeys = shell.Subkeys();
        if (!subkeys.empty()) verbs.push_back(subkeys.front());
    }
    for (const std::string& candidate : verbs) {
        platform::RegistryKey command;
        if (command.Open(shell.handle(), candidate + "\\command") != ERROR_SUCCESS) continue;
        std::optional<std::string> text = command.String(nullptr);
        if (text && !text->empty()) return text;
    }
    return std::nullopt;
}

// The command line a class's command gives for the file (or address) and the parameters.
std::string CommandLineFor(const std::string& command, const std::string& target,
                           const std::string& parameters) {
    std::string line;
    bool targetPlaced = false;
    bool parametersPlaced = false;
    for (std::size_t index = 0; index < command.size(); ++index) {
        char character = command[index];
        if (character != '%' || index + 1 == command.size()) {
            line += character;
            continue;
        }
        char next = command[++index];
        if (next == '1' || next == 'L' || next == 'l' || next == '0') {
            line += target;
            targetPlaced = true;
        } else if (next == '*') {
            line += parameters;
            parametersPlaced = true;
        } else if (next == '%') {
            line += '%';
        } else if (!std::isdigit(static_cast<unsigned char>(next))) {
            // Not one of the shell's placeholders (an environment variable's name): kept as written.
            line += '%';
            line += next;
        }
        // %2 to %9: the parameters are not split among them, they stay empty.
    }
    if (!targetPlaced) line += " " + Quoted(target);
    if (!parametersPlaced && !parameters.empty()) line += " " + parameters;
    return line;
}

Outcome Start(const std::string& commandLine, const Request& request) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(request.show);
    PROCESS_INFORMATION information{};
    std::string text = commandLine;
    if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        request.directory.empty() ? nullptr : request.directory.c_str(), &startup,
                        &information))
        return {GetLastError(), nullptr};
    CloseHandle(information.hThread);
    if (!request.keepProcess) {
        CloseHandle(information.hProcess);
        return {};
    }
    return {0, information.hProcess};
}

Outcome ThroughClass(const std::vector<std::string>& classKeys, const std::string& target,
                     const Request& request) {
    for (const std::string& classKey : classKeys) {
        if (classKey.empty()) continue;
        if (std::optional<std::string> command = CommandOf(classKey, request.verb))
            return Start(CommandLineFor(*command, target, request.parameters), request);
    }
    return {ERROR_NO_ASSOCIATION, nullptr};
}

Outcome Execute(Request request, int depth = 0);

// A shortcut starts its target with its own arguments in its working folder.
Outcome ThroughShortcut(const std::string& path, const Request& request, int depth) {
    std::optional<platform::shell::ShellLinkData> link = platform::shell::ReadShellLinkFile(path);
    if (!link) return {GetLastError(), nullptr};
    if (link->path.empty()) return {ERROR_FILE_NOT_FOUND, nullptr};
    Request target = request;
    target.file = link->path;
    target.parameters = link->arguments;
    if (!request.parameters.empty())
        target.parameters += (target.parameters.empty() ? "" : " ") + request.parameters;
    target.directory = link->workingDirectory.empty() ? request.directory : link->workingDirectory;
    if (request.show == SW_SHOWNORMAL) target.show = link->showCommand;
    return Execute(target, depth + 1);
}

Outcome Execute(Request request, int depth) {
    if (request.file.empty() || depth > 8) return {ERROR_FILE_NOT_FOUND, nullptr};
    if (std::optional<std::string> scheme = SchemeOf(request.file)) {
        if (!platform::EqualsNoCase(*scheme, "file")) return ThroughClass({*scheme}, request.file, request);
        request.file = PathOfFileAddress(request.file);
    }
    std::string path = FullPathIn(request.file, request.directory);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        // A program named without a folder is looked for where CreateProcessA looks.
        bool bareName = request.file.find_first_of("\\:") == std::string::npos;
        if (bareName && IsProgram(request.file) && IsOpenVerb(request.verb)) {
            std::string line = request.file + (request.parameters.empty() ? "" : " " + request.parameters);
            return Start(line, request);
        }
        return {
            static_cast<DWORD>(error == ERROR_PATH_NOT_FOUND ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND),
            nullptr};
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ThroughClass({"Directory", "Folder"}, path, request);
    if (IsProgram(path) && IsOpenVerb(request.verb)) {
        std::string line = "\"" + path + "\"" + (request.parameters.empty() ? "" : " " + request.parameters);
        return Start(line, request);
    }
    std::string extension = ExtensionOf(path);
    if (platform::EqualsNoCase(extension, ".lnk") && IsOpenVerb(request.verb))
        return ThroughShortcut(path, request, depth);
    if (extension.empty()) return {ERROR_NO_ASSOCIATION, nullptr};
    std::string progId;
    platform::RegistryKey extensionKey;
    if (extensionKey.Open(HKEY_CLASSES_ROOT, extension) == ERROR_SUCCESS)
        progId = extensionKey.String(nullptr).value_or("");
    return ThroughClass({progId, extension}, path, request);
}

// ShellExecuteA's result for a failure's error.
ULONG_PTR ResultOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_ACCESS_DENIED:
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_BAD_FORMAT:
            return error;
        case ERROR_DIRECTORY:
            return SE_ERR_PNF;
        case ERROR_BAD_EXE_FORMAT:
            return ERROR_BAD_FORMAT;
        case ERROR_NO_ASSOCIATION:
            return SE_ERR_NOASSOC;
        default:
            return SE_ERR_ACCESSDENIED;
    }
}

std::string TextOf(LPCSTR text) {
    return text ? text : "";
}

}  // namespace

extern "C" BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA* pExecInfo) {
    if (!pExecInfo || pExecInfo->cbSize != sizeof(SHELLEXECUTEINFOA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Request request{TextOf(pExecInfo->lpVerb),
                    TextOf(pExecInfo->lpFile),
                    TextOf(pExecInfo->lpParameters),
                    TextOf(pExecInfo->lpDirectory),
                    pExecInfo->nShow,
                    (pExecInfo->fMask & SEE_MASK_NOCLOSEPROCESS) != 0};
    pExecInfo->hProcess = nullptr;
    Outcome outcome = Execute(request);
    if (outcome.error) {
        pExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(ResultOf(outcome.error));
        SetLastError(outcome.error);
        return FALSE;
    }
    pExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(kStarted);
    pExecInfo->hProcess = outcome.process;
    return TRUE;
}

extern "C" HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                                          LPCSTR lpDirectory, INT nShowCmd) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.hwnd = hwnd;
    info.lpVerb = lpOperation;
    info.lpFile = lpFile;
    info.lpParameters = lpParameters;
    info.lpDirectory = lpDirectory;
    info.nShow = nShowCmd;
    ShellExecuteExA(&info);
    return info.hInstApp;
}
