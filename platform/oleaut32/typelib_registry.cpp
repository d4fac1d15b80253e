// The registration of type libraries under HKEY_CLASSES_ROOT: TypeLib\{libid}\<major>.<minor> with
// the help string, FLAGS, HELPDIR and <lcid>\win32 = the file, and Interface\{iid} for each interface a
// client reaches through Automation; and the look-up of a registered library by id, version and locale.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "objbase.h"
#include "oleauto.h"
#include "platform/advapi32/registry_key.h"
#include "platform/machine/guid_text.h"
#include "platform/machine/text.h"
#include "windows.h"

namespace platform::automation {

namespace {

// The marshallers Automation interfaces are registered with: dispatch interfaces go through IDispatch
// alone, dual and [oleautomation] interfaces through their type information.
constexpr char kDispatchMarshaller[] = "{00020420-0000-0000-C000-000000000046}";
constexpr char kAutomationMarshaller[] = "{00020424-0000-0000-C000-000000000046}";

// Versions and locales are registered in hexadecimal without leading zeros.
std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%x", value);
    return text;
}

std::string VersionName(unsigned major, unsigned minor) {
    return Hex(major) + "." + Hex(minor);
}

const char* SystemKindName(SYSKIND kind) {
    switch (kind) {
        case SYS_WIN16:
            return "win16";
        case SYS_MAC:
            return "mac";
        case SYS_WIN64:
            return "win64";
        default:
            return "win32";
    }
}

// The default value of a key below the parent.
std::optional<std::string> KeyText(HKEY parent, const std::string& path) {
    RegistryKey key;
    if (key.Open(parent, path) != ERROR_SUCCESS) return std::nullopt;
    return key.String(nullptr);
}

bool CreateWithText(HKEY parent, const std::string& path, const std::string& text) {
    RegistryKey key;
    return key.Create(parent, path) == ERROR_SUCCESS && key.SetString(nullptr, text.c_str()) == ERROR_SUCCESS;
}

bool HasSubkeys(HKEY parent, const std::string& path) {
    RegistryKey key;
    return key.Open(parent, path) == ERROR_SUCCESS && !key.Subkeys().empty();
}

// The interfaces a registration lists: dispatch interfaces (a dual interface's dispatch face among
// them) and [oleautomation] interfaces, with the marshaller each is registered with.
struct RegisteredInterface {
    GUID iid{};
    std::string name;
    const char* marshaller = kAutomationMarshaller;
};

std::vector<RegisteredInterface> AutomationInterfaces(ITypeLib* library) {
    std::vector<RegisteredInterface> interfaces;
    UINT count = library->GetTypeInfoCount();
    for (UINT index = 0; index < count; ++index) {
        ITypeInfo* info = nullptr;
        if (FAILED(library->GetTypeInfo(index, &info))) continue;
        TYPEATTR* attributes = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&attributes))) {
            const bool automation =
                (attributes->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)) != 0;
            if (attributes->typekind == TKIND_DISPATCH ||
                (attributes->typekind == TKIND_INTERFACE && automation)) {
                RegisteredInterface entry;
                entry.iid = attributes->guid;
                entry.marshaller = automation ? kAutomationMarshaller : kDispatchMarshaller;
                BSTR name = nullptr;
                if (SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr)) && name)
                    entry.name = AnsiFromWide(name);
                SysFreeString(name);
                interfaces.push_back(std::move(entry));
            }
            info->ReleaseTypeAttr(attributes);
        }
        info->Release();
    }
    return interfaces;
}

struct Version {
    unsigned major = 0;
    unsigned minor = 0;
};

std::optional<Version> ParseVersion(const std::string& name) {
    char* end = nullptr;
    unsigned long major = std::strtoul(name.c_str(), &end, 16);
    if (end == name.c_str() || *end != '.') return std::nullopt;
    const char* minorText = end + 1;
    unsigned long minor = std::strtoul(minorText, &end, 16);
    if (end == minorText || *end != '\0') return std::nullopt;
    return Version{static_cast<unsigned>(major), static_cast<unsigned>(minor)};
}

