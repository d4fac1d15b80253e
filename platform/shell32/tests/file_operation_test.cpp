// SHFileOperationA deleting: files, names with wildcards, folder trees, several names at once, and what
// is not there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "shellapi.h"
#include "windows.h"

namespace {

using platform::TestMachine;

int Delete(const std::string& list, FILEOP_FLAGS flags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI) {
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    std::string names = list + '\0';  // the second zero that ends the list
    operation.pFrom = names.c_str();
    operation.fFlags = flags;
    operation.fAnyOperationsAborted = TRUE;
    int result = SHFileOperationA(&operation);
    EXPECT_FALSE(operation.fAnyOperationsAborted);
    return result;
}

TEST(FileOperation, Deletes) {
    struct Row {
        const char* name;
        std::string list;  // names separated by zeros
        FILEOP_FLAGS flags;
        int result;
        std::vector<const char*> gone;
        std::vector<const char*> kept;
    };
    const FILEOP_FLAGS quiet = FOF_ALLOWUNDO | FOF_NOCONFIRMATION;
    const Row rows[] = {
        {"one file",
         "C:\\Dati\\a.txt",
         quiet,
         0,
         {"C:\\Dati\\a.txt"},
         {"C:\\Dati\\b.log", "C:\\Dati\\Sotto\\c.txt"}},
        {"a read-only file", "C:\\Dati\\sola.txt", quiet, 0, {"C:\\Dati\\sola.txt"}, {"C:\\Dati\\a.txt"}},
        {"wildcard in the last part",
         "C:\\Dati\\*.txt",
         quiet,
         0,
         {"C:\\Dati\\a.txt", "C:\\Dati\\sola.txt"},
         {"C:\\Dati\\b.log", "C:\\Dati\\Sotto\\c.txt"}},
        {"wildcard takes folders too",
         "C:\\Dati\\*",
         quiet,
         0,
         {"C:\\Dati\\a.txt", "C:\\Dati\\Sotto"},
         {"C:\\Dati"}},
        {"wildcard with FOF_FILESONLY",
         "C:\\Dati\\*",
         quiet | FOF_FILESONLY,
         0,
         {"C:\\Dati\\a.txt", "C:\\Dati\\b.log"},
         {"C:\\Dati\\Sotto\\c.txt"}},
        {"a folder tree", "C:\\Dati", quiet, 0, {"C:\\Dati"}, {"C:\\Altro\\d.txt"}},
        {"several names",
         std::string("C:\\Dati\\a.txt") + '\0' + "C:\\Altro",
         quiet,
         0,
         {"C:\\Dati\\a.txt", "C:\\Altro"},
         {"C:\\Dati\\b.log"}},
        {"relative to the current folder", "Dati\\b.log", quiet, 0, {"C:\\Dati\\b.log"}, {"C:\\Dati\\a.txt"}},
        {"wildcard matching nothing", "C:\\Dati\\*.doc", quiet, 0, {}, {"C:\\Dati\\a.txt"}},
        {"missing file", "C:\\Dati\\manca.txt", quiet, ERROR_FILE_NOT_FOUND, {}, {"C:\\Dati\\a.txt"}},
        {"missing folder", "C:\\Manca\\a.txt", quiet, ERROR_PATH_NOT_FOUND, {}, {"C:\\Dati\\a.txt"}},
        {"stops at the first failure",
         std::string("C:\\Dati\\manca.txt") + '\0' + "C:\\Dati\\a.txt",
         quiet,
         ERROR_FILE_NOT_FOUND,
         {},
         {"C:\\Dati\\a.txt"}},
        {"without flags, still no questions",
         "C:\\Dati\\a.txt",
         0,
         0,
         {"C:\\Dati\\a.txt"},
         {"C:\\Dati\\b.log"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestMachine machine;
        machine.File("C:\\Dati\\a.txt", "a")
            .File("C:\\Dati\\b.log", "b")
            .File("C:\\Dati\\sola.txt", "s")
            .File("C:\\Dati\\Sotto\\c.txt", "c")
            .File("C:\\Dati\\Sotto\\Giu\\e.txt", "e")
            .File("C:\\Altro\\d.txt", "d");
        ASSERT_TRUE(SetFileAttributesA("C:\\Dati\\sola.txt", FILE_ATTRIBUTE_READONLY));
        EXPECT_EQ(row.result, Delete(row.list, row.flags));
        for (const char* gone : row.gone) EXPECT_FALSE(machine.Exists(gone)) << gone;
        for (const char* kept : row.kept) EXPECT_TRUE(machine.Exists(kept)) << kept;
        EXPECT_EQ(0u, machine.OpenHandleCount());
    }
}

TEST(FileOperation, AFileInUseFailsWithItsErrorAndOnlyDeletionIsProvided) {
    TestMachine machine;
    machine.File("C:\\Dati\\a.txt", "a").File("C:\\Dati\\b.txt", "b").FileInUse("C:\\Dati\\b.txt", 60000);
    EXPECT_EQ(ERROR_SHARING_VIOLATION, Delete("C:\\Dati"));
    EXPECT_TRUE(machine.Exists("C:\\Dati\\b.txt"));
    SHFILEOPSTRUCTA copy{};
    copy.wFunc = FO_COPY;
    copy.pFrom = "C:\\Dati\\a.txt\0";
    copy.pTo = "C:\\Altro\0";
    EXPECT_EQ(ERROR_CALL_NOT_IMPLEMENTED, SHFileOperationA(&copy));
}

}  // namespace
