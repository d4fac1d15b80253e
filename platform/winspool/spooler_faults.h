// The faults the spooler asks for (target platform::fault_target::kSpooler).
#pragma once

#include <string_view>

namespace platform::spooler {

// Object: the call's name ("EnumPrintersA"). The call fails at once with the fault's error.
inline constexpr std::string_view kCallOperation = "call";
// Object: the call's name. A read that would succeed finds that the list grew since the size query: it
// fails with ERROR_INSUFFICIENT_BUFFER and a larger size needed, and the list reads whole next time.
inline constexpr std::string_view kGrowOperation = "grow";
// Object: a printer's name. OpenPrinterA of that printer fails with the fault's error.
inline constexpr std::string_view kOpenPrinterOperation = "OpenPrinter";

}  // namespace platform::spooler
