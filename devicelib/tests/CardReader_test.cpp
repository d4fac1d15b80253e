// A USB printer's port device and the drive letter of its memory-card reader, found through the tree of
// Plug and Play devices and the model's device ids.
#include <gtest/gtest.h>

#include <string>

#include "CDevInfoSet.h"
#include "CDeviceObject.h"
#include "CPort.h"
#include "DeviceApisTesting.h"
#include "DeviceTestMachines.h"
#include "ErrorCodes.h"
#include "PrinterMachine.h"

namespace {

using namespace printer_test;

class CardReaderTest : public ::testing::TestWithParam<OsKind> {
  protected:
    CardReaderTest() : test_(Settings()) {
        test_.machine().Registry(device_test::kNtDevices);
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
        test_.machine().File("C:\\qn\\card.dat", std::string("[Models]\r\nm=Card\r\n[Card]\r\ndrivername=") +
                                                     kDriver + "\r\n" + lines);
        test_.machine().File("C:\\qn\\cardins.dat", "[Version]\r\nInfrastructureDatabaseList=card.dat\r\n");
        StdoutCapture factoryLines;
        factory_ = std::make_unique<CFactory>("C:\\qn\\cardins.dat");
        SetDeviceFactory(factory_.get());
    }
    PrinterMachine test_;
    std::unique_ptr<CFactory> factory_;
};

INSTANTIATE_TEST_SUITE_P(Systems, CardReaderTest, ::testing::Values(OsKind::WindowsXP, OsKind::Windows2000),
                         [](const ::testing::TestParamInfo<OsKind>& info) {
                             return platform::OsKindName(info.param);
                         });

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
        {"no ids", "card=1\r\n", "Laser USB", ERROR_NOT_FOUND, 0,
         kTopOfTree + NotFound("FindTopMostAncestor")},
        {"no card", "usbid=USB\\VID_04B8&PID_0820\r\n", "Laser USB", ERROR_NOT_FOUND, 0, ""},
        {"port without a device", "card=1\r\nusbid=USB\\VID_04B8&PID_0820\r\n", "Laser DOT4", ERROR_NOT_FOUND,
         0, "EnumDevicesInterface can not find the instance for DOT4_001:\n" + NotFound("port.GetDevice")},
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
    EXPECT_STREQ(device_test::kPrinter, id.c_str());
    CPort none, dot4;
    dot4.Init("DOT4_001");
    StdoutCapture output;
    EXPECT_EQ(ERROR_INVALID_DRIVE, none.GetDeviceInstanceID(id));
    EXPECT_EQ(ERROR_NOT_FOUND, dot4.GetDeviceInstanceID(id));
    EXPECT_EQ(
        "GetDeviceInstanceID uninitilaized object failed\n"
        "EnumDevicesInterface can not find the instance for DOT4_001:\n",
        output.Take());
}

}  // namespace
