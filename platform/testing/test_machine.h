// A temporary machine for a test: built from an OS profile, registry text and files, attached to the
// test process for its lifetime and removed afterwards.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/machine/processes/process_table.h"
#include "platform/machine/state.h"
#include "platform/machine/storage/removable_storage.h"

namespace platform {

class TestMachine {
public:
    explicit TestMachine(OsKind os = OsKind::WindowsXP, int servicePack = -1);
    // A machine with settings changed before it is created (languages, drives, absent libraries...).
    explicit TestMachine(const MachineSettings& settings);
    ~TestMachine();
    TestMachine(const TestMachine&) = delete;
    TestMachine& operator=(const TestMachine&) = delete;

    Machine& machine() { return *machine_; }
    const std::filesystem::path& folder() const { return folder_; }

    // REGEDIT4 text ("REGEDIT4" header optional).
    TestMachine& Registry(std::string_view regText);
    std::string ExportRegistry(std::string_view keyPath = "");
    // Writes a file at a Windows path, creating its folders.
    TestMachine& File(std::string_view windowsPath, std::string_view contents);
    TestMachine& Folder(std::string_view windowsPath);
    // A share of a network server (\\server\share), empty, for File and the file calls to reach.
    TestMachine& NetworkShare(std::string_view server, std::string_view share);
    // A program stub naming the built program `hostProgram`, with its version fields ("FileVersion", ...).
    TestMachine& Program(std::string_view windowsPath, std::string_view hostProgram,
                         const std::vector<std::pair<std::string, std::string>>& versionFields = {});
    std::string ReadFile(std::string_view windowsPath);
    bool Exists(std::string_view windowsPath);
    std::filesystem::path HostPath(std::string_view windowsPath);

    // Faults by the targets of platform::fault_target.
    TestMachine& Fault(std::string_view target, std::string_view object, std::string_view operation, DWORD error,
                       int times = -1);
    TestMachine& ClearFaults();
    TestMachine& Answer(std::string_view answer);
    // What the user was shown, without the lines naming the windows' pictures; with them.
    std::string Transcript();
    std::string TranscriptWithPictures();
    TestMachine& ClearTranscript();

    // Windows NT services: a service's state as the service control manager reports it (SERVICE_RUNNING,
    // SERVICE_STOPPED), set as if it had started or stopped; without it a service runs when it starts
    // with the system. A service that refuses to stop is a fault (fault_target::kService, "stop").
    TestMachine& ServiceState(std::string_view name, DWORD state);
    DWORD ServiceState(std::string_view name);
    // The handles the machine's processes hold to a service.
    int ServiceHandleCount(std::string_view name);
    // A Plug and Play device whose removal asks for a restart with these DI_ flags (DI_NEEDRESTART,
    // DI_NEEDREBOOT) in its install parameters.
    TestMachine& DeviceRemovalRestart(std::string_view instanceId, DWORD flags);

    // The removable-storage manager's database: a drive with its id ("{...}"), description and operational
    // state (NTMS_READY, NTMS_NOT_PRESENT); the drives left, in the order added; the sessions the
    // machine's processes hold open. Its session errors are faults (fault_target::kRemovableStorage).
    TestMachine& RemovableStorageDrive(std::string_view id, std::string_view description, DWORD operationalState);
    std::vector<removable_storage::StorageDrive> RemovableStorageDrives();
    int RemovableStorageSessions();

    // The file operations pending for the next start, in the order recorded.
    std::vector<BootOperation> BootOperations();
    TestMachine& ClearBootOperations();
    // The EWX_ flags of the restart or shut-down a program asked for, if any.
    std::optional<DWORD> PendingRestart();
    // Restarts the machine as `winmachine reboot` does; what was done, one line per operation.
    std::vector<std::string> Restart();

    // Where GetModuleFileNameA says the running program is, and its command line.
    TestMachine& Module(std::string_view windowsPath);
    TestMachine& CommandLine(std::string_view commandLine);

    // A Windows Installer product registered as msiexec finds it (platform/programs/msiexec): its entry in
    // the list of installed programs, its Installer keys, and one component for each of its files and
    // keys (under HKEY_LOCAL_MACHINE), which are made too.
    TestMachine& InstallerProduct(std::string_view productCode, std::string_view name,
                                  const std::vector<std::string>& files, const std::vector<std::string>& keys);

    // Puts the machine's clock on virtual time from the given moment (UTC): Sleep and timed waits then
    // move the clock on instead of waiting.
    TestMachine& UseVirtualClock(std::time_t start);
    // Marks a file in use, as another program holds it, for that long on the machine's clock: it can be
    // read, but deleting, renaming or writing it fails with ERROR_SHARING_VIOLATION until then.
    TestMachine& FileInUse(std::string_view windowsPath, std::int64_t milliseconds);

    // A process of other software running in the machine, with its windows and its reactions
    // (process_table.h); its ids and window handles.
    DeclaredIds DeclareProcess(const DeclaredProcess& process);
    bool ProcessRunning(DWORD processId);
    // What the declared process was asked: "WM_CLOSE <title>", "WM_QUIT <title>", "WM_QUIT thread",
    // "OpenProcess", "TerminateProcess".
    std::vector<std::string> ProcessRequests(DWORD processId);
    // The kernel handles the test process holds open (files, searches, processes, snapshots...).
    std::size_t OpenHandleCount();

private:
    void Create(const MachineSettings& settings);
    std::filesystem::path folder_;
    Machine* machine_ = nullptr;
};

// Captures what the process writes to standard output (printf included) between construction and Take().
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    std::string Take();

private:
    int savedDescriptor_ = -1;
    std::filesystem::path file_;
    bool active_ = false;
};

}  // namespace platform
