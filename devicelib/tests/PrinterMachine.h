// The machine the printer tests share (the spooler tests' printers on "DOT4_001", "USB001", "LPT1:" and
// "FILE:", and on Windows NT the connection to "\\srv\p1"), a model database that knows its driver, and
// a look at the spooler mutex from another thread.
#pragma once

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CFactory.h"
#include "CSecurity.h"
#include "CPrinter.h"
#include "CaseInsensitiveString.h"
#include "OsVersionTesting.h"
#include "SpoolerAccess.h"
#include "SpoolerAccessTesting.h"
#include "platform/winspool/tests/spooler_machine.h"

namespace printer_test {

using platform::OsKind;
using platform::StdoutCapture;
using platform::TestMachine;
using spooler_test::kAllSystems;

constexpr char kDriver[] = "QN Laser 1204";

// A machine of that system with the printers, and the factory printers find their model in.
class PrinterMachine {
  public:
    explicit PrinterMachine(OsKind os, bool administrator = true)
        : PrinterMachine(spooler_test::Settings(os, administrator)) {}
    explicit PrinterMachine(const platform::MachineSettings& settings) : machine_(settings) {
        OsKind os = settings.os.kind;
        ResetOsVersionRecordForTesting();
        ResetSpoolerMutexForTesting();
        // The security attributes of named objects are built once per process; on 9x, where they cannot
        // be, the first named object says so. That happens here, not in a test's captured output.
        StdoutCapture securityLines;
        static_cast<SECURITY_ATTRIBUTES*>(GetGlobalSecurity());
        securityLines.Take();
        machine_.Registry(spooler_test::MachineText(os));
        machine_.File("C:\\qn\\models.dat", std::string("[Models]\r\nm=Laser\r\n[Laser]\r\ndrivername=") + kDriver +
                                               "\r\npml=1\r\ncard=1\r\n");
        machine_.File("C:\\qn\\qnvins08.dat", "[Version]\r\nInfrastructureDatabaseList=models.dat\r\n");
        StdoutCapture factoryLines;  // the model file has no INF lists, which the factory says
        factory_ = std::make_unique<CFactory>("C:\\qn\\qnvins08.dat");
        SetDeviceFactory(factory_.get());
    }
    ~PrinterMachine() {
        SetDeviceFactory(nullptr);
        ResetSpoolerMutexForTesting();
        ResetOsVersionRecordForTesting();
    }
    TestMachine& machine() { return machine_; }

  private:
    TestMachine machine_;
    std::unique_ptr<CFactory> factory_;
};

// Whether another thread can take the spooler mutex at once (this thread's own hold does not count).
inline bool SpoolerMutexFree() {
    HANDLE handle = SpoolerMutex().GetHandle();
    bool free = false;
    std::thread other([&] {
        free = WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        if (free) ReleaseMutex(handle);
    });
    other.join();
    return free;
}

inline std::vector<std::string> Items(const CaseInsensitiveStringList& list) {
    std::vector<std::string> items;
    for (const CaseInsensitiveString& item : list) items.emplace_back(item.data(), item.size());
    return items;
}

}  // namespace printer_test
