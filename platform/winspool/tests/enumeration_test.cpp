// The enumeration calls on every system: the size protocol, levels, flags, what each record holds, and
// the growth and failure hooks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "spooler_machine.h"

namespace {

using namespace spooler_test;
using platform::TestMachine;

using EnumCall = std::function<BOOL(LPBYTE, DWORD, LPDWORD, LPDWORD)>;

EnumCall Printers(DWORD flags, DWORD level) {
    return [=](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return EnumPrintersA(flags, nullptr, level, buffer, size, needed, returned);
    };
}
EnumCall Ports(DWORD level) {
    return [=](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return EnumPortsA(nullptr, level, buffer, size, needed, returned);
    };
}
EnumCall Monitors(DWORD level) {
    return [=](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return EnumMonitorsA(nullptr, level, buffer, size, needed, returned);
    };
}
EnumCall Drivers(const char* environment, DWORD level) {
    return [=](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return EnumPrinterDriversA(nullptr, const_cast<LPSTR>(environment), level, buffer, size, needed,
                                   returned);
    };
}

TEST(SpoolerEnumeration, SizeQueryThenReadOnEverySystem) {
    struct Row {
        const char* what;
        std::function<EnumCall(OsKind)> call;
        size_t recordSize;
        int nameField;  // which pointer of the record is the name
        DWORD countNT, count9x;
    } rows[] = {
        {"printers 2", [](OsKind) { return Printers(PRINTER_ENUM_LOCAL, 2); }, sizeof(PRINTER_INFO_2A), 1, 4,
         4},
        {"printers 5", [](OsKind) { return Printers(PRINTER_ENUM_LOCAL, 5); }, sizeof(PRINTER_INFO_5A), 0, 4,
         4},
        {"ports 2", [](OsKind) { return Ports(2); }, sizeof(PORT_INFO_2A), 0, 5, 5},
        {"monitors 1", [](OsKind) { return Monitors(1); }, sizeof(MONITOR_INFO_1A), 0, 3, 3},
        {"drivers 3", [](OsKind) { return Drivers(nullptr, 3); }, sizeof(DRIVER_INFO_3A), 1, 1, 1},
    };
    for (OsKind os : kAllSystems) {
        TestMachine machine(os);
        machine.Registry(MachineText(os));
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.what) + " on " + platform::OsKindName(os));
            EnumCall call = row.call(os);
            DWORD needed = 0, count = 7;
            SetLastError(0);
            EXPECT_FALSE(call(nullptr, 0, &needed, &count));
            EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
            EXPECT_EQ(0u, count);
            DWORD expected = IsNT(os) ? row.countNT : row.count9x;
            ASSERT_GT(needed, expected * row.recordSize);
            std::vector<BYTE> buffer(needed + 16, 0xCD);
            // One byte short is still too small.
            EXPECT_FALSE(call(buffer.data(), needed - 1, &needed, &count));
            EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
            EXPECT_EQ(0u, count);
            ASSERT_TRUE(call(buffer.data(), needed, &needed, &count));
            EXPECT_EQ(expected, count);
            // Nothing is written past the size asked for.
            EXPECT_EQ(0xCD, buffer[needed]);
            // Every string lies in the buffer, after the records.
            auto* pointers = reinterpret_cast<LPSTR*>(buffer.data());
            LPSTR name = pointers[row.nameField];
            ASSERT_NE(nullptr, name);
            EXPECT_GE(reinterpret_cast<BYTE*>(name), buffer.data() + count * row.recordSize);
            EXPECT_LT(reinterpret_cast<BYTE*>(name), buffer.data() + needed);
        }
    }
}

TEST(SpoolerEnumeration, LevelsPerSystem) {
    struct Row {
        const char* what;
        EnumCall call;
        bool nt, windows9x;  // whether the level exists
    } rows[] = {
        {"printers 1", Printers(PRINTER_ENUM_LOCAL, 1), true, true},
        {"printers 2", Printers(PRINTER_ENUM_LOCAL, 2), true, true},
        {"printers 3", Printers(PRINTER_ENUM_LOCAL, 3), false, false},
        {"printers 4", Printers(PRINTER_ENUM_LOCAL, 4), true, false},
        {"printers 5", Printers(PRINTER_ENUM_LOCAL, 5), true, true},
        {"ports 1", Ports(1), true, true},
        {"ports 3", Ports(3), false, false},
        {"monitors 2", Monitors(2), true, true},
        {"monitors 3", Monitors(3), false, false},
        {"drivers 1", Drivers(nullptr, 1), true, true},
        {"drivers 4", Drivers(nullptr, 4), false, false},
    };
    for (OsKind os : kAllSystems) {
        TestMachine machine(os);
        machine.Registry(MachineText(os));
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.what) + " on " + platform::OsKindName(os));
            DWORD needed = 0, count = 0;
            SetLastError(0);
            row.call(nullptr, 0, &needed, &count);
            bool exists = IsNT(os) ? row.nt : row.windows9x;
            EXPECT_EQ(exists ? static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)
                             : static_cast<DWORD>(ERROR_INVALID_LEVEL),
                      GetLastError());
        }
    }
}

