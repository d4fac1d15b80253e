#include <gtest/gtest.h>

#include "platform/kernel32/platform_libraries.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::OsKind;

int WINAPI ProbeEntryPoint() {
    return 7;
}

// A library loaded only on demand, as setupapi.dll and its kin are.
const platform::PlatformLibraryRegistrar probeLibrary(
    "probe.dll", platform::LibraryLoad::OnDemand,
    {{"ProbeEntryPoint", platform::AsEntryPoint(&ProbeEntryPoint)}, {"NotWrittenYet", nullptr}});

TEST(LoadLibraryA, NamesOfPlatformLibraries) {
    platform::TestMachine machine(OsKind::WindowsXP);
    const struct {
        const char* name;
        bool loads;
    } rows[] = {
        {"kernel32.dll", true},
        {"KERNEL32", true},
        {"Kernel32.Dll", true},
        {"advapi32.dll", true},
        {"user32", true},
        {"C:\\WINDOWS\\system32\\USER32.DLL", true},
        {"c:\\windows\\SYSTEM32\\kernel32", true},
        {"kernel32.", false},
        {"kernel32.exe", false},
        {"C:\\Program Files\\kernel32.dll", false},
        {"nosuch.dll", false},
        {"", false},
    };
    for (const auto& row : rows) {
        SetLastError(0);
        HMODULE module = LoadLibraryA(row.name);
        EXPECT_EQ(module != nullptr, row.loads) << row.name;
        EXPECT_EQ(GetLastError(), row.loads ? 0u : static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << row.name;
        if (module) {
            EXPECT_TRUE(FreeLibrary(module)) << row.name;
        }
    }
    EXPECT_EQ(LoadLibraryA("KERNEL32"), GetModuleHandleA("kernel32.dll"));
}

TEST(LoadLibraryA, MachineDecidesWhatIsPresent) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::Windows95);
    settings.absentLibraries.insert("PROBE.DLL");
    settings.missingEntryPoints["KERNEL32"].insert("FORMATMESSAGEA");
    platform::TestMachine machine(settings);

    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("probe.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel32, nullptr);
    const struct {
        const char* entryPoint;
        FARPROC expected;
    } rows[] = {
        {"GetLastError", platform::AsEntryPoint(&GetLastError)},
        {"FormatMessageA", nullptr},
        {"getlasterror", nullptr},
        {"NoSuchFunction", nullptr},
    };
    for (const auto& row : rows) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(kernel32, row.entryPoint), row.expected) << row.entryPoint;
        EXPECT_EQ(GetLastError(), row.expected ? 0u : static_cast<DWORD>(ERROR_PROC_NOT_FOUND))
            << row.entryPoint;
    }
}

TEST(LoadLibraryA, LibraryLoadedOnDemandIsCounted) {
    platform::TestMachine machine(OsKind::Windows98SE);
    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("probe"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    HMODULE first = LoadLibraryA("probe.dll");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LoadLibraryA("PROBE"), first);
    EXPECT_EQ(GetModuleHandleA("Probe.dll"), first);
    auto entryPoint = reinterpret_cast<int(WINAPI*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(first, "ProbeEntryPoint")));
    ASSERT_NE(entryPoint, nullptr);
    EXPECT_EQ(entryPoint(), 7);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(first, "NotWrittenYet"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandleA("probe.dll"), first);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandleA("probe.dll"), nullptr);

    // The handle of an unloaded library names nothing.
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(first, "ProbeEntryPoint"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(LoadLibraryA, LibrariesOfEveryProgramStayLoaded) {
    platform::TestMachine machine(OsKind::WindowsNT4);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    ASSERT_NE(user32, nullptr);
    for (int release = 0; release < 3; ++release) EXPECT_TRUE(FreeLibrary(user32));
    EXPECT_EQ(GetModuleHandleA("USER32"), user32);
    EXPECT_EQ(GetProcAddress(user32, "MessageBoxA"), platform::AsEntryPoint(&MessageBoxA));
    // advapi32 is brought in by its first LoadLibraryA when the program was not linked with it, and stays.
    HMODULE advapi32 = LoadLibraryA("advapi32.dll");
    ASSERT_NE(advapi32, nullptr);
    EXPECT_TRUE(FreeLibrary(advapi32));
    EXPECT_EQ(GetModuleHandleA("advapi32"), advapi32);

    HMODULE program = GetModuleHandleA(nullptr);
    EXPECT_NE(program, nullptr);
    machine.Module("C:\\Program Files\\Corvanta\\devpurge.exe");
    EXPECT_EQ(GetModuleHandleA("DEVPURGE.EXE"), program);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(program, "GetLastError"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

}  // namespace
