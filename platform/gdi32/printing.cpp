// Printing through a printer's device context: StartDocA makes a spooler job on the printer, each page
// is drawn on a sheet of the printer's resolution and EndPage keeps its picture as a PNG file in the
// spool folder, recorded with the job.
#include "platform/gdi32/printing.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/machine/files/host_path.h"
#include "platform/machine/machine.h"
#include "platform/winspool/spooler.h"
#include "winspool.h"

namespace platform::gdi {

namespace {

constexpr int kDefaultDotsPerInch = 300;
// A4 paper, in tenths of a millimetre, and the margin a laser printer cannot reach (a sixth of an inch).
constexpr int kPaperWidth = 2100;
constexpr int kPaperHeight = 2970;

int Pixels(int tenthsOfMillimetre, int dotsPerInch) {
    return static_cast<int>(std::lround(tenthsOfMillimetre * dotsPerInch / 254.0));
}

// An open printer handle, closed however the caller leaves.
class OpenedPrinter {
public:
    explicit OpenedPrinter(std::string_view name) {
        std::string text(name);
        PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
        if (!OpenPrinterA(text.data(), &handle_, &defaults)) handle_ = nullptr;
    }
    ~OpenedPrinter() {
        if (handle_) ClosePrinter(handle_);
    }
    OpenedPrinter(const OpenedPrinter&) = delete;
    OpenedPrinter& operator=(const OpenedPrinter&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE release() { return std::exchange(handle_, nullptr); }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace

std::unique_ptr<PrinterPage> PrinterPageOf(std::string_view printerName) {
    OpenedPrinter printer(printerName);
    if (!printer.get()) return nullptr;
    auto page = std::make_unique<PrinterPage>();
    page->printerName = std::string(printerName);
    // The printer's resolution is its data "Resolution" (dots per inch) when it has one.
    DWORD type = 0, resolution = 0, needed = 0;
    char name[] = "Resolution";
    if (GetPrinterDataA(printer.get(), name, &type, reinterpret_cast<LPBYTE>(&resolution), sizeof resolution, &needed) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && resolution >= 72 && resolution <= 1200)
        page->dotsPerInch = static_cast<int>(resolution);
    else
        page->dotsPerInch = kDefaultDotsPerInch;
    page->paperWidth = Pixels(kPaperWidth, page->dotsPerInch);
    page->paperHeight = Pixels(kPaperHeight, page->dotsPerInch);
    page->offsetX = page->dotsPerInch / 6;
    page->offsetY = page->dotsPerInch / 6;
    page->printableWidth = page->paperWidth - 2 * page->offsetX;
    page->printableHeight = page->paperHeight - 2 * page->offsetY;
    return page;
}

namespace {

// A printer context with its document, or null: SP_ERROR's error set.
std::shared_ptr<DeviceContext> PrinterContext(HDC hdc) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context || context->type != DeviceType::Printer || !context->page) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return context;
}

// A printer context whose document is started, or null with ERROR_SPL_NO_STARTDOC (ERROR_INVALID_HANDLE
// for a handle that is no printer context).
std::shared_ptr<DeviceContext> StartedDocument(HDC hdc) {
    std::shared_ptr<DeviceContext> context = PrinterContext(hdc);
    if (context && !context->page->printer) {
        SetLastError(ERROR_SPL_NO_STARTDOC);
        return nullptr;
    }
    return context;
}

// Lets the document's printer go; the context can start another document.
void CloseDocument(PrinterPage& page) {
    ClosePrinter(page.printer);
    page.printer = nullptr;
    page.job = 0;
}

// "C:\WINDOWS\SYSTEM32\spool\PRINTERS\Laser_USB-0003-01.png": the printer's name kept to letters and
// digits, so that every printer's pages can share the folder.
std::string PageFile(const PrinterPage& page) {
    std::string printer;
    for (char character : page.printerName)
        printer.push_back(std::isalnum(static_cast<unsigned char>(character)) ? character : '_');
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-%04u-%02d.png", static_cast<unsigned>(page.job), page.pages + 1);
    return spooler::SpoolFolder() + "\\" + printer + suffix;
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;

extern "C" int WINAPI StartDocA(HDC hdc, const DOCINFOA* lpdi) {
    std::shared_ptr<DeviceContext> context = PrinterContext(hdc);
    if (!context) return SP_ERROR;
    PrinterPage& page = *context->page;
    if (page.printer) {
        SetLastError(ERROR_INVALID_PRINTER_STATE);
        return SP_ERROR;
    }
    OpenedPrinter printer(page.printerName);
    if (!printer.get()) return SP_ERROR;
    DOC_INFO_1A document{};
    std::string name = lpdi && lpdi->lpszDocName ? lpdi->lpszDocName : "";
    std::string output = lpdi && lpdi->lpszOutput ? lpdi->lpszOutput : "";
    document.pDocName = name.data();
    document.pOutputFile = lpdi && lpdi->lpszOutput ? output.data() : nullptr;
    char datatype[] = "NT EMF 1.008";
    document.pDatatype = datatype;
    DWORD job = StartDocPrinterA(printer.get(), 1, reinterpret_cast<LPBYTE>(&document));
    if (!job) return SP_ERROR;
    page.printer = printer.release();
    page.job = job;
    page.pages = 0;
    return static_cast<int>(job);
}

// A fresh white sheet; device point (0, 0) is the corner of the printable area.
extern "C" int WINAPI StartPage(HDC hdc) {
    std::shared_ptr<DeviceContext> context = StartedDocument(hdc);
    if (!context) return SP_ERROR;
    PrinterPage& page = *context->page;
    if (page.pageOpen) return 1;
    if (!StartPagePrinter(page.printer)) return SP_ERROR;
    context->ownSurface = std::make_shared<Surface>(page.paperWidth, page.paperHeight);
    context->origin = POINT{page.offsetX, page.offsetY};
    context->surfaceClip = RECT{page.offsetX, page.offsetY, page.offsetX + page.printableWidth,
                                page.offsetY + page.printableHeight};
    page.pageOpen = true;
    return 1;
}

extern "C" int WINAPI EndPage(HDC hdc) {
    std::shared_ptr<DeviceContext> context = PrinterContext(hdc);
    if (!context) return SP_ERROR;
    PrinterPage& page = *context->page;
    if (!page.printer || !page.pageOpen) {
        SetLastError(page.printer ? ERROR_INVALID_PARAMETER : ERROR_SPL_NO_STARTDOC);
        return SP_ERROR;
    }
    platform::Machine& machine = platform::Machine::Current();
    std::string folder = platform::spooler::SpoolFolder();
    std::string file = PageFile(page);
    platform::CreateMachineFolder(machine, folder);
    std::optional<platform::HostPath> host = platform::ResolveHostPath(file);
    bool written = host && WritePng(*context->ownSurface, host->host);
    platform::NoteFilesChanged(machine);
    if (!written) {
        SetLastError(ERROR_DISK_FULL);
        return SP_OUTOFDISK;
    }
    if (DWORD error = platform::spooler::RecordJobPage(page.printer, file)) {
        SetLastError(error);
        return SP_ERROR;
    }
    if (!EndPagePrinter(page.printer)) return SP_ERROR;
    ++page.pages;
    page.pageOpen = false;
    context->ownSurface.reset();
    return 1;
}

extern "C" int WINAPI EndDoc(HDC hdc) {
    std::shared_ptr<DeviceContext> context = StartedDocument(hdc);
    if (!context) return SP_ERROR;
    PrinterPage& page = *context->page;
    int result = 1;
    if (page.pageOpen && EndPage(hdc) <= 0) result = SP_ERROR;
    if (!EndDocPrinter(page.printer)) result = SP_ERROR;
    CloseDocument(page);
    return result;
}

extern "C" int WINAPI AbortDoc(HDC hdc) {
    std::shared_ptr<DeviceContext> context = StartedDocument(hdc);
    if (!context) return SP_ERROR;
    PrinterPage& page = *context->page;
    AbortPrinter(page.printer);
    CloseDocument(page);
    page.pageOpen = false;
    context->ownSurface.reset();
    return 1;
}
