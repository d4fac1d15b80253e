// The entry points of winspool.drv that LoadLibraryA and GetProcAddress hand out. Every function declared
// in winspool.h belongs in this list.
#include "platform/kernel32/platform_libraries.h"
#include "winspool.h"

#define WINSPOOL_ENTRY_POINTS(X)  \
    X(EnumPrintersA)              \
    X(OpenPrinterA)               \
    X(ClosePrinter)               \
    X(GetPrinterA)                \
    X(SetPrinterA)                \
    X(DeletePrinter)              \
    X(GetPrinterDataA)            \
    X(SetPrinterDataA)            \
    X(EnumPrinterDriversA)        \
    X(GetPrinterDriverA)          \
    X(AddPrinterDriverA)          \
    X(DeletePrinterDriverA)       \
    X(GetPrinterDriverDirectoryA) \
    X(EnumMonitorsA)              \
    X(AddMonitorA)                \
    X(DeleteMonitorA)             \
    X(EnumPortsA)                 \
    X(DeletePortA)                \
    X(StartDocPrinterA)           \
    X(StartPagePrinter)           \
    X(EndPagePrinter)             \
    X(EndDocPrinter)              \
    X(AbortPrinter)

namespace {

const platform::PlatformLibraryRegistrar registrar("winspool.drv", platform::LibraryLoad::AtStart,
                                                   {WINSPOOL_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});
// Also under the name a program may load it by without its extension.
const platform::PlatformLibraryRegistrar alias("winspool", platform::LibraryLoad::AtStart,
                                               {WINSPOOL_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
