#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::OsKind;

constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

platform::MachineSettings Languages(LANGID system, LANGID user) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsXP);
    settings.systemLanguage = system;
    settings.userLanguage = user;
    return settings;
}

// FormatMessageA into a 512-byte buffer; the text, or "" with the call's return of 0.
std::string Format(DWORD flags, LPCVOID source, DWORD code, DWORD language, va_list* arguments = nullptr) {
    char buffer[512];
    std::memset(buffer, 'x', sizeof buffer);
    DWORD length = FormatMessageA(flags, source, code, language, buffer, sizeof buffer, arguments);
    if (length == 0) return "";
    EXPECT_EQ(length, std::strlen(buffer));
    return buffer;
}

TEST(FormatMessageA, SystemTextsByLanguage) {
    const struct {
        const char* name;
        LANGID system, user;
        DWORD code;
        DWORD language;
        const char* text;  // "" when the call fails
        DWORD error;
    } rows[] = {
        {"0 on Italian", 0x410, 0x410, 5, 0, "Accesso negato.\r\n", 0},
        {"0 on English", 0x409, 0x409, 5, 0, "Access is denied.\r\n", 0},
        {"0 takes the user's first", 0x410, 0x409, 5, 0, "Access is denied.\r\n", 0},
        {"0 with a language not carried", 0x407, 0x407, 5, 0, "Access is denied.\r\n", 0},
        {"English is always carried", 0x410, 0x410, 2, 0x409,
         "The system cannot find the file specified.\r\n", 0},
        {"Italian", 0x410, 0x410, 15, 0x410, "Impossibile trovare l'unit\xE0 specificata.\r\n", 0},
        {"primary language only", 0x410, 0x410, 145, MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL),
         "La directory non \xE8 vuota.\r\n", 0},
        {"system default", 0x410, 0x409, 183, LANG_SYSTEM_DEFAULT,
         "Impossibile creare un file, se il file esiste gi\xE0.\r\n", 0},
        {"user default", 0x410, 0x409, 259, LANG_USER_DEFAULT, "No more data is available.\r\n", 0},
        {"Italian not carried", 0x409, 0x409, 5, 0x410, "", ERROR_RESOURCE_LANG_NOT_FOUND},
        {"Swiss Italian is not Italian", 0x410, 0x410, 5, 0x810, "", ERROR_RESOURCE_LANG_NOT_FOUND},
        {"German not carried", 0x407, 0x407, 5, 0x407, "", ERROR_RESOURCE_LANG_NOT_FOUND},
        {"user default not carried", 0x409, 0x407, 5, LANG_USER_DEFAULT, "", ERROR_RESOURCE_LANG_NOT_FOUND},
        {"unknown code", 0x410, 0x410, 4242, 0, "", ERROR_MR_MID_NOT_FOUND},
        {"a Windows error as an HRESULT", 0x409, 0x409, 0x80070005, 0, "Access is denied.\r\n", 0},
        {"an unknown Windows error as an HRESULT", 0x409, 0x409, 0x80071092, 0, "", ERROR_MR_MID_NOT_FOUND},
        {"unknown code in a carried language", 0x410, 0x410, 0xFFFF3CB1, 0x410, "", ERROR_MR_MID_NOT_FOUND},
        {"language checked before the code", 0x410, 0x410, 4242, 0x407, "", ERROR_RESOURCE_LANG_NOT_FOUND},
    };
    for (const auto& row : rows) {
        platform::TestMachine machine(Languages(row.system, row.user));
        SetLastError(0);
        EXPECT_EQ(Format(kFromSystem, nullptr, row.code, row.language), row.text) << row.name;
        EXPECT_EQ(GetLastError(), row.error) << row.name;
    }
}

TEST(FormatMessageA, EveryListedCodeHasBothTexts) {
    platform::TestMachine machine(OsKind::Windows98);
    const DWORD codes[] = {0, 2, 3, 5, 6, 13, 15, 32, 87, 122, 145, 183, 193, 259, 1168, 1248, 3010, 4314};
    for (DWORD code : codes) {
        std::string english = Format(kFromSystem, nullptr, code, 0x409);
        std::string italian = Format(kFromSystem, nullptr, code, 0x410);
        EXPECT_GT(english.size(), 2u) << code;
        EXPECT_GT(italian.size(), 2u) << code;
        EXPECT_NE(english, italian) << code;
        EXPECT_EQ(english.substr(english.size() - 2), "\r\n") << code;
        EXPECT_EQ(italian.substr(italian.size() - 2), "\r\n") << code;
    }
}

