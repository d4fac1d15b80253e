// A program run in the test's machine as its user starts it: the command line goes to CreateProcessA,
// and what the program writes to standard output, with what every program it starts in turn writes, is
// collected until all of them have ended (they all hold the same pipe).
#pragma once

#include <string>

#include "windows.h"

namespace platform {

struct ProgramRun {
    bool started = false;
    DWORD error = 0;  // CreateProcessA's last error when the program did not start
    DWORD exitCode = 0;
    std::string output;
    bool timedOut = false;  // the programs still held their output after the time limit
};

ProgramRun RunProgram(const std::string& commandLine, const char* currentFolder = nullptr,
                      int timeLimitSeconds = 120);

}  // namespace platform
