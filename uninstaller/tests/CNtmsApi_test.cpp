// The removable-storage library bound by name: each call reaches the machine's manager, a missing entry
// point answers ERROR_PROC_NOT_FOUND and a missing library ERROR_DLL_NOT_FOUND.
#include "CNtmsApi.h"

#include <gtest/gtest.h>

#include <string>

#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::OsKind;

TEST(NtmsApi, CallsThroughTheLibrary) {
    platform::TestMachine machine;
    machine.RemovableStorageDrive("{11111111-2222-4333-8444-555555555501}", "QN Card Reader 05",
                                  NTMS_NOT_PRESENT);
    CNtmsApi ntms;
    ASSERT_TRUE(ntms.IsLoaded());
    HANDLE session = ntms.OpenNtmsSession(nullptr, nullptr, 0);
    ASSERT_NE(session, INVALID_HANDLE_VALUE);
    NTMS_GUID id{};
    DWORD count = 1;
    EXPECT_EQ(ntms.EnumerateNtmsObject(session, nullptr, &id, &count, NTMS_DRIVE, 0),
              static_cast<DWORD>(ERROR_SUCCESS));
    NTMS_OBJECTINFORMATIONA info{};
    info.dwSize = sizeof info;
    info.dwType = NTMS_DRIVE;
    EXPECT_EQ(ntms.GetNtmsObjectInformation(session, &id, &info), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(std::string(info.szDescription), "QN Card Reader 05");
    EXPECT_EQ(ntms.DeleteNtmsDrive(session, &id), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ntms.CloseNtmsSession(session), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(machine.RemovableStorageDrives().empty());
    EXPECT_EQ(machine.RemovableStorageSessions(), 0);
}

TEST(NtmsApi, MissingEntryPointsAndLibrary) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsXP);
    settings.missingEntryPoints["NTMSAPI.DLL"] = {"DELETENTMSDRIVE", "OPENNTMSSESSIONA"};
    const struct {
        const char* name;
        platform::MachineSettings settings;
        DWORD error;
    } rows[] = {
        {"entry points missing", settings, ERROR_PROC_NOT_FOUND},
        {"library missing", platform::MachineSettings::Defaults(OsKind::WindowsNT4), ERROR_DLL_NOT_FOUND},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        platform::TestMachine machine(row.settings);
        platform::StdoutCapture output;
        CNtmsApi ntms;
        EXPECT_EQ(output.Take(),
                  row.error == ERROR_DLL_NOT_FOUND
                      ? "LoadLibrary(\"ntmsapi.dll\") failed with " + ErrorText(ERROR_MOD_NOT_FOUND) + "\n"
                      : "");
        SetLastError(0);
        EXPECT_EQ(ntms.OpenNtmsSession(nullptr, nullptr, 0), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), row.error);
        NTMS_GUID id{};
        EXPECT_EQ(ntms.DeleteNtmsDrive(nullptr, &id), row.error);
        EXPECT_EQ(ntms.CloseNtmsSession(nullptr),
                  row.error == ERROR_PROC_NOT_FOUND ? static_cast<DWORD>(ERROR_INVALID_HANDLE) : row.error);
    }
}

}  // namespace
