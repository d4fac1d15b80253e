// The Plug and Play device trees the device tests build: a multifunction printer on USB whose printing
// function and card reader are functions of one composite device, as Windows NT and Windows 98 record it,
// and the printer's DOT4 device with its port.
#pragma once

namespace device_test {

constexpr const char* kComposite = "USB\\VID_04B8&PID_0820\\SERIAL1";
constexpr const char* kStorageFunction = "USB\\VID_04B8&PID_0820&MI_01\\7&AB&0&0001";
constexpr const char* kPrinter = "USBPRINT\\AIOPRINTER\\8&CD&0&USB001";
constexpr const char* kCardReader = "USBSTOR\\DISK&VEN_AIO&PROD_CARD_READER&REV_1.00\\8&EF&0";
constexpr const char* kVolume = "STORAGE\\REMOVABLEMEDIA\\9&12&0&RM";
constexpr const char* kCardReader9x = "USBSTOR\\DISK&VEN_AIO&PROD_CARD_READER\\0000";

// A Windows NT machine with a multifunction printer on USB: its printing function and its card reader,
// whose volume is drive E:; drive A: is a floppy drive, which is no Plug and Play disk here.
constexpr const char* kNtDevices = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E967-E325-11CE-BFC1-08002BE10318}]
"Class"="DiskDrive"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{36FC9E60-C465-11CF-8056-444553540000}]
"Class"="USB"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_04B8&PID_0820\SERIAL1]
"Class"="USB"
"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"
"Mfg"="Periferiche"
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
"FriendlyName"="AIO Card Reader USB Device"
"HardwareID"=hex(7):55,53,42,53,54,4f,52,5c,44,69,73,6b,00,47,65,6e,44,69,73,6b,00,00
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
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\##?#STORAGE#RemovableMedia#9&12&0&RM#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}]
"DeviceInstance"="STORAGE\\REMOVABLEMEDIA\\9&12&0&RM"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\##?#STORAGE#RemovableMedia#9&12&0&RM#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\#]

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager\DOS Devices]
"E:"="\\Device\\HarddiskVolume3"
"A:"="\\Device\\Floppy0"
)";

// Windows 98 keeps its devices under HKEY_LOCAL_MACHINE\Enum and lists the present ones under
// HKEY_DYN_DATA; the card reader carries its drive letter.
constexpr const char* k9xDevices = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\DiskDrive]
@="Unità disco"
[HKEY_LOCAL_MACHINE\Enum\USB\VID_04B8&PID_0820\SERIAL1]
"Class"="USB"
[HKEY_LOCAL_MACHINE\Enum\USBSTOR\DISK&VEN_AIO&PROD_CARD_READER\0000]
"Class"="DiskDrive"
"FriendlyName"="AIO Card Reader"
"CurrentDriveLetterAssignment"="E"
"Parent"="USB\\VID_04B8&PID_0820\\SERIAL1"
[HKEY_LOCAL_MACHINE\Enum\USBSTOR\DISK&VEN_OLD&PROD_GONE\0000]
"Class"="DiskDrive"
"CurrentDriveLetterAssignment"="G"
[HKEY_DYN_DATA\Config Manager\Enum\C1A2B3C4]
"HardWareKey"="USB\\VID_04B8&PID_0820\\SERIAL1"
[HKEY_DYN_DATA\Config Manager\Enum\C1A2B3D0]
"HardWareKey"="USBSTOR\\DISK&VEN_AIO&PROD_CARD_READER\\0000"
)";

// The printer's DOT4 device, under its USB printing device, with the DOT4 port.
constexpr const char* kDot4Device = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\DOT4\VID_04B8&PID_0820&DOT4\9&AA&0&1]
"Class"="Dot4"
"Parent"="USBPRINT\\AIOPRINTER\\8&CD&0&USB001"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\DOT4\VID_04B8&PID_0820&DOT4\9&AA&0&1\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\##?#DOT4#VID_04B8&PID_0820&DOT4#9&AA&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}]
"DeviceInstance"="DOT4\\VID_04B8&PID_0820&DOT4\\9&AA&0&1"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\##?#DOT4#VID_04B8&PID_0820&DOT4#9&AA&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\#\Device Parameters]
"Base Name"="DOT4_"
"Port Number"=dword:00000001
)";

}  // namespace device_test
