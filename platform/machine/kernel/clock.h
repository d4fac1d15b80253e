// The machine's clock, which GetTickCount, Sleep, GetLocalTime, GetSystemTime, timed waits and the C
// runtime's time() all read. It runs on the host's time, or on virtual time that a test switches on:
// then nothing waits for real, and sleeps and timed waits move the clock on to their ends when the
// machine's programs have nothing else to do (virtual_time.h).
//
// Virtual time belongs to the machine (<machine>/kernel/clock), so a program started in the machine
// reads the same clock as the test that started it, and a Sleep in either moves it for both.
#pragma once

#include <cstdint>

namespace platform {

class Machine;

// Milliseconds since 1970-01-01 00:00:00 UTC.
std::int64_t ClockNow();
// Milliseconds since the computer started; GetTickCount gives the low 32 bits.
std::uint64_t ClockTicks();
bool ClockIsVirtual();
// Waits that long for real, or on virtual time moves the clock on by that much.
void ClockSleep(std::uint32_t milliseconds);
// Moves virtual time on; nothing on the host's time.
void ClockAdvance(std::uint64_t milliseconds);

// Puts the machine on virtual time starting at the given moment (milliseconds since 1970, UTC), with
// the tick count going on from where it was.
void UseVirtualClock(const Machine& machine, std::int64_t startMilliseconds);
void UseHostClock(const Machine& machine);

}  // namespace platform
