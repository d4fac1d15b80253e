#include "UsbDeviceSearches.h"

#include <cstdio>
#include <vector>

#include "CDevInfoSet.h"
#include "CDeviceInterfaceObject.h"
#include "CDeviceObject.h"
#include "DeviceApis.h"
#include "DiskDevices.h"
#include "Trace.h"

namespace {

bool Holds(const CaseInsensitiveString& text, const char* part) {
    return text.find(part) != CaseInsensitiveString::npos;
}

// The USB device of the printing interface `device` (its parent) when one of that device's children is
// the USB printing device of `usbId`.
bool IsUsbDeviceOf(CDeviceObject& device, const char* usbId, CDeviceObject& usbDevice) {
    if (device.GetParent(usbDevice) != ERR_NOERROR) {
        TraceFailed("usbDevice.GetParent");
        return false;
    }
    CaseInsensitiveString id;
    if (usbDevice.GetDeviceID(id) != ERR_NOERROR) {
        TraceFailed("usbDevice.GetDeviceID");
        return false;
    }
    if (!StartsWithNoCase(id.c_str(), "USB\\")) return false;
    CDeviceObject child;
    if (usbDevice.GetChild(child) != ERR_NOERROR || child.GetDeviceID(id) != ERR_NOERROR) return false;
    return Holds(id, "USBPRINT") && Holds(id, usbId);
}

CONFIGRET DeviceIdOfNode(DEVINST node, CaseInsensitiveString& id) {
    ULONG length = 0;
    CONFIGRET result = pfnCM_Get_Device_ID_Size(&length, node, 0);
    if (result != CR_SUCCESS) {
        TraceFailed("CM_Get_Device_ID_Size");
        return result;
    }
    std::vector<char> buffer(length + 1, '\0');
    result = pfnCM_Get_Device_IDA(node, buffer.data(), static_cast<ULONG>(buffer.size()), 0);
    if (result != CR_SUCCESS) {
        TraceFailed("CM_Get_Device_ID");
        return result;
    }
    id = buffer.data();
    return CR_SUCCESS;
}

}  // namespace

long FindDot4PortOfUsbDevice(const char* usbId, char* out, size_t size) {
    if (usbId == nullptr || usbId[0] == '\0' || out == nullptr) return ERROR_INVALID_PARAMETER;
    CDevInfoSet infoSet;
    long result = infoSet.EnumInterfaceDevices(&USB_PRINTING_INTERFACE);
    if (result != ERR_NOERROR) {
        TraceFailedWith("infoSet.EnumInterfaceDevices", result);
        return result;
    }
    CDeviceObject device;
    CDeviceObject usbDevice;
    CaseInsensitiveString top;
    while ((result = infoSet.NextDevice(device)) == ERR_NOERROR) {
        if (!IsUsbDeviceOf(device, usbId, usbDevice)) continue;
        CDeviceObject parent;
        if (usbDevice.GetParent(parent) == ERR_NOERROR && parent.GetDeviceID(top) == ERR_NOERROR) break;
    }
    if (result != ERR_NOERROR) {
        if (result != ERROR_NO_MORE_DEVICES) TraceFailedWith("infoSet.EnumDevicesInterface", result);
        std::printf("EnumDevicesInterface can not find the usb device for %s:\n", usbId);
        return ERROR_NOT_FOUND;
    }
    infoSet.Rewind();
    auto isTop = [&top](CDeviceObject& ancestor) {
        CaseInsensitiveString id;
        return ancestor.GetDeviceID(id) == ERR_NOERROR && SameDeviceID(id, top);
    };
    while ((result = infoSet.NextDevice(device)) == ERR_NOERROR) {
        CaseInsensitiveString id;
        if (device.GetDeviceID(id) != ERR_NOERROR || !StartsWithNoCase(id.c_str(), "DOT4\\")) continue;
        CDeviceObject ancestor;
        if (device.FindAncestor(ancestor, isTop) != ERR_NOERROR) continue;
        CDeviceInterfaceObject dot4Interface;
        result = device.GetDeviceInterface(dot4Interface);
        if (result != ERR_NOERROR) {
            TraceFailedWith("GetDeviceInterface", result);
            return result;
        }
        return dot4Interface.GetPortName(out, size);
    }
    if (result != ERROR_NO_MORE_DEVICES) TraceFailedWith("infoSet.EnumDevicesInterface", result);
    std::printf("EnumDevicesInterface can not find the dot4 device for %s:\n", usbId);
    return ERROR_NOT_FOUND;
}

long GetUsbLptParentID(const char* deviceId, CaseInsensitiveString& parentId) {
    parentId.clear();
    BindDeviceApis();
    if (pfnCM_Locate_DevNodeA == nullptr || pfnCM_Get_Parent == nullptr ||
        pfnCM_Get_Device_ID_Size == nullptr || pfnCM_Get_Device_IDA == nullptr || deviceId == nullptr) {
        TraceFailed("CM_Locate_DevNode");
        return ERROR_PROC_NOT_FOUND;
    }
    std::vector<char> id(deviceId, deviceId + CaseInsensitiveString::traits_type::length(deviceId) + 1);
    DEVINST node = 0;
    CONFIGRET result = pfnCM_Locate_DevNodeA(&node, id.data(), CM_LOCATE_DEVNODE_NORMAL);
    if (result != CR_SUCCESS) {
        TraceFailed("CM_Locate_DevNode");
        return static_cast<long>(result);
    }
    DEVINST parent = 0;
    while (pfnCM_Get_Parent(&parent, node, 0) == CR_SUCCESS) {
        node = parent;
        CaseInsensitiveString ancestorId;
        result = DeviceIdOfNode(node, ancestorId);
        if (result != CR_SUCCESS) return static_cast<long>(result);
        if (IsUsbLptParentID(ancestorId)) {
            parentId = ancestorId;
            return ERR_NOERROR;
        }
    }
    return ERROR_NOT_FOUND;
}

bool IsUsbLptParentID(const CaseInsensitiveString& id) {
    // A composite device's functions ("&MI_nn") hang from the device that the printer and its card
    // reader share.
    return StartsWithNoCase(id.c_str(), "LPTENUM") ||
           (StartsWithNoCase(id.c_str(), "USB\\") && !Holds(id, "&MI_"));
}

long FindUsbLptParentDeviceID(const char* deviceId, char& drive) {
    drive = '\0';
    CaseInsensitiveString parentId;
    long result = GetUsbLptParentID(deviceId, parentId);
    if (result != ERR_NOERROR) {
        TraceFailed("FindUsbLptParentDeviceID");
        return result;
    }
    drive = FindRemovableDrive([&parentId](char letter) {
        CaseInsensitiveString diskId;
        CaseInsensitiveString diskParentId;
        return GetDiskDeviceInstanceID(letter, diskId) == ERR_NOERROR &&
               GetUsbLptParentID(diskId.c_str(), diskParentId) == ERR_NOERROR &&
               SameDeviceID(diskParentId, parentId);
    });
    return drive ? ERR_NOERROR : ERROR_NOT_FOUND;
}
