// The process's environment variables, as a program of the machine's system starts with them, and
// the temporary folder they name.
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel32/kernel32_internal.h"
#include "platform/machine/files/host_path.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/text.h"
#include "windows.h"

namespace {

using platform::Machine;

struct NoCaseLess {
    bool operator()(const std::string& left, const std::string& right) const {
        return platform::CompareNoCase(left, right) < 0;
    }
};

using Variables = std::map<std::string, std::string, NoCaseLess>;

// The variables Windows sets for a user's programs on each system.
Variables StartingVariables(const Machine& machine) {
    const platform::MachineSettings& settings = machine.settings();
    Variables variables;
    variables["TEMP"] = settings.tempFolder;
    variables["TMP"] = settings.tempFolder;
    variables["windir"] = settings.windowsFolder;
    variables["PATH"] = settings.systemFolder + ";" + settings.windowsFolder;
    variables["PATHEXT"] = ".COM;.EXE;.BAT";
    if (!machine.IsNT()) {
        variables["COMSPEC"] = settings.windowsFolder + "\\COMMAND.COM";
        variables["winbootdir"] = settings.windowsFolder;
        return variables;
    }
    variables["SystemRoot"] = settings.windowsFolder;
    variables["SystemDrive"] = settings.windowsFolder.substr(0, 2);
    variables["ComSpec"] = settings.systemFolder + "\\cmd.exe";
    variables["OS"] = "Windows_NT";
    variables["COMPUTERNAME"] = settings.computerName;
    variables["USERNAME"] = settings.userName;
    if (settings.os.majorVersion >= 5) {
        variables["ProgramFiles"] = settings.programFilesFolder;
        variables["USERPROFILE"] = "C:\\Documents and Settings\\" + settings.userName;
        variables["ALLUSERSPROFILE"] = "C:\\Documents and Settings\\All Users";
    }
    return variables;
}

class Environment {
public:
    static Environment& Instance() {
        static Environment* environment = new Environment;
        return *environment;
    }

    // Runs `action` on the variables of this process in the current machine.
    template <typename Action>
    auto With(Action action) {
        Machine& machine = Machine::Current();
        std::lock_guard<std::mutex> lock(mutex_);
        if (folder_ != machine.folder()) {
            variables_ = StartingVariables(machine);
            folder_ = machine.folder();
        }
        return action(variables_);
    }

private:
    std::mutex mutex_;
    std::filesystem::path folder_;
    Variables variables_;
};

// Replaces each %NAME% of a defined variable by its value; other text is kept as it is.
std::string Expand(const Variables& variables, std::string_view text) {
    std::string result;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t start = text.find('%', position);
        if (start == std::string_view::npos) break;
        std::size_t end = text.find('%', start + 1);
        if (end == std::string_view::npos) break;
        result.append(text.substr(position, start - position));
        auto found = variables.find(std::string(text.substr(start + 1, end - start - 1)));
        if (found != variables.end() && end > start + 1) {
            result += found->second;
            position = end + 1;
        } else {
            // Not a variable: the first '%' stays and the second may open the next name.
            result += '%';
            position = start + 1;
        }
    }
    result.append(text.substr(position));
    return result;
}

// A folder named by a variable, made full as GetFullPathNameA would; as written when it is no path.
std::string FullFolder(const std::string& value) {
    std::optional<platform::WindowsPath> full = platform::FullWindowsPath(value);
    return full ? full->ToString() : value;
}

bool IsExistingFolder(const std::string& value) {
    std::optional<platform::HostPath> path = platform::ResolveHostPath(value);
    return path && path->exists && path->isDirectory;
}

// NT takes the first of TMP, TEMP and USERPROFILE that is set, without looking whether its folder
// exists, and else the Windows folder. Windows 95, 98 and Me take TMP or TEMP only when it names an
// existing folder, and else the current folder.
std::string TempFolder(const Machine& machine) {
    const std::vector<const char*> names =
        machine.IsNT() ? std::vector<const char*>{"TMP", "TEMP", "USERPROFILE"} : std::vector<const char*>{"TMP", "TEMP"};
    std::vector<std::string> values = Environment::Instance().With([&](Variables& variables) {
        std::vector<std::string> set;
        for (const char* name : names) {
            auto found = variables.find(name);
            if (found != variables.end() && !found->second.empty()) set.push_back(found->second);
        }
        return set;
    });
    for (const std::string& value : values) {
        if (machine.IsNT() || IsExistingFolder(value)) return FullFolder(value);
    }
    return machine.IsNT() ? machine.settings().windowsFolder : platform::CurrentProcess().currentDirectory();
}

}  // namespace

extern "C" DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
    if (!lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Environment::Instance().With([&](Variables& variables) -> DWORD {
        auto found = variables.find(lpName);
        if (found == variables.end()) {
            SetLastError(ERROR_ENVVAR_NOT_FOUND);
            return 0;
        }
        return platform::CopyOutOrNeeded(found->second, lpBuffer, nSize);
    });
}

extern "C" BOOL WINAPI SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue) {
    if (!lpName || !*lpName || std::strchr(lpName, '=')) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return Environment::Instance().With([&](Variables& variables) -> BOOL {
        if (lpValue) {
            variables[lpName] = lpValue;
            return TRUE;
        }
        if (variables.erase(lpName) == 0) {
            SetLastError(ERROR_ENVVAR_NOT_FOUND);
            return FALSE;
        }
        return TRUE;
    });
}

extern "C" DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize) {
    if (!lpSrc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string expanded = Environment::Instance().With([&](Variables& variables) { return Expand(variables, lpSrc); });
    // Unlike the other string calls, the count includes the terminator whether or not it fit.
    DWORD needed = static_cast<DWORD>(expanded.size() + 1);
    if (lpDst && nSize >= needed) std::memcpy(lpDst, expanded.c_str(), needed);
    return needed;
}

extern "C" DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::string folder = TempFolder(Machine::Current());
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return platform::CopyOutOrNeeded(folder, lpBuffer, nBufferLength);
}
