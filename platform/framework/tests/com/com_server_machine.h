// The test server in a test machine, as a person installs it: its stub in a program folder, registered by
// regsvr32 run in the machine. The fixture of the tests that create and drive the server there.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/machine/processes/program_stub.h"
#include "platform/testing/program_run.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

inline constexpr char kComServerPath[] = "C:\\Program Files\\ComServer\\comserver.dll";

class ComServerMachine : public ::testing::Test {
  protected:
    platform::TestMachine machine;

    void SetUp() override {
        ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), kComServerPath, COM_SERVER_LIBRARY, {}));
        ASSERT_EQ(0u, Regsvr32(""));
    }
    // regsvr32 /s with the options given ("/u " to unregister) on the server; its exit code.
    DWORD Regsvr32(const std::string& options) {
        platform::ProgramRun run = platform::RunProgram("C:\\WINDOWS\\system32\\regsvr32.exe /s " + options + "\"" +
                                                        kComServerPath + "\"");
        EXPECT_TRUE(run.started) << run.error;
        return run.exitCode;
    }
};
