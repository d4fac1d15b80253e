// The names and contents of the logs.
#include "LogFiles.h"

#include <ctime>
#include <string>
#include <vector>

#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace {

constexpr char kTemp[] = "C:\\Documents and Settings\\Utente\\Local Settings\\Temp\\";

// The names take the machine's local time: Italian, an hour ahead of UTC in winter, whatever the host's zone.
class LogFilesTest : public UninstallerTest {};

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

// The operation log and then the error log, written in the same second, take two names.
TEST_F(LogFilesTest, NamesFromTheClockNeverShared) {
    struct Row {
        std::time_t now;
        const char* division;
        int iceRev;
        std::vector<std::string> names;  // made one after the other, each file written before the next name
    } rows[] = {
        {Utc(2003, 1, 15, 8, 30, 5),
         "QNZ",
         8,
         {"QNZUNI008.2003Jan15-093005.LOG", "QNZUNI008.2003Jan15-093006.LOG",
          "QNZUNI008.2003Jan15-093007.LOG"}},
        {Utc(2003, 12, 31, 22, 59, 59),
         "Pelor",
         123,
         {"PelorUNI0123.2003Dec31-235959.LOG", "PelorUNI0123.2004Jan01-000000.LOG"}},
        {Utc(2004, 2, 28, 22, 59, 59),
         "Q",
         0,
         {"QUNI000.2004Feb28-235959.LOG", "QUNI000.2004Feb29-000000.LOG"}},
        // Daylight saving time: two hours ahead.
        {Utc(2004, 7, 1, 10, 0, 0), "Q", 0, {"QUNI000.2004Jul01-120000.LOG"}},
    };
    for (const Row& row : rows) {
        platform::TestMachine machine;
        machine.UseVirtualClock(row.now);
        DIVISION = row.division;
        ICE_REV = row.iceRev;
        for (const std::string& expected : row.names) {
            CaseInsensitiveString name;
            CaseInsensitiveStringList list{"x\r\n"};
            EXPECT_EQ(WriteListToFile(list, name), 1u);
            EXPECT_EQ(std::string(name.c_str()), kTemp + expected);
        }
    }
}

TEST_F(LogFilesTest, ContentsInTextMode) {
    platform::TestMachine machine;
    machine.File("C:\\log.txt", "an earlier, longer log");
    struct Row {
        CaseInsensitiveStringList list;
        std::string contents;
    } rows[] = {
        {{"Deleted=C:\\a.dll\r\n", "Error deleting \"C:\\b\":\r\n", "in\nparts"},
         "Deleted=C:\\a.dll\r\r\nError deleting \"C:\\b\":\r\r\nin\r\nparts"},
        {{}, ""},
    };
    for (const Row& row : rows) {
        CaseInsensitiveString name = "C:\\log.txt";
        EXPECT_EQ(WriteListToFile(row.list, name), 1u);
        EXPECT_EQ(name, "C:\\log.txt");
        EXPECT_EQ(machine.ReadFile("C:\\log.txt"), row.contents);
    }
    // A file that cannot be written gives 0 and nothing on standard output.
    machine.Fault("file", "C:\\log.txt", "open", ERROR_ACCESS_DENIED);
    machine.Fault("file", "C:\\other.txt", "write", ERROR_DISK_FULL);
    for (const char* file : {"C:\\log.txt", "C:\\other.txt"}) {
        CaseInsensitiveString name = file;
        platform::StdoutCapture output;
        EXPECT_EQ(WriteListToFile({"x\r\n"}, name), 0u) << file;
        EXPECT_EQ(output.Take(), "");
    }
}

}  // namespace