// The file registered for the library: the requested major version with the requested minor one, else
// the greatest minor one above it; the requested locale, else its language with the neutral sublanguage,
// else locale 0.
HRESULT RegisteredPath(REFGUID guid, WORD major, WORD minor, LCID lcid, std::string* path) {
    RegistryKey library;
    if (library.Open(HKEY_CLASSES_ROOT, "TypeLib\\" + GuidText(guid)) != ERROR_SUCCESS)
        return TYPE_E_LIBNOTREGISTERED;
    std::optional<Version> chosen;
    for (const std::string& name : library.Subkeys()) {
        std::optional<Version> version = ParseVersion(name);
        if (!version || version->major != major || version->minor < minor) continue;
        if (version->minor == minor) {
            chosen = version;
            break;
        }
        if (!chosen || version->minor > chosen->minor) chosen = version;
    }
    if (!chosen) return TYPE_E_LIBNOTREGISTERED;
    RegistryKey version;
    if (version.Open(library.handle(), VersionName(chosen->major, chosen->minor)) != ERROR_SUCCESS)
        return TYPE_E_LIBNOTREGISTERED;
    const LCID language = LANGIDFROMLCID(lcid);
    const LCID candidates[] = {lcid, static_cast<LCID>(MAKELANGID(PRIMARYLANGID(language), SUBLANG_NEUTRAL)),
                               0};
    for (LCID candidate : candidates) {
        std::optional<std::string> file = KeyText(version.handle(), Hex(candidate) + "\\win32");
        if (file) {
            *path = *file;
            return S_OK;
        }
    }
    return TYPE_E_LIBNOTREGISTERED;
}

}  // namespace

}  // namespace platform::automation

using platform::automation::CreateWithText;
using platform::GuidText;
using platform::automation::Hex;
using platform::automation::VersionName;

STDAPI RegisterTypeLib(ITypeLib* ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir) {
    if (!ptlib || !szFullPath) return E_INVALIDARG;
    TLIBATTR* attributes = nullptr;
    HRESULT result = ptlib->GetLibAttr(&attributes);
    if (FAILED(result)) return result;
    const TLIBATTR library = *attributes;
    ptlib->ReleaseTLibAttr(attributes);
    BSTR name = nullptr;
    BSTR helpString = nullptr;
    ptlib->GetDocumentation(-1, &name, &helpString, nullptr, nullptr);
    std::string description = platform::AnsiFromWide(helpString ? helpString : name ? name : u"");
    SysFreeString(name);
    SysFreeString(helpString);

    const std::string libraryId = GuidText(library.guid);
    const std::string version = VersionName(library.wMajorVerNum, library.wMinorVerNum);
    const std::string versionKey = "TypeLib\\" + libraryId + "\\" + version;
    char flags[16];
    std::snprintf(flags, sizeof(flags), "%X", library.wLibFlags);
    const bool written = CreateWithText(HKEY_CLASSES_ROOT, versionKey, description) &&
                         CreateWithText(HKEY_CLASSES_ROOT, versionKey + "\\FLAGS", flags) &&
                         CreateWithText(HKEY_CLASSES_ROOT, versionKey + "\\HELPDIR",
                                        szHelpDir ? platform::AnsiFromWide(szHelpDir) : std::string()) &&
                         CreateWithText(HKEY_CLASSES_ROOT,
                                        versionKey + "\\" + Hex(library.lcid) + "\\" +
                                            platform::automation::SystemKindName(library.syskind),
                                        platform::AnsiFromWide(szFullPath));
    if (!written) return TYPE_E_REGISTRYACCESS;

    for (const auto& registered : platform::automation::AutomationInterfaces(ptlib)) {
        const std::string interfaceKey = "Interface\\" + GuidText(registered.iid);
        platform::RegistryKey typeLibrary;
        const bool interfaceWritten =
            CreateWithText(HKEY_CLASSES_ROOT, interfaceKey, registered.name) &&
            CreateWithText(HKEY_CLASSES_ROOT, interfaceKey + "\\ProxyStubClsid", registered.marshaller) &&
            CreateWithText(HKEY_CLASSES_ROOT, interfaceKey + "\\ProxyStubClsid32", registered.marshaller) &&
            typeLibrary.Create(HKEY_CLASSES_ROOT, interfaceKey + "\\TypeLib") == ERROR_SUCCESS &&
            typeLibrary.SetString(nullptr, libraryId.c_str()) == ERROR_SUCCESS &&
            typeLibrary.SetString("Version", version.c_str()) == ERROR_SUCCESS;
        if (!interfaceWritten) return TYPE_E_REGISTRYACCESS;
    }
    return S_OK;
}

