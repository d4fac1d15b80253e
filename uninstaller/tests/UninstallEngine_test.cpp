// The engine: the order of the uninstallers, the merging of their lists, the deletion pass and the
// deletion at the next restart on Windows NT and 9x.
#include "UninstallEngine.h"

#include <string>
#include <vector>

#include "CRestartDialog.h"
#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace {

using EngineTest = UninstallerTest;
constexpr char kProgram[] = "C:\\Programmi\\Vecchio\\devpurge.exe";

std::vector<std::string> BootDeletions(platform::TestMachine& machine) {
    std::vector<std::string> paths;
    for (const platform::BootOperation& operation : machine.BootOperations()) {
        paths.push_back(operation.source +
                        (operation.destination.empty() ? "" : " -> " + operation.destination));
    }
    return paths;
}

TEST_F(EngineTest, EnabledUninstallersRunInListOrderAndTheirListsAreMerged) {
    platform::TestMachine machine;
    machine.File("C:\\a.txt", "a").File("C:\\b.txt", "b").File("C:\\c.txt", "c");
    std::vector<std::string> calls;
    gLogList.push_back("earlier\r\n");
    {
        TestUninstaller first("first", 1, {{"C:\\b.txt", "C:\\a.txt"}, {"log1\r\n"}, {"err1\r\n"}}, calls);
        TestUninstaller off("off", 0, {{"C:\\c.txt"}, {"log-off\r\n"}, {"err-off\r\n"}}, calls);
        TestUninstaller second("second", 2, {{"C:\\b.txt"}, {"log2\r\n", "log3\r\n"}, {}}, calls);
        RunUninstallerList(nullptr, {&first, &off, &second});
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"first.IsEnabled", "first.Delete", "off.IsEnabled",
                                               "second.IsEnabled", "second.Delete", "second.~", "off.~",
                                               "first.~"}));
    // b.txt, collected twice, is gone by its second turn and skipped silently.
    EXPECT_EQ(Strings(gLogList),
              (std::vector<std::string>{"earlier\r\n", "log1\r\n", "log2\r\n", "log3\r\n",
                                        "Deleted=C:\\b.txt\r\n", "Deleted=C:\\a.txt\r\n"}));
    EXPECT_EQ(Strings(gErrorList), (std::vector<std::string>{"err1\r\n"}));
    EXPECT_TRUE(machine.Exists("C:\\c.txt"));
    EXPECT_FALSE(machine.Exists("C:\\a.txt"));
}

