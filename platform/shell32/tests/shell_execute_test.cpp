// ShellExecuteA and ShellExecuteExA: programs, documents through their classes, addresses through their
// protocols' handlers and shortcuts, each started in the machine with the command line it gets, and
// the results for what cannot be started.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/test_machine.h"
#include "shellapi.h"
#include "windows.h"

namespace {

using platform::TestMachine;

constexpr char kClasses[] = R"(REGEDIT4

[HKEY_CLASSES_ROOT\.txt]
@="txtfile"
[HKEY_CLASSES_ROOT\txtfile\shell\open\command]
@="\"C:\\Programmi\\Viewer\\viewer.exe\" \"%1\""
[HKEY_CLASSES_ROOT\txtfile\shell\print\command]
@="\"C:\\Programmi\\Viewer\\viewer.exe\" /p \"%1\""
[HKEY_CLASSES_ROOT\.hlp]
@="hlpfile"
[HKEY_CLASSES_ROOT\hlpfile\shell\open\command]
@="C:\\Programmi\\Viewer\\viewer.exe %1"
[HKEY_CLASSES_ROOT\.doc]
@="docfile"
[HKEY_CLASSES_ROOT\docfile\shell]
@="edit"
[HKEY_CLASSES_ROOT\docfile\shell\edit\command]
@="\"C:\\Programmi\\Viewer\\viewer.exe\" /e \"%1\" %*"
[HKEY_CLASSES_ROOT\docfile\shell\open\command]
@="\"C:\\Programmi\\Viewer\\viewer.exe\" \"%1\""
[HKEY_CLASSES_ROOT\.pdq]
@="pdqfile"
[HKEY_CLASSES_ROOT\pdqfile\shell\open\command]
@="\"C:\\Programmi\\Viewer\\viewer.exe\""
[HKEY_CLASSES_ROOT\.dat]
@="datfile"
[HKEY_CLASSES_ROOT\datfile]
@="Data"
[HKEY_CLASSES_ROOT\http]
"URL Protocol"=""
[HKEY_CLASSES_ROOT\http\shell\open\command]
@="\"C:\\Programmi\\Browser\\browser.exe\" \"%1\""
[HKEY_CLASSES_ROOT\mailto]
"URL Protocol"=""
[HKEY_CLASSES_ROOT\mailto\shell\open\command]
@="C:\\Programmi\\Browser\\browser.exe -mail %1"
)";

class ShellExecution : public ::testing::Test {
  protected:
    void SetUp() override {
        machine_.Registry(kClasses);
        for (const char* program :
             {"C:\\Programmi\\Viewer\\viewer.exe", "C:\\Programmi\\Browser\\browser.exe",
              "C:\\Programmi\\Tool\\tool.exe", "C:\\Programmi\\Tool\\setup.com"})
            machine_.Program(program, SHELL_WORKER);
        machine_.File("C:\\Documenti\\guida.txt", "guida")
            .File("C:\\Documenti\\La guida.hlp", "aiuto")
            .File("C:\\Documenti\\lettera.doc", "lettera")
            .File("C:\\Documenti\\nota.pdq", "nota")
            .File("C:\\Documenti\\dati.dat", "dati")
            .File("C:\\Documenti\\dati.xyz", "dati")
            .File("C:\\Documenti\\senza", "nulla");
    }

    // The command line and folder the program of the log was started with, after it ended.
    std::string LogOf(const char* log) { return machine_.Exists(log) ? machine_.ReadFile(log) : ""; }

    TestMachine machine_;
};

struct Started {
    BOOL ok = FALSE;
    ULONG_PTR result = 0;
    DWORD error = 0;
};

Started Execute(const char* verb, const char* file, const char* parameters, const char* directory, int show) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = verb;
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = show;
    SetLastError(0);
    Started started;
    started.ok = ShellExecuteExA(&info);
    started.error = GetLastError();
    started.result = reinterpret_cast<ULONG_PTR>(info.hInstApp);
    if (info.hProcess) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 20000));
        CloseHandle(info.hProcess);
    }
    return started;
}

