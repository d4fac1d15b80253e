#include "CDeviceObject.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "CDevInfoSet.h"
#include "CDeviceInterfaceObject.h"
#include "DeviceApis.h"
#include "OsVersion.h"
#include "Trace.h"

namespace {

// Windows 9x keeps the properties as values of the device's key under Enum, by these names; the codes
// without a name have no value there.
const char* const kPropertyValueNames[] = {
    "DeviceDesc",
    "HardwareID",
    "CompatibleIDs",
    nullptr,
    "Service",
    nullptr,
    nullptr,
    "Class",
    "ClassGUID",
    "Driver",
    "ConfigFlags",
    "Mfg",
    "FriendlyName",
    "LocationInformation",
    "PhysicalDeviceObjectName",
    "Capabilities",
    "UiNumber",
    "UpperFilters",
    "LowerFilters",
};

constexpr char kCfgmgrFailure[] = "%s failed with cfgmgr32 error %ld\n";

}  // namespace

CDeviceObject::CDeviceObject() : m_set(nullptr), m_data{} {
    m_data.cbSize = sizeof m_data;
}

CDeviceObject::CDeviceObject(const CDeviceObject& other) = default;
CDeviceObject& CDeviceObject::operator=(const CDeviceObject& other) = default;
CDeviceObject::~CDeviceObject() = default;

void CDeviceObject::Attach(CDevInfoSet* set, const SP_DEVINFO_DATA* data) {
    m_set = set;
    if (data != nullptr) {
        m_data = *data;
    } else {
        m_data = SP_DEVINFO_DATA{};
    }
    m_data.cbSize = sizeof m_data;
}

long CDeviceObject::GetProperty(DWORD code, DWORD* type, BYTE* buffer, DWORD size, DWORD* needed) {
    if (!IsNT()) return GetProperty9x(code, type, buffer, size, needed);
    BindDeviceApis();
    if (pfnSetupDiGetDeviceRegistryPropertyA == nullptr || m_set == nullptr) {
        TraceFailedReturningCode("SetupDiGetDeviceRegistryProperty", ERROR_PROC_NOT_FOUND);
        return ERROR_PROC_NOT_FOUND;
    }
    DWORD required = 0;
    if (pfnSetupDiGetDeviceRegistryPropertyA(m_set->GetHandle(), &m_data, code, type, buffer, size,
                                             &required)) {
        if (needed != nullptr) *needed = required;
        return ERR_NOERROR;
    }
    const long result = static_cast<long>(GetLastError());
    if (needed != nullptr) *needed = required;
    if (result == ERROR_INSUFFICIENT_BUFFER && required <= size) return ERR_NOERROR;
    if (result != ERROR_INVALID_DATA && result != ERROR_INSUFFICIENT_BUFFER) {
        TraceFailedReturningCode("SetupDiGetDeviceRegistryProperty", result);
    }
    return result;
}

long CDeviceObject::GetProperty9x(DWORD code, DWORD* type, BYTE* buffer, DWORD size, DWORD* needed) {
    const char* valueName = code < std::size(kPropertyValueNames) ? kPropertyValueNames[code] : nullptr;
    if (valueName == nullptr) {
        std::printf("Invalid property %ld\n", static_cast<long>(code));
        return ERROR_INVALID_DATA;
    }
    CaseInsensitiveString id;
    if (GetDeviceID(id) != ERR_NOERROR) {
        if (buffer != nullptr) std::memset(buffer, 0, size);
        if (needed != nullptr) *needed = 0;
        return ERR_NOERROR;
    }
    const std::string keyPath = "Enum\\" + std::string(id.c_str());
    CRegKeyGuard key;
    long result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.Receive());
    if (result != ERROR_SUCCESS) {
        TraceFailedWith("RegOpenKeyEx", result);
        return result;
    }
    DWORD length = size;
    result = RegQueryValueExA(key.Get(), valueName, nullptr, type, buffer, &length);
    if (needed != nullptr) *needed = length;
    // The registry says ERROR_MORE_DATA where the set-up interfaces say ERROR_INSUFFICIENT_BUFFER.
    if (result == ERROR_MORE_DATA || (result == ERROR_SUCCESS && buffer == nullptr && length > 0)) {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    return result;
}

