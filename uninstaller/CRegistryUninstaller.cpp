#include "CRegistryUninstaller.h"

#include <cstdio>
#include <string>
#include <vector>

#include "CRegistryClassFilter.h"
#include "CRegistryDeviceInstanceFilter.h"
#include "CRegistryFilter.h"
#include "CUninstallerProgress.h"
#include "DataFile.h"
#include "DeviceApis.h"
#include "IniLookup.h"
#include "OsVersion.h"
#include "ProgramStrings.h"
#include "Trace.h"
#include "UninstallerGlobals.h"
#include "resource.h"

namespace {

constexpr char SECTION_NAME[] = "RegistryUninstaller";

// Sections of the data file.
constexpr char USER_SETTINGS_SECTION[] = "Scrubber.RegistryUninstaller.UserSettings";
constexpr char SOFTWARE_CLASSES_SECTION[] = "Scrubber.RegistryUninstaller.SoftwareClasses";
constexpr char SOFTWARE_MFG_SECTION[] = "Scrubber.RegistryUninstaller.SoftwareMfg";
constexpr char SOFTWARE_MICROSOFT_SECTION[] = "Scrubber.RegistryUninstaller.SoftwareMicrosoft";
constexpr char SOFTWARE_MFG_SUFFIX[] = ".SoftwareMfg";
constexpr char SOFTWARE_MICROSOFT_SUFFIX[] = ".SoftwareMicrosoft";
constexpr char CONTROL_CLASS_SUFFIX[] = ".ControlClass";
constexpr char CRITICAL_DEVICE_DATABASE_SUFFIX[] = ".ControlCriticalDeviceDatabase";
constexpr char INSTALLED_FILES_SUFFIX[] = ".ControlInstalledFiles";
constexpr char CONTROL_PRINT_SUFFIX[] = ".ControlPrint";
constexpr char PNP_IDS_SUFFIX[] = ".PnPIDs";
constexpr char SERVICES_SUFFIX[] = ".Services";

// Registry keys.
constexpr char USERS_ROOT_NAME[] = "HKEY_USERS";
constexpr char LOCAL_MACHINE_ROOT_NAME[] = "HKEY_LOCAL_MACHINE";
constexpr char CLASSES_KEY[] = "SOFTWARE\\Classes\\CLSID";
constexpr char SOFTWARE_KEY[] = "SOFTWARE\\";
constexpr char GLUE_KEY[] = "\\QNZ\\Glue";
constexpr char PRELOAD_PATH_VALUE[] = "PreloadPath";
constexpr char MICROSOFT_KEY[] = "SOFTWARE\\Microsoft";
constexpr char NT_CLASS_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Class";
constexpr char NT_CRITICAL_DEVICE_DATABASE_KEY[] =
    "SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase";
constexpr char NT_DEVICE_CLASSES_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses";
constexpr char NT_DOT3_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Dot3";
constexpr char ENUM_KEY[] = "Enum";
constexpr char PROBLEMS_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\ASD\\Prob";
constexpr char DEVICE_CLASSES_KEY[] = "System\\CurrentControlSet\\Control\\DeviceClasses";
constexpr char CLASS_KEY[] = "System\\CurrentControlSet\\Services\\Class";
constexpr char SERVICES_KEY[] = "SYSTEM\\CurrentControlSet\\Services\\Class";
constexpr char INSTALLED_FILES_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\InstalledFiles";
constexpr char PRINT_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Print";

// Steps named in the trace lines and the error list.
constexpr char REG_OPEN_KEY_EX[] = "RegOpenKeyEx";
constexpr char OPEN_REG_SECURE_KEY[] = "OpenRegSecureKey";
constexpr char REG_DELETE_SUB_KEY[] = "RegDeleteSubKey";
constexpr char REG_DELETE_KEY[] = "RegDeleteKey";
constexpr char REG_DELETE_VALUE[] = "RegDeleteValue";
constexpr char GET_VALUE_BY_SP_AND_OS[] = "GetValueBySPAndOS";
constexpr char ERROR_WHEN[] = "%s when %s %s\n";
constexpr char ERROR_ENUMERATING_KEYS[] = "Error enumerating keys\n";
constexpr char CANNOT_SET_ENUM_VALUE[] = "Cannot set RegEnumValue \n";
constexpr char CANNOT_ENUMERATE_VALUE[] = "Cannot enumerate value\n";

// Log entries.
constexpr char DELETED_KEY[] = "Deleted key= ";
constexpr char DELETED_VALUE[] = "Deleted value= ";
constexpr char DELETED_PRELOAD_PATH[] = "Deleted value=";
constexpr char END_OF_LINE[] = "\r\n";

// Patterns made of the division prefix and a revision number.
constexpr char DIVISION_REVISION[] = "%s%02d";
constexpr char REVISION_DOT[] = "%02d.";
constexpr char REVISION_DIGITS[] = "%02d";
constexpr char REVISION_INF[] = "%02d.INF";
constexpr char REVISION_SYS[] = "%02d.SYS";
constexpr char DOT4_TOKEN[] = "DOT4";

// Buffers, in characters with the end.
constexpr unsigned int NAME_SIZE = 260;
constexpr unsigned int SEARCH_NAME_SIZE = 259;
constexpr DWORD VALUE_DATA_SIZE = 256;

CaseInsensitiveString Formatted(const char* pFormat, int revision) {
    char text[64];
    std::snprintf(text, sizeof text, pFormat, revision);
    return text;
}

CaseInsensitiveString Division() {
    return CRegistryFilter::UpperCase(DIVISION);
}

// ("<division><nn>", ""): the division prefix directly followed by the revision, anywhere in a text.
CFilter::Pattern DivisionRevisionSubstring(int revision) {
    char text[64];
    std::snprintf(text, sizeof text, DIVISION_REVISION, Division().c_str(), revision);
    return CRegistryFilter::SubstringPattern(text);
}

// (<division>, <revision text>): the prefix and, after it, the revision text.
CFilter::Pattern DivisionThen(const char* pFormat, int revision) {
    return CFilter::Pattern{Division(), CRegistryFilter::UpperCase(Formatted(pFormat, revision))};
}

// Each item trimmed and upper-cased, its tokens split as the filter splits items.
void AddTokenPatterns(CFilter& filter, const CaseInsensitiveStringList& items) {
    CaseInsensitiveStringList upper;
    for (const CaseInsensitiveString& item : items) upper.push_back(TrimmedUpper(item));
    filter.AddItemPatterns(upper);
}

// The last error set to the result, so the text is the result's and not left from an earlier call.
std::string ErrorText(LONG error) {
    SetLastError(static_cast<DWORD>(error));
    std::string text;
    GetLastErrorMsg(text);
    return text;
}

}  // namespace

