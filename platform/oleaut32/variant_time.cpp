// Variant dates: days since 30 December 1899 with the time of day as the fraction. Before that day the
// whole days count down and the time still counts up, as its magnitude: 29 December 1899 06:00 is -1.25.
#include <cmath>

#include "platform/oleaut32/oleaut32_internal.h"

namespace {

// Days from 1 January 1970 of a Gregorian date, and back (the civil-calendar arithmetic of eras of
// 400 years).
long long DaysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void CivilFromDays(long long days, long long& year, unsigned& month, unsigned& day) {
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    year = static_cast<long long>(yearOfEra) + era * 400;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year += month <= 2;
}

const long long epochDays = DaysFromCivil(1899, 12, 30);

unsigned DaysInMonth(unsigned year, unsigned month) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// The range of dates Automation represents: 1 January 100 to 31 December 9999.
constexpr double earliestDate = -657434.0;
constexpr double latestDate = 2958466.0;

}  // namespace

STDAPI_(INT) SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, double* pvtime) {
    if (!lpSystemTime || !pvtime) return FALSE;
    const SYSTEMTIME& time = *lpSystemTime;
    if (time.wYear < 100 || time.wYear > 9999 || time.wMonth < 1 || time.wMonth > 12 || time.wDay < 1 ||
        time.wDay > DaysInMonth(time.wYear, time.wMonth) || time.wHour > 23 || time.wMinute > 59 ||
        time.wSecond > 59)
        return FALSE;
    long long days = DaysFromCivil(time.wYear, time.wMonth, time.wDay) - epochDays;
    double fraction = (time.wHour * 3600.0 + time.wMinute * 60.0 + time.wSecond) / 86400.0;
    *pvtime = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    return TRUE;
}

STDAPI_(INT) VariantTimeToSystemTime(double vtime, LPSYSTEMTIME lpSystemTime) {
    if (!lpSystemTime || !(vtime >= earliestDate && vtime < latestDate)) return FALSE;
    double wholeDays = std::trunc(vtime);
    long long days = static_cast<long long>(wholeDays);
    long long seconds = std::llround(std::fabs(vtime - wholeDays) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    long long year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days + epochDays, year, month, day);
    if (year > 9999) return FALSE;
    SYSTEMTIME& time = *lpSystemTime;
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    // 30 December 1899 was a Saturday.
    time.wDayOfWeek = static_cast<WORD>(((days % 7) + 7 + 6) % 7);
    time.wHour = static_cast<WORD>(seconds / 3600);
    time.wMinute = static_cast<WORD>(seconds / 60 % 60);
    time.wSecond = static_cast<WORD>(seconds % 60);
    time.wMilliseconds = 0;
    return TRUE;
}
