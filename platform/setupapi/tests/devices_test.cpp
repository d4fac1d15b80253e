// Device information sets over the machine's registry: which devices a set holds, their properties by
// the size protocol, classes, interfaces with their keys, the card reader's volume reached from its
// drive letter, device removal, and the libraries as a machine may lack them.
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "cfgmgr32.h"
#include "devguid.h"
#include "platform/machine/state.h"
#include "platform/machine/text.h"
#include "platform/testing/test_machine.h"
#include "setupapi.h"

namespace {

using platform::OsKind;
using platform::TestMachine;

DEFINE_GUID(kPrinterInterface, 0x28d78fad, 0x5a12, 0x11d1, 0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2);
DEFINE_GUID(kDiskInterface, 0x53f56307, 0xb6bf, 0x11d0, 0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b);
DEFINE_GUID(kVolumeInterface, 0x53f5630d, 0xb6bf, 0x11d0, 0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b);

constexpr const char* kComposite = "USB\\VID_04B8&PID_0820\\SERIAL1";
constexpr const char* kPrintFunction = "USB\\VID_04B8&PID_0820&MI_00\\7&AB&0&0000";
constexpr const char* kStorageFunction = "USB\\VID_04B8&PID_0820&MI_01\\7&AB&0&0001";
constexpr const char* kPrinter = "USBPRINT\\AIOPRINTER\\8&CD&0&USB001";
constexpr const char* kCardReader = "USBSTOR\\DISK&VEN_AIO&PROD_CARD_READER&REV_1.00\\8&EF&0";
constexpr const char* kVolume = "STORAGE\\REMOVABLEMEDIA\\9&12&0&RM";
constexpr const char* kOldDisk = "USBSTOR\\DISK&VEN_OLD&PROD_GONE&REV_1.00\\1&0";

// A Windows NT machine with a multifunction printer on USB: its printing function and its card reader,
// whose volume is drive E:, and a disk seen once and no longer present.
constexpr const char* kNtDevices = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{36FC9E60-C465-11CF-8056-444553540000}]
"Class"="USB"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{36FC9E60-C465-11CF-8056-444553540000}\0000]
"DriverDesc"="Dispositivo USB composito"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E967-E325-11CE-BFC1-08002BE10318}]
"Class"="DiskDrive"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E967-E325-11CE-BFC1-08002BE10318}\0000]
"DriverDesc"="Unità disco"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{71A27CDD-812A-11D0-BEC7-08002BE2092F}]
"Class"="Volume"
"NoInstallClass"="1"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E979-E325-11CE-BFC1-08002BE10318}]
"Class"="Printer"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_04B8&PID_0820\SERIAL1]
"DeviceDesc"="Dispositivo USB composito"
"HardwareID"=hex(7):55,53,42,5c,56,49,44,5f,30,34,42,38,00,55,53,42,5c,43,4c,41,53,53,00,00
"Class"="USB"
"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"
"Driver"="{36FC9E60-C465-11CF-8056-444553540000}\\0000"
"Mfg"="Periferiche"
"Service"="usbccgp"
"Capabilities"=dword:00000084
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_04B8&PID_0820\SERIAL1\Control]
"PhysicalDeviceObjectName"="\\Device\\USBPDO-3"
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
"Driver"="{4D36E967-E325-11CE-BFC1-08002BE10318}\\0000"
"FriendlyName"="AIO Card Reader USB Device"
"Parent"="USB\\VID_04B8&PID_0820&MI_01\\7&AB&0&0001"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USBSTOR\DISK&VEN_AIO&PROD_CARD_READER&REV_1.00\8&EF&0\Control]
"PhysicalDeviceObjectName"="\\Device\\00000064"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\STORAGE\REMOVABLEMEDIA\9&12&0&RM]
"Class"="Volume"
"ClassGUID"="{71A27CDD-812A-11D0-BEC7-08002BE2092F}"
"Parent"="USBSTOR\\DISK&VEN_AIO&PROD_CARD_READER&REV_1.00\\8&EF&0"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\STORAGE\REMOVABLEMEDIA\9&12&0&RM\Control]
"PhysicalDeviceObjectName"="\\Device\\HarddiskVolume3"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USBSTOR\DISK&VEN_OLD&PROD_GONE&REV_1.00\1&0]
"Class"="DiskDrive"
"ClassGUID"="{4D36E967-E325-11CE-BFC1-08002BE10318}"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\##?#USBPRINT#AIOPRINTER#8&CD&0&USB001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}]
"DeviceInstance"="USBPRINT\\AIOPRINTER\\8&CD&0&USB001"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\##?#USBPRINT#AIOPRINTER#8&CD&0&USB001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\#\Device Parameters]
"Base Name"="USB"
"Port Number"=dword:00000001
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\##?#USBSTOR#Disk&Ven_AIO&Prod_Card_Reader&Rev_1.00#8&EF&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}]
"DeviceInstance"="USBSTOR\\DISK&VEN_AIO&PROD_CARD_READER&REV_1.00\\8&EF&0"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\##?#USBSTOR#Disk&Ven_AIO&Prod_Card_Reader&Rev_1.00#8&EF&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\#]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\##?#STORAGE#RemovableMedia#9&12&0&RM#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}]
"DeviceInstance"="STORAGE\\REMOVABLEMEDIA\\9&12&0&RM"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\##?#STORAGE#RemovableMedia#9&12&0&RM#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\#]

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager\DOS Devices]
"E:"="\\Device\\HarddiskVolume3"
)";

