// Libraries of the machine's programs, loaded through their stubs: the test library (module_library/)
// exports by name and ordinal, counts its DllMain notifications in the environment and has strings of
// its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/machine/program_stub.h"
#include "platform/testing/test_machine.h"
#include "platform/user32/module_resources.h"
#include "windows.h"

namespace {

using platform::OsKind;

constexpr char kLibrary[] = "C:\\WINDOWS\\system32\\testmod.dll";

int Counter(const char* variable) {
    char text[16] = "0";
    GetEnvironmentVariableA(variable, text, sizeof text);
    return std::atoi(text);
}

int Attaches() {
    return Counter("MODULE_TEST_ATTACHES");
}
int Detaches() {
    return Counter("MODULE_TEST_DETACHES");
}

void InstallLibrary(platform::TestMachine& machine, const std::string& windowsPath,
                    const std::string& hostLibrary = MODULE_TEST_LIBRARY) {
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), windowsPath, hostLibrary, {}));
}

// An entry point as the function it is (through void (*)(), from which any function cast is allowed).
template <typename Function>
Function* As(FARPROC address) {
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(address));
}

std::string ModuleFileName(HMODULE module) {
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    return std::string(path, length < sizeof path ? length : 0);
}

class LibraryStubs : public ::testing::Test {
  protected:
    void SetUp() override {
        SetEnvironmentVariableA("MODULE_TEST_ATTACHES", nullptr);
        SetEnvironmentVariableA("MODULE_TEST_DETACHES", nullptr);
        SetEnvironmentVariableA("MODULE_TEST_REFUSE", nullptr);
        InstallLibrary(machine_, kLibrary);
    }
    platform::TestMachine machine_{OsKind::WindowsXP};
};

