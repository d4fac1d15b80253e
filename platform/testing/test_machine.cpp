#include "platform/testing/test_machine.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/machine/boot.h"
#include "platform/machine/files/file_sharing.h"
#include "platform/machine/guid_text.h"
#include "platform/machine/files/host_path.h"
#include "platform/machine/kernel/clock.h"
#include "platform/machine/kernel/handle_table.h"
#include "platform/machine/kernel/virtual_time.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/processes/program_stub.h"
#include "platform/machine/registry/registry_store.h"
#include "platform/machine/services/service_store.h"
#include "platform/machine/state.h"
#include "platform/machine/ui/user_interface.h"
#include "installer_product.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

fs::path NewTemporaryFolder(const char* prefix) {
    static std::atomic<int> counter{0};
    fs::path base = fs::temp_directory_path();
    for (;;) {
        fs::path candidate = base / (std::string(prefix) + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        if (fs::create_directory(candidate)) return candidate;
    }
}

}  // namespace

TestMachine::TestMachine(OsKind os, int servicePack) { Create(MachineSettings::Defaults(os, servicePack)); }

TestMachine::TestMachine(const MachineSettings& settings) { Create(settings); }

void TestMachine::Create(const MachineSettings& settings) {
    folder_ = NewTemporaryFolder("winmachine-test-");
    CreateMachine(folder_, settings);
    machine_ = &Machine::Attach(folder_);
}

TestMachine::~TestMachine() {
    EndVirtualTimeParticipants(*KernelNamespace::ForMachine(folder_));
    Machine::Detach();
    std::error_code error;
    fs::remove_all(folder_, error);
}

TestMachine& TestMachine::Registry(std::string_view regText) {
    ImportRegistryText(*machine_, regText, RegistryTextHeader::Optional);
    return *this;
}

std::string TestMachine::ExportRegistry(std::string_view keyPath) { return ExportRegistryText(*machine_, keyPath); }

fs::path TestMachine::HostPath(std::string_view windowsPath) {
    std::optional<WindowsPath> path = ParseWindowsPath(windowsPath, "C:\\");
    if (!path) throw std::runtime_error("bad Windows path " + std::string(windowsPath));
    std::optional<platform::HostPath> host = ResolveHostPath(*machine_, *path);
    if (!host) throw std::runtime_error("no drive for " + std::string(windowsPath));
    return host->host;
}

TestMachine& TestMachine::Folder(std::string_view windowsPath) {
    CreateMachineFolder(*machine_, windowsPath);
    return *this;
}

TestMachine& TestMachine::File(std::string_view windowsPath, std::string_view contents) {
    std::optional<WindowsPath> path = ParseWindowsPath(windowsPath, "C:\\");
    if (!path) throw std::runtime_error("bad Windows path " + std::string(windowsPath));
    if (!path->components.empty()) CreateMachineFolder(*machine_, path->Parent().ToString());
    {
        std::ofstream stream(HostPath(windowsPath), std::ios::binary | std::ios::trunc);
        stream << contents;
        if (!stream) throw std::runtime_error("cannot write " + std::string(windowsPath));
    }
    NoteFilesChanged(*machine_);
    return *this;
}

TestMachine& TestMachine::NetworkShare(std::string_view server, std::string_view share) {
    fs::create_directories(machine_->NetworkFolder() / std::string(server) / std::string(share));
    NoteFilesChanged(*machine_);
    return *this;
}

TestMachine& TestMachine::Program(std::string_view windowsPath, std::string_view hostProgram,
                                  const std::vector<std::pair<std::string, std::string>>& versionFields) {
    if (!WriteProgramStub(*machine_, windowsPath, hostProgram, versionFields))
        throw std::runtime_error("cannot write the program stub " + std::string(windowsPath));
    return *this;
}

