// Plug and Play devices through the library: walking a set, properties on NT and 9x, parents and
// children, the card reader's drive letter through the device tree, interface port names, and machines
// whose set-up libraries are absent or lack entry points.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CDevInfoSet.h"
#include "CDeviceInterfaceObject.h"
#include "CDeviceObject.h"
#include "DeviceApis.h"
#include "DeviceApisTesting.h"
#include "DeviceTestMachines.h"
#include "DeviceWalk.h"
#include "DiskDevices.h"
#include "ErrorCodes.h"
#include "OsVersionTesting.h"
#include "UsbDeviceSearches.h"
#include "devguid.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::OsKind;
using platform::StdoutCapture;
using platform::TestMachine;

using namespace device_test;

std::string IdOf(CDeviceObject& device) {
    CaseInsensitiveString id;
    EXPECT_EQ(device.GetDeviceID(id), ERR_NOERROR);
    return id.c_str();
}

// Each test reads the version and binds the libraries of its own machine.
class DeviceTest : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        ResetOsVersionRecordForTesting();
        ResetDeviceApisForTesting();
    }
};

class NtDeviceTest : public DeviceTest, public ::testing::WithParamInterface<OsKind> {
  protected:
    NtDeviceTest() : machine_(GetParam()) { machine_.Registry(kNtDevices); }
    TestMachine machine_;
};

INSTANTIATE_TEST_SUITE_P(Systems, NtDeviceTest, ::testing::Values(OsKind::WindowsXP, OsKind::Windows2000),
                         [](const ::testing::TestParamInfo<OsKind>& info) {
                             return "Windows" + platform::OsKindName(info.param);
                         });

TEST_P(NtDeviceTest, WalkEndsWithNoMoreDevicesAndRewindStartsAgain) {
    CDevInfoSet set;
    ASSERT_EQ(set.EnumSetupDevices(&GUID_DEVCLASS_DISKDRIVE), ERR_NOERROR);
    CDeviceObject device;
    ASSERT_EQ(set.NextDevice(device), ERR_NOERROR);
    EXPECT_EQ(IdOf(device), kCardReader);
    StdoutCapture output;
    EXPECT_EQ(set.NextDevice(device), ERROR_NO_MORE_DEVICES);
    EXPECT_EQ(set.NextDevice(device), ERROR_NO_MORE_DEVICES);
    EXPECT_EQ(output.Take(), "");
    set.Rewind();
    ASSERT_EQ(set.NextDevice(device), ERR_NOERROR);
    EXPECT_EQ(IdOf(device), kCardReader);

    // A copy is the same device of the same set; reopening the set replaces the one held.
    CDeviceObject copy(device);
    EXPECT_EQ(copy.GetInfoSet(), &set);
    EXPECT_EQ(IdOf(copy), kCardReader);
    ASSERT_EQ(set.EnumInterfaceDevices(&USB_PRINTING_INTERFACE), ERR_NOERROR);
    ASSERT_EQ(set.NextDevice(device), ERR_NOERROR);
    EXPECT_EQ(IdOf(device), kPrinter);
    EXPECT_EQ(set.Clear(), ERR_NOERROR);
    EXPECT_EQ(set.GetHandle(), INVALID_HANDLE_VALUE);
}