TEST_F(LibraryStubs, EveryNameOfOneFileGivesOneCountedModule) {
    HMODULE first = LoadLibraryA("testmod.dll");
    ASSERT_NE(first, nullptr) << GetLastError();
    EXPECT_EQ(Attaches(), 1);
    const char* names[] = {"TESTMOD", "C:\\WINDOWS\\SYSTEM32\\TestMod.DLL", "c:\\windows\\system32\\testmod",
                           "C:\\WINDOWS\\system32\\..\\system32\\testmod.dll"};
    for (const char* name : names) EXPECT_EQ(LoadLibraryA(name), first) << name;
    EXPECT_EQ(Attaches(), 1);
    EXPECT_EQ(GetModuleHandleA("testmod"), first);
    EXPECT_EQ(GetModuleHandleA(kLibrary), first);
    EXPECT_EQ(ModuleFileName(first), kLibrary);

    for (size_t release = 0; release < std::size(names); ++release) EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(Detaches(), 0);
    EXPECT_EQ(GetModuleHandleA("testmod.dll"), first);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(Detaches(), 1);

    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("testmod.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(GetModuleFileNameA(first, nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(FreeLibrary(first));
}

TEST_F(LibraryStubs, EntryPointsByNameAndOrdinalAreOnlyTheListedExports) {
    HMODULE module = LoadLibraryA("testmod.dll");
    ASSERT_NE(module, nullptr);
    FARPROC answer = GetProcAddress(module, "ModuleLibraryAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(As<int()>(answer)(), 42);
    auto instance = As<HINSTANCE()>(GetProcAddress(module, "ModuleLibraryInstance"));
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance(), module);  // DllMain was given the module's handle

    const struct {
        LPCSTR procedure;
        FARPROC expected;
        const char* row;
    } rows[] = {
        {MAKEINTRESOURCE(1), answer, "ordinal 1"},
        {"RunEntry", GetProcAddress(module, MAKEINTRESOURCE(5)), "name and ordinal 5"},
        {MAKEINTRESOURCE(3), nullptr, "an ordinal not listed"},
        {"ModuleLibraryHidden", nullptr, "defined but not exported"},
        {"moduleLibraryAnswer", nullptr, "names keep their case"},
        {"DllMain", nullptr, "the entry point is not an export"},
    };
    for (const auto& row : rows) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(module, row.procedure), row.expected) << row.row;
        EXPECT_EQ(GetLastError(), row.expected ? 0u : static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << row.row;
    }
    EXPECT_NE(rows[1].expected, nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, "ModuleLibraryAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(LibraryStubs, WhatIsNotALoadableLibraryFails) {
    machine_.File("C:\\WINDOWS\\system32\\text.dll", "not a library\r\n");
    InstallLibrary(machine_, "C:\\WINDOWS\\system32\\program.dll", PROCESS_WORKER);
    InstallLibrary(machine_, "C:\\WINDOWS\\system32\\unbuilt.dll", "libno_such_library.so");
    InstallLibrary(machine_, "C:\\Other\\refusing.dll");
    const struct {
        const char* name;
        bool refuseAttach;
        DWORD error;
    } rows[] = {
        {"nosuch.dll", false, ERROR_MOD_NOT_FOUND},
        {"C:\\No Folder\\testmod.dll", false, ERROR_MOD_NOT_FOUND},
        {"C:\\WINDOWS\\system32", false, ERROR_MOD_NOT_FOUND},
        {"text.dll", false, ERROR_BAD_EXE_FORMAT},
        {"program.dll", false, ERROR_BAD_EXE_FORMAT},
        {"unbuilt.dll", false, ERROR_MOD_NOT_FOUND},
        {"C:\\Other\\refusing.dll", true, ERROR_DLL_INIT_FAILED},
    };
    for (const auto& row : rows) {
        SetEnvironmentVariableA("MODULE_TEST_REFUSE", row.refuseAttach ? "1" : nullptr);
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA(row.name), nullptr) << row.name;
        EXPECT_EQ(GetLastError(), row.error) << row.name;
        EXPECT_EQ(GetModuleHandleA(row.name), nullptr) << row.name;
    }
    SetEnvironmentVariableA("MODULE_TEST_REFUSE", nullptr);
    EXPECT_EQ(Attaches(), 0);
    // A refused library was unloaded: it loads afresh.
    HMODULE module = LoadLibraryA("C:\\Other\\refusing.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(Attaches(), 1);
    EXPECT_TRUE(FreeLibrary(module));

    machine_.Fault("file", kLibrary, "LoadLibrary", ERROR_ACCESS_DENIED, 1);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("testmod.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(LibraryStubs, LoadFlagsChooseWhetherTheLibraryStarts) {
    const struct {
        DWORD flags;
        bool attaches;
        bool entryPoints;
    } rows[] = {
        {0, true, true},
        {LOAD_WITH_ALTERED_SEARCH_PATH, true, true},
        {DONT_RESOLVE_DLL_REFERENCES, false, true},
        {LOAD_LIBRARY_AS_DATAFILE, false, false},
    };
    for (const auto& row : rows) {
        int attachesBefore = Attaches();
        HMODULE module = LoadLibraryExA(kLibrary, nullptr, row.flags);
        ASSERT_NE(module, nullptr) << row.flags;
        EXPECT_EQ(Attaches() - attachesBefore, row.attaches ? 1 : 0) << row.flags;
        EXPECT_EQ(GetProcAddress(module, "ModuleLibraryAnswer") != nullptr, row.entryPoints) << row.flags;
        char text[64] = "";
        EXPECT_GT(LoadStringA(module, 100, text, sizeof text), 0) << row.flags;
        EXPECT_TRUE(FreeLibrary(module));
    }
    SetLastError(0);
    EXPECT_EQ(LoadLibraryExA(kLibrary, reinterpret_cast<HANDLE>(1), 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(LibraryStubs, ResourcesBelongToTheLibrarysOwnModule) {
    platform::RegisterStringTable(nullptr, {{100, "Stringa del programma"}});
    HMODULE module = LoadLibraryA("testmod.dll");
    ASSERT_NE(module, nullptr);
    const struct {
        HINSTANCE instance;
        UINT id;
        const char* text;
    } rows[] = {
        {nullptr, 100, "Stringa del programma"},
        {GetModuleHandleA(nullptr), 100, "Stringa del programma"},
        {module, 100, "Stringa della libreria"},
        {module, 101, "Solo nella libreria"},
        {nullptr, 101, ""},
    };
    for (const auto& row : rows) {
        char text[64] = "?";
        EXPECT_EQ(LoadStringA(row.instance, row.id, text, sizeof text),
                  static_cast<int>(std::strlen(row.text)))
            << row.id;
        EXPECT_STREQ(text, row.text) << row.id;
    }
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCE(7), RT_STRING), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    char text[64] = "?";
    EXPECT_EQ(LoadStringA(module, 100, text, sizeof text), 0);
    // Loaded again, the library has its strings again.
    module = LoadLibraryA("testmod.dll");
    EXPECT_EQ(LoadStringA(module, 101, text, sizeof text), 19);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(LibraryStubs, GetModuleFileNameAOfALibraryIsCutAsWindowsCutsIt) {
    HMODULE module = LoadLibraryA("testmod.dll");
    ASSERT_NE(module, nullptr);
    char buffer[10];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(module, buffer, sizeof buffer), 10u);
    EXPECT_EQ(std::string(buffer, 10), std::string(kLibrary, 10));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(ModuleFileName(GetModuleHandleA("kernel32")), "C:\\WINDOWS\\system32\\kernel32.dll");
    EXPECT_TRUE(FreeLibrary(module));
}

// A bare name is looked for in the program's folder first; Windows XP from Service Pack 2 looks in the
// system's folders before the current folder, earlier systems after it.
TEST(LibrarySearch, BareNamesFollowWindowsSearchOrder) {
    const struct {
        OsKind os;
        int servicePack;
        bool inProgramFolder;
        const char* found;
    } rows[] = {
        {OsKind::WindowsXP, 2, true, "C:\\App\\testmod.dll"},
        {OsKind::WindowsXP, 2, false, "C:\\WINDOWS\\system32\\testmod.dll"},
        {OsKind::WindowsXP, 1, false, "C:\\Work\\testmod.dll"},
        {OsKind::Windows2000, 4, false, "C:\\Work\\testmod.dll"},
        {OsKind::Windows98, -1, false, "C:\\Work\\testmod.dll"},
    };
    for (const auto& row : rows) {
        platform::TestMachine machine(row.os, row.servicePack);
        machine.Module("C:\\App\\program.exe");
        std::string system = machine.machine().settings().systemFolder;
        if (row.inProgramFolder) InstallLibrary(machine, "C:\\App\\testmod.dll");
        InstallLibrary(machine, system + "\\testmod.dll");
        InstallLibrary(machine, "C:\\Work\\testmod.dll");
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\Work"));
        HMODULE module = LoadLibraryA("testmod");
        ASSERT_NE(module, nullptr) << row.found;
        std::string expected = row.found;
        if (expected.find("system32") != std::string::npos) expected = system + "\\testmod.dll";
        EXPECT_EQ(ModuleFileName(module), expected);
        EXPECT_TRUE(FreeLibrary(module));
        SetCurrentDirectoryA("C:\\");
    }
}

}  // namespace