TEST(FormatMessageA, SpoolerUnknownAndInUseTexts) {
    platform::TestMachine machine(OsKind::WindowsXP);
    const struct {
        DWORD code;
        const char* english;
    } rows[] = {
        {ERROR_UNKNOWN_PORT, "The specified port is unknown.\r\n"},
        {ERROR_UNKNOWN_PRINTER_DRIVER, "The printer driver is unknown.\r\n"},
        {ERROR_UNKNOWN_PRINT_MONITOR, "The specified print monitor is unknown.\r\n"},
        {ERROR_PRINTER_DRIVER_IN_USE, "The specified printer driver is currently in use.\r\n"},
        {ERROR_PRINT_MONITOR_IN_USE, "The specified print monitor is currently in use.\r\n"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Format(kFromSystem, nullptr, row.code, 0x409), row.english) << row.code;
        std::string italian = Format(kFromSystem, nullptr, row.code, 0x410);
        EXPECT_GT(italian.size(), 2u) << row.code;
        EXPECT_NE(italian, row.english) << row.code;
    }
}

TEST(FormatMessageA, CallersBuffer) {
    platform::TestMachine machine(OsKind::WindowsXP);
    const std::string text = "Accesso negato.\r\n";
    char buffer[64];
    const struct {
        DWORD size;
        DWORD result;
        DWORD error;
    } rows[] = {
        {static_cast<DWORD>(text.size() + 1), static_cast<DWORD>(text.size()), 0},
        {static_cast<DWORD>(text.size()), 0, ERROR_INSUFFICIENT_BUFFER},
        {0, 0, ERROR_INSUFFICIENT_BUFFER},
    };
    for (const auto& row : rows) {
        std::memset(buffer, 'x', sizeof buffer);
        SetLastError(0);
        EXPECT_EQ(FormatMessageA(kFromSystem, nullptr, 5, 0, buffer, row.size, nullptr), row.result)
            << row.size;
        EXPECT_EQ(GetLastError(), row.error) << row.size;
        if (row.result) {
            EXPECT_EQ(std::string(buffer), text);
        }
        // Nothing is written past the size given.
        EXPECT_EQ(buffer[row.size], 'x') << row.size;
    }
}

TEST(FormatMessageA, AllocatedBufferIsFreedWithLocalFree) {
    platform::TestMachine machine(OsKind::Windows2000);
    LPSTR buffer = nullptr;
    DWORD length = FormatMessageA(kFromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 3010, 0x409,
                                  reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(std::string(buffer, length),
              "The requested operation is successful. Changes will not be effective until the system is "
              "rebooted.\r\n");
    EXPECT_EQ(LocalFree(buffer), nullptr);

    // A failing call leaves no buffer to free.
    buffer = nullptr;
    EXPECT_EQ(FormatMessageA(kFromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 4242, 0,
                             reinterpret_cast<LPSTR>(&buffer), 0, nullptr),
              0u);
    EXPECT_EQ(buffer, nullptr);
}

DWORD FormatWithList(LPCSTR definition, LPSTR buffer, DWORD size, ...) {
    va_list arguments;
    va_start(arguments, size);
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING, definition, 0, 0, buffer, size, &arguments);
    va_end(arguments);
    return length;
}

