// The file uninstaller: what each group of folders collects on Windows XP and 98, with and without the
// shared cleanup, the OEM INF test, the failure traces, and the deletion of what it collects.
#include "CFileUninstaller.h"

#include <cctype>
#include <string>
#include <vector>

#include "CUninstallerProgress.h"
#include "UninstallEngine.h"
#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"
#include "resource.h"

namespace {

constexpr char kDataFile[] = "C:\\Dati\\devpurge.dat";
constexpr char kData[] =
    "[Scrubber.FileUninstaller]\r\nenabled=1\r\n1=keep\r\nMagicKeywords=CorvantaScan\r\n"
    "[Scrubber.FileUninstaller.Startup]\r\n1=qn monitor.lnk\r\n"
    "[Scrubber.FileUninstaller.Programs]\r\n1=QN Scanner*\r\n2=QN Toolbox*\r\n"
    "[Scrubber.FileUninstaller.Windows]\r\n1=qnhelp.ini\r\nREVISION5=qn5a.dat\r\nREVISION6=qn6*.log\r\n"
    "[Scrubber.FileUninstaller.System]\r\n1=qnshared.dll\r\n"
    "[Scrubber.FileUninstaller.Spool]\r\n1=qnlas*\r\n"
    "[Scrubber.FileUninstaller.Inf.Other]\r\n1=qnshared.inf\r\nREVISION5=qnold.inf\r\nREVISION6=x\r\n"
    "[Scrubber.FileUninstaller.Inf]\r\n1=qnshared.inf\r\nREVISION5=qnold5.inf\r\nREVISION6=qnold6.inf\r\n"
    "[Scrubber.FileUninstaller.ProgramFiles]\r\n1=QN*\r\n"
    "[Scrubber.FileUninstaller.Temp]\r\n1=qntmp*\r\n";
constexpr char kShellFolders[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
    "\"Common Startup\"=\"C:\\\\All Users\\\\Startup\"\r\n\"Common Desktop\"=\"C:\\\\All "
    "Users\\\\Desktop\"\r\n"
    "\"Common Programs\"=\"C:\\\\All Users\\\\Programs\"\r\n";
constexpr char kXPUser[] = "C:\\Documents and Settings\\Utente\\";
constexpr char kXPTemp[] = "C:\\Documents and Settings\\Utente\\Local Settings\\Temp\\";

class FileUninstallerTest : public UninstallerTest {
  protected:
    void SetUp() override {
        UninstallerTest::SetUp();
        DIVISION = "QN";
        FIRST_IO_REVISION = 5;
        LAST_IO_REVISION = 6;
        FIRST_CA_REVISION = LAST_CA_REVISION = 3;
        gDATFileName = kDataFile;
    }
    // Runs the uninstaller as the engine does; its files list, with the log checked against it.
    static std::vector<std::string> Collect(CUninstallerProgress* pProgress = nullptr) {
        CFileUninstaller uninstaller(pProgress);
        EXPECT_EQ(uninstaller.IsEnabled(), 1u);
        uninstaller.Delete();
        std::vector<std::string> files = Strings(uninstaller.GetFilesList()), log;
        for (const std::string& file : files) log.push_back("Added to delete list " + file + "\r\n");
        EXPECT_EQ(Strings(uninstaller.GetLogList()), log);
        return files;
    }
    // Writes each path the run should collect (a path other paths lie below is their folder) and the
    // decoys it should leave.
    static void Populate(platform::TestMachine& machine, const std::vector<std::string>& collected,
                         const std::vector<std::string>& decoys = {}) {
        for (const std::string& path : collected) {
            bool folder = false;
            for (const std::string& other : collected) folder = folder || other.rfind(path + "\\", 0) == 0;
            if (!folder) machine.File(path, "x");
        }
        for (const std::string& path : decoys) machine.File(path, "x");
    }
};

TEST_F(FileUninstallerTest, GroupsOnWindowsXPWithAndWithoutSharedCleanup) {
    platform::TestMachine machine;
    machine.File(kDataFile, kData).Registry(kShellFolders);
    const std::string user = kXPUser, temp = kXPTemp,
                      spool = "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\";
    // In order; "+" marks what only the shared cleanup collects.
    const std::vector<std::string> expected = {"C:\\All Users\\Startup\\qn monitor.lnk",
                                               "C:\\All Users\\Startup\\Corvanta\\qn monitor.lnk",
                                               "C:\\All Users\\Desktop\\qn monitor.lnk",
                                               user + "Start Menu\\Programs\\Startup\\qn monitor.lnk",
                                               "C:\\All Users\\Programs\\QN Scanner\\Leggimi.txt",
                                               "C:\\All Users\\Programs\\QN Scanner",
                                               user + "Start Menu\\Programs\\CORVANTA\\QN Toolbox.lnk",
                                               "C:\\WINDOWS\\QNcfg03.ini",
                                               "C:\\WINDOWS\\QNMDL05.DAT",
                                               "C:\\WINDOWS\\qnhelp.ini",
                                               "C:\\WINDOWS\\qn5a.dat",
                                               "C:\\WINDOWS\\qn6run.log",
                                               "C:\\WINDOWS\\system32\\QNui03.dll",
                                               "C:\\WINDOWS\\system32\\QNio06.dll",
                                               "+C:\\WINDOWS\\system32\\qnshared.dll",
                                               "+" + spool + "qnlas.dll",
                                               "+" + spool + "3\\qnlas6.dll",
                                               "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\QNusb05.sys",
                                               "C:\\WINDOWS\\INF\\QNprn05.inf",
                                               "C:\\WINDOWS\\INF\\QNprn05.PNF",
                                               "C:\\WINDOWS\\INF\\qnold5.inf",
                                               "C:\\WINDOWS\\INF\\QNprn06.cat",
                                               "+C:\\WINDOWS\\INF\\qnshared.inf",
                                               "C:\\Program Files\\QN Suite\\bin\\qn.exe",
                                               "C:\\Program Files\\QN Suite\\bin",
                                               "C:\\Program Files\\QN Suite",
                                               "C:\\Program Files\\CORVANTA\\AIO\\QNapp.exe",
                                               "C:\\Program Files\\CORVANTA\\AIO\\SHARED\\QNlib.dll",
                                               "+" + temp + "qntmp1.tmp",
                                               temp + "QNlog05.txt"};
    std::vector<std::string> all, unshared;
    for (const std::string& path : expected) {
        all.push_back(path[0] == '+' ? path.substr(1) : path);
        if (path[0] != '+') unshared.push_back(path);
    }
    // Named exactly, start-up items take no pattern.
    Populate(machine, all, {"C:\\All Users\\Startup\\QN Monitor 2.lnk"});
    for (unsigned int shared : {1u, 0u}) {
        SCOPED_TRACE(shared ? "shared cleanup" : "no shared cleanup");
        gSharedCleanup = shared;
        const std::vector<std::string>& files = shared ? all : unshared;
        gSilent = 1;
        CUninstallerProgress progress;
        ASSERT_TRUE(progress.Create(IDD_PROGRESS));
        platform::StdoutCapture output;
        EXPECT_EQ(Collect(&progress), files);
        EXPECT_EQ(output.Take(), "");
        HWND hDialog = progress.GetDialogWindow();
        EXPECT_EQ(SendMessageA(GetDlgItem(hDialog, IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
        char status[MAX_PATH] = "";
        GetWindowTextA(GetDlgItem(hDialog, IDC_STATUS), status, MAX_PATH);
        EXPECT_EQ(std::string(status), temp + "QN*03.*");
        progress.DestroyWindow();
    }
}

TEST_F(FileUninstallerTest, GroupsOnWindows98) {
    platform::TestMachine machine(platform::OsKind::Windows98);
    ResetOsVersionRecordForTesting();
    std::string shellFolders = kShellFolders;
    shellFolders.replace(shellFolders.find("Explorer"), 8, "explorer");
    machine.File(kDataFile, kData).Registry(shellFolders);
    const std::vector<std::string> collected = {
        "C:\\All Users\\Startup\\qn monitor.lnk",      "C:\\WINDOWS\\SYSTEM\\qnlas.drv",
        "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\QNport05.pdr", "C:\\WINDOWS\\INF\\OTHER\\CorvantaQNprn05.INF",
        "C:\\WINDOWS\\INF\\OTHER\\qnold.inf",          "C:\\WINDOWS\\INF\\OTHER\\qnshared.inf"};
    // Neither the common program group nor the user's start-up folder is searched on Windows 9x.
    Populate(machine, collected,
             {"C:\\All Users\\Programs\\QN Scanner.lnk",
              "C:\\WINDOWS\\Start Menu\\Programs\\Startup\\QN Monitor.lnk"});
    platform::StdoutCapture output;
    EXPECT_EQ(Collect(), collected);
    EXPECT_EQ(output.Take(), "");
}

// Which OEM INF files go, each with its precompiled file when there is one.
TEST_F(FileUninstallerTest, OemInfFiles) {
    platform::TestMachine machine;
    std::string unicode = "\xFF\xFE";
    for (char character : "[Version]\r\n" + std::string(1100, ';') + "\r\n; qn06 scanner\r\n") {
        unicode += character;
        unicode += '\0';
    }
    const std::string inf = "C:\\WINDOWS\\INF\\";
    machine.File(kDataFile, kData).Fault("file", inf + "oem9.inf", "open", ERROR_ACCESS_DENIED);
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"oem1.inf", "[Version]\r\nClass=qn05Printer\r\n"},  // the class names a revision
             {"oem1.PNF", "x"},
             {"oem2.inf", "[Version]\r\nClass=Printer\r\n; QN05\r\n"},  // the class decides
             {"oemkeep3.inf", "[Version]\r\nClass=QN05\r\n"},           // an item names it
             {"OEMKEEP4.INF", "[Version]\r\nClass=QN05\r\n"},           // items are matched with case
             {"oem5.inf", "; for the QN06 series\r\n"},                 // found in the text
             {"oem6.inf", unicode},                                     // Unicode, past 1024 characters
             {"oem7.inf", "; corvantascan\r\n"},                        // a magic keyword
             {"oem8.inf", ""},                                          // empty
             {"oem9.inf", "QN05"}})                                     // unreadable
        machine.File(inf + name, text);
    for (unsigned int shared : {1u, 0u}) {
        SCOPED_TRACE(shared ? "shared cleanup" : "no shared cleanup");
        gSharedCleanup = shared;
        std::vector<std::string> expected = {"oem1.inf", "oem1.Pnf", "oem5.inf",
                                             "oem6.inf", "oem7.inf", "OEMKEEP4.INF"};
        if (!shared) expected.erase(expected.begin() + 4);
        for (std::string& name : expected) name = inf + name;
        EXPECT_EQ(Collect(), expected);
    }
}

TEST_F(FileUninstallerTest, FailureTraces) {
    std::string denied, tooSmall;
    {
        platform::TestMachine texts;
        denied = GetErrorString(ERROR_ACCESS_DENIED);
        tooSmall = GetErrorString(ERROR_INSUFFICIENT_BUFFER);
    }
    platform::MachineSettings xp = platform::MachineSettings::Defaults(platform::OsKind::WindowsXP);
    platform::MachineSettings longTemp = xp;
    longTemp.tempFolder = "C:\\" + std::string(120, 'T') + "\\" + std::string(140, 'T');
    const std::string noLists =
        "[Scrubber.FileUninstaller]\r\nenabled=1\r\n[Scrubber.FileUninstaller.Windows]\r\n1=qnhelp.ini\r\n"
        "[Scrubber.FileUninstaller.Inf]\r\nREVISION5=x\r\nREVISION6=x\r\n";
    const std::string listTraces =
        "LoadStringListFromValue(Scrubber.FileUninstaller.Windows,REVISION5) failed\n"
        "LoadStringListFromValue(Scrubber.FileUninstaller.Windows,REVISION6) failed\n"
        "LoadStringListFromValue(Scrubber.FileUninstaller,MagicKeywords) failed\n"
        "LoadStringListFromValue(MagicKeywords) failed\n";
    const std::vector<std::string> both = {"C:\\WINDOWS\\qnhelp.ini", "C:\\WINDOWS\\INF\\oem1.inf"};
    struct Row {
        const char* name;
        const platform::MachineSettings& settings;
        std::string data, target, object, operation, output;
        std::vector<std::string> files;
    } rows[] = {
        {"find refused", xp, kData, "file", "C:\\WINDOWS\\QN*03.*", "find",
         "FindNextFile failed returning " + denied + "\n", both},
        {"driver folder", xp, kData, "spooler", "GetPrinterDriverDirectoryA", "call",
         "GetPrinterDriverDirectory failed with " + denied + "\n", both},
        {"no revision list, no magic keywords", xp, noLists, "", "", "", listTraces, {both[0]}},
        {"temporary folder too long",
         longTemp,
         kData,
         "",
         "",
         "",
         "GetTempPath failed with " + tooSmall + "\n",
         {}},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        platform::TestMachine machine(row.settings);
        machine.File(kDataFile, row.data)
            .File("C:\\WINDOWS\\qnhelp.ini", "x")
            .File("C:\\WINDOWS\\INF\\oem1.inf", "; CorvantaScan\r\n");
        if (!row.target.empty()) machine.Fault(row.target, row.object, row.operation, ERROR_ACCESS_DENIED);
        platform::StdoutCapture output;
        EXPECT_EQ(Collect(), row.files);
        EXPECT_EQ(output.Take(), row.output);
    }
}

// An item with a folder part collects what its search found in that folder; an item that leaves its
// group's folder, by a parent step or an absolute path, is refused and reported, whatever it would find.
TEST_F(FileUninstallerTest, ItemsWithFolderParts) {
    FIRST_IO_REVISION = FIRST_CA_REVISION = 1;  // the items alone
    LAST_IO_REVISION = LAST_CA_REVISION = 0;
    // Numbered items are read in lower case; what a search finds keeps its own.
    const std::string serie = "C:\\WINDOWS\\corvanta\\aio\\Serie 500\\";
    const std::vector<std::string> decoys = {"C:\\WINDOWS\\leggimi.txt", "C:\\WINDOWS\\Serie 500\\x.txt",
                                             "C:\\Dati\\x.txt", "\\\\server\\share\\x.txt",
                                             "C:\\All Users\\x.lnk"};
    const std::string user = std::string(kXPUser) + "Start Menu\\Programs\\Startup";
    const std::vector<std::string> startup = {"C:\\All Users\\Startup", "C:\\All Users\\Startup\\Corvanta",
                                              "C:\\All Users\\Desktop", user, user + "\\Corvanta"};
    const std::vector<std::string> windows = {"C:\\WINDOWS"};
    struct Row {
        std::string group, item;
        std::vector<std::string> files;
        std::vector<std::string> refusedIn;  // the folders the item is refused in
    } rows[] = {
        {"Windows",
         "Corvanta\\AiO\\Serie 500\\*.txt",
         {"C:\\WINDOWS\\corvanta\\aio\\serie 500\\leggimi.txt"},
         {}},
        {"Windows", "Corvanta/AiO/Serie 500/*.txt", {"C:\\WINDOWS\\corvanta/aio/serie 500/leggimi.txt"}, {}},
        {"Windows",
         "Corvanta\\AiO\\Serie*",
         {serie + "guida\\indice.htm", serie + "guida", serie + "leggimi.txt",
          "C:\\WINDOWS\\corvanta\\aio\\Serie 500"},
         {}},
        {"Windows", "qn..old.txt", {"C:\\WINDOWS\\qn..old.txt"}, {}},
        {"Windows", "..\\Dati\\*.txt", {}, windows},
        {"Windows", "Corvanta\\..\\..\\Dati\\*", {}, windows},
        {"Windows", "Corvanta/../../Dati/*", {}, windows},
        {"Windows", "Corvanta\\..", {}, windows},
        {"Windows", "C:\\Dati\\*.txt", {}, windows},
        {"Windows", "C:Dati\\*.txt", {}, windows},
        {"Windows", "\\Dati\\*.txt", {}, windows},
        {"Windows", "/Dati/*.txt", {}, windows},
        {"Windows", "\\\\server\\share\\*", {}, windows},
        {"Startup", "..\\..\\x.lnk", {}, startup},
        {"Startup", "C:\\All Users\\x.lnk", {}, startup},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.item);
        platform::TestMachine machine;
        machine.NetworkShare("server", "share")
            .Registry(kShellFolders)
            .File(kDataFile, "[Scrubber.FileUninstaller]\r\nenabled=1\r\n[Scrubber.FileUninstaller." +
                                 row.group + "]\r\n1=" + row.item + "\r\n");
        Populate(machine, {serie + "leggimi.txt", serie + "guida\\indice.htm", "C:\\WINDOWS\\qn..old.txt"},
                 decoys);
        std::string item = row.item, refused;
        for (char& character : item) character = static_cast<char>(std::tolower(character));
        for (const std::string& folder : row.refusedIn)
            refused += "Refused file item " + item + ": outside " + folder + "\n";
        platform::StdoutCapture output;
        std::vector<std::string> files = Collect();
        EXPECT_EQ(output.Take(), refused);
        EXPECT_EQ(files, row.files);
    }
}

// Enabled by its section, the engine deletes what it collected: a folder after its contents.
TEST_F(FileUninstallerTest, TheEngineDeletesTheCollectedFiles) {
    platform::TestMachine machine;
    machine.File(
        kDataFile,
        "[Scrubber.FileUninstaller]\r\nenabled=1\r\n[Scrubber.FileUninstaller.ProgramFiles]\r\n1=QN*\r\n");
    const std::vector<std::string> collected = {
        "C:\\Program Files\\QN Suite\\bin\\qn.exe", "C:\\Program Files\\QN Suite\\bin",
        "C:\\Program Files\\QN Suite\\readme.txt", "C:\\Program Files\\QN Suite"};
    Populate(machine, collected);
    platform::StdoutCapture output;  // the other uninstallers report their missing sections
    RunUninstallers(nullptr);
    output.Take();
    std::vector<std::string> log;
    for (const char* prefix : {"Added to delete list ", "Deleted="}) {
        for (const std::string& path : collected) log.push_back(prefix + path + "\r\n");
    }
    EXPECT_EQ(Strings(gLogList), log);
    EXPECT_TRUE(gErrorList.empty());
    EXPECT_FALSE(machine.Exists("C:\\Program Files\\QN Suite"));
}

}  // namespace
