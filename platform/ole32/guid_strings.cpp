// GUIDs as text: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", 38 characters, upper-case hexadecimal.
#include <array>

#include "platform/machine/guid_text.h"
#include "platform/ole32/ole32_internal.h"

namespace {

using platform::kGuidTextLength;

std::u16string_view TextOf(LPCOLESTR text) {
    return text ? std::u16string_view(text) : std::u16string_view();
}

}  // namespace

STDAPI_(int) StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    if (!lpsz || cchMax < static_cast<int>(kGuidTextLength + 1)) return 0;
    std::string text = platform::GuidText(rguid);
    for (std::size_t index = 0; index < kGuidTextLength; ++index)
        lpsz[index] = static_cast<OLECHAR>(text[index]);
    lpsz[kGuidTextLength] = 0;
    return static_cast<int>(kGuidTextLength + 1);
}

STDAPI StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) {
    if (!lplpsz) return E_INVALIDARG;
    std::array<OLECHAR, kGuidTextLength + 1> text{};
    StringFromGUID2(rclsid, text.data(), static_cast<int>(text.size()));
    *lplpsz = platform::com::TaskMemoryString(std::u16string_view(text.data(), kGuidTextLength));
    return *lplpsz ? S_OK : E_OUTOFMEMORY;
}

STDAPI StringFromIID(REFIID rclsid, LPOLESTR* lplpsz) {
    return StringFromCLSID(rclsid, lplpsz);
}

// Text that is not in braces names a class by its ProgID.
STDAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (!pclsid) return E_INVALIDARG;
    *pclsid = CLSID_NULL;
    if (!lpsz) return S_OK;
    std::u16string_view text = TextOf(lpsz);
    if (!text.empty() && text.front() == u'{') {
        std::optional<GUID> guid = platform::ParseGuid(text);
        if (!guid) return CO_E_CLASSSTRING;
        *pclsid = *guid;
        return S_OK;
    }
    return CLSIDFromProgID(lpsz, pclsid);
}

STDAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid) {
    if (!lpiid) return E_INVALIDARG;
    *lpiid = IID_NULL;
    if (!lpsz) return S_OK;
    std::optional<GUID> guid = platform::ParseGuid(TextOf(lpsz));
    if (!guid) return E_INVALIDARG;
    *lpiid = *guid;
    return S_OK;
}
