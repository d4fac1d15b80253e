// msiexec run as a process in a machine: the removal of a registered product, with its files and keys,
// by a product code in any case, and Windows Installer's exit codes for what it cannot remove.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/program_run.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

constexpr char kCode[] = "{5A2E1F3C-7B4D-4E8A-9C61-0D2B3F4A5E67}";
constexpr char kOtherCode[] = "{11111111-2222-3333-4444-555555555555}";
constexpr char kFile[] = "C:\\Program Files\\Corvanta\\QN\\qnhub.exe";
constexpr char kOtherFile[] = "C:\\Program Files\\Altro\\altro.exe";
constexpr char kKey[] = "SOFTWARE\\Corvanta\\QN";

bool HasText(platform::TestMachine& machine, const std::string& text) {
    return machine.ExportRegistry("HKEY_LOCAL_MACHINE").find(text) != std::string::npos;
}

TEST(Msiexec, RemovesAProductWithItsFilesAndKeys) {
    const char* commandLines[] = {
        "msiexec /x{5a2e1f3c-7b4d-4e8a-9c61-0d2b3f4a5e67} /qb! REBOOT=ReallySuppress",
        "MSIEXEC.EXE /X {5A2E1F3C-7B4D-4E8A-9C61-0D2B3F4A5E67} /qn",
        "msiexec -uninstall {5A2E1F3C-7B4D-4E8A-9C61-0D2B3F4A5E67}",
    };
    for (const char* commandLine : commandLines) {
        SCOPED_TRACE(commandLine);
        platform::TestMachine machine;
        machine.InstallerProduct(kCode, "QN Pro", {kFile, "C:\\WINDOWS\\system32\\qnlib.dll"},
                                 {std::string(kKey) + "\\Settings"});
        machine.InstallerProduct(kOtherCode, "Altro", {kOtherFile}, {"SOFTWARE\\Altro"});
        platform::ProgramRun run = platform::RunProgram(commandLine);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_FALSE(machine.Exists(kFile));
        EXPECT_FALSE(machine.Exists("C:\\WINDOWS\\system32\\qnlib.dll"));
        EXPECT_FALSE(HasText(machine, "QN Pro"));
        EXPECT_FALSE(HasText(machine, "Corvanta\\QN\\Settings]"));
        EXPECT_FALSE(HasText(machine, "C3F1E2A5D4B7A8E4"));
        // The other product is left whole.
        EXPECT_TRUE(machine.Exists(kOtherFile));
        EXPECT_TRUE(HasText(machine, "\"Altro\""));
        EXPECT_TRUE(HasText(machine, "SOFTWARE\\Altro]"));
        EXPECT_TRUE(HasText(machine, std::string("Uninstall\\") + kOtherCode + "]"));
    }
}

// The product's components as its feature lists them or, without a list it can read, as a look through
// every component finds them; a component that another product uses too keeps that product's entry.
TEST(Msiexec, KeepsTheOtherProductsEntryInASharedComponent) {
    // The packed codes of the product, its one component, the other product and that one's component.
    const std::string product = "C3F1E2A5D4B7A8E4C916D0B2F3A4E576";
    const std::string component = "C3F1E2A5D4B7A8E4C916D0B2F3A40010";
    const std::string otherProduct = "11111111222233334444555555555555";
    const std::string sharedComponent = "11111111222233334444555555550010";
    const std::string userData =
        "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\";
    const std::string features = userData + "Products\\" + product + "\\Features]\n";
    const struct {
        const char* name;
        std::string features;
    } rows[] = {
        {"listed", "[" + features + "\"Complete\"=\"" + component + sharedComponent + "\"\n"},
        {"no lists", "[-" + features},
        {"a list that is no codes", "[" + features + "\"Complete\"=\"Main\"\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        platform::TestMachine machine;
        machine.InstallerProduct(kCode, "QN Pro", {kFile}, {});
        machine.InstallerProduct(kOtherCode, "Altro", {kOtherFile}, {});
        machine.Registry("[" + userData + "Components\\" + sharedComponent + "]\n\"" + product +
                         "\"=\"C:\\\\Program Files\\\\Corvanta\\\\QN\\\\shared.dat\"\n\n" + row.features);
        EXPECT_EQ(platform::RunProgram(std::string("msiexec /x") + kCode + " /qn").exitCode, 0u);
        EXPECT_FALSE(machine.Exists(kFile));
        EXPECT_FALSE(HasText(machine, product.substr(0, 16)));
        EXPECT_TRUE(machine.Exists(kOtherFile));
        EXPECT_TRUE(HasText(machine, "Components\\" + sharedComponent + "]\r\n\"" + otherProduct + "\""));
    }
}

TEST(Msiexec, ExitCodesOfWhatItCannotRemove) {
    const struct {
        const char* commandLine;
        DWORD exitCode;
    } rows[] = {
        {"msiexec /x{99999999-2222-3333-4444-555555555555} /qb! REBOOT=ReallySuppress", ERROR_UNKNOWN_PRODUCT},
        {"msiexec /x", ERROR_INVALID_COMMAND_LINE},
        {"msiexec /xQNPro /qb!", ERROR_INVALID_COMMAND_LINE},
        {"msiexec /qb!", ERROR_INVALID_COMMAND_LINE},
        {"msiexec /z{5A2E1F3C-7B4D-4E8A-9C61-0D2B3F4A5E67}", ERROR_INVALID_COMMAND_LINE},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.commandLine);
        platform::TestMachine machine;
        machine.InstallerProduct(kCode, "QN Pro", {kFile}, {});
        EXPECT_EQ(platform::RunProgram(row.commandLine).exitCode, row.exitCode);
        EXPECT_TRUE(machine.Exists(kFile));
    }
}

TEST(Msiexec, AFileInUseGoesAtTheNextStart) {
    platform::TestMachine machine;
    machine.InstallerProduct(kCode, "QN Pro", {kFile}, {});
    machine.FileInUse(kFile, 3600000);
    platform::ProgramRun run = platform::RunProgram(std::string("msiexec /x") + kCode + " /qb! REBOOT=ReallySuppress");
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_SUCCESS_REBOOT_REQUIRED));
    EXPECT_FALSE(HasText(machine, "QN Pro"));
    ASSERT_EQ(machine.BootOperations().size(), 1u);
    machine.Restart();
    EXPECT_FALSE(machine.Exists(kFile));
}

}  // namespace
