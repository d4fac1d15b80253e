#include "CIOUninstaller.h"

#include <cstdio>
#include <vector>

#include "CDevInfoSet.h"
#include "CDeviceObject.h"
#include "CUninstallerProgress.h"
#include "DataFile.h"
#include "OsVersion.h"
#include "ServiceRemoval.h"
#include "Trace.h"
#include "UninstallerGlobals.h"
#include "setupapi.h"

namespace {

constexpr char SECTION_NAME[] = "IOUninstaller";
constexpr char DATA_SECTION[] = "Scrubber.IOUninstaller";
constexpr char KNOWN_CLASSES_KEY[] = "KnownClasses";
constexpr char LEGACY_CLASSES_KEY[] = "LegacyClasses";
constexpr char SERVICES_KEY[] = "Services";
constexpr char PRINTER_CLASS[] = "Printer";

constexpr char BUILD_CLASS_LIST_STEP[] = "SetupDiBuildClassInfoList";
constexpr char LOAD_KNOWN_CLASSES_STEP[] = "LoadStringListFromValue( knownClasses)";
constexpr char CLASS_NAME_STEP[] = "SetupDiClassNameFromGuid";
constexpr char LOAD_LEGACY_CLASSES_STEP[] = "LoadStringListFromValue( specificClasses)";
constexpr char LOAD_SERVICES_STEP[] = "LoadStringListFromValue( services)";
constexpr char ENUM_DEVICES_STEP[] = "devInfoSet.EnumDevices";
constexpr char DELETE_CLASS_DEVS_STEP[] = "DeleteClassDevs( guidList[g] )";
constexpr char CALL_CLASS_INSTALLER_STEP[] = "SetupDiCallClassInstaller";
constexpr char REMOVE_DEVICE_STEP[] = "SetupDiRemoveDevice";
constexpr char INSTALL_PARAMS_STEP[] = "SetupDiGetDeviceInstallParams";

constexpr char REMOVED_DEVICE[] = "Removed device= ";
constexpr char LINE_END[] = "\r\n";
constexpr char MICROSOFT[] = "MICROSOFT";
constexpr char NUMBERED_SERVICE_FORMAT[] = "%s %s%2.2d";

// The transport and imaging classes whose devices go whoever made them.
constexpr const char* TRANSPORT_CLASSES[] = {"DOT4 SETUP", "DOT4PRINT", "DOT4", "DOT4USB", "DOT4PAR", "DOT4SCAN", "IMAGE"};
// Devices on the parallel port, whose removal takes effect only after a restart.
constexpr const char* PARALLEL_ENUMERATORS[] = {"LPTENUM", "DOT4PAR"};

constexpr DWORD MAXIMUM_CLASS_GUIDS = 20;

bool Contains(const CaseInsensitiveStringList& list, const CaseInsensitiveString& name) {
    for (const CaseInsensitiveString& item : list) {
        if (item == name) return true;
    }
    return false;
}

bool HoldsKeyword(const CaseInsensitiveString& text, const CaseInsensitiveStringList& keywords) {
    for (const CaseInsensitiveString& keyword : keywords) {
        if (text.find(keyword) != CaseInsensitiveString::npos) return true;
    }
    return false;
}

// The class's name from its GUID, upper case; empty when it has none.
CaseInsensitiveString ClassNameOf(const GUID& classGuid) {
    char name[MAX_PATH] = "";
    if (!SetupDiClassNameFromGuidA(&classGuid, name, sizeof name, nullptr)) return CaseInsensitiveString();
    return TrimmedUpper(name);
}

}  // namespace

