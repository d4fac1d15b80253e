// The C runtime's process control: starting a program and, with P_WAIT, waiting for its end.
#pragma once

#include <cstdint>

#define P_WAIT 0
#define P_NOWAIT 1
#define P_OVERLAY 2
#define P_NOWAITO 3
#define P_DETACH 4

extern "C" {

// Starts `cmdname` with the arguments (argument 0 first; the list ends with a null pointer). As the C
// runtime does, the command line is the arguments joined by one blank each, unquoted: an argument with
// blanks in it must carry its own quotes. With P_WAIT the result is the program's exit code; -1 with
// errno set when it cannot be started (the last error says why). Only P_WAIT is supported here.
intptr_t _spawnl(int mode, const char* cmdname, const char* arg0, ...);
intptr_t _spawnv(int mode, const char* cmdname, const char* const* argv);
}