CRegistryUninstaller::CRegistryUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CRegistryUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CRegistryUninstaller::Delete() {
    DeleteUserSettings();
    DeleteSoftwareClasses();
    CleanManufacturerKey();
    CleanMicrosoftKey();
    CleanSystemKeys();
    CleanPrintKeys();
    return 1;
}

CaseInsensitiveStringList CRegistryUninstaller::ReadItems(const char* pSuffix) const {
    CaseInsensitiveString section = SCRUBBER_SECTION;
    section += ".";
    section += m_sectionName;
    section += pSuffix;
    CaseInsensitiveStringList items;
    ReadNumberedList(gDATFileName.c_str(), section.c_str(), nullptr, items);
    return items;
}

void CRegistryUninstaller::DeleteUserSettings() {
    std::vector<CaseInsensitiveStringList> revisionItems;
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
        revisionItems.emplace_back();
        LoadStringListFromValue(USER_SETTINGS_SECTION, RevisionKey(revision).c_str(), revisionItems.back());
    }
    char user[NAME_SIZE];
    for (DWORD index = 0; RegEnumKeyA(HKEY_USERS, index, user, NAME_SIZE) == ERROR_SUCCESS; ++index) {
        for (const CaseInsensitiveStringList& items : revisionItems) {
            for (const CaseInsensitiveString& item : items) {
                CaseInsensitiveString path = user;
                path += "\\";
                path += item;
                CRegKeyGuard key;
                if (RegOpenKeyExA(HKEY_USERS, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
                    continue;
                key.Close();
                DeleteKey(HKEY_USERS, USERS_ROOT_NAME, path.c_str());
            }
        }
    }
}

void CRegistryUninstaller::DeleteSoftwareClasses() {
    CRegKeyGuard classes;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, CLASSES_KEY, 0, KEY_READ, classes.Receive());
    if (result != ERROR_SUCCESS) {
        TraceFailedWith(REG_OPEN_KEY_EX, result);
        return;
    }
    CaseInsensitiveString classesPath = LOCAL_MACHINE_ROOT_NAME;
    classesPath += "\\";
    classesPath += CLASSES_KEY;
    for (int revision = FIRST_CA_REVISION; revision <= LAST_CA_REVISION; ++revision) {
        CaseInsensitiveStringList items;
        LoadStringListFromValue(SOFTWARE_CLASSES_SECTION, RevisionKey(revision).c_str(), items);
        for (const CaseInsensitiveString& item : items) {
            CRegKeyGuard key;
            if (RegOpenKeyExA(classes.Get(), item.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
                continue;
            key.Close();
            DeleteKey(classes.Get(), classesPath, item.c_str());
        }
    }
}

void CRegistryUninstaller::CleanManufacturerKey() {
    char manufacturer[NAME_SIZE];
    if (!GetValueBySPAndOS(gDATFileName.c_str(), SOFTWARE_MFG_SECTION, MANUFACTURER_KEY, manufacturer,
                           NAME_SIZE)) {
        TraceFailed(GET_VALUE_BY_SP_AND_OS);
        return;
    }
    CRegistryFilter filter;
    if (gSharedCleanup) AddTokenPatterns(filter, ReadItems(SOFTWARE_MFG_SUFFIX));
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision)
        filter.AddPattern(DivisionThen(REVISION_DOT, revision));
    for (int revision = FIRST_CA_REVISION; revision <= LAST_CA_REVISION; ++revision) {
        filter.AddPattern(DivisionRevisionSubstring(revision));
        filter.AddPattern(DivisionThen(REVISION_DOT, revision));
    }
    CaseInsensitiveString path = SOFTWARE_KEY;
    path += manufacturer;
    SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, path.c_str(), filter,
               !filter.GetPatterns().empty());

    CaseInsensitiveString gluePath = path + GLUE_KEY;
    CRegKeyGuard glue;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, gluePath.c_str(), 0, KEY_ALL_ACCESS, glue.Receive()) ==
            ERROR_SUCCESS &&
        RegDeleteValueA(glue.Get(), PRELOAD_PATH_VALUE) == ERROR_SUCCESS) {
        m_logList.push_back(DELETED_PRELOAD_PATH + gluePath + "," + PRELOAD_PATH_VALUE + END_OF_LINE);
    }
}

