// Collects the maker's files and folders for the engine's deletion pass: it deletes nothing itself.
// Its data-file section is [Scrubber.FileUninstaller]; each group of folders has its own section
// [Scrubber.FileUninstaller.<group>] with the names and patterns to look for there.
#pragma once

#include <string>

#include "CUninstaller.h"
#include "windows.h"

class CFileUninstaller : public CUninstaller {
  public:
    explicit CFileUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    // Reads the Windows, system and temporary folders, then collects each group of folders in turn.
    // 0 when a folder cannot be read.
    unsigned int Delete() override;

  private:
    // The groups, in the order Delete runs them.
    void AddStartupFiles();
    void AddProgramGroupFiles();
    void AddWindowsFiles();
    void AddSystemFiles();
    void AddPrinterDriverFiles();
    void AddDriverFiles();
    void AddInfFiles();
    void AddProgramFiles();
    void AddTempFiles();

    // Whether the data file's item, joined to the folder, stays inside it; an item with a drive, a network
    // path, a leading separator or a parent step ("..") is traced as "Refused file item <item>: outside
    // <folder>" and refused, so a group meant for the maker's folders reaches no other software's.
    bool AcceptsItem(const char* pItem, const char* pFolder);
    // Adds the path to the files list, and to the log, when it exists.
    void AddPath(const char* pPath);
    // Adds every entry that matches the pattern in the folder, or in the folder below it that the
    // pattern's folder part names; a folder comes after all of its contents. Refuses a pattern that
    // leaves the folder (AcceptsItem).
    void AddByPattern(const char* pPattern, const char* pFolder);
    void AddItemsByPattern(const CaseInsensitiveStringList& items, const char* pFolder);
    // "<DIVISION>*<nn>.*" for each revision n from `first` to `last`.
    void AddRevisionPatterns(const char* pFolder, int first, int last);
    // The OEM INF files of the folder that pass IsOldInfFile, each with its precompiled file.
    void AddOldOemInfFiles(const char* pInfFolder);
    // Whether the OEM INF file belongs to a revision of the maker's device software.
    bool IsOldInfFile(const char* pPath);
    // Whether the upper-case text names "<DIVISION><nn>" for a device revision n.
    bool NamesDeviceRevision(const std::string& text) const;
    bool HoldsMagicKeyword(const std::string& text);

    void SetProgress(int position);
    void ShowStatus(const char* pText);

    char m_systemDir[MAX_PATH];
    char m_windowsDir[MAX_PATH];
    char m_tempDir[MAX_PATH];
    // The keywords that mark an INF file of the maker, read on first use.
    CaseInsensitiveStringList m_magicKeywords;
    bool m_magicKeywordsRead = false;
};
