// Duplicated handles: a second handle to the same mutex or event, valid until it is closed itself.
#include <gtest/gtest.h>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

TEST(DuplicateHandleTest, TheDuplicateOutlivesTheSource) {
    platform::TestMachine machine;
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "Duplicated");
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(event, copy);
    EXPECT_TRUE(CloseHandle(event));
    // The object lives on through the duplicate, and so does its name.
    EXPECT_TRUE(SetEvent(copy));
    HANDLE opened = OpenEventA(SYNCHRONIZE, FALSE, "Duplicated");
    ASSERT_NE(nullptr, opened);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(opened, 0));
    EXPECT_TRUE(CloseHandle(opened));
    EXPECT_TRUE(CloseHandle(copy));
    EXPECT_FALSE(CloseHandle(copy));
}

TEST(DuplicateHandleTest, CloseSourceAndRefusals) {
    platform::TestMachine machine;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), mutex, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE));
    EXPECT_FALSE(CloseHandle(mutex));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(copy, 0));
    EXPECT_TRUE(ReleaseMutex(copy));

    struct Row {
        const char* name;
        HANDLE sourceProcess, source, targetProcess;
    };
    HANDLE other = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x44));
    const Row rows[] = {
        {"closed source", GetCurrentProcess(), mutex, GetCurrentProcess()},
        {"null source", GetCurrentProcess(), nullptr, GetCurrentProcess()},
        {"other source process", other, copy, GetCurrentProcess()},
        {"other target process", GetCurrentProcess(), copy, other},
    };
    for (const Row& row : rows) {
        HANDLE target = nullptr;
        SetLastError(0);
        EXPECT_FALSE(DuplicateHandle(row.sourceProcess, row.source, row.targetProcess, &target, 0, FALSE,
                                     DUPLICATE_SAME_ACCESS))
            << row.name;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError()) << row.name;
        EXPECT_EQ(nullptr, target) << row.name;
    }
    EXPECT_TRUE(CloseHandle(copy));
}

}  // namespace
