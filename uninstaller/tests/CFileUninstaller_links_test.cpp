// The file uninstaller over host links in the machine's folders: it collects and deletes the links
// themselves and never walks or deletes what they lead to.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CFileUninstaller.h"
#include "UninstallEngine.h"
#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace {

namespace fs = std::filesystem;

constexpr char kDataFile[] = "C:\\Dati\\devpurge.dat";

class FileUninstallerLinksTest : public UninstallerTest {
  protected:
    void SetUp() override {
        UninstallerTest::SetUp();
        gDATFileName = kDataFile;
        outside_ = fs::temp_directory_path() / ("devpurge-outside-" + std::to_string(::getpid()));
        fs::create_directories(outside_ / "QN Data");
        std::ofstream(outside_ / "QN Data" / "user.doc") << "precious";
        std::ofstream(outside_ / "QNmain.dll") << "precious";
    }
    void TearDown() override {
        fs::remove_all(outside_);
        UninstallerTest::TearDown();
    }
    fs::path outside_;
};

TEST_F(FileUninstallerLinksTest, LinksAreDeletedAndWhatTheyLeadToStays) {
    platform::TestMachine machine;
    machine
        .File(kDataFile,
              "[Scrubber.FileUninstaller]\r\nenabled=1\r\n"
              "[Scrubber.FileUninstaller.ProgramFiles]\r\n1=QN*\r\n")
        .Folder("C:\\Program Files\\QN Suite");
    fs::path programs = machine.HostPath("C:\\Program Files");
    fs::create_directory_symlink(outside_, programs / "QN Suite" / "shared");
    fs::create_symlink(outside_ / "QNmain.dll", programs / "QNmain.dll");
    machine.File("C:\\Program Files\\QN Suite\\readme.txt", "x");  // after the links: the machine sees them

    platform::StdoutCapture output;  // the other uninstallers report their missing sections
    RunUninstallers(nullptr);
    output.Take();
    const std::vector<std::string> collected = {
        "C:\\Program Files\\QN Suite\\readme.txt", "C:\\Program Files\\QN Suite\\shared",
        "C:\\Program Files\\QN Suite", "C:\\Program Files\\QNmain.dll"};
    std::vector<std::string> log;
    for (const char* prefix : {"Added to delete list ", "Deleted="}) {
        for (const std::string& path : collected) log.push_back(prefix + path + "\r\n");
    }
    EXPECT_EQ(Strings(gLogList), log);
    EXPECT_TRUE(gErrorList.empty());
    EXPECT_FALSE(fs::exists(fs::symlink_status(programs / "QN Suite")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(programs / "QNmain.dll")));
    for (const fs::path& kept : {outside_ / "QN Data" / "user.doc", outside_ / "QNmain.dll"}) {
        std::ifstream stream(kept);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(stream), {}), "precious") << kept;
    }
}

}  // namespace