// Windows 98 keeps its devices under HKEY_LOCAL_MACHINE\Enum, its classes by name, and the devices
// present in the configuration manager's list under HKEY_DYN_DATA.
constexpr const char* k9xDevices = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\DiskDrive]
@="Unità disco"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\DiskDrive\0001]
"DriverDesc"="Unità disco"
[HKEY_LOCAL_MACHINE\Enum\USB\VID_04B8&PID_0820\SERIAL1]
"Class"="USB"
"HardwareID"="USB\\VID_04B8&PID_0820,USB\\CLASS_08"
[HKEY_LOCAL_MACHINE\Enum\USBSTOR\DISK&VEN_AIO&PROD_CARD_READER\0000]
"Class"="DiskDrive"
"Driver"="DiskDrive\\0001"
"CurrentDriveLetterAssignment"="E"
"Parent"="USB\\VID_04B8&PID_0820\\SERIAL1"
[HKEY_LOCAL_MACHINE\Enum\USBSTOR\DISK&VEN_OLD&PROD_GONE\0000]
"Class"="DiskDrive"
[HKEY_DYN_DATA\Config Manager\Enum\C1A2B3C4]
"HardWareKey"="USB\\VID_04B8&PID_0820\\SERIAL1"
[HKEY_DYN_DATA\Config Manager\Enum\C1A2B3D0]
"HardWareKey"="USBSTOR\\DISK&VEN_AIO&PROD_CARD_READER\\0000"
)";

// The instance ids of a set, in its order; SetupDiEnumDeviceInfo ends with ERROR_NO_MORE_ITEMS.
std::vector<std::string> Members(HDEVINFO set) {
    std::vector<std::string> ids;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    DWORD index = 0;
    while (SetupDiEnumDeviceInfo(set, index++, &data)) {
        char id[MAX_DEVICE_ID_LEN];
        EXPECT_TRUE(SetupDiGetDeviceInstanceIdA(set, &data, id, sizeof id, nullptr));
        ids.push_back(id);
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    return ids;
}

// The element of the device in a fresh set of every device.
struct DeviceInSet {
    HDEVINFO set = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA data{};
    explicit DeviceInSet(const std::string& wanted) {
        set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
        data.cbSize = sizeof data;
        for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &data); ++index) {
            char id[MAX_DEVICE_ID_LEN];
            SetupDiGetDeviceInstanceIdA(set, &data, id, sizeof id, nullptr);
            if (platform::EqualsNoCase(id, wanted)) return;
        }
        ADD_FAILURE() << "no device " << wanted;
    }
    ~DeviceInSet() { SetupDiDestroyDeviceInfoList(set); }
};

class NtDevices : public ::testing::TestWithParam<OsKind> {
  protected:
    NtDevices() : machine_(GetParam()) { machine_.Registry(kNtDevices); }
    TestMachine machine_;
};

