// Printing through a printer's device context: the sheet's size from the printer's resolution, a job
// on the spooler whose pages are pictures in the spool folder.
#include <gtest/gtest.h>

#include "platform/gdi32/surface.h"
#include "platform/testing/test_machine.h"
#include "platform/winspool/spooler.h"
#include "platform/winspool/spooler_testing.h"
#include "windows.h"
#include "winspool.h"

namespace {

using platform::OsKind;
using platform::TestMachine;
namespace testing_text = platform::spooler_testing;

std::string PrinterMachine(bool nt) {
    return testing_text::LocalPortsText(nt) + testing_text::DriverText({"QN Laser 1204", "qnlas1204.dll", "", nt ? 3u : 0u}, nt) +
           testing_text::PrinterText({"Laser", "LPT1:", "QN Laser 1204"}) +
           testing_text::PrinterText({"Fine", "LPT1:", "QN Laser 1204"}) +
           "[" + std::string(testing_text::kPrintKey) + "\\Printers\\Fine\\PrinterDriverData]\n\"Resolution\"=dword:00000258\n\n";
}

TEST(Printing, ThePrintersSheetComesFromItsResolution) {
    TestMachine machine(OsKind::WindowsXP);
    machine.Registry(PrinterMachine(true));
    struct Row {
        const char* printer;
        int dotsPerInch;
    };
    const Row rows[] = {{"Laser", 300}, {"Fine", 600}};
    for (const Row& row : rows) {
        HDC dc = CreateDCA("WINSPOOL", row.printer, nullptr, nullptr);
        ASSERT_TRUE(dc) << row.printer;
        EXPECT_EQ(DT_RASPRINTER, GetDeviceCaps(dc, TECHNOLOGY)) << row.printer;
        EXPECT_EQ(row.dotsPerInch, GetDeviceCaps(dc, LOGPIXELSX)) << row.printer;
        // A4 paper: 210 x 297 mm.
        EXPECT_NEAR(210.0 / 25.4 * row.dotsPerInch, GetDeviceCaps(dc, PHYSICALWIDTH), 1.0) << row.printer;
        EXPECT_NEAR(297.0 / 25.4 * row.dotsPerInch, GetDeviceCaps(dc, PHYSICALHEIGHT), 1.0) << row.printer;
        EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH) - 2 * GetDeviceCaps(dc, PHYSICALOFFSETX), GetDeviceCaps(dc, HORZRES))
            << row.printer;
        EXPECT_EQ(0, GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) << row.printer;
        DeleteDC(dc);
    }
    EXPECT_EQ(nullptr, CreateDCA(nullptr, "No such printer", nullptr, nullptr));
    HDC information = CreateICA(nullptr, "Laser", nullptr, nullptr);
    ASSERT_TRUE(information);
    EXPECT_EQ(300, GetDeviceCaps(information, LOGPIXELSY));
    DeleteDC(information);
}

TEST(Printing, EachPageBecomesAPictureOfTheJob) {
    for (OsKind os : {OsKind::WindowsXP, OsKind::Windows98}) {
        bool nt = os == OsKind::WindowsXP;
        TestMachine machine(os);
        machine.Registry(PrinterMachine(nt));
        HDC dc = CreateDCA(nullptr, "Laser", nullptr, nullptr);
        ASSERT_TRUE(dc);
        EXPECT_EQ(SP_ERROR, StartPage(dc));
        DOCINFOA document{sizeof(DOCINFOA), "Pagina di prova", nullptr, nullptr, 0};
        int job = StartDocA(dc, &document);
        ASSERT_GT(job, 0);
        EXPECT_GT(StartPage(dc), 0);
        SelectObject(dc, GetStockObject(BLACK_BRUSH));
        Rectangle(dc, 100, 100, 400, 300);
        EXPECT_GT(EndPage(dc), 0);
        EXPECT_GT(StartPage(dc), 0);
        EXPECT_GT(EndPage(dc), 0);
        EXPECT_GT(EndDoc(dc), 0);
        int offset = GetDeviceCaps(dc, PHYSICALOFFSETX);
        DeleteDC(dc);

        std::vector<platform::spooler::JobRecord> jobs = platform::spooler::JobsOf("Laser");
        ASSERT_EQ(1u, jobs.size());
        EXPECT_EQ(static_cast<DWORD>(job), jobs[0].id);
        EXPECT_EQ("Pagina di prova", jobs[0].document);
        EXPECT_EQ(2u, jobs[0].pages);
        EXPECT_TRUE(jobs[0].status & JOB_STATUS_PRINTED);
        ASSERT_EQ(2u, jobs[0].pageFiles.size());
        EXPECT_EQ(0u, jobs[0].pageFiles[0].find(nt ? "C:\\WINDOWS\\system32\\spool\\PRINTERS\\"
                                                   : "C:\\WINDOWS\\SPOOL\\PRINTERS\\"))
            << jobs[0].pageFiles[0];
        std::optional<platform::gdi::Surface> page = platform::gdi::ReadPng(machine.HostPath(jobs[0].pageFiles[0]));
        ASSERT_TRUE(page);
        // The rectangle is on the sheet, moved by the printable area's corner.
        EXPECT_EQ(0x000000u, page->pixel(offset + 100, offset + 100));
        EXPECT_EQ(0x000000u, page->pixel(offset + 399, offset + 299));
        EXPECT_EQ(0x000000u, page->pixel(offset + 250, offset + 200));
        EXPECT_EQ(0xFFFFFFu, page->pixel(offset + 400, offset + 200));
        EXPECT_EQ(0xFFFFFFu, page->pixel(offset + 99, offset + 200));
        std::optional<platform::gdi::Surface> blank = platform::gdi::ReadPng(machine.HostPath(jobs[0].pageFiles[1]));
        ASSERT_TRUE(blank);
        EXPECT_EQ(0xFFFFFFu, blank->pixel(offset + 250, offset + 200));
    }
}

TEST(Printing, AnAbortedDocumentLeavesNoJob) {
    TestMachine machine;
    machine.Registry(PrinterMachine(true));
    HDC dc = CreateDCA(nullptr, "Laser", nullptr, nullptr);
    DOCINFOA document{sizeof(DOCINFOA), "Interrotto", nullptr, nullptr, 0};
    ASSERT_GT(StartDocA(dc, &document), 0);
    EXPECT_EQ(SP_ERROR, StartDocA(dc, &document));
    StartPage(dc);
    EXPECT_GT(AbortDoc(dc), 0);
    EXPECT_TRUE(platform::spooler::JobsOf("Laser").empty());
    EXPECT_EQ(SP_ERROR, EndDoc(dc));
    DeleteDC(dc);
}

}  // namespace
