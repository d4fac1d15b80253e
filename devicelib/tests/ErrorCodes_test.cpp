#include "ErrorCodes.h"

#include <gtest/gtest.h>

#include <string>

#include "Trace.h"
#include "platform/testing/test_machine.h"
#include "platform/user32/module_resources.h"

namespace {

using platform::OsKind;

// The names are usable from the static initialisers of other files.
const std::string nameAtStart = GetErrorString(ERR_MEMORY);

TEST(ErrorCodes, LibraryCodesAreTheirNames) {
    const struct {
        long code;
        const char* name;
    } rows[] = {
        {0, "ERR_NOERROR"},
        {-50000, "ERR_UNKNOWN"},
        {-50001, "ERR_MEMORY"},
        {-50002, "ERR_BADPARAMETER"},
        {-50003, "ERR_INVALIDPOINTER"},
        {-50004, "ERR_PRINTERNOTSUPPORTED"},
        {-50005, "ERR_PORTNOTSUPPORTED"},
        {-50006, "ERR_CONNECTIONLOST"},
        {-50007, "ERR_PRINTERNOTFOUND"},
        {-50008, "ERR_BUFFEROVERFLOW"},
        {-50009, "ERR_RESOURCEUNAVAILABLE"},
        {-50010, "ERR_TIMEOUT"},
        {-50011, "ERR_READONLY"},
        {-50012, "ERR_ACTIONNOTNOW"},
        {-50013, "ERR_RESOURCENOTFOUND"},
        {-50014, "ERR_MUTEX"},
        {-50015, "ERR_COMMUNITYNAME"},
        {-50016, "ERR_STLEXCEPTION"},
        {-50017, "ERR_REMOVEPRINTER"},
        {-50018, "ERR_ERRORNOTFOUND"},
        {-50019, "ERR_ERRORMASKED"},
    };
    for (const auto& row : rows) EXPECT_STREQ(GetErrorString(row.code), row.name) << row.code;
    EXPECT_EQ(nameAtStart, "ERR_MEMORY");
}

TEST(ErrorCodes, OtherCodesAreWindowsTexts) {
    const struct {
        const char* name;
        LANGID systemLanguage;
        LANGID userLanguage;
        long code;
        const char* text;
    } rows[] = {
        {"Italian system", 0x410, 0x410, ERROR_ACCESS_DENIED, "Accesso negato.\r\n"},
        {"English system", 0x409, 0x409, ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
        {"German system, English user: the user's language", 0x407, 0x409, ERROR_FILE_NOT_FOUND,
         "The system cannot find the file specified.\r\n"},
        {"German system and user: no text", 0x407, 0x407, ERROR_ACCESS_DENIED, ""},
        {"just above the library's codes", 0x410, 0x410, -49999, ""},
        {"just below the library's codes", 0x410, 0x410, -50020, ""},
        {"inserts stay as written", 0x409, 0x409, ERROR_BAD_EXE_FORMAT,
         "%1 is not a valid Win32 application.\r\n"},
    };
    for (const auto& row : rows) {
        platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsXP);
        settings.systemLanguage = row.systemLanguage;
        settings.userLanguage = row.userLanguage;
        platform::TestMachine machine(settings);
        SetLastError(1234);
        EXPECT_STREQ(GetErrorString(row.code), row.text) << row.name;
        // The code is made the last error, and left so.
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(row.code)) << row.name;
    }
}

TEST(ErrorCodes, WindowsTextIsOverwrittenByTheNextCall) {
    platform::TestMachine machine(OsKind::Windows98);
    const char* first = GetErrorString(ERROR_FILE_NOT_FOUND);
    std::string kept = first;
    const char* second = GetErrorString(ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(first, second);
    EXPECT_EQ(kept, "Impossibile trovare il file specificato.\r\n");
    EXPECT_STREQ(second, "Impossibile trovare il percorso specificato.\r\n");
    // A library code leaves the Windows text alone.
    GetErrorString(ERR_TIMEOUT);
    EXPECT_STREQ(second, "Impossibile trovare il percorso specificato.\r\n");
}

TEST(ErrorCodes, GetLastErrorMsgIntoAString) {
    platform::TestMachine machine(OsKind::Windows2000);
    std::string text = "before";
    SetLastError(ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(GetLastErrorMsg(text), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(text, "Dati non disponibili.\r\n");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));

    text = "before";
    SetLastError(0xFFFF3CB1);  // -49999
    EXPECT_EQ(GetLastErrorMsg(text), -49999);
    EXPECT_EQ(text, "before");
    EXPECT_EQ(GetLastError(), 0xFFFF3CB1);
}

TEST(ErrorCodes, GetLastErrorMsgInAMessageBox) {
    platform::TestMachine machine(OsKind::WindowsXP);
    platform::RegisterStringTable(nullptr, {{4001, "Disinstallazione"}});

    SetLastError(0);
    EXPECT_EQ(GetLastErrorMsg(4001, nullptr), 0);
    EXPECT_EQ(machine.Transcript(), "");

    SetLastError(ERROR_SHARING_VIOLATION);
    EXPECT_EQ(GetLastErrorMsg(4001, nullptr), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(machine.Transcript(),
              "MessageBox \"Disinstallazione\"\n"
              "  text: Impossibile accedere al file. Il file \xE8 utilizzato da un altro processo.\n"
              "  buttons: OK; icon: information\n"
              "  answer: IDOK (default)\n");

    // No text: no box, and the code still comes back.
    SetLastError(0xFFFF3CB1);
    EXPECT_EQ(GetLastErrorMsg(4001, nullptr), -49999);
    EXPECT_EQ(machine.Transcript().find("MessageBox", 10), std::string::npos);
}

TEST(Trace, LinesHaveTheirForms) {
    platform::TestMachine machine(OsKind::WindowsXP);
    platform::StdoutCapture capture;
    TraceFailed("mutex.CreateOpen()");
    TraceFailedWith("port.GetAddress", ERR_TIMEOUT);
    TraceFailedWith("RegOpenKeyEx", ERROR_ACCESS_DENIED);
    TraceFailedReturning("OpenPrinter", "FALSE");
    EXPECT_EQ(capture.Take(),
              "mutex.CreateOpen() failed\n"
              "port.GetAddress failed with ERR_TIMEOUT\n"
              "RegOpenKeyEx failed with Accesso negato.\r\n\n"
              "OpenPrinter failed returning FALSE\n");
}

}  // namespace