TEST(FormatMessageA, InsertsAndEscapes) {
    platform::TestMachine machine(OsKind::WindowsXP);
    DWORD_PTR values[] = {reinterpret_cast<DWORD_PTR>("setup.exe"), 42, static_cast<DWORD_PTR>(-7), 255};
    auto* array = reinterpret_cast<va_list*>(values);
    const DWORD fromArray = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY;
    const struct {
        const char* definition;
        DWORD flags;
        const char* text;
    } rows[] = {
        {"%1 is missing", fromArray, "setup.exe is missing"},
        {"%2!d! files, %3!d! left, %4!02X!", fromArray, "42 files, -7 left, FF"},
        {"%2!lu! then %1!-12s!|", fromArray, "42 then setup.exe   |"},
        {"100%% done%n", fromArray, "100% done\r\n"},
        {"a%tb%rc%.%!", fromArray, "a\tb\rc.!"},
        {"kept%0 dropped", fromArray, "kept"},
        {"line one\r\nline two", fromArray, "line one\r\nline two"},
        {"%1 stays %2!d!", FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "%1 stays %2!d!"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Format(row.flags, row.definition, 0, 0, array), row.text) << row.definition;
    }
    // Without arguments an insert cannot be filled.
    SetLastError(0);
    EXPECT_EQ(Format(FORMAT_MESSAGE_FROM_STRING, "%1 is missing", 0, 0), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Format(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, 193, 0x409, array),
              "setup.exe is not a valid Win32 application.\r\n");

    char buffer[64];
    EXPECT_EQ(FormatWithList("%2 in %1, %3!u! bytes", buffer, sizeof buffer, "C:\\TEMP", "a.txt", 512u), 27u);
    EXPECT_STREQ(buffer, "a.txt in C:\\TEMP, 512 bytes");
}

TEST(FormatMessageA, LineWidth) {
    platform::TestMachine machine(OsKind::WindowsXP);
    const DWORD fromString = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS;
    const struct {
        const char* definition;
        DWORD flags;
        const char* text;
    } rows[] = {
        // The definition's own line breaks become blanks; %n stays a line break.
        {"one\r\ntwo%nthree\r\n", fromString | FORMAT_MESSAGE_MAX_WIDTH_MASK, "one two\r\nthree "},
        {"aaa bbb ccc ddd", fromString | 7, "aaa bbb\r\nccc ddd"},
        {"aaa bbb ccc ddd", fromString | 8, "aaa bbb\r\nccc ddd"},
        {"abcdefghij kl", fromString | 4, "abcdefghij\r\nkl"},
        {"aa bb%ncc dd", fromString | 5, "aa bb\r\ncc dd"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Format(row.flags, row.definition, 0, 0), row.text) << row.definition;
    EXPECT_EQ(Format(kFromSystem | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr, 5, 0x409), "Access is denied. ");
}

TEST(LocalHeap, AllocateAndFree) {
    auto* zeroed = static_cast<unsigned char*>(LocalAlloc(LPTR, 32));
    ASSERT_NE(zeroed, nullptr);
    for (int index = 0; index < 32; ++index) EXPECT_EQ(zeroed[index], 0) << index;
    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr);
    HGLOBAL global = GlobalAlloc(GPTR, 8);
    EXPECT_NE(global, nullptr);
    int onTheStack = 0;

    const struct {
        const char* name;
        HLOCAL (*free)(HLOCAL);
        HLOCAL block;
        bool freed;
    } rows[] = {
        {"LocalFree", LocalFree, zeroed, true},
        {"LocalFree twice", LocalFree, zeroed, false},
        {"LocalFree of nothing", LocalFree, nullptr, true},
        {"LocalFree of zero bytes", LocalFree, empty, true},
        {"GlobalFree", GlobalFree, global, true},
        {"GlobalFree of a stack address", GlobalFree, &onTheStack, false},
    };
    for (const auto& row : rows) {
        SetLastError(0);
        HLOCAL result = row.free(row.block);
        EXPECT_EQ(result, row.freed ? nullptr : row.block) << row.name;
        EXPECT_EQ(GetLastError(), row.freed ? 0u : static_cast<DWORD>(ERROR_INVALID_HANDLE)) << row.name;
    }
}

TEST(LocalHeap, ExhaustedHeapRefusesTheProgramsAllocations) {
    platform::TestMachine machine;
    machine.Module("C:\\Programmi\\prova.exe");
    machine.Fault(platform::fault_target::kHeap, "C:\\Programmi\\prova.exe", "allocate", ERROR_NOT_ENOUGH_MEMORY, 2);
    for (auto allocate : {+[](SIZE_T bytes) { return LocalAlloc(LPTR, bytes); },
                          +[](SIZE_T bytes) { return GlobalAlloc(GPTR, bytes); }}) {
        SetLastError(0);
        EXPECT_EQ(allocate(16), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }
    // The counted fault is used up.
    HLOCAL block = LocalAlloc(LPTR, 16);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(LocalFree(block), nullptr);
}

}  // namespace
