// The machine the spooler tests share: the local ports, a DOT4 and a USB monitor with one port each, a
// driver, printers on "DOT4_001", "USB001", "LPT1:" and "FILE:", and on Windows NT a connection to
// "\\srv\p1".
#pragma once

#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "platform/winspool/spooler_testing.h"
#include "winspool.h"

namespace spooler_test {

using platform::OsKind;
namespace testing_text = platform::spooler_testing;

inline const OsKind kAllSystems[] = {OsKind::WindowsXP, OsKind::Windows2000, OsKind::WindowsNT4,
                                     OsKind::Windows98, OsKind::WindowsMe};

inline bool IsNT(OsKind os) {
    return os == OsKind::WindowsXP || os == OsKind::Windows2000 || os == OsKind::WindowsNT4;
}

inline std::string MachineText(OsKind os) {
    bool nt = IsNT(os);
    std::string text = testing_text::LocalPortsText(nt) +
                       testing_text::MonitorText("qnhDot4", "qnhdot4.dll") +
                       testing_text::PortText("qnhDot4", "DOT4_001", "Dot4 print port", nt) +
                       testing_text::MonitorText("USB Monitor", "usbmon.dll") +
                       testing_text::PortText("USB Monitor", "USB001", "Virtual printer port for USB", nt) +
                       testing_text::DriverText({"QN Laser 1204", "qnlas1204.dll", "", nt ? 3u : 0u}, nt) +
                       testing_text::PrinterText({"Laser DOT4", "DOT4_001", "QN Laser 1204"}) +
                       testing_text::PrinterText({"Laser USB", "USB001", "QN Laser 1204"}) +
                       testing_text::PrinterText({"Laser LPT", "LPT1:", "QN Laser 1204"}) +
                       testing_text::PrinterText({"To file", "FILE:", "QN Laser 1204"});
    if (nt) {
        text +=
            testing_text::ConnectionText("srv", "p1") +
            testing_text::PrinterText({"p1", "NE00:", "QN Laser 1204", PRINTER_ATTRIBUTE_SHARED}, nt, "srv");
    }
    return text;
}

inline platform::MachineSettings Settings(OsKind os, bool administrator = true) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(os);
    settings.administrator = administrator;
    return settings;
}

// A whole list read the way programs read it: size query, then the read.
template <typename Call>
std::vector<BYTE> ReadList(Call call, DWORD& count) {
    DWORD needed = 0;
    count = 0;
    call(nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (!call(buffer.data(), needed, &needed, &count)) buffer.clear();
    return buffer;
}

}  // namespace spooler_test
