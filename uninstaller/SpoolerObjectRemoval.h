// What the monitor and port uninstallers share: the selection of a print monitor or port by the match
// filter and by the maker's revision-numbered monitor DLLs, and its removal, from the registry on Windows
// 9x and through the spooler on Windows NT.
#pragma once

#include "CaseInsensitiveString.h"
#include "windows.h"

class CFilter;

// What the two differ in.
struct SpoolerObjectKind {
    const char* pNineXKey;        // the key below HKEY_LOCAL_MACHINE that holds them on Windows 9x
    const char* pFoundText;       // "Found monitor to delete "
    const char* pNextRebootText;  // "Remove monitor on next reboot="
    const char* pRemovedText;     // "Removed monitor= "
    const char* pFailureFormat;   // "Can not delete monitor \"%s\"", with the name
    BOOL (*pDeleteNT)(const char* pName);
};

// Handles one monitor or port: `pName` is what is logged and removed, `pMatchText` what the filter
// matches and the name of the monitor key whose "Driver" value is tested. Returns 0 when the removal
// failed, which ends the walk.
unsigned int RemoveSpoolerObject(const SpoolerObjectKind& kind, const char* pName, const char* pMatchText,
                                 CFilter& filter, CaseInsensitiveStringList& log,
                                 CaseInsensitiveStringList& errors);

// Deletes the subkey of `parent` with all its subkeys, the first subkey each time, until none is left or
// a deletion fails; that failure, or RegDeleteKeyA's result, is returned.
LONG DeleteKeyRecursively(HKEY parent, const char* pSubKey);
