// The service control manager: opening, configuration, status, stopping, deletion with its marking, and
// what crosses processes (status, handles) and restarts.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "platform/testing/worker_process.h"
#include "windows.h"
#include "winsvc.h"

namespace {

using platform::TestMachine;

constexpr char kServices[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QnDot4]\n"
    "\"Type\"=dword:00000001\n\"Start\"=dword:00000003\n\"ErrorControl\"=dword:00000001\n"
    "\"ImagePath\"=\"System32\\\\DRIVERS\\\\qndot4.sys\"\n\"DisplayName\"=\"QN DOT4\"\n"
    "\"Group\"=\"Extended Base\"\n\"DependOnService\"=hex(7):50,61,72,70,6f,72,74,00,4c,70,74,00,00\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QnMonitor]\n"
    "\"Type\"=dword:00000010\n\"Start\"=dword:00000002\n\"ImagePath\"=\"C:\\\\QN\\\\qnmon.exe\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QnMonitor\\Parameters]\n"
    "\"Level\"=dword:00000002\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Settings]\n\"NotAService\"=\"x\"\n";
constexpr char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";

bool ServiceKeyExists(const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kServicesKey + name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Closes a service handle at the end of a test whatever happens.
class ServiceHandle {
  public:
    explicit ServiceHandle(SC_HANDLE handle = nullptr) : handle_(handle) {}
    ~ServiceHandle() { Close(); }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    SC_HANDLE get() const { return handle_; }
    BOOL Close() {
        BOOL closed = handle_ ? CloseServiceHandle(handle_) : TRUE;
        handle_ = nullptr;
        return closed;
    }

  private:
    SC_HANDLE handle_;
};

DWORD StateOf(SC_HANDLE service) {
    SERVICE_STATUS status{};
    return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

TEST(Services, OpeningTheManagerAndServices) {
    TestMachine machine;
    machine.Registry(kServices);
    struct Row {
        const char* machineName;
        const char* database;
        DWORD error;
    } rows[] = {
        {nullptr, nullptr, 0},
        {"", SERVICES_ACTIVE_DATABASEA, 0},
        {"\\\\UFFICIO", nullptr, 0},
        {"ufficio", "servicesactive", 0},
        {"\\\\ALTRO", nullptr, RPC_S_SERVER_UNAVAILABLE},
        {nullptr, "ServicesFailed", ERROR_DATABASE_DOES_NOT_EXIST},
    };
    for (const Row& row : rows) {
        SetLastError(0);
        ServiceHandle manager(OpenSCManagerA(row.machineName, row.database, SC_MANAGER_ALL_ACCESS));
        EXPECT_EQ(row.error == 0, manager.get() != nullptr) << (row.machineName ? row.machineName : "null");
        if (row.error) {
            EXPECT_EQ(row.error, GetLastError());
        }
    }

    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(manager.get());
    struct Open {
        const char* name;
        DWORD error;
    } opens[] = {{"QnDot4", 0}, {"qndot4", 0}, {"Missing", ERROR_SERVICE_DOES_NOT_EXIST},
                 {"Settings", ERROR_SERVICE_DOES_NOT_EXIST}, {"", ERROR_INVALID_NAME},
                 {"QnDot4\\Enum", ERROR_INVALID_NAME}};
    for (const Open& open : opens) {
        SetLastError(0);
        ServiceHandle service(OpenServiceA(manager.get(), open.name, SERVICE_QUERY_STATUS));
        EXPECT_EQ(open.error == 0, service.get() != nullptr) << open.name;
        if (open.error) {
            EXPECT_EQ(open.error, GetLastError()) << open.name;
        }
    }
    EXPECT_EQ(nullptr, OpenServiceA(reinterpret_cast<SC_HANDLE>(0x44), "QnDot4", SERVICE_QUERY_STATUS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    // The kernel's CloseHandle does not reach the manager's handles.
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(manager.get())));
    EXPECT_TRUE(manager.Close());
    EXPECT_FALSE(CloseServiceHandle(reinterpret_cast<SC_HANDLE>(0x44)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(Services, UsersWhoAreNotAdministratorsOnlyRead) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(platform::OsKind::Windows2000);
    settings.administrator = false;
    TestMachine machine(settings);
    machine.Registry(kServices);
    EXPECT_EQ(nullptr, OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, GENERIC_READ));
    ASSERT_TRUE(manager.get());
    EXPECT_EQ(nullptr, OpenServiceA(manager.get(), "QnDot4", DELETE | SERVICE_STOP));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    ServiceHandle service(OpenServiceA(manager.get(), "QnDot4", SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    EXPECT_TRUE(service.get());
}

TEST(Services, WindowsNinetyFiveToMeHaveNoManager) {
    for (platform::OsKind kind : {platform::OsKind::Windows98, platform::OsKind::WindowsMe}) {
        TestMachine machine(kind);
        machine.Registry(kServices);
        SetLastError(0);
        EXPECT_EQ(nullptr, OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
        EXPECT_FALSE(CloseServiceHandle(nullptr));
        EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
    }
}

TEST(Services, ConfigurationWithItsSizeProtocol) {
    TestMachine machine;
    machine.Registry(kServices);
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ServiceHandle service(OpenServiceA(manager.get(), "qndot4", SERVICE_QUERY_CONFIG));
    ASSERT_TRUE(service.get());
    DWORD needed = 0;
    EXPECT_FALSE(QueryServiceConfigA(service.get(), nullptr, 0, &needed));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    ASSERT_GT(needed, sizeof(QUERY_SERVICE_CONFIGA));
    std::vector<BYTE> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    EXPECT_FALSE(QueryServiceConfigA(service.get(), config, needed - 1, &needed));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    ASSERT_TRUE(QueryServiceConfigA(service.get(), config, needed, &needed));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_KERNEL_DRIVER), config->dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config->dwStartType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config->dwErrorControl);
    EXPECT_STREQ("System32\\DRIVERS\\qndot4.sys", config->lpBinaryPathName);
    EXPECT_STREQ("Extended Base", config->lpLoadOrderGroup);
    EXPECT_STREQ("Parport", config->lpDependencies);
    EXPECT_STREQ("Lpt", config->lpDependencies + 8);
    EXPECT_STREQ("", config->lpDependencies + 12);
    EXPECT_STREQ("", config->lpServiceStartName);
    EXPECT_STREQ("QN DOT4", config->lpDisplayName);

    // A program service without a display name or an account: its name, and the system's account.
    ServiceHandle monitor(OpenServiceA(manager.get(), "QnMonitor", SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
    std::vector<BYTE> other(8192);
    auto* monitorConfig = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(other.data());
    ASSERT_TRUE(QueryServiceConfigA(monitor.get(), monitorConfig, static_cast<DWORD>(other.size()), &needed));
    EXPECT_STREQ("QnMonitor", monitorConfig->lpDisplayName);
    EXPECT_STREQ("LocalSystem", monitorConfig->lpServiceStartName);

    // Each call needs its own access.
    SERVICE_STATUS status{};
    EXPECT_FALSE(QueryServiceStatus(service.get(), &status));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(DeleteService(service.get()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
}

TEST(Services, StoppingAndItsRefusals) {
    TestMachine machine;
    machine.Registry(kServices);
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ServiceHandle monitor(OpenServiceA(manager.get(), "QnMonitor", SERVICE_ALL_ACCESS));
    ServiceHandle dot4(OpenServiceA(manager.get(), "QnDot4", SERVICE_ALL_ACCESS));
    // An automatic service runs; a manual one does not.
    SERVICE_STATUS status{};
    ASSERT_TRUE(QueryServiceStatus(monitor.get(), &status));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ACCEPT_STOP), status.dwControlsAccepted);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), status.dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), StateOf(dot4.get()));

    struct Row {
        SC_HANDLE service;
        DWORD control;
        DWORD error;
        DWORD stateAfter;
    } rows[] = {
        {dot4.get(), SERVICE_CONTROL_STOP, ERROR_SERVICE_NOT_ACTIVE, SERVICE_STOPPED},
        {monitor.get(), SERVICE_CONTROL_PAUSE, ERROR_INVALID_SERVICE_CONTROL, SERVICE_RUNNING},
        {monitor.get(), SERVICE_CONTROL_SHUTDOWN, ERROR_INVALID_PARAMETER, SERVICE_RUNNING},
        {monitor.get(), SERVICE_CONTROL_INTERROGATE, 0, SERVICE_RUNNING},
        {monitor.get(), SERVICE_CONTROL_STOP, 0, SERVICE_STOPPED},
        {monitor.get(), SERVICE_CONTROL_STOP, ERROR_SERVICE_NOT_ACTIVE, SERVICE_STOPPED},
    };
    for (const Row& row : rows) {
        SetLastError(0);
        EXPECT_EQ(row.error == 0, ControlService(row.service, row.control, &status) != FALSE) << row.control;
        if (row.error) {
            EXPECT_EQ(row.error, GetLastError()) << row.control;
        }
        EXPECT_EQ(row.stateAfter, StateOf(row.service)) << row.control;
    }

    // A service that refuses to stop keeps running.
    machine.ServiceState("QnMonitor", SERVICE_RUNNING);
    machine.Fault(platform::fault_target::kService, "QnMonitor", "stop", ERROR_SERVICE_REQUEST_TIMEOUT);
    EXPECT_FALSE(ControlService(monitor.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StateOf(monitor.get()));
}

TEST(Services, DeletedServiceGoesWithItsLastHandleOnceStopped) {
    TestMachine machine;
    machine.Registry(kServices);
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ServiceHandle first(OpenServiceA(manager.get(), "QnMonitor", SERVICE_ALL_ACCESS));
    ServiceHandle second(OpenServiceA(manager.get(), "QnMonitor", SERVICE_QUERY_STATUS));
    EXPECT_EQ(2, machine.ServiceHandleCount("QnMonitor"));
    ASSERT_TRUE(DeleteService(first.get()));
    EXPECT_FALSE(DeleteService(first.get()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE), GetLastError());
    // Marked, the service can still be opened, and stays while it runs.
    ServiceHandle third(OpenServiceA(manager.get(), "QnMonitor", SERVICE_QUERY_STATUS));
    EXPECT_TRUE(third.get());
    third.Close();
    second.Close();
    first.Close();
    EXPECT_TRUE(ServiceKeyExists("QnMonitor"));

    ServiceHandle again(OpenServiceA(manager.get(), "QnMonitor", SERVICE_STOP | SERVICE_QUERY_STATUS));
    ServiceHandle other(OpenServiceA(manager.get(), "QnMonitor", SERVICE_QUERY_STATUS));
    SERVICE_STATUS status{};
    ASSERT_TRUE(ControlService(again.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), status.dwCurrentState);
    again.Close();
    EXPECT_TRUE(ServiceKeyExists("QnMonitor"));
    other.Close();
    // Gone with its subkeys; the other services stay.
    EXPECT_FALSE(ServiceKeyExists("QnMonitor"));
    EXPECT_FALSE(ServiceKeyExists("QnMonitor\\Parameters"));
    EXPECT_TRUE(ServiceKeyExists("QnDot4"));
    EXPECT_EQ(nullptr, OpenServiceA(manager.get(), "QnMonitor", SERVICE_QUERY_STATUS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
}

TEST(Services, RestartDropsTheMarkedServicesWhateverHoldsThem) {
    TestMachine machine;
    machine.Registry(kServices);
    {
        ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ServiceHandle monitor(OpenServiceA(manager.get(), "QnMonitor", SERVICE_ALL_ACCESS));
        ServiceHandle dot4(OpenServiceA(manager.get(), "QnDot4", SERVICE_ALL_ACCESS));
        machine.Fault(platform::fault_target::kService, "QnMonitor", "stop", ERROR_SERVICE_REQUEST_TIMEOUT);
        SERVICE_STATUS status{};
        EXPECT_FALSE(ControlService(monitor.get(), SERVICE_CONTROL_STOP, &status));
        ASSERT_TRUE(DeleteService(monitor.get()));
        // A stopped service marked while another handle is open.
        ASSERT_TRUE(DeleteService(dot4.get()));
        ServiceHandle held(OpenServiceA(manager.get(), "QnDot4", SERVICE_QUERY_STATUS));
        dot4.Close();
        monitor.Close();
        EXPECT_TRUE(ServiceKeyExists("QnMonitor"));
        EXPECT_TRUE(ServiceKeyExists("QnDot4"));
        std::vector<std::string> report = machine.Restart();
        EXPECT_EQ((std::vector<std::string>{"restart not requested by any program",
                                            "service QnDot4 deleted (marked for deletion)",
                                            "service QnMonitor deleted (marked for deletion)"}),
                  report);
    }
    EXPECT_FALSE(ServiceKeyExists("QnMonitor"));
    EXPECT_FALSE(ServiceKeyExists("QnDot4"));
    EXPECT_TRUE(ServiceKeyExists("Settings"));
}

TEST(Services, StatusAndHandlesAreSharedByTheMachinesProcesses) {
    TestMachine machine;
    machine.Registry(kServices);
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ServiceHandle monitor(OpenServiceA(manager.get(), "QnMonitor", SERVICE_ALL_ACCESS));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StateOf(monitor.get()));
    platform::WorkerProcess stopper(machine, REGISTRY_WORKER, {"service-stop", "QnMonitor"});
    EXPECT_EQ(0, stopper.Wait());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), StateOf(monitor.get()));

    // Another process's handle keeps the marked service; its end lets it go.
    platform::WorkerProcess holder(machine, REGISTRY_WORKER, {"service-hold", "QnMonitor"});
    ASSERT_EQ("ready", holder.ReadLine());
    EXPECT_EQ(2, machine.ServiceHandleCount("QnMonitor"));
    ASSERT_TRUE(DeleteService(monitor.get()));
    monitor.Close();
    EXPECT_TRUE(ServiceKeyExists("QnMonitor"));
    holder.Kill(SIGKILL);
    holder.Wait();
    ServiceHandle later(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    EXPECT_FALSE(ServiceKeyExists("QnMonitor"));
}

TEST(Services, FormatMessageKnowsTheManagersErrors) {
    TestMachine machine;
    struct Row {
        DWORD code;
        const char* text;
    } rows[] = {
        {ERROR_SERVICE_MARKED_FOR_DELETE, "The specified service has been marked for deletion.\r\n"},
        {ERROR_SERVICE_NOT_ACTIVE, "The service has not been started.\r\n"},
        {ERROR_SERVICE_DISABLED,
         "The service cannot be started, either because it is disabled or because it has no enabled devices "
         "associated with it.\r\n"},
        {ERROR_DLL_NOT_FOUND, "One of the library files needed to run this application cannot be found.\r\n"},
        {2250, "The network connection could not be found.\r\n"},
    };
    for (const Row& row : rows) {
        char text[512] = "";
        EXPECT_NE(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, row.code, MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT),
                                     text, sizeof text, nullptr))
            << row.code;
        EXPECT_STREQ(row.text, text);
    }
}

}  // namespace
