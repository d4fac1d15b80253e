// Tick count, sleeping, the local and system time, and the C runtime's time(): all read the machine's clock.
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/machine/clock.h"
#include "windows.h"

namespace {

void FillSystemTime(const std::tm& parts, long milliseconds, LPSYSTEMTIME time) {
    time->wYear = static_cast<WORD>(parts.tm_year + 1900);
    time->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    time->wDay = static_cast<WORD>(parts.tm_mday);
    time->wHour = static_cast<WORD>(parts.tm_hour);
    time->wMinute = static_cast<WORD>(parts.tm_min);
    time->wSecond = static_cast<WORD>(parts.tm_sec);
    time->wMilliseconds = static_cast<WORD>(milliseconds);
}

// The machine's time, broken down in local time or in UTC.
void MachineTime(LPSYSTEMTIME time, bool local) {
    std::int64_t now = platform::ClockNow();
    std::int64_t milliseconds = ((now % 1000) + 1000) % 1000;
    std::time_t seconds = static_cast<std::time_t>((now - milliseconds) / 1000);
    std::tm parts{};
    if (local) {
        localtime_r(&seconds, &parts);
    } else {
        gmtime_r(&seconds, &parts);
    }
    FillSystemTime(parts, static_cast<long>(milliseconds), time);
}

}  // namespace

extern "C" DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(platform::ClockTicks());
}

extern "C" void WINAPI Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    platform::ClockSleep(dwMilliseconds);
}

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    MachineTime(lpSystemTime, true);
}

extern "C" void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
    MachineTime(lpSystemTime, false);
}

extern "C" std::time_t _time64(std::time_t* timer) {
    std::int64_t now = platform::ClockNow();
    auto seconds = static_cast<std::time_t>(now >= 0 ? now / 1000 : (now - 999) / 1000);
    if (timer) *timer = seconds;
    return seconds;
}
