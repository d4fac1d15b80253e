// A USB printer's port device and the drive letter of its memory-card reader, found through the tree of
// Plug and Play devices and the model's device ids.
#include <gtest/gtest.h>

#include <string>

#include "CDevInfoSet.h"
#include "CDeviceObject.h"
#include "CPort.h"
#include "DeviceApisTesting.h"
#include "ErrorCodes.h"
#include "PrinterMachine.h"

namespace {

using namespace printer_test;

constexpr char kPrinterDevice[] = "USBPRINT\\AIOPRINTER\\8&CD&0&USB001";

// The printer's composite USB device with its printing function (port USB001) and its card reader,
// whose volume is drive E:; drive A: is a floppy drive without a Plug and Play volume.
constexpr const char* kDevices = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E967-E325-11CE-BFC1-08002BE10318}]
"Class"="DiskDrive"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{36FC9E60-C465-11CF-8056-444553540000}]
"Class"="USB"
"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_04B8&PID_0820\SERIAL1]
"Class"="USB"
"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_04B8&PID_0820\SERIAL1\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_04B8&PID_0820&MI_00\7&AB&0&0000]
"Class"="USB"
"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"
"Parent"="USB\\VID_04B8&PID_0820\\SERIAL1"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_04B8&PID_0820&MI_00\7&AB&0&0000\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_04B8&PID_0820&MI_01\7&AB&0&0001]
"Class"="USB"
"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"
"Parent"="USB\\VID_04B8&PID_0820\\SERIAL1"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_04B8&PID_0820&MI_01\7&AB&0&0001\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USBPRINT\AIOPRINTER\8&CD&0&USB001]
"Class"="Printer"
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"
"Parent"="USB\\VID_04B8&PID_0820&MI_00\\7&AB&0&0000"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USBPRINT\AIOPRINTER\8&CD&0&USB001\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USBSTOR\DISK&VEN_AIO&PROD_CARD_READER&REV_1.00\8&EF&0]
"Class"="DiskDrive"
"ClassGUID"="{4D36E967-E325-11CE-BFC1-08002BE10318}"
"Parent"="USB\\VID_04B8&PID_0820&MI_01\\7&AB&0&0001"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USBSTOR\DISK&VEN_AIO&PROD_CARD_READER&REV_1.00\8&EF&0\Control]
"PhysicalDeviceObjectName"="\\Device\\00000064"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\STORAGE\REMOVABLEMEDIA\9&12&0&RM]
"Class"="Volume"
"ClassGUID"="{71A27CDD-812A-11D0-BEC7-08002BE2092F}"
"Parent"="USBSTOR\\DISK&VEN_AIO&PROD_CARD_READER&REV_1.00\\8&EF&0"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\STORAGE\REMOVABLEMEDIA\9&12&0&RM\Control]
"PhysicalDeviceObjectName"="\\Device\\HarddiskVolume3"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\##?#USBPRINT#AIOPRINTER#8&CD&0&USB001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}]
"DeviceInstance"="USBPRINT\\AIOPRINTER\\8&CD&0&USB001"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\##?#USBPRINT#AIOPRINTER#8&CD&0&USB001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\#\Device Parameters]
"Base Name"="USB"
"Port Number"=dword:00000001
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\##?#STORAGE#RemovableMedia#9&12&0&RM#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}]
"DeviceInstance"="STORAGE\\REMOVABLEMEDIA\\9&12&0&RM"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\##?#STORAGE#RemovableMedia#9&12&0&RM#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\#]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager\DOS Devices]
"E:"="\\Device\\HarddiskVolume3"
"A:"="\\Device\\Floppy0"
)";