std::string TestMachine::ReadFile(std::string_view windowsPath) {
    std::ifstream stream(HostPath(windowsPath), std::ios::binary);
    if (!stream) throw std::runtime_error("cannot read " + std::string(windowsPath));
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

bool TestMachine::Exists(std::string_view windowsPath) {
    std::optional<WindowsPath> path = ParseWindowsPath(windowsPath, "C:\\");
    if (!path) return false;
    std::optional<platform::HostPath> host = ResolveHostPath(*machine_, *path);
    return host && host->exists;
}

TestMachine& TestMachine::Fault(std::string_view target, std::string_view object, std::string_view operation,
                                DWORD error, int times) {
    AddFault(*machine_, target, object, operation, error, times);
    return *this;
}

TestMachine& TestMachine::ClearFaults() {
    platform::ClearFaults(*machine_);
    return *this;
}

TestMachine& TestMachine::Answer(std::string_view answer) {
    AddAnswer(*machine_, answer);
    return *this;
}

std::string TestMachine::Transcript() { return WithoutPictureLines(ReadTranscript(*machine_)); }

std::string TestMachine::TranscriptWithPictures() { return ReadTranscript(*machine_); }

TestMachine& TestMachine::ClearTranscript() {
    platform::ClearTranscript(*machine_);
    return *this;
}

TestMachine& TestMachine::ServiceState(std::string_view name, DWORD state) {
    services::SetState(*machine_, name, state);
    return *this;
}

DWORD TestMachine::ServiceState(std::string_view name) { return services::CurrentState(*machine_, name); }

int TestMachine::ServiceHandleCount(std::string_view name) { return services::OpenHandles(*machine_, name); }

TestMachine& TestMachine::DeviceRemovalRestart(std::string_view instanceId, DWORD flags) {
    SetDeviceRemovalRestart(*machine_, instanceId, flags);
    return *this;
}

TestMachine& TestMachine::RemovableStorageDrive(std::string_view id, std::string_view description,
                                                DWORD operationalState) {
    std::optional<GUID> guid = ParseGuid(id);
    if (!guid) throw std::invalid_argument("not a drive id: " + std::string(id));
    removable_storage::AddDrive(*machine_, {*guid, std::string(description), operationalState});
    return *this;
}

std::vector<removable_storage::StorageDrive> TestMachine::RemovableStorageDrives() {
    return removable_storage::ListDrives(*machine_);
}

int TestMachine::RemovableStorageSessions() { return removable_storage::OpenSessions(*machine_); }

std::vector<BootOperation> TestMachine::BootOperations() { return ListBootOperations(*machine_); }

TestMachine& TestMachine::ClearBootOperations() {
    platform::ClearBootOperations(*machine_);
    return *this;
}

std::optional<DWORD> TestMachine::PendingRestart() { return PendingRestartRequest(*machine_); }

std::vector<std::string> TestMachine::Restart() { return RestartMachine(*machine_); }

TestMachine& TestMachine::Module(std::string_view windowsPath) {
    CurrentProcess().setModulePath(std::string(windowsPath));
    return *this;
}

TestMachine& TestMachine::CommandLine(std::string_view commandLine) {
    CurrentProcess().setCommandLine(std::string(commandLine));
    return *this;
}

StdoutCapture::StdoutCapture() {
    std::fflush(stdout);
    file_ = NewTemporaryFolder("stdout-capture-") / "stdout.txt";
    savedDescriptor_ = ::dup(STDOUT_FILENO);
    FILE* target = std::fopen(file_.c_str(), "wb");
    if (!target) throw std::runtime_error("cannot capture standard output");
    ::dup2(::fileno(target), STDOUT_FILENO);
    std::fclose(target);
    active_ = true;
}

StdoutCapture::~StdoutCapture() {
    Take();
    std::error_code error;
    fs::remove_all(file_.parent_path(), error);
}

std::string StdoutCapture::Take() {
    if (!active_) return {};
    std::fflush(stdout);
    ::dup2(savedDescriptor_, STDOUT_FILENO);
    ::close(savedDescriptor_);
    active_ = false;
    std::ifstream stream(file_, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

TestMachine& TestMachine::InstallerProduct(std::string_view productCode, std::string_view name,
                                           const std::vector<std::string>& files,
                                           const std::vector<std::string>& keys) {
    programs::RegisterInstallerProduct(*machine_, productCode, name, files, keys);
    return *this;
}

TestMachine& TestMachine::UseVirtualClock(std::time_t start) {
    platform::UseVirtualClock(*machine_, static_cast<std::int64_t>(start) * 1000);
    return *this;
}

TestMachine& TestMachine::FileInUse(std::string_view windowsPath, std::int64_t milliseconds) {
    if (!MarkFileInUse(*machine_, HostPath(windowsPath), ClockNow() + milliseconds))
        throw std::runtime_error("no file " + std::string(windowsPath) + " to mark in use");
    return *this;
}

DeclaredIds TestMachine::DeclareProcess(const DeclaredProcess& process) {
    return platform::DeclareProcess(*machine_, process);
}

bool TestMachine::ProcessRunning(DWORD processId) {
    return FindRunningProcess(*machine_, processId).has_value();
}

std::vector<std::string> TestMachine::ProcessRequests(DWORD processId) {
    return DeclaredProcessRequests(*machine_, processId);
}

std::size_t TestMachine::OpenHandleCount() { return ProcessHandles().Count(); }

}  // namespace platform
