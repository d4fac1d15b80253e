// The base of every uninstaller: what it collects during its removal work (texts of the error log and of
// the operation log, files and folders for the deletion pass) and its settings from the data file.
#pragma once

#include "CaseInsensitiveString.h"

class CUninstallerProgress;

class CUninstaller {
  public:
    explicit CUninstaller(CUninstallerProgress* pProgress);
    CUninstaller(const CUninstaller&) = delete;
    CUninstaller& operator=(const CUninstaller&) = delete;

    // Non-zero when the data file enables this uninstaller; each calls ReadSettings with its section name.
    virtual unsigned int IsEnabled() = 0;
    virtual ~CUninstaller();
    // The removal work. Its result is not used.
    virtual unsigned int Delete() = 0;

    const CaseInsensitiveStringList& GetErrorList() const { return m_errorList; }
    const CaseInsensitiveStringList& GetLogList() const { return m_logList; }
    const CaseInsensitiveStringList& GetFilesList() const { return m_filesList; }

  protected:
    // Stores the section name and reads "enabled" from [Scrubber.<name>], else [Scrubber]; when the value
    // is not 0, also the numbered items of the same sections. Returns the value, 0 when it is missing.
    unsigned int ReadSettings(const char* pSectionName);

    CaseInsensitiveStringList m_errorList;
    CaseInsensitiveStringList m_logList;
    CaseInsensitiveStringList m_filesList;
    CUninstallerProgress* m_pProgress;  // may be null
    CaseInsensitiveString m_sectionName;
    CaseInsensitiveStringList m_itemList;
};
