// The removable-storage uninstaller: the maker's card-reader drives that are gone leave the manager's
// database, present drives and other makers' stay; the session's errors, of which a disabled or
// unreachable service is no error; a failed enumeration or allocation ends the work with everything let
// go; and nothing at all where the library is missing.
#include "CRsmUninstaller.h"

#include <string>
#include <vector>

#include "UninstallerTesting.h"
#include "ntmsapi.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::OsKind;
namespace fault_target = platform::fault_target;

constexpr char kDataFile[] = "C:\\Dati\\devpurge.dat";
constexpr char kData[] = "[Scrubber.RsmUninstaller]\r\nenabled=1\r\n1=qn card reader\r\n";

// The drives of the test machine: the card reader of this generation, gone; the same reader still
// plugged in; another maker's drive, gone; a drive named with the division and a device revision in the
// range; one with a revision outside it.
constexpr char kGoneReader[] = "{11111111-2222-4333-8444-555555555501}";
constexpr char kPresentReader[] = "{11111111-2222-4333-8444-555555555502}";
constexpr char kOtherMaker[] = "{11111111-2222-4333-8444-555555555503}";
constexpr char kRevisionDrive[] = "{11111111-2222-4333-8444-555555555504}";
constexpr char kOtherRevision[] = "{11111111-2222-4333-8444-555555555505}";

class RsmUninstallerTest : public UninstallerTest {
  protected:
    struct Run {
        std::vector<std::string> log, errors;
        std::string output;
        DWORD waited = 0;  // ms of the machine's clock
    };

    static void Prepare(platform::TestMachine& machine) {
        ResetOsVersionRecordForTesting();
        machine.UseVirtualClock(1100000000);
        machine.File(kDataFile, std::string("[Version]\r\nDIVISION=QN\r\n") + kData);
        gDATFileName = kDataFile;
        DIVISION = "QN";
        FIRST_IO_REVISION = 5;
        LAST_IO_REVISION = 7;
        machine.RemovableStorageDrive(kGoneReader, "QN Card Reader 05", NTMS_NOT_PRESENT)
            .RemovableStorageDrive(kPresentReader, "QN Card Reader 06", NTMS_READY)
            .RemovableStorageDrive(kOtherMaker, "Acme ZIP 100", NTMS_NOT_PRESENT)
            .RemovableStorageDrive(kRevisionDrive, "USB storage qn06 slot", NTMS_NOT_PRESENT)
            .RemovableStorageDrive(kOtherRevision, "USB storage QN08 slot", NTMS_NOT_PRESENT);
    }

    static Run Remove() {
        CRsmUninstaller uninstaller(nullptr);
        EXPECT_EQ(uninstaller.IsEnabled(), 1u);
        DWORD start = GetTickCount();
        platform::StdoutCapture output;
        uninstaller.Delete();
        Run run{Strings(uninstaller.GetLogList()), Strings(uninstaller.GetErrorList()), output.Take()};
        run.waited = GetTickCount() - start;
        return run;
    }

    static std::vector<std::string> DriveDescriptions(platform::TestMachine& machine) {
        std::vector<std::string> descriptions;
        for (const auto& drive : machine.RemovableStorageDrives()) descriptions.push_back(drive.description);
        return descriptions;
    }
};

const std::vector<std::string> kAllDrives = {"QN Card Reader 05", "QN Card Reader 06", "Acme ZIP 100",
                                             "USB storage qn06 slot", "USB storage QN08 slot"};

TEST_F(RsmUninstallerTest, MakersDrivesNoLongerPresentAreDeleted) {
    for (OsKind os : {OsKind::WindowsXP, OsKind::Windows2000}) {
        SCOPED_TRACE(platform::OsKindName(os));
        platform::TestMachine machine(os);
        Prepare(machine);
        Run run = Remove();
        EXPECT_EQ(run.log, (std::vector<std::string>{"Removed drive= QN Card Reader 05\r\n",
                                                     "Removed drive= USB storage qn06 slot\r\n"}));
        EXPECT_EQ(run.errors, std::vector<std::string>{});
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(DriveDescriptions(machine),
                  (std::vector<std::string>{"QN Card Reader 06", "Acme ZIP 100", "USB storage QN08 slot"}));
        EXPECT_EQ(machine.RemovableStorageSessions(), 0);
    }
}

TEST_F(RsmUninstallerTest, NothingWithoutTheLibrary) {
    const struct {
        OsKind os;
        bool traced;
    } rows[] = {
        // Windows NT 4 tries the library and says it is missing; Windows 9x has no such manager.
        {OsKind::WindowsNT4, true},
        {OsKind::Windows98, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os));
        platform::TestMachine machine(row.os);
        Prepare(machine);
        Run run = Remove();
        EXPECT_EQ(run.output, row.traced ? "LoadLibrary(\"ntmsapi.dll\") failed with " +
                                               ErrorText(ERROR_MOD_NOT_FOUND) + "\n"
                                         : "");
        EXPECT_EQ(run.errors, std::vector<std::string>{});
        EXPECT_EQ(run.log, std::vector<std::string>{});
        EXPECT_EQ(DriveDescriptions(machine), kAllDrives);
    }
}

