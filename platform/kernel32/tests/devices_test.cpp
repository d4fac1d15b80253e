// QueryDosDeviceA: recorded links, the drives' own devices, listing every name, and the buffer rule.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

TEST(QueryDosDevice, NamesTheirTargets) {
    TestMachine machine;
    machine.Registry(R"(REGEDIT4
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager\DOS Devices]
"E:"="\\Device\\HarddiskVolume3"
"C:"="\\Device\\HarddiskVolume2"
)");
    struct Row {
        const char* name;
        DWORD size;
        std::string expected;  // empty: fails
        DWORD error;
    };
    const Row rows[] = {
        {"e:", MAX_PATH, std::string("\\Device\\HarddiskVolume3\0\0", 25), 0},
        {"C:", MAX_PATH, std::string("\\Device\\HarddiskVolume2\0\0", 25), 0},
        {"A:", MAX_PATH, std::string("\\Device\\Floppy0\0\0", 17), 0},
        {"D:", MAX_PATH, std::string("\\Device\\CdRom0\0\0", 16), 0},
        {"E:", 24, "", ERROR_INSUFFICIENT_BUFFER},
        {"F:", MAX_PATH, "", ERROR_FILE_NOT_FOUND},
    };
    for (const Row& row : rows) {
        char target[MAX_PATH];
        DWORD stored = QueryDosDeviceA(row.name, target, row.size);
        if (row.expected.empty()) {
            EXPECT_EQ(stored, 0u) << row.name;
            EXPECT_EQ(GetLastError(), row.error) << row.name;
        } else {
            EXPECT_EQ(std::string(target, stored), row.expected) << row.name;
        }
    }
    char names[MAX_PATH];
    DWORD stored = QueryDosDeviceA(nullptr, names, sizeof names);
    EXPECT_EQ(std::string(names, stored), std::string("A:\0C:\0D:\0E:\0\0", 13));
}

}  // namespace