// Every outcome of the deletion of one path on Windows NT.
TEST_F(EngineTest, DeletionPassOnWindowsNT) {
    platform::TestMachine machine;
    machine.Module(kProgram).File(kProgram, "program");
    const std::string denied = ErrorText(ERROR_ACCESS_DENIED);
    const std::string sharing = ErrorText(ERROR_SHARING_VIOLATION);
    struct Row {
        const char* name;
        const char* path;
        std::vector<std::pair<const char*, DWORD>> faults;  // operation and error on the path
        bool folderWithFile;
        std::vector<std::string> log, errors, boot;
        bool remains;
    } rows[] = {
        {"file", "C:\\Vecchio\\a.dll", {}, false, {"Deleted=C:\\Vecchio\\a.dll\r\n"}, {}, {}, false},
        {"empty folder", "C:\\Vecchio\\Vuota", {}, false, {"Deleted=C:\\Vecchio\\Vuota\r\n"}, {}, {}, false},
        {"gone", "C:\\Vecchio\\assente.dll", {}, false, {}, {}, {}, false},
        {"gone folder", "C:\\Assente\\a.dll", {}, false, {}, {}, {}, false},
        {"own program", kProgram, {}, false, {}, {}, {kProgram}, true},
        {"in use",
         "C:\\Vecchio\\a.dll",
         {{"delete", ERROR_ACCESS_DENIED}},
         false,
         {"DeleteOnNextReboot=C:\\Vecchio\\a.dll\r\n"},
         {},
         {"C:\\Vecchio\\a.dll"},
         true},
        {"folder not empty",
         "C:\\Vecchio\\Piena",
         {},
         true,
         {"DeleteOnNextReboot=C:\\Vecchio\\Piena\r\n"},
         {},
         {"C:\\Vecchio\\Piena"},
         true},
        {"denied, no delayed deletion",
         "C:\\Vecchio\\a.dll",
         {{"delete", ERROR_ACCESS_DENIED}, {"move", ERROR_ACCESS_DENIED}},
         false,
         {},
         {"Error deleting \"C:\\Vecchio\\a.dll\":\r\n", denied + "\r\n"},
         {},
         true},
        {"other failure",
         "C:\\Vecchio\\a.dll",
         {{"delete", ERROR_SHARING_VIOLATION}},
         false,
         {},
         {"Error deleting \"C:\\Vecchio\\a.dll\":\r\n", sharing + "\r\n"},
         {},
         true},
        {"attributes not set",
         "C:\\Vecchio\\a.dll",
         {{"setattributes", ERROR_ACCESS_DENIED}},
         false,
         {"Deleted=C:\\Vecchio\\a.dll\r\n"},
         {"Error=C:\\Vecchio\\a.dll " + denied + "\r\n"},
         {},
         false},
        // Unreadable attributes are not taken for a folder: the file is deleted as a file.
        {"attributes unreadable",
         "C:\\Vecchio\\a.dll",
         {{"attributes", ERROR_ACCESS_DENIED}},
         false,
         {"Deleted=C:\\Vecchio\\a.dll\r\n"},
         {},
         {},
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gLogList.clear();
        gErrorList.clear();
        machine.ClearFaults();
        machine.ClearBootOperations();
        machine.File("C:\\Vecchio\\a.dll", "x")
            .Folder("C:\\Vecchio\\Vuota")
            .File("C:\\Vecchio\\Piena\\b.dll", "x");
        for (const auto& [operation, error] : row.faults) machine.Fault("file", row.path, operation, error);
        std::vector<std::string> calls;
        TestUninstaller uninstaller("files", 1, {{row.path}, {}, {}}, calls);
        platform::StdoutCapture output;
        RunUninstallerList(nullptr, {&uninstaller});
        EXPECT_EQ(output.Take(), "");
        EXPECT_EQ(Strings(gLogList), row.log);
        EXPECT_EQ(Strings(gErrorList), row.errors);
        EXPECT_EQ(BootDeletions(machine), row.boot);
        EXPECT_EQ(machine.Exists(row.path), row.remains);
    }
}

// Windows 9x deletes at start-up what WININIT.INI [rename] names; a section of 32766 bytes takes no more.
TEST_F(EngineTest, DeleteOnNextRebootOnWindows9x) {
    platform::TestMachine machine(platform::OsKind::Windows98);
    ResetOsVersionRecordForTesting();
    const char* path = "C:\\Vecchio Software\\vecchio.dll";
    const std::string entry = "NUL=C:\\VECCHI~1\\vecchio.dll";
    // A section holding `length` bytes as GetPrivateProfileSectionA returns it (each line and its zero).
    auto sectionOf = [](size_t length) {
        std::string text = "[rename]\r\n";
        for (int line = 0; length > 0; ++line) {
            std::string key = "NUL=C:\\T" + std::to_string(line) + "=";
            size_t size = std::min<size_t>(length, 200);
            if (length - size < key.size() + 1 && length != size) size = length - key.size() - 1;
            text += key + std::string(size - key.size() - 1, 'x') + "\r\n";
            length -= size;
        }
        return text;
    };
    struct Row {
        const char* name;
        size_t before;  // bytes already in the section
        DWORD result;
        std::vector<std::string> errors;
        DWORD writeFault = 0;  // refused writing WININIT.INI
    } rows[] = {
        {"no section", 0, 0, {}},
        {"last place", 32765 - entry.size(), 0, {}},
        {"full",
         32766 - entry.size(),
         ERROR_DATABASE_FULL,
         {"Error deleting \"C:\\VECCHI~1\\vecchio.dll\". The [rename] section of the WININIT.INI file is "
          "full.\r\n"}},
        {"not written", 0, ERROR_ACCESS_DENIED, {}, ERROR_ACCESS_DENIED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gErrorList.clear();
        machine.ClearFaults();
        machine.File(path, "x");
        std::string before = row.before ? sectionOf(row.before) : "";
        machine.File("C:\\WINDOWS\\WININIT.INI", before);
        std::vector<char> section(0x8000);
        ASSERT_EQ(GetPrivateProfileSectionA("rename", section.data(), 0x7fff, "WININIT.INI"), row.before);
        if (row.writeFault) machine.Fault("file", "C:\\WINDOWS\\WININIT.INI", "write", row.writeFault);
        EXPECT_EQ(DeleteOnNextReboot(path), row.result);
        if (row.result) {
            EXPECT_EQ(GetLastError(), row.result);
        }
        EXPECT_EQ(Strings(gErrorList), row.errors);
        DWORD length = GetPrivateProfileSectionA("rename", section.data(), 0x7fff, "WININIT.INI");
        std::string last(section.data() + row.before);
        EXPECT_EQ(length, row.result ? row.before : row.before + entry.size() + 1);
        if (!row.result) {
            EXPECT_EQ(last, entry);
        }
        machine.Restart();
        EXPECT_EQ(machine.Exists(path), row.result != 0);
    }

    // Through the deletion pass: a file in use with the section full is reported twice.
    gErrorList.clear();
    machine.ClearFaults();
    machine.File(path, "x").File("C:\\WINDOWS\\WININIT.INI", sectionOf(32766 - entry.size()));
    machine.Fault("file", path, "delete", ERROR_ACCESS_DENIED);
    std::vector<std::string> calls;
    TestUninstaller uninstaller("files", 1, {{path}, {}, {}}, calls);
    RunUninstallerList(nullptr, {&uninstaller});
    EXPECT_EQ(Strings(gErrorList),
              (std::vector<std::string>{"Error deleting \"C:\\VECCHI~1\\vecchio.dll\". The [rename] section "
                                        "of the WININIT.INI file is full.\r\n",
                                        std::string("Error deleting \"") + path + "\":\r\n",
                                        ErrorText(ERROR_DATABASE_FULL) + "\r\n"}));
    EXPECT_TRUE(Strings(gLogList).empty());
}

TEST_F(EngineTest, DeleteOnNextRebootOnWindowsNT) {
    platform::TestMachine machine(platform::OsKind::Windows2000);
    machine.File("C:\\x.dll", "x");
    SetLastError(5);
    EXPECT_EQ(DeleteOnNextReboot("C:\\x.dll"), 0u);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(BootDeletions(machine), (std::vector<std::string>{"C:\\x.dll"}));
    machine.Fault("file", "C:\\y.dll", "move", ERROR_ACCESS_DENIED);
    machine.File("C:\\y.dll", "y");
    EXPECT_EQ(DeleteOnNextReboot("C:\\y.dll"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    machine.Restart();
    EXPECT_FALSE(machine.Exists("C:\\x.dll"));
    EXPECT_TRUE(machine.Exists("C:\\y.dll"));
}

// The worker's start routine takes only a progress dialog; with one it runs the fourteen uninstallers in
// their order, each reading its section.
TEST_F(EngineTest, ThreadProcAndTheFourteenUninstallers) {
    platform::TestMachine machine;
    CRestartDialog notProgress;
    platform::StdoutCapture output;
    EXPECT_EQ(UninstallThreadProc(&notProgress), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(UninstallThreadProc(nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    const std::string bad = "Bad parameter, is not a CUninstallerProgress* failed returning " +
                            ErrorText(ERROR_INVALID_PARAMETER) + "\n";
    EXPECT_EQ(output.Take(), bad + bad);

    platform::StdoutCapture runOutput;
    EXPECT_EQ(RunUninstallers(nullptr), 0u);
    std::string expected;
    for (const char* section :
         {"RemoveProgramUninstaller", "MsiUninstaller", "TaskUninstaller", "WindowShutdown",
          "ProcessShutdown", "PrinterUninstaller", "DriverUninstaller", "ServiceUninstaller", "IOUninstaller",
          "MonitorUninstaller", "PortUninstaller", "RsmUninstaller", "RegistryUninstaller",
          "FileUninstaller"}) {
        expected += std::string("Can not read from scrubber file. Section:") + section + " failed\n";
    }
    EXPECT_EQ(runOutput.Take(), expected);

    // Enabled by the data file on a machine without the maker's software: the IO uninstaller finds no setup
    // classes, the registry uninstaller only Windows' own class registrations and no maker's name, the
    // monitor and port walks only look, and the uninstallers not built yet still do nothing.
    machine.File("C:\\Dati\\devpurge.dat", "[Scrubber]\r\nenabled=1\r\n");
    gDATFileName = "C:\\Dati\\devpurge.dat";
    platform::StdoutCapture enabledOutput;
    EXPECT_EQ(RunUninstallers(nullptr), 0u);
    EXPECT_EQ(enabledOutput.Take(), "SetupDiBuildClassInfoList failed returning ERR_NOERROR\n"
                                    "GetValueBySPAndOS failed\n");
    EXPECT_TRUE(gErrorList.empty());
    for (const CaseInsensitiveString& line : gLogList) EXPECT_EQ(line.rfind("Checking ", 0), 0u) << line.c_str();
}

}  // namespace