TEST_F(ShellExecution, StartsProgramsDocumentsAndAddressesWithTheirCommandLines) {
    struct Row {
        const char* name;
        const char* verb;
        const char* file;
        const char* parameters;
        const char* directory;
        const char* log;       // the started program's log
        const char* expected;  // its command line, then its folder
    };
    const Row rows[] = {
        {"document opened", "open", "C:\\Documenti\\guida.txt", nullptr, nullptr,
         "C:\\Programmi\\Viewer\\viewer.log",
         "\"C:\\Programmi\\Viewer\\viewer.exe\" \"C:\\Documenti\\guida.txt\"\r\nC:\\\r\n"},
        {"document printed", "print", "C:\\Documenti\\guida.txt", nullptr, nullptr,
         "C:\\Programmi\\Viewer\\viewer.log",
         "\"C:\\Programmi\\Viewer\\viewer.exe\" /p \"C:\\Documenti\\guida.txt\"\r\nC:\\\r\n"},
        {"verb in any case", "OPEN", "C:\\Documenti\\guida.txt", nullptr, nullptr,
         "C:\\Programmi\\Viewer\\viewer.log",
         "\"C:\\Programmi\\Viewer\\viewer.exe\" \"C:\\Documenti\\guida.txt\"\r\nC:\\\r\n"},
        {"relative to the folder", "open", "guida.txt", nullptr, "C:\\Documenti",
         "C:\\Programmi\\Viewer\\viewer.log",
         "\"C:\\Programmi\\Viewer\\viewer.exe\" \"C:\\Documenti\\guida.txt\"\r\nC:\\Documenti\r\n"},
        {"unquoted %1", "open", "C:\\Documenti\\La guida.hlp", nullptr, nullptr,
         "C:\\Programmi\\Viewer\\viewer.log",
         "C:\\Programmi\\Viewer\\viewer.exe C:\\Documenti\\La guida.hlp\r\nC:\\\r\n"},
        {"default verb of the class, %* the parameters", nullptr, "C:\\Documenti\\lettera.doc", "-x 1",
         nullptr, "C:\\Programmi\\Viewer\\viewer.log",
         "\"C:\\Programmi\\Viewer\\viewer.exe\" /e \"C:\\Documenti\\lettera.doc\" -x 1\r\nC:\\\r\n"},
        {"command without %1 gets the path", "open", "C:\\Documenti\\nota.pdq", nullptr, nullptr,
         "C:\\Programmi\\Viewer\\viewer.log",
         "\"C:\\Programmi\\Viewer\\viewer.exe\" C:\\Documenti\\nota.pdq\r\nC:\\\r\n"},
        {"file address", "open", "file:///C:/Documenti/guida.txt", nullptr, nullptr,
         "C:\\Programmi\\Viewer\\viewer.log",
         "\"C:\\Programmi\\Viewer\\viewer.exe\" \"C:\\Documenti\\guida.txt\"\r\nC:\\\r\n"},
        {"web address", "Open", "http://www.corvanta.it/ordina?id=3&l=it", nullptr, "",
         "C:\\Programmi\\Browser\\browser.log",
         "\"C:\\Programmi\\Browser\\browser.exe\" \"http://www.corvanta.it/ordina?id=3&l=it\"\r\nC:\\\r\n"},
        {"mail address", nullptr, "mailto:assistenza@corvanta.it", nullptr, nullptr,
         "C:\\Programmi\\Browser\\browser.log",
         "C:\\Programmi\\Browser\\browser.exe -mail mailto:assistenza@corvanta.it\r\nC:\\\r\n"},
        {"program with parameters in its folder", "open", "C:\\Programmi\\Tool\\tool.exe", "-DeviceID 3",
         "C:\\Documenti", "C:\\Programmi\\Tool\\tool.log",
         "\"C:\\Programmi\\Tool\\tool.exe\" -DeviceID 3\r\nC:\\Documenti\r\n"},
        {"program with the default verb", nullptr, "C:\\Programmi\\Tool\\setup.com", nullptr, nullptr,
         "C:\\Programmi\\Tool\\setup.log", "\"C:\\Programmi\\Tool\\setup.com\"\r\nC:\\\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        machine_.File(row.log, "");
        Started started = Execute(row.verb, row.file, row.parameters, row.directory, SW_SHOWNORMAL);
        EXPECT_TRUE(started.ok);
        EXPECT_GT(started.result, 32u);
        EXPECT_EQ(row.expected, LogOf(row.log));
    }
}

TEST_F(ShellExecution, ResultsForWhatCannotBeStarted) {
    struct Row {
        const char* name;
        const char* verb;
        const char* file;
        ULONG_PTR result;
        DWORD error;  // ShellExecuteExA's last error
    };
    const Row rows[] = {
        {"missing file", "open", "C:\\Documenti\\manca.txt", SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
        {"missing program", "open", "C:\\Programmi\\Tool\\manca.exe", SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
        {"missing folder", "open", "C:\\Nessuna\\guida.txt", SE_ERR_PNF, ERROR_PATH_NOT_FOUND},
        {"missing drive", "open", "Q:\\guida.txt", SE_ERR_PNF, ERROR_PATH_NOT_FOUND},
        {"no class for the extension", "open", "C:\\Documenti\\dati.xyz", SE_ERR_NOASSOC,
         ERROR_NO_ASSOCIATION},
        {"no extension", "open", "C:\\Documenti\\senza", SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
        {"class without verbs", "open", "C:\\Documenti\\dati.dat", SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
        {"verb the class lacks", "edit", "C:\\Documenti\\guida.txt", SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
        {"program printed", "print", "C:\\Programmi\\Tool\\tool.exe", SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
        {"scheme without handler", "open", "gopher://archivio", SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
        {"folder without handler", "open", "C:\\Documenti", SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
        {"no file", "open", "", SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.result, reinterpret_cast<ULONG_PTR>(ShellExecuteA(nullptr, row.verb, row.file, nullptr,
                                                                        nullptr, SW_SHOWNORMAL)));
        Started started = Execute(row.verb, row.file, nullptr, nullptr, SW_SHOWNORMAL);
        EXPECT_FALSE(started.ok);
        EXPECT_EQ(row.result, started.result);
        EXPECT_EQ(row.error, started.error);
    }
}

}  // namespace
