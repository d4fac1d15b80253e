// rundll32 and regsvr32 run as processes in a machine, over the module tests' library installed as
// C:\WINDOWS\system32\testmod.dll: their exit codes, what the library's entries did, and the messages in
// the machine's UI transcript.
#include <gtest/gtest.h>

#include <string>

#include "platform/machine/program_stub.h"
#include "platform/testing/program_run.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::OsKind;

platform::MachineSettings EnglishXP() {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsXP);
    settings.systemLanguage = settings.userLanguage = 0x409;
    return settings;
}

class SystemPrograms : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(platform::WriteProgramStub(machine_.machine(), "C:\\WINDOWS\\system32\\testmod.dll",
                                               MODULE_TEST_LIBRARY, {}));
        ASSERT_TRUE(platform::WriteProgramStub(machine_.machine(), "C:\\Program Files\\Lib\\test mod.dll",
                                               MODULE_TEST_LIBRARY, {}));
        machine_.File("C:\\notes.txt", "not a library\r\n");
    }
    bool Registered() {
        return machine_.ExportRegistry("HKEY_LOCAL_MACHINE\\SOFTWARE\\ModuleTest").find("\"Registered\"") !=
               std::string::npos;
    }
    platform::TestMachine machine_{EnglishXP()};
};

TEST(SystemProgramStubs, EveryNewMachineHasThem) {
    const struct {
        OsKind os;
        const char* rundll32;
        const char* regsvr32;
    } rows[] = {
        {OsKind::WindowsXP, "C:\\WINDOWS\\system32\\rundll32.exe", "C:\\WINDOWS\\system32\\regsvr32.exe"},
        {OsKind::Windows2000, "C:\\WINNT\\system32\\rundll32.exe", "C:\\WINNT\\system32\\regsvr32.exe"},
        {OsKind::Windows98, "C:\\WINDOWS\\rundll32.exe", "C:\\WINDOWS\\SYSTEM\\regsvr32.exe"},
    };
    for (const auto& row : rows) {
        platform::TestMachine machine(row.os);
        EXPECT_EQ(machine.ReadFile(row.rundll32).rfind("#winstub program=rundll32", 0), 0u) << row.rundll32;
        EXPECT_EQ(machine.ReadFile(row.regsvr32).rfind("#winstub program=regsvr32", 0), 0u) << row.regsvr32;
    }
}

TEST_F(SystemPrograms, Rundll32CallsTheEntryWithTheRestOfTheLine) {
    const struct {
        const char* commandLine;
        DWORD exitCode;
        const char* output;
        const char* transcript;
    } rows[] = {
        {"rundll32.exe testmod.dll,RunEntry one two  three", 0,
         "RunEntry window=yes instance=own line=[one two  three] show=10\n", nullptr},
        {"rundll32 testmod,RunEntry", 0, "RunEntry window=yes instance=own line=[] show=10\n", nullptr},
        {"rundll32 \"C:\\Program Files\\Lib\\test mod.dll\",RunEntry x", 0,
         "RunEntry window=yes instance=own line=[x] show=10\n", nullptr},
        {"rundll32 nosuch.dll,RunEntry", 1, "",
         "MessageBox \"RunDLL\"\n  text: Error loading nosuch.dll\n        The specified module could not be "
         "found.\n"},
        {"rundll32 testmod.dll,NoSuchEntry", 1, "",
         "MessageBox \"RunDLL\"\n  text: Error in testmod.dll\n        Missing entry:NoSuchEntry\n"},
        {"rundll32", 0, "", nullptr},
    };
    for (const auto& row : rows) {
        size_t transcriptBefore = machine_.Transcript().size();
        platform::ProgramRun run = platform::RunProgram(row.commandLine);
        ASSERT_TRUE(run.started) << row.commandLine << ": error " << run.error;
        EXPECT_EQ(run.exitCode, row.exitCode) << row.commandLine;
        EXPECT_EQ(run.output, row.output) << row.commandLine;
        std::string shown = machine_.Transcript().substr(transcriptBefore);
        if (row.transcript) {
            EXPECT_EQ(shown.rfind(row.transcript, 0), 0u) << row.commandLine << ":\n" << shown;
        } else {
            EXPECT_EQ(shown, "") << row.commandLine;
        }
    }
}

