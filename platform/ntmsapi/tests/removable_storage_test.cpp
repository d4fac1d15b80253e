// ntmsapi.dll as a program reaches it, by name: present from Windows 2000 on, sessions whose errors a
// test chooses, the drive list by its size protocol, a drive's information, and the deletion of a drive
// only once its device is gone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ntmsapi.h"
#include "platform/machine/guid_text.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::OsKind;
using platform::TestMachine;
namespace fault_target = platform::fault_target;

constexpr char kReader[] = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
constexpr char kDisk[] = "{0E5A7B2C-1D3F-4A6B-9C8D-7E6F5A4B3C2D}";

GUID Id(const char* text) {
    return *platform::ParseGuid(text);
}

TEST(RemovableStorage, PresentFromWindows2000On) {
    const struct {
        OsKind os;
        bool present;
    } rows[] = {
        {OsKind::WindowsXP, true},  {OsKind::Windows2000, true}, {OsKind::WindowsNT4, false},
        {OsKind::Windows98, false}, {OsKind::WindowsMe, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os));
        TestMachine machine(row.os);
        SetLastError(0);
        HMODULE library = LoadLibraryA("ntmsapi.dll");
        EXPECT_EQ(library != nullptr, row.present);
        if (!library) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
            continue;
        }
        EXPECT_NE(GetProcAddress(library, "OpenNtmsSessionA"), nullptr);
        EXPECT_NE(GetProcAddress(library, "DeleteNtmsDrive"), nullptr);
        EXPECT_TRUE(FreeLibrary(library));
    }
    // A machine may have it where its system lacks it, and lose it where the system has it; machine.ini
    // keeps either choice.
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsNT4);
    settings.absentLibraries.clear();
    TestMachine old(settings);
    EXPECT_TRUE(platform::ReadMachineSettings(old.folder() / "machine.ini").absentLibraries.empty());
    HMODULE library = LoadLibraryA("ntmsapi.dll");
    EXPECT_NE(library, nullptr);
    FreeLibrary(library);
}

TEST(RemovableStorage, SessionErrorsAreChosenByTheTest) {
    const struct {
        DWORD error;
        int times;
    } rows[] = {{ERROR_SERVICE_DISABLED, -1}, {ERROR_NOT_CONNECTED, -1}, {ERROR_NOT_READY, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.error);
        TestMachine machine;
        machine.Fault(fault_target::kRemovableStorage, "session", "open", row.error, row.times);
        for (int attempt = 0; attempt < 3; ++attempt) {
            SetLastError(0);
            HANDLE session = OpenNtmsSessionA(nullptr, nullptr, 0);
            bool refused = row.times < 0 || attempt < row.times;
            EXPECT_EQ(session == INVALID_HANDLE_VALUE, refused) << attempt;
            if (refused) {
                EXPECT_EQ(GetLastError(), row.error);
            } else {
                EXPECT_EQ(CloseNtmsSession(session), static_cast<DWORD>(ERROR_SUCCESS));
            }
        }
        EXPECT_EQ(machine.RemovableStorageSessions(), 0);
    }
}

