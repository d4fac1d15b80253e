// The uninstaller's data file, given as bytes, read through the device library's lookups as the
// uninstaller reads it at start-up: [Version] and its numbers, the product texts per language, each
// uninstaller's settings and item list in [Scrubber], and the keywords of the revisions.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "CUninstallerCmdInfo.h"
#include "DataFile.h"
#include "IniLookup.h"
#include "UninstallerGlobals.h"
#include "fuzz/fuzz_support.h"
#include "platform/testing/test_machine.h"

namespace {

constexpr char kProgram[] = "C:\\Program Files\\Corvanta\\devpurge.exe";
constexpr char kDataFile[] = "C:\\Program Files\\Corvanta\\qnvuni07.dat";
constexpr char kDataFileName[] = "qnvuni07.dat";
// A data file may give any revision range; the keyword reads are kept to this many revisions so that
// each input stays quick.
constexpr int kMaximumRevisions = 64;

const char* const kUninstallerSections[] = {
    "DriverUninstaller", "FileUninstaller",    "IOUninstaller",       "MonitorUninstaller",
    "MsiUninstaller",    "PortUninstaller",    "PrinterUninstaller",  "ProcessShutdown",
    "RegistryUninstaller", "RemoveProgramUninstaller", "RsmUninstaller", "ServiceUninstaller",
    "TaskUninstaller",   "WindowShutdown",
};

// One machine for the whole run, the program in the folder the data file is written to.
platform::TestMachine& Machine() {
    static platform::TestMachine machine(platform::OsKind::WindowsXP);
    static bool placed = (machine.Module(kProgram), true);
    (void)placed;
    return machine;
}

void ExpectTerminated(const char* value, unsigned int size, const char* lookup) {
    if (std::memchr(value, '\0', size) == nullptr) fuzz::Broken(std::string(lookup) + " left no terminator");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::TestMachine& machine = Machine();
    machine.File(kDataFile, fuzz::AsText(data, size));
    gDATFileName = kDataFileName;
    const char* file = gDATFileName.c_str();

    char division[4];
    GetValueByQualifier(file, VERSION_SECTION, nullptr, DIVISION_KEY, division, sizeof division);
    ExpectTerminated(division, sizeof division, "DIVISION");
    VCD_FILEVER = ReadVersionNumber(file, VCD_FILEVER_KEY);
    ICE_REV = ReadVersionNumber(file, ICE_REV_KEY);
    FIRST_IO_REVISION = ReadVersionNumber(file, FIRST_IO_REVISION_KEY);
    LAST_IO_REVISION = ReadVersionNumber(file, LAST_IO_REVISION_KEY);
    FIRST_CA_REVISION = ReadVersionNumber(file, FIRST_CA_REVISION_KEY);
    LAST_CA_REVISION = ReadVersionNumber(file, LAST_CA_REVISION_KEY);

    char text[1024];
    GetValueByLang(file, VERSION_SECTION, PRODUCT_SERIES_KEY, text, sizeof text, LANG_SYSTEM_DEFAULT);
    ExpectTerminated(text, sizeof text, "ProductSeries");
    GetValueByLang(file, VERSION_SECTION, MANUFACTURER_KEY, text, sizeof text, LANG_SYSTEM_DEFAULT);
    ExpectTerminated(text, sizeof text, "Manufacturer");
    GetValueByQualifier(file, SCRUBBER_SECTION, nullptr, VERSIONED_FILE_KEY, text, MAX_PATH);
    ExpectTerminated(text, MAX_PATH, "VersionedFile");

    for (const char* section : kUninstallerSections) {
        char enabled[2];
        if (!GetValueByQualifier(file, SCRUBBER_SECTION, section, ENABLED_KEY, enabled, sizeof enabled)) continue;
        ExpectTerminated(enabled, sizeof enabled, "enabled");
        CaseInsensitiveStringList items;
        ReadNumberedList(file, SCRUBBER_SECTION, section, items);
    }
    // The key names of a section, as a list of NUL-ended names.
    GetValueByQualifier(file, SCRUBBER_SECTION, nullptr, nullptr, text, sizeof text);
    ExpectTerminated(text, sizeof text, "the key names");

    if (LAST_IO_REVISION - FIRST_IO_REVISION >= kMaximumRevisions)
        LAST_IO_REVISION = FIRST_IO_REVISION + kMaximumRevisions - 1;
    gRevisionKeywords.clear();
    LoadRevisionKeywords();
    return 0;
}
