// The test server driven by scripts: registered by regsvr32 in a machine, created by ProgID and used late
// bound by cscript.exe run there as a process, as a person's script uses it; and gone for scripts once
// regsvr32 /u has unregistered it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_server_machine.h"

namespace {

struct ScriptCase {
    const char* name;
    std::vector<const char*> script;  // its lines
    std::vector<const char*> output;  // the lines cscript writes
    DWORD exitCode;
};

class ComServerScripts : public ComServerMachine {
  protected:
    // Writes the script to C:\scripts\<name>.vbs and runs it with cscript //nologo.
    platform::ProgramRun RunScript(const ScriptCase& row) {
        std::string text;
        for (const char* line : row.script) text += std::string(line) + "\r\n";
        std::string path = std::string("C:\\scripts\\") + row.name + ".vbs";
        machine.File(path, text);
        return platform::RunProgram("C:\\WINDOWS\\system32\\cscript.exe //nologo " + path);
    }
    void Expect(const ScriptCase& row) {
        platform::ProgramRun run = RunScript(row);
        ASSERT_TRUE(run.started) << row.name << ": error " << run.error;
        std::string output;
        for (const char* line : row.output) output += std::string(line) + "\n";
        EXPECT_EQ(output, run.output) << row.name;
        EXPECT_EQ(row.exitCode, run.exitCode) << row.name;
    }
};

TEST_F(ComServerScripts, DriveTheRegisteredServer) {
    const ScriptCase cases[] = {
        {"properties",
         {"Set thing = CreateObject(\"ComServer.Thing\")",
          "WScript.Echo thing.Name",
          "thing.Name = \"renamed\"",
          "WScript.Echo \"name: \" & thing.Name & \", application \" & thing.AppName",
          "thing.Colour = 2",
          "WScript.Echo thing.Colour"},
         {"unnamed", "name: renamed, application ComServer", "2"},
         0},
        {"methods",
         {"Set thing = CreateObject(\"ComServer.Thing.1\")",
          "WScript.Echo thing.Add(40, 2)",
          "Call thing.Add(1, 2)",
          "sum = thing.Add(-1, 1)",
          "thing.Fill 2",
          "Set items = thing.Fill(4)",
          "WScript.Echo \"sum \" & sum, items.Count, items(2).Value, items.Item(3).Value"},
         {"42", "sum 0 4 2 3"},
         0},
        {"collection",
         {"Set items = CreateObject(\"ComServer.Thing\").Fill(3)",
          "total = 0",
          "For Each item In items",
          "  WScript.Echo \"item \" & item.Value",
          "  total = total + item.Value",
          "Next",
          "If total = 6 Then",
          "  WScript.Echo \"total \" & total",
          "Else",
          "  WScript.Echo \"wrong total \" & total",
          "End If",
          "If items.Count > 3 Then",
          "  WScript.Echo \"more than three\"",
          "Else",
          "  WScript.Echo \"at most three\"",
          "End If"},
         {"item 1", "item 2", "item 3", "total 6", "at most three"},
         0},
        // A variable written alone is passed by reference to the [in, out] parameters, coerced to their
        // types; what the server leaves there is the variable's new value.
        {"references",
         {"Set thing = CreateObject(\"ComServer.Thing\")",
          "a = 5",
          "thing.Swap a",
          "b = \"9\"",
          "Call thing.Swap(b)",
          "c = 0",
          "x = thing.Swap(c)",
          "WScript.Echo a & \" \" & b & \" \" & c",
          "Set items = Nothing",
          "thing.Collect 3, items",
          "WScript.Echo items.Count",
          "Set kept = items",
          "x = thing.Collect(5, items)",
          "WScript.Echo items.Count & \" \" & (items Is kept)",
          "thing.Collect 2, fresh",
          "WScript.Echo fresh.Count",
          "n = 4",
          "On Error Resume Next",
          "thing.Collect 1, n",
          "WScript.Echo Err.Number & \" \" & n"},
         {"0 5 9", "3", "3 True", "2", "13 4"},
         0},
        // The failing method's error information becomes Err's number, description and source.
        {"resume",
         {"Set thing = CreateObject(\"ComServer.Thing\")",
          "On Error Resume Next",
          "thing.Fail \"out of things\"",
          "WScript.Echo Err.Number, Err.Description, Err.Source",
          "Err.Clear",
          "WScript.Echo Err.Number",
          "thing.Fail(\"again\")",
          "WScript.Echo \"after \" & Err.Description",
          "On Error Goto 0",
          "WScript.Echo \"end\""},
         {"-2147220991 out of things ComServer.Thing.1", "0", "after again", "end"},
         0},
        // Without On Error the failure ends the script at its line, with the server's text and HRESULT.
        {"failure",
         {"Set thing = CreateObject(\"ComServer.Thing\")",
          "WScript.Echo \"before\"",
          "  thing.Fail \"out of things\"",
          "WScript.Echo \"after\""},
         {"before", "C:\\scripts\\failure.vbs(3, 3) ComServer.Thing.1: out of things (Code: 80040201)"},
         1},
        // A value the server refuses with E_INVALIDARG is the language's invalid argument.
        {"refused",
         {"Set thing = CreateObject(\"ComServer.Thing\")",
          "On Error Resume Next",
          "thing.Colour = 7",
          "WScript.Echo Err.Number, Err.Description",
          "On Error Goto 0",
          "thing.Colour = 7"},
         {"5 Invalid procedure call or argument",
          "C:\\scripts\\refused.vbs(6, 1) VBScript runtime error: Invalid procedure call or argument "
          "(Code: 800A0005)"},
         1},
    };
    for (const ScriptCase& row : cases) Expect(row);
}

TEST_F(ComServerScripts, AnUnregisteredServerCannotBeCreated) {
    ASSERT_EQ(0u, Regsvr32("/u "));
    Expect({"unregistered",
            {"On Error Resume Next",
             "Set thing = CreateObject(\"ComServer.Thing\")",
             "WScript.Echo Err.Number, Err.Description",
             "On Error Goto 0",
             "Set thing = CreateObject(\"ComServer.Thing\")",
             "WScript.Echo \"created\""},
            {"429 ActiveX component can't create object",
             "C:\\scripts\\unregistered.vbs(5, 1) VBScript runtime error: ActiveX component can't create object "
             "(Code: 800A01AD)"},
            1});
}

}  // namespace
