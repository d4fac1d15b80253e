// Writes to the registry of the machine named by WINMACHINE, as a separate process for the tests.
//   registry_worker set <key below HKLM> <value prefix> <count>   one RegSetValueExA per value
//   registry_worker churn <key below HKLM> <size>                 rewrites one value for ever, each time
//                                                                  filled with one byte that changes
//   registry_worker import <.reg file>                           ImportRegistryText of the file, after
//                                                                  writing "ready" to standard output
//   registry_worker delete <key below HKLM>                      RegDeleteKeyA
//   registry_worker service-stop <service>                       stops the service and closes its handles
//   registry_worker service-hold <service>                       opens the service, writes "ready" and
//                                                                  holds the handle until killed
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/machine/registry/registry_store.h"
#include "windows.h"
#include "winsvc.h"

namespace {

int Fail(const char* what, LONG error) {
    std::fprintf(stderr, "registry_worker: %s failed with %ld\n", what, static_cast<long>(error));
    return 1;
}

int SetValues(const char* keyPath, const std::string& prefix, int count) {
    HKEY key = nullptr;
    LONG error =
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return Fail("RegCreateKeyExA", error);
    for (int index = 0; index < count; ++index) {
        std::string name = prefix + std::to_string(index);
        DWORD data = static_cast<DWORD>(index);
        error = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                               sizeof data);
        if (error != ERROR_SUCCESS) return Fail("RegSetValueExA", error);
    }
    RegCloseKey(key);
    return 0;
}

int Churn(const char* keyPath, DWORD size) {
    HKEY key = nullptr;
    LONG error =
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return Fail("RegCreateKeyExA", error);
    for (unsigned round = 1;; ++round) {
        std::string data(size, static_cast<char>(round & 0xFF));
        error = RegSetValueExA(key, "Data", 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.data()), size);
        if (error != ERROR_SUCCESS) return Fail("RegSetValueExA", error);
    }
}

int Import(const char* file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    // Tells a watching test that the import itself begins now.
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    platform::ImportRegistryText(platform::Machine::Current(), text.str());
    return 0;
}

int ServiceCall(const std::string& command, const char* name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return Fail("OpenSCManagerA", static_cast<LONG>(GetLastError()));
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) return Fail("OpenServiceA", static_cast<LONG>(GetLastError()));
    if (command == "service-hold") {
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        for (;;) Sleep(1000);
    }
    SERVICE_STATUS status{};
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        return Fail("ControlService", static_cast<LONG>(GetLastError()));
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "set" && argc == 5) return SetValues(argv[2], argv[3], std::atoi(argv[4]));
    if (command == "churn" && argc == 4) return Churn(argv[2], static_cast<DWORD>(std::atoi(argv[3])));
    if (command == "import" && argc == 3) return Import(argv[2]);
    if (command == "delete" && argc == 3) {
        LONG error = RegDeleteKeyA(HKEY_LOCAL_MACHINE, argv[2]);
        return error == ERROR_SUCCESS ? 0 : Fail("RegDeleteKeyA", error);
    }
    if ((command == "service-stop" || command == "service-hold") && argc == 3) return ServiceCall(command, argv[2]);
    std::fprintf(stderr, "usage: registry_worker set|churn|import|delete|service-stop|service-hold ...\n");
    return 2;
}