void CRegistryUninstaller::CleanMicrosoftKey() {
    CRegistryFilter filter;
    if (gSharedCleanup) AddTokenPatterns(filter, ReadItems(SOFTWARE_MICROSOFT_SUFFIX));
    for (int revision = FIRST_CA_REVISION; revision <= LAST_CA_REVISION; ++revision) {
        CaseInsensitiveStringList keywords;
        LoadKeywordList(SOFTWARE_MICROSOFT_SECTION, RevisionKey(revision).c_str(), keywords);
        for (const CaseInsensitiveString& keyword : keywords) filter.AddPattern(CFilter::Pattern{keyword});
        filter.AddPattern(DivisionThen(REVISION_DIGITS, revision));
    }
    if (Is9X()) {
        for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision)
            filter.AddPattern(DivisionThen(REVISION_INF, revision));
    }
    SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, MICROSOFT_KEY, filter,
               !filter.GetPatterns().empty());
}

void CRegistryUninstaller::CleanSystemKeys() {
    CRegistryClassFilter classFilter;
    CaseInsensitiveString classSection = SCRUBBER_SECTION;
    classSection += ".";
    classSection += m_sectionName + CONTROL_CLASS_SUFFIX;
    CRegistryFilter::AddSubstringPatterns(classFilter.InstallerPatterns(), ReadItems(CONTROL_CLASS_SUFFIX));
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
        classFilter.AddPattern(DivisionRevisionSubstring(revision));
        classFilter.ClassPatterns().push_back(DivisionRevisionSubstring(revision));
        classFilter.InfPathPatterns().push_back(DivisionThen(REVISION_INF, revision));
        classFilter.DriverPatterns().push_back(DivisionThen(REVISION_SYS, revision));
        CaseInsensitiveStringList entries;
        LoadStringListFromValue(classSection.c_str(), RevisionKey(revision).c_str(), entries);
        CRegistryFilter::AddSubstringPatterns(classFilter.InstallerPatterns(), entries);
    }

    // The device test's keywords and the items, anywhere in a device key's name or device instance.
    CRegistryDeviceInstanceFilter deviceFilter;
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
        auto keywords = gRevisionKeywords.find(revision);
        if (keywords != gRevisionKeywords.end()) deviceFilter.AddSubstringPatterns(keywords->second);
    }
    deviceFilter.AddSubstringPatterns(ReadItems(PNP_IDS_SUFFIX));
    bool searchDevices = !deviceFilter.GetPatterns().empty();

    if (IsNT()) {
        SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, NT_CLASS_KEY, classFilter,
                   classFilter.HasPatterns());

        CRegistryFilter criticalDeviceFilter;
        criticalDeviceFilter.AddSubstringPatterns(ReadItems(CRITICAL_DEVICE_DATABASE_SUFFIX));
        for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision)
            criticalDeviceFilter.AddPattern(
                CFilter::Pattern{DOT4_TOKEN, Division(), Formatted(REVISION_DIGITS, revision)});
        SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, NT_CRITICAL_DEVICE_DATABASE_KEY,
                   criticalDeviceFilter, !criticalDeviceFilter.GetPatterns().empty());

        SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, NT_DEVICE_CLASSES_KEY, deviceFilter,
                   searchDevices);
        SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, NT_DOT3_KEY, deviceFilter, searchDevices);
        return;
    }

    SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, ENUM_KEY, deviceFilter, searchDevices);
    SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, PROBLEMS_KEY, deviceFilter, searchDevices);
    SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, DEVICE_CLASSES_KEY, deviceFilter, searchDevices);
    SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, CLASS_KEY, classFilter,
               classFilter.HasPatterns());

    CRegistryFilter serviceFilter;
    serviceFilter.AddSubstringPatterns(ReadItems(SERVICES_SUFFIX));
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision)
        serviceFilter.AddPattern(
            CFilter::Pattern{DOT4_TOKEN, Division(), Formatted(REVISION_DIGITS, revision)});
    SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, SERVICES_KEY, serviceFilter,
               !serviceFilter.GetPatterns().empty());

    CRegistryFilter installedFilesFilter;
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision)
        installedFilesFilter.AddPattern(DivisionThen(REVISION_DIGITS, revision));
    for (int revision = FIRST_CA_REVISION; revision <= LAST_CA_REVISION; ++revision)
        installedFilesFilter.AddPattern(DivisionThen(REVISION_DIGITS, revision));
    installedFilesFilter.AddSubstringPatterns(ReadItems(INSTALLED_FILES_SUFFIX));
    SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, INSTALLED_FILES_KEY, installedFilesFilter,
               !installedFilesFilter.GetPatterns().empty());
}

