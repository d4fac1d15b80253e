#include "CDeviceInterfaceObject.h"

#include <cstdio>
#include <string>

#include "CDevInfoSet.h"
#include "DeviceApis.h"
#include "Trace.h"

CDeviceInterfaceObject::CDeviceInterfaceObject() : m_set(nullptr), m_data{} {
    m_data.cbSize = sizeof m_data;
}

void CDeviceInterfaceObject::Attach(CDevInfoSet* set, const SP_DEVICE_INTERFACE_DATA& data) {
    m_set = set;
    m_data = data;
}

long CDeviceInterfaceObject::GetPortName(char* out, size_t size) {
    if (out == nullptr) {
        TraceFailedWith("GetPortName", ERROR_INVALID_PARAMETER);
        return ERROR_INVALID_PARAMETER;
    }
    BindDeviceApis();
    if (pfnSetupDiOpenDeviceInterfaceRegKey == nullptr || m_set == nullptr) {
        TraceFailedWith("SetupDiOpenDeviceInterfaceRegKey", ERROR_PROC_NOT_FOUND);
        return ERROR_PROC_NOT_FOUND;
    }
    CRegKeyGuard key(pfnSetupDiOpenDeviceInterfaceRegKey(m_set->GetHandle(), &m_data, 0, KEY_READ));
    if (key.Get() == INVALID_HANDLE_VALUE) {
        long result = static_cast<long>(GetLastError());
        TraceFailedWith("SetupDiOpenDeviceInterfaceRegKey", result);
        return result;
    }
    char baseName[MAX_PATH + 1] = {};
    DWORD length = MAX_PATH;
    long result = RegQueryValueExA(key.Get(), "Base Name", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(baseName), &length);
    if (result != ERROR_SUCCESS) {
        TraceFailedWith("RegQueryValueExA(\"Base Name\")", result);
        return result;
    }
    DWORD number = 0;
    length = sizeof number;
    result = RegQueryValueExA(key.Get(), "Port Number", nullptr, nullptr, reinterpret_cast<BYTE*>(&number),
                              &length);
    if (result != ERROR_SUCCESS) {
        TraceFailedWith("RegQueryValueExA(\"Port Number\")", result);
        return result;
    }
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", static_cast<int>(number));
    const std::string name = std::string(baseName) + digits;
    if (name.size() >= size) return ERR_BUFFEROVERFLOW;
    name.copy(out, name.size());
    out[name.size()] = '\0';
    return ERR_NOERROR;
}
