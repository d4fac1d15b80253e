// Qualified INI lookups: the library reads its data files through the profile functions, and a value
// may be given per language ("Models.0x9"), per Windows version ("Printer.500") or per Windows version
// and service pack ("Scrubber.500.2"), with the plain section as the fallback. Also the small path
// helpers the lookups and the model database use.
//
// Unless stated otherwise each function returns 1 on success and 0 otherwise. Output buffers are
// given with their size in bytes and are always left terminated.
#pragma once

#include "CaseInsensitiveString.h"
#include "windows.h"

// Qualifiers, each written with its leading dot.
// ".<major * 100 + minor>": ".400", ".410", ".490", ".500", ".501".
unsigned int FormatOSQualifier(char* pQualifier, unsigned int size);
// ".<service pack major>" on Windows NT; empty text on Windows 9x.
unsigned int FormatSPQualifier(char* pQualifier, unsigned int size);
// ".0x<language id in upper-case hexadecimal>"; 0x800 (system default) stands for the primary language
// of the system's default language.
unsigned int FormatLanguageQualifier(char* pQualifier, unsigned int size, LANGID language);

// Reads `pKey` into `pValue` (default "") from the first section and file that give a non-empty value:
// the sections <section>.<qualifier> (when a qualifier is given) and <section>; the files: a name with
// a drive or network path as it is, any other name from the Windows folder, the current folder and the
// program folder, in that order, wherever it exists. A null key reads the section's key names, each ended
// by a NUL, the list by a second one.
unsigned int GetValueByQualifier(const char* pFile, const char* pSection, const char* pQualifier,
                                 const char* pKey, char* pValue, unsigned int size);
// The same with the language qualifier of `language`.
unsigned int GetValueByLang(const char* pFile, const char* pSection, const char* pKey, char* pValue,
                            unsigned int size, LANGID language);
// The sections <section>.<version>.<service pack>, <section>.<version> and <section> on Windows NT;
// <section>.<version> and <section> on Windows 9x.
unsigned int GetValueBySPAndOS(const char* pFile, const char* pSection, const char* pKey, char* pValue,
                               unsigned int size);

// Appends the values of the keys "1", "2", ... up to the first one missing, in lower case. 1 when
// anything was appended.
unsigned int ReadNumberedList(const char* pFile, const char* pSection, const char* pQualifier,
                              CaseInsensitiveStringList& list);
// Splits the value at any of the separators (runs of them count as one) and appends the pieces.
unsigned int ConvertValueToStringList(const char* pValue, CaseInsensitiveStringList& list,
                                      const char* pSeparators);

// Writes the key into <section>.<suffix> (or <section> without a suffix) of the program folder's copy of
// the file when there is one, else of the file as named.
unsigned int SetValueBySuffix(const char* pFile, const char* pSection, const char* pSuffix, const char* pKey,
                              const char* pValue);
unsigned int SetValueByLang(const char* pFile, const char* pSection, const char* pKey, const char* pValue,
                            LANGID language);
unsigned int SetValueBySPAndOS(const char* pFile, const char* pSection, const char* pKey, const char* pValue);

// The part of the path before its last '\' or '/'.
unsigned int GetFolderOfPath(const char* pPath, char* pFolder, unsigned int size);
// The folder of the module's file.
unsigned int GetProgramFolder(HMODULE hModule, char* pFolder, unsigned int size);
// 1 when the name holds a drive (':') or a network path ("\\"): such a name is used as given, not
// looked for in the search folders.
unsigned int HasDriveOrNetworkPath(const char* pFile);
// 1 when the file or folder exists. Doubled backslashes inside the path count as one.
unsigned int FileExists(const char* pPath);
// The first of <program folder>\<name>, <current folder>\<name>, <Windows folder>\<name> that exists.
unsigned int FindFileInSearchPath(const char* pName, char* pPath, unsigned int size);
// "<division>ins<ice_rev>.dat" from section "version" of autorun.inf.
unsigned int GetInstallerDatName(char* pName, unsigned int size);
unsigned int GetWindowsFolder(char* pFolder, unsigned int size);