void CRegistryUninstaller::CleanPrintKeys() {
    if (!gSharedCleanup) return;
    CRegistryFilter filter;
    AddTokenPatterns(filter, ReadItems(CONTROL_PRINT_SUFFIX));
    SearchArea(HKEY_LOCAL_MACHINE, LOCAL_MACHINE_ROOT_NAME, PRINT_KEY, filter, !filter.GetPatterns().empty());
}

void CRegistryUninstaller::SearchArea(HKEY hRoot, const char* pRootName, const char* pPath,
                                      CRegistryFilter& filter, bool hasPatterns) {
    if (!hasPatterns) return;
    ShowStatus(LoadProgramString(IDS_PLEASE_WAIT).c_str());
    CRegKeyGuard key;
    if (RegOpenKeyExA(hRoot, pPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
    m_subkeyCount = 0;
    RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &m_subkeyCount, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    m_visitedCount = 0;
    CaseInsensitiveString path = pRootName;
    path += "\\";
    path += pPath;
    SearchKey(key.Get(), path, filter);
}

LONG CRegistryUninstaller::SearchKey(HKEY hKey, const CaseInsensitiveString& keyPath,
                                     CRegistryFilter& filter) {
    char name[SEARCH_NAME_SIZE];
    DWORD index = 0;
    for (;;) {
        LONG result = RegEnumKeyA(hKey, index, name, SEARCH_NAME_SIZE);
        if (result == ERROR_NO_MORE_ITEMS) break;
        // Subkeys this user may not list are left as they are.
        if (result == ERROR_ACCESS_DENIED) break;
        if (result != ERROR_SUCCESS) {
            std::printf(ERROR_ENUMERATING_KEYS);
            return result;
        }
        CaseInsensitiveString path = keyPath + "\\" + name;
        ShowStatus(path.c_str());
        ++m_visitedCount;
        if (m_pProgress)
            m_pProgress->SetProgress(static_cast<int>(m_visitedCount * 100 / (m_subkeyCount + 1)));
        if (filter.TestKey(hKey, name)) {
            result = DeleteKey(hKey, keyPath, name);
            // The next subkey has moved into this index.
            if (result == ERROR_SUCCESS) continue;
            ReportError(result, REG_DELETE_SUB_KEY, path);
            ++index;
            continue;
        }
        CRegKeyGuard subkey;
        result = RegOpenKeyExA(hKey, name, 0, KEY_READ, subkey.Receive());
        if (result == ERROR_ACCESS_DENIED) {
            ++index;
            continue;
        }
        if (result != ERROR_SUCCESS) {
            ReportError(result, REG_OPEN_KEY_EX, path);
            return result;
        }
        result = SearchKey(subkey.Get(), path, filter);
        if (result != ERROR_SUCCESS) return result;
        ++index;
    }

    index = 0;
    for (;;) {
        char valueName[SEARCH_NAME_SIZE];
        DWORD nameLength = SEARCH_NAME_SIZE;
        char data[VALUE_DATA_SIZE + 1];
        DWORD dataLength = VALUE_DATA_SIZE;
        DWORD type = 0;
        LONG result = RegEnumValueA(hKey, index, valueName, &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data), &dataLength);
        std::vector<char> longData;
        const char* text = data;
        if (result == ERROR_MORE_DATA) {
            // The value's text is longer than the buffer: read it again into one of its size.
            try {
                longData.resize(dataLength + 1);
            } catch (const std::bad_alloc&) {
                std::printf(CANNOT_SET_ENUM_VALUE);
                return ERROR_NOT_ENOUGH_MEMORY;
            }
            nameLength = SEARCH_NAME_SIZE;
            result = RegEnumValueA(hKey, index, valueName, &nameLength, nullptr, &type,
                                   reinterpret_cast<BYTE*>(longData.data()), &dataLength);
            if (result != ERROR_SUCCESS) {
                std::printf(CANNOT_SET_ENUM_VALUE);
                return result;
            }
            longData[dataLength] = '\0';
            text = longData.data();
        } else if (result == ERROR_SUCCESS) {
            data[dataLength] = '\0';
        }
        if (result == ERROR_NO_MORE_ITEMS || result == ERROR_ACCESS_DENIED) break;
        if (result != ERROR_SUCCESS) {
            std::printf(CANNOT_ENUMERATE_VALUE);
            return result;
        }
        bool selected = filter.TestValue(valueName) || (type == REG_SZ && filter.TestValue(text));
        // After a deletion the next value has moved into this index.
        if (selected && DeleteValue(hKey, keyPath, valueName) == ERROR_SUCCESS) continue;
        ++index;
    }
    return ERROR_SUCCESS;
}

LONG CRegistryUninstaller::DeleteKey(HKEY hParent, const CaseInsensitiveString& parentPath,
                                     const char* pSubkeyName) {
    CaseInsensitiveString path = parentPath + "\\" + pSubkeyName;
    {
        CRegKeyGuard subkey;
        LONG result = RegOpenKeyExA(hParent, pSubkeyName, 0, KEY_ALL_ACCESS, subkey.Receive());
        if (result != ERROR_SUCCESS) {
            TraceFailedWith(REG_OPEN_KEY_EX, result);
            ReportError(result, OPEN_REG_SECURE_KEY, path);
            TraceFailedWith(OPEN_REG_SECURE_KEY, result);
            return result;
        }
        char name[NAME_SIZE];
        while (RegEnumKeyA(subkey.Get(), 0, name, NAME_SIZE) == ERROR_SUCCESS) {
            result = DeleteKey(subkey.Get(), path, name);
            if (result != ERROR_SUCCESS) {
                TraceFailedWith(REG_DELETE_SUB_KEY, result);
                return result;
            }
        }
    }
    CRegKeyGuard parent;
    LONG result = RegOpenKeyExA(hParent, nullptr, 0, KEY_ALL_ACCESS, parent.Receive());
    if (result == ERROR_SUCCESS) result = RegDeleteKeyA(parent.Get(), pSubkeyName);
    if (result != ERROR_SUCCESS) {
        ReportError(result, REG_DELETE_KEY, path);
        TraceFailedWith(REG_DELETE_KEY, result);
        return result;
    }
    m_logList.push_back(DELETED_KEY + path + END_OF_LINE);
    return ERROR_SUCCESS;
}

LONG CRegistryUninstaller::DeleteValue(HKEY hKey, const CaseInsensitiveString& keyPath,
                                       const char* pValueName) {
    CaseInsensitiveString text = keyPath + "," + pValueName;
    CRegKeyGuard key;
    LONG result = RegOpenKeyExA(hKey, nullptr, 0, KEY_ALL_ACCESS, key.Receive());
    if (result != ERROR_SUCCESS) {
        TraceFailedWith(REG_OPEN_KEY_EX, result);
        ReportError(result, OPEN_REG_SECURE_KEY, keyPath);
        TraceFailedWith(OPEN_REG_SECURE_KEY, result);
        return result;
    }
    result = RegDeleteValueA(key.Get(), pValueName);
    if (result != ERROR_SUCCESS) {
        ReportError(result, REG_DELETE_VALUE, text);
        TraceFailedWith(REG_DELETE_VALUE, result);
        return result;
    }
    m_logList.push_back(DELETED_VALUE + text + END_OF_LINE);
    return ERROR_SUCCESS;
}

void CRegistryUninstaller::ReportError(LONG error, const char* pWhen, const CaseInsensitiveString& path) {
    std::string text = ErrorText(error);
    CaseInsensitiveString entry = text.c_str();
    entry += " when ";
    entry += pWhen;
    entry += " ";
    entry += path + END_OF_LINE;
    m_errorList.push_back(entry);
    std::printf(ERROR_WHEN, text.c_str(), pWhen, path.c_str());
}

void CRegistryUninstaller::ShowStatus(const char* pText) {
    if (m_pProgress) m_pProgress->SetStatusText(pText);
}