TEST_F(RsmUninstallerTest, SessionErrors) {
    const struct {
        const char* name;
        OsKind os;
        DWORD error;
        int times;
        bool reported;  // in the error list
        bool opened;    // a later attempt got a session
        DWORD waited;   // ms
    } rows[] = {
        {"service disabled", OsKind::WindowsXP, ERROR_SERVICE_DISABLED, -1, false, false, 0},
        {"service disabled", OsKind::Windows2000, ERROR_SERVICE_DISABLED, -1, false, false, 0},
        {"not connected", OsKind::WindowsXP, ERROR_NOT_CONNECTED, -1, false, false, 0},
        {"not connected", OsKind::Windows2000, ERROR_NOT_CONNECTED, -1, false, false, 0},
        {"starting, then ready", OsKind::WindowsXP, ERROR_NOT_READY, 2, false, true, 2000},
        {"never ready", OsKind::Windows2000, ERROR_NOT_READY, -1, true, false, 4000},
        {"refused once", OsKind::WindowsXP, ERROR_ACCESS_DENIED, 1, false, true, 0},
        {"refused", OsKind::WindowsXP, ERROR_ACCESS_DENIED, -1, true, false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " on " + platform::OsKindName(row.os));
        platform::TestMachine machine(row.os);
        Prepare(machine);
        machine.Fault(fault_target::kRemovableStorage, "session", "open", row.error, row.times);
        Run run = Remove();
        EXPECT_EQ(run.waited, row.waited);
        EXPECT_EQ(machine.RemovableStorageSessions(), 0);
        if (row.opened) {
            EXPECT_EQ(run.output, "");
            EXPECT_EQ(run.log.size(), 2u);
            continue;
        }
        std::string text = ErrorText(row.error);
        EXPECT_EQ(run.output, "CNtmsApi.OpenNtmsSession failed with " + text + "\n");
        EXPECT_EQ(run.errors,
                  row.reported
                      ? std::vector<std::string>{"CNtmsApi.OpenNtmsSession failed with " + text + "\r\n"}
                      : std::vector<std::string>{});
        EXPECT_EQ(DriveDescriptions(machine), kAllDrives);
    }
}

TEST_F(RsmUninstallerTest, FailedListEndsTheWorkAndLetsEverythingGo) {
    const struct {
        const char* name;
        std::string_view target, object, operation;
        DWORD error;
        const char* output;  // the enumeration's failure: its step, then the error's text
        const char* entry;
    } rows[] = {
        {"enumeration", fault_target::kRemovableStorage, "drives", "enumerate", ERROR_DATABASE_FAILURE,
         "CNtmsApi.EnumerateNtmsObject failed with ", "CNtmsApi.EnumerateNtmsObject failed with "},
        {"allocation", fault_target::kHeap, "*", "allocate", ERROR_NOT_ENOUGH_MEMORY, "Not enough memory!",
         "Failed to allocate memory."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        platform::TestMachine machine;
        Prepare(machine);
        machine.Fault(row.target, row.object, row.operation, row.error, 1);
        bool enumeration = row.target == fault_target::kRemovableStorage;
        std::string text = enumeration ? ErrorText(row.error) : "";
        Run run = Remove();
        EXPECT_EQ(run.output, row.output + text + (enumeration ? "\n" : ""));
        EXPECT_EQ(run.errors, std::vector<std::string>{row.entry + text + "\r\n"});
        EXPECT_EQ(run.log, std::vector<std::string>{});
        EXPECT_EQ(DriveDescriptions(machine), kAllDrives);
        EXPECT_EQ(machine.RemovableStorageSessions(), 0);
    }
}

TEST_F(RsmUninstallerTest, DriveThatCannotBeReadOrDeleted) {
    platform::TestMachine machine;
    Prepare(machine);
    machine.Fault(fault_target::kRemovableStorage, kGoneReader, "delete", ERROR_ACCESS_DENIED);
    machine.Fault(fault_target::kRemovableStorage, kRevisionDrive, "information", ERROR_ACCESS_DENIED);
    Run run = Remove();
    EXPECT_EQ(run.errors,
              std::vector<std::string>{"Can not delete drive : " + ErrorText(ERROR_ACCESS_DENIED) + "\r\n"});
    EXPECT_EQ(run.log, std::vector<std::string>{});
    EXPECT_EQ(DriveDescriptions(machine), kAllDrives);
    EXPECT_EQ(machine.RemovableStorageSessions(), 0);
}

TEST_F(RsmUninstallerTest, DisabledSectionDoesNotRun) {
    platform::TestMachine machine;
    Prepare(machine);
    machine.File(kDataFile, "[Version]\r\nDIVISION=QN\r\n[Scrubber.RsmUninstaller]\r\nenabled=0\r\n");
    CRsmUninstaller uninstaller(nullptr);
    EXPECT_EQ(uninstaller.IsEnabled(), 0u);
}

}  // namespace
