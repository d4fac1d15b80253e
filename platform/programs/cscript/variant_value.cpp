#include "variant_value.h"

#include "windows.h"

namespace vbscript {

Value Value::CopyOf(const VARIANT& variant) {
    Value value;
    VariantCopyInd(&value.variant_, &variant);
    return value;
}

Value Value::Adopt(VARIANT& variant) {
    Value value;
    value.variant_ = variant;
    VariantInit(&variant);
    return value;
}

Value Value::Integer(long number) {
    Value value;
    value.variant_.vt = VT_I4;
    value.variant_.lVal = static_cast<LONG>(number);
    return value;
}

Value Value::Short(short number) {
    Value value;
    value.variant_.vt = VT_I2;
    value.variant_.iVal = number;
    return value;
}

Value Value::Real(double number) {
    Value value;
    value.variant_.vt = VT_R8;
    value.variant_.dblVal = number;
    return value;
}

Value Value::Boolean(bool truth) {
    Value value;
    value.variant_.vt = VT_BOOL;
    value.variant_.boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}

Value Value::String(std::u16string_view text) {
    Value value;
    value.variant_.vt = VT_BSTR;
    value.variant_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return value;
}

Value Value::Object(IDispatch* object) {
    Value value;
    value.variant_.vt = VT_DISPATCH;
    value.variant_.pdispVal = object;
    if (object) object->AddRef();
    return value;
}

Value Value::Error(SCODE code) {
    Value value;
    value.variant_.vt = VT_ERROR;
    value.variant_.scode = code;
    return value;
}

std::u16string_view Value::text() const {
    if (variant_.vt != VT_BSTR || !variant_.bstrVal) return u"";
    return std::u16string_view(variant_.bstrVal, SysStringLen(variant_.bstrVal));
}

BString::BString(std::u16string_view text)
    : string_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}

std::u16string WideFromAnsi(std::string_view text) {
    if (text.empty()) return u"";
    std::u16string wide(text.size(), u'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                     static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return wide;
}

std::string AnsiFromWide(std::u16string_view text) {
    if (text.empty()) return "";
    std::string ansi(text.size() * 2, '\0');
    int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(),
                                     static_cast<int>(ansi.size()), nullptr, nullptr);
    ansi.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return ansi;
}

}  // namespace vbscript
