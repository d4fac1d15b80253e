#include "platform/machine/boot.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/machine/files/file_attributes.h"
#include "platform/machine/files/host_path.h"
#include "platform/machine/files/ini_document.h"
#include "platform/machine/machine.h"
#include "platform/machine/services/service_store.h"
#include "platform/machine/sqlite_database.h"
#include "platform/machine/state.h"
#include "platform/machine/text.h"
#include "winuser.h"

namespace platform {

namespace {

void CreateRestartTable(SqliteDatabase& database) {
    database.Execute(
        "CREATE TABLE IF NOT EXISTS restart_request(id INTEGER PRIMARY KEY CHECK(id = 1), flags INTEGER NOT "
        "NULL)");
}

// A path of a pending operation where it lives now; 0 when it resolves, else the Windows error.
DWORD ResolveAtBoot(Machine& machine, const std::string& windowsPath, HostPath& resolved) {
    DWORD error = 0;
    std::optional<WindowsPath> path = ParseWindowsPath(windowsPath, "C:\\", &error);
    if (!path) return error ? error : ERROR_INVALID_NAME;
    // A pending operation acts on the entry itself, a host link included, and never through a link.
    std::optional<HostPath> host = ResolveHostEntry(machine, *path, &error);
    if (!host) return error ? error : ERROR_PATH_NOT_FOUND;
    resolved = *host;
    return 0;
}

DWORD MissingError(const HostPath& path) {
    return path.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD DeleteAtBoot(Machine& machine, const std::string& windowsPath) {
    HostPath path;
    if (DWORD error = ResolveAtBoot(machine, windowsPath, path)) return error;
    std::string longPath = path.longPath.ToString();
    if (!path.exists) return MissingError(path);
    if (path.isDirectory) {
        if (DWORD error = InjectedFault(fault_target::kFile, longPath, "removedirectory")) return error;
        std::error_code error;
        if (!std::filesystem::is_empty(path.host, error)) return ERROR_DIR_NOT_EMPTY;
        if (::rmdir(path.host.c_str()) != 0) return ERROR_ACCESS_DENIED;
    } else {
        if (DWORD error = InjectedFault(fault_target::kFile, longPath, "delete")) return error;
        if (!path.reparsePoint && IsReadOnlyOnHost(path.host)) return ERROR_ACCESS_DENIED;
        if (::unlink(path.host.c_str()) != 0) return ERROR_ACCESS_DENIED;
    }
    ForgetEntry(machine, path.host);
    NoteFilesChanged(machine);
    return 0;
}

bool SameVolume(const WindowsPath& left, const WindowsPath& right) {
    if (left.drive != right.drive) return false;
    return !left.IsNetwork() ||
           (EqualsNoCase(left.server, right.server) && EqualsNoCase(left.share, right.share));
}

DWORD MoveAtBoot(Machine& machine, const std::string& sourcePath, const std::string& destinationPath,
                 bool replace) {
    HostPath source;
    if (DWORD error = ResolveAtBoot(machine, sourcePath, source)) return error;
    HostPath destination;
    if (DWORD error = ResolveAtBoot(machine, destinationPath, destination)) return error;
    if (DWORD error = InjectedFault(fault_target::kFile, source.longPath.ToString(), "move")) return error;
    if (DWORD error = InjectedFault(fault_target::kFile, destination.longPath.ToString(), "move"))
        return error;
    if (!source.exists) return MissingError(source);
    if (!destination.parentExists) return ERROR_PATH_NOT_FOUND;
    if (!SameVolume(source.longPath, destination.longPath)) return ERROR_NOT_SAME_DEVICE;
    if (destination.exists) {
        if (!replace) return ERROR_ALREADY_EXISTS;
        if (destination.isDirectory || source.isDirectory ||
            (!destination.reparsePoint && IsReadOnlyOnHost(destination.host))) {
            return ERROR_ACCESS_DENIED;
        }
    }
    if (std::rename(source.host.c_str(), destination.host.c_str()) != 0) return ERROR_ACCESS_DENIED;
    MoveEntry(machine, source.host, destination.host);
    NoteFilesChanged(machine);
    ShortNameOf(machine, destination.host.parent_path(), destination.host.filename().string());
    return 0;
}

std::string Outcome(DWORD error) {
    return error ? "failed with error " + std::to_string(error) : "done";
}

std::string ReadHostText(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

// WININIT.INI of Windows 95, 98 and Me: its [rename] entries, then the file kept as WININIT.BAK.
void RunWininit(Machine& machine, std::vector<std::string>& report) {
    HostPath wininit;
    if (ResolveAtBoot(machine, machine.settings().windowsFolder + "\\WININIT.INI", wininit) != 0) return;
    if (!wininit.exists || wininit.isDirectory || wininit.reparsePoint) return;
    IniDocument document(ReadHostText(wininit.host));
    if (const IniDocument::Section* section = document.FindSection("rename")) {
        for (const IniDocument::Entry& entry : section->entries) {
            if (!entry.hasEquals) continue;
            std::string destination(entry.name);
            std::string source(entry.value);
            DWORD error = EqualsNoCase(destination, "NUL") ? DeleteAtBoot(machine, source)
                                                           : MoveAtBoot(machine, source, destination, true);
            report.push_back("WININIT.INI " + destination + "=" + source + ": " + Outcome(error));
        }
    }
    std::filesystem::path backup = wininit.host.parent_path() / "WININIT.BAK";
    HostPath existing;
    if (ResolveAtBoot(machine, machine.settings().windowsFolder + "\\WININIT.BAK", existing) == 0 &&
        existing.exists) {
        backup = existing.host;
    }
    if (std::rename(wininit.host.c_str(), backup.c_str()) != 0) {
        report.push_back("WININIT.INI could not be renamed to WININIT.BAK");
        return;
    }
    IniFileCache::Instance().Forget(wininit.host);
    MoveEntry(machine, wininit.host, backup);
    NoteFilesChanged(machine);
    ShortNameOf(machine, backup.parent_path(), backup.filename().string());
    report.push_back("WININIT.INI renamed to WININIT.BAK");
}

}  // namespace

void RecordRestartRequest(Machine& machine, DWORD flags) {
    machine.WithState([&](SqliteDatabase& database) {
        CreateRestartTable(database);
        SqliteStatement insert(database, "INSERT OR REPLACE INTO restart_request(id, flags) VALUES(1, ?)");
        insert.Bind(1, flags);
        insert.Step();
    });
}

std::optional<DWORD> PendingRestartRequest(Machine& machine) {
    std::optional<DWORD> flags;
    machine.WithState([&](SqliteDatabase& database) {
        CreateRestartTable(database);
        SqliteStatement select(database, "SELECT flags FROM restart_request WHERE id = 1");
        if (select.Step()) flags = static_cast<DWORD>(select.Int(0));
    });
    return flags;
}

std::string ExitWindowsFlagNames(DWORD flags) {
    static constexpr std::pair<DWORD, const char*> kNames[] = {
        {EWX_SHUTDOWN, "EWX_SHUTDOWN"}, {EWX_REBOOT, "EWX_REBOOT"},           {EWX_POWEROFF, "EWX_POWEROFF"},
        {EWX_FORCE, "EWX_FORCE"},       {EWX_FORCEIFHUNG, "EWX_FORCEIFHUNG"},
    };
    std::string names;
    if (!(flags & (EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF))) names = "EWX_LOGOFF";
    DWORD known = 0;
    for (const auto& [flag, name] : kNames) {
        known |= flag;
        if (!(flags & flag)) continue;
        if (!names.empty()) names += '|';
        names += name;
    }
    if (DWORD unknown = flags & ~known) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", unknown);
        names += '|';
        names += text;
    }
    return names;
}

std::vector<std::string> RestartMachine(Machine& machine) {
    std::vector<std::string> report;
    std::optional<DWORD> request = PendingRestartRequest(machine);
    report.push_back(request ? "restart requested with " + ExitWindowsFlagNames(*request)
                             : "restart not requested by any program");
    for (const BootOperation& operation : ListBootOperations(machine)) {
        if (operation.destination.empty()) {
            report.push_back("delete " + operation.source + ": " +
                             Outcome(DeleteAtBoot(machine, operation.source)));
        } else {
            DWORD error = MoveAtBoot(machine, operation.source, operation.destination,
                                     (operation.flags & MOVEFILE_REPLACE_EXISTING) != 0);
            report.push_back("move " + operation.source + " to " + operation.destination + ": " +
                             Outcome(error));
        }
    }
    ClearBootOperations(machine);
    if (!machine.IsNT()) RunWininit(machine, report);
    if (machine.IsNT()) {
        for (std::string& line : services::RestartServices(machine)) report.push_back(std::move(line));
    }
    machine.WithState([](SqliteDatabase& database) {
        CreateRestartTable(database);
        database.Execute("DELETE FROM restart_request");
    });
    return report;
}

}  // namespace platform
