// GetFileAttributesA and SetFileAttributesA: where each attribute is kept and the errors of bad paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

struct AttributeRow {
    const char* path;
    DWORD attributes;
    DWORD error;
};

TEST(FileAttributes, ReportsWhatEachPathIs) {
    TestMachine test;
    test.File("C:\\WINDOWS\\win.ini", "[windows]\r\n").Folder("C:\\Program Files\\Corvanta");
    const std::vector<AttributeRow> rows = {
        {"C:\\WINDOWS\\WIN.INI", FILE_ATTRIBUTE_NORMAL, 0},
        {"c:/windows/win.ini", FILE_ATTRIBUTE_NORMAL, 0},
        {"C:\\WINDOWS", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\PROGRA~1\\corvanta", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\WINDOWS\\missing.ini", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"C:\\NOFOLDER\\missing.ini", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"C:\\WINDOWS\\win.ini\\x", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"Q:\\x.ini", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"C:\\WINDOWS\\*.ini", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
        {"C:\\WINDOWS\\a|b", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
    };
    for (const AttributeRow& row : rows) {
        SetLastError(0xDEAD);
        EXPECT_EQ(GetFileAttributesA(row.path), row.attributes) << row.path;
        if (row.error != 0) {
            EXPECT_EQ(GetLastError(), row.error) << row.path;
        }
    }
}

}  // namespace
