// Tick count, sleeping, the local and system time, the time zone and the C runtime's time(): all read the
// machine's clock, and local time comes from the machine's time zone.
#include <chrono>
#include <ctime>
#include <string_view>
#include <thread>

#include "platform/kernel32/synch_objects.h"
#include "platform/machine/kernel/clock.h"
#include "platform/machine/kernel/time_zone.h"
#include "windows.h"

namespace {

// The zone's names are plain ASCII, as Windows' own are.
void CopyZoneName(std::string_view name, WCHAR (&target)[32]) {
    std::size_t length = name.size() < 31 ? name.size() : 31;
    for (std::size_t index = 0; index < length; ++index) target[index] = static_cast<unsigned char>(name[index]);
    for (std::size_t index = length; index < 32; ++index) target[index] = 0;
}

}  // namespace

extern "C" DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(platform::ClockTicks());
}

extern "C" void WINAPI Sleep(DWORD dwMilliseconds) {
    // On virtual time a sleep is a wait for nothing, so that it takes its turn in the machine's schedule.
    if (dwMilliseconds > 0 && platform::ClockIsVirtual()) {
        platform::Wait(*platform::KernelNamespace::Current(), {}, false, dwMilliseconds);
        return;
    }
    if (dwMilliseconds == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    platform::ClockSleep(dwMilliseconds);
}

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    *lpSystemTime = platform::CalendarTime(platform::LocalMilliseconds(platform::MachineTimeZone(), platform::ClockNow()));
}

extern "C" void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
    *lpSystemTime = platform::CalendarTime(platform::ClockNow());
}

extern "C" DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION lpTimeZoneInformation) {
    if (!lpTimeZoneInformation) {
        SetLastError(ERROR_NOACCESS);
        return TIME_ZONE_ID_INVALID;
    }
    const platform::TimeZone& zone = platform::MachineTimeZone();
    TIME_ZONE_INFORMATION& information = *lpTimeZoneInformation;
    information.Bias = zone.bias;
    CopyZoneName(zone.standardName, information.StandardName);
    information.StandardDate = zone.standardDate;
    information.StandardBias = zone.standardBias;
    CopyZoneName(zone.daylightName, information.DaylightName);
    information.DaylightDate = zone.daylightDate;
    information.DaylightBias = zone.daylightBias;
    switch (platform::ZoneTimeAt(zone, platform::ClockNow())) {
        case platform::ZoneTime::Standard:
            return TIME_ZONE_ID_STANDARD;
        case platform::ZoneTime::Daylight:
            return TIME_ZONE_ID_DAYLIGHT;
        case platform::ZoneTime::Unknown:
            break;
    }
    return TIME_ZONE_ID_UNKNOWN;
}

extern "C" std::time_t _time64(std::time_t* timer) {
    std::int64_t now = platform::ClockNow();
    auto seconds = static_cast<std::time_t>(now >= 0 ? now / 1000 : (now - 999) / 1000);
    if (timer) *timer = seconds;
    return seconds;
}
