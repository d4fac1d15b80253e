// Resolution and host links: names put together one by one stay inside their drive or share, a link
// before the last name stops the path, and a link as the last name is given only as an entry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/machine/files/host_path.h"
#include "platform/testing/test_machine.h"
#include "winerror.h"

namespace {

namespace fs = std::filesystem;

using platform::HostPath;
using platform::TestMachine;
using platform::WindowsPath;

WindowsPath OnDriveC(std::vector<std::string> components) {
    WindowsPath path;
    path.drive = 'C';
    path.components = std::move(components);
    return path;
}

struct ResolveRow {
    std::vector<std::string> components;
    DWORD pathError;   // of ResolveHostPath; 0 when it resolves
    DWORD entryError;  // of ResolveHostEntry
    bool reparsePoint = false;
};

TEST(HostPathLinks, ResolutionStopsAtLinksAndForeignNames) {
    TestMachine test;
    test.File("C:\\Data\\file.txt", "x");
    fs::path data = test.HostPath("C:\\Data");
    fs::create_directory_symlink(fs::temp_directory_path(), data / "tmplink");
    fs::create_symlink(data / "file.txt", data / "inside");
    ASSERT_EQ(::mkfifo((data / "pipe").c_str(), 0600), 0);
    platform::NoteFilesChanged(test.machine());

    const std::vector<ResolveRow> rows = {
        {{"Data", "file.txt"}, 0, 0},
        {{"Data", "TMPLINK"}, ERROR_CANT_ACCESS_FILE, 0, true},
        {{"Data", "tmplink", "x"}, ERROR_CANT_ACCESS_FILE, ERROR_CANT_ACCESS_FILE},
        // A link is never followed, even to a file of the same machine.
        {{"Data", "inside"}, ERROR_CANT_ACCESS_FILE, 0, true},
        {{"Data", "pipe"}, ERROR_CANT_ACCESS_FILE, 0, true},
        {{"Data", ".."}, ERROR_INVALID_NAME, ERROR_INVALID_NAME},
        {{"..", "..", "x"}, ERROR_INVALID_NAME, ERROR_INVALID_NAME},
        {{"Data", "a/../../../x"}, ERROR_INVALID_NAME, ERROR_INVALID_NAME},
        {{"."}, ERROR_INVALID_NAME, ERROR_INVALID_NAME},
        {{"missing", ".."}, ERROR_INVALID_NAME, ERROR_INVALID_NAME},
    };
    for (const ResolveRow& row : rows) {
        WindowsPath path = OnDriveC(row.components);
        std::string name = path.ToString();
        DWORD error = 0;
        std::optional<HostPath> resolved = platform::ResolveHostPath(test.machine(), path, &error);
        EXPECT_EQ(resolved ? 0u : error, row.pathError) << name;
        error = 0;
        std::optional<HostPath> entry = platform::ResolveHostEntry(test.machine(), path, &error);
        EXPECT_EQ(entry ? 0u : error, row.entryError) << name;
        if (entry) {
            EXPECT_EQ(entry->reparsePoint, row.reparsePoint) << name;
            EXPECT_TRUE(entry->exists) << name;
            EXPECT_FALSE(entry->reparsePoint && entry->isDirectory) << name;
            EXPECT_TRUE(platform::LiesInside(test.machine().DriveFolder('C'), entry->host)) << name;
        }
    }
}

TEST(HostPathLinks, ALinkedDriveOrServerFolderIsRefused) {
    TestMachine test;
    test.NetworkShare("server", "share");
    fs::path network = test.machine().NetworkFolder();
    fs::create_directory_symlink(network / "server", network / "mirror");
    platform::NoteFilesChanged(test.machine());
    DWORD error = 0;
    EXPECT_FALSE(platform::ResolveHostPath("\\\\mirror\\share\\x", &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_NETPATH));
    EXPECT_TRUE(platform::ResolveHostPath("\\\\SERVER\\share\\x", &error));
}

TEST(HostPathLinks, LiesInsideAfterNormalising) {
    struct Row {
        const char* host;
        bool inside;
    };
    const Row rows[] = {
        {"/m/drives/c", true},         {"/m/drives/c/a/b", true}, {"/m/drives/c/a/../b", true},
        {"/m/drives/c/../d/x", false}, {"/m/drives/cc", false},   {"/m/drives/c/a/../../c2", false},
        {"/m/drives", false},          {"/elsewhere", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(platform::LiesInside("/m/drives/c/", row.host), row.inside) << row.host;
    }
}

}  // namespace
