#include "CDevInfoSet.h"

#include "CDeviceObject.h"
#include "CaseInsensitiveString.h"
#include "DeviceApis.h"
#include "Trace.h"

CDevInfoSet::CDevInfoSet() : m_hDevInfo(INVALID_HANDLE_VALUE), m_index(0), m_interfaceGuid{} {}

CDevInfoSet::~CDevInfoSet() {
    Clear();
}

long CDevInfoSet::EnumDevices(const GUID* classGuid, const char* enumerator, HWND window, DWORD flags) {
    BindDeviceApis();
    long result = Clear();
    if (result != ERR_NOERROR) {
        TraceFailedWith("Clear", result);
        return result;
    }
    if (pfnSetupDiGetClassDevsA == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
    } else {
        m_hDevInfo = pfnSetupDiGetClassDevsA(classGuid, enumerator, window, flags);
    }
    if (m_hDevInfo == INVALID_HANDLE_VALUE) {
        result = static_cast<long>(GetLastError());
        TraceFailedReturningCode("SetupDiGetClassDevs", result);
        return result;
    }
    if ((flags & DIGCF_DEVICEINTERFACE) != 0 && classGuid != nullptr) m_interfaceGuid = *classGuid;
    return ERR_NOERROR;
}

long CDevInfoSet::EnumSetupDevices(const GUID* classGuid, const char* enumerator, HWND window) {
    return EnumDevices(classGuid, enumerator, window, DIGCF_PRESENT);
}

long CDevInfoSet::EnumInterfaceDevices(const GUID* interfaceGuid, const char* enumerator, HWND window) {
    return EnumDevices(interfaceGuid, enumerator, window, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
}

long CDevInfoSet::NextDevice(CDeviceObject& device) {
    BindDeviceApis();
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    long result = ERROR_PROC_NOT_FOUND;
    if (pfnSetupDiEnumDeviceInfo != nullptr) {
        if (pfnSetupDiEnumDeviceInfo(m_hDevInfo, m_index, &data)) {
            ++m_index;
            device.Attach(this, &data);
            return ERR_NOERROR;
        }
        result = static_cast<long>(GetLastError());
    }
    // The set-up interfaces end a set with ERROR_NO_MORE_ITEMS; the library's callers know the end of
    // a set as ERROR_NO_MORE_DEVICES.
    if (result == ERROR_NO_MORE_ITEMS) return ERROR_NO_MORE_DEVICES;
    TraceFailedReturningCode("SetupDiEnumDeviceInfo", result);
    return result;
}

long CDevInfoSet::FindDevice(CDeviceObject& device, const char* name) {
    for (;;) {
        long result = NextDevice(device);
        if (result == ERROR_NO_MORE_DEVICES) return ERROR_NOT_FOUND;
        if (result != ERR_NOERROR) {
            TraceFailedReturningCode("NextDevice", result);
            return result;
        }
        CaseInsensitiveString objectName;
        if (device.GetProperty(SPDRP_PHYSICAL_DEVICE_OBJECT_NAME, objectName) != ERR_NOERROR) continue;
        // An empty name names no device, though many devices have no object name.
        if (name != nullptr && name[0] != '\0' && objectName == name) return ERR_NOERROR;
    }
}

long CDevInfoSet::FindSetupDevice(const GUID* classGuid, CDeviceObject& device, const char* name) {
    return OpenAndFind(&CDevInfoSet::EnumSetupDevices, "EnumSetupDevices", classGuid, device, name);
}

long CDevInfoSet::FindDeviceInterface(const GUID* interfaceGuid, CDeviceObject& device, const char* name) {
    return OpenAndFind(&CDevInfoSet::EnumInterfaceDevices, "EnumInterfaceDevices", interfaceGuid, device,
                       name);
}

long CDevInfoSet::OpenAndFind(OpenSet open, const char* openStep, const GUID* guid, CDeviceObject& device,
                              const char* name) {
    long result = (this->*open)(guid, nullptr, nullptr);
    if (result != ERR_NOERROR) {
        TraceFailedReturningCode(openStep, result);
        return result;
    }
    result = FindDevice(device, name);
    if (result != ERR_NOERROR && result != ERROR_NOT_FOUND) TraceFailedReturningCode("FindDevice", result);
    return result;
}

void CDevInfoSet::Rewind() {
    m_index = 0;
}

long CDevInfoSet::Clear() {
    if (m_hDevInfo != INVALID_HANDLE_VALUE) {
        BindDeviceApis();
        if (pfnSetupDiDestroyDeviceInfoList == nullptr) {
            TraceFailedReturningCode("SetupDiDestroyDeviceInfoList", ERROR_PROC_NOT_FOUND);
            return ERROR_PROC_NOT_FOUND;
        }
        if (!pfnSetupDiDestroyDeviceInfoList(m_hDevInfo)) {
            long result = static_cast<long>(GetLastError());
            TraceFailedReturningCode("SetupDiDestroyDeviceInfoList", result);
            return result;
        }
    }
    m_hDevInfo = INVALID_HANDLE_VALUE;
    m_index = 0;
    return ERR_NOERROR;
}

void CDevInfoSet::Dump() {
    CDeviceObject device;
    while (NextDevice(device) == ERR_NOERROR) device.Dump();
}

void DumpSetupDevices(const GUID* classGuid) {
    CDevInfoSet set;
    if (set.EnumSetupDevices(classGuid) == ERR_NOERROR) set.Dump();
}

void DumpInterfaceDevices(const GUID* interfaceGuid) {
    CDevInfoSet set;
    if (set.EnumInterfaceDevices(interfaceGuid) == ERR_NOERROR) set.Dump();
}
