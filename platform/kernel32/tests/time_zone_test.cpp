// Local time from each machine's own zone: the same moment in machines of different zones, the edges of
// daylight saving time in both halves of the world, zones without it, and what GetTimeZoneInformation and
// machine.ini say about a zone.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::MachineSettings;
using platform::OsKind;
using platform::TestMachine;

std::time_t Utc(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return timegm(&fields);
}

MachineSettings InZone(const char* zoneName) {
    MachineSettings settings = MachineSettings::Defaults(OsKind::WindowsXP);
    settings.timeZone = platform::KnownTimeZone(zoneName).value();
    return settings;
}

std::string Text(const SYSTEMTIME& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

struct Row {
    const char* zone;
    std::time_t utc;
    const char* local;
    DWORD zoneId;
};

void ExpectLocalTimes(const Row* rows, std::size_t count) {
    for (std::size_t index = 0; index < count; ++index) {
        const Row& row = rows[index];
        SCOPED_TRACE(std::string(row.zone) + " at " + std::to_string(row.utc));
        TestMachine machine(InZone(row.zone));
        machine.UseVirtualClock(row.utc);
        SYSTEMTIME local{};
        GetLocalTime(&local);
        EXPECT_EQ(Text(local), row.local);
        TIME_ZONE_INFORMATION information{};
        EXPECT_EQ(GetTimeZoneInformation(&information), row.zoneId);
    }
}

TEST(TimeZone, TheSameMomentIsEachMachinesOwnLocalTime) {
    const std::time_t moment = Utc(2004, 7, 1, 12, 0, 0);
    const Row rows[] = {
        {"W. Europe Standard Time", moment, "2004-07-01 14:00:00", TIME_ZONE_ID_DAYLIGHT},
        {"GMT Standard Time", moment, "2004-07-01 13:00:00", TIME_ZONE_ID_DAYLIGHT},
        {"Eastern Standard Time", moment, "2004-07-01 08:00:00", TIME_ZONE_ID_DAYLIGHT},
        {"AUS Eastern Standard Time", moment, "2004-07-01 22:00:00", TIME_ZONE_ID_STANDARD},
        {"Tokyo Standard Time", moment, "2004-07-01 21:00:00", TIME_ZONE_ID_UNKNOWN},
        {"Greenwich Standard Time", moment, "2004-07-01 12:00:00", TIME_ZONE_ID_UNKNOWN},
    };
    ExpectLocalTimes(rows, std::size(rows));
    SYSTEMTIME utc{};
    TestMachine machine(InZone("Tokyo Standard Time"));
    machine.UseVirtualClock(moment);
    GetSystemTime(&utc);
    EXPECT_EQ(Text(utc), "2004-07-01 12:00:00");
}

// Daylight time starts at 02:00 standard time (the clock jumps to 03:00) and ends at 03:00 daylight time
// (back to 02:00); in Sydney it spans the new year.
TEST(TimeZone, DaylightSavingTimeStartsAndEndsOnTheSecond) {
    const Row rows[] = {
        {"W. Europe Standard Time", Utc(2004, 3, 28, 0, 59, 59), "2004-03-28 01:59:59", TIME_ZONE_ID_STANDARD},
        {"W. Europe Standard Time", Utc(2004, 3, 28, 1, 0, 0), "2004-03-28 03:00:00", TIME_ZONE_ID_DAYLIGHT},
        {"W. Europe Standard Time", Utc(2004, 10, 31, 0, 59, 59), "2004-10-31 02:59:59", TIME_ZONE_ID_DAYLIGHT},
        {"W. Europe Standard Time", Utc(2004, 10, 31, 1, 0, 0), "2004-10-31 02:00:00", TIME_ZONE_ID_STANDARD},
        // March 2005 has five Sundays after the 1st week: the last is the 27th.
        {"W. Europe Standard Time", Utc(2005, 3, 27, 1, 0, 0), "2005-03-27 03:00:00", TIME_ZONE_ID_DAYLIGHT},
        {"W. Europe Standard Time", Utc(2005, 3, 20, 1, 0, 0), "2005-03-20 02:00:00", TIME_ZONE_ID_STANDARD},
        {"W. Europe Standard Time", Utc(2004, 12, 31, 23, 30, 0), "2005-01-01 00:30:00", TIME_ZONE_ID_STANDARD},
        // The first Sunday of April at 02:00.
        {"Eastern Standard Time", Utc(2004, 4, 4, 6, 59, 59), "2004-04-04 01:59:59", TIME_ZONE_ID_STANDARD},
        {"Eastern Standard Time", Utc(2004, 4, 4, 7, 0, 0), "2004-04-04 03:00:00", TIME_ZONE_ID_DAYLIGHT},
        {"Eastern Standard Time", Utc(2004, 10, 31, 5, 59, 59), "2004-10-31 01:59:59", TIME_ZONE_ID_DAYLIGHT},
        {"Eastern Standard Time", Utc(2004, 10, 31, 6, 0, 0), "2004-10-31 01:00:00", TIME_ZONE_ID_STANDARD},
        {"AUS Eastern Standard Time", Utc(2004, 1, 15, 0, 0, 0), "2004-01-15 11:00:00", TIME_ZONE_ID_DAYLIGHT},
        {"AUS Eastern Standard Time", Utc(2004, 3, 27, 15, 59, 59), "2004-03-28 02:59:59", TIME_ZONE_ID_DAYLIGHT},
        {"AUS Eastern Standard Time", Utc(2004, 3, 27, 16, 0, 0), "2004-03-28 02:00:00", TIME_ZONE_ID_STANDARD},
        {"AUS Eastern Standard Time", Utc(2004, 10, 30, 15, 59, 59), "2004-10-31 01:59:59", TIME_ZONE_ID_STANDARD},
        {"AUS Eastern Standard Time", Utc(2004, 10, 30, 16, 0, 0), "2004-10-31 03:00:00", TIME_ZONE_ID_DAYLIGHT},
        {"AUS Eastern Standard Time", Utc(2004, 12, 31, 13, 30, 0), "2005-01-01 00:30:00", TIME_ZONE_ID_DAYLIGHT},
    };
    ExpectLocalTimes(rows, std::size(rows));
}

TEST(TimeZone, AZoneWithoutDaylightSavingKeepsOneBiasAllYear) {
    const Row rows[] = {
        {"Tokyo Standard Time", Utc(2004, 1, 15, 0, 0, 0), "2004-01-15 09:00:00", TIME_ZONE_ID_UNKNOWN},
        {"Tokyo Standard Time", Utc(2004, 3, 28, 1, 0, 0), "2004-03-28 10:00:00", TIME_ZONE_ID_UNKNOWN},
        {"Tokyo Standard Time", Utc(2004, 7, 1, 20, 0, 0), "2004-07-02 05:00:00", TIME_ZONE_ID_UNKNOWN},
        {"Greenwich Standard Time", Utc(2004, 10, 31, 1, 0, 0), "2004-10-31 01:00:00", TIME_ZONE_ID_UNKNOWN},
    };
    ExpectLocalTimes(rows, std::size(rows));
}

TEST(TimeZone, InformationOfTheDefaultItalianZone) {
    TestMachine machine;
    machine.UseVirtualClock(Utc(2004, 1, 15, 0, 0, 0));
    TIME_ZONE_INFORMATION information{};
    EXPECT_EQ(GetTimeZoneInformation(&information), static_cast<DWORD>(TIME_ZONE_ID_STANDARD));
    EXPECT_EQ(information.Bias, -60);
    EXPECT_EQ(information.StandardBias, 0);
    EXPECT_EQ(information.DaylightBias, -60);
    EXPECT_EQ(std::u16string(information.StandardName), u"W. Europe Standard Time");
    EXPECT_EQ(std::u16string(information.DaylightName), u"W. Europe Daylight Time");
    const SYSTEMTIME& standard = information.StandardDate;
    const SYSTEMTIME& daylight = information.DaylightDate;
    EXPECT_EQ((std::vector<WORD>{standard.wYear, standard.wMonth, standard.wDayOfWeek, standard.wDay, standard.wHour}),
              (std::vector<WORD>{0, 10, 0, 5, 3}));
    EXPECT_EQ((std::vector<WORD>{daylight.wYear, daylight.wMonth, daylight.wDayOfWeek, daylight.wDay, daylight.wHour}),
              (std::vector<WORD>{0, 3, 0, 5, 2}));
    EXPECT_EQ(GetTimeZoneInformation(nullptr), TIME_ZONE_ID_INVALID);
}

// A zone written in machine.ini is read back by every process of the machine; a machine.ini written
// before zones were kept there gives the default zone.
TEST(TimeZone, TheZoneSurvivesMachineIni) {
    MachineSettings settings = InZone("AUS Eastern Standard Time");
    settings.timeZone.standardDate.wYear = 2004;
    settings.timeZone.standardDate.wDay = 28;
    TestMachine machine(settings);
    machine.machine().Reload();
    const platform::TimeZone& read = machine.machine().settings().timeZone;
    EXPECT_EQ(read.bias, -600);
    EXPECT_EQ(read.standardName, "AUS Eastern Standard Time");
    EXPECT_EQ(read.daylightName, "AUS Eastern Daylight Time");
    EXPECT_EQ(read.standardDate.wYear, 2004);
    EXPECT_EQ(read.standardDate.wDay, 28);
    EXPECT_EQ(read.daylightDate.wMonth, 10);
    EXPECT_EQ(read.daylightBias, -60);

    std::ostringstream text;
    text << std::ifstream(machine.folder() / "machine.ini").rdbuf();
    std::string ini = text.str();
    ini.erase(ini.find("[TimeZone]"), ini.find("[Libraries]") - ini.find("[TimeZone]"));
    std::ofstream(machine.folder() / "machine.ini", std::ios::trunc) << ini;
    machine.machine().Reload();
    EXPECT_EQ(machine.machine().settings().timeZone.standardName, "W. Europe Standard Time");
    EXPECT_EQ(machine.machine().settings().timeZone.bias, -60);
}

}  // namespace
