// The entries of the list of installed programs (Add/Remove Programs) that the program and installer-
// product uninstallers read.
#pragma once

#include "CaseInsensitiveString.h"
#include "DeviceApis.h"
#include "windows.h"

inline constexpr char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr char UNINSTALL_STRING_VALUE[] = "UninstallString";
inline constexpr char DISPLAY_NAME_VALUE[] = "DisplayName";

// The key of an entry: UNINSTALL_KEY followed by the entry's name.
CaseInsensitiveString UninstallEntryKey(const CaseInsensitiveString& name);

// Reads a string value into `pBuffer` of `size` bytes, always ended with its zero; FALSE when the value
// is missing or does not fit.
BOOL ReadEntryValue(HKEY key, const char* pValueName, char* pBuffer, DWORD size);

// The first step of both uninstallers for one item: logs `pLookingFor` + the entry's key + "\r\n" to `log`,
// then opens the entry (HKLM, KEY_READ) into `entry`. When it cannot be opened, prints `pMissingFormat`
// with the key and gives false. `key` receives the entry's key either way.
bool OpenUninstallEntry(const CaseInsensitiveString& item, const char* pLookingFor, const char* pMissingFormat,
                        CaseInsensitiveStringList& log, CRegKeyGuard& entry, CaseInsensitiveString& key);
