#include "LogFiles.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "UninstallerGlobals.h"
#include "windows.h"

namespace {

constexpr char LOG_NAME_FORMAT[] = "%s%sUNI0%2.2d.%s.LOG";
constexpr char LOG_TIME_FORMAT[] = "%Y%b%d-%H%M%S";

// A local time as calendar fields, `seconds` later than `time`.
std::tm TimeFields(const SYSTEMTIME& time, long long seconds) {
    using namespace std::chrono;
    sys_days day = year_month_day(year(time.wYear), month(time.wMonth), std::chrono::day(time.wDay));
    sys_seconds moment = day + hours(time.wHour) + minutes(time.wMinute) +
                         std::chrono::seconds(time.wSecond) + std::chrono::seconds(seconds);
    sys_days momentDay = floor<days>(moment);
    year_month_day date(momentDay);
    hh_mm_ss<std::chrono::seconds> clock(moment - momentDay);
    std::tm fields{};
    fields.tm_year = static_cast<int>(date.year()) - 1900;
    fields.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    fields.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    fields.tm_hour = static_cast<int>(clock.hours().count());
    fields.tm_min = static_cast<int>(clock.minutes().count());
    fields.tm_sec = static_cast<int>(clock.seconds().count());
    fields.tm_wday = static_cast<int>(weekday(momentDay).c_encoding());
    return fields;
}

// Writes `text` with each line feed as carriage return and line feed, as a file opened in text mode does.
BOOL WriteText(HANDLE hFile, const CaseInsensitiveString& text) {
    std::string translated;
    translated.reserve(text.size());
    for (char character : text) {
        if (character == '\n') translated += '\r';
        translated += character;
    }
    DWORD written = 0;
    return WriteFile(hFile, translated.data(), static_cast<DWORD>(translated.size()), &written, NULL) &&
           written == translated.size();
}

}  // namespace

void MakeLogFileName(CaseInsensitiveString& fileName) {
    char tempFolder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, tempFolder);
    SYSTEMTIME now;
    GetLocalTime(&now);
    for (long long later = 0;; ++later) {
        std::tm fields = TimeFields(now, later);
        char stamp[64];
        std::strftime(stamp, sizeof stamp, LOG_TIME_FORMAT, &fields);
        int length = std::snprintf(nullptr, 0, LOG_NAME_FORMAT, tempFolder, DIVISION.c_str(), ICE_REV, stamp);
        std::vector<char> name(static_cast<std::size_t>(length > 0 ? length : 0) + 1);
        std::snprintf(name.data(), name.size(), LOG_NAME_FORMAT, tempFolder, DIVISION.c_str(), ICE_REV, stamp);
        if (GetFileAttributesA(name.data()) == INVALID_FILE_ATTRIBUTES) {
            fileName = name.data();
            return;
        }
    }
}

unsigned int WriteListToFile(const CaseInsensitiveStringList& list, CaseInsensitiveString& fileName) {
    if (fileName.empty()) MakeLogFileName(fileName);
    HANDLE hFile =
        CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE) return 0;
    BOOL written = TRUE;
    for (const CaseInsensitiveString& text : list) {
        written = WriteText(hFile, text);
        if (!written) break;
    }
    BOOL closed = CloseHandle(hFile);
    return written && closed ? 1 : 0;
}
