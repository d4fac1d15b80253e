// winmachine run as a person runs it: each command line that it must refuse ends with exit code 1 and
// a message on standard error, and a refused create leaves nothing behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int exitCode = -1;
    std::string errors;
};

// Runs winmachine with the arguments, in `folder`; its exit code and what it wrote on standard error.
// Its standard output goes to `outputFile` when one is named, else nowhere.
Outcome RunTool(const fs::path& folder, const std::vector<std::string>& arguments,
                const fs::path* outputFile = nullptr) {
    int pipe[2];
    if (::pipe(pipe) != 0) throw std::runtime_error("no pipe");
    pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipe[1], 2);
        int quiet = outputFile ? ::open(outputFile->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)
                               : ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::close(pipe[0]);
        ::close(pipe[1]);
        if (::chdir(folder.c_str()) != 0) ::_exit(125);
        std::vector<char*> argv{const_cast<char*>(WINMACHINE_TOOL)};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(WINMACHINE_TOOL, argv.data());
        ::_exit(126);
    }
    ::close(pipe[1]);
    Outcome outcome;
    char buffer[4096];
    for (ssize_t count; (count = ::read(pipe[0], buffer, sizeof buffer)) > 0;) outcome.errors.append(buffer, count);
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// A folder of its own for each test, with one machine made by the tool and the host files the command
// lines name.
class WinmachineTool : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("winmachine_tool_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "folder.reg");
        std::ofstream(folder_ / "good.reg") << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n\"A\"=\"b\"\r\n";
        std::ofstream(folder_ / "headless.reg") << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n\"A\"=\"b\"\r\n";
        std::ofstream(folder_ / "broken.reg") << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\r\n";
        std::ofstream(folder_ / "data.txt") << "data";
    }
    void TearDown() override { fs::remove_all(folder_); }

    Outcome Run(const std::vector<std::string>& arguments) { return RunTool(folder_, arguments); }

    fs::path folder_;
};

struct Row {
    std::vector<std::string> arguments;
    int exitCode;
    const char* errors;  // what standard error holds; "" for nothing at all
};

void ExpectRows(const std::vector<Row>& rows, const std::function<Outcome(const std::vector<std::string>&)>& run) {
    for (const Row& row : rows) {
        std::string line;
        for (const std::string& argument : row.arguments) line += argument + " ";
        Outcome outcome = run(row.arguments);
        EXPECT_EQ(outcome.exitCode, row.exitCode) << line << "\n" << outcome.errors;
        if (*row.errors) {
            EXPECT_NE(outcome.errors.find(row.errors), std::string::npos) << line << "\n" << outcome.errors;
        } else {
            EXPECT_EQ(outcome.errors, "") << line;
        }
    }
}

