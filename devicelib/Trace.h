// The trace lines through which the library and the uninstaller report a failing step on standard output.
// The step is the call as written in the code, for example "port.GetAddress" or "mutex.CreateOpen()".
#pragma once

#include <cstdio>

#include "ErrorCodes.h"

// "<step> failed"
inline constexpr char TRACE_FAILED[] = "%s failed\n";
// "<step> failed with <GetErrorString of the code>"
inline constexpr char TRACE_FAILED_WITH[] = "%s failed with %s\n";
// "<step> failed returning <the text of the value the step returned>"
inline constexpr char TRACE_FAILED_RETURNING[] = "%s failed returning %s\n";

inline void TraceFailed(const char* step) {
    std::printf(TRACE_FAILED, step);
}

inline void TraceFailedWith(const char* step, long code) {
    std::printf(TRACE_FAILED_WITH, step, GetErrorString(code));
}

inline void TraceFailedReturning(const char* step, const char* returned) {
    std::printf(TRACE_FAILED_RETURNING, step, returned);
}

// "<step> failed returning <GetErrorString of the code the step returned>"
inline void TraceFailedReturningCode(const char* step, long code) {
    TraceFailedReturning(step, GetErrorString(code));
}

// Handles are written with "%X", which takes an unsigned int. A handle is pointer-sized, but its value
// fits in 32 bits (Windows hands out small multiples of four and keeps handles 32-bit significant), so
// the value itself is passed as an unsigned int and the line keeps its form on every target.
inline unsigned int TraceHandle(HANDLE handle) {
    return static_cast<unsigned int>(reinterpret_cast<ULONG_PTR>(handle));
}
