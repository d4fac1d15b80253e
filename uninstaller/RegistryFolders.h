// Folders the uninstallers read from the registry.
#pragma once

#include "CaseInsensitiveString.h"
#include "windows.h"

// A string value of up to MAX_PATH bytes (a folder path); empty when the key or the value is missing or
// the value is not a string.
CaseInsensitiveString ReadFolderValue(HKEY root, const char* pSubKey, const char* pValue);

// The Program Files folder: HKEY_LOCAL_MACHINE SOFTWARE\Microsoft\Windows\CurrentVersion
// "ProgramFilesDir"; empty when it is not known.
CaseInsensitiveString GetProgramFilesFolder();