TEST_F(WinmachineTool, CreateRefusesSettingsWindowsWouldNotHaveAndMakesNothing) {
    const std::vector<Row> rows = {
        {{"--os", "3.1"}, 1, "unknown system '3.1'"},
        {{"--sp", "two"}, 1, "--sp two: a service pack is a number"},
        {{"--sp", "-1"}, 1, "a service pack is a number"},
        {{"--sp", "4"}, 1, "--sp 4: Windows xp has service packs 0 to 3"},
        {{"--os", "2000", "--sp", "5"}, 1, "Windows 2000 has service packs 0 to 4"},
        {{"--os", "98", "--sp", "1"}, 1, "Windows 98 has no service packs"},
        {{"--language", "0x999"}, 1, "--language 0x999: not a known language identifier"},
        {{"--language", "0x0C10"}, 1, "not a known language identifier"},
        {{"--language", "0x10409"}, 1, "not a known language identifier"},
        {{"--language", "0x400"}, 1, "not a known language identifier"},
        {{"--language", "Italian"}, 1, "not a known language identifier"},
        {{"--computer", "ABCDEFGHIJKLMNOP"}, 1, "a computer name has at most 15 characters"},
        {{"--computer", "UFFICIO 2"}, 1, "a computer name cannot hold ' '"},
        {{"--computer", "A*B"}, 1, "a computer name cannot hold '*'"},
        {{"--computer", "2024"}, 1, "a computer name cannot be only digits"},
        {{"--computer", ".UFFICIO"}, 1, "a computer name cannot start with '.'"},
        {{"--computer", ""}, 1, "a computer name cannot be empty"},
        {{"--user", "Abcdefghijklmnopqrstu"}, 1, "a user name has at most 20 characters"},
        {{"--user", "Mario:Rossi"}, 1, "a user name cannot hold ':'"},
        {{"--user", "a\\b"}, 1, "a user name cannot hold '\\'"},
        {{"--user", "\"x\""}, 1, "a user name cannot hold '\"'"},
        {{"--user", ". ."}, 1, "a user name cannot be only periods and blanks"},
        {{"--time-zone", "Mars Standard Time"}, 1, "unknown time zone 'Mars Standard Time'"},
    };
    ExpectRows(rows, [this](const std::vector<std::string>& options) {
        std::vector<std::string> arguments{"create", "new/machine"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        Outcome outcome = Run(arguments);
        EXPECT_FALSE(fs::exists(folder_ / "new")) << options.back();
        return outcome;
    });
}

TEST_F(WinmachineTool, CreateTakesTheLimitsOfEachSetting) {
    const std::vector<Row> rows = {
        {{"--os", "nt4", "--sp", "6"}, 0, ""},
        {{"--os", "98", "--sp", "0"}, 0, ""},
        {{"--language", "0x810"}, 0, ""},
        {{"--language", "1033"}, 0, ""},
        {{"--computer", "ABCDEFGHIJKLMNO"}, 0, ""},
        {{"--computer", "PC-1_{casa}"}, 0, ""},
        {{"--user", "Abcdefghijklmnopqrst"}, 0, ""},
        {{"--user", "Mario Rossi"}, 0, ""},
    };
    int number = 0;
    ExpectRows(rows, [this, &number](const std::vector<std::string>& options) {
        std::vector<std::string> arguments{"create", "machine" + std::to_string(++number)};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return Run(arguments);
    });
}

TEST_F(WinmachineTool, CommandsRefuseFilesVersionsAndAnswersTheyCannotTake) {
    ASSERT_EQ(Run({"create", "m"}).exitCode, 0);
    const std::vector<Row> rows = {
        {{"import", "m", "folder.reg"}, 1, "winmachine: cannot read folder.reg: it is a folder"},
        {{"import", "m", "absent.reg"}, 1, "winmachine: cannot read absent.reg: there is no such file"},
        {{"import", "m", "headless.reg"}, 1,
         "winmachine: headless.reg: registry text line 1: not registry text: the first line must be REGEDIT4"},
        {{"import", "m", "broken.reg"}, 1, "winmachine: broken.reg: registry text line 3"},
        {{"import", "m", "good.reg"}, 0, ""},
        {{"put", "m", "folder.reg", "C:\\x.reg"}, 1, "winmachine: cannot read folder.reg: it is a folder"},
        {{"put", "m", "absent.txt", "C:\\x.txt"}, 1, "winmachine: cannot read absent.txt: there is no such file"},
        {{"put", "m", "data.txt", "C:\\data.txt"}, 0, ""},
        {{"cat", "m", "C:\\WINDOWS"}, 1, "winmachine: no file C:\\WINDOWS"},
        {{"install", "m", "nosuchprogram", "C:\\x.exe"}, 1, "winmachine: no built program nosuchprogram"},
        {{"install", "m", "nosuchlibrary", "C:\\x.dll"}, 1, "winmachine: no built library libnosuchlibrary.so"},
        {{"install", "m", "/nowhere/program", "C:\\x.exe"}, 1, "winmachine: no built program /nowhere/program"},
        {{"install", "m", "winmachine", "C:\\x.exe", "--version", "1.2.3"}, 1,
         "--version 1.2.3: a version is four numbers from 0 to 65535"},
        {{"install", "m", "winmachine", "C:\\x.exe", "--version", "1.2.3.4.5"}, 1, "a version is four numbers"},
        {{"install", "m", "winmachine", "C:\\x.exe", "--version", "1.2.3.65536"}, 1, "a version is four numbers"},
        {{"install", "m", "winmachine", "C:\\x.exe", "--version", "1.2.3."}, 1, "a version is four numbers"},
        {{"install", "m", "winmachine", "C:\\x.exe", "--version", "1,2,3,4"}, 1, "a version is four numbers"},
        {{"install", "m", "winmachine", "C:\\x.exe", "--field", "FileVersion=beta"}, 1,
         "--field FileVersion=beta: a version is four numbers"},
        {{"install", "m", "winmachine", "C:\\x.exe", "--field", "productversion=2"}, 1, "a version is four numbers"},
        {{"install", "m", "winmachine", "C:\\x.exe", "--field", "=x"}, 1, "--field =x: a field needs a name"},
        {{"install", "m", "winmachine", "C:\\x.exe", "--version", "3.0.0.8", "--field", "CompanyName=Any"}, 0, ""},
        {{"run", "m", "C:\\x.exe", "--folder", "C:\\Nowhere"}, 1,
         "winmachine: cannot start C:\\x.exe (error 267)"},
        {{"run", "m", "C:\\x.exe", "--place", "C:\\"}, 2, "usage: winmachine"},
        {{"answer", "m", "IDMAYBE"}, 1, "winmachine: 'IDMAYBE' is not a standard answer (IDOK, IDCANCEL,"},
        {{"answer", "m", "IDOK", "IDCANCELL"}, 1, "'IDCANCELL' is not a standard answer"},
        {{"answer", "m", ""}, 1, "an answer cannot be empty"},
        {{"answer", "m", "Dialog 1001: IDMAYBE"}, 1, "'IDMAYBE' is not a standard answer"},
        {{"answer", "m", "Dialog 1001 IDCANCEL"}, 1, "is not an answer for a modeless dialog"},
        {{"answer", "m", "IDYES", "idno", "7", "Riavvia", "Dialog 1001: IDCANCEL after 3"}, 0, ""},
    };
    ExpectRows(rows, [this](const std::vector<std::string>& arguments) { return Run(arguments); });
    // The refused answer lines left the answers as they were: only the accepted command added its five.
    std::ifstream answers(folder_ / "m" / "ui" / "answers");
    std::string text((std::istreambuf_iterator<char>(answers)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "IDYES\nidno\n7\nRiavvia\nDialog 1001: IDCANCEL after 3\n");
}

// Nothing named like the machine's temporary building folder is left beside `folder`.
bool LeftoversBeside(const fs::path& folder) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.parent_path())) {
        if (entry.path().filename().string().find(".creating-") != std::string::npos) return true;
    }
    return false;
}

