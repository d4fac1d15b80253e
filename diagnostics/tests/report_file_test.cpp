// The sections of a text report: heading, lines from the string table, the empty line that ends a
// section, appending, CR LF line ends, and a file that cannot be opened.
#include <gtest/gtest.h>

#include <string>

#include "BstrHolder.h"
#include "ReportFile.h"
#include "collections_test_support.h"
#include "resource.h"

namespace {

using diagnostics::BstrHolder;

constexpr char kReport[] = "C:\\Rapporti\\KenroRpt.txt";
constexpr char16_t kReportWide[] = u"C:\\Rapporti\\KenroRpt.txt";
constexpr char kSection[] = "[Valori]\r\nNome sottochiave: Alfa\r\nNumero di CPU: 2\r\n\r\n";

class Report : public diagnostics_test::ServerModule {
  protected:
    // The section a registry key's values would write.
    void WriteSection(const char16_t* path) {
        BstrHolder name(path);
        diagnostics::ReportFile report(name);
        report.Heading(IDS_VALUES);
        report.Line(IDS_SUBKEY_NAME, "Alfa");
        report.Line(IDS_CPU_COUNT, 2);
        report.End();
        // Nothing is written once the section has ended.
        report.Line(IDS_SUBKEY_NAME, "Beta");
    }
};

TEST_F(Report, MissingFileIsCreatedAndSectionsFollowEachOther) {
    machine.Folder("C:\\Rapporti");
    ASSERT_FALSE(machine.Exists(kReport));
    WriteSection(kReportWide);
    EXPECT_EQ(kSection, machine.ReadFile(kReport));
    WriteSection(kReportWide);
    EXPECT_EQ(std::string(kSection) + kSection, machine.ReadFile(kReport));
}

TEST_F(Report, SectionIsAppendedToWhatTheFileHolds) {
    machine.File(kReport, "[Memoria]\r\n\r\n");
    WriteSection(kReportWide);
    EXPECT_EQ(std::string("[Memoria]\r\n\r\n") + kSection, machine.ReadFile(kReport));
}

TEST_F(Report, LineFeedsInsideATextEndInCarriageReturnLineFeed) {
    machine.Folder("C:\\Rapporti");
    {
        BstrHolder name(kReportWide);
        diagnostics::ReportFile report(name);
        report.Line(IDS_CABLE_ADVICE);
    }
    EXPECT_EQ("Il cavo Tavrondel deve essere collegato direttamente alla porta parallela\r\n"
              "del computer. Rimuovere i commutatori, le chiavi software e altri dispositivi\r\n"
              "passanti. Si consiglia di utilizzare un cavo conforme IEEE-1284.\r\n\r\n",
              machine.ReadFile(kReport));
}

TEST_F(Report, FileThatCannotBeOpenedTakesNoWrites) {
    struct Row {
        const char* name;
        const char16_t* path;
    } rows[] = {
        {"folder missing", u"C:\\Assente\\KenroRpt.txt"},
        {"no name", nullptr},
        {"a folder", u"C:\\WINDOWS"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BstrHolder name(row.path);
        diagnostics::ReportFile report(name);
        EXPECT_FALSE(report.IsOpen());
        WriteSection(row.path);
    }
    EXPECT_FALSE(machine.Exists("C:\\Assente"));
}

}  // namespace
