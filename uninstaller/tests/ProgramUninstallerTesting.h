// Test support for the uninstallers that start programs: a machine on virtual time, the data file, and
// the maker's programs installed where a test wants them (outside/removal_program), each told how to
// end and recording its command line and the messages posted to it.
#pragma once

#include <string>
#include <vector>

#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace program_uninstaller_test {

constexpr char kDataFile[] = "C:\\Dati\\devpurge.dat";
constexpr std::time_t kStart = 1100000000;

// The file beside a program named like it with another extension.
inline std::string Beside(const std::string& program, const char* extension) {
    return program.substr(0, program.rfind('.')) + extension;
}

class ProgramMachine {
  public:
    explicit ProgramMachine(const std::string& data, platform::OsKind os = platform::OsKind::WindowsXP)
        : machine_(os) {
        machine_.UseVirtualClock(kStart);
        machine_.File(kDataFile, "[Version]\r\nDIVISION=QN\r\n" + data);
        gDATFileName = kDataFile;
        ticks_ = GetTickCount();
    }
    platform::TestMachine& machine() { return machine_; }

    // A program at the path that ends as `script` ([Run] keys) says.
    ProgramMachine& Program(const std::string& path, const std::string& script = "") {
        machine_.Program(path, "removal_program");
        machine_.File(Beside(path, ".ini"), "[Run]\r\n" + script);
        return *this;
    }
    // The command lines the program was started with, each ended by "\r\n".
    std::string CommandLines(const std::string& path) { return Read(Beside(path, ".log")); }
    // The messages posted to it, one name a line.
    std::string Messages(const std::string& path) { return Read(Beside(path, ".msg")); }
    // Milliseconds the machine's clock moved since the machine was made.
    DWORD Elapsed() const { return GetTickCount() - ticks_; }

  private:
    std::string Read(const std::string& path) { return machine_.Exists(path) ? machine_.ReadFile(path) : ""; }

    platform::TestMachine machine_;
    DWORD ticks_ = 0;
};

// What an uninstaller collected and printed.
struct Collected {
    std::vector<std::string> log, errors;
    std::string output;
};

template <typename Uninstaller>
Collected RunUninstaller(unsigned int enabled = 1) {
    Uninstaller uninstaller(nullptr);
    EXPECT_EQ(uninstaller.IsEnabled(), enabled);
    platform::StdoutCapture output;
    uninstaller.Delete();
    return {Strings(uninstaller.GetLogList()), Strings(uninstaller.GetErrorList()), output.Take()};
}

}  // namespace program_uninstaller_test
