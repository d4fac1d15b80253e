// Deletes the registry keys and values the maker's software left behind: per-user settings, COM class
// registrations, the maker's software key, keys below the Microsoft software key, and the device, class,
// print and service keys of the system. Its data-file section is [Scrubber.RegistryUninstaller].
#pragma once

#include "CUninstaller.h"
#include "windows.h"

class CRegistryFilter;

class CRegistryUninstaller : public CUninstaller {
  public:
    explicit CRegistryUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;

  protected:
    void DeleteUserSettings();
    void DeleteSoftwareClasses();
    void CleanManufacturerKey();
    void CleanMicrosoftKey();
    void CleanSystemKeys();
    void CleanPrintKeys();

    // Searches the key `pPath` of the root when the filter has a pattern, with the progress counted over
    // the key's subkeys.
    void SearchArea(HKEY hRoot, const char* pRootName, const char* pPath, CRegistryFilter& filter,
                    bool hasPatterns);
    // Depth first: deletes the subkeys the filter's key test selects and the values its value test
    // selects, and searches the other subkeys. 0, or the error that ended the search.
    LONG SearchKey(HKEY hKey, const CaseInsensitiveString& keyPath, CRegistryFilter& filter);
    // Deletes the subkey with all its subkeys. 0, or the error.
    LONG DeleteKey(HKEY hParent, const CaseInsensitiveString& parentPath, const char* pSubkeyName);
    // Deletes the value. 0, or the error.
    LONG DeleteValue(HKEY hKey, const CaseInsensitiveString& keyPath, const char* pValueName);

    // The numbered items of [Scrubber.<section name><suffix>].
    CaseInsensitiveStringList ReadItems(const char* pSuffix) const;

  private:
    // An error-list entry: the text of `error`, the words, the path, "\r\n"; and its trace line.
    void ReportError(LONG error, const char* pWhen, const CaseInsensitiveString& path);
    void ShowStatus(const char* pText);

    DWORD m_subkeyCount = 0;   // subkeys of the area being searched
    DWORD m_visitedCount = 0;  // subkeys visited so far
};
