// GetUserNameA's size protocol: the size offered, needed and written all count the terminating zero.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

TEST(GetUserNameA, SizesCountTheTerminatingZero) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(platform::OsKind::WindowsXP);
    settings.userName = "Mario Rossi";  // 11 characters
    platform::TestMachine machine(settings);
    const struct {
        bool buffer;
        DWORD offered;
        BOOL result;
        DWORD size;
        DWORD error;
    } rows[] = {
        {true, 64, TRUE, 12, 0},
        {true, 12, TRUE, 12, 0},
        {true, 11, FALSE, 12, ERROR_INSUFFICIENT_BUFFER},
        {true, 0, FALSE, 12, ERROR_INSUFFICIENT_BUFFER},
        {false, 64, FALSE, 12, ERROR_INSUFFICIENT_BUFFER},
    };
    for (const auto& row : rows) {
        char buffer[64] = "unchanged";
        DWORD size = row.offered;
        SetLastError(0);
        EXPECT_EQ(GetUserNameA(row.buffer ? buffer : nullptr, &size), row.result) << row.offered;
        EXPECT_EQ(size, row.size) << row.offered;
        EXPECT_EQ(GetLastError(), row.error) << row.offered;
        EXPECT_STREQ(buffer, row.result ? "Mario Rossi" : "unchanged") << row.offered;
    }
    SetLastError(0);
    EXPECT_FALSE(GetUserNameA(nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