INSTANTIATE_TEST_SUITE_P(Systems, NtDevices, ::testing::Values(OsKind::WindowsXP, OsKind::Windows2000),
                         [](const ::testing::TestParamInfo<OsKind>& info) {
                             return "Windows" + platform::OsKindName(info.param);
                         });

TEST_P(NtDevices, SetsHoldTheDevicesTheirFlagsAsk) {
    struct Row {
        const GUID* guid;
        const char* enumerator;
        DWORD flags;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {&GUID_DEVCLASS_DISKDRIVE, nullptr, DIGCF_PRESENT, {kCardReader}},
        {&GUID_DEVCLASS_DISKDRIVE, nullptr, 0, {kCardReader, kOldDisk}},
        {&GUID_DEVCLASS_USB, "usb", DIGCF_PRESENT, {kComposite, kPrintFunction, kStorageFunction}},
        {nullptr, "USBSTOR", DIGCF_ALLCLASSES, {kCardReader, kOldDisk}},
        {nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT,
         {kVolume, kComposite, kPrintFunction, kStorageFunction, kPrinter, kCardReader}},
        {&kVolumeInterface, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE, {kVolume}},
        {nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_DEVICEINTERFACE, {kPrinter, kCardReader, kVolume}},
        {&GUID_DEVCLASS_PRINTER, "LPTENUM", DIGCF_PRESENT, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "flags " << row.flags << " enumerator " << (row.enumerator ? row.enumerator : "-"));
        HDEVINFO set = SetupDiGetClassDevsA(row.guid, row.enumerator, nullptr, row.flags);
        ASSERT_NE(set, INVALID_HANDLE_VALUE);
        std::vector<std::string> members = Members(set);
        EXPECT_EQ(std::multiset<std::string>(members.begin(), members.end()),
                  std::multiset<std::string>(row.expected.begin(), row.expected.end()));
        // Walking again from the start gives the first device again.
        SP_DEVINFO_DATA data{};
        data.cbSize = sizeof data;
        EXPECT_EQ(SetupDiEnumDeviceInfo(set, 0, &data), row.expected.empty() ? FALSE : TRUE);
        EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    }
    SetLastError(0);
    EXPECT_EQ(SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_P(NtDevices, PropertiesFollowTheSizeProtocol) {
    struct Row {
        const char* device;
        DWORD property;
        DWORD error;  // 0: read
        DWORD type;
        std::string data;
    };
    const Row rows[] = {
        {kComposite, SPDRP_DEVICEDESC, 0, REG_SZ, std::string("Dispositivo USB composito", 26)},
        {kComposite, SPDRP_HARDWAREID, 0, REG_MULTI_SZ, std::string("USB\\VID_04B8\0USB\\CLASS\0\0", 24)},
        {kComposite, SPDRP_CLASSGUID, 0, REG_SZ, std::string("{36FC9E60-C465-11CF-8056-444553540000}", 39)},
        {kComposite, SPDRP_SERVICE, 0, REG_SZ, std::string("usbccgp", 8)},
        {kComposite, SPDRP_CAPABILITIES, 0, REG_DWORD, std::string("\x84\0\0\0", 4)},
        {kComposite, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME, 0, REG_SZ, std::string("\\Device\\USBPDO-3", 17)},
        {kCardReader, SPDRP_FRIENDLYNAME, 0, REG_SZ, std::string("AIO Card Reader USB Device", 27)},
        {kComposite, SPDRP_FRIENDLYNAME, ERROR_INVALID_DATA, 0, ""},
        {kOldDisk, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME, ERROR_INVALID_DATA, 0, ""},
        {kComposite, 3, ERROR_INVALID_REG_PROPERTY, 0, ""},
        {kComposite, SPDRP_MAXIMUM_PROPERTY, ERROR_INVALID_REG_PROPERTY, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.device << " property " << row.property);
        DeviceInSet device(row.device);
        DWORD type = 0, required = 0;
        BOOL sized = SetupDiGetDeviceRegistryPropertyA(device.set, &device.data, row.property, &type, nullptr, 0,
                                                       &required);
        EXPECT_FALSE(sized);
        if (row.error) {
            EXPECT_EQ(GetLastError(), row.error);
            continue;
        }
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(required, row.data.size());
        EXPECT_EQ(type, row.type);
        std::vector<BYTE> buffer(required);
        EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(device.set, &device.data, row.property, nullptr, buffer.data(),
                                                       required - 1, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(device.set, &device.data, row.property, nullptr, buffer.data(),
                                                      required, nullptr));
        EXPECT_EQ(std::string(buffer.begin(), buffer.end()), row.data);
    }
    DeviceInSet device(kComposite);
    char id[8];
    DWORD required = 0;
    EXPECT_FALSE(SetupDiGetDeviceInstanceIdA(device.set, &device.data, id, sizeof id, &required));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(required, std::string(kComposite).size() + 1);
    SP_DEVINFO_DATA wrongSize = device.data;
    wrongSize.cbSize = 28;
    EXPECT_FALSE(SetupDiGetDeviceInstanceIdA(device.set, &wrongSize, id, sizeof id, &required));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    EXPECT_FALSE(SetupDiEnumDeviceInfo(device.set, 0, &wrongSize));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
}

TEST_P(NtDevices, ClassesByGuidAndByName) {
    struct Row {
        const GUID* guid;
        DWORD size;
        BOOL result;
        DWORD error;
        const char* name;
    };
    const Row rows[] = {
        {&GUID_DEVCLASS_USB, MAX_CLASS_NAME_LEN, TRUE, 0, "USB"},
        {&GUID_DEVCLASS_DISKDRIVE, 10, TRUE, 0, "DiskDrive"},
        {&GUID_DEVCLASS_DISKDRIVE, 9, FALSE, ERROR_INSUFFICIENT_BUFFER, nullptr},
        {&GUID_DEVCLASS_MODEM, MAX_CLASS_NAME_LEN, FALSE, ERROR_INVALID_CLASS, nullptr},
    };
    for (const Row& row : rows) {
        char name[MAX_CLASS_NAME_LEN] = "";
        DWORD required = 0;
        EXPECT_EQ(SetupDiClassNameFromGuidA(row.guid, name, row.size, &required), row.result);
        if (row.error) {
            EXPECT_EQ(GetLastError(), row.error);
        }
        if (row.name) {
            EXPECT_STREQ(name, row.name);
        }
        if (row.error == ERROR_INSUFFICIENT_BUFFER) {
            EXPECT_EQ(required, 10u);
        }
    }
    GUID found[4];
    DWORD count = 0;
    ASSERT_TRUE(SetupDiClassGuidsFromNameA("diskdrive", found, 4, &count));
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(found[0], GUID_DEVCLASS_DISKDRIVE);
    EXPECT_TRUE(SetupDiClassGuidsFromNameA("Nothing", found, 4, &count));
    EXPECT_EQ(count, 0u);

    EXPECT_FALSE(SetupDiBuildClassInfoList(0, nullptr, 0, &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(count, 4u);
    ASSERT_TRUE(SetupDiBuildClassInfoList(DIBCI_NOINSTALLCLASS, found, 4, &count));
    EXPECT_EQ(count, 3u);
    for (DWORD index = 0; index < count; ++index) EXPECT_NE(found[index], GUID_DEVCLASS_VOLUME);

    HKEY key = SetupDiOpenClassRegKey(&GUID_DEVCLASS_PRINTER, KEY_READ);
    ASSERT_NE(key, reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
    char name[32];
    DWORD size = sizeof name;
    EXPECT_EQ(RegQueryValueExA(key, "Class", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Printer");
    RegCloseKey(key);
    EXPECT_EQ(SetupDiOpenClassRegKeyExA(&GUID_DEVCLASS_MODEM, KEY_READ, DIOCR_INSTALLER, nullptr, nullptr),
              reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_CLASS));
    key = SetupDiOpenClassRegKeyExA(&kPrinterInterface, KEY_READ, DIOCR_INTERFACE, nullptr, nullptr);
    ASSERT_NE(key, reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
    RegCloseKey(key);
}

TEST_P(NtDevices, InstallingAClassFromItsInf) {
    machine_.File("C:\\Drivers\\aio.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Dot4\r\n"
                                          "ClassGUID={48721B56-6795-11D2-B1A8-0080C72E74A2}\r\n");
    ASSERT_TRUE(SetupDiInstallClassExA(nullptr, "C:\\Drivers\\aio.inf", 0, nullptr, nullptr, nullptr, nullptr));
    char name[MAX_CLASS_NAME_LEN];
    ASSERT_TRUE(SetupDiClassNameFromGuidA(&GUID_DEVCLASS_DOT4, name, sizeof name, nullptr));
    EXPECT_STREQ(name, "Dot4");
    EXPECT_FALSE(SetupDiInstallClassExA(nullptr, "C:\\Drivers\\none.inf", 0, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_P(NtDevices, InterfacesGiveTheirPathAndTheirKey) {
    HDEVINFO set = SetupDiGetClassDevsA(&kPrinterInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &kPrinterInterface, 0, &interfaceData));
    EXPECT_EQ(interfaceData.Flags, static_cast<DWORD>(SPINT_ACTIVE));
    EXPECT_EQ(interfaceData.InterfaceClassGuid, kPrinterInterface);
    SP_DEVICE_INTERFACE_DATA next = interfaceData;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kPrinterInterface, 1, &next));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));

    const std::string path = "\\\\?\\USBPRINT#AIOPRINTER#8&CD&0&USB001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    DWORD required = 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required, &device));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(required, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
    std::vector<char> buffer(required);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
    detail->cbSize = 5;  // the 32-bit size is wrong for this target's structure
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, required, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, required, nullptr, nullptr));
    EXPECT_EQ(std::string(detail->DevicePath), path);
    char id[MAX_DEVICE_ID_LEN];
    ASSERT_TRUE(SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr));
    EXPECT_STREQ(id, kPrinter);

    // The port name is the base name followed by the port number.
    HKEY key = SetupDiOpenDeviceInterfaceRegKey(set, &interfaceData, 0, KEY_READ);
    ASSERT_NE(key, reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
    char baseName[MAX_PATH];
    DWORD size = sizeof baseName, number = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Base Name", nullptr, nullptr, reinterpret_cast<BYTE*>(baseName), &size),
              ERROR_SUCCESS);
    size = sizeof number;
    EXPECT_EQ(RegQueryValueExA(key, "Port Number", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(baseName) + std::to_string(number), "USB1");
    RegCloseKey(key);
    SetupDiDestroyDeviceInfoList(set);

    // An interface without its "Device Parameters" key has no key to open.
    set = SetupDiGetClassDevsA(&kDiskInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &kDiskInterface, 0, &interfaceData));
    EXPECT_EQ(SetupDiOpenDeviceInterfaceRegKey(set, &interfaceData, 0, KEY_READ),
              reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetupDiDestroyDeviceInfoList(set);
}

// Drive E: to its volume through its device name, then up the tree to the printer's USB device.
TEST_P(NtDevices, TheCardReaderIsFoundFromItsDriveLetter) {
    char target[MAX_PATH];
    ASSERT_EQ(QueryDosDeviceA("E:", target, sizeof target), strlen("\\Device\\HarddiskVolume3") + 2);
    HDEVINFO set = SetupDiGetClassDevsA(&kVolumeInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    bool found = false;
    for (DWORD index = 0; !found && SetupDiEnumDeviceInfo(set, index, &data); ++index) {
        char name[MAX_PATH];
        if (SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME, nullptr,
                                              reinterpret_cast<BYTE*>(name), sizeof name, nullptr)) {
            found = platform::EqualsNoCase(name, target);
        }
    }
    ASSERT_TRUE(found);
    std::vector<std::string> ancestors;
    DEVINST node = data.DevInst, parent = 0;
    CONFIGRET result;
    while ((result = CM_Get_Parent(&parent, node, 0)) == CR_SUCCESS) {
        ULONG length = 0;
        ASSERT_EQ(CM_Get_Device_ID_Size(&length, parent, 0), static_cast<CONFIGRET>(CR_SUCCESS));
        std::string id(length + 1, '\0');
        ASSERT_EQ(CM_Get_Device_IDA(parent, id.data(), length + 1, 0), static_cast<CONFIGRET>(CR_SUCCESS));
        id.resize(length);
        ancestors.push_back(id);
        node = parent;
    }
    EXPECT_EQ(result, static_cast<CONFIGRET>(CR_NO_SUCH_DEVNODE));
    EXPECT_EQ(ancestors, (std::vector<std::string>{kCardReader, kStorageFunction, kComposite, "HTREE\\ROOT\\0"}));
    // A parent reached through the tree answers property reads in the same set.
    SP_DEVINFO_DATA parentData = data;
    ASSERT_EQ(CM_Get_Parent(&parentData.DevInst, data.DevInst, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    char name[MAX_PATH];
    ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &parentData, SPDRP_FRIENDLYNAME, nullptr,
                                                  reinterpret_cast<BYTE*>(name), sizeof name, nullptr));
    EXPECT_STREQ(name, "AIO Card Reader USB Device");
    SetupDiDestroyDeviceInfoList(set);
}

TEST_P(NtDevices, RemovalDeletesTheDeviceForEveryone) {
    {
        // A fault, then a user who is not an administrator, keep the device.
        DeviceInSet device(kCardReader);
        machine_.Fault(platform::fault_target::kDevice, kCardReader, "remove", ERROR_BUSY, 1);
        EXPECT_FALSE(SetupDiRemoveDevice(device.set, &device.data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));
    }
    {
        DeviceInSet device(kCardReader);
        SP_REMOVEDEVICE_PARAMS params{};
        params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
        params.ClassInstallHeader.InstallFunction = DIF_REMOVE;
        params.Scope = DI_REMOVEDEVICE_GLOBAL;
        ASSERT_TRUE(SetupDiSetClassInstallParamsA(device.set, &device.data, &params.ClassInstallHeader, sizeof params));
        SP_REMOVEDEVICE_PARAMS readBack{};
        readBack.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
        DWORD required = 0;
        ASSERT_TRUE(SetupDiGetClassInstallParamsA(device.set, &device.data, &readBack.ClassInstallHeader,
                                                  sizeof readBack, &required));
        EXPECT_EQ(required, sizeof params);
        EXPECT_EQ(readBack.Scope, static_cast<DWORD>(DI_REMOVEDEVICE_GLOBAL));
        ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, device.set, &device.data));
        char id[MAX_DEVICE_ID_LEN];
        EXPECT_FALSE(SetupDiGetDeviceInstanceIdA(device.set, &device.data, id, sizeof id, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_DEVINST));
    }
    std::string left = machine_.ExportRegistry("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet");
    EXPECT_EQ(left.find("Enum\\USBSTOR\\DISK&VEN_AIO"), std::string::npos) << "instance key";
    EXPECT_EQ(left.find("#Disk&Ven_AIO"), std::string::npos) << "interface key";
    EXPECT_EQ(left.find("{4D36E967-E325-11CE-BFC1-08002BE10318}\\0000]"), std::string::npos) << "driver key";
    EXPECT_NE(left.find("PROD_GONE"), std::string::npos) << "the other disk stays";
    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_DISKDRIVE, nullptr, nullptr, 0);
    EXPECT_EQ(Members(set), std::vector<std::string>{kOldDisk});
    SetupDiDestroyDeviceInfoList(set);
    DEVINST node = 0;
    EXPECT_EQ(CM_Locate_DevNodeA(&node, const_cast<char*>(kCardReader), CM_LOCATE_DEVNODE_PHANTOM),
              static_cast<CONFIGRET>(CR_NO_SUCH_DEVNODE));
}

