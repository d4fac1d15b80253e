// PrintDlgA. With PD_RETURNDEFAULT nothing is shown: the default printer is taken, its device mode and
// names are handed out in hDevMode and hDevNames, and with PD_RETURNDC (or PD_RETURNIC) a device context
// for it from gdi32. Without it the print dialog is written to the transcript and answered like a modal
// dialog: IDOK (its default button, "Print") prints to the default printer, IDCANCEL cancels.
//
// The default printer is the one win.ini's [windows] "device" names ("name,driver,port"), else one
// marked PRINTER_ATTRIBUTE_DEFAULT, else the first the spooler lists, as Windows makes another printer
// the default when its default goes. A machine without printers has none (PDERR_NODEFAULTPRN).
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "commdlg.h"
#include "platform/comdlg32/comdlg32_internal.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"
#include "platform/machine/ui/user_interface.h"
#include "wingdi.h"
#include "winspool.h"

namespace {

using platform::common_dialogs::SetExtendedError;

// The drivers' name in DEVNAMES: the spooler's, which gdi32's CreateDCA takes for a printer.
constexpr char kSpoolerDriver[] = "winspool";

struct Printer {
    std::string name;
    std::string port;
};

std::vector<PRINTER_INFO_2A> PrintersOf(std::vector<BYTE>& buffer) {
    DWORD needed = 0;
    DWORD count = 0;
    DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    EnumPrintersA(flags, nullptr, 2, nullptr, 0, &needed, &count);
    if (needed == 0) return {};
    buffer.resize(needed);
    if (!EnumPrintersA(flags, nullptr, 2, buffer.data(), needed, &needed, &count)) return {};
    auto* printers = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
    return std::vector<PRINTER_INFO_2A>(printers, printers + count);
}

std::optional<Printer> DefaultPrinter() {
    std::vector<BYTE> buffer;
    std::vector<PRINTER_INFO_2A> printers = PrintersOf(buffer);
    if (printers.empty()) return std::nullopt;
    auto found = [](const PRINTER_INFO_2A& printer) {
        return Printer{printer.pPrinterName ? printer.pPrinterName : "",
                       printer.pPortName ? printer.pPortName : ""};
    };
    char device[512] = "";
    GetProfileStringA("windows", "device", "", device, sizeof device);
    std::string named(device, std::strcspn(device, ","));
    for (const PRINTER_INFO_2A& printer : printers)
        if (!named.empty() && printer.pPrinterName && platform::EqualsNoCase(printer.pPrinterName, named))
            return found(printer);
    for (const PRINTER_INFO_2A& printer : printers)
        if (printer.Attributes & PRINTER_ATTRIBUTE_DEFAULT) return found(printer);
    return found(printers.front());
}

template <typename Block>
HGLOBAL NewBlock(std::size_t size, Block*& block) {
    HGLOBAL handle = GlobalAlloc(GHND, size);
    block = handle ? static_cast<Block*>(GlobalLock(handle)) : nullptr;
    return handle;
}

HGLOBAL DeviceModeOf(const Printer& printer) {
    DEVMODEA* mode = nullptr;
    HGLOBAL handle = NewBlock(sizeof(DEVMODEA), mode);
    if (!handle) return nullptr;
    std::strncpy(reinterpret_cast<char*>(mode->dmDeviceName), printer.name.c_str(), CCHDEVICENAME - 1);
    mode->dmSpecVersion = DM_SPECVERSION;
    mode->dmSize = sizeof(DEVMODEA);
    mode->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
    mode->dmOrientation = DMORIENT_PORTRAIT;
    mode->dmPaperSize = DMPAPER_A4;
    mode->dmCopies = 1;
    GlobalUnlock(handle);
    return handle;
}

HGLOBAL DeviceNamesOf(const Printer& printer) {
    const std::string texts[] = {kSpoolerDriver, printer.name, printer.port};
    std::size_t size = sizeof(DEVNAMES);
    for (const std::string& text : texts) size += text.size() + 1;
    BYTE* block = nullptr;
    HGLOBAL handle = NewBlock(size, block);
    if (!handle) return nullptr;
    WORD* offsets = reinterpret_cast<WORD*>(block);
    std::size_t at = sizeof(DEVNAMES);
    for (int index = 0; index < 3; ++index) {
        offsets[index] = static_cast<WORD>(at);
        std::memcpy(block + at, texts[index].c_str(), texts[index].size() + 1);
        at += texts[index].size() + 1;
    }
    reinterpret_cast<DEVNAMES*>(block)->wDefault = DN_DEFAULTPRN;
    GlobalUnlock(handle);
    return handle;
}

// The print dialog's answer: true to print.
bool AnswerPrintDialog(const Printer& printer) {
    platform::Machine& machine = platform::Machine::Current();
    std::string entry = "PrintDialog \"Print\"\n  printer: \"" + printer.name + "\"\n";
    std::optional<std::string> answer = platform::TakeAnswer(machine);
    std::string_view trimmed = answer ? platform::TrimBlanks(*answer) : std::string_view();
    bool print = true;
    if (!answer) {
        entry += "  answer: IDOK (default)\n";
    } else if (platform::EqualsNoCase(trimmed, "IDOK")) {
        entry += "  answer: IDOK\n";
    } else if (platform::EqualsNoCase(trimmed, "IDCANCEL")) {
        entry += "  answer: IDCANCEL\n";
        print = false;
    } else {
        entry += "  answer: IDOK (default; scripted \"" + *answer + "\" is not a button of this dialog)\n";
    }
    platform::AppendTranscript(machine, entry);
    return print;
}

}  // namespace

