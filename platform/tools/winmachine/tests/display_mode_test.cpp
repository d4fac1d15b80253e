// winmachine create --display: the display mode a machine is made with, which GetDeviceCaps reports, and
// the modes refused.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// What the tool writes to standard output and standard error for the arguments, and its exit code.
std::pair<int, std::string> Tool(const std::string& arguments) {
    std::string command = std::string(WINMACHINE_TOOL) + " " + arguments + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[512];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, count);
    int status = ::pclose(pipe);
    return {WEXITSTATUS(status), output};
}

TEST(WinmachineDisplay, MachinesAreMadeWithTheDisplayModeAsked) {
    fs::path base = fs::temp_directory_path() / ("winmachine_display_" + std::to_string(::getpid()));
    fs::remove_all(base);
    fs::create_directories(base);
    struct Row {
        const char* mode;
        int exitCode;
        const char* expected;  // in the output of create, or of info after it
    };
    const Row rows[] = {
        {"800x600x8@75", 0, "display: 800 x 600, 8 bits per pixel, 75 Hz"},
        {"1280x1024x16", 0, "display: 1280 x 1024, 16 bits per pixel, 60 Hz"},
        {"800x600", 1, "--display 800x600: a mode is WIDTHxHEIGHTxBITS[@HZ]"},
        {"800x600x12", 1, "a mode is"},
        {"100x100x8", 1, "a mode is"},
        {"800x600x8@", 1, "a mode is"},
    };
    int number = 0;
    for (const Row& row : rows) {
        fs::path folder = base / std::to_string(++number);
        auto [exitCode, output] = Tool("create " + folder.string() + " --display " + row.mode);
        EXPECT_EQ(row.exitCode, exitCode) << row.mode << "\n" << output;
        if (exitCode == 0) {
            output = Tool("info " + folder.string()).second;
        } else {
            EXPECT_FALSE(fs::exists(folder / "machine.ini")) << row.mode;
        }
        EXPECT_NE(std::string::npos, output.find(row.expected)) << row.mode << "\n" << output;
    }
    fs::remove_all(base);
}

}  // namespace
