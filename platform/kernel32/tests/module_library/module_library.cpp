// A library of the system for the module tests: exports by name and ordinal, counts its attach and
// detach notifications in the process's environment (which outlives the library), refuses to attach
// when MODULE_TEST_REFUSE is set, has an entry for rundll32 and registers itself for regsvr32 under
// HKEY_LOCAL_MACHINE\SOFTWARE\ModuleTest (failing with E_FAIL when MODULE_TEST_REFUSE_REGISTRATION is
// set in that key).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "windows.h"

namespace {

HINSTANCE ownInstance = nullptr;

constexpr char kKey[] = "SOFTWARE\\ModuleTest";

void Count(const char* variable) {
    char text[16] = "0";
    GetEnvironmentVariableA(variable, text, sizeof text);
    SetEnvironmentVariableA(variable, std::to_string(std::atoi(text) + 1).c_str());
}

bool RegistrationRefused() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool refused = RegQueryValueExA(key, "MODULE_TEST_REFUSE_REGISTRATION", nullptr, nullptr, nullptr, nullptr) ==
                   ERROR_SUCCESS;
    RegCloseKey(key);
    return refused;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
    (void)lpvReserved;
    if (fdwReason == DLL_PROCESS_ATTACH) {
        if (GetEnvironmentVariableA("MODULE_TEST_REFUSE", nullptr, 0) != 0) return FALSE;
        ownInstance = hinstDLL;
        Count("MODULE_TEST_ATTACHES");
    } else if (fdwReason == DLL_PROCESS_DETACH) {
        Count("MODULE_TEST_DETACHES");
    }
    return TRUE;
}

extern "C" int WINAPI ModuleLibraryAnswer() {
    return 42;
}

extern "C" HINSTANCE WINAPI ModuleLibraryInstance() {
    return ownInstance;
}

// Defined with C linkage but not in the export list: GetProcAddress does not hand it out.
extern "C" int WINAPI ModuleLibraryHidden() {
    return 7;
}

// rundll32's entry: reports what it was given on standard output.
extern "C" void CALLBACK RunEntry(HWND hwnd, HINSTANCE hinst, LPSTR lpszCmdLine, int nCmdShow) {
    std::printf("RunEntry window=%s instance=%s line=[%s] show=%d\n", hwnd ? "yes" : "no",
                hinst && hinst == ownInstance ? "own" : "other", lpszCmdLine, nCmdShow);
    std::fflush(stdout);
}

extern "C" HRESULT WINAPI DllRegisterServer() {
    if (RegistrationRefused()) return E_FAIL;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    const char registered[] = "yes";
    RegSetValueExA(key, "Registered", 0, REG_SZ, reinterpret_cast<const BYTE*>(registered), sizeof registered);
    RegCloseKey(key);
    return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    if (RegistrationRefused()) return E_FAIL;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return S_OK;
    RegDeleteValueA(key, "Registered");
    RegCloseKey(key);
    return S_OK;
}
