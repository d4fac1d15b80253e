#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "platform/machine/machine.h"
#include "platform/machine/state.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace platform {
namespace {

struct VersionRow {
    OsKind kind;
    DWORD platformId;
    DWORD major;
    DWORD minor;
    DWORD build;  // as GetVersionExA reports it
    const char* csd;
};

TEST(MachineTest, EachSystemReportsItsVersionAsWindowsDoes) {
    const VersionRow rows[] = {
        {OsKind::Windows95, 1, 4, 0, 0x040003B6, ""},
        {OsKind::Windows98, 1, 4, 10, 0x040A07CE, " "},
        {OsKind::Windows98SE, 1, 4, 10, 0x040A08AE, " A "},
        {OsKind::WindowsMe, 1, 4, 90, 0x045A0BB8, " "},
        {OsKind::WindowsNT4, 2, 4, 0, 1381, "Service Pack 6"},
        {OsKind::Windows2000, 2, 5, 0, 2195, "Service Pack 4"},
        {OsKind::WindowsXP, 2, 5, 1, 2600, "Service Pack 2"},
    };
    for (const VersionRow& row : rows) {
        TestMachine machine(row.kind);
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        ASSERT_TRUE(GetVersionExA(&info)) << OsKindName(row.kind);
        EXPECT_EQ(info.dwPlatformId, row.platformId) << OsKindName(row.kind);
        EXPECT_EQ(info.dwMajorVersion, row.major) << OsKindName(row.kind);
        EXPECT_EQ(info.dwMinorVersion, row.minor) << OsKindName(row.kind);
        EXPECT_EQ(info.dwBuildNumber, row.build) << OsKindName(row.kind);
        EXPECT_STREQ(info.szCSDVersion, row.csd) << OsKindName(row.kind);
    }
}

TEST(MachineTest, ExtendedVersionRecordOnlyWhereTheSystemKnowsIt) {
    struct Row {
        OsKind kind;
        int servicePack;
        BOOL expected;
        WORD servicePackMajor;
    } rows[] = {
        {OsKind::Windows98, -1, FALSE, 0},   {OsKind::WindowsMe, -1, FALSE, 0},
        {OsKind::WindowsNT4, 5, FALSE, 0},   {OsKind::WindowsNT4, 6, TRUE, 6},
        {OsKind::Windows2000, 2, TRUE, 2},   {OsKind::WindowsXP, 1, TRUE, 1},
    };
    for (const Row& row : rows) {
        TestMachine machine(row.kind, row.servicePack);
        OSVERSIONINFOEXA info{};
        info.dwOSVersionInfoSize = sizeof info;
        SetLastError(0);
        BOOL result = GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info));
        EXPECT_EQ(result, row.expected) << OsKindName(row.kind) << " SP" << row.servicePack;
        if (result) {
            EXPECT_EQ(info.wServicePackMajor, row.servicePackMajor);
        } else {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        }
    }
    TestMachine machine;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(MachineTest, SettingsSurviveMachineIni) {
    MachineSettings settings = MachineSettings::Defaults(OsKind::Windows98SE);
    settings.systemLanguage = 0x409;
    settings.userLanguage = 0x410;
    settings.administrator = false;
    settings.computerName = "BANCO";
    settings.absentLibraries.insert("SETUPAPI.DLL");
    settings.missingEntryPoints["CFGMGR32.DLL"].insert("CMP_WAITNOPENDINGINSTALLEVENTS");
    TestMachine machine(settings);
    const MachineSettings& read = machine.machine().settings();
    EXPECT_EQ(read.os.kind, OsKind::Windows98SE);
    EXPECT_EQ(read.os.csdVersion, " A ");
    EXPECT_EQ(read.systemLanguage, 0x409);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x409);
    EXPECT_EQ(GetUserDefaultLangID(), 0x410);
    EXPECT_FALSE(read.administrator);
    EXPECT_FALSE(machine.machine().LibraryPresent("setupapi.dll"));
    EXPECT_TRUE(machine.machine().LibraryPresent("cfgmgr32.dll"));
    EXPECT_FALSE(machine.machine().EntryPointPresent("CfgMgr32.dll", "CMP_WaitNoPendingInstallEvents"));
    EXPECT_TRUE(machine.machine().EntryPointPresent("cfgmgr32.dll", "CM_Get_Parent"));
}

TEST(MachineTest, FoldersFollowEachSystemsDefaults) {
    struct Row {
        OsKind kind;
        const char* windows;
        const char* system;
        const char* temp;
    } rows[] = {
        {OsKind::Windows95, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP\\"},
        {OsKind::WindowsNT4, "C:\\WINNT", "C:\\WINNT\\system32", "C:\\TEMP\\"},
        {OsKind::Windows2000, "C:\\WINNT", "C:\\WINNT\\system32",
         "C:\\Documents and Settings\\Utente\\Local Settings\\Temp\\"},
        {OsKind::WindowsXP, "C:\\WINDOWS", "C:\\WINDOWS\\system32",
         "C:\\Documents and Settings\\Utente\\Local Settings\\Temp\\"},
    };
    for (const Row& row : rows) {
        TestMachine machine(row.kind);
        char buffer[MAX_PATH];
        EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), std::strlen(row.windows));
        EXPECT_STREQ(buffer, row.windows);
        EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), std::strlen(row.system));
        EXPECT_STREQ(buffer, row.system);
        EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), std::strlen(row.temp));
        EXPECT_STREQ(buffer, row.temp);
        EXPECT_TRUE(machine.Exists(row.temp)) << row.temp;
        EXPECT_TRUE(machine.Exists(row.system)) << row.system;
    }
}

