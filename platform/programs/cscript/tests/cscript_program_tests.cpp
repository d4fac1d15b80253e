// cscript.exe run in a machine as a person starts it: the scripts it runs, what it writes and the exit
// codes it ends with.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/program_run.h"
#include "platform/testing/test_machine.h"

namespace {

// A script file in UTF-16, little-endian after its byte-order mark.
std::string LittleEndianWithMark(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t character : text) {
        bytes += static_cast<char>(character & 0xFF);
        bytes += static_cast<char>(character >> 8);
    }
    return bytes;
}

struct ProgramCase {
    const char* commandLine;
    const char* currentFolder;
    const char* output;
    DWORD exitCode;
};

TEST(CscriptProgram, RunsScriptsAndReportsTheirEnd) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(platform::OsKind::WindowsXP);
    settings.userLanguage = 0x409;
    platform::TestMachine machine(settings);
    machine.File("C:\\scripts\\hello.vbs", "WScript.Echo \"Hello\", 1 + 1\r\n")
        .File("C:\\scripts\\quit.vbs",
              "WScript.Echo \"before\"\r\nWScript.Quit 3010\r\nWScript.Echo \"after\"\r\n")
        .File("C:\\scripts\\bad.vbs", "x = 1\r\nx = 1 2\r\n")
        .File("C:\\scripts\\create.vbs",
              "WScript.Echo \"start\"\r\n  Set o = CreateObject(\"Missing.Class\")\r\n")
        .File("C:\\scripts\\args.vbs",
              "WScript.Echo WScript.Arguments.Count, WScript.Arguments(0), WScript.Arguments(1)\r\n")
        .File("C:\\scripts\\notes.txt", "WScript.Echo 1\r\n")
        .File("C:\\scripts\\wide.vbs", LittleEndianWithMark(u"WScript.Echo \"\u00E8\""));
    const ProgramCase cases[] = {
        {"cscript //nologo C:\\scripts\\hello.vbs", nullptr, "Hello 2\n", 0},
        {"cscript C:\\scripts\\hello.vbs", nullptr, "Windows Script Host Version 5.6\n\nHello 2\n", 0},
        {"cscript.exe //NoLogo hello.vbs", "C:\\scripts", "Hello 2\n", 0},
        {"cscript C:\\scripts\\hello.vbs //nologo", nullptr, "Hello 2\n", 0},
        {"cscript //nologo C:\\scripts\\quit.vbs", nullptr, "before\n", 3010},
        {"cscript //nologo C:\\scripts\\bad.vbs", nullptr,
         "C:\\scripts\\bad.vbs(2, 7) VBScript compilation error: Expected end of statement\n", 1},
        {"cscript //nologo create.vbs", "C:\\scripts",
         "start\nC:\\scripts\\create.vbs(2, 3) VBScript runtime error: ActiveX component can't create object "
         "(Code: 800A01AD)\n",
         1},
        {"cscript //B C:\\scripts\\create.vbs", nullptr, "start\n", 1},
        {"cscript //nologo C:\\scripts\\args.vbs one \"two words\"", nullptr, "2 one two words\n", 0},
        {"cscript //nologo C:\\scripts\\wide.vbs", nullptr, "\xE8\n", 0},
        {"cscript //nologo C:\\scripts\\none.vbs", nullptr,
         "Input Error: Can not find script file \"C:\\scripts\\none.vbs\".\n", 1},
        {"cscript //nologo C:\\scripts\\notes.txt", nullptr,
         "Input Error: There is no script engine for file extension \".txt\".\n", 1},
        {"cscript //X C:\\scripts\\hello.vbs", nullptr, "Input Error: Unknown option \"//X\" specified.\n",
         1},
    };
    for (const ProgramCase& row : cases) {
        platform::ProgramRun run = platform::RunProgram(row.commandLine, row.currentFolder);
        ASSERT_TRUE(run.started) << row.commandLine << ": error " << run.error;
        EXPECT_EQ(run.output, row.output) << row.commandLine;
        EXPECT_EQ(run.exitCode, row.exitCode) << row.commandLine;
    }
}

TEST(CscriptProgram, WithoutAScriptShowsItsUsage) {
    platform::TestMachine machine;
    platform::ProgramRun run = platform::RunProgram("cscript //nologo");
    EXPECT_EQ(run.output.rfind("Usage: CScript scriptname.extension [option...] [arguments...]\n", 0), 0u)
        << run.output;
    EXPECT_EQ(run.exitCode, 1u);
}

}  // namespace
