// Host links inside a machine's drives: the file calls see them as reparse points they cannot follow,
// act on the link itself where Windows acts on the entry, and never touch what lies outside.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/machine/files/host_path.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

namespace fs = std::filesystem;

using platform::OsKind;
using platform::TestMachine;

// A host folder outside every machine, with files the machine must never reach.
class OutsideFolder {
  public:
    OutsideFolder() {
        static int count = 0;
        folder_ = fs::temp_directory_path() /
                  ("outside-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
        fs::create_directories(folder_ / "sub");
        Write("secret.txt", "keep");
        Write("sub/deep.txt", "deep");
        before_ = Snapshot();
    }
    ~OutsideFolder() {
        std::error_code error;
        fs::permissions(folder_ / "secret.txt", fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(folder_, error);
    }
    const fs::path& folder() const { return folder_; }
    // Every entry, with its contents and permission, as it was made.
    bool Untouched() const { return Snapshot() == before_; }

  private:
    void Write(const std::string& name, const std::string& text) { std::ofstream(folder_ / name) << text; }
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> entries;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder_)) {
            std::string description = std::to_string(static_cast<int>(entry.status().permissions()));
            if (entry.is_regular_file()) {
                std::ifstream stream(entry.path());
                description += ":" + std::string(std::istreambuf_iterator<char>(stream), {});
            }
            entries[entry.path().lexically_relative(folder_).string()] = description;
        }
        return entries;
    }
    fs::path folder_;
    std::map<std::string, std::string> before_;
};

// C:\Data holds mine.txt, a link to the outside folder, one to its secret.txt and one that leads
// nowhere.
void MakeLinks(TestMachine& test, const OutsideFolder& outside) {
    test.File("C:\\Data\\mine.txt", "mine").Folder("C:\\Data\\Real");
    fs::path data = test.HostPath("C:\\Data");
    fs::create_directory_symlink(outside.folder(), data / "outlink");
    fs::create_symlink(outside.folder() / "secret.txt", data / "filelink");
    fs::create_symlink(outside.folder() / "made.txt", data / "dangling");
    platform::NoteFilesChanged(test.machine());
}