CIOUninstaller::CIOUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CIOUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CIOUninstaller::Delete() {
    DWORD count = 0;
    // A machine without classes answers with success and a count of 0: what is traced then is what the
    // call left, never an earlier call's error.
    SetLastError(ERROR_SUCCESS);
    if ((!SetupDiBuildClassInfoList(0, nullptr, 0, &count) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) ||
        count == 0) {
        TraceFailedReturningCode(BUILD_CLASS_LIST_STEP, static_cast<long>(GetLastError()));
        return 0;
    }
    std::vector<GUID> classes(count);
    if (!SetupDiBuildClassInfoList(0, classes.data(), count, &count)) {
        TraceFailedReturningCode(BUILD_CLASS_LIST_STEP, static_cast<long>(GetLastError()));
        return 0;
    }
    if (count < classes.size()) classes.resize(count);

    CaseInsensitiveStringList knownClasses;
    if (!LoadStringListFromValue(DATA_SECTION, KNOWN_CLASSES_KEY, knownClasses)) {
        TraceFailedReturningCode(LOAD_KNOWN_CLASSES_STEP, ERROR_FILE_NOT_FOUND);
        return 0;
    }
    m_installedKnownClasses.clear();
    for (const GUID& classGuid : classes) {
        char name[MAX_PATH] = "";
        if (!SetupDiClassNameFromGuidA(&classGuid, name, sizeof name, nullptr)) {
            if (GetLastError() == ERROR_INVALID_CLASS) continue;
            TraceFailedReturningCode(CLASS_NAME_STEP, static_cast<long>(GetLastError()));
            return 0;
        }
        for (const CaseInsensitiveString& known : knownClasses) {
            if (!known.empty() && StartsWithNoCase(name, known.c_str())) {
                m_installedKnownClasses.push_back(name);
                break;
            }
        }
    }

    if (gLegacy) {
        CaseInsensitiveStringList legacyClasses;
        if (!LoadStringListFromValue(DATA_SECTION, LEGACY_CLASSES_KEY, legacyClasses)) {
            TraceFailedReturningCode(LOAD_LEGACY_CLASSES_STEP, ERROR_FILE_NOT_FOUND);
            return 0;
        }
        for (const CaseInsensitiveString& legacyClass : legacyClasses) {
            if (Contains(m_installedKnownClasses, legacyClass)) DeleteClassDevs(legacyClass.c_str());
        }
    }

    if (Contains(m_installedKnownClasses, PRINTER_CLASS)) DeleteClassDevs(PRINTER_CLASS);

    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
        CaseInsensitiveStringList revisionClasses;
        if (!LoadStringListFromValue(DATA_SECTION, RevisionKey(revision).c_str(), revisionClasses)) continue;
        for (const CaseInsensitiveString& revisionClass : revisionClasses) {
            if (Contains(m_installedKnownClasses, revisionClass)) DeleteClassDevs(revisionClass.c_str());
        }
    }

    if (IsNT()) DeleteServices();
    return 0;
}

void CIOUninstaller::DeleteServices() {
    CaseInsensitiveStringList services;
    if (!LoadStringListFromValue(DATA_SECTION, SERVICES_KEY, services)) {
        TraceFailedReturningCode(LOAD_SERVICES_STEP, ERROR_FILE_NOT_FOUND);
        return;
    }
    RemoveServices(services, m_logList);
    CaseInsensitiveStringList numberedServices;
    for (const CaseInsensitiveString& service : services) {
        for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
            char name[MAX_PATH];
            std::snprintf(name, sizeof name, NUMBERED_SERVICE_FORMAT, service.c_str(), DIVISION.c_str(), revision);
            numberedServices.push_back(name);
        }
    }
    RemoveServices(numberedServices, m_logList);
}

void CIOUninstaller::DeleteClassDevs(const char* pClassName) {
    GUID guids[MAXIMUM_CLASS_GUIDS];
    DWORD count = 0;
    if (!SetupDiClassGuidsFromNameA(pClassName, guids, MAXIMUM_CLASS_GUIDS, &count)) return;
    if (count > MAXIMUM_CLASS_GUIDS) count = MAXIMUM_CLASS_GUIDS;
    for (DWORD g = 0; g < count; ++g) {
        long result = DeleteGuidDevs(guids[g]);
        if (result != ERR_NOERROR) {
            TraceFailedWith(DELETE_CLASS_DEVS_STEP, result);
            return;
        }
    }
}