TEST_F(WinmachineTool, CreateIntoAnExistingFolderKeepsItsContentsWhetherOrNotItSucceeds) {
    // A folder holding something by the name of a part of the machine: refused, the folder as it was.
    fs::create_directories(folder_ / "taken");
    std::ofstream(folder_ / "taken" / "drives") << "mine";
    Outcome refused = Run({"create", "taken"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.errors.find("taken holds drives already: no machine was made"), std::string::npos)
        << refused.errors;
    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_ / "taken"))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"drives"});
    EXPECT_FALSE(LeftoversBeside(folder_ / "taken"));

    // A folder with other things in it takes the machine beside them; an empty one takes it whole.
    fs::create_directories(folder_ / "notes");
    std::ofstream(folder_ / "notes" / "readme.txt") << "kept";
    EXPECT_EQ(Run({"create", "notes"}).exitCode, 0);
    EXPECT_TRUE(fs::exists(folder_ / "notes" / "readme.txt"));
    EXPECT_TRUE(fs::exists(folder_ / "notes" / "machine.ini"));
    fs::create_directories(folder_ / "empty");
    EXPECT_EQ(Run({"create", "empty/"}).exitCode, 0);
    EXPECT_TRUE(fs::exists(folder_ / "empty" / "registry.db"));
    EXPECT_FALSE(LeftoversBeside(folder_ / "empty"));
    Outcome again = Run({"create", "empty"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.errors.find("empty holds a machine already"), std::string::npos) << again.errors;

    // A file where the folder should be is left alone.
    Outcome onFile = Run({"create", "data.txt"});
    EXPECT_EQ(onFile.exitCode, 1);
    EXPECT_NE(onFile.errors.find("data.txt is a file, not a folder"), std::string::npos) << onFile.errors;
    EXPECT_TRUE(fs::is_regular_file(folder_ / "data.txt"));

    // Folders above that are missing are made with the machine, and only then.
    EXPECT_EQ(Run({"create", "a/b/c"}).exitCode, 0);
    EXPECT_TRUE(fs::exists(folder_ / "a" / "b" / "c" / "machine.ini"));
    EXPECT_FALSE(LeftoversBeside(folder_ / "a" / "b" / "c"));
}

