// A machine's time zone, as Windows keeps it: a bias in minutes (UTC = local time + bias), the names and
// extra biases of standard and daylight time, and the dates daylight time starts and ends, in the form
// TIME_ZONE_INFORMATION holds them. Local time everywhere in a machine (GetLocalTime, the names of logs)
// comes from its zone, never from the host's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "windef.h"

namespace platform {

// A transition date. With wYear 0 it comes back every year: wMonth, the wDay-th (1 to 4; 5 is the last)
// wDayOfWeek (0 is Sunday) of that month, at wHour:wMinute. With a year it is that one day (wDay the day
// of the month). wMonth 0 in both dates means the zone has no daylight saving time.
// The date daylight time starts is in standard local time, the date it ends in daylight local time.
struct TimeZone {
    LONG bias = 0;
    std::string standardName;
    SYSTEMTIME standardDate{};
    LONG standardBias = 0;
    std::string daylightName;
    SYSTEMTIME daylightDate{};
    LONG daylightBias = 0;

    bool HasDaylightSaving() const { return standardDate.wMonth != 0 && daylightDate.wMonth != 0; }
};

// Machines are Italian unless told otherwise: "W. Europe Standard Time", one hour east of UTC, with
// daylight time one hour more from the last Sunday of March at 02:00 to the last Sunday of October at 03:00.
TimeZone DefaultTimeZone();
// The zones `winmachine create` and the tests know by their Windows names ("W. Europe Standard Time",
// "GMT Standard Time", "Greenwich Standard Time", "Eastern Standard Time", "Tokyo Standard Time",
// "AUS Eastern Standard Time"), with the rules Windows XP gave them.
std::optional<TimeZone> KnownTimeZone(std::string_view standardName);
std::vector<std::string> KnownTimeZoneNames();

enum class ZoneTime { Unknown, Standard, Daylight };

// Whether the moment (milliseconds since 1970, UTC) falls in standard or daylight time; Unknown for a zone
// without daylight saving.
ZoneTime ZoneTimeAt(const TimeZone& zone, std::int64_t utcMilliseconds);
// The whole bias in force at that moment, in minutes: bias plus the standard or daylight bias.
LONG BiasAt(const TimeZone& zone, std::int64_t utcMilliseconds);
std::int64_t LocalMilliseconds(const TimeZone& zone, std::int64_t utcMilliseconds);

// Milliseconds since 1970 as calendar fields, and back (wDayOfWeek is ignored).
SYSTEMTIME CalendarTime(std::int64_t milliseconds);
std::int64_t CalendarMilliseconds(const SYSTEMTIME& time);

// The zone of the machine this process runs in; the default zone outside any machine.
const TimeZone& MachineTimeZone();

// A transition date in machine.ini: the SYSTEMTIME fields in their order, separated by commas
// ("0,3,0,5,2,0,0,0": every year, the last Sunday of March at 02:00).
std::string FormatTransitionDate(const SYSTEMTIME& date);
std::optional<SYSTEMTIME> ParseTransitionDate(std::string_view text);

}  // namespace platform
