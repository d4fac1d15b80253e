#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/machine/processes/program_stub.h"
#include "platform/resource_formats/resource_formats.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using namespace std::string_literals;

using platform::TestMachine;

constexpr char kProgram[] = "C:\\Program Files\\Corvanta\\devpurge.exe";

const platform::VersionFields kFields = {
    {"CompanyName", "Corvanta"}, {"FileVersion", "3.0.0.8"},  {"ProductVersion", "3, 1, 2, 4"},
    {"Comments", "Caf\xE9"},     {"Translation", "041004E4"},
};

// The version information of a file as a program reads it, or the last error of the failing call.
struct Read {
    DWORD size = 0;
    DWORD error = 0;
    std::vector<BYTE> buffer;
};

Read ReadVersion(const char* file) {
    Read read;
    DWORD handle = 7;
    SetLastError(0);
    read.size = GetFileVersionInfoSizeA(file, &handle);
    EXPECT_EQ(handle, 0u);
    read.error = GetLastError();
    if (!read.size) return read;
    read.buffer.assign(read.size, 0xCC);
    EXPECT_TRUE(GetFileVersionInfoA(file, 0, read.size, read.buffer.data()));
    return read;
}

std::string Text(const std::vector<BYTE>& buffer, const char* query) {
    LPVOID value = nullptr;
    UINT length = 99;
    if (!VerQueryValueA(buffer.data(), query, &value, &length))
        return "<error " + std::to_string(GetLastError()) + ">";
    std::string text = static_cast<const char*>(value);
    EXPECT_EQ(length, text.size() + 1) << query;
    return text;
}

TEST(ProgramStub, FormatAndParse) {
    platform::ProgramStub stub{"devpurge", kFields};
    std::string text = platform::FormatProgramStub(stub);
    EXPECT_EQ(text.substr(0, 28), "#winstub program=devpurge\r\nC");
    std::optional<platform::ProgramStub> parsed = platform::ParseProgramStub(text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->program, "devpurge");
    EXPECT_EQ(parsed->versionFields, kFields);
    // Unix line ends and blank lines are read too; anything else is no stub.
    parsed = platform::ParseProgramStub("#winstub program=x\n\nFileVersion=1\n");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->versionFields, (platform::VersionFields{{"FileVersion", "1"}}));
    for (const char* other : {"", "MZ\x90", "#winstub", "#winstub program=", "winstub program=x"})
        EXPECT_FALSE(platform::ParseProgramStub(other)) << other;
}

TEST(VersionInfo, StubFixedInfoTranslationAndStrings) {
    TestMachine test;
    ASSERT_TRUE(platform::WriteProgramStub(test.machine(), kProgram, "devpurge", kFields));
    Read read = ReadVersion(kProgram);
    ASSERT_NE(read.size, 0u);

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(read.buffer.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, static_cast<DWORD>(VS_FFI_SIGNATURE));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00030000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000008u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00030001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00020004u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(read.buffer.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<LPVOID*>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0410);
    EXPECT_EQ(translation[1], 1252);

    struct Row {
        const char* query;
        std::string expected;
    };
    const Row rows[] = {
        {"\\StringFileInfo\\041004E4\\CompanyName", "Corvanta"},
        {"\\StringFileInfo\\041004e4\\fileversion", "3.0.0.8"},   // keys without regard to case
        {"\\StringFileInfo\\041004E4\\Comments", "Caf\xE9"},      // Windows-1252 round trip
        {"\\StringFileInfo\\041004E4\\CompanyName", "Corvanta"},  // asked again, still the same text
        {"\\StringFileInfo\\040904E4\\CompanyName", "<error 1813>"},
        {"\\StringFileInfo\\041004E4\\InternalName", "<error 1813>"},
    };
    for (const Row& row : rows) EXPECT_EQ(Text(read.buffer, row.query), row.expected) << row.query;
    // A block has an empty value.
    LPVOID value = nullptr;
    EXPECT_TRUE(VerQueryValueA(read.buffer.data(), "\\StringFileInfo", &value, &length));
    EXPECT_EQ(length, 0u);
}