TEST_F(WinmachineTool, ServicesListsThemAndRebootDropsTheMarkedOnes) {
    ASSERT_EQ(Run({"create", "m"}).exitCode, 0);
    std::ofstream(folder_ / "services.reg")
        << "REGEDIT4\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QnDot4]\r\n"
           "\"Type\"=dword:00000001\r\n\"Start\"=dword:00000003\r\n\"DisplayName\"=\"QN DOT4\"\r\n"
           "\"DeleteFlag\"=dword:00000001\r\n"
           "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QnMonitor]\r\n"
           "\"Type\"=dword:00000010\r\n\"Start\"=dword:00000002\r\n";
    ASSERT_EQ(Run({"import", "m", "services.reg"}).exitCode, 0);
    auto output = [this](const std::vector<std::string>& arguments) {
        fs::path file = folder_ / "output.txt";
        EXPECT_EQ(RunTool(folder_, arguments, &file).exitCode, 0);
        std::ifstream stream(file);
        return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(output({"services", "m"}),
              "QnDot4: kernel driver, manual, stopped, \"QN DOT4\", marked for deletion\n"
              "QnMonitor: own process, automatic, running, \"QnMonitor\"\n");
    EXPECT_EQ(output({"reboot", "m"}),
              "restart not requested by any program\nservice QnDot4 deleted (marked for deletion)\n");
    EXPECT_EQ(output({"services", "m"}), "QnMonitor: own process, automatic, running, \"QnMonitor\"\n");
}

TEST_F(WinmachineTool, RsmListsAndAddsDrives) {
    ASSERT_EQ(Run({"create", "m"}).exitCode, 0);
    ASSERT_EQ(Run({"create", "old", "--os", "nt4"}).exitCode, 0);
    const std::vector<Row> rows = {
        {{"rsm", "m", "add", "QN Card Reader 05", "--not-present", "--id", "{6B29FC40-CA47-1067-B31D-00DD010662DA}"}, 0, ""},
        {{"rsm", "m", "add", "Acme ZIP 100"}, 0, ""},
        {{"rsm", "m", "add", "X", "--id", "6B29FC40"}, 1, "--id 6B29FC40: an id is a GUID"},
        {{"rsm", "m", "add", ""}, 1, "a drive needs a description"},
        {{"rsm", "m", "add", std::string(127, 'Q')}, 1, "a description has at most 126 characters"},
        {{"rsm", "m", "add", "X", "--present"}, 2, "usage: winmachine"},
        {{"rsm", "m", "remove", "X"}, 2, "usage: winmachine"},
    };
    ExpectRows(rows, [this](const std::vector<std::string>& arguments) { return Run(arguments); });
    fs::path file = folder_ / "output.txt";
    auto output = [&](const std::vector<std::string>& arguments) {
        EXPECT_EQ(RunTool(folder_, arguments, &file).exitCode, 0);
        std::ifstream stream(file);
        return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    };
    std::string listing = output({"rsm", "m"});
    const std::string first = "{6B29FC40-CA47-1067-B31D-00DD010662DA}: not present, \"QN Card Reader 05\"\n{";
    EXPECT_EQ(listing.substr(0, first.size()), first);
    EXPECT_NE(listing.find("}: ready, \"Acme ZIP 100\"\n"), std::string::npos);
    // The id printed is the drive's.
    std::string id = output({"rsm", "old", "add", "QN Card Reader 06"});
    EXPECT_EQ(output({"rsm", "old"}), "the machine has no removable-storage manager (ntmsapi.dll)\n" +
                                          id.substr(0, id.size() - 1) + ": ready, \"QN Card Reader 06\"\n");
}

}  // namespace

