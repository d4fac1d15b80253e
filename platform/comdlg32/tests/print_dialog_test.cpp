// PrintDlgA: the default printer without a dialog (PD_RETURNDEFAULT), its device mode, names and device
// context; which printer is the default; a machine without printers; and the print dialog answered.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "commdlg.h"
#include "platform/testing/test_machine.h"
#include "platform/winspool/spooler_testing.h"
#include "wingdi.h"
#include "winspool.h"

namespace {

using platform::TestMachine;
namespace spooler = platform::spooler_testing;

std::string Printers() {
    return "REGEDIT4\n\n" + spooler::PrinterText({"Laser", "LPT1:", "QN Laser 1204"}) +
           spooler::PrinterText({"QN Serie 500", "DOT4_001", "QN Serie 500"});
}

struct Names {
    std::string driver;
    std::string device;
    std::string output;
    WORD isDefault = 0;
};

Names NamesOf(HGLOBAL handle) {
    auto* block = static_cast<const char*>(GlobalLock(handle));
    auto* names = reinterpret_cast<const DEVNAMES*>(block);
    Names read{block + names->wDriverOffset, block + names->wDeviceOffset, block + names->wOutputOffset,
               names->wDefault};
    GlobalUnlock(handle);
    return read;
}

TEST(PrintDialog, TheDefaultPrinterWithoutADialog) {
    struct Row {
        const char* name;
        const char* device;  // win.ini's [windows] device, or null
        DWORD serieAttributes;
        const char* printer;
        const char* port;
    };
    const Row rows[] = {
        {"the first printer listed", nullptr, PRINTER_ATTRIBUTE_LOCAL, "Laser", "LPT1:"},
        {"named in win.ini", "QN Serie 500,winspool,DOT4_001", PRINTER_ATTRIBUTE_LOCAL, "QN Serie 500",
         "DOT4_001"},
        {"win.ini names one that has gone", "Vecchia,winspool,LPT2:", PRINTER_ATTRIBUTE_LOCAL, "Laser",
         "LPT1:"},
        {"marked the default", nullptr, PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_DEFAULT, "QN Serie 500",
         "DOT4_001"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestMachine machine;
        machine.Registry(
            "REGEDIT4\n\n" + spooler::PrinterText({"Laser", "LPT1:", "QN Laser 1204"}) +
            spooler::PrinterText({"QN Serie 500", "DOT4_001", "QN Serie 500", row.serieAttributes}));
        if (row.device) {
            ASSERT_TRUE(WriteProfileStringA("windows", "device", row.device));
        }
        PRINTDLGA print{};
        print.lStructSize = sizeof print;
        print.Flags = PD_RETURNDC | PD_RETURNDEFAULT;
        ASSERT_TRUE(PrintDlgA(&print));
        EXPECT_EQ(0u, CommDlgExtendedError());
        ASSERT_TRUE(print.hDC);
        EXPECT_GT(GetDeviceCaps(print.hDC, HORZRES), 0);
        Names names = NamesOf(print.hDevNames);
        EXPECT_EQ("winspool", names.driver);
        EXPECT_EQ(row.printer, names.device);
        EXPECT_EQ(row.port, names.output);
        EXPECT_EQ(DN_DEFAULTPRN, names.isDefault);
        auto* mode = static_cast<const DEVMODEA*>(GlobalLock(print.hDevMode));
        ASSERT_TRUE(mode);
        EXPECT_STREQ(row.printer, reinterpret_cast<const char*>(mode->dmDeviceName));
        EXPECT_EQ(sizeof(DEVMODEA), mode->dmSize);
        EXPECT_EQ(DMORIENT_PORTRAIT, mode->dmOrientation);
        GlobalUnlock(print.hDevMode);
        EXPECT_TRUE(DeleteDC(print.hDC));
        EXPECT_FALSE(GlobalFree(print.hDevMode));
        EXPECT_FALSE(GlobalFree(print.hDevNames));
        // Nothing is shown.
        EXPECT_EQ("", machine.Transcript());
    }
}

TEST(PrintDialog, NoPrinterAndWhatIsRefused) {
    TestMachine machine;
    PRINTDLGA print{};
    print.lStructSize = sizeof print;
    print.Flags = PD_RETURNDC | PD_RETURNDEFAULT;
    EXPECT_FALSE(PrintDlgA(&print));
    EXPECT_EQ(static_cast<DWORD>(PDERR_NODEFAULTPRN), CommDlgExtendedError());
    EXPECT_FALSE(print.hDC);
    EXPECT_FALSE(print.hDevMode);

    machine.Registry(Printers());
    print.hDevMode = GlobalAlloc(GHND, 16);
    EXPECT_FALSE(PrintDlgA(&print));
    EXPECT_EQ(static_cast<DWORD>(PDERR_RETDEFFAILURE), CommDlgExtendedError());
    GlobalFree(print.hDevMode);
    print.hDevMode = nullptr;
    print.lStructSize = 20;
    EXPECT_FALSE(PrintDlgA(&print));
    EXPECT_EQ(static_cast<DWORD>(CDERR_STRUCTSIZE), CommDlgExtendedError());
}

TEST(PrintDialog, TheDialogAnswered) {
    struct Row {
        const char* answer;
        BOOL result;
        const char* line;
    };
    const Row rows[] = {
        {nullptr, TRUE, "  answer: IDOK (default)\n"},
        {"IDOK", TRUE, "  answer: IDOK\n"},
        {"IDCANCEL", FALSE, "  answer: IDCANCEL\n"},
        {"Stampa", TRUE, "  answer: IDOK (default; scripted \"Stampa\" is not a button of this dialog)\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer ? row.answer : "none");
        TestMachine machine;
        machine.Registry(Printers());
        if (row.answer) machine.Answer(row.answer);
        PRINTDLGA print{};
        print.lStructSize = sizeof print;
        EXPECT_EQ(row.result, PrintDlgA(&print));
        EXPECT_EQ(0u, CommDlgExtendedError());
        EXPECT_FALSE(print.hDC);
        EXPECT_EQ(row.result != FALSE, print.hDevNames != nullptr);
        EXPECT_EQ(std::string("PrintDialog \"Print\"\n  printer: \"Laser\"\n") + row.line,
                  machine.Transcript());
        GlobalFree(print.hDevMode);
        GlobalFree(print.hDevNames);
    }
}

}  // namespace
