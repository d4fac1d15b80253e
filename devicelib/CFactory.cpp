#include "CFactory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "IniLookup.h"
#include "OsVersion.h"
#include "Trace.h"

namespace {

constexpr LANGID kSystemDefaultLanguage = 0x800;
constexpr unsigned int kPathSize = 260;
constexpr unsigned int kDatabaseListSize = 1024;
constexpr DWORD kModelsSectionSize = 1024;
constexpr DWORD kFileListSize = 4096;
constexpr unsigned int kLanguagesSize = 64512;
constexpr unsigned int kLanguageCodeSize = 4;

constexpr char kVersionSection[] = "Version";
constexpr char kModelsSection[] = "Models";
constexpr char kLanguageMapSection[] = "LanguageMap";
constexpr char kNoLanguage[] = "xxx";

// Each block of names the profile functions return: NUL-ended names, the list ended by a second NUL.
template <typename Action>
void ForEachName(const char* names, Action action) {
    for (const char* name = names; *name; name += std::strlen(name) + 1) action(name);
}

}  // namespace

CFactory::CFactory(const char* datName) : m_initialized(0) {
    m_initialized = Init(datName);
}

CFactory::CFactory(const CFactory& other)
    : m_defaultModel(other.m_defaultModel),
      m_initialized(other.m_initialized),
      m_modelList(other.m_modelList),
      m_infFileList(other.m_infFileList),
      m_installerFileList(other.m_installerFileList),
      m_languageIdList(other.m_languageIdList),
      m_languageCodeList(other.m_languageCodeList) {
    for (const auto& [driverName, model] : other.m_models) m_models[driverName] = new CDeviceModel(*model);
}

CFactory::~CFactory() {
    for (auto& [driverName, model] : m_models) delete model;
    m_models.clear();
}

unsigned int CFactory::Init(const char* datName) {
    if (m_initialized) return 1;

    char windowsFolder[kPathSize] = "";
    GetWindowsFolder(windowsFolder, sizeof windowsFolder);
    if (!datName || !*datName) {
        // Every installer data file of the Windows folder, in the order the search returns them.
        std::string pattern = std::string(windowsFolder) + "\\qn?ins??.dat";
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                m_installerFileList.push_back(CaseInsensitiveString(windowsFolder) + "\\" + found.cFileName);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    } else if (HasDriveOrNetworkPath(datName)) {
        m_installerFileList.push_back(datName);
    } else {
        char path[kPathSize];
        if (FindFileInSearchPath(datName, path, sizeof path)) m_installerFileList.push_back(path);
    }

    // The data files each installer file lists, beside it; its own models only when it lists itself.
    CaseInsensitiveStringList modelFiles;
    for (const CaseInsensitiveString& installerFile : m_installerFileList) {
        std::vector<char> value(kDatabaseListSize, '\0');
        if (!GetValueByLang(installerFile.c_str(), kVersionSection, "InfrastructureDatabaseList",
                            value.data(), kDatabaseListSize, kSystemDefaultLanguage))
            continue;
        CaseInsensitiveStringList names;
        ConvertValueToStringList(value.data(), names, " ,\t\n");
        char folder[kPathSize];
        bool hasFolder = GetFolderOfPath(installerFile.c_str(), folder, sizeof folder) != 0;
        for (const CaseInsensitiveString& name : names)
            modelFiles.push_back(hasFolder ? CaseInsensitiveString(folder) + "\\" + name : name);
    }
    modelFiles.sort();
    for (const CaseInsensitiveString& modelFile : modelFiles) LoadModelFile(modelFile.c_str());

    m_initialized = 1;
    return 1;
}

unsigned int CFactory::LoadModelFile(const char* fileName) {
    std::vector<char> lines(kModelsSectionSize, '\0');
    DWORD length = GetPrivateProfileSectionA(kModelsSection, lines.data(), kModelsSectionSize, fileName);
    // A full buffer means the section was cut: none of it is taken.
    if (length == kModelsSectionSize - 2) {
        TraceFailed("Insufficient buffer to retrieve section names");
        return 0;
    }
    bool failed = false;
    ForEachName(lines.data(), [&](const char* line) {
        if (failed) return;
        const char* equals = std::strchr(line, '=');
        if (!equals) return;
        const char* sectionName = equals + 1;
        while (*sectionName == ' ') ++sectionName;
        CDeviceModel* model = new (std::nothrow) CDeviceModel;
        if (!model) {
            TraceFailed("No memory for CDeviceModel");
            failed = true;
            return;
        }
        if (!model->Init(sectionName, fileName)) {
            TraceFailed("Failed to Init CDeviceModel");
            delete model;
            failed = true;
            return;
        }
        // A driver read again, here or in an earlier file, takes the later model; its place in the model
        // list stays.
        CaseInsensitiveString driverName = model->GetDriverName();
        auto existing = m_models.find(driverName);
        if (existing != m_models.end()) {
            delete existing->second;
            existing->second = model;
        } else {
            m_models[driverName] = model;
            m_modelList.push_back(driverName);
        }
    });
    if (failed) return 0;

    char section[32];
    std::snprintf(section, sizeof section, "INFList.%lu",
                  static_cast<unsigned long>(OsVersionRecord().dwPlatformId));
    FillFileList(fileName, section, m_infFileList);
    return 1;
}