namespace {

std::string ReadText(const fs::path& file) {
    std::ifstream stream(file);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

// A declared process with windows is listed with them, and declarations the tool cannot read are refused.
TEST_F(WinmachineTool, DeclareListsProcessesAndWindows) {
    ASSERT_EQ(0, Run({"create", "m"}).exitCode);
    const std::vector<Row> refused = {
        {{"declare", "m", "C:\\hub.exe", "--window", "no class"}, 1, "a window is \"TITLE|CLASS\""},
        {{"declare", "m", "C:\\hub.exe", "--child", "Scan|Button"}, 1, "a child belongs to a --window before it"},
        {{"declare", "m", "C:\\hub.exe", "--on-close", "soon"}, 1, "now, never, or a time such as 500ms or 3s"},
        {{"declare", "m", "C:\\hub.exe", "--on-quit"}, 2, "usage:"},
    };
    ExpectRows(refused, [this](const std::vector<std::string>& arguments) { return Run(arguments); });
    fs::path output = folder_ / "out.txt";
    ASSERT_EQ(0, RunTool(folder_,
                         {"declare", "m", "C:\\Programmi\\Corvanta\\hub.exe", "--command-line", "hub.exe /tray",
                          "--window", "Corvanta Hub|HubMain", "--child", "Scan|Button|C:\\Programmi\\Corvanta\\ui.dll",
                          "--on-close", "3s", "--deny-open"},
                         &output)
                     .exitCode);
    EXPECT_EQ("process 8388608, thread 8388612, window 0x800008, window 0x80000C\n", ReadText(output));
    ASSERT_EQ(0, RunTool(folder_, {"processes", "m"}, &output).exitCode);
    EXPECT_EQ("8388608: C:\\Programmi\\Corvanta\\hub.exe, declared, parent 0, hub.exe /tray\n", ReadText(output));
    ASSERT_EQ(0, RunTool(folder_, {"windows", "m"}, &output).exitCode);
    EXPECT_EQ("0x800008: \"Corvanta Hub\", class HubMain, process 8388608, module C:\\Programmi\\Corvanta\\hub.exe\n"
              "  0x80000C: \"Scan\", class Button, process 8388608, module C:\\Programmi\\Corvanta\\ui.dll\n",
              ReadText(output));
}

}  // namespace

namespace {

// A product registered by the tool is one msiexec removes: its files (one put there before, one made),
// its key and its entries go, and what the product did not record stays.
TEST_F(WinmachineTool, ProductRegistersWhatMsiexecRemoves) {
    ASSERT_EQ(0, Run({"create", "m"}).exitCode);
    const std::string code = "{7C1A5E20-3B4D-4F60-8A71-92B3C4D5E607}";
    const std::vector<Row> refused = {
        {{"product", "m", "{7C1A5E20}", "QN"}, 1, "not a product code: {7C1A5E20}"},
        {{"product", "m", code, ""}, 1, "a product needs a name"},
        {{"product", "m", code, "QN", "--key", "HKEY_LOCAL_MACHINE\\SOFTWARE\\QN"}, 1, "a key is a path under"},
        {{"product", "m", code, "QN", "--key", "SOFTWARE\\QN\\"}, 1, "a key is a path under"},
        {{"product", "m", code, "QN", "--file", "C:\\"}, 1, "not a file path"},
        {{"product", "m", code, "QN", "--file"}, 2, "usage:"},
        {{"product", "m", code, "QN", "--folder", "C:\\QN"}, 2, "usage:"},
    };
    ExpectRows(refused, [this](const std::vector<std::string>& arguments) { return Run(arguments); });
    ASSERT_EQ(0, Run({"put", "m", "data.txt", "C:\\Program Files\\QN\\qn.hlp"}).exitCode);
    ASSERT_EQ(0, Run({"put", "m", "data.txt", "C:\\Program Files\\QN\\other.txt"}).exitCode);
    ASSERT_EQ(0, Run({"product", "m", code, "Corvanta \"QN\"", "--file", "C:\\Program Files\\QN\\qn.hlp", "--file",
                      "C:\\Program Files\\QN\\qn.ini", "--key", "SOFTWARE\\Corvanta\\QN"})
                     .exitCode);
    fs::path output = folder_ / "out.txt";
    ASSERT_EQ(0, RunTool(folder_, {"cat", "m", "C:\\Program Files\\QN\\qn.hlp"}, &output).exitCode);
    EXPECT_EQ("data", ReadText(output));
    ASSERT_EQ(0, RunTool(folder_, {"cat", "m", "C:\\Program Files\\QN\\qn.ini"}, &output).exitCode);
    EXPECT_EQ("installed\r\n", ReadText(output));
    ASSERT_EQ(0, RunTool(folder_, {"export", "m"}, &output).exitCode);
    std::string registry = ReadText(output);
    EXPECT_NE(registry.find("\"ProductName\"=\"Corvanta \\\"QN\\\"\""), std::string::npos);
    EXPECT_NE(registry.find("Uninstall\\" + code + "]"), std::string::npos);
    EXPECT_NE(registry.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\QN]"), std::string::npos);

    ASSERT_EQ(0, Run({"run", "m", "msiexec /x" + code + " /qb! REBOOT=ReallySuppress"}).exitCode);
    ASSERT_EQ(0, RunTool(folder_, {"export", "m"}, &output).exitCode);
    registry = ReadText(output);
    EXPECT_EQ(registry.find("Corvanta\\QN"), std::string::npos) << registry;
    EXPECT_EQ(registry.find(code), std::string::npos);
    EXPECT_NE(0, Run({"cat", "m", "C:\\Program Files\\QN\\qn.hlp"}).exitCode);
    EXPECT_NE(0, Run({"cat", "m", "C:\\Program Files\\QN\\qn.ini"}).exitCode);
    EXPECT_EQ(0, Run({"cat", "m", "C:\\Program Files\\QN\\other.txt"}).exitCode);
}

// A message box shown in the machine leaves its picture, which screenshot copies out by the box's caption
// or as the newest; a caption nobody showed is refused.
TEST_F(WinmachineTool, ScreenshotCopiesTheNewestPictureOfAWindow) {
    ASSERT_EQ(Run({"create", "m"}).exitCode, 0);
    EXPECT_EQ(Run({"run", "m", "regsvr32 C:\\nessuno.dll"}).exitCode, 3);
    fs::path output = folder_ / "out.txt";
    ASSERT_EQ(0, RunTool(folder_, {"transcript", "m"}, &output).exitCode);
    EXPECT_NE(ReadText(output).find("  picture: ui/0001-messagebox.png\n"), std::string::npos) << ReadText(output);
    const std::vector<Row> rows = {
        {{"screenshot", "m", "RegSvr32", "--out", "box.png"}, 0, ""},
        {{"screenshot", "m"}, 0, ""},
        {{"screenshot", "m", "Altro"}, 1, "no window \"Altro\" has been shown"},
        {{"screenshot", "m", "RegSvr32", "--out"}, 2, "usage:"},
    };
    ExpectRows(rows, [this](const std::vector<std::string>& arguments) { return Run(arguments); });
    std::string picture = ReadText(folder_ / "m" / "ui" / "0001-messagebox.png");
    EXPECT_EQ(picture.substr(1, 3), "PNG");
    EXPECT_EQ(ReadText(folder_ / "box.png"), picture);
    EXPECT_EQ(ReadText(folder_ / "screenshot.png"), picture);
}

}  // namespace