long CIOUninstaller::DeleteGuidDevs(const GUID& classGuid) {
    CDevInfoSet devInfoSet;
    // Every device of the class, present or not: a printer unplugged today still has its software.
    long result = devInfoSet.EnumDevices(&classGuid, nullptr, nullptr, 0);
    if (result != ERR_NOERROR) {
        TraceFailedWith(ENUM_DEVICES_STEP, result);
        return ERR_NOERROR;
    }
    CDeviceObject device;
    int count = 0;
    while (devInfoSet.NextDevice(device) == ERR_NOERROR) ++count;
    devInfoSet.Rewind();
    long lastRemoval = ERR_NOERROR;
    for (int index = 0; index < count && devInfoSet.NextDevice(device) == ERR_NOERROR; ++index) {
        if (m_pProgress) {
            CaseInsensitiveString description;
            device.GetProperty(SPDRP_DEVICEDESC, description);
            m_pProgress->SetProgress(100 * index / count);
            m_pProgress->SetStatusText(description.c_str());
        }
        if (ShouldRemoveDevice(device)) lastRemoval = RemoveDevice(device);
    }
    return lastRemoval;
}

bool CIOUninstaller::ShouldRemoveDevice(CDeviceObject& device) {
    CaseInsensitiveString className = ClassNameOf(device.GetInfoData().ClassGuid);
    CaseInsensitiveString instanceId, description, manufacturer, hardwareId;
    device.GetDeviceID(instanceId);
    device.GetProperty(SPDRP_DEVICEDESC, description);
    device.GetProperty(SPDRP_MFG, manufacturer);
    device.GetProperty(SPDRP_HARDWAREID, hardwareId);
    instanceId = TrimmedUpper(instanceId);
    description = TrimmedUpper(description);
    manufacturer = TrimmedUpper(manufacturer);
    hardwareId = TrimmedUpper(hardwareId);

    if (manufacturer.find(MICROSOFT) != CaseInsensitiveString::npos) return false;
    for (const CaseInsensitiveString& item : m_itemList) {
        // An item of blanks only would be found in every description.
        CaseInsensitiveString excluded = TrimmedUpper(item);
        if (!excluded.empty() && description.find(excluded) != CaseInsensitiveString::npos) return false;
    }

    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
        for (const char* transportClass : TRANSPORT_CLASSES) {
            if (className == transportClass) return true;
        }
        CRevisionKeywordMap::const_iterator found = gRevisionKeywords.find(revision);
        if (found == gRevisionKeywords.end()) continue;
        const CaseInsensitiveStringList& keywords = found->second;
        if (HoldsKeyword(instanceId, keywords) || HoldsKeyword(hardwareId, keywords)) return true;
        CDeviceObject ancestor = device;
        CDeviceObject parent;
        while (ancestor.GetParent(parent) == ERR_NOERROR) {
            CaseInsensitiveString ancestorId;
            parent.GetDeviceID(ancestorId);
            if (HoldsKeyword(ancestorId, keywords)) return true;
            ancestor = parent;
        }
    }
    return false;
}

long CIOUninstaller::RemoveDevice(CDeviceObject& device) {
    CaseInsensitiveString instanceId;
    device.GetDeviceID(instanceId);
    SP_DEVINFO_DATA data = device.GetInfoData();
    HDEVINFO set = device.GetInfoSet()->GetHandle();
    BOOL removed = IsNT() ? SetupDiCallClassInstaller(DIF_REMOVE, set, &data) : SetupDiRemoveDevice(set, &data);
    if (!removed) {
        long error = static_cast<long>(GetLastError());
        TraceFailedWith(IsNT() ? CALL_CLASS_INSTALLER_STEP : REMOVE_DEVICE_STEP, error);
        return error;
    }
    m_logList.push_back(CaseInsensitiveString(REMOVED_DEVICE) + instanceId + LINE_END);

    if (gRestartNeeded) return ERR_NOERROR;
    for (const char* enumerator : PARALLEL_ENUMERATORS) {
        if (StartsWithNoCase(instanceId.c_str(), enumerator)) {
            gRestartNeeded = 1;
            return ERR_NOERROR;
        }
    }
    SP_DEVINSTALL_PARAMS_A params{};
    params.cbSize = sizeof params;
    if (!SetupDiGetDeviceInstallParamsA(set, &data, &params)) {
        long error = static_cast<long>(GetLastError());
        TraceFailedWith(INSTALL_PARAMS_STEP, error);
        return error;
    }
    if (params.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT)) gRestartNeeded = 1;
    return ERR_NOERROR;
}