TEST_P(NtDevices, RemovalAsksForTheRestartChosenForTheDevice) {
    machine_.DeviceRemovalRestart(kCardReader, DI_NEEDREBOOT);
    struct Row {
        const char* device;
        DWORD flags;
    } rows[] = {{kCardReader, DI_NEEDREBOOT}, {kOldDisk, 0}};
    for (const Row& row : rows) {
        DeviceInSet device(row.device);
        SP_DEVINSTALL_PARAMS_A params{};
        params.cbSize = sizeof params;
        ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(device.set, &device.data, &params));
        EXPECT_EQ(params.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT), 0u) << row.device;
        ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, device.set, &device.data)) << row.device;
        // The removed device's element keeps answering for its install parameters.
        params = {};
        params.cbSize = sizeof params;
        ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(device.set, &device.data, &params)) << row.device;
        EXPECT_EQ(params.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT), row.flags) << row.device;
        // The set's own parameters are not the device's.
        ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(device.set, nullptr, &params));
        EXPECT_EQ(params.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT), 0u);
    }
}

TEST(DeviceRemoval, NeedsAnAdministratorOnWindowsNT) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsXP);
    settings.administrator = false;
    TestMachine machine(settings);
    machine.Registry(kNtDevices);
    DeviceInSet device(kOldDisk);
    EXPECT_FALSE(SetupDiRemoveDevice(device.set, &device.data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(Windows9xDevices, EnumKeysAndTheConfigurationManagersList) {
    TestMachine machine(OsKind::Windows98);
    machine.Registry(k9xDevices);
    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_DISKDRIVE, nullptr, nullptr, DIGCF_PRESENT);
    EXPECT_EQ(Members(set), std::vector<std::string>{"USBSTOR\\DISK&VEN_AIO&PROD_CARD_READER\\0000"});
    SetupDiDestroyDeviceInfoList(set);
    set = SetupDiGetClassDevsA(&GUID_DEVCLASS_DISKDRIVE, nullptr, nullptr, 0);
    EXPECT_EQ(Members(set).size(), 2u);
    SetupDiDestroyDeviceInfoList(set);

    DeviceInSet device("USBSTOR\\DISK&VEN_AIO&PROD_CARD_READER\\0000");
    char driver[32];
    ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(device.set, &device.data, SPDRP_DRIVER, nullptr,
                                                  reinterpret_cast<BYTE*>(driver), sizeof driver, nullptr));
    EXPECT_STREQ(driver, "DiskDrive\\0001");
    DEVINST parent = 0;
    ASSERT_EQ(CM_Get_Parent(&parent, device.data.DevInst, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    char id[MAX_DEVICE_ID_LEN];
    ASSERT_EQ(CM_Get_Device_IDA(parent, id, sizeof id, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    EXPECT_STREQ(id, "USB\\VID_04B8&PID_0820\\SERIAL1");

    char name[MAX_CLASS_NAME_LEN];
    ASSERT_TRUE(SetupDiClassNameFromGuidA(&GUID_DEVCLASS_DISKDRIVE, name, sizeof name, nullptr));
    EXPECT_STREQ(name, "DiskDrive");
    HKEY key = SetupDiOpenClassRegKey(&GUID_DEVCLASS_DISKDRIVE, KEY_READ);
    ASSERT_NE(key, reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
    RegCloseKey(key);

    ASSERT_TRUE(SetupDiRemoveDevice(device.set, &device.data));
    std::string left = machine.ExportRegistry();
    EXPECT_EQ(left.find("CARD_READER"), std::string::npos);
    EXPECT_EQ(left.find("DiskDrive\\0001]"), std::string::npos);
    EXPECT_EQ(QueryDosDeviceA("E:", name, sizeof name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
}

// A device's class is its ClassGUID (the instance key's, else its Control key's) when that reads as a
// GUID, else the standard class its Class value (found the same way) names. A set of one class holds its
// devices in the registry's order, each with that class, as the set of every device has them.
TEST(DeviceClasses, FromTheInstanceKeyOrItsControlKey) {
    TestMachine machine(OsKind::WindowsXP);
    machine.Registry(R"(REGEDIT4
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\B\1]
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\B\0\Control]
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\a\x]
"ClassGUID"="not a class"
"Class"="printer"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\LPTENUM\q\1]
"ClassGUID"="{4D36E967-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\LPTENUM\q\1\Control]
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\LPTENUM\p\1\Control]
"Class"="Printer"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\ACPI\r\1]
"Class"="NoSuchClass"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\ACPI\s\1\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\ACPI\NoInstance]
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\HTREE\ROOT\0]
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"
)");
    struct Row {
        const GUID* guid;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {&GUID_DEVCLASS_PRINTER, {"LPTENUM\\p\\1", "USB\\a\\x", "USB\\B\\0", "USB\\B\\1"}},
        {&GUID_DEVCLASS_DISKDRIVE, {"LPTENUM\\q\\1"}},
        {&GUID_DEVCLASS_MOUSE, {}},
    };
    HDEVINFO all = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    EXPECT_EQ(Members(all), (std::vector<std::string>{"ACPI\\r\\1", "ACPI\\s\\1", "LPTENUM\\p\\1", "LPTENUM\\q\\1",
                                                      "USB\\a\\x", "USB\\B\\0", "USB\\B\\1"}));
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "class " << row.expected.size());
        HDEVINFO set = SetupDiGetClassDevsA(row.guid, nullptr, nullptr, 0);
        EXPECT_EQ(Members(set), row.expected);
        SP_DEVINFO_DATA data{};
        data.cbSize = sizeof data;
        for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &data); ++index) EXPECT_EQ(data.ClassGuid, *row.guid);
        SetupDiDestroyDeviceInfoList(set);
        std::vector<std::string> ofClass;
        for (DWORD index = 0; SetupDiEnumDeviceInfo(all, index, &data); ++index) {
            char id[MAX_DEVICE_ID_LEN];
            SetupDiGetDeviceInstanceIdA(all, &data, id, sizeof id, nullptr);
            if (data.ClassGuid == *row.guid) ofClass.push_back(id);
        }
        EXPECT_EQ(ofClass, row.expected);
    }
    SetupDiDestroyDeviceInfoList(all);
}