bool HostEntryExists(const fs::path& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

struct LinkRow {
    const char* description;
    std::function<BOOL()> call;
    bool succeeds;
    DWORD error;
    const char* gone = nullptr;  // the entry of C:\Data the call removes, if any
};

HANDLE Open(const char* path, DWORD access, DWORD disposition) {
    return CreateFileA(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

BOOL Opened(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) return FALSE;
    CloseHandle(handle);
    return TRUE;
}

TEST(FileLinks, NoCallReachesOutsideTheMachine) {
    const std::vector<LinkRow> rows = {
        {"delete through a folder link", [] { return DeleteFileA("C:\\Data\\outlink\\secret.txt"); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"delete a file link", [] { return DeleteFileA("C:\\Data\\filelink"); }, true, 0, "filelink"},
        {"delete a folder link", [] { return DeleteFileA("C:\\Data\\OUTLINK"); }, true, 0, "outlink"},
        {"remove a folder link", [] { return RemoveDirectoryA("C:\\Data\\outlink"); }, true, 0, "outlink"},
        {"remove a link that leads nowhere", [] { return RemoveDirectoryA("C:\\Data\\dangling"); }, true, 0,
         "dangling"},
        {"remove through a link", [] { return RemoveDirectoryA("C:\\Data\\outlink\\sub"); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"create a folder through a link", [] { return CreateDirectoryA("C:\\Data\\outlink\\new", nullptr); },
         false, ERROR_CANT_ACCESS_FILE},
        {"create a folder over a link", [] { return CreateDirectoryA("C:\\Data\\dangling", nullptr); }, false,
         ERROR_ALREADY_EXISTS},
        {"move out through a link",
         [] { return MoveFileExA("C:\\Data\\outlink\\secret.txt", "C:\\Data\\taken.txt", 0); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"move in through a link",
         [] { return MoveFileExA("C:\\Data\\mine.txt", "C:\\Data\\outlink\\mine.txt", 0); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"move over a file link replaces the link",
         [] { return MoveFileExA("C:\\Data\\mine.txt", "C:\\Data\\filelink", MOVEFILE_REPLACE_EXISTING); },
         true, 0, "mine.txt"},
        {"move a link itself", [] { return MoveFileA("C:\\Data\\outlink", "C:\\Data\\Real\\moved"); }, true,
         0, "outlink"},
        {"move a link to another drive by copying",
         [] { return MoveFileExA("C:\\Data\\filelink", "E:\\copy.txt", MOVEFILE_COPY_ALLOWED); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"delay a delete through a link",
         [] { return MoveFileExA("C:\\Data\\outlink\\secret.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); },
         false, ERROR_CANT_ACCESS_FILE},
        {"copy from a link", [] { return CopyFileA("C:\\Data\\filelink", "C:\\Data\\copy.txt", FALSE); },
         false, ERROR_CANT_ACCESS_FILE},
        {"copy onto a link", [] { return CopyFileA("C:\\Data\\mine.txt", "C:\\Data\\filelink", FALSE); },
         false, ERROR_CANT_ACCESS_FILE},
        {"copy onto a link that leads nowhere",
         [] { return CopyFileA("C:\\Data\\mine.txt", "C:\\Data\\dangling", FALSE); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"copy into a folder link",
         [] { return CopyFileA("C:\\Data\\mine.txt", "C:\\Data\\outlink\\new.txt", FALSE); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"open a file link for writing",
         [] { return Opened(Open("C:\\Data\\filelink", GENERIC_WRITE, CREATE_ALWAYS)); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"open a file link for reading",
         [] { return Opened(Open("C:\\Data\\filelink", GENERIC_READ, OPEN_EXISTING)); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"create a file through a link that leads nowhere",
         [] { return Opened(Open("C:\\Data\\dangling", GENERIC_WRITE, OPEN_ALWAYS)); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"create a file in a folder link",
         [] { return Opened(Open("C:\\Data\\outlink\\new.txt", GENERIC_WRITE, CREATE_NEW)); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"set attributes through a link",
         [] { return SetFileAttributesA("C:\\Data\\outlink\\secret.txt", FILE_ATTRIBUTE_READONLY); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"set attributes of a link leaves its target alone",
         [] { return SetFileAttributesA("C:\\Data\\filelink", FILE_ATTRIBUTE_READONLY); }, true, 0},
        {"write a profile through a link",
         [] { return WritePrivateProfileStringA("s", "k", "v", "C:\\Data\\filelink"); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"write a profile in a folder link",
         [] { return WritePrivateProfileStringA("s", "k", "v", "C:\\Data\\outlink\\new.ini"); }, false,
         ERROR_CANT_ACCESS_FILE},
        {"short name through a link",
         [] {
             char buffer[MAX_PATH];
             return static_cast<BOOL>(GetShortPathNameA("C:\\Data\\outlink\\secret.txt", buffer, MAX_PATH));
         },
         false, ERROR_CANT_ACCESS_FILE},
    };
    for (const LinkRow& row : rows) {
        OutsideFolder outside;
        platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsXP);
        settings.drives.push_back({'E', DRIVE_FIXED});
        TestMachine test(settings);
        MakeLinks(test, outside);
        fs::path data = test.HostPath("C:\\Data");
        SetLastError(0xDEAD);
        BOOL result = row.call();
        DWORD error = GetLastError();
        EXPECT_EQ(result != FALSE, row.succeeds) << row.description;
        if (!row.succeeds) {
            EXPECT_EQ(error, row.error) << row.description;
        }
        EXPECT_TRUE(outside.Untouched()) << row.description;
        EXPECT_FALSE(HostEntryExists(outside.folder() / "made.txt")) << row.description;
        for (const char* name : {"mine.txt", "outlink", "filelink", "dangling"}) {
            bool gone = row.succeeds && row.gone && std::string(row.gone) == name;
            EXPECT_EQ(HostEntryExists(data / name), !gone) << row.description << ": " << name;
        }
    }
}

TEST(FileLinks, LinksAreListedAsReparsePointsAndNeverEntered) {
    OutsideFolder outside;
    TestMachine test;
    MakeLinks(test, outside);

    std::map<std::string, WIN32_FIND_DATAA> found;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("C:\\Data\\*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        found[data.cFileName] = data;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    for (const char* name : {"outlink", "filelink", "dangling"}) {
        ASSERT_TRUE(found.count(name)) << name;
        EXPECT_EQ(found[name].dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT)) << name;
        EXPECT_EQ(found[name].nFileSizeLow, 0u) << name;
        EXPECT_EQ(GetFileAttributesA((std::string("C:\\Data\\") + name).c_str()),
                  static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT))
            << name;
    }
    EXPECT_EQ(found["Real"].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

    const char* throughLinks[] = {"C:\\Data\\outlink\\*", "C:\\Data\\outlink\\sub\\*.txt",
                                  "C:\\Data\\outlink\\"};
    for (const char* pattern : throughLinks) {
        SetLastError(0xDEAD);
        EXPECT_EQ(FindFirstFileA(pattern, &data), INVALID_HANDLE_VALUE) << pattern;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANT_ACCESS_FILE)) << pattern;
    }
    SetLastError(0xDEAD);
    EXPECT_EQ(GetFileAttributesA("C:\\Data\\outlink\\secret.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANT_ACCESS_FILE));

    // Libraries and programs are never read through a link either.
    EXPECT_EQ(LoadLibraryA("C:\\Data\\filelink"), nullptr);
    EXPECT_EQ(LoadLibraryA("C:\\Data\\outlink\\secret.txt"), nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    EXPECT_FALSE(CreateProcessA("C:\\Data\\filelink", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &process));

    char text[32];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "none", text, sizeof text, "C:\\Data\\filelink"), 4u);
    EXPECT_STREQ(text, "none");
    EXPECT_TRUE(outside.Untouched());
}

TEST(FileLinks, NamesNeverClimbOutOfTheirDriveOrShare) {
    TestMachine test;
    test.NetworkShare("server", "share").File("C:\\inside.txt", "x");
    // "." and ".." as a server or share name would name the machine folder or the folder above it.
    const char* paths[] = {"\\\\..\\.\\machine.ini", "\\\\.\\..\\machine.ini", "\\\\..\\..\\",
                           "\\\\server\\..\\..\\machine.ini", "\\\\server\\.\\share"};
    for (const char* path : paths) {
        SetLastError(0xDEAD);
        EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path;
        EXPECT_TRUE(GetLastError() == ERROR_BAD_NETPATH || GetLastError() == ERROR_BAD_PATHNAME) << path;
    }
    // ".." stops at the root of the drive.
    EXPECT_NE(GetFileAttributesA("C:\\..\\..\\..\\inside.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA("C:\\..\\..\\machine.ini"), INVALID_FILE_ATTRIBUTES);
}

TEST(FileLinks, RestartNeverFollowsALink) {
    OutsideFolder outside;
    TestMachine test;
    MakeLinks(test, outside);
    test.File("C:\\Data\\Victim\\secret.txt", "mine");
    ASSERT_TRUE(MoveFileExA("C:\\Data\\Victim\\secret.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA("C:\\Data\\filelink", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA("C:\\Data\\mine.txt", "C:\\Data\\dangling",
                            MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    // Before the restart the folder is swapped for a link to the outside folder.
    fs::path victim = test.HostPath("C:\\Data\\Victim");
    fs::remove_all(victim);
    fs::create_directory_symlink(outside.folder(), victim);
    platform::NoteFilesChanged(test.machine());

    std::vector<std::string> report = test.Restart();
    ASSERT_EQ(report.size(), 4u);
    EXPECT_EQ(report[1], "delete C:\\Data\\Victim\\secret.txt: failed with error 1920");
    EXPECT_EQ(report[2], "delete C:\\Data\\filelink: done");
    EXPECT_EQ(report[3], "move C:\\Data\\mine.txt to C:\\Data\\dangling: done");
    EXPECT_TRUE(outside.Untouched());
    EXPECT_FALSE(HostEntryExists(outside.folder() / "made.txt"));
    EXPECT_EQ(test.ReadFile("C:\\Data\\dangling"), "mine");
}

TEST(FileLinks, Windows98RestartReadsNoWininitThroughALink) {
    OutsideFolder outside;
    { std::ofstream(outside.folder() / "wininit.ini") << "[rename]\r\nNUL=C:\\Data\\mine.txt\r\n"; }
    TestMachine test(OsKind::Windows98);
    MakeLinks(test, outside);
    fs::create_symlink(outside.folder() / "wininit.ini", test.HostPath("C:\\WINDOWS") / "WININIT.INI");
    platform::NoteFilesChanged(test.machine());
    test.Restart();
    EXPECT_TRUE(test.Exists("C:\\Data\\mine.txt"));
    EXPECT_TRUE(fs::exists(outside.folder() / "wininit.ini"));
    EXPECT_TRUE(HostEntryExists(test.HostPath("C:\\WINDOWS") / "WININIT.INI"));
}

}  // namespace
