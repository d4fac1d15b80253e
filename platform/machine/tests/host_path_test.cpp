// Windows paths: parsing into full paths, resolution to host paths without regard to case, and 8.3
// short names that stay the same while their entries live.
#include "platform/machine/files/host_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/test_machine.h"
#include "winerror.h"

namespace {

using platform::HostPath;
using platform::TestMachine;
using platform::WindowsPath;

struct ParseRow {
    const char* input;
    bool wildcards;
    const char* expected;  // null: the parse fails
    DWORD error;
};

TEST(HostPath, ParsesWindowsPathsAgainstTheCurrentFolder) {
    const std::vector<ParseRow> rows = {
        {"x.txt", false, "C:\\WINDOWS\\system\\x.txt", 0},
        {"..\\..\\..\\..\\x", false, "C:\\x", 0},
        {"\\x", false, "C:\\x", 0},
        {"D:x", false, "D:\\x", 0},
        {"c:x", false, "C:\\WINDOWS\\system\\x", 0},
        {"c:\\A/B\\\\C", false, "C:\\A\\B\\C", 0},
        {"\\\\?\\C:\\x", false, "C:\\x", 0},
        {"C:\\a.\\b .", false, "C:\\a\\b", 0},
        {"C:\\a\\.\\b\\..", false, "C:\\a", 0},
        {"\\\\srv\\shr\\a", false, "\\\\srv\\shr\\a", 0},
        {"\\\\srv\\shr", false, "\\\\srv\\shr", 0},
        {"C:\\a\\*.txt", true, "C:\\a\\*.txt", 0},
        {"", false, nullptr, ERROR_PATH_NOT_FOUND},
        {"\\\\srv", false, nullptr, ERROR_BAD_PATHNAME},
        {"C:\\a<b", false, nullptr, ERROR_INVALID_NAME},
        {"C:\\a\\*.txt", false, nullptr, ERROR_INVALID_NAME},
        {"C:\\*\\x.txt", true, nullptr, ERROR_INVALID_NAME},
        {"C:\\a\\b:c", false, nullptr, ERROR_INVALID_NAME},
    };
    for (const ParseRow& row : rows) {
        DWORD error = 0;
        std::optional<WindowsPath> path =
            platform::ParseWindowsPath(row.input, "C:\\WINDOWS\\system", &error, row.wildcards);
        if (!row.expected) {
            EXPECT_FALSE(path) << row.input;
            EXPECT_EQ(error, row.error) << row.input;
            continue;
        }
        ASSERT_TRUE(path) << row.input;
        EXPECT_EQ(path->ToString(), row.expected) << row.input;
    }
}

struct ResolveRow {
    const char* input;
    bool resolves;
    bool exists;
    bool parentExists;
    bool isDirectory;
    const char* longPath;
};

TEST(HostPath, ResolvesEveryNameWithoutRegardToCase) {
    TestMachine test;
    test.File("C:\\WINDOWS\\win.ini", "x").Folder("C:\\Program Files\\Corvanta Suite");
    std::filesystem::create_directories(test.folder() / "network" / "srv" / "Shr");
    std::ofstream(test.folder() / "network" / "srv" / "Shr" / "f.txt") << "x";
    NoteFilesChanged(test.machine());
    const std::vector<ResolveRow> rows = {
        {"C:\\windows\\WIN.INI", true, true, true, false, "C:\\WINDOWS\\win.ini"},
        {"c:\\PROGRA~1\\corvanta suite", true, true, true, true, "C:\\Program Files\\Corvanta Suite"},
        {"C:\\progra~1\\CORVAN~1", true, true, true, true, "C:\\Program Files\\Corvanta Suite"},
        {"C:\\WINDOWS\\none.ini", true, false, true, false, "C:\\WINDOWS\\none.ini"},
        {"C:\\none\\x", true, false, false, false, "C:\\none\\x"},
        {"C:\\WINDOWS\\win.ini\\x", true, false, false, false, "C:\\WINDOWS\\win.ini\\x"},
        {"C:\\PROGRA~9", true, false, true, false, "C:\\PROGRA~9"},
        {"C:\\", true, true, true, true, "C:\\"},
        {"\\\\SRV\\shr\\F.TXT", true, true, true, false, "\\\\srv\\Shr\\f.txt"},
        {"Q:\\x", false, false, false, false, nullptr},
        {"\\\\nosrv\\s\\x", false, false, false, false, nullptr},
    };
    for (const ResolveRow& row : rows) {
        std::optional<WindowsPath> path = platform::ParseWindowsPath(row.input, "C:\\");
        ASSERT_TRUE(path) << row.input;
        DWORD error = 0;
        std::optional<HostPath> host = platform::ResolveHostPath(test.machine(), *path, &error);
        ASSERT_EQ(host.has_value(), row.resolves) << row.input;
        if (!host) {
            EXPECT_EQ(error, path->IsNetwork() ? static_cast<DWORD>(ERROR_BAD_NETPATH)
                                               : static_cast<DWORD>(ERROR_PATH_NOT_FOUND))
                << row.input;
            continue;
        }
        EXPECT_EQ(host->exists, row.exists) << row.input;
        EXPECT_EQ(host->parentExists, row.parentExists) << row.input;
        EXPECT_EQ(host->isDirectory, row.isDirectory) << row.input;
        EXPECT_EQ(host->longPath.ToString(), row.longPath) << row.input;
    }
}

struct ShortNameRow {
    const char* longName;
    const char* shortName;
};

TEST(HostPath, GivesShortNamesAsWindowsFormsThem) {
    TestMachine test;
    std::filesystem::path folder = test.HostPath("C:\\S");
    std::filesystem::create_directories(folder);
    const std::vector<ShortNameRow> rows = {
        {"readme.txt", "readme.txt"},
        {"WINDOWS", "WINDOWS"},
        {"Program Files", "PROGRA~1"},
        {"a.b.c.txt", "ABC~1.TXT"},
        {"index.html", "INDEX~1.HTM"},
        {".htaccess", "HTACCE~1"},
        {"name+with;odd=chars.text", "NAME_W~1.TEX"},
        {"two words", "TWOWOR~1"},
    };
    for (const ShortNameRow& row : rows) {
        std::ofstream(folder / row.longName) << "x";
        NoteFilesChanged(test.machine());
        EXPECT_EQ(platform::ShortNameOf(test.machine(), folder, row.longName), row.shortName) << row.longName;
    }
    for (const char* valid : {"A", "ABCDEFGH.TXT", "X~1", "a.b"})
        EXPECT_TRUE(platform::IsValidShortName(valid)) << valid;
    for (const char* invalid : {"", ".", "..", "ABCDEFGHI", "A.TEXT", "A.B.C", "A B", "A+B", ".X"}) {
        EXPECT_FALSE(platform::IsValidShortName(invalid)) << invalid;
    }
}

TEST(HostPath, ShortNamesStayTheSameAsSiblingsComeAndGo) {
    TestMachine test;
    std::filesystem::path folder = test.HostPath("C:\\S");
    std::filesystem::create_directories(folder);
    auto create = [&](const char* name) {
        std::ofstream(folder / name) << "x";
        NoteFilesChanged(platform::Machine::Current());
        return platform::ShortNameOf(platform::Machine::Current(), folder, name);
    };
    EXPECT_EQ(create("Document Zeta.txt"), "DOCUME~1.TXT");
    // A sibling that sorts before it does not take its name.
    EXPECT_EQ(create("Document Alpha.txt"), "DOCUME~2.TXT");
    EXPECT_EQ(platform::ShortNameOf(test.machine(), folder, "document zeta.TXT"), "DOCUME~1.TXT");
    EXPECT_EQ(create("Document Three.txt"), "DOCUME~3.TXT");
    EXPECT_EQ(create("Document Four.txt"), "DOCUME~4.TXT");
    // After four, Windows mixes a hash of the long name in: still a distinct valid 8.3 name.
    std::string fifth = create("Document Five.txt");
    std::string sixth = create("Document Six.txt");
    EXPECT_NE(fifth, sixth);
    for (const std::string& name : {fifth, sixth}) {
        EXPECT_TRUE(platform::IsValidShortName(name)) << name;
        EXPECT_EQ(name.substr(0, 2), "DO") << name;
        EXPECT_EQ(name.find('~'), 6u) << name;
    }
    // A name on the host that looks like a short name is never given to another entry.
    std::ofstream(folder / "REPORT~1.TXT") << "x";
    NoteFilesChanged(platform::Machine::Current());
    EXPECT_EQ(create("Report Long Name.txt"), "REPORT~2.TXT");

    // The names live in the machine, not the process: a fresh attachment finds them.
    platform::Machine::Attach(test.folder());
    EXPECT_EQ(platform::ShortNameOf(platform::Machine::Current(), folder, "Document Alpha.txt"),
              "DOCUME~2.TXT");

    // A removed entry gives its name back; one that moves takes the names below it along.
    std::filesystem::remove(folder / "Document Zeta.txt");
    NoteFilesChanged(platform::Machine::Current());
    platform::ForgetShortNames(platform::Machine::Current(), folder / "Document Zeta.txt");
    EXPECT_EQ(create("Document Omega.txt"), "DOCUME~1.TXT");
    std::filesystem::path moved = folder.parent_path() / "T";
    std::filesystem::rename(folder, moved);
    platform::MoveShortNames(platform::Machine::Current(), folder, moved);
    EXPECT_EQ(platform::ShortNameOf(platform::Machine::Current(), moved, "Document Alpha.txt"),
              "DOCUME~2.TXT");
}

TEST(HostPath, FolderListingsAreKeptWhileTheFolderStaysAsItWas) {
    TestMachine test;
    std::filesystem::path folder = test.HostPath("C:\\L");
    std::filesystem::create_directories(folder);
    for (const char* name : {"beta.txt", "Alpha.txt", "alpha.TXT", "Long Entry Name.txt"}) std::ofstream(folder / name);
    // A folder changed a moment ago could change again without its stamps moving: listed each time.
    EXPECT_NE(platform::ListHostFolder(folder).get(), platform::ListHostFolder(folder).get());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    std::shared_ptr<const platform::FolderListing> listing = platform::ListHostFolder(folder);
    EXPECT_EQ(platform::ListHostFolder(folder).get(), listing.get());
    EXPECT_EQ(listing->names(), (std::vector<std::string>{"Alpha.txt", "Long Entry Name.txt", "alpha.TXT", "beta.txt"}));
    std::vector<std::string> listed;
    for (std::size_t index : listing->listingOrder()) listed.push_back(listing->names()[index]);
    EXPECT_EQ(listed, (std::vector<std::string>{"Alpha.txt", "alpha.TXT", "beta.txt", "Long Entry Name.txt"}));
    // Names alike but for case: the first in byte order is the one meant.
    ASSERT_TRUE(listing->Find("ALPHA.txt"));
    EXPECT_EQ(listing->names()[*listing->Find("ALPHA.txt")], "Alpha.txt");
    EXPECT_FALSE(listing->Find("gamma.txt"));
    EXPECT_EQ(listing->ShortNames(test.machine())[1], "LONGEN~1.TXT");
    EXPECT_EQ(listing->ShortNames(test.machine())[3], "beta.txt");

    // Any change on the host is seen at the next look, made by whoever.
    std::ofstream(folder / "gamma.txt");
    std::shared_ptr<const platform::FolderListing> changed = platform::ListHostFolder(folder);
    EXPECT_NE(changed.get(), listing.get());
    EXPECT_TRUE(changed->Find("GAMMA.TXT"));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    listing = platform::ListHostFolder(folder);
    std::filesystem::remove(folder / "gamma.txt");
    EXPECT_FALSE(platform::ListHostFolder(folder)->Find("gamma.txt"));
    // A folder put in the place of another is a folder of its own.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    listing = platform::ListHostFolder(folder);
    std::filesystem::path other = folder.parent_path() / "M";
    std::filesystem::create_directories(other);
    std::ofstream(other / "beta.txt");
    std::filesystem::remove_all(folder);
    std::filesystem::rename(other, folder);
    EXPECT_EQ(platform::ListHostFolder(folder)->names(), (std::vector<std::string>{"beta.txt"}));
    std::filesystem::remove_all(folder);
    EXPECT_TRUE(platform::ListHostFolder(folder)->names().empty());
}

}  // namespace