TEST(VersionInfo, FilesWithoutVersionInformation) {
    TestMachine test;
    test.File("C:\\WINDOWS\\readme.txt", "nothing here");
    ASSERT_TRUE(platform::WriteProgramStub(test.machine(), "C:\\Tools\\bare.exe", "bare", {}));
    test.File("C:\\Locked\\x.dll", "#winstub program=x\r\nFileVersion=1.0\r\n");
    test.Fault("file", "C:\\Locked\\x.dll", "open", ERROR_ACCESS_DENIED);
    struct Row {
        const char* file;
        DWORD error;
    };
    const Row rows[] = {
        {"C:\\WINDOWS\\readme.txt", ERROR_RESOURCE_DATA_NOT_FOUND},
        {"C:\\Tools\\bare.exe", ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"C:\\WINDOWS\\missing.dll", ERROR_FILE_NOT_FOUND},
        {"C:\\Locked\\x.dll", ERROR_ACCESS_DENIED},
        {"", ERROR_FILE_NOT_FOUND},
    };
    for (const Row& row : rows) {
        Read read = ReadVersion(row.file);
        EXPECT_EQ(read.size, 0u) << row.file;
        EXPECT_EQ(read.error, row.error) << row.file;
        BYTE buffer[64];
        SetLastError(0);
        EXPECT_FALSE(GetFileVersionInfoA(row.file, 0, sizeof buffer, buffer));
        EXPECT_EQ(GetLastError(), row.error) << row.file;
    }
}

TEST(VersionInfo, BinaryBlockInsideAFileAndSearchByName) {
    TestMachine test;
    platform::resources::FixedFileInfo fixed;
    fixed.fileVersionMS = 0x00050001;
    fixed.fileVersionLS = 0x0A280000;
    platform::resources::VersionNode name{"ProductName", false, true, "Monitor", {}, {}};
    platform::resources::VersionNode table{"040904B0", true, false, {}, {}, {name}};
    platform::resources::VersionNode strings{"StringFileInfo", true, false, {}, {}, {table}};
    platform::resources::Bytes block = platform::resources::EncodeVersionInfo(fixed, {strings});
    // As in a module: other bytes before and after the block, which starts on a 4-byte boundary.
    std::string contents = "MZ\x90\0headers and code"s.substr(0, 20);
    contents.append(block.begin(), block.end());
    contents += "trailing";
    test.File("C:\\WINDOWS\\system32\\qnmon.dll", contents);

    // A bare name is looked for as LoadLibraryA looks for modules, the system folder among them.
    Read read = ReadVersion("qnmon.dll");
    ASSERT_NE(read.size, 0u) << read.error;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(read.buffer.data(), "\\", reinterpret_cast<LPVOID*>(&info), &length));
    EXPECT_EQ(info->dwFileVersionMS, 0x00050001u);
    EXPECT_EQ(info->dwFileVersionLS, 0x0A280000u);
    EXPECT_EQ(Text(read.buffer, "\\StringFileInfo\\040904B0\\ProductName"), "Monitor");

    // A buffer without room for the ANSI texts hands out the binary values only.
    std::vector<BYTE> noRoom((block.size() + 3) / 4 * 4 + 4);
    ASSERT_TRUE(GetFileVersionInfoA("qnmon.dll", 0, static_cast<DWORD>(noRoom.size()), noRoom.data()));
    EXPECT_TRUE(VerQueryValueA(noRoom.data(), "\\", reinterpret_cast<LPVOID*>(&info), &length));
    EXPECT_EQ(Text(noRoom, "\\StringFileInfo\\040904B0\\ProductName"), "<error 13>");

    // A buffer smaller than the block takes what fits: the nodes cut off are not found.
    std::vector<BYTE> small(block.size() - 8);
    ASSERT_TRUE(GetFileVersionInfoA("qnmon.dll", 0, static_cast<DWORD>(small.size()), small.data()));
    EXPECT_TRUE(VerQueryValueA(small.data(), "\\", reinterpret_cast<LPVOID*>(&info), &length));
    EXPECT_EQ(Text(small, "\\StringFileInfo\\040904B0\\ProductName"), "<error 1813>");
}

TEST(VersionInfo, LibraryEntryPoints) {
    TestMachine test;
    HMODULE library = LoadLibraryA("version.dll");
    ASSERT_NE(library, nullptr);
    for (const char* name : {"GetFileVersionInfoSizeA", "GetFileVersionInfoA", "VerQueryValueA"})
        EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
    FreeLibrary(library);
}

}  // namespace
