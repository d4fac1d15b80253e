// devpurge as a person or the product's installer runs it: the built program started in a test machine
// through its stub, its output collected until it and the copy it hands over to have ended, and the
// machine looked at afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/testing/program_run.h"
#include "platform/testing/test_machine.h"
#include "platform/testing/worker_process.h"

namespace {

using platform::ProgramRun;
using platform::TestMachine;

constexpr char kProgram[] = "C:\\Programmi\\Corvanta\\devpurge.exe";
constexpr char kProgramFolder[] = "C:\\Programmi\\Corvanta\\";
constexpr char kVersion[] =
    "[Version]\r\nDIVISION=Qnv\r\nVCD_FILEVER=30\r\nICE_REV=8\r\n"
    "FIRST_IO_REVISION=5\r\nLAST_IO_REVISION=9\r\nFIRST_CA_REVISION=2\r\nLAST_CA_REVISION=4\r\n"
    "[Version.0x10]\r\nProductSeries=Corvanta QN serie 300\r\n"
    "[Scrubber]\r\nenabled=0\r\nREVISION5=QN300\r\nREVISION6=QN310\r\nREVISION7=QN500\r\nREVISION8=QN510\r\n"
    "REVISION9=QN700\r\n";
constexpr char kFileInUseText[] = "Impossibile eliminare questo file";
constexpr char kAdministratorText[] = "Per eseguire questo programma";

void InstallProgram(TestMachine& machine, const std::string& path = kProgram) {
    machine.Program(path, "devpurge", {{"FileVersion", "3.0.0.8"}});
}

// The machine's temporary folder, where the program's copy runs and the logs are written.
std::string Temp() {
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

// The logs the run left in the temporary folder, by name.
std::vector<std::string> Logs() {
    std::vector<std::string> logs;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((Temp() + "*.LOG").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return logs;
    do {
        logs.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return logs;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

ProgramRun Devpurge(const std::string& arguments, const char* currentFolder = nullptr) {
    ProgramRun run = platform::RunProgram(std::string(kProgram) + " " + arguments, currentFolder);
    EXPECT_TRUE(run.started) << run.error;
    EXPECT_FALSE(run.timedOut);
    return run;
}

// The program started anywhere but the temporary folder copies itself and the data file it read there
// and hands over to the copy, which reads the copied file, does not hand over again and does the work.
TEST(Devpurge, RelaunchFromTheTemporaryFolder) {
    struct Row {
        const char* name;     // as the command line names the data file
        const char* where;    // where the file is
        const char* current;  // the folder devpurge is started from
    };
    const Row rows[] = {
        {"C:\\Dati\\u.dat", "C:\\Dati\\u.dat", nullptr},
        {"Dati\\u.dat", "C:\\Dati\\u.dat", nullptr},
        {"u.dat", "C:\\Programmi\\Corvanta\\u.dat", nullptr},
        {"u.dat", "C:\\Lavoro\\u.dat", "C:\\Lavoro"},
        {"\"C:\\Dati e altro\\u.dat\"", "C:\\Dati e altro\\u.dat", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestMachine machine;
        InstallProgram(machine);
        machine.File(row.where, kVersion).Folder("C:\\Lavoro");
        ProgramRun run = Devpurge(std::string("/datfile /unattended ") + row.name, row.current);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.output, "");
        EXPECT_TRUE(machine.Exists(Temp() + "devpurge.exe"));
        EXPECT_EQ(machine.ReadFile(Temp() + "u.dat"), kVersion);
        EXPECT_EQ(machine.ReadFile(Temp() + "qnvins08.dat"), kVersion);
        // One run, by the copy, with the division of the data file in its log's name.
        std::string transcript = machine.Transcript();
        EXPECT_EQ(Count(transcript, "Dialog 102 \"Attendere...\" shown"), 1u) << transcript;
        std::vector<std::string> logs = Logs();
        ASSERT_EQ(logs.size(), 1u);
        EXPECT_EQ(logs[0].rfind("QnvUNI008.", 0), 0u) << logs[0];
    }
}

// The division gives the logs their names: three characters at most; without one nothing runs.
TEST(Devpurge, Division) {
    struct Row {
        const char* division;
        const char* logPrefix;
        const char* output;
    };
    const Row rows[] = {
        {"DIVISION=Qnvx\r\n", "QnvUNI008.", ""},
        {"DIVISION=Ab\r\n", "AbUNI008.", ""},
        {"", nullptr, "GetValueByQualifier(gDATFileName.c_str(), VERSION_SECTION, DIVISION failed\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.division);
        TestMachine machine;
        InstallProgram(machine);
        machine.File("C:\\Dati\\u.dat", std::string("[Version]\r\n") + row.division +
                                            "ICE_REV=8\r\n[Scrubber]\r\nenabled=0\r\nREVISION0=QN\r\n");
        ProgramRun run = Devpurge("/datfile /unattended /nocopytotemp C:\\Dati\\u.dat");
        EXPECT_EQ(run.output, row.output);
        std::vector<std::string> logs = Logs();
        if (!row.logPrefix) {
            EXPECT_NE(run.exitCode, 0u);
            EXPECT_TRUE(logs.empty());
            continue;
        }
        EXPECT_EQ(run.exitCode, 0u);
        ASSERT_EQ(logs.size(), 1u);
        EXPECT_EQ(logs[0].rfind(row.logPrefix, 0), 0u) << logs[0];
    }
}

// On Windows NT a user who is not an administrator is told so (unless silent) and nothing runs; without
// advpack.dll, or on Windows 9x, nobody is asked.
TEST(Devpurge, AdministratorCheck) {
    struct Row {
        platform::OsKind os;
        bool administrator;
        bool advpack;
        const char* arguments;
        bool runs;
        const char* caption;  // of the message, none when null
    };
    const Row rows[] = {
        {platform::OsKind::WindowsXP, false, true, "/datfile /unattended C:\\Dati\\u.dat", false,
         "\"Corvanta QN serie 300\""},
        {platform::OsKind::WindowsXP, false, true, "/datfile /silent C:\\Dati\\u.dat", false, nullptr},
        {platform::OsKind::WindowsXP, false, true, "C:\\Dati\\u.dat", false,
         "\"Programma di disinstallazione driver di periferica\""},
        {platform::OsKind::WindowsXP, false, false, "/datfile /unattended C:\\Dati\\u.dat", true, nullptr},
        {platform::OsKind::WindowsXP, true, true, "/datfile /unattended C:\\Dati\\u.dat", true, nullptr},
        {platform::OsKind::Windows98SE, false, true, "/datfile /unattended C:\\Dati\\u.dat", true, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.arguments << " admin " << row.administrator << " advpack " << row.advpack);
        platform::MachineSettings settings = platform::MachineSettings::Defaults(row.os);
        settings.administrator = row.administrator;
        if (!row.advpack) settings.absentLibraries.insert("ADVPACK.DLL");
        TestMachine machine(settings);
        InstallProgram(machine);
        machine.File("C:\\Dati\\u.dat", kVersion);
        ProgramRun run = Devpurge(row.arguments);
        std::string transcript = machine.Transcript();
        EXPECT_EQ(transcript.find(kAdministratorText) != std::string::npos, row.caption != nullptr)
            << transcript;
        if (row.caption) {
            EXPECT_NE(transcript.find(std::string("MessageBox ") + row.caption), std::string::npos);
        }
        EXPECT_EQ(Logs().size(), row.runs ? 1u : 0u);
        if (!row.runs) {
            EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_ACCESS_DENIED));
            EXPECT_FALSE(machine.Exists(Temp() + "devpurge.exe"));
            EXPECT_TRUE(machine.Exists("C:\\Dati\\u.dat"));
        }
    }
}

// Without datfile the file named is deleted, waiting up to 30 s (machine time) while it is in use.
TEST(Devpurge, DeleteFileMode) {
    struct Row {
        const char* arguments;
        bool exists;
        std::int64_t inUse;  // milliseconds
        DWORD fault;         // the first deletion's error
        DWORD exitCode;
        bool deleted;
        bool message;
    };
    const Row rows[] = {
        {"C:\\Vecchio\\a.dll", true, 0, 0, 0, true, false},
        {"", false, 0, 0, 0, false, false},
        {"C:\\Vecchio\\nessuno.dll", false, 0, 0, 0, false, false},
        {"C:\\Nessuna\\cartella\\a.dll", false, 0, 0, 0, false, false},
        {"C:\\Vecchio\\a.dll", true, 0, ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND, false, false},
        {"C:\\Vecchio\\a.dll", true, 5000, 0, 0, true, false},
        {"/silent C:\\Vecchio\\a.dll", true, 5000, 0, 0, true, false},
        {"C:\\Vecchio\\a.dll", true, 40000, 0, ERROR_SHARING_VIOLATION, false, true},
        {"/silent C:\\Vecchio\\a.dll", true, 40000, 0, ERROR_SHARING_VIOLATION, false, false},
        {"/unattended C:\\Vecchio\\a.dll", true, 40000, 0, ERROR_SHARING_VIOLATION, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.arguments << " in use " << row.inUse);
        TestMachine machine;
        machine.UseVirtualClock(1100000000);
        InstallProgram(machine);
        if (row.exists) machine.File("C:\\Vecchio\\a.dll", "old");
        if (row.inUse) machine.FileInUse("C:\\Vecchio\\a.dll", row.inUse);
        if (row.fault) machine.Fault("file", "C:\\Vecchio\\a.dll", "delete", row.fault, 1);
        ProgramRun run = Devpurge(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.output, "");
        if (row.exists) {
            EXPECT_EQ(machine.Exists("C:\\Vecchio\\a.dll"), !row.deleted);
        }
        std::string transcript = machine.Transcript();
        EXPECT_EQ(transcript.find(kFileInUseText) != std::string::npos, row.message) << transcript;
        if (row.message) {
            EXPECT_NE(transcript.find("MessageBox \"C:\\Vecchio\\a.dll\""), std::string::npos);
        }
        // No uninstall ran.
        EXPECT_EQ(transcript.find("Dialog"), std::string::npos) << transcript;
        EXPECT_TRUE(Logs().empty());
    }
}

// The warning declined, an ordinary run, and a run that needs a restart, with and without the dialog.
TEST(Devpurge, RunOutcomes) {
    struct Row {
        const char* arguments;
        const char* answer;
        DWORD exitCode;
        bool warning, runs, restartDialog;  // runs: wrote its log
    };
    const Row rows[] = {
        {"/datfile /nocopytotemp C:\\Dati\\u.dat", "IDCANCEL", ERROR_OPERATION_ABORTED, true, false, false},
        {"/datfile /nocopytotemp C:\\Dati\\u.dat", nullptr, 0, true, true, false},
        {"/datfile /nocopytotemp /unattended C:\\Dati\\u.dat", nullptr, 0, false, true, false},
        {"/datfile /nocopytotemp /unattended /all C:\\Dati\\u.dat", nullptr, ERROR_SUCCESS_REBOOT_REQUIRED,
         false, true, true},
        {"/datfile /nocopytotemp /silent /all /noreboot C:\\Dati\\u.dat", nullptr,
         ERROR_SUCCESS_REBOOT_REQUIRED, false, true, false},
        // Handed over: the copy declines, the first instance has ended well.
        {"/datfile C:\\Dati\\u.dat", "IDCANCEL", 0, true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        TestMachine machine;
        InstallProgram(machine);
        machine.File("C:\\Dati\\u.dat", kVersion);
        if (row.answer) machine.Answer(row.answer);
        ProgramRun run = Devpurge(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.output, "");
        std::string transcript = machine.Transcript();
        EXPECT_EQ(transcript.find("Dialog 103") != std::string::npos, row.warning) << transcript;
        EXPECT_EQ(transcript.find("Dialog 104") != std::string::npos, row.restartDialog) << transcript;
        EXPECT_EQ(Logs().size(), row.runs ? 1u : 0u);
    }
}

// The old software's driver files of revisions 5 to 9, which the file uninstaller collects by revision.
constexpr char kDrivers[] = "C:\\WINDOWS\\system32\\drivers\\";
constexpr char kFileRemoval[] =
    "[Scrubber.FileUninstaller]\r\nenabled=1\r\n"
    "[Scrubber.FileUninstaller.Windows]\r\n"
    "REVISION5=qnvold05.txt\r\nREVISION6=qnvold06.txt\r\nREVISION7=qnvold07.txt"
    "\r\nREVISION8=qnvold08.txt\r\nREVISION9=qnvold09.txt\r\n"
    "[Scrubber.FileUninstaller.Inf]\r\n"
    "REVISION5=qnvold05.txt\r\nREVISION6=qnvold06.txt\r\nREVISION7=qnvold07.txt"
    "\r\nREVISION8=qnvold08.txt\r\nREVISION9=qnvold09.txt\r\n";

void InstallDrivers(TestMachine& machine) {
    for (int revision = 5; revision <= 9; ++revision)
        machine.File(std::string(kDrivers) + "QnvA0" + std::to_string(revision) + ".sys", "driver");
}

std::string Remaining(TestMachine& machine) {
    std::string remaining;
    for (int revision = 5; revision <= 9; ++revision) {
        if (machine.Exists(std::string(kDrivers) + "QnvA0" + std::to_string(revision) + ".sys"))
            remaining += std::to_string(revision);
    }
    return remaining;
}

// latest and legacy read the data file named before them: after the name they narrow the revisions
// removed, before it they read nothing. legacy with no older driver installed ends at once.
TEST(Devpurge, LatestAndLegacy) {
    struct Row {
        const char* arguments;
        bool oldDriver;  // a printer driver file of an earlier revision is installed
        DWORD exitCode;
        const char* remaining;  // the revisions whose driver files are left
        bool restartDialog;
    };
    const Row rows[] = {
        {"/datfile /nocopytotemp /unattended C:\\Dati\\u.dat", false, 0, "", false},
        {"/datfile /nocopytotemp /unattended C:\\Dati\\u.dat /latest", false, 0, "5678", false},
        {"/datfile /nocopytotemp /unattended /latest C:\\Dati\\u.dat", false, 0, "", false},
        {"/datfile /nocopytotemp /unattended C:\\Dati\\u.dat /legacy", true, ERROR_SUCCESS_REBOOT_REQUIRED,
         "9", true},
        {"/datfile /nocopytotemp /unattended C:\\Dati\\u.dat /legacy /noreboot", true,
         ERROR_SUCCESS_REBOOT_REQUIRED, "9", false},
        {"/datfile /nocopytotemp /unattended C:\\Dati\\u.dat /legacy", false, 0, "56789", false},
        {"/datfile /nocopytotemp /unattended /legacy C:\\Dati\\u.dat", true, 0, "56789", false},
        // Handed over to the copy, which runs with the same options.
        {"/datfile /unattended C:\\Dati\\u.dat /legacy", true, 0, "9", true},
        {"/datfile /unattended C:\\Dati\\u.dat /legacy", false, 0, "56789", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.arguments << " old driver " << row.oldDriver);
        TestMachine machine;
        InstallProgram(machine);
        machine.File("C:\\Dati\\u.dat", std::string(kVersion) + kFileRemoval);
        InstallDrivers(machine);
        if (row.oldDriver) machine.File(std::string(kDrivers) + "QnvPRN08.sys", "old printer driver");
        ProgramRun run = Devpurge(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(Remaining(machine), row.remaining);
        std::string transcript = machine.Transcript();
        EXPECT_EQ(transcript.find("Dialog 104") != std::string::npos, row.restartDialog) << transcript;
        // Nothing to remove: no copy, no run.
        bool ran = std::string(row.remaining) != "56789";
        EXPECT_EQ(Logs().size(), ran ? 1u : 0u);
        if (std::strstr(row.arguments, "nocopytotemp") == nullptr) {
            EXPECT_EQ(machine.Exists(Temp() + "devpurge.exe"), ran);
        }
    }
}

// What cannot be deleted goes to the error log; what is refused is deleted at the next start, which
// `winmachine reboot` carries out.
TEST(Devpurge, DeletionOutcomes) {
    TestMachine machine;
    machine.UseVirtualClock(1100000000);
    InstallProgram(machine);
    machine.File("C:\\Dati\\u.dat", std::string(kVersion) + kFileRemoval);
    InstallDrivers(machine);
    machine.FileInUse(std::string(kDrivers) + "QnvA06.sys", 3600000);
    machine.Fault("file", std::string(kDrivers) + "QnvA07.sys", "delete", ERROR_ACCESS_DENIED, 1);
    ProgramRun run = Devpurge("/datfile /unattended /all C:\\Dati\\u.dat");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "Could not complete uninstall successfully.\n");
    EXPECT_EQ(Remaining(machine), "67");
    EXPECT_NE(machine.Transcript().find("Dialog 104"), std::string::npos);

    std::vector<std::string> logs = Logs();
    ASSERT_EQ(logs.size(), 2u);
    std::string operations = machine.ReadFile(Temp() + logs[0]);
    std::string errors = machine.ReadFile(Temp() + logs[1]);
    if (errors.find("Error deleting") == std::string::npos) std::swap(operations, errors);
    EXPECT_NE(operations.find("Deleted=C:\\WINDOWS\\SYSTEM32\\DRIVERS\\QnvA05.sys"), std::string::npos)
        << operations;
    // The entries end in CR LF, which the log, written as text, turns into CR CR LF.
    EXPECT_NE(operations.find("DeleteOnNextReboot=C:\\WINDOWS\\SYSTEM32\\DRIVERS\\QnvA07.sys\r\r\n"),
              std::string::npos)
        << operations;
    EXPECT_NE(errors.find("Error deleting \"C:\\WINDOWS\\SYSTEM32\\DRIVERS\\QnvA06.sys\":\r\r\n"),
              std::string::npos)
        << errors;

    platform::WorkerProcess reboot(machine, WINMACHINE_TOOL, {"reboot", machine.folder().string()});
    EXPECT_EQ(reboot.Wait(), 0);
    EXPECT_EQ(Remaining(machine), "6");
}

}  // namespace
