// The model database: the models of the maker's devices, read from the installer data files and found by
// printer-driver name, with the lists of INF files, installer files and languages the files name.
// The program that uses the library defines its one factory; the factory is built on one thread before
// use and read afterwards without a lock.
#pragma once

#include "CDeviceModel.h"
#include "CaseInsensitiveString.h"
#include "windows.h"

class CFactory {
  public:
    // Reads the installer data file `datName` (null: every "qn?ins??.dat" of the Windows folder) and the
    // data files it lists.
    CFactory(const char* datName);
    CFactory(const CFactory& other);
    CFactory& operator=(const CFactory& other) = delete;
    virtual ~CFactory();

    // The model of the driver (case-insensitive); the default, unsupported model for a null or unknown name.
    const CDeviceModel& FactorADeviceModel(const char* driverName) const;
    // The driver names of the models in the order each was first read.
    const CaseInsensitiveStringList& GetModelList() const { return m_modelList; }
    const CaseInsensitiveStringList& GetInfFileList() const { return m_infFileList; }
    const CaseInsensitiveStringList& GetInstallerFileList() const { return m_installerFileList; }

    // The language id of a 3-letter code of the language map; GetUserDefaultLangID() when there is none.
    LANGID GetLanguageId(const char* code) const;
    // The 3-letter code of a language id; null when the map has none.
    const char* Get3LetterLanguage(LANGID id) const;
    // Builds the language map from the installer files, once. 1 when built.
    unsigned int InitLanguageMap() const;

  private:
    unsigned int Init(const char* datName);
    unsigned int LoadModelFile(const char* fileName);
    unsigned int FillFileList(const char* fileName, const char* section, CaseInsensitiveStringList& list);

    CDeviceModel m_defaultModel;
    CaseInsensitiveStringMap<CDeviceModel*> m_models;
    unsigned int m_initialized;
    CaseInsensitiveStringList m_modelList;
    CaseInsensitiveStringList m_infFileList;
    CaseInsensitiveStringList m_installerFileList;
    // Two parallel lists: the [LanguageMap] key texts ("0x0409") and their 3-letter codes.
    mutable CaseInsensitiveStringList m_languageIdList;
    mutable CaseInsensitiveStringList m_languageCodeList;
};
