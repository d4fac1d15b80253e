// The profile functions against Windows' behaviour, one row a behaviour. Each row says whether
// Windows' reference documentation states it (Documented) or whether it is what Windows is seen to
// do where the documentation is silent (Observed).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

constexpr DWORD kUntouched = 0xDEADBEEF;

enum class Basis { Documented, Observed };

const char kFile[] =
    "[Main]\r\n"
    "Key=Value\r\n"
    "  Spaced  =  padded value  \r\n"
    "Quoted=\"  quoted  \"\r\n"
    "Single='single'\r\n"
    ";Hidden=comment\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "Number=42\r\n"
    "[main]\r\n"
    "Shadow=second section\r\n"
    "[Other]\r\n"
    "k=v\r\n";

constexpr char kPath[] = "C:\\WINDOWS\\conform.ini";

// A call's outcome as text: the return value, the buffer up to the end of its string or list (NULs
// shown as '|'), and the last error when the call set one.
std::string Outcome(DWORD result, const char* buffer, DWORD size, bool list) {
    std::string text = std::to_string(result) + ":";
    for (std::size_t index = 0; index < size; ++index) {
        text.push_back(buffer[index] ? buffer[index] : '|');
        bool ended = buffer[index] == '\0' && (!list || (index > 0 && buffer[index - 1] == '\0'));
        if (ended) break;
    }
    DWORD error = GetLastError();
    if (error != kUntouched) text += " error " + std::to_string(error);
    return text;
}

std::string String(const char* section, const char* key, const char* fallback, DWORD size,
                   const char* file = "conform.ini") {
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    SetLastError(kUntouched);
    DWORD result = GetPrivateProfileStringA(section, key, fallback, buffer, size, file);
    return Outcome(result, buffer, size, !section || !key);
}

std::string Section(const char* section, DWORD size, const char* file = "conform.ini") {
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    SetLastError(kUntouched);
    DWORD result = GetPrivateProfileSectionA(section, buffer, size, file);
    return Outcome(result, buffer, size, true);
}

std::string Names(DWORD size, const char* file = "conform.ini") {
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    SetLastError(kUntouched);
    DWORD result = GetPrivateProfileSectionNamesA(buffer, size, file);
    return Outcome(result, buffer, size, true);
}

std::string Integer(const char* section, const char* key, INT fallback, const char* file = "conform.ini") {
    return std::to_string(static_cast<INT>(GetPrivateProfileIntA(section, key, fallback, file)));
}

// A write's result and the file afterwards ("<missing>" when there is none).
std::string Write(platform::TestMachine& machine, const char* section, const char* key, const char* value,
                  const char* file = "conform.ini", const char* path = kPath) {
    SetLastError(kUntouched);
    BOOL result = WritePrivateProfileStringA(section, key, value, file);
    std::string text = result ? "TRUE " : "FALSE ";
    DWORD error = GetLastError();
    if (error != kUntouched) text += "error " + std::to_string(error) + " ";
    return text + (machine.Exists(path) ? machine.ReadFile(path) : std::string("<missing>"));
}

struct Row {
    const char* behaviour;
    Basis basis;
    std::function<std::string(platform::TestMachine&)> call;
    std::string expected;
};

