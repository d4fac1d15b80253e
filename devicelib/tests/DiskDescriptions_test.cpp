// Whether a drive is the card reader of a supported printer: the drive's disk and the printer's DOT4 port
// hang from one USB device; other drives and failing steps.
#include <gtest/gtest.h>

#include <string>

#include "CDeviceObject.h"
#include "DeviceApisTesting.h"
#include "DeviceTestMachines.h"
#include "DiskDescriptions.h"
#include "ErrorCodes.h"
#include "PrinterMachine.h"

namespace {

using namespace printer_test;
using namespace device_test;

// Drive C: is the volume of a hard disk on the IDE controller, which hangs from no USB or parallel-port
// device.
constexpr const char* kHardDisk = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\IDE\DISKMAXTOR\5&1&0]
"Class"="DiskDrive"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\IDE\DISKMAXTOR\5&1&0\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\STORAGE\VOLUME\1&30]
"Class"="Volume"
"Parent"="IDE\\DISKMAXTOR\\5&1&0"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\STORAGE\VOLUME\1&30\Control]
"PhysicalDeviceObjectName"="\\Device\\HarddiskVolume1"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\##?#STORAGE#Volume#1&30#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}]
"DeviceInstance"="STORAGE\\VOLUME\\1&30"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\##?#STORAGE#Volume#1&30#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\#]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager\DOS Devices]
"C:"="\\Device\\HarddiskVolume1"
)";

// The climb up the device tree ends at its root, which has no parent; the device library traces that.
constexpr char kTopOfTree[] = "CM_Get_Parent failed with cfgmgr32 error 13\n";
constexpr char kNoDot4Device[] = "EnumDevicesInterface can not find the instance for DOT4_001:\n";

platform::MachineSettings WithCardDrive(platform::MachineSettings settings) {
    settings.drives.push_back(platform::DriveInfo{'E', DRIVE_REMOVABLE});
    return settings;
}

class DiskDescriptionTest : public ::testing::TestWithParam<OsKind> {
  protected:
    DiskDescriptionTest() : test_(WithCardDrive(spooler_test::Settings(GetParam()))) {
        const bool nt = GetParam() != OsKind::Windows98;
        test_.machine().Registry(nt ? kNtDevices : k9xDevices);
        if (nt) test_.machine().Registry(kHardDisk);
        ResetDeviceApisForTesting();
    }
    ~DiskDescriptionTest() override { ResetDeviceApisForTesting(); }

    struct Row {
        const char* what;
        char letter;
        size_t size;
        long result;
        const char* description;
        std::string lines;
    };
    void Check(const Row& row) {
        SCOPED_TRACE(row.what);
        char description[32] = "unchanged";
        StdoutCapture output;
        EXPECT_EQ(row.result, GetDiskDescription(row.letter, description, row.size));
        EXPECT_STREQ(row.description, description);
        EXPECT_EQ(row.lines, output.Take());
    }
    PrinterMachine test_;
};

INSTANTIATE_TEST_SUITE_P(Systems, DiskDescriptionTest, ::testing::Values(OsKind::WindowsXP, OsKind::Windows98),
                         [](const ::testing::TestParamInfo<OsKind>& info) { return platform::OsKindName(info.param); });

TEST_P(DiskDescriptionTest, TheCardReaderOfTheSupportedPrinterOnItsDot4Port) {
    if (GetParam() == OsKind::Windows98) GTEST_SKIP() << "Windows 98 has no interface keys for the DOT4 port";
    test_.machine().Registry(kDot4Device);
    const Row rows[] = {
        {"card reader", 'e', 32, ERR_NOERROR, "Laser DOT4", ""},
        {"name too long", 'E', 10, ERR_BUFFEROVERFLOW, "", ""},
        {"plain hard disk", 'C', 32, ERROR_NOT_FOUND, "", kTopOfTree},
        {"floppy", 'A', 32, ERROR_NOT_FOUND, "", ""},
    };
    for (const Row& row : rows) Check(row);
    // Without a model database no printer is supported (each of the four says so), and the supported
    // port names the card reader.
    SetDeviceFactory(nullptr);
    std::string noModel;
    for (int printer = 0; printer < 4; ++printer) noModel += "FactorADeviceModel failed\n";
    Check({"port only", 'E', 32, ERR_NOERROR, "DOT4_001", noModel});
}

TEST_P(DiskDescriptionTest, DrivesOfNoSupportedDevice) {
    // The card reader's USB device has no DOT4 device present, so neither the port nor the printer
    // shares it.
    const std::string noDevice = std::string(kNoDot4Device) + kNoDot4Device;
    const Row rows[] = {
        {"card reader without the DOT4 device", 'E', 32, ERROR_NOT_FOUND, "", noDevice},
        {"floppy", 'A', 32, ERROR_NOT_FOUND, "",
         GetParam() == OsKind::Windows98 ? "GetDeviceInstanceID can not find the instance for A:\n" : ""},
    };
    for (const Row& row : rows) Check(row);
}

TEST_P(DiskDescriptionTest, InvalidParameters) {
    const std::string invalid = "GetDiskDescription2 invalid parameters failed\n";
    Check({"no room", 'E', 0, ERROR_INVALID_PARAMETER, "unchanged", invalid});
    StdoutCapture output;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetDiskDescription('E', nullptr, 32));
    CDeviceObject detached;
    char description[32];
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetDiskDescription2(detached, description, sizeof description));
    EXPECT_EQ(invalid + invalid, output.Take());
}

TEST(DiskDescription, MachineWithoutTheSetUpLibrary) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsXP);
    settings.absentLibraries.insert("SETUPAPI.DLL");
    TestMachine machine(settings);
    ResetDeviceApisForTesting();
    char description[32] = "";
    StdoutCapture output;
    EXPECT_EQ(ERROR_PROC_NOT_FOUND, GetDiskDescription('E', description, sizeof description));
    EXPECT_EQ("Unable to load setupapi.dll\nGetDiskDescription uninitilaized object failed\n", output.Take());
    ResetDeviceApisForTesting();
}

}  // namespace