TEST(SpoolerEnumeration, LocalPrintersAndConnections) {
    struct Row {
        OsKind os;
        DWORD flags;
        std::vector<std::string> names;
    } rows[] = {
        {OsKind::WindowsXP, PRINTER_ENUM_LOCAL, {"Laser DOT4", "Laser LPT", "Laser USB", "To file"}},
        {OsKind::WindowsXP, PRINTER_ENUM_CONNECTIONS, {"\\\\srv\\p1"}},
        {OsKind::Windows2000,
         PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS,
         {"Laser DOT4", "Laser LPT", "Laser USB", "To file", "\\\\srv\\p1"}},
        {OsKind::WindowsNT4, PRINTER_ENUM_CONNECTIONS, {"\\\\srv\\p1"}},
        {OsKind::Windows98, PRINTER_ENUM_LOCAL, {"Laser DOT4", "Laser LPT", "Laser USB", "To file"}},
        {OsKind::WindowsMe, PRINTER_ENUM_CONNECTIONS, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os) + " flags " + std::to_string(row.flags));
        TestMachine machine(row.os);
        machine.Registry(MachineText(row.os));
        // The connection exists in the user's registry on Windows 9x too; that system lists none.
        if (!IsNT(row.os)) machine.Registry(platform::spooler_testing::ConnectionText("srv", "p1"));
        DWORD count = 0;
        std::vector<BYTE> buffer = ReadList(Printers(row.flags, 5), count);
        std::vector<std::string> names;
        for (DWORD index = 0; index < count; ++index)
            names.push_back(reinterpret_cast<PRINTER_INFO_5A*>(buffer.data())[index].pPrinterName);
        EXPECT_EQ(row.names, names);
    }
}

TEST(SpoolerEnumeration, PrinterRecordsByLevel) {
    TestMachine machine(OsKind::WindowsXP);
    machine.Registry(MachineText(OsKind::WindowsXP));
    DWORD count = 0;
    std::vector<BYTE> buffer = ReadList(Printers(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, 4), count);
    ASSERT_EQ(5u, count);
    auto* fourth = reinterpret_cast<PRINTER_INFO_4A*>(buffer.data());
    EXPECT_EQ(nullptr, fourth[0].pServerName);
    EXPECT_EQ(static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL), fourth[0].Attributes);
    EXPECT_STREQ("\\\\srv", fourth[4].pServerName);
    EXPECT_EQ(static_cast<DWORD>(PRINTER_ATTRIBUTE_NETWORK | PRINTER_ATTRIBUTE_SHARED), fourth[4].Attributes);

    buffer = ReadList(Printers(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, 2), count);
    auto* second = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
    const char* ports[] = {"DOT4_001", "LPT1:", "USB001", "FILE:", "NE00:"};
    for (DWORD index = 0; index < count; ++index) {
        EXPECT_STREQ(ports[index], second[index].pPortName);
        EXPECT_STREQ("QN Laser 1204", second[index].pDriverName);
    }
    EXPECT_STREQ("p1", second[4].pShareName);

    buffer = ReadList(Printers(PRINTER_ENUM_LOCAL, 1), count);
    auto* first = reinterpret_cast<PRINTER_INFO_1A*>(buffer.data());
    EXPECT_STREQ("Laser DOT4,QN Laser 1204,", first[0].pDescription);
    EXPECT_EQ(static_cast<DWORD>(PRINTER_ENUM_ICON8), first[0].Flags);
}

TEST(SpoolerEnumeration, PortsKnowTheirMonitor) {
    for (OsKind os : kAllSystems) {
        SCOPED_TRACE(platform::OsKindName(os));
        TestMachine machine(os);
        machine.Registry(MachineText(os));
        DWORD count = 0;
        std::vector<BYTE> buffer = ReadList(Ports(2), count);
        ASSERT_EQ(5u, count);
        auto* ports = reinterpret_cast<PORT_INFO_2A*>(buffer.data());
        struct Expected {
            const char *port, *monitor, *description;
        };
        // Windows NT lists the ports monitor by monitor; Windows 9x keeps one list of them.
        std::vector<Expected> expected = {
            {"COM1:", "Local Port", "Local Port"},
            {"FILE:", "Local Port", "Local Port"},
            {"LPT1:", "Local Port", "Local Port"},
            {"DOT4_001", "qnhDot4", "Dot4 print port"},
            {"USB001", "USB Monitor", "Virtual printer port for USB"},
        };
        if (!IsNT(os)) {
            expected = {{"COM1:", "Local Port", "Local Port"},
                        {"DOT4_001", "qnhDot4", "Dot4 print port"},
                        {"FILE:", "Local Port", "Local Port"},
                        {"LPT1:", "Local Port", "Local Port"},
                        {"USB001", "USB Monitor", "Virtual printer port for USB"}};
        }
        for (DWORD index = 0; index < count; ++index) {
            EXPECT_STREQ(expected[index].port, ports[index].pPortName);
            EXPECT_STREQ(expected[index].monitor, ports[index].pMonitorName);
            EXPECT_STREQ(expected[index].description, ports[index].pDescription);
            EXPECT_EQ(static_cast<DWORD>(PORT_TYPE_WRITE), ports[index].fPortType);
        }
    }
}

