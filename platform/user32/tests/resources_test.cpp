#include <gtest/gtest.h>

#include <cstring>

#include "platform/testing/test_machine.h"
#include "platform/user32/module_resources.h"
#include "windows.h"

namespace {

// Two modules: the program (null) and a library with a table of its own; a third has no resources.
HINSTANCE Library() {
    return reinterpret_cast<HINSTANCE>(0x10000000);
}
HINSTANCE Unregistered() {
    return reinterpret_cast<HINSTANCE>(0x20000000);
}

TEST(LoadStringA, CopiesBoundedAndTerminated) {
    platform::TestMachine machine(platform::OsKind::Windows98);
    platform::RegisterStringTable(nullptr, {{100, "Disinstallazione"}, {101, "Citt\xE0"}, {4000, "\x80 5"}});
    platform::RegisterStringTable(Library(), {{100, "Library caption"}});
    const struct {
        const char* name;
        HINSTANCE module;
        UINT id;
        int size;
        int result;
        const char* text;
        DWORD error;
    } rows[] = {
        {"fits", nullptr, 100, 64, 16, "Disinstallazione", 0},
        {"just fits", nullptr, 100, 17, 16, "Disinstallazione", 0},
        {"cut to the buffer", nullptr, 100, 5, 4, "Disi", 0},
        {"room for the terminator only", nullptr, 100, 1, 0, "", 0},
        {"Windows-1252 text", nullptr, 101, 64, 5, "Citt\xE0", 0},
        {"missing string", nullptr, 102, 64, 0, "", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"module with its own table", Library(), 100, 64, 15, "Library caption", 0},
        {"its table only", Library(), 101, 64, 0, "", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"characters beyond Latin-1", nullptr, 4000, 64, 3, "\x80 5", 0},
        {"no block for the id", nullptr, 4100, 64, 0, "", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"module without resources", Unregistered(), 101, 64, 0, "", ERROR_RESOURCE_DATA_NOT_FOUND},
    };
    for (const auto& row : rows) {
        char buffer[80];
        std::memset(buffer, 'x', sizeof buffer);
        SetLastError(0);
        EXPECT_EQ(LoadStringA(row.module, row.id, buffer, row.size), row.result) << row.name;
        EXPECT_STREQ(buffer, row.text) << row.name;
        EXPECT_EQ(GetLastError(), row.error) << row.name;
        EXPECT_EQ(buffer[row.size], 'x') << row.name;
    }
    char untouched = 'x';
    EXPECT_EQ(LoadStringA(nullptr, 100, &untouched, 0), 0);
    EXPECT_EQ(untouched, 'x');
}

}  // namespace
