#include "platform/machine/time_zone.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/machine/machine.h"
#include "platform/machine/text.h"

namespace platform {

namespace {

constexpr std::int64_t kMillisecondsPerMinute = 60 * 1000;

// Every year: month, the week of the month (5 is the last), the day of the week, hour.
constexpr SYSTEMTIME Every(WORD month, WORD week, WORD dayOfWeek, WORD hour) {
    return SYSTEMTIME{0, month, dayOfWeek, week, hour, 0, 0, 0};
}

TimeZone Zone(LONG bias, const char* standardName, const char* daylightName, SYSTEMTIME standardDate,
              SYSTEMTIME daylightDate, LONG daylightBias) {
    TimeZone zone;
    zone.bias = bias;
    zone.standardName = standardName;
    zone.standardDate = standardDate;
    zone.daylightName = daylightName;
    zone.daylightDate = daylightDate;
    zone.daylightBias = daylightBias;
    return zone;
}

std::vector<TimeZone> KnownTimeZones() {
    constexpr SYSTEMTIME none{};
    return {
        Zone(-60, "W. Europe Standard Time", "W. Europe Daylight Time", Every(10, 5, 0, 3), Every(3, 5, 0, 2), -60),
        Zone(0, "GMT Standard Time", "GMT Daylight Time", Every(10, 5, 0, 2), Every(3, 5, 0, 1), -60),
        Zone(0, "Greenwich Standard Time", "Greenwich Daylight Time", none, none, 0),
        Zone(300, "Eastern Standard Time", "Eastern Daylight Time", Every(10, 5, 0, 2), Every(4, 1, 0, 2), -60),
        Zone(-540, "Tokyo Standard Time", "Tokyo Daylight Time", none, none, 0),
        Zone(-600, "AUS Eastern Standard Time", "AUS Eastern Daylight Time", Every(3, 5, 0, 3), Every(10, 5, 0, 2),
             -60),
    };
}

// The moment (local milliseconds since 1970) a transition date falls on in the year; nullopt for a date
// of another year.
std::optional<std::int64_t> TransitionInYear(const SYSTEMTIME& date, int year) {
    using namespace std::chrono;
    if (date.wMonth < 1 || date.wMonth > 12 || (date.wYear != 0 && date.wYear != year)) return std::nullopt;
    SYSTEMTIME moment = date;
    moment.wYear = static_cast<WORD>(year);
    if (date.wYear == 0) {
        year_month_day first{std::chrono::year(year), month(date.wMonth), day(1)};
        unsigned firstWeekday = weekday(sys_days(first)).c_encoding();
        unsigned week = date.wDay < 1 ? 1 : date.wDay;
        unsigned dayOfMonth = 1 + (date.wDayOfWeek % 7 + 7 - firstWeekday) % 7 + 7 * (week - 1);
        unsigned lastDay = static_cast<unsigned>(year_month_day_last(std::chrono::year(year),
                                                                     month_day_last(month(date.wMonth)))
                                                     .day());
        while (dayOfMonth > lastDay) dayOfMonth -= 7;  // week 5: the last one of the month
        moment.wDay = static_cast<WORD>(dayOfMonth);
    }
    return CalendarMilliseconds(moment);
}

}  // namespace

TimeZone DefaultTimeZone() { return KnownTimeZones().front(); }

std::optional<TimeZone> KnownTimeZone(std::string_view standardName) {
    for (const TimeZone& zone : KnownTimeZones()) {
        if (EqualsNoCase(zone.standardName, standardName)) return zone;
    }
    return std::nullopt;
}

std::vector<std::string> KnownTimeZoneNames() {
    std::vector<std::string> names;
    for (const TimeZone& zone : KnownTimeZones()) names.push_back(zone.standardName);
    return names;
}

// Daylight time runs from its start (a standard local time) to the start of standard time (a daylight
// local time); in the southern half of the world that span crosses the new year.
ZoneTime ZoneTimeAt(const TimeZone& zone, std::int64_t utcMilliseconds) {
    if (!zone.HasDaylightSaving()) return ZoneTime::Unknown;
    std::int64_t standardLocal = utcMilliseconds - (zone.bias + zone.standardBias) * kMillisecondsPerMinute;
    int year = CalendarTime(standardLocal).wYear;
    std::optional<std::int64_t> daylightStart = TransitionInYear(zone.daylightDate, year);
    std::optional<std::int64_t> standardStart = TransitionInYear(zone.standardDate, year);
    if (!daylightStart || !standardStart) return ZoneTime::Standard;
    std::int64_t daylightStartUtc = *daylightStart + (zone.bias + zone.standardBias) * kMillisecondsPerMinute;
    std::int64_t standardStartUtc = *standardStart + (zone.bias + zone.daylightBias) * kMillisecondsPerMinute;
    bool daylight = daylightStartUtc < standardStartUtc
                        ? utcMilliseconds >= daylightStartUtc && utcMilliseconds < standardStartUtc
                        : utcMilliseconds >= daylightStartUtc || utcMilliseconds < standardStartUtc;
    return daylight ? ZoneTime::Daylight : ZoneTime::Standard;
}

LONG BiasAt(const TimeZone& zone, std::int64_t utcMilliseconds) {
    switch (ZoneTimeAt(zone, utcMilliseconds)) {
        case ZoneTime::Daylight:
            return zone.bias + zone.daylightBias;
        case ZoneTime::Standard:
            return zone.bias + zone.standardBias;
        case ZoneTime::Unknown:
            break;
    }
    return zone.bias;
}

std::int64_t LocalMilliseconds(const TimeZone& zone, std::int64_t utcMilliseconds) {
    return utcMilliseconds - BiasAt(zone, utcMilliseconds) * kMillisecondsPerMinute;
}

SYSTEMTIME CalendarTime(std::int64_t milliseconds) {
    using namespace std::chrono;
    sys_time<std::chrono::milliseconds> moment{std::chrono::milliseconds(milliseconds)};
    sys_days day = floor<days>(moment);
    year_month_day date(day);
    hh_mm_ss<std::chrono::milliseconds> clock(moment - day);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(static_cast<int>(date.year()));
    time.wMonth = static_cast<WORD>(static_cast<unsigned>(date.month()));
    time.wDayOfWeek = static_cast<WORD>(weekday(day).c_encoding());
    time.wDay = static_cast<WORD>(static_cast<unsigned>(date.day()));
    time.wHour = static_cast<WORD>(clock.hours().count());
    time.wMinute = static_cast<WORD>(clock.minutes().count());
    time.wSecond = static_cast<WORD>(clock.seconds().count());
    time.wMilliseconds = static_cast<WORD>(clock.subseconds().count());
    return time;
}

std::int64_t CalendarMilliseconds(const SYSTEMTIME& time) {
    using namespace std::chrono;
    sys_days day{year_month_day{year(time.wYear), month(time.wMonth), std::chrono::day(time.wDay)}};
    auto moment = day + hours(time.wHour) + minutes(time.wMinute) + seconds(time.wSecond) +
                  std::chrono::milliseconds(time.wMilliseconds);
    return duration_cast<std::chrono::milliseconds>(moment.time_since_epoch()).count();
}

const TimeZone& MachineTimeZone() {
    static const TimeZone outside = DefaultTimeZone();
    Machine* machine = Machine::CurrentOrNull();
    return machine ? machine->settings().timeZone : outside;
}

std::string FormatTransitionDate(const SYSTEMTIME& date) {
    char text[64];
    std::snprintf(text, sizeof text, "%u,%u,%u,%u,%u,%u,%u,%u", date.wYear, date.wMonth, date.wDayOfWeek, date.wDay,
                  date.wHour, date.wMinute, date.wSecond, date.wMilliseconds);
    return text;
}

std::optional<SYSTEMTIME> ParseTransitionDate(std::string_view text) {
    WORD fields[8] = {};
    std::size_t count = 0;
    std::string rest(text);
    const char* cursor = rest.c_str();
    while (count < 8) {
        char* end = nullptr;
        unsigned long value = std::strtoul(cursor, &end, 10);
        if (end == cursor || value > 0xFFFF) return std::nullopt;
        fields[count++] = static_cast<WORD>(value);
        while (*end == ' ') ++end;
        if (*end == '\0') break;
        if (*end != ',') return std::nullopt;
        cursor = end + 1;
    }
    if (count != 8) return std::nullopt;
    SYSTEMTIME date{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]};
    if (date.wMonth > 12 || (date.wMonth != 0 && (date.wDay < 1 || date.wDay > (date.wYear ? 31 : 5))) ||
        date.wDayOfWeek > 6 || date.wHour > 23 || date.wMinute > 59)
        return std::nullopt;
    return date;
}

}  // namespace platform
