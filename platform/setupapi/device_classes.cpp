// Device setup classes and interface classes: their lists, names and keys, and installing a class.
#include <cstring>

#include "platform/advapi32/registry_key.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"
#include "platform/setupapi/device_sets.h"

using platform::setup::SetError;
namespace devices = platform::devices;

namespace {

const char* BelowLocalMachine(const std::string& fullPath) {
    return fullPath.c_str() + std::strlen("HKEY_LOCAL_MACHINE\\");
}

bool HasValue(const std::string& keyPath, std::string_view valueName) {
    platform::RegistryStore& store = platform::RegistryStore::For(platform::Machine::Current());
    std::optional<std::int64_t> key = store.FindKey(keyPath);
    return key && store.Value(*key, valueName).has_value();
}

// Copies a list of GUIDs out by the size protocol of the class calls.
BOOL CopyGuids(const std::vector<GUID>& guids, LPGUID list, DWORD listSize, PDWORD requiredSize) {
    if (requiredSize) *requiredSize = static_cast<DWORD>(guids.size());
    if (!list && listSize != 0) return SetError(ERROR_INVALID_USER_BUFFER);
    if (listSize < guids.size()) return SetError(ERROR_INSUFFICIENT_BUFFER);
    for (size_t index = 0; index < guids.size(); ++index) list[index] = guids[index];
    return TRUE;
}

HKEY OpenKey(const std::string& fullPath, REGSAM access) {
    HKEY key = nullptr;
    LONG error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, BelowLocalMachine(fullPath), 0, access, &key);
    if (error != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(error));
        return reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
    }
    return key;
}

}  // namespace

extern "C" BOOL WINAPI SetupDiBuildClassInfoList(DWORD Flags, LPGUID ClassGuidList, DWORD ClassGuidListSize,
                                                 PDWORD RequiredSize) {
    if (Flags & ~static_cast<DWORD>(DIBCI_NOINSTALLCLASS | DIBCI_NODISPLAYCLASS)) return SetError(ERROR_INVALID_FLAGS);
    std::vector<GUID> classes;
    for (const GUID& guid : devices::ListClasses()) {
        std::optional<std::string> key = devices::ClassKeyPath(guid);
        if (!key) continue;
        if ((Flags & DIBCI_NOINSTALLCLASS) && HasValue(*key, "NoInstallClass")) continue;
        if ((Flags & DIBCI_NODISPLAYCLASS) && HasValue(*key, "NoDisplayClass")) continue;
        classes.push_back(guid);
    }
    return CopyGuids(classes, ClassGuidList, ClassGuidListSize, RequiredSize);
}

extern "C" BOOL WINAPI SetupDiClassNameFromGuidA(const GUID* ClassGuid, PSTR ClassName, DWORD ClassNameSize,
                                                 PDWORD RequiredSize) {
    if (!ClassGuid) return SetError(ERROR_INVALID_USER_BUFFER);
    std::optional<std::string> name = devices::ClassName(*ClassGuid);
    if (!name) return SetError(ERROR_INVALID_CLASS);
    DWORD needed = static_cast<DWORD>(name->size() + 1);
    if (RequiredSize) *RequiredSize = needed;
    if (!ClassName && ClassNameSize != 0) return SetError(ERROR_INVALID_USER_BUFFER);
    if (ClassNameSize < needed) return SetError(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(ClassName, name->c_str(), needed);
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiClassGuidsFromNameA(PCSTR ClassName, LPGUID ClassGuidList, DWORD ClassGuidListSize,
                                                  PDWORD RequiredSize) {
    if (!ClassName) return SetError(ERROR_INVALID_USER_BUFFER);
    std::vector<GUID> classes;
    for (const GUID& guid : devices::ListClasses()) {
        std::optional<std::string> name = devices::ClassName(guid);
        if (name && platform::EqualsNoCase(*name, ClassName)) classes.push_back(guid);
    }
    return CopyGuids(classes, ClassGuidList, ClassGuidListSize, RequiredSize);
}

extern "C" HKEY WINAPI SetupDiOpenClassRegKeyExA(const GUID* ClassGuid, REGSAM samDesired, DWORD Flags, PCSTR,
                                                 PVOID) {
    HKEY failed = reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
    std::string path;
    if (Flags == DIOCR_INSTALLER) {
        if (!ClassGuid) {
            path = devices::ClassRootPath();
        } else if (std::optional<std::string> classKey = devices::ClassKeyPath(*ClassGuid)) {
            path = *classKey;
        } else {
            SetLastError(ERROR_INVALID_CLASS);
            return failed;
        }
    } else if (Flags == DIOCR_INTERFACE) {
        path = devices::InterfaceClassesPath();
        if (ClassGuid) path += "\\" + platform::GuidText(*ClassGuid);
    } else {
        SetLastError(ERROR_INVALID_FLAGS);
        return failed;
    }
    return OpenKey(path, samDesired);
}

extern "C" HKEY WINAPI SetupDiOpenClassRegKey(const GUID* ClassGuid, REGSAM samDesired) {
    return SetupDiOpenClassRegKeyExA(ClassGuid, samDesired, DIOCR_INSTALLER, nullptr, nullptr);
}

// An interface class gets its key under DeviceClasses; a setup class is read from the [Version] section
// of the INF file ("Class", "ClassGUID") and gets its class key with its name.
extern "C" BOOL WINAPI SetupDiInstallClassExA(HWND, PCSTR InfFileName, DWORD, HSPFILEQ,
                                              const GUID* InterfaceClassGuid, PVOID, PVOID) {
    platform::RegistryKey key;
    if (InterfaceClassGuid) {
        std::string path = devices::InterfaceClassesPath() + "\\" + platform::GuidText(*InterfaceClassGuid);
        LONG error = key.Create(HKEY_LOCAL_MACHINE, BelowLocalMachine(path));
        if (error != ERROR_SUCCESS) return SetError(static_cast<DWORD>(error));
        return TRUE;
    }
    if (!InfFileName) return SetError(ERROR_INVALID_PARAMETER);
    if (GetFileAttributesA(InfFileName) == INVALID_FILE_ATTRIBUTES) return FALSE;
    char className[MAX_CLASS_NAME_LEN] = "";
    char classGuidText[64] = "";
    GetPrivateProfileStringA("Version", "Class", "", className, sizeof className, InfFileName);
    GetPrivateProfileStringA("Version", "ClassGUID", "", classGuidText, sizeof classGuidText, InfFileName);
    std::optional<GUID> classGuid = platform::ParseGuid(classGuidText);
    if (!classGuid || !*className) return SetError(ERROR_INVALID_CLASS);
    bool nt = platform::Machine::Current().IsNT();
    std::string path = devices::ClassRootPath() + "\\" + (nt ? platform::GuidText(*classGuid) : className);
    LONG error = key.Create(HKEY_LOCAL_MACHINE, BelowLocalMachine(path));
    if (error != ERROR_SUCCESS) return SetError(static_cast<DWORD>(error));
    error = key.SetString(nt ? "Class" : "", className);
    if (error != ERROR_SUCCESS) return SetError(static_cast<DWORD>(error));
    return TRUE;
}