TEST(ProfileConformance, Table) {
    const std::vector<Row> rows = {
        // GetPrivateProfileStringA: values.
        {"the return value is the number of characters copied, without the terminating null", Basis::Documented,
         [](auto&) { return String("Main", "Key", "d", 64); }, "5:Value|"},
        {"section and key names are case-insensitive", Basis::Documented,
         [](auto&) { return String("MAIN", "kEY", "d", 64); }, "5:Value|"},
        {"blanks around a key's name and value are ignored", Basis::Observed,
         [](auto&) { return String("Main", "Spaced", "d", 64); }, "12:padded value|"},
        {"a value in double quotes loses them and keeps the blanks inside", Basis::Observed,
         [](auto&) { return String("Main", "Quoted", "d", 64); }, "10:  quoted  |"},
        {"a value in single quotes loses them", Basis::Observed,
         [](auto&) { return String("Main", "Single", "d", 64); }, "6:single|"},
        {"a line starting with ';' is a comment, not a key", Basis::Observed,
         [](auto&) { return String("Main", ";Hidden", "d", 64); }, "1:d|"},
        {"of duplicate keys the first counts", Basis::Observed,
         [](auto&) { return String("Main", "Dup", "d", 64); }, "5:first|"},
        {"of duplicate sections the first counts", Basis::Observed,
         [](auto&) { return String("Main", "Shadow", "d", 64); }, "1:d|"},
        // Defaults.
        {"a missing key gives the default", Basis::Documented,
         [](auto&) { return String("Main", "Missing", "fallback", 64); }, "8:fallback|"},
        {"a missing section gives the default", Basis::Documented,
         [](auto&) { return String("Missing", "Key", "fallback", 64); }, "8:fallback|"},
        {"a null default is the empty string", Basis::Documented,
         [](auto&) { return String("Main", "Missing", nullptr, 64); }, "0:|"},
        {"the default loses its trailing blanks", Basis::Documented,
         [](auto&) { return String("Main", "Missing", " def   ", 64); }, "4: def|"},
        // Truncation. The lengths are documented; ERROR_MORE_DATA beside them is observed.
        {"a string too long is cut, null-terminated, and nSize - 1 returned", Basis::Documented,
         [](auto&) { return String("Main", "Key", "d", 4); }, "3:Val| error 234"},
        {"a string that just fits is whole", Basis::Documented,
         [](auto&) { return String("Main", "Key", "d", 6); }, "5:Value|"},
        {"a default too long is cut the same way", Basis::Documented,
         [](auto&) { return String("Main", "Missing", "fallback", 4); }, "3:fal| error 234"},
        // Lists. Duplicate sections and keys are listed as often as they appear (observed).
        {"a null section lists every section name, each null-terminated, the list by a second null",
         Basis::Documented, [](auto&) { return String(nullptr, "Key", "d", 64); }, "16:Main|main|Other||"},
        {"a null key lists the section's key names", Basis::Documented,
         [](auto&) { return String("main", nullptr, "d", 64); }, "40:Key|Spaced|Quoted|Single|Dup|Dup|Number||"},
        {"a list too long is cut, ended by two nulls, and nSize - 2 returned", Basis::Documented,
         [](auto&) { return String(nullptr, nullptr, "d", 8); }, "6:Main|m|| error 234"},
        {"the key list of a missing section is empty", Basis::Observed,
         [](auto&) { return String("Missing", nullptr, "d", 64); }, "0:||"},
        {"GetPrivateProfileSectionNamesA lists the same names", Basis::Documented,
         [](auto&) { return Names(64); }, "16:Main|main|Other||"},
        {"GetPrivateProfileSectionNamesA cuts at nSize - 2", Basis::Documented,
         [](auto&) { return Names(10); }, "8:Main|mai|| error 234"},
        {"GetPrivateProfileSectionA gives key=value lines, comments left out", Basis::Documented,
         [](auto&) { return Section("Other", 64); }, "4:k=v||"},
        {"GetPrivateProfileSectionA cuts at nSize - 2", Basis::Documented,
         [](auto&) { return Section("Main", 12); }, "10:Key=Value|| error 234"},
        // Integers.
        {"GetPrivateProfileIntA converts the value", Basis::Documented,
         [](auto&) { return Integer("main", "NUMBER", 7); }, "42"},
        {"GetPrivateProfileIntA gives the default for a missing key", Basis::Documented,
         [](auto&) { return Integer("Main", "Missing", 7); }, "7"},
        {"GetPrivateProfileIntA reads the digits a value starts with", Basis::Observed,
         [](auto& machine) {
             machine.File(kPath, "[s]\r\nn=55zz\r\n");
             return Integer("s", "n", 7);
         },
         "55"},
        // Files.
        {"a missing file gives the default and ERROR_FILE_NOT_FOUND", Basis::Documented,
         [](auto&) { return String("Main", "Key", "d", 64, "absent.ini"); }, "1:d| error 2"},
        {"a missing file lists nothing", Basis::Documented,
         [](auto&) { return String(nullptr, nullptr, "d", 64, "absent.ini"); }, "0:|| error 2"},
        {"lines ended by CR alone are lines", Basis::Observed,
         [](auto& machine) {
             machine.File(kPath, "[A]\rk=v\r[B]\rx=1\r");
             return String("B", "x", "d", 64);
         },
         "1:1|"},
        {"a UTF-16 file with its mark is read as Unicode (Windows 2000 and XP)", Basis::Observed,
         [](auto& machine) {
             machine.File(kPath, std::string("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\xE9\0", 18));
             return String("A", "k", "d", 64);
         },
         "1:\xE9|"},
        // WritePrivateProfileStringA.
        {"a write creates the file, and the section and key", Basis::Documented,
         [](auto& machine) { return Write(machine, "New", "k", "v", "fresh.ini", "C:\\WINDOWS\\fresh.ini"); },
         "TRUE error 2 [New]\r\nk=v\r\n"},
        {"a write into a missing folder fails", Basis::Documented,
         [](auto& machine) {
             return Write(machine, "New", "k", "v", "C:\\absent\\x.ini", "C:\\absent\\x.ini");
         },
         "FALSE error 3 <missing>"},
        {"a write replaces the first key of that name, case-insensitively", Basis::Documented,
         [](auto& machine) {
             machine.File(kPath, "[Main]\r\nKey=1\r\nKey=2\r\n");
             return Write(machine, "MAIN", "key", "3");
         },
         "TRUE [Main]\r\nKey=3\r\nKey=2\r\n"},
        {"a null value deletes the key", Basis::Documented,
         [](auto& machine) {
             machine.File(kPath, "[Main]\r\nKey=1\r\nOther=2\r\n");
             return Write(machine, "Main", "Key", nullptr);
         },
         "TRUE [Main]\r\nOther=2\r\n"},
        {"a null key deletes the section with its entries", Basis::Documented,
         [](auto& machine) {
             machine.File(kPath, "[A]\r\nx=1\r\n[Main]\r\nKey=1\r\n[B]\r\ny=2\r\n");
             return Write(machine, "main", nullptr, nullptr);
         },
         "TRUE [A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        {"all names null only flushes the cache and answers FALSE", Basis::Documented,
         [](auto& machine) {
             machine.File(kPath, "[A]\r\nx=1\r\n");
             return Write(machine, nullptr, nullptr, nullptr);
         },
         "FALSE [A]\r\nx=1\r\n"},
        {"a write to a UTF-16 file writes UTF-16 (Windows 2000 and XP)", Basis::Documented,
         [](auto& machine) {
             machine.File(kPath, "\xFF\xFE");
             return Write(machine, "A", "k", "v");
         },
         std::string("TRUE \xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0", 27)},
    };
    for (const Row& row : rows) {
        platform::TestMachine machine;
        machine.File(kPath, kFile);
        EXPECT_EQ(row.call(machine), row.expected)
            << row.behaviour << (row.basis == Basis::Documented ? " (documented)" : " (observed)");
    }
}

}  // namespace