TEST_P(NtDeviceTest, PropertiesOfTheCardReader) {
    CDevInfoSet set;
    CDeviceObject reader;
    ASSERT_EQ(set.FindSetupDevice(&GUID_DEVCLASS_DISKDRIVE, reader, "\\device\\00000064"), ERR_NOERROR);
    struct Row {
        DWORD code;
        long result;
        const char* value;
    };
    const Row rows[] = {
        {SPDRP_FRIENDLYNAME, ERR_NOERROR, "AIO Card Reader USB Device"},
        {SPDRP_CLASS, ERR_NOERROR, "DiskDrive"},
        {SPDRP_HARDWAREID, ERR_NOERROR, "USBSTOR\\Disk"},
        {SPDRP_PHYSICAL_DEVICE_OBJECT_NAME, ERR_NOERROR, "\\Device\\00000064"},
        {SPDRP_MFG, ERROR_INVALID_DATA, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        CaseInsensitiveString value;
        StdoutCapture output;
        EXPECT_EQ(reader.GetProperty(row.code, value), row.result);
        EXPECT_STREQ(value.c_str(), row.value);
        EXPECT_EQ(output.Take(), "");
    }
    // Too small a buffer reports the size the value needs.
    BYTE small[4];
    DWORD needed = 0;
    EXPECT_EQ(reader.GetProperty(SPDRP_CLASS, nullptr, small, sizeof small, &needed),
              ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(needed, sizeof "DiskDrive");
    // A name not in the set is not found, and an empty name never matches.
    EXPECT_EQ(set.FindSetupDevice(&GUID_DEVCLASS_DISKDRIVE, reader, "\\Device\\Floppy0"), ERROR_NOT_FOUND);
    EXPECT_EQ(set.FindSetupDevice(&GUID_DEVCLASS_DISKDRIVE, reader, ""), ERROR_NOT_FOUND);
}

TEST_P(NtDeviceTest, ParentsChildrenAndAncestors) {
    CDevInfoSet set;
    CDeviceObject reader;
    ASSERT_EQ(set.FindSetupDevice(&GUID_DEVCLASS_DISKDRIVE, reader, "\\Device\\00000064"), ERR_NOERROR);
    CDeviceObject parent;
    ASSERT_EQ(reader.GetParent(parent), ERR_NOERROR);
    EXPECT_EQ(IdOf(parent), kStorageFunction);
    CDeviceObject child;
    ASSERT_EQ(parent.GetChild(child), ERR_NOERROR);
    EXPECT_EQ(IdOf(child), kCardReader);
    CaseInsensitiveString friendly;
    EXPECT_EQ(child.GetProperty(SPDRP_FRIENDLYNAME, friendly), ERR_NOERROR);

    CDeviceObject ancestor;
    auto isComposite = [](CDeviceObject& device) { return IdOf(device) == kComposite; };
    EXPECT_EQ(reader.FindAncestor(ancestor, isComposite), ERR_NOERROR);
    EXPECT_EQ(IdOf(ancestor), kComposite);
    CaseInsensitiveString mfg;
    EXPECT_EQ(ancestor.GetProperty(SPDRP_MFG, mfg), ERR_NOERROR);
    EXPECT_STREQ(mfg.c_str(), "Periferiche");

    // Past the root of the tree there is no parent.
    StdoutCapture output;
    EXPECT_EQ(reader.FindAncestor(ancestor, [](CDeviceObject&) { return false; }), CR_NO_SUCH_DEVNODE);
    EXPECT_EQ(IdOf(ancestor), "HTREE\\ROOT\\0");
    EXPECT_EQ(output.Take(), "CM_Get_Parent failed with cfgmgr32 error 13\n");
    ASSERT_EQ(reader.GetChild(child), ERR_NOERROR);
    EXPECT_EQ(IdOf(child), kVolume);
    EXPECT_EQ(child.GetChild(child), CR_NO_SUCH_DEVNODE);
}

TEST_P(NtDeviceTest, CardReaderDriveLetterThroughTheDeviceTree) {
    struct Row {
        char letter;
        long result;
        const char* id;
        const char* output;
    };
    const Row rows[] = {
        {'E', ERR_NOERROR, kVolume, ""},
        {'e', ERR_NOERROR, kVolume, ""},
        // The floppy drive has no Plug and Play volume: it is not taken for the card reader.
        {'A', ERROR_NOT_FOUND, "", ""},
        {'Q', ERROR_FILE_NOT_FOUND, "", "QueryDosDevice failed with "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.letter);
        CaseInsensitiveString id = "stale";
        StdoutCapture output;
        EXPECT_EQ(GetDiskDeviceInstanceID(row.letter, id), row.result);
        EXPECT_STREQ(id.c_str(), row.id);
        EXPECT_EQ(output.Take().substr(0, std::string(row.output).size()), row.output);
    }
    // The drive's top ancestor is the multifunction device, the same as its printer's.
    CDevInfoSet set;
    CDeviceObject volume;
    ASSERT_EQ(GetDiskDevice('E', set, volume), ERR_NOERROR);
    CDeviceObject top;
    auto isComposite = [](CDeviceObject& device) { return IdOf(device) == kComposite; };
    EXPECT_EQ(volume.FindAncestor(top, isComposite), ERR_NOERROR);

    // Two drives without a device have empty ids, which name no device.
    CaseInsensitiveString floppy, other;
    GetDiskDeviceInstanceID('A', floppy);
    GetDiskDeviceInstanceID('A', other);
    EXPECT_FALSE(SameDeviceID(floppy, other));
    EXPECT_TRUE(SameDeviceID(kVolume, "storage\\removablemedia\\9&12&0&rm"));
}

TEST_P(NtDeviceTest, PortNameOfThePrinterInterface) {
    CDevInfoSet set;
    ASSERT_EQ(set.EnumInterfaceDevices(&USB_PRINTING_INTERFACE), ERR_NOERROR);
    CDeviceObject printer;
    ASSERT_EQ(set.NextDevice(printer), ERR_NOERROR);
    CDeviceInterfaceObject printerInterface;
    ASSERT_EQ(printer.GetDeviceInterface(printerInterface), ERR_NOERROR);
    struct Row {
        size_t size;
        long result;
        const char* name;
    };
    const Row rows[] = {{32, ERR_NOERROR, "USB001"}, {7, ERR_NOERROR, "USB001"}, {6, ERR_BUFFEROVERFLOW, ""}};
    for (const Row& row : rows) {
        char name[32] = {};
        EXPECT_EQ(printerInterface.GetPortName(name, row.size), row.result) << row.size;
        EXPECT_STREQ(name, row.name);
    }
    StdoutCapture output;
    EXPECT_EQ(printerInterface.GetPortName(nullptr, 32), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(output.Take().rfind("GetPortName failed with ", 0), 0u);
}

TEST_P(NtDeviceTest, FailingStepsAreTracedWithTheirCode) {
    CDevInfoSet unopened, disks;
    ASSERT_EQ(disks.EnumSetupDevices(&GUID_DEVCLASS_DISKDRIVE), ERR_NOERROR);
    CDeviceObject device, reader;
    ASSERT_EQ(disks.NextDevice(reader), ERR_NOERROR);
    CDeviceInterfaceObject readerInterface;
    const std::string invalidHandle = GetErrorString(ERROR_INVALID_HANDLE);
    const std::string noMoreItems = GetErrorString(ERROR_NO_MORE_ITEMS);
    struct Row {
        const char* what;
        std::function<long()> call;
        long result;
        std::string lines;
    } rows[] = {
        {"next device of a set never opened", [&] { return unopened.NextDevice(device); },
         ERROR_INVALID_HANDLE, "SetupDiEnumDeviceInfo failed returning " + invalidHandle + "\n"},
        {"find in a set never opened", [&] { return unopened.FindDevice(device, "\\Device\\00000064"); },
         ERROR_INVALID_HANDLE,
         "SetupDiEnumDeviceInfo failed returning " + invalidHandle + "\nNextDevice failed returning " +
             invalidHandle + "\n"},
        // A set of a setup class has no interface class.
        {"interface of a disk", [&] { return reader.GetDeviceInterface(readerInterface); },
         ERROR_NO_MORE_ITEMS, "SetupDiEnumDeviceInterfaces failed returning " + noMoreItems + "\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StdoutCapture output;
        EXPECT_EQ(row.call(), row.result);
        EXPECT_EQ(output.Take(), row.lines);
    }
}

TEST_P(NtDeviceTest, ForAllDevicesVisitsEveryDeviceUntilTheCallbackStops) {
    std::vector<std::string> ids;
    auto collect = [](CDeviceObject& device, void* u1, void*, void*) -> unsigned int {
        static_cast<std::vector<std::string>*>(u1)->push_back(IdOf(device));
        return 1;
    };
    EXPECT_EQ(ForAllDevices(collect, &ids, nullptr, nullptr), 1u);
    EXPECT_EQ(ids.size(), 7u);  // six present devices and the one no longer present

    int seen = 0;
    auto stopAtTwo = [](CDeviceObject&, void* u1, void*, void*) -> unsigned int {
        return ++*static_cast<int*>(u1) < 2 ? 1 : 0;
    };
    EXPECT_EQ(ForAllDevices(stopAtTwo, &seen, nullptr, nullptr), 1u);
    EXPECT_EQ(seen, 2);
}

TEST_P(NtDeviceTest, UsbSearchesFromThePrinterToItsDot4PortAndCardReader) {
    char port[16] = {};
    struct Missing {
        const char* usbId;
        const char* output;
    };
    const Missing missing[] = {
        {"AIOPRINTER", "EnumDevicesInterface can not find the dot4 device for AIOPRINTER:\n"},
        {"OTHERPRINTER", "EnumDevicesInterface can not find the usb device for OTHERPRINTER:\n"},
    };
    for (const Missing& row : missing) {
        StdoutCapture output;
        EXPECT_EQ(FindDot4PortOfUsbDevice(row.usbId, port, sizeof port), ERROR_NOT_FOUND);
        EXPECT_EQ(output.Take(), row.output);
    }
    machine_.Registry(kDot4Device);
    EXPECT_EQ(FindDot4PortOfUsbDevice("AIOPRINTER", port, sizeof port), ERR_NOERROR);
    EXPECT_STREQ(port, "DOT4_001");
    EXPECT_EQ(FindDot4PortOfUsbDevice("AIOPRINTER", port, 8), ERR_BUFFEROVERFLOW);

    // The printer and the card reader's volume are functions of one composite USB device.
    struct Row {
        const char* deviceId;
        long result;
        const char* parentId;
    };
    const Row rows[] = {
        {kPrinter, ERR_NOERROR, kComposite},
        {kVolume, ERR_NOERROR, kComposite},
        {kComposite, ERROR_NOT_FOUND, ""},
    };
    for (const Row& row : rows) {
        CaseInsensitiveString parentId;
        EXPECT_EQ(GetUsbLptParentID(row.deviceId, parentId), row.result) << row.deviceId;
        EXPECT_STREQ(parentId.c_str(), row.parentId);
    }
}

TEST_P(NtDeviceTest, TheCardReaderDriveIsTheRemovableDriveOfThePrintersDevice) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(GetParam());
    settings.drives.push_back(platform::DriveInfo{'E', DRIVE_REMOVABLE});
    TestMachine machine(settings);
    machine.Registry(kNtDevices);
    Reset();
    // Drive A: is removable too, but no disk device of the printer: the search passes over it.
    char drive = 0;
    EXPECT_EQ(FindUsbLptParentDeviceID(kPrinter, drive), ERR_NOERROR);
    EXPECT_EQ(drive, 'E');
    StdoutCapture output;
    EXPECT_EQ(FindUsbLptParentDeviceID("USB\\VID_0000&PID_0000\\NONE", drive),
              static_cast<long>(CR_NO_SUCH_DEVNODE));
    EXPECT_EQ(drive, '\0');
    EXPECT_EQ(output.Take(), "CM_Locate_DevNode failed\nFindUsbLptParentDeviceID failed\n");
}

TEST_F(DeviceTest, Windows98ReadsPropertiesAndDriveLettersFromItsEnumKeys) {
    TestMachine machine(OsKind::Windows98);
    machine.Registry(k9xDevices);
    CDevInfoSet set;
    ASSERT_EQ(set.EnumSetupDevices(&GUID_DEVCLASS_DISKDRIVE), ERR_NOERROR);
    CDeviceObject reader;
    ASSERT_EQ(set.NextDevice(reader), ERR_NOERROR);
    EXPECT_EQ(IdOf(reader), kCardReader9x);
    EXPECT_EQ(set.NextDevice(reader), ERROR_NO_MORE_DEVICES);
    set.Rewind();
    ASSERT_EQ(set.NextDevice(reader), ERR_NOERROR);

    struct Row {
        DWORD code;
        long result;
        const char* value;
        const char* output;
    };
    const Row rows[] = {
        {SPDRP_FRIENDLYNAME, ERR_NOERROR, "AIO Card Reader", ""},
        {SPDRP_CLASS, ERR_NOERROR, "DiskDrive", ""},
        {3, ERROR_INVALID_DATA, "", "Invalid property 3\n"},
        {SPDRP_MAXIMUM_PROPERTY, ERROR_INVALID_DATA, "", "Invalid property 37\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        CaseInsensitiveString value;
        StdoutCapture output;
        EXPECT_EQ(reader.GetProperty(row.code, value), row.result);
        EXPECT_STREQ(value.c_str(), row.value);
        EXPECT_EQ(output.Take(), row.output);
    }
    char letter = 0;
    EXPECT_EQ(reader.GetDriveLetter(letter), ERR_NOERROR);
    EXPECT_EQ(letter, 'E');

    // The device's key refused: the property and the drive letter say which call failed.
    const std::string denied = GetErrorString(ERROR_ACCESS_DENIED);
    machine.Fault(platform::fault_target::kRegistry,
                  std::string("HKEY_LOCAL_MACHINE\\Enum\\") + kCardReader9x, "open", ERROR_ACCESS_DENIED, 2);
    {
        CaseInsensitiveString value;
        StdoutCapture output;
        EXPECT_EQ(reader.GetProperty(SPDRP_FRIENDLYNAME, value), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reader.GetDriveLetter(letter), ERROR_ACCESS_DENIED);
        EXPECT_EQ(output.Take(), "RegOpenKeyEx failed with " + denied +
                                     "\nCDeviceObject::GetProperty failed with " + denied +
                                     "\nRegOpenKey failed with " + denied + "\n");
    }

    CaseInsensitiveString id;
    EXPECT_EQ(GetDiskDeviceInstanceID('e', id), ERR_NOERROR);
    EXPECT_STREQ(id.c_str(), kCardReader9x);
    // G: belongs to a disk no longer present, and A: to no Plug and Play disk.
    for (char absent : {'G', 'A'}) {
        StdoutCapture output;
        EXPECT_EQ(GetDiskDeviceInstanceID(absent, id), ERROR_NOT_FOUND);
        EXPECT_EQ(output.Take(),
                  std::string("GetDeviceInstanceID can not find the instance for ") + absent + ":\n");
        EXPECT_STREQ(id.c_str(), "");
    }
}

TEST_F(DeviceTest, MachinesWithoutTheLibrariesOrTheirEntryPoints) {
    struct Row {
        const char* name;
        const char* absentLibrary;
        const char* library;
        const char* entryPoint;
        const char* bindOutput;
        unsigned int walk;
    };
    const Row rows[] = {
        {"no setupapi", "SETUPAPI", nullptr, nullptr, "Unable to load setupapi.dll\n", 0},
        {"no cfgmgr32", "CFGMGR32", nullptr, nullptr, "Unable to load cfgmgr32.dll\n", 1},
        {"no SetupDiGetClassDevsA", nullptr, "SETUPAPI", "SETUPDIGETCLASSDEVSA",
         "Unable to load SetupDiGetClassDevs from ghSetupLib\n", 0},
        {"no SetupDiEnumDeviceInfo", nullptr, "SETUPAPI", "SETUPDIENUMDEVICEINFO",
         "Unable to load SetupDiEnumDeviceInfo from ghSetupLib\n", 1},
        {"no CM_Get_Parent", nullptr, "CFGMGR32", "CM_GET_PARENT",
         "Unable to load CM_Get_Parent from ghConfigLib\n", 1},
        {"no GetLongPathNameA", nullptr, "KERNEL32", "GETLONGPATHNAMEA",
         "Unable to load GetLongPathName from ghKernelLib\n", 1},
    };
    for (OsKind kind : {OsKind::WindowsXP, OsKind::Windows98}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + " on " + platform::OsKindName(kind));
            platform::MachineSettings settings = platform::MachineSettings::Defaults(kind);
            if (row.absentLibrary) settings.absentLibraries.insert(row.absentLibrary);
            if (row.library) settings.missingEntryPoints[row.library].insert(row.entryPoint);
            TestMachine machine(settings);
            machine.Registry(kind == OsKind::Windows98 ? k9xDevices : kNtDevices);
            Reset();
            {
                StdoutCapture output;
                EXPECT_EQ(BindDeviceApis(), 1);
                EXPECT_EQ(output.Take(), row.bindOutput);
            }
            StdoutCapture output;
            auto count = [](CDeviceObject&, void*, void*, void*) -> unsigned int { return 1; };
            EXPECT_EQ(ForAllDevices(count, nullptr, nullptr, nullptr), row.walk);
            const std::string walkOutput = output.Take();
            if (row.walk == 0) {
                EXPECT_EQ(walkOutput.rfind("SetupDiGetClassDevs failed returning ", 0), 0u) << walkOutput;
                EXPECT_NE(walkOutput.find("CDevInfoSet::EnumDevices failed with "), std::string::npos);
            }
            // Without the configuration manager no device id can be read, so no drive is found.
            CaseInsensitiveString id;
            const long drive = GetDiskDeviceInstanceID('E', id);
            const bool driveFound = row.walk == 1 && std::string(row.name) != "no cfgmgr32" &&
                                    std::string(row.name) != "no SetupDiEnumDeviceInfo";
            EXPECT_EQ(drive == ERR_NOERROR, driveFound) << drive;
            Reset();
        }
    }
}

}  // namespace