TEST_F(SystemPrograms, Regsvr32RegistersAndReportsAsWindowsXP) {
    const struct {
        const char* commandLine;
        bool refuse;  // DllRegisterServer and DllUnregisterServer fail with E_FAIL
        DWORD exitCode;
        bool registeredAfter;
        const char* transcript;
    } rows[] = {
        {"regsvr32 testmod.dll", false, 0, true,
         "MessageBox \"RegSvr32\"\n  text: DllRegisterServer in testmod.dll succeeded.\n"},
        {"regsvr32 /u /s testmod.dll", false, 0, false, nullptr},
        {"regsvr32 -S \"C:\\Program Files\\Lib\\test mod.dll\"", false, 0, true, nullptr},
        {"regsvr32 /u testmod.dll", true, 5, true,
         "MessageBox \"RegSvr32\"\n  text: DllUnregisterServer in testmod.dll failed.\n        Return code "
         "was: "
         "0x80004005\n"},
        {"regsvr32 /s /u testmod.dll", true, 5, true, nullptr},
        {"regsvr32 /u testmod.dll", false, 0, false,
         "MessageBox \"RegSvr32\"\n  text: DllUnregisterServer in testmod.dll succeeded.\n"},
        {"regsvr32 nosuch.dll", false, 3, false,
         "MessageBox \"RegSvr32\"\n  text: LoadLibrary(\"nosuch.dll\") failed - The specified module could "
         "not be "
         "found.\n"},
        {"regsvr32 notes.txt", false, 3, false,
         "MessageBox \"RegSvr32\"\n  text: notes.txt is not an executable file and no registration helper is "
         "registered for this file type.\n"},
        {"regsvr32 /i:\"all users\" testmod.dll", false, 4, true,
         "MessageBox \"RegSvr32\"\n  text: testmod.dll was loaded, but the DllInstall entry point was not "
         "found.\n        \n        This file can not be registered.\n"},
        {"regsvr32 /n testmod.dll", false, 1, true,
         "MessageBox \"RegSvr32\"\n  text: Usage: regsvr32 [/u] [/s]"},
        {"regsvr32 /x testmod.dll", false, 1, true,
         "MessageBox \"RegSvr32\"\n  text: Unrecognized flag: /x\n        Usage: regsvr32"},
        {"regsvr32", false, 1, true, "MessageBox \"RegSvr32\"\n  text: Usage: regsvr32"},
    };
    for (const auto& row : rows) {
        if (row.refuse) {
            machine_.Registry(
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ModuleTest]\n\"MODULE_TEST_REFUSE_REGISTRATION\"=\"1\"\n");
        } else {
            machine_.Registry(
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ModuleTest]\n\"MODULE_TEST_REFUSE_REGISTRATION\"=-\n");
        }
        size_t transcriptBefore = machine_.Transcript().size();
        platform::ProgramRun run = platform::RunProgram(row.commandLine);
        ASSERT_TRUE(run.started) << row.commandLine << ": error " << run.error;
        EXPECT_EQ(run.exitCode, row.exitCode) << row.commandLine;
        EXPECT_EQ(Registered(), row.registeredAfter) << row.commandLine;
        std::string shown = machine_.Transcript().substr(transcriptBefore);
        if (row.transcript) {
            EXPECT_EQ(shown.rfind(row.transcript, 0), 0u) << row.commandLine << ":\n" << shown;
        } else {
            EXPECT_EQ(shown, "") << row.commandLine;
        }
    }
}

}  // namespace
