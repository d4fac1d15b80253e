// The classes registered under HKEY_CLASSES_ROOT: CLSIDFromProgID and ProgIDFromCLSID, and the reads
// of string values that object creation shares.
#include "platform/advapi32/registry_key.h"
#include "platform/machine/text.h"
#include "platform/ole32/ole32_internal.h"
#include "windows.h"

namespace platform::com {

std::optional<std::string> ClassesRootString(const std::string& keyPath, const char* name) {
    RegistryKey key;
    if (key.Open(HKEY_CLASSES_ROOT, keyPath) != ERROR_SUCCESS) return std::nullopt;
    return key.String(name);
}

}  // namespace platform::com

namespace {

std::optional<CLSID> ClassOfProgID(const std::string& progID) {
    std::optional<std::string> text = platform::com::ClassesRootString(progID + "\\CLSID");
    if (!text) return std::nullopt;
    return platform::com::ParseGuid(platform::WideFromAnsi(*text));
}

}  // namespace

// A version-independent ProgID without a CLSID of its own names its current version under CurVer.
STDAPI CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
    if (!lpszProgID || !lpclsid) return E_INVALIDARG;
    *lpclsid = CLSID_NULL;
    std::string progID = platform::AnsiFromWide(lpszProgID);
    if (progID.empty()) return CO_E_CLASSSTRING;
    std::optional<CLSID> clsid = ClassOfProgID(progID);
    if (!clsid) {
        std::optional<std::string> currentVersion = platform::com::ClassesRootString(progID + "\\CurVer");
        if (currentVersion && !currentVersion->empty()) clsid = ClassOfProgID(*currentVersion);
    }
    if (!clsid) return CO_E_CLASSSTRING;
    *lpclsid = *clsid;
    return S_OK;
}

STDAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) {
    if (!lplpszProgID) return E_INVALIDARG;
    *lplpszProgID = nullptr;
    std::optional<std::string> progID =
        platform::com::ClassesRootString("CLSID\\" + platform::com::GuidText(clsid) + "\\ProgID");
    if (!progID || progID->empty()) return REGDB_E_CLASSNOTREG;
    *lplpszProgID = platform::com::TaskMemoryString(platform::WideFromAnsi(*progID));
    return *lplpszProgID ? S_OK : E_OUTOFMEMORY;
}