unsigned int CFactory::FillFileList(const char* fileName, const char* section,
                                    CaseInsensitiveStringList& list) {
    std::vector<char> names(kFileListSize, '\0');
    if (GetPrivateProfileStringA(section, nullptr, "", names.data(), kFileListSize, fileName) == 0) {
        TraceFailedReturningCode("FillFileList failed!", ERROR_FILE_NOT_FOUND);
        return 2;
    }
    ForEachName(names.data(), [&](const char* name) {
        if (*name != ';') list.push_back(name);
    });
    return 0;
}

const CDeviceModel& CFactory::FactorADeviceModel(const char* driverName) const {
    if (!driverName) return m_defaultModel;
    auto found = m_models.find(driverName);
    return found == m_models.end() ? m_defaultModel : *found->second;
}

LANGID CFactory::GetLanguageId(const char* code) const {
    InitLanguageMap();
    if (code) {
        auto id = m_languageIdList.begin();
        for (const CaseInsensitiveString& candidate : m_languageCodeList) {
            if (candidate == code) return static_cast<LANGID>(std::strtoul(id->c_str(), nullptr, 16));
            ++id;
        }
    }
    return GetUserDefaultLangID();
}

const char* CFactory::Get3LetterLanguage(LANGID id) const {
    InitLanguageMap();
    char text[16];
    std::snprintf(text, sizeof text, "0x%4.4X", static_cast<unsigned int>(id));
    auto code = m_languageCodeList.begin();
    for (const CaseInsensitiveString& candidate : m_languageIdList) {
        if (candidate == text) return code->c_str();
        ++code;
    }
    return nullptr;
}

unsigned int CFactory::InitLanguageMap() const {
    if (!m_languageIdList.empty() && !m_languageCodeList.empty()) return 1;
    DWORD start = GetTickCount();
    std::printf("Start languages %lu\n", static_cast<unsigned long>(start));

    CaseInsensitiveString languagesOnMedium;
    CaseInsensitiveString defaultCode = "enu";
    std::vector<char> value(kLanguagesSize, '\0');
    for (const CaseInsensitiveString& installerFile : m_installerFileList) {
        if (!GetValueByLang(installerFile.c_str(), kVersionSection, "LanguagesInthisCD", value.data(),
                            kLanguagesSize, kSystemDefaultLanguage)) {
            TraceFailed("GetValueByLang(\tf->c_str(), _T(Version), _T(LanguagesInthisCD)");
            return 0;
        }
        languagesOnMedium += value.data();
        languagesOnMedium += ",";
        char code[kLanguageCodeSize];
        if (!GetValueByLang(installerFile.c_str(), kVersionSection, "DefaultLanguageInThisRelease", code,
                            sizeof code, kSystemDefaultLanguage)) {
            TraceFailed("GetValueByLang(\tf->c_str(), _T(Version), _T(DefaultLanguageInThisRelease)");
            return 0;
        }
        defaultCode = code;
    }

    // The most specific [LanguageMap.<version>.<service pack>] or [LanguageMap.<version>] section wins
    // over [LanguageMap]; a code not on the medium, or "xxx", stands for the default language.
    std::vector<char> keys(kLanguagesSize, '\0');
    for (const CaseInsensitiveString& installerFile : m_installerFileList) {
        if (!GetValueBySPAndOS(installerFile.c_str(), kLanguageMapSection, nullptr, keys.data(),
                               kLanguagesSize))
            continue;
        ForEachName(keys.data(), [&](const char* key) {
            char code[kLanguageCodeSize];
            GetValueBySPAndOS(installerFile.c_str(), kLanguageMapSection, key, code, sizeof code);
            m_languageIdList.push_back(key);
            bool usable = *code && CaseInsensitiveString(code) != kNoLanguage &&
                          languagesOnMedium.find(code) != CaseInsensitiveString::npos;
            m_languageCodeList.push_back(usable ? CaseInsensitiveString(code) : defaultCode);
        });
    }

    DWORD finish = GetTickCount();
    std::printf("Finish languages %lu %lu\n", static_cast<unsigned long>(finish),
                static_cast<unsigned long>(finish - start));
    return 1;
}