TEST(DeviceLibraries, PresentAbsentAndMissingEntryPoints) {
    const char* const setupEntryPoints[] = {
        "SetupDiGetDeviceInstallParamsA", "SetupDiGetDeviceRegistryPropertyA", "SetupDiGetSelectedDriverA",
        "SetupCopyOEMInfA", "SetupFreeSourceListA", "SetupQuerySourceListA", "SetupDiOpenClassRegKeyExA",
        "SetupDiGetClassDevsA", "SetupDiGetDeviceInterfaceDetailA", "SetupDiClassNameFromGuidA",
        "SetupDiGetDeviceInstanceIdA", "SetupDiGetClassInstallParamsA", "SetupDiInstallClassExA",
        "CMP_WaitNoPendingInstallEvents", "SetupDiEnumDeviceInterfaces", "SetupDiOpenDeviceInterfaceRegKey",
        "SetupDiDestroyDeviceInfoList", "SetupDiBuildClassInfoList", "SetupDiEnumDeviceInfo",
        "SetupDiDestroyDriverInfoList", "SetupOpenFileQueue", "SetupCloseFileQueue", "SetupDiOpenClassRegKey",
        "SetupDiRemoveDevice", "SetupDiClassGuidsFromNameA", "SetupDiCallClassInstaller"};
    const char* const configEntryPoints[] = {"CM_Get_Device_IDA", "CM_Get_Device_ID_Size", "CM_Get_Parent",
                                             "CM_Get_Child", "CM_Locate_DevNodeA", "CMP_WaitNoPendingInstallEvents"};
    {
        TestMachine machine(OsKind::Windows98);
        HMODULE setup = LoadLibraryA("setupapi.dll");
        HMODULE config = LoadLibraryA("cfgmgr32");
        ASSERT_TRUE(setup && config);
        for (const char* name : setupEntryPoints) EXPECT_TRUE(GetProcAddress(setup, name)) << name;
        for (const char* name : configEntryPoints) EXPECT_TRUE(GetProcAddress(config, name)) << name;
        auto wait = reinterpret_cast<DWORD(WINAPI*)(DWORD)>(
            reinterpret_cast<void (*)()>(GetProcAddress(config, "CMP_WaitNoPendingInstallEvents")));
        EXPECT_EQ(wait(INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
        machine.Fault(platform::fault_target::kDevice, "pending installation", "wait", ERROR_BUSY);
        EXPECT_EQ(wait(0), static_cast<DWORD>(WAIT_TIMEOUT));
        FreeLibrary(setup);
        FreeLibrary(config);
    }
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::Windows98);
    settings.absentLibraries.insert("CFGMGR32");
    settings.missingEntryPoints["SETUPAPI"].insert("SETUPDIGETCLASSDEVSA");
    TestMachine machine(settings);
    EXPECT_EQ(LoadLibraryA("cfgmgr32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    HMODULE setup = LoadLibraryA("setupapi.dll");
    ASSERT_TRUE(setup);
    EXPECT_EQ(GetProcAddress(setup, "SetupDiGetClassDevsA"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(GetProcAddress(setup, "SetupDiEnumDeviceInfo"));
    FreeLibrary(setup);
}

}  // namespace
