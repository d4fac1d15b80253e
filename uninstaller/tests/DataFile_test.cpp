// The data-file readers and the uninstallers' settings.
#include "DataFile.h"

#include <map>
#include <string>
#include <vector>

#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace {

using DataFileTest = UninstallerTest;
constexpr char kDataFile[] = "C:\\Dati\\devpurge.dat";

TEST_F(DataFileTest, LoadStringListFromValue) {
    platform::TestMachine machine(platform::OsKind::WindowsXP, 1);
    std::string longValue, longItems;
    std::vector<std::string> longList;
    for (int item = 0; item < 40; ++item) {
        longList.push_back("item" + std::to_string(item));
        longValue += (item ? "," : "") + longList.back();
    }
    std::string value63(63, 'x');
    machine.File(kDataFile,
                 "[Scrubber.501.1]\r\nSP=sp\r\n[Scrubber.501]\r\nOS=os\r\nSP=os\r\n[Scrubber]\r\n"
                 "OS=plain\r\nSP=plain\r\nSPLIT=a,, b\tc,\r\nLONG=" +
                     longValue + "\r\nV63=" + value63 + "\r\n");
    gDATFileName = kDataFile;
    struct Row {
        const char* key;
        unsigned int result;
        std::vector<std::string> items;
        std::string trace;
    } rows[] = {
        {"SP", 1, {"sp"}, ""},
        {"OS", 1, {"os"}, ""},
        {"SPLIT", 1, {"a", " b", "c"}, ""},
        {"LONG", 1, longList, ""},
        {"V63", 1, {value63}, ""},
        {"MISSING", 0, {}, "LoadStringListFromValue(Scrubber,MISSING) failed\n"},
    };
    for (const Row& row : rows) {
        CaseInsensitiveStringList list;
        platform::StdoutCapture output;
        EXPECT_EQ(LoadStringListFromValue("Scrubber", row.key, list), row.result) << row.key;
        EXPECT_EQ(output.Take(), row.trace) << row.key;
        EXPECT_EQ(Strings(list), row.items) << row.key;
    }
}

TEST_F(DataFileTest, RevisionKeywordsOfTheSignedRange) {
    platform::TestMachine machine;
    machine.File(kDataFile,
                 "[Scrubber]\r\nREVISION-1=meno\r\nREVISION5=a, ,b,\t\r\nREVISION7= alpha , Beta,caff\xE8\r\n"
                 "REVISION07=zero\r\nREVISION9=delta\r\n");
    gDATFileName = kDataFile;
    struct Row {
        int first, last;
        std::map<int, std::vector<std::string>> keywords;
        std::string trace;
    } rows[] = {
        {7,
         9,
         {{7, {"ALPHA", "BETA", "CAFF\xC8"}}, {9, {"DELTA"}}},
         "LoadStringListFromValue(Scrubber,REVISION8) failed\n"},
        {9, 7, {}, ""},
        {5, 5, {{5, {"A", "B"}}}, ""},
        {-1, -1, {{-1, {"MENO"}}}, ""},
        {-2, -1, {{-1, {"MENO"}}}, "LoadStringListFromValue(Scrubber,REVISION-2) failed\n"},
    };
    for (const Row& row : rows) {
        gRevisionKeywords.clear();
        FIRST_IO_REVISION = row.first;
        LAST_IO_REVISION = row.last;
        platform::StdoutCapture output;
        LoadRevisionKeywords();
        EXPECT_EQ(output.Take(), row.trace) << row.first;
        std::map<int, std::vector<std::string>> keywords;
        for (const auto& [revision, list] : gRevisionKeywords) keywords[revision] = Strings(list);
        EXPECT_EQ(keywords, row.keywords) << row.first;
    }
}

// An uninstaller that is enabled as its section says.
class SettingsUninstaller : public CUninstaller {
  public:
    explicit SettingsUninstaller(const char* name) : CUninstaller(nullptr), name_(name) {}
    unsigned int IsEnabled() override { return ReadSettings(name_); }
    unsigned int Delete() override { return 0; }
    std::string Section() const { return m_sectionName.c_str(); }
    std::vector<std::string> Items() const { return Strings(m_itemList); }

  private:
    const char* name_;
};

TEST_F(DataFileTest, ReadSettingsFromTheUninstallersSectionElseScrubber) {
    platform::TestMachine machine;
    machine.File(kDataFile,
                 "[Scrubber]\r\nenabled=0\r\n1=comune\r\n"
                 "[Scrubber.PrinterUninstaller]\r\nenabled=1\r\n1=Uno\r\n2=DUE\r\n4=quattro\r\n"
                 "[Scrubber.Other]\r\nenabled=1\r\n[Scrubber.Twelve]\r\nenabled=12\r\n"
                 "[Scrubber.Three]\r\nenabled=3\r\n1=tre\r\n");
    machine.File("C:\\Dati\\empty.dat", "[Scrubber.PrinterUninstaller]\r\n1=uno\r\n");
    struct Row {
        const char* file;
        const char* section;
        unsigned int enabled;
        std::vector<std::string> items;
        std::string trace;
    } rows[] = {
        {kDataFile, "PrinterUninstaller", 1, {"uno", "due"}, ""},
        {kDataFile, "DriverUninstaller", 0, {}, ""},
        {kDataFile, "Other", 1, {"comune"}, ""},
        {kDataFile, "Twelve", 1, {"comune"}, ""},
        {kDataFile, "Three", 3, {"tre"}, ""},
        {"C:\\Dati\\empty.dat",
         "PrinterUninstaller",
         0,
         {},
         "Can not read from scrubber file. Section:PrinterUninstaller failed\n"},
    };
    for (const Row& row : rows) {
        gDATFileName = row.file;
        SettingsUninstaller uninstaller(row.section);
        platform::StdoutCapture output;
        EXPECT_EQ(uninstaller.IsEnabled(), row.enabled) << row.section;
        EXPECT_EQ(output.Take(), row.trace) << row.section;
        EXPECT_EQ(uninstaller.Section(), row.section);
        EXPECT_EQ(uninstaller.Items(), row.items) << row.section;
    }
}

}  // namespace
