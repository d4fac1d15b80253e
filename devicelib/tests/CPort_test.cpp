// Port names as the library classifies them: supported DOT4 ports, addresses, direct connections, the
// infrared port on NT and 9x, and names too long to keep.
#include "CPort.h"

#include <gtest/gtest.h>

#include <string>

#include "ErrorCodes.h"
#include "PrinterMachine.h"

namespace {

using namespace printer_test;
namespace testing_text = platform::spooler_testing;

TEST(CPortTest, InitKeepsNamesShorterThanAPath) {
    CPort port;
    StdoutCapture output;
    EXPECT_EQ(ERR_INVALIDPOINTER, port.Init(nullptr));
    EXPECT_EQ(ERR_BADPARAMETER, port.Init(std::string(MAX_PATH, 'P').c_str()));
    EXPECT_EQ("CPort::Init(pPortName==NULL) failed returning ERR_INVALIDPOINTER\n"
              "CPort::Init() checking _tcslen(pPortName)<sizeof(_portName)/sizeof(TChar) failed returning "
              "ERR_BADPARAMETER\n",
              output.Take());
    EXPECT_EQ(ERR_NOERROR, port.Init(std::string(MAX_PATH - 1, 'P').c_str()));
    EXPECT_EQ(std::string(MAX_PATH - 1, 'P'), port.GetName());
}

TEST(CPortTest, ClassifiesByName) {
    struct Row {
        const char* name;
        unsigned int supported, noIO;
        const char* lines;
    } rows[] = {
        {"dot4_001", 1, 0, ""},
        {"DOT4_002", 1, 0, ""},
        {"USB001", 0, 0, ""},
        {"FILE:", 0, 1, ""},
        {"file:", 0, 1, ""},
        {"\\\\srv\\p", 0, 0, "UNC printers not supported on \\\\srv\\p\n"},
        {"", 0, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CPort port;
        ASSERT_EQ(ERR_NOERROR, port.Init(row.name));
        StdoutCapture output;
        EXPECT_EQ(row.supported, port.IsSupported());
        EXPECT_EQ(row.noIO, port.IsNoIO());
        EXPECT_EQ(row.noIO, port.IsFILEConnected());
        EXPECT_EQ(0u, port.IsFakeIO());
        EXPECT_EQ(row.lines, output.Take());
    }
}

TEST(CPortTest, AddressesOfPortsThatHaveOne) {
    struct Row {
        const char* name;
        bool buffer;
        unsigned long size;
        long result;
        const char* address;
        const char* lines;
    } rows[] = {
        {"COM2:", true, 100, ERR_PORTNOTSUPPORTED, "", ""},
        {"com4:", true, 100, ERR_PORTNOTSUPPORTED, "", ""},
        {"LPT1:", true, 100, ERR_NOERROR, "LPT1:", ""},
        {"LPT1:", true, 6, ERR_NOERROR, "LPT1:", ""},
        {"LPT1:", true, 5, ERR_BUFFEROVERFLOW, "",
         "CPort::GetAddress() checking size failed returning ERR_BUFFEROVERFLOW\n"},
        {"FILE:", true, 100, ERR_NOERROR, "FILE:", ""},
        {"NET_DOT4_001", true, 100, ERR_NOERROR, "NET_DOT4_001", ""},
        {"USB001", true, 100, ERR_UNKNOWN, "", ""},
        {"", true, 100, ERR_UNKNOWN, "", "CPort::GetAddress() cheching _portName[0] failed returning ERR_UNKNOWN\n"},
        {"LPT1:", false, 100, ERR_INVALIDPOINTER, "",
         "CPort::GetAddress(pAddress==NULL,) failed returning ERR_INVALIDPOINTER\n"},
        {"LPT1:", true, 0, ERR_BADPARAMETER, "", "CPort::GetAddress(,size==0) failed returning ERR_BADPARAMETER\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " " + std::to_string(row.size));
        CPort port;
        port.Init(row.name);
        char address[100] = "";
        StdoutCapture output;
        EXPECT_EQ(row.result, port.GetAddress(row.buffer ? address : nullptr, row.size));
        EXPECT_EQ(row.lines, output.Take());
        EXPECT_STREQ(row.address, address);
    }
}

TEST(CPortTest, PortNumberIsTheNameWithItsLength) {
    CPort port;
    EXPECT_EQ(0ul, port.GetPortNumber(nullptr));
    port.Init("LPT1:");
    char number[MAX_PATH] = "";
    EXPECT_EQ(6ul, port.GetPortNumber(nullptr));
    EXPECT_EQ(6ul, port.GetPortNumber(number));
    EXPECT_STREQ("LPT1:", number);
}

TEST(CPortTest, DirectConnections) {
    TestMachine machine(OsKind::WindowsXP);
    machine.Registry("[HKEY_CURRENT_USER\\Network\\Persistent\\LPT2]\n\"RemotePath\"=\"\\\\\\\\srv\\\\p\"\n"
                     "[HKEY_CURRENT_USER\\Network\\Persistent\\LPT3]\n\"UserName\"=\"me\"\n");
    struct Row {
        const char* name;
        unsigned int direct;
    } rows[] = {{"LPT1:", 1}, {"lpt1:", 1}, {"LPT2:", 0}, {"LPT3:", 1}, {"LPT1", 0},  {"LPT12", 0},
                {"DOT4_001", 1}, {"dot4", 1}, {"USB001", 0}, {"FILE:", 0}, {"", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CPort port;
        port.Init(row.name);
        EXPECT_EQ(row.direct, port.IsDirectConnect());
        EXPECT_EQ(row.direct, CPort::IsDirectConnect(row.name));
    }
    StdoutCapture output;
    EXPECT_EQ(0u, CPort::IsDirectConnect(nullptr));
    EXPECT_EQ("pPortName failed\n", output.Take());
}

TEST(CPortTest, InfraredPortOnEachSystem) {
    const std::string irKey = "[HKEY_LOCAL_MACHINE\\Enum\\INFRARED\\VirtualPorts]\n";
    struct Row {
        OsKind os;
        std::string registry;
        const char* name;
        unsigned int infrared;
        const char* lines;
    } rows[] = {
        {OsKind::WindowsXP, "", "IR", 1, ""},
        {OsKind::WindowsXP, "", "ir1:", 1, ""},
        {OsKind::Windows2000, "", "I", 0, ""},  // shorter than the infrared port's name
        {OsKind::WindowsNT4, "", "", 0, ""},
        {OsKind::WindowsXP, "", "LPT1:", 0, ""},
        {OsKind::Windows98, irKey + "\"VirtualLptPortName\"=\"LPT3\"\n", "LPT3:", 1, ""},
        {OsKind::WindowsMe, irKey + "\"VirtualLptPortName\"=\"LPT3\"\n", "LPT", 0, ""},
        {OsKind::Windows98, irKey + "\"VirtualLptPortName\"=\"LPT3\"\n", "IR", 0, ""},
        {OsKind::Windows98, "", "LPT3:", 0, "No IR installed\n"},
        {OsKind::WindowsMe, irKey + "\"Other\"=\"x\"\n", "LPT3:", 0, "Error !!! unable to get VirtualLptPortName \n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os) + " " + row.name);
        TestMachine machine(row.os);
        ResetOsVersionRecordForTesting();
        if (!row.registry.empty()) machine.Registry(row.registry);
        CPort port;
        port.Init(row.name);
        StdoutCapture output;
        EXPECT_EQ(row.infrared, port.IsIrLPT());
        EXPECT_EQ(row.lines, output.Take());
    }
    ResetOsVersionRecordForTesting();
}

// The protected look-ups, as a class built on CPort reaches them.
class PortWithMonitor : public CPort {
  public:
    using CPort::GetPortInfo;
    using CPort::IsVersionOK;
    using CPort::ReleasePortInfo;
};

TEST(CPortTest, MonitorOfThePort) {
    PrinterMachine test(OsKind::WindowsXP);
    struct Row {
        const char* port;
        const char* monitor;  // null: not found
        const char* lines;
    } rows[] = {
        {"DOT4_001", "qnhDot4", ""},
        {"LPT1:", "Local Port", ""},
        {"lpt1:", nullptr, "CPort[lpt1:]::IsPortSupported() Can not find the port\n"},  // the exact name only
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.port);
        PortWithMonitor port;
        port.Init(row.port);
        StdoutCapture output;
        char* monitor = port.GetPortInfo();
        EXPECT_EQ(row.lines, output.Take());
        if (row.monitor) {
            ASSERT_NE(nullptr, monitor);
            EXPECT_STREQ(row.monitor, monitor);
        } else {
            EXPECT_EQ(nullptr, monitor);
        }
        PortWithMonitor::ReleasePortInfo(monitor);
        EXPECT_TRUE(SpoolerMutexFree());
    }
    testing_text::FailCall(test.machine(), "EnumPortsA", ERROR_ACCESS_DENIED, 1);
    PortWithMonitor port;
    port.Init("LPT1:");
    StdoutCapture output;
    EXPECT_EQ(nullptr, port.GetPortInfo());
    EXPECT_EQ("CPort[LPT1:]::IsPortSupported() EnumPorts fails (err = 5)\n", output.Take());
    EXPECT_TRUE(SpoolerMutexFree());
}

TEST(CPortTest, MonitorFileVersions) {
    TestMachine machine(OsKind::WindowsXP);
    machine.File("C:\\mon\\qnmon.dll", "#winstub program=qnmon\r\nFileVersion=2.0.0.8\r\nProductVersion=2.1.0.0\r\n");
    machine.File("C:\\mon\\plain.dll", "no version here");
    constexpr ULONGLONG kFile = 0x0002000000000008ull, kProduct = 0x0002000100000000ull;
    struct Row {
        const char* file;
        ULONGLONG product, fileVersion;
        unsigned int ok;
        const char* lines;
    } rows[] = {
        {"C:\\mon\\qnmon.dll", kProduct, kFile, 1, ""},
        {"C:\\mon\\qnmon.dll", kProduct - 1, 1, 1, ""},
        {"C:\\mon\\qnmon.dll", kProduct + 1, kFile, 0, ""},
        {"C:\\mon\\qnmon.dll", kProduct, kFile + 1, 0, ""},
        {"C:\\mon\\plain.dll", 1, 1, 0, "CPort[USB001]::IsPortSupported() GetFileVersionInfoSize() fails\n"},
        {"C:\\mon\\none.dll", 1, 1, 0, "CPort[USB001]::IsPortSupported() GetFileVersionInfoSize() fails\n"},
        {nullptr, 1, 1, 0, "pMonitor failed\n"},
        {"C:\\mon\\qnmon.dll", 0, 1, 0, "pMonitor failed\n"},
    };
    PortWithMonitor port;
    port.Init("USB001");
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.file ? row.file : "null") + " " + std::to_string(row.product));
        StdoutCapture output;
        EXPECT_EQ(row.ok, port.IsVersionOK(row.file, row.product, row.fileVersion));
        EXPECT_EQ(row.lines, output.Take());
    }
}

}  // namespace