extern "C" BOOL WINAPI PrintDlgA(LPPRINTDLGA pPD) {
    if (!pPD || pPD->lStructSize != sizeof(PRINTDLGA)) {
        SetExtendedError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    bool returnDefault = (pPD->Flags & PD_RETURNDEFAULT) != 0;
    // The default printer's blocks are new ones: the caller may not hand in any of its own.
    if (returnDefault && (pPD->hDevMode || pPD->hDevNames)) {
        SetExtendedError(PDERR_RETDEFFAILURE);
        return FALSE;
    }
    std::optional<Printer> printer = DefaultPrinter();
    if (!printer) {
        SetExtendedError(PDERR_NODEFAULTPRN);
        return FALSE;
    }
    if (!returnDefault && !AnswerPrintDialog(*printer)) {
        SetExtendedError(0);
        return FALSE;
    }
    if (pPD->hDevMode) GlobalFree(pPD->hDevMode);
    if (pPD->hDevNames) GlobalFree(pPD->hDevNames);
    pPD->hDevMode = DeviceModeOf(*printer);
    pPD->hDevNames = DeviceNamesOf(*printer);
    if (!pPD->hDevMode || !pPD->hDevNames) {
        SetExtendedError(CDERR_MEMALLOCFAILURE);
        return FALSE;
    }
    pPD->hDC = nullptr;
    if (pPD->Flags & (PD_RETURNDC | PD_RETURNIC)) {
        auto* mode = static_cast<const DEVMODEA*>(GlobalLock(pPD->hDevMode));
        pPD->hDC = (pPD->Flags & PD_RETURNDC)
                       ? CreateDCA(kSpoolerDriver, printer->name.c_str(), nullptr, mode)
                       : CreateICA(kSpoolerDriver, printer->name.c_str(), nullptr, mode);
        GlobalUnlock(pPD->hDevMode);
        if (!pPD->hDC) {
            SetExtendedError(PDERR_CREATEICFAILURE);
            return FALSE;
        }
    }
    if (!returnDefault && pPD->nCopies == 0) pPD->nCopies = 1;
    SetExtendedError(0);
    return TRUE;
}
