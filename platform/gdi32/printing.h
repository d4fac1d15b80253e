// Printer device contexts: the sheet of a printer of the machine's spooler.
#pragma once

#include <memory>
#include <string_view>

#include "platform/gdi32/device_context.h"

namespace platform::gdi {

// The sheet of the named printer (its resolution from the printer's data, A4 paper), or null with the
// last error set when the spooler has no such printer.
std::unique_ptr<PrinterPage> PrinterPageOf(std::string_view printerName);

}  // namespace platform::gdi