TEST(RemovableStorage, SessionsAreCountedUntilClosed) {
    TestMachine machine;
    EXPECT_EQ(OpenNtmsSessionA("ALTRO", nullptr, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_CONNECTED));
    EXPECT_EQ(OpenNtmsSessionA(nullptr, nullptr, 1), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    HANDLE first = OpenNtmsSessionA(nullptr, "devpurge", 0);
    HANDLE second = OpenNtmsSessionA("ufficio", nullptr, 0);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_NE(first, second);
    EXPECT_EQ(machine.RemovableStorageSessions(), 2);
    EXPECT_EQ(CloseNtmsSession(first), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(CloseNtmsSession(first), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD size = 0;
    EXPECT_EQ(EnumerateNtmsObject(first, nullptr, nullptr, &size, NTMS_DRIVE, 0),
              static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(machine.RemovableStorageSessions(), 1);
    EXPECT_EQ(CloseNtmsSession(second), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(machine.RemovableStorageSessions(), 0);
}

TEST(RemovableStorage, DriveListBySizeProtocol) {
    TestMachine machine;
    HANDLE session = OpenNtmsSessionA(nullptr, nullptr, 0);
    DWORD size = 0;
    EXPECT_EQ(EnumerateNtmsObject(session, nullptr, nullptr, &size, NTMS_DRIVE, 0),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(size, 0u);

    machine.RemovableStorageDrive(kReader, "QN Card Reader 05", NTMS_NOT_PRESENT)
        .RemovableStorageDrive(kDisk, "Acme ZIP 100", NTMS_READY);
    NTMS_GUID list[2] = {};
    const struct {
        const char* name;
        DWORD room;
        DWORD result;
        int filled;
    } rows[] = {
        {"empty buffer", 0, ERROR_INSUFFICIENT_BUFFER, 0},
        {"room for one", 1, ERROR_INSUFFICIENT_BUFFER, 1},
        {"room for both", 2, ERROR_SUCCESS, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        size = row.room;
        list[0] = list[1] = GUID{};
        EXPECT_EQ(EnumerateNtmsObject(session, nullptr, row.room ? list : nullptr, &size, NTMS_DRIVE, 0),
                  row.result);
        EXPECT_EQ(size, 2u);
        EXPECT_EQ(platform::GuidText(list[0]),
                  row.filled > 0 ? kReader : "{00000000-0000-0000-0000-000000000000}");
        if (row.filled > 1) {
            EXPECT_EQ(platform::GuidText(list[1]), kDisk);
        }
    }
    // Other kinds of objects: none are kept. A container: none is known.
    size = 2;
    EXPECT_EQ(EnumerateNtmsObject(session, nullptr, list, &size, NTMS_LIBRARY, 0),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(size, 0u);
    size = 2;
    EXPECT_EQ(EnumerateNtmsObject(session, list, list, &size, NTMS_DRIVE, 0),
              static_cast<DWORD>(ERROR_OBJECT_NOT_FOUND));
    EXPECT_EQ(EnumerateNtmsObject(session, nullptr, list, nullptr, NTMS_DRIVE, 0),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    machine.Fault(fault_target::kRemovableStorage, "drives", "enumerate", ERROR_DATABASE_FAILURE, 1);
    size = 0;
    EXPECT_EQ(EnumerateNtmsObject(session, nullptr, nullptr, &size, NTMS_DRIVE, 0),
              static_cast<DWORD>(ERROR_DATABASE_FAILURE));
    CloseNtmsSession(session);
}

TEST(RemovableStorage, DriveInformation) {
    TestMachine machine;
    machine.RemovableStorageDrive(kReader, std::string(140, 'Q'), NTMS_NOT_PRESENT);
    HANDLE session = OpenNtmsSessionA(nullptr, nullptr, 0);
    GUID reader = Id(kReader), unknown = Id(kDisk);
    NTMS_OBJECTINFORMATIONA info;
    const struct {
        const char* name;
        GUID* id;
        DWORD size, type, result;
    } rows[] = {
        {"the drive", &reader, sizeof info, NTMS_DRIVE, ERROR_SUCCESS},
        {"a wrong size", &reader, 256, NTMS_DRIVE, ERROR_INVALID_PARAMETER},
        {"a wrong type", &reader, sizeof info, NTMS_LIBRARY, ERROR_INVALID_PARAMETER},
        {"an unknown id", &unknown, sizeof info, NTMS_DRIVE, ERROR_OBJECT_NOT_FOUND},
        {"no id", nullptr, sizeof info, NTMS_DRIVE, ERROR_INVALID_PARAMETER},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::memset(&info, 0x55, sizeof info);
        info.dwSize = row.size;
        info.dwType = row.type;
        EXPECT_EQ(GetNtmsObjectInformationA(session, row.id, &info), row.result);
    }
    info.dwSize = sizeof info;
    info.dwType = NTMS_DRIVE;
    ASSERT_EQ(GetNtmsObjectInformationA(session, &reader, &info), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(info.dwOperationalState, static_cast<DWORD>(NTMS_NOT_PRESENT));
    EXPECT_EQ(platform::GuidText(info.ObjectGuid), kReader);
    // The description's field holds 126 characters and its zero.
    EXPECT_EQ(std::string(info.szDescription), std::string(126, 'Q'));
    EXPECT_EQ(info.szName[0], '\0');
    machine.Fault(fault_target::kRemovableStorage, kReader, "information", ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetNtmsObjectInformationA(session, &reader, &info), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseNtmsSession(session);
}

TEST(RemovableStorage, OnlyADriveThatIsNotPresentIsDeleted) {
    TestMachine machine;
    machine.RemovableStorageDrive(kReader, "QN Card Reader 05", NTMS_NOT_PRESENT)
        .RemovableStorageDrive(kDisk, "Acme ZIP 100", NTMS_READY);
    HANDLE session = OpenNtmsSessionA(nullptr, nullptr, 0);
    GUID reader = Id(kReader), disk = Id(kDisk);
    machine.Fault(fault_target::kRemovableStorage, kReader, "delete", ERROR_DATABASE_FAILURE, 1);
    const struct {
        const char* name;
        GUID* id;
        DWORD result;
    } rows[] = {
        {"a drive in use", &disk, ERROR_INVALID_STATE},
        {"a refused deletion", &reader, ERROR_DATABASE_FAILURE},
        {"a drive no longer present", &reader, ERROR_SUCCESS},
        {"a drive already deleted", &reader, ERROR_INVALID_DRIVE},
        {"no id", nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const auto& row : rows) EXPECT_EQ(DeleteNtmsDrive(session, row.id), row.result) << row.name;
    std::vector<platform::removable_storage::StorageDrive> left = machine.RemovableStorageDrives();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].description, "Acme ZIP 100");
    CloseNtmsSession(session);
    EXPECT_EQ(DeleteNtmsDrive(session, &disk), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