TEST(MachineTest, FolderCallsReturnTheSizeNeededWhenTheBufferIsShort) {
    TestMachine machine;  // C:\WINDOWS: 10 characters
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetWindowsDirectoryA(buffer, 10), 11u);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(GetWindowsDirectoryA(buffer, 11), 10u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS");
    EXPECT_EQ(GetWindowsDirectoryA(nullptr, 0), 11u);
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), 4u);
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 3u);
    EXPECT_STREQ(buffer, "C:\\");
}

TEST(MachineTest, CurrentFolderFollowsSetCurrentDirectory) {
    TestMachine machine;
    machine.Folder("C:\\Program Files\\Corvanta");
    ASSERT_TRUE(SetCurrentDirectoryA("c:\\program files\\corvanta\\"));
    char buffer[MAX_PATH];
    GetCurrentDirectoryA(sizeof buffer, buffer);
    EXPECT_STREQ(buffer, "C:\\Program Files\\Corvanta");
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    GetCurrentDirectoryA(sizeof buffer, buffer);
    EXPECT_STREQ(buffer, "C:\\Program Files");
    SetLastError(0);
    EXPECT_FALSE(SetCurrentDirectoryA("C:\\Missing\\Deeper"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(SetCurrentDirectoryA("Q:\\"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(MachineTest, ModuleFileNameTruncatesAsWindowsXPDoes) {
    TestMachine machine;
    machine.Module("C:\\Program Files\\App\\devpurge.exe");
    char buffer[64];
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof buffer), 33u);
    EXPECT_STREQ(buffer, "C:\\Program Files\\App\\devpurge.exe");
    std::memset(buffer, 'x', sizeof buffer);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, 10), 10u);
    EXPECT_EQ(std::string(buffer, 10), "C:\\Program");
    EXPECT_EQ(buffer[10], 'x');
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(MachineTest, CountedFaultsAreUsedUpAndPrefixFaultsCoverSubtrees) {
    TestMachine machine;
    machine.Fault("file", "C:\\WINDOWS\\a.ini", "read", ERROR_ACCESS_DENIED, 2);
    machine.Fault("registry", "HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\*", "*", ERROR_SHARING_VIOLATION);
    EXPECT_EQ(InjectedFault("file", "c:\\windows\\A.INI", "read"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(InjectedFault("file", "C:\\WINDOWS\\a.ini", "write"), 0u);
    EXPECT_EQ(InjectedFault("file", "C:\\WINDOWS\\a.ini", "read"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(InjectedFault("file", "C:\\WINDOWS\\a.ini", "read"), 0u);
    EXPECT_EQ(InjectedFault("registry", "HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Y", "open"),
              static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(InjectedFault("registry", "HKEY_LOCAL_MACHINE\\SOFTWARE\\XY", "open"), 0u);
    ClearFaults(machine.machine());
    EXPECT_EQ(InjectedFault("registry", "HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Y", "open"), 0u);
}

TEST(MachineTest, AnswersAreTakenInOrderAndTheTranscriptKeepsEntries) {
    TestMachine machine;
    machine.Answer("IDCANCEL").Answer("IDYES");
    EXPECT_EQ(TakeAnswer(machine.machine()), "IDCANCEL");
    EXPECT_EQ(TakeAnswer(machine.machine()), "IDYES");
    EXPECT_EQ(TakeAnswer(machine.machine()), std::nullopt);
    AppendTranscript(machine.machine(), "first");
    AppendTranscript(machine.machine(), "second\n");
    EXPECT_EQ(machine.Transcript(), "first\nsecond\n");
}

TEST(MachineTest, CreatingOverAnExistingMachineFails) {
    TestMachine machine;
    EXPECT_THROW(CreateMachine(machine.folder(), MachineSettings::Defaults(OsKind::WindowsXP)), std::runtime_error);
}

// Settings a program could not meet on Windows are refused before anything is made, whoever creates the
// machine.
TEST(MachineTest, CreatingWithSettingsWindowsWouldRefuseMakesNothing) {
    const struct {
        const char* what;
        void (*change)(MachineSettings&);
        const char* problem;
    } rows[] = {
        {"neutral language", [](MachineSettings& s) { s.systemLanguage = 0x0010; }, "0x10 is not a known language identifier"},
        {"unknown sublanguage", [](MachineSettings& s) { s.userLanguage = 0x0C10; }, "0xC10 is not a known language identifier"},
        {"long computer name", [](MachineSettings& s) { s.computerName = std::string(16, 'A'); },
         "a computer name has at most 15 characters"},
        {"user name with '*'", [](MachineSettings& s) { s.userName = "a*b"; }, "a user name cannot hold '*'"},
        {"XP service pack 4", [](MachineSettings& s) { s.os.servicePackMajor = 4; }, "Windows xp has service packs 0 to 3"},
    };
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("machine_refused_" + std::to_string(::getpid()));
    for (const auto& row : rows) {
        MachineSettings settings = MachineSettings::Defaults(OsKind::WindowsXP);
        row.change(settings);
        try {
            CreateMachine(folder, settings);
            ADD_FAILURE() << row.what;
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(std::string(error.what()), row.problem) << row.what;
        }
        EXPECT_FALSE(std::filesystem::exists(folder)) << row.what;
    }
    EXPECT_TRUE(IsKnownLanguage(0x409));
    EXPECT_TRUE(IsKnownLanguage(0x3409));  // English (Philippines), the last English one
    EXPECT_FALSE(IsKnownLanguage(0x3809));
}

}  // namespace
}  // namespace platform
