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

Value Value::Reference(VARIANT* variant) {
    Value value;
    value.variant_.vt = VT_BYREF | VT_VARIANT;
    value.variant_.pvarVal = variant;
    return value;
}

std::u16string_view Value::text() const {
    if (variant_.vt != VT_BSTR || !variant_.bstrVal) return u"";
    return std::u16string_view(variant_.bstrVal, SysStringLen(variant_.bstrVal));
}

BString::BString(std::u16string_view text)
    : string_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}

}  // namespace vbscript