STDAPI UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid, SYSKIND syskind) {
    const std::string libraryId = GuidText(libID);
    const std::string libraryKey = "TypeLib\\" + libraryId;
    const std::string versionKey = libraryKey + "\\" + VersionName(wVerMajor, wVerMinor);
    const std::string localeKey = versionKey + "\\" + Hex(lcid);
    const std::string fileKey = localeKey + "\\" + platform::automation::SystemKindName(syskind);
    {
        platform::RegistryKey version;
        if (version.Open(HKEY_CLASSES_ROOT, versionKey) != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
    }
    // The interfaces are found in the library itself; those another library registered since stay.
    if (std::optional<std::string> file = platform::automation::KeyText(HKEY_CLASSES_ROOT, fileKey)) {
        std::u16string path = platform::WideFromAnsi(*file);
        ITypeLib* library = nullptr;
        if (SUCCEEDED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library))) {
            for (const auto& registered : platform::automation::AutomationInterfaces(library)) {
                const std::string interfaceKey = "Interface\\" + GuidText(registered.iid);
                std::optional<std::string> owner =
                    platform::automation::KeyText(HKEY_CLASSES_ROOT, interfaceKey + "\\TypeLib");
                if (owner && platform::EqualsNoCase(*owner, libraryId))
                    platform::RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, interfaceKey);
            }
            library->Release();
        }
    }
    platform::RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, fileKey);
    if (!platform::automation::HasSubkeys(HKEY_CLASSES_ROOT, localeKey))
        platform::RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, localeKey);
    // The version goes when no locale is left under it, only FLAGS and HELPDIR.
    bool localeLeft = false;
    {
        platform::RegistryKey version;
        if (version.Open(HKEY_CLASSES_ROOT, versionKey) == ERROR_SUCCESS) {
            for (const std::string& subkey : version.Subkeys()) {
                if (!platform::EqualsNoCase(subkey, "FLAGS") && !platform::EqualsNoCase(subkey, "HELPDIR"))
                    localeLeft = true;
            }
        }
    }
    if (!localeLeft) platform::RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, versionKey);
    if (!platform::automation::HasSubkeys(HKEY_CLASSES_ROOT, libraryKey))
        platform::RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, libraryKey);
    return S_OK;
}

STDAPI QueryPathOfRegTypeLib(REFGUID guid, USHORT wMaj, USHORT wMin, LCID lcid, LPBSTR lpbstrPathName) {
    if (!lpbstrPathName) return E_INVALIDARG;
    *lpbstrPathName = nullptr;
    std::string path;
    HRESULT result = platform::automation::RegisteredPath(guid, wMaj, wMin, lcid, &path);
    if (FAILED(result)) return result;
    std::u16string text = platform::WideFromAnsi(path);
    *lpbstrPathName = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *lpbstrPathName ? S_OK : E_OUTOFMEMORY;
}

STDAPI LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid, ITypeLib** pptlib) {
    if (!pptlib) return E_INVALIDARG;
    *pptlib = nullptr;
    std::string path;
    HRESULT result = platform::automation::RegisteredPath(rguid, wVerMajor, wVerMinor, lcid, &path);
    if (FAILED(result)) return result;
    std::u16string text = platform::WideFromAnsi(path);
    return LoadTypeLibEx(text.c_str(), REGKIND_NONE, pptlib);
}
