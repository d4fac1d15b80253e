// Test support for the application: its program file in the machine, and the application run as the
// entry point runs it or through its start-up only.
#pragma once

#include <string>

#include "CUninstallerApp.h"
#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

class AppTest : public UninstallerTest {
  protected:
    static constexpr char kProgram[] = "C:\\Programmi\\Corvanta\\devpurge.exe";

    // The program's stub, naming the built program `hostProgram`, as the module of the test process.
    static void Program(platform::TestMachine& machine, const std::string& hostProgram = "devpurge") {
        machine.Program(kProgram, hostProgram, {{"FileVersion", "3.0.0.8"}});
        machine.Module(kProgram);
    }

    // Runs the application as the entry point does; its exit code.
    static int Start(platform::TestMachine& machine, const std::string& arguments,
                     std::string* output = nullptr) {
        machine.CommandLine(std::string(kProgram) + " " + arguments);
        CUninstallerApp app;
        platform::StdoutCapture capture;
        int code = AfxWinMain(GetModuleHandleA(nullptr), nullptr,
                              const_cast<LPSTR>(framework::ArgumentsOf(GetCommandLineA())), SW_SHOWDEFAULT);
        if (output) *output = capture.Take();
        return code;
    }

    // Only the start-up: TRUE or FALSE, and the exit code the program would end with.
    static BOOL Init(platform::TestMachine& machine, const std::string& arguments, int* exitCode = nullptr,
                     std::string* output = nullptr) {
        machine.CommandLine(std::string(kProgram) + " " + arguments);
        CUninstallerApp app;
        platform::StdoutCapture capture;
        BOOL result = app.InitInstance();
        if (exitCode) *exitCode = app.ExitInstance();
        if (output) *output = capture.Take();
        return result;
    }
};
