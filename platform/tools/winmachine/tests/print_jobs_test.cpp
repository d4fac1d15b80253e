// winmachine's print jobs: a document printed in a machine is listed, and its pages come out as PNG files
// a person can open.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/gdi32/surface.h"
#include "platform/testing/test_machine.h"
#include "platform/winspool/spooler_testing.h"
#include "windows.h"

namespace {

namespace fs = std::filesystem;
namespace testing_text = platform::spooler_testing;

// What the tool writes to standard output for the arguments.
std::string Tool(const std::string& arguments) {
    std::string command = std::string(WINMACHINE_TOOL) + " " + arguments + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[512];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, count);
    ::pclose(pipe);
    return output;
}

TEST(WinmachineJobs, ListsPrintedJobsAndWritesTheirPages) {
    platform::TestMachine machine;
    machine.Registry(testing_text::LocalPortsText(true) +
                     testing_text::DriverText({"QN Laser 1204", "qnlas1204.dll", "", 3u}, true) +
                     testing_text::PrinterText({"Laser", "LPT1:", "QN Laser 1204"}));
    HDC dc = CreateDCA(nullptr, "Laser", nullptr, nullptr);
    ASSERT_TRUE(dc);
    DOCINFOA document{sizeof(DOCINFOA), "Prova", nullptr, nullptr, 0};
    int job = StartDocA(dc, &document);
    ASSERT_GT(job, 0);
    StartPage(dc);
    PatBlt(dc, 0, 0, 50, 50, BLACKNESS);
    EndPage(dc);
    EndDoc(dc);
    int offset = GetDeviceCaps(dc, PHYSICALOFFSETX);
    DeleteDC(dc);

    std::string folder = machine.folder().string();
    EXPECT_EQ("Laser: job " + std::to_string(job) + " \"Prova\", 1 page, printed\n", Tool("jobs " + folder));
    EXPECT_EQ("Laser: job " + std::to_string(job) + " \"Prova\", 1 page, printed\n", Tool("jobs " + folder + " Laser"));
    fs::path pages = machine.folder() / "pages";
    EXPECT_EQ((pages / "page1.png").string() + "\n",
              Tool("job-pages " + folder + " Laser " + std::to_string(job) + " " + pages.string()));
    std::optional<platform::gdi::Surface> page = platform::gdi::ReadPng(pages / "page1.png");
    ASSERT_TRUE(page);
    EXPECT_EQ(0x000000u, page->pixel(offset + 10, offset + 10));
    EXPECT_EQ(0xFFFFFFu, page->pixel(offset + 60, offset + 10));
    EXPECT_NE(std::string::npos, Tool("job-pages " + folder + " Laser 99 " + pages.string()).find("has no job 99"));
}

}  // namespace
