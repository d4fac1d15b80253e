// Searches that tie a printer's USB or parallel-port device to its DOT4 port and to its card reader's
// drive.
#pragma once

#include <cstddef>

#include "CaseInsensitiveString.h"
#include "guiddef.h"

// The interface class of USB printing devices (and of the DOT4 devices above them), whose interface keys
// name the ports.
DEFINE_GUID(USB_PRINTING_INTERFACE, 0x28d78fad, 0x5a12, 0x11d1, 0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8,
            0xc2);

// The DOT4 port ("DOT4_001") of the printer whose USB printing device id holds `usbId`, into `out` of
// `size` characters; ERROR_NOT_FOUND when the printer or its DOT4 device is not present.
long FindDot4PortOfUsbDevice(const char* usbId, char* out, size_t size);
// The physical device above `deviceId`: its nearest parallel-port enumerator ("LPTENUM\...") or USB
// device that is not one function of a composite device.
long GetUsbLptParentID(const char* deviceId, CaseInsensitiveString& parentId);
// The id names such a device: a parallel-port enumerator, or a USB device that is not one function
// ("&MI_nn") of a composite device.
bool IsUsbLptParentID(const CaseInsensitiveString& id);
// The removable drive whose disk hangs from the same USB or parallel-port device as `deviceId`.
long FindUsbLptParentDeviceID(const char* deviceId, char& drive);