TEST(SpoolerEnumeration, DriversPerEnvironment) {
    struct Row {
        OsKind os;
        const char* environment;
        BOOL result;
        DWORD error;
        DWORD count;
        const char* driverPath;
    } rows[] = {
        {OsKind::WindowsXP, nullptr, TRUE, 0, 1,
         "C:\\WINDOWS\\System32\\spool\\DRIVERS\\W32X86\\3\\qnlas1204.dll"},
        {OsKind::WindowsXP, "Windows NT x86", TRUE, 0, 1, nullptr},
        {OsKind::WindowsXP, "Windows 4.0", TRUE, 0, 0, nullptr},
        {OsKind::WindowsXP, "Windows 3.1", FALSE, ERROR_INVALID_ENVIRONMENT, 0, nullptr},
        {OsKind::Windows98, nullptr, TRUE, 0, 1, "C:\\WINDOWS\\SYSTEM\\qnlas1204.dll"},
        {OsKind::WindowsMe, "Windows NT x86", FALSE, ERROR_INVALID_ENVIRONMENT, 0, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os) + " " + (row.environment ? row.environment : "(null)"));
        TestMachine machine(row.os);
        machine.Registry(MachineText(row.os));
        DWORD needed = 0, count = 0;
        SetLastError(0);
        BOOL sized = Drivers(row.environment, 2)(nullptr, 0, &needed, &count);
        if (!row.result) {
            EXPECT_FALSE(sized);
            EXPECT_EQ(row.error, GetLastError());
            continue;
        }
        std::vector<BYTE> buffer = ReadList(Drivers(row.environment, 2), count);
        EXPECT_EQ(row.count, count);
        if (row.driverPath) {
            auto* driver = reinterpret_cast<DRIVER_INFO_2A*>(buffer.data());
            std::string expected =
                machine.machine().settings().systemFolder + "\\" +
                (IsNT(row.os) ? "spool\\DRIVERS\\W32X86\\3\\qnlas1204.dll" : "qnlas1204.dll");
            EXPECT_STREQ(expected.c_str(), driver->pDriverPath);
            EXPECT_STREQ(IsNT(row.os) ? "Windows NT x86" : "Windows 4.0", driver->pEnvironment);
            EXPECT_EQ(IsNT(row.os) ? 3u : 0u, driver->cVersion);
        }
    }
}

TEST(SpoolerEnumeration, ListGrowsBetweenSizeQueryAndRead) {
    for (int times : {1, 2}) {
        SCOPED_TRACE(times);
        TestMachine machine(OsKind::WindowsXP);
        machine.Registry(MachineText(OsKind::WindowsXP));
        platform::spooler_testing::GrowList(machine, "EnumPrintersA", times);
        int reads = 0;
        DWORD needed = 0, count = 0;
        bool read = false;
        for (int attempt = 0; attempt < 3 && !read; ++attempt) {
            EnumPrintersA(6, nullptr, 4, nullptr, 0, &needed, &count);
            std::vector<BYTE> buffer(needed);
            DWORD asked = needed;
            ++reads;
            read = EnumPrintersA(6, nullptr, 4, buffer.data(), asked, &needed, &count);
            if (!read) {
                EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
                EXPECT_GT(needed, asked);
                EXPECT_EQ(0u, count);
            }
        }
        EXPECT_TRUE(read);
        EXPECT_EQ(times + 1, reads);
        EXPECT_EQ(5u, count);
    }
}

TEST(SpoolerEnumeration, CallFailsAGivenNumberOfTimes) {
    for (OsKind os : {OsKind::Windows98, OsKind::WindowsMe}) {
        TestMachine machine(os);
        machine.Registry(MachineText(os));
        platform::spooler_testing::FailCall(machine, "EnumPrintersA", ERROR_INVALID_PARAMETER, 2);
        DWORD needed = 5, count = 5;
        for (int attempt = 0; attempt < 2; ++attempt) {
            EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 5, nullptr, 0, &needed, &count));
            EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
            EXPECT_EQ(0u, needed);
            EXPECT_EQ(0u, count);
        }
        EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 5, nullptr, 0, &needed, &count));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
        EXPECT_GT(needed, 0u);
    }
}

TEST(SpoolerEnumeration, EmptyListsSucceedWithoutABuffer) {
    TestMachine machine(OsKind::Windows2000);
    DWORD needed = 9, count = 9;
    EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count));
    EXPECT_EQ(0u, needed);
    EXPECT_EQ(0u, count);
    EXPECT_TRUE(EnumPrinterDriversA(nullptr, nullptr, 2, nullptr, 0, &needed, &count));
    EXPECT_EQ(0u, count);
    // A fresh machine has the Local Port monitor's LPT1:, COM1: and FILE:.
    EXPECT_FALSE(EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &count));
    ASSERT_EQ(3u, count);
    const auto* ports = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
    std::vector<std::string> names;
    for (DWORD index = 0; index < count; ++index) names.push_back(ports[index].pName);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"COM1:", "FILE:", "LPT1:"}), names);
}

}  // namespace