long CDeviceObject::GetProperty(DWORD code, CaseInsensitiveString& value) {
    std::vector<BYTE> buffer;
    DWORD wanted = 64;
    for (;;) {
        try {
            buffer.resize(wanted);
        } catch (const std::bad_alloc&) {
            std::printf("Out of Memory Error allocating memory\n");
            return ERR_MEMORY;
        }
        DWORD needed = 0;
        const long result =
            GetProperty(code, nullptr, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
        if (result == ERROR_INSUFFICIENT_BUFFER && needed > buffer.size()) {
            wanted = needed;
            continue;
        }
        if (result != ERR_NOERROR) {
            if (result != ERROR_INVALID_DATA) TraceFailedWith("CDeviceObject::GetProperty", result);
            return result;
        }
        const char* text = reinterpret_cast<const char*>(buffer.data());
        try {
            value.assign(text, strnlen(text, buffer.size()));
        } catch (const std::bad_alloc&) {
            std::printf("Out of Memory creating new string\n");
            return ERR_MEMORY;
        }
        return ERR_NOERROR;
    }
}

long CDeviceObject::GetDeviceID(CaseInsensitiveString& id) {
    BindDeviceApis();
    if (pfnCM_Get_Device_ID_Size == nullptr || pfnCM_Get_Device_IDA == nullptr) {
        std::printf(kCfgmgrFailure, "CM_Get_Device_ID", static_cast<long>(ERROR_PROC_NOT_FOUND));
        return ERROR_PROC_NOT_FOUND;
    }
    ULONG length = 0;
    CONFIGRET result = pfnCM_Get_Device_ID_Size(&length, m_data.DevInst, 0);
    if (result != CR_SUCCESS) {
        std::printf(kCfgmgrFailure, "CM_Get_Device_ID_Size", static_cast<long>(result));
        return static_cast<long>(result);
    }
    std::vector<char> buffer(length + 1, '\0');
    result = pfnCM_Get_Device_IDA(m_data.DevInst, buffer.data(), static_cast<ULONG>(buffer.size()), 0);
    if (result != CR_SUCCESS) {
        std::printf(kCfgmgrFailure, "CM_Get_Device_ID", static_cast<long>(result));
        return static_cast<long>(result);
    }
    id = buffer.data();
    return ERR_NOERROR;
}

long CDeviceObject::Relative(bool parent, CDeviceObject& relative) {
    BindDeviceApis();
    auto call = parent ? pfnCM_Get_Parent : pfnCM_Get_Child;
    const char* step = parent ? "CM_Get_Parent" : "CM_Get_Child";
    if (call == nullptr) {
        std::printf(kCfgmgrFailure, step, static_cast<long>(ERROR_PROC_NOT_FOUND));
        return ERROR_PROC_NOT_FOUND;
    }
    DEVINST node = 0;
    const CONFIGRET result = call(&node, m_data.DevInst, 0);
    if (result != CR_SUCCESS) {
        std::printf(kCfgmgrFailure, step, static_cast<long>(result));
        return static_cast<long>(result);
    }
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    data.DevInst = node;
    relative.Attach(m_set, &data);
    return ERR_NOERROR;
}

long CDeviceObject::GetParent(CDeviceObject& parent) {
    return Relative(true, parent);
}

long CDeviceObject::GetChild(CDeviceObject& child) {
    return Relative(false, child);
}

long CDeviceObject::FindAncestor(CDeviceObject& ancestor,
                                 const std::function<bool(CDeviceObject&)>& predicate) {
    CDeviceObject current(*this);
    for (;;) {
        const long result = current.GetParent(ancestor);
        if (result != ERR_NOERROR) return result;
        if (predicate(ancestor)) return ERR_NOERROR;
        current = ancestor;
    }
}

long CDeviceObject::GetDeviceInterface(CDeviceInterfaceObject& deviceInterface) {
    BindDeviceApis();
    if (pfnSetupDiEnumDeviceInterfaces == nullptr || m_set == nullptr) {
        TraceFailedReturningCode("SetupDiEnumDeviceInterfaces", ERROR_PROC_NOT_FOUND);
        return ERROR_PROC_NOT_FOUND;
    }
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!pfnSetupDiEnumDeviceInterfaces(m_set->GetHandle(), &m_data, &m_set->GetInterfaceGuid(), 0, &data)) {
        const long result = static_cast<long>(GetLastError());
        TraceFailedReturningCode("SetupDiEnumDeviceInterfaces", result);
        return result;
    }
    deviceInterface.Attach(m_set, data);
    return ERR_NOERROR;
}

long CDeviceObject::GetDriveLetter(char& letter) {
    letter = '\0';
    CaseInsensitiveString id;
    long result = GetDeviceID(id);
    if (result != ERR_NOERROR) return result;
    const std::string keyPath = "Enum\\" + std::string(id.c_str());
    CRegKeyGuard key;
    result = RegOpenKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str(), key.Receive());
    if (result != ERROR_SUCCESS) {
        TraceFailedWith("RegOpenKey", result);
        return result;
    }
    char assignment[4] = {};
    DWORD length = sizeof assignment;
    result = RegQueryValueExA(key.Get(), "CurrentDriveLetterAssignment", nullptr, nullptr,
                              reinterpret_cast<BYTE*>(assignment), &length);
    if (result != ERROR_SUCCESS) return result;
    letter = assignment[0];
    return ERR_NOERROR;
}

void CDeviceObject::Dump() {
    struct Shown {
        const char* label;
        DWORD code;
    };
    const Shown shown[] = {
        {"DeviceDesc", SPDRP_DEVICEDESC},
        {"HardwareID", SPDRP_HARDWAREID},
        {"CompatibleIDs", SPDRP_COMPATIBLEIDS},
        {"Class", SPDRP_CLASS},
        {"ClassGuid", SPDRP_CLASSGUID},
        {"Driver", SPDRP_DRIVER},
        {"Mfg", SPDRP_MFG},
        {"FriendlyName", SPDRP_FRIENDLYNAME},
        {"LocationInformation", SPDRP_LOCATION_INFORMATION},
        {"PhysicalDeviceObjectName", SPDRP_PHYSICAL_DEVICE_OBJECT_NAME},
    };
    for (const Shown& property : shown) {
        CaseInsensitiveString value;
        if (GetProperty(property.code, value) == ERR_NOERROR)
            std::printf("%s: %s\n", property.label, value.c_str());
    }
    CaseInsensitiveString id;
    if (GetDeviceID(id) == ERR_NOERROR) std::printf("Device: %s\n", id.c_str());
    CDeviceObject current(*this);
    CDeviceObject parent;
    while (current.GetParent(parent) == ERR_NOERROR && parent.GetDeviceID(id) == ERR_NOERROR) {
        std::printf("Parent: %s\n", id.c_str());
        current = parent;
    }
}
