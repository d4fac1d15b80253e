#include "DiskDescriptions.h"

#include <cstring>

#include "CDevInfoSet.h"
#include "CDeviceObject.h"
#include "CPort.h"
#include "CPrinter.h"
#include "DeviceApis.h"
#include "DiskDevices.h"
#include "PrinterLists.h"
#include "Trace.h"
#include "UsbDeviceSearches.h"
#include "cfgmgr32.h"

namespace {

constexpr DWORD kAnyDriverAge = CPrinter::DEFAULT_OLD_DRIVER_THRESHOLD;

// The USB or parallel-port device above `device` that a printer and its card reader share, and its id.
// The top of the tree reached without one gives ERROR_NOT_FOUND.
long SharedAncestorID(CDeviceObject& device, const char* step, CaseInsensitiveString& id) {
    id.clear();
    CDeviceObject ancestor;
    long result = device.FindAncestor(ancestor, [](CDeviceObject& candidate) {
        CaseInsensitiveString candidateId;
        return candidate.GetDeviceID(candidateId) == ERR_NOERROR && IsUsbLptParentID(candidateId);
    });
    if (result == CR_NO_SUCH_DEVNODE) return ERROR_NOT_FOUND;
    if (result != ERR_NOERROR) {
        TraceFailedWith(step, result);
        return result;
    }
    result = ancestor.GetDeviceID(id);
    if (result != ERR_NOERROR) TraceFailedWith("ancestorDeviceID.GetDeviceID", result);
    return result;
}

// The port's present device hangs from the device `diskAncestorId` names. A port without a present
// device is no match; other failures are traced and make no match either.
bool PortSharesAncestor(const CPort& port, const CaseInsensitiveString& diskAncestorId) {
    CDevInfoSet portSet;
    CDeviceObject portDevice;
    long result = port.GetDevice(portSet, portDevice);
    if (result != ERR_NOERROR) {
        if (result != ERROR_NOT_FOUND) TraceFailedWith("port.GetDevice( portDevice )", result);
        return false;
    }
    CaseInsensitiveString portAncestorId;
    if (SharedAncestorID(portDevice, "portAncestorDevice.FindAncestor", portAncestorId) != ERR_NOERROR) {
        return false;
    }
    return SameDeviceID(portAncestorId, diskAncestorId);
}

long CopyDescription(const char* name, char* description, size_t size) {
    const size_t length = std::strlen(name);
    if (length >= size) return ERR_BUFFEROVERFLOW;
    std::memcpy(description, name, length + 1);
    return ERR_NOERROR;
}

}  // namespace

long GetDiskDescription(char letter, char* description, size_t size) {
    if (description != nullptr && size > 0) description[0] = '\0';
    BindDeviceApis();
    if (pfnSetupDiGetClassDevsA == nullptr || pfnCM_Get_Parent == nullptr ||
        pfnCM_Get_Device_IDA == nullptr) {
        TraceFailed("GetDiskDescription uninitilaized object");
        return ERROR_PROC_NOT_FOUND;
    }
    CDevInfoSet diskSet;
    CDeviceObject disk;
    const long result = GetDiskDevice(letter, diskSet, disk);
    if (result != ERR_NOERROR) return result;
    return GetDiskDescription2(disk, description, size);
}

long GetDiskDescription2(CDeviceObject& disk, char* description, size_t size) {
    if (description == nullptr || size == 0 || disk.GetInfoSet() == nullptr) {
        TraceFailed("GetDiskDescription2 invalid parameters");
        return ERROR_INVALID_PARAMETER;
    }
    description[0] = '\0';
    CaseInsensitiveString diskAncestorId;
    long result = SharedAncestorID(disk, "diskAncestorDevice.FindAncestor", diskAncestorId);
    if (result != ERR_NOERROR) return result;

    CaseInsensitiveStringList ports;
    if (GetSupportedPortList(ports) != 0) {
        TraceFailed("GetSupportedPortList( list )");
        return ERR_UNKNOWN;
    }
    const char* portName = nullptr;
    CPort port;
    for (const CaseInsensitiveString& name : ports) {
        if (port.Init(name.c_str()) != ERR_NOERROR) {
            TraceFailed("port.Init()");
            continue;
        }
        if (PortSharesAncestor(port, diskAncestorId)) {
            portName = port.GetName();
            break;
        }
    }

    // A printer on a DOT4 port of the same device names the card reader better than its port does.
    CaseInsensitiveStringList printers;
    if (GetSupportedPrinterList(printers) != 0) {
        TraceFailed("GetSupportedPrinterList( list )");
        return ERR_UNKNOWN;
    }
    for (const CaseInsensitiveString& name : printers) {
        CPrinter prn;
        if (prn.Init(name.c_str(), kAnyDriverAge) != 1) {
            TraceFailed("prn.Init()");
            continue;
        }
        if (!StartsWithNoCase(prn.GetATemporalPortNamePtr(), "DOT4")) continue;
        if (PortSharesAncestor(prn.GetATemporalPortRef(), diskAncestorId)) {
            return CopyDescription(prn.GetATemporalFriendlyNamePtr(), description, size);
        }
    }
    if (portName == nullptr) return ERROR_NOT_FOUND;
    return CopyDescription(portName, description, size);
}