class CardReaderTest : public ::testing::TestWithParam<OsKind> {
  protected:
    CardReaderTest() : test_(Settings()) {
        test_.machine().Registry(kDevices);
        ResetDeviceApisForTesting();
    }
    ~CardReaderTest() override { ResetDeviceApisForTesting(); }
    platform::MachineSettings Settings() {
        platform::MachineSettings settings = spooler_test::Settings(GetParam());
        settings.drives.push_back(platform::DriveInfo{'E', DRIVE_REMOVABLE});
        return settings;
    }
    // A model database whose one model is the machine's driver with these ids.
    void Model(const std::string& lines) {
        test_.machine().File("C:\\qn\\card.dat", std::string("[Models]\r\nm=Card\r\n[Card]\r\ndrivername=") + kDriver +
                                                     "\r\n" + lines);
        test_.machine().File("C:\\qn\\cardins.dat", "[Version]\r\nInfrastructureDatabaseList=card.dat\r\n");
        StdoutCapture factoryLines;
        factory_ = std::make_unique<CFactory>("C:\\qn\\cardins.dat");
        SetDeviceFactory(factory_.get());
    }
    PrinterMachine test_;
    std::unique_ptr<CFactory> factory_;
};

INSTANTIATE_TEST_SUITE_P(Systems, CardReaderTest, ::testing::Values(OsKind::WindowsXP, OsKind::Windows2000),
                         [](const ::testing::TestParamInfo<OsKind>& info) { return platform::OsKindName(info.param); });

// The climb up the device tree ends at its root, which has no parent; the device library traces that.
constexpr char kTopOfTree[] = "CM_Get_Parent failed with cfgmgr32 error 13\n";

std::string NotFound(const char* step) {
    return std::string(step) + " failed with " + GetErrorString(ERROR_NOT_FOUND) + "\n";
}

TEST_P(CardReaderTest, DriveLetterOfTheCardReader) {
    struct Row {
        const char* what;
        std::string model;
        const char* printer;
        long result;
        char drive;
        std::string lines;
    } rows[] = {
        {"usb id", "card=1\r\nusbid=USB\\VID_04B8&PID_0820\r\n", "Laser USB", ERR_NOERROR, 'E',
         std::string(kTopOfTree) + kTopOfTree},
        {"parallel id matches no device", "card=1\r\nparbid=MFG:NONE;\r\n", "Laser USB", ERROR_NOT_FOUND, 0,
         kTopOfTree + NotFound("FindTopMostAncestor")},
        // Empty ids of the model match no device, so no drive is taken for the card reader.
        {"no ids", "card=1\r\n", "Laser USB", ERROR_NOT_FOUND, 0, kTopOfTree + NotFound("FindTopMostAncestor")},
        {"no card", "usbid=USB\\VID_04B8&PID_0820\r\n", "Laser USB", ERROR_NOT_FOUND, 0, ""},
        {"port without a device", "card=1\r\nusbid=USB\\VID_04B8&PID_0820\r\n", "Laser DOT4", ERROR_NOT_FOUND, 0,
         "EnumDevicesInterface can not find the instance for DOT4_001:\n" + NotFound("port.GetDevice")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Model(row.model);
        CPrinter printer;
        ASSERT_EQ(1u, printer.Init(row.printer, 99));
        char drive = 0;
        StdoutCapture output;
        EXPECT_EQ(row.result, printer.GetCardDriveLetter(drive));
        EXPECT_EQ(row.drive, drive);
        EXPECT_EQ(row.lines, output.Take());
    }
}

TEST_P(CardReaderTest, DeviceOfAPort) {
    CPort port;
    port.Init("usb001");
    CaseInsensitiveString id;
    EXPECT_EQ(ERR_NOERROR, port.GetDeviceInstanceID(id));
    EXPECT_STREQ(kPrinterDevice, id.c_str());
    CPort none, dot4;
    dot4.Init("DOT4_001");
    StdoutCapture output;
    EXPECT_EQ(ERROR_INVALID_DRIVE, none.GetDeviceInstanceID(id));
    EXPECT_EQ(ERROR_NOT_FOUND, dot4.GetDeviceInstanceID(id));
    EXPECT_EQ("GetDeviceInstanceID uninitilaized object failed\n"
              "EnumDevicesInterface can not find the instance for DOT4_001:\n",
              output.Take());
}

}  // namespace
