// devpurge on a machine that also holds another vendor's software, whose names start like the maker's:
// a run with the shared cleanup removes the maker's files and, of the other vendor's, only what the data
// file's patterns name as Windows matches them; nothing outside the machine is reached through a link.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/testing/program_run.h"
#include "platform/testing/test_machine.h"

namespace {

namespace fs = std::filesystem;
using platform::TestMachine;

constexpr char kProgram[] = "C:\\Programmi\\Corvanta\\devpurge.exe";
constexpr char kDataFile[] = "C:\\Dati\\u.dat";
constexpr char kData[] =
    "[Version]\r\nDIVISION=Qnv\r\nVCD_FILEVER=30\r\nICE_REV=8\r\n"
    "FIRST_IO_REVISION=5\r\nLAST_IO_REVISION=9\r\nFIRST_CA_REVISION=2\r\nLAST_CA_REVISION=4\r\n"
    "[Scrubber]\r\nenabled=0\r\nREVISION5=QN300\r\nREVISION6=QN310\r\nREVISION7=QN500\r\nREVISION8=QN510\r\n"
    "REVISION9=QN700\r\n"
    "[Scrubber.FileUninstaller]\r\nenabled=1\r\n1=keep\r\nMagicKeywords=CorvantaScan\r\n"
    "[Scrubber.FileUninstaller.Windows]\r\n1=qnvhelp.ini\r\n"
    "REVISION5=qnvold05.txt\r\nREVISION6=x\r\nREVISION7=x\r\nREVISION8=x\r\nREVISION9=x\r\n"
    "[Scrubber.FileUninstaller.System]\r\n1=qnvcore.dll\r\n"
    "[Scrubber.FileUninstaller.Inf]\r\n1=qnvshared.inf\r\n"
    "REVISION5=x\r\nREVISION6=x\r\nREVISION7=x\r\nREVISION8=x\r\nREVISION9=x\r\n"
    "[Scrubber.FileUninstaller.ProgramFiles]\r\n1=Qnv Suite*\r\n2=Corvanta\\AiO\\Serie 500\\*.txt\r\n"
    "[Scrubber.FileUninstaller.Temp]\r\n1=qnvtmp*\r\n";

constexpr char kSystem[] = "C:\\WINDOWS\\system32\\";
constexpr char kInf[] = "C:\\WINDOWS\\INF\\";
constexpr char kProgramFiles[] = "C:\\Program Files\\";

// UTF-16LE with its byte-order mark, as Windows writes a Unicode INF file.
std::string Utf16(const std::string& text) {
    std::string wide = "\xFF\xFE";
    for (char character : text) {
        wide += character;
        wide += '\0';
    }
    return wide;
}

// The other vendor's printer INF: its class is a printer's, and its models carry a code that reads like
// one of the maker's revisions.
const std::string kVendorInf = Utf16(
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
    "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\nProvider=%Vendor%\r\n"
    "[Manufacturer]\r\n%Vendor%=Models\r\n[Models]\r\n\"Qnvista Qnv05 "
    "Photo\"=Qnv05,USBPRINT\\QnvistaQnv05\r\n"
    "[Strings]\r\nVendor=\"Qnvista Imaging\"\r\n");

// A host folder outside every machine, removed with what is left in it.
class OutsideFolder {
  public:
    OutsideFolder() {
        std::string pattern = (fs::temp_directory_path() / "devpurge-outside-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make " + pattern);
        path_ = pattern;
    }
    ~OutsideFolder() {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    OutsideFolder(const OutsideFolder&) = delete;
    OutsideFolder& operator=(const OutsideFolder&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

void WriteHostFile(const fs::path& path, const std::string& contents) {
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream << contents;
}

std::string ReadHostFile(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

// The logs the run wrote to the temporary folder, one after the other.
std::string Logs(TestMachine& machine, const std::string& temp) {
    std::string logs;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((temp + "QnvUNI*.LOG").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return logs;
    do {
        logs += machine.ReadFile(temp + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return logs;
}

TEST(DevpurgeVendor, AnotherVendorsSoftwareKeepsAllButWhatThePatternsName) {
    TestMachine machine;
    machine.Program(kProgram, "devpurge", {{"FileVersion", "3.0.0.8"}});
    machine.File(kDataFile, kData);
    const std::string temp = "C:\\Documents and Settings\\Utente\\Local Settings\\Temp\\";
    const std::string serie = std::string(kProgramFiles) + "Corvanta\\AiO\\Serie 500\\";

    // The maker's software: each found by a pattern or an item of the data file.
    const std::vector<std::string> makers = {
        std::string(kSystem) + "QnvScan05.dll",
        std::string(kSystem) + "qnvcore.dll",
        std::string(kSystem) + "drivers\\QnvUsb06.sys",
        "C:\\WINDOWS\\qnvhelp.ini",
        "C:\\WINDOWS\\qnvold05.txt",
        std::string(kInf) + "oem3.inf",
        std::string(kInf) + "oem3.PNF",
        std::string(kProgramFiles) + "Qnv Suite\\bin\\qnv.exe",
        serie + "leggimi.txt",
        temp + "qnvtmp1.tmp",
    };
    // The other vendor's, with names that start like the maker's: none of them is named by a pattern.
    const std::vector<std::string> vendors = {
        std::string(kSystem) + "Qnvista.dll",
        std::string(kSystem) + "QnvistaCodec10.dll",
        std::string(kSystem) + "qnvcore32.dll",
        std::string(kSystem) + "QnvFilter.ax",
        std::string(kSystem) + "drivers\\QnvistaUsb.sys",
        "C:\\WINDOWS\\Qnvista.ini",
        "C:\\WINDOWS\\qnvhelp.ini.bak",
        std::string(kInf) + "oem7.inf",  // the Unicode printer INF
        std::string(kInf) + "oem7.PNF",
        std::string(kInf) + "oem8.inf",  // the same in ANSI, a scanner's
        std::string(kProgramFiles) + "Qnvista\\QnvistaEdit.exe",
        std::string(kProgramFiles) + "Qnvista\\Plugins\\QnvFilter10.dll",
        std::string(kProgramFiles) + "QnvSuite Pro\\QnvSuite.exe",
        std::string(kProgramFiles) + "Qnvista\\Serie 500\\leggimi.txt",
        std::string(kProgramFiles) + "leggimi.txt",  // the name the maker's "Serie 500" item finds
        temp + "Qnvista.log",
    };
    // The other vendor's files that a pattern names all the same, as Windows matches it: "Qnv*04.*".
    const std::vector<std::string> namedByPatterns = {std::string(kSystem) + "Qnv2004.dll"};

    for (const std::string& path : makers) machine.File(path, "maker");
    machine.File(std::string(kInf) + "oem3.inf", "[Version]\r\nClass=Qnv05Printer\r\n");
    for (const std::string& path : vendors) machine.File(path, "vendor");
    for (const std::string& path : namedByPatterns) machine.File(path, "vendor");
    machine.File(std::string(kInf) + "oem7.inf", kVendorInf);
    machine.File(std::string(kInf) + "oem8.inf", "[Version]\r\nClass=Image\r\n; Qnvista Qnv06 Scan\r\n");

    // Host links out of the machine where the patterns reach: a folder named like a revision's file, a file
    // likewise, and a folder inside a folder of the maker that goes whole.
    OutsideFolder outside;
    WriteHostFile(outside.path() / "keep.txt", "outside");
    WriteHostFile(outside.path() / "note.txt", "outside");
    fs::create_directory_symlink(outside.path(), machine.HostPath(std::string(kSystem) + "QnvLink05"));
    fs::create_symlink(outside.path() / "note.txt", machine.HostPath(std::string(kSystem) + "QnvNote06.txt"));
    fs::create_directory_symlink(outside.path(),
                                 machine.HostPath(std::string(kProgramFiles) + "Qnv Suite\\Outside"));
    machine.Folder(kSystem);  // the machine takes note of the links

    platform::ProgramRun run =
        platform::RunProgram(std::string(kProgram) + " /datfile /unattended /all " + kDataFile);
    ASSERT_TRUE(run.started) << run.error;
    EXPECT_FALSE(run.timedOut);
    SCOPED_TRACE("devpurge wrote: " + run.output + "\nits logs:\n" + Logs(machine, temp));

    for (const std::string& path : makers)
        EXPECT_FALSE(machine.Exists(path)) << "maker's file left: " << path;
    for (const std::string& path : namedByPatterns) EXPECT_FALSE(machine.Exists(path)) << path;
    for (const std::string& path : vendors) {
        EXPECT_TRUE(machine.Exists(path)) << "vendor's file lost: " << path;
    }
    // The profile functions read the class of a Unicode INF as Windows does; a printer's class names no
    // revision, so the INF stays whatever its text holds.
    const std::string vendorInf = std::string(kInf) + "oem7.inf";
    EXPECT_TRUE(machine.Exists(vendorInf) && machine.ReadFile(vendorInf) == kVendorInf)
        << "the Unicode INF's [Version] Class was not read";
    // The machine's file calls reach nothing outside its drive folders through a host link.
    for (const char* name : {"keep.txt", "note.txt"}) {
        EXPECT_EQ(ReadHostFile(outside.path() / name), "outside")
            << "a file outside the machine was reached through a host link: " << name;
    }
}

}  // namespace
