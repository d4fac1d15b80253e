// Globally unique identifiers: the 16-byte GUID with Windows' layout, and DEFINE_GUID, which here
// defines the named constant itself (an inline variable), so no translation unit has to own it.
#pragma once

#include <cstring>

#include "windef.h"

typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID, *LPGUID;

static_assert(sizeof(GUID) == 16, "GUID has Windows' size");

typedef GUID IID;
typedef GUID CLSID;
typedef GUID* LPIID;
typedef GUID* LPCLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

inline bool IsEqualGUID(REFGUID left, REFGUID right) {
    return std::memcmp(&left, &right, sizeof(GUID)) == 0;
}
#define IsEqualIID(left, right) IsEqualGUID(left, right)
#define IsEqualCLSID(left, right) IsEqualGUID(left, right)

inline bool operator==(REFGUID left, REFGUID right) { return IsEqualGUID(left, right); }
inline bool operator!=(REFGUID left, REFGUID right) { return !IsEqualGUID(left, right); }
