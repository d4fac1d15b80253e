// VARIANT copies and coercions: a table of source values, destination types and the value or failure
// each gives, in English and Italian, with and without boolean names.
#include <gtest/gtest.h>

#include <string>

#include "oleauto.h"
#include "platform/testing/test_machine.h"

namespace {

constexpr LCID english = 1033;
constexpr LCID italian = 1040;

VARIANT Make(VARTYPE vt) {
    VARIANT value;
    VariantInit(&value);
    value.vt = vt;
    return value;
}
VARIANT I2(SHORT number) {
    VARIANT value = Make(VT_I2);
    value.iVal = number;
    return value;
}
VARIANT I4(LONG number) {
    VARIANT value = Make(VT_I4);
    value.lVal = number;
    return value;
}
VARIANT UI1(BYTE number) {
    VARIANT value = Make(VT_UI1);
    value.bVal = number;
    return value;
}
VARIANT R8(double number) {
    VARIANT value = Make(VT_R8);
    value.dblVal = number;
    return value;
}
VARIANT Date(double number) {
    VARIANT value = Make(VT_DATE);
    value.date = number;
    return value;
}
VARIANT Bool(bool truth) {
    VARIANT value = Make(VT_BOOL);
    value.boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}
VARIANT Error(SCODE code) {
    VARIANT value = Make(VT_ERROR);
    value.scode = code;
    return value;
}
VARIANT Text(const char16_t* text) {
    VARIANT value = Make(VT_BSTR);
    value.bstrVal = SysAllocString(text);
    return value;
}

// The value as text for comparing: the type, a colon and the value.
std::string Describe(const VARIANT& value) {
    switch (value.vt) {
        case VT_EMPTY:
            return "EMPTY";
        case VT_NULL:
            return "NULL";
        case VT_I2:
            return "I2:" + std::to_string(value.iVal);
        case VT_I4:
            return "I4:" + std::to_string(value.lVal);
        case VT_UI1:
            return "UI1:" + std::to_string(value.bVal);
        case VT_R8:
            return "R8:" + std::to_string(value.dblVal);
        case VT_DATE:
            return "DATE:" + std::to_string(value.date);
        case VT_BOOL:
            return "BOOL:" + std::to_string(value.boolVal);
        case VT_ERROR:
            return "ERROR:" + std::to_string(value.scode);
        case VT_CY:
            return "CY:" + std::to_string(value.cyVal.int64);
        case VT_BSTR: {
            std::string text = "BSTR:";
            for (UINT index = 0; index < SysStringLen(value.bstrVal); ++index)
                text += static_cast<char>(value.bstrVal[index]);
            return text;
        }
        default:
            return "vt " + std::to_string(value.vt);
    }
}

TEST(VariantChangeType, CoercionTable) {
    platform::TestMachine machine;
    struct Row {
        VARIANT source;
        VARTYPE target;
        LCID locale;
        USHORT flags;
        HRESULT result;
        std::string expected;  // when it succeeds
    };
    const Row rows[] = {
        // Whole numbers and reals.
        {I2(-5), VT_I4, english, 0, S_OK, "I4:-5"},
        {I4(40000), VT_I2, english, 0, DISP_E_OVERFLOW, ""},
        {I4(-32768), VT_I2, english, 0, S_OK, "I2:-32768"},
        {I4(256), VT_UI1, english, 0, DISP_E_OVERFLOW, ""},
        {I4(-1), VT_UI1, english, 0, DISP_E_OVERFLOW, ""},
        {I4(7), VT_R8, english, 0, S_OK, "R8:7.000000"},
        {R8(2.5), VT_I4, english, 0, S_OK, "I4:2"},
        {R8(3.5), VT_I4, english, 0, S_OK, "I4:4"},
        {R8(-2.5), VT_I2, english, 0, S_OK, "I2:-2"},
        {R8(2.6), VT_UI1, english, 0, S_OK, "UI1:3"},
        {R8(3e9), VT_I4, english, 0, DISP_E_OVERFLOW, ""},
        {R8(1.25), VT_CY, english, 0, S_OK, "CY:12500"},
        // Booleans: true is -1.
        {Bool(true), VT_I4, english, 0, S_OK, "I4:-1"},
        {Bool(true), VT_UI1, english, 0, S_OK, "UI1:255"},
        {Bool(false), VT_R8, english, 0, S_OK, "R8:0.000000"},
        {I4(3), VT_BOOL, english, 0, S_OK, "BOOL:-1"},
        {R8(0), VT_BOOL, english, 0, S_OK, "BOOL:0"},
        {Bool(true), VT_BSTR, english, 0, S_OK, "BSTR:-1"},
        {Bool(false), VT_BSTR, english, 0, S_OK, "BSTR:0"},
        {Bool(true), VT_BSTR, english, VARIANT_ALPHABOOL, S_OK, "BSTR:True"},
        {Bool(false), VT_BSTR, italian, VARIANT_ALPHABOOL, S_OK, "BSTR:False"},
        {Bool(true), VT_BSTR, italian, VARIANT_LOCALBOOL, S_OK, "BSTR:Vero"},
        {Text(u"True"), VT_BOOL, english, 0, S_OK, "BOOL:-1"},
        {Text(u" false "), VT_BOOL, english, 0, S_OK, "BOOL:0"},
        {Text(u"Vero"), VT_BOOL, italian, 0, S_OK, "BOOL:-1"},
        {Text(u"0"), VT_BOOL, english, 0, S_OK, "BOOL:0"},
        {Text(u"forse"), VT_BOOL, english, 0, DISP_E_TYPEMISMATCH, ""},
        // Text with the locale's decimal point.
        {Text(u"12"), VT_I4, english, 0, S_OK, "I4:12"},
        {Text(u" -12 "), VT_I2, english, 0, S_OK, "I2:-12"},
        {Text(u"12.5"), VT_R8, english, 0, S_OK, "R8:12.500000"},
        {Text(u"12,5"), VT_R8, italian, 0, S_OK, "R8:12.500000"},
        {Text(u"12,5"), VT_R8, english, 0, DISP_E_TYPEMISMATCH, ""},
        {Text(u"1e3"), VT_I4, english, 0, S_OK, "I4:1000"},
        {Text(u"12.5"), VT_I4, english, 0, S_OK, "I4:12"},
        {Text(u"70000"), VT_I2, english, 0, DISP_E_OVERFLOW, ""},
        {Text(u"abc"), VT_I4, english, 0, DISP_E_TYPEMISMATCH, ""},
        {Text(u""), VT_I4, english, 0, DISP_E_TYPEMISMATCH, ""},
        {R8(1.5), VT_BSTR, english, 0, S_OK, "BSTR:1.5"},
        {R8(1.5), VT_BSTR, italian, 0, S_OK, "BSTR:1,5"},
        {R8(0.1), VT_BSTR, english, 0, S_OK, "BSTR:0.1"},
        {R8(1e20), VT_BSTR, english, 0, S_OK, "BSTR:1E+20"},
        {I4(-42), VT_BSTR, english, 0, S_OK, "BSTR:-42"},
        {UI1(200), VT_BSTR, english, 0, S_OK, "BSTR:200"},
        // Dates.
        {Date(38046.5), VT_BSTR, english, 0, S_OK, "BSTR:2/29/2004 12:00:00 PM"},
        {Date(38046.25), VT_BSTR, italian, 0, S_OK, "BSTR:29/02/2004 6.00.00"},
        {Date(38046), VT_BSTR, english, 0, S_OK, "BSTR:2/29/2004"},
        {Date(0.75), VT_BSTR, english, 0, S_OK, "BSTR:6:00:00 PM"},
        {Text(u"2/29/2004"), VT_DATE, english, 0, S_OK, "DATE:38046.000000"},
        {Text(u"29/02/2004 18.00.00"), VT_DATE, italian, 0, S_OK, "DATE:38046.750000"},
        {Text(u"2/29/2004 6:00 PM"), VT_DATE, english, 0, S_OK, "DATE:38046.750000"},
        {Text(u"2/30/2004"), VT_DATE, english, 0, DISP_E_TYPEMISMATCH, ""},
        {Text(u"domani"), VT_DATE, italian, 0, DISP_E_TYPEMISMATCH, ""},
        {Date(38046.75), VT_I4, english, 0, S_OK, "I4:38047"},
        {I4(2), VT_DATE, english, 0, S_OK, "DATE:2.000000"},
        {R8(3e6), VT_DATE, english, 0, DISP_E_OVERFLOW, ""},
        // Empty, null and error codes.
        {Make(VT_EMPTY), VT_I4, english, 0, S_OK, "I4:0"},
        {Make(VT_EMPTY), VT_BSTR, english, 0, S_OK, "BSTR:"},
        {Make(VT_EMPTY), VT_BOOL, english, 0, S_OK, "BOOL:0"},
        {Make(VT_NULL), VT_I4, english, 0, DISP_E_TYPEMISMATCH, ""},
        {Make(VT_NULL), VT_BSTR, english, 0, DISP_E_TYPEMISMATCH, ""},
        {Make(VT_NULL), VT_NULL, english, 0, S_OK, "NULL"},
        {I4(5), VT_EMPTY, english, 0, S_OK, "EMPTY"},
        {I4(5), VT_NULL, english, 0, DISP_E_TYPEMISMATCH, ""},
        {Error(DISP_E_PARAMNOTFOUND), VT_I4, english, 0, S_OK, "I4:-2147352572"},
        {I4(5), VT_ERROR, english, 0, S_OK, "ERROR:5"},
        {Error(5), VT_BSTR, english, 0, DISP_E_TYPEMISMATCH, ""},
        {Error(5), VT_R8, english, 0, DISP_E_TYPEMISMATCH, ""},
        // Types that are none.
        {I4(1), static_cast<VARTYPE>(15), english, 0, DISP_E_BADVARTYPE, ""},
        {I4(1), VT_I4 | VT_BYREF, english, 0, DISP_E_BADVARTYPE, ""},
        {Make(static_cast<VARTYPE>(0x7F)), VT_I4, english, 0, DISP_E_BADVARTYPE, ""},
        {Make(VT_VARIANT), VT_I4, english, 0, DISP_E_BADVARTYPE, ""},
    };
    for (const Row& row : rows) {
        VARIANT result;
        VariantInit(&result);
        HRESULT outcome = VariantChangeTypeEx(&result, &row.source, row.locale, row.flags, row.target);
        std::string source = Describe(row.source);
        EXPECT_EQ(row.result, outcome) << source << " to " << row.target;
        if (SUCCEEDED(outcome)) {
            EXPECT_EQ(row.expected, Describe(result)) << source << " to " << row.target;
        } else {
            EXPECT_EQ(VT_EMPTY, result.vt) << source;
        }
        VariantClear(&result);
        VARIANT owned = row.source;
        if (owned.vt == VT_BSTR) SysFreeString(owned.bstrVal);
    }
}

TEST(VariantChangeType, UserDefaultLocaleOfTheMachine) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(platform::OsKind::WindowsXP);
    settings.userLanguage = 0x410;
    platform::TestMachine machine(settings);
    VARIANT source = R8(2.25);
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, VariantChangeType(&result, &source, 0, VT_BSTR));
    EXPECT_EQ("BSTR:2,25", Describe(result));
    VariantClear(&result);
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&result, &source, LOCALE_USER_DEFAULT, 0, VT_BSTR));
    EXPECT_EQ("BSTR:2,25", Describe(result));
    VariantClear(&result);
}

TEST(VariantChangeType, InPlaceAndThroughReferences) {
    platform::TestMachine machine;
    VARIANT value = Text(u"41");
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&value, &value, english, 0, VT_I4));
    EXPECT_EQ("I4:41", Describe(value));
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&value, &value, english, 0, VT_BSTR));
    EXPECT_EQ("BSTR:41", Describe(value));
    VariantClear(&value);

    SHORT number = 300;
    VARIANT reference = Make(VT_I2 | VT_BYREF);
    reference.piVal = &number;
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&result, &reference, english, 0, VT_R8));
    EXPECT_EQ("R8:300.000000", Describe(result));
    EXPECT_EQ(DISP_E_OVERFLOW, VariantChangeTypeEx(&result, &reference, english, 0, VT_UI1));

    VARIANT inner = Text(u"7");
    VARIANT toVariant = Make(VT_VARIANT | VT_BYREF);
    toVariant.pvarVal = &inner;
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&result, &toVariant, english, 0, VT_I2));
    EXPECT_EQ("I2:7", Describe(result));
    EXPECT_EQ(std::u16string(u"7"), std::u16string(inner.bstrVal));  // the referenced value stays
    VariantClear(&inner);
    VariantClear(&result);
}

// An object whose value property is a number; it counts its references.
class ValueObject final : public IDispatch {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid != IID_IUnknown && riid != IID_IDispatch) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO*, UINT*) override {
        if (dispIdMember != DISPID_VALUE || !(wFlags & DISPATCH_PROPERTYGET) || pDispParams->cArgs != 0)
            return DISP_E_MEMBERNOTFOUND;
        pVarResult->vt = VT_BSTR;
        pVarResult->bstrVal = SysAllocString(u"123");
        return S_OK;
    }
    ULONG references = 1;
};

TEST(VariantChangeType, ObjectsThroughTheirValueProperty) {
    platform::TestMachine machine;
    ValueObject object;
    VARIANT source = Make(VT_DISPATCH);
    source.pdispVal = &object;
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&result, &source, english, 0, VT_I4));
    EXPECT_EQ("I4:123", Describe(result));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeTypeEx(&result, &source, english, VARIANT_NOVALUEPROP, VT_I4));

    ASSERT_EQ(S_OK, VariantChangeTypeEx(&result, &source, english, 0, VT_UNKNOWN));
    EXPECT_EQ(static_cast<IUnknown*>(&object), result.punkVal);
    EXPECT_EQ(2u, object.references);
    VARIANT back;
    VariantInit(&back);
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&back, &result, english, 0, VT_DISPATCH));
    EXPECT_EQ(3u, object.references);
    VariantClear(&back);
    VariantClear(&result);
    EXPECT_EQ(1u, object.references);

    VARIANT unknown = Make(VT_UNKNOWN);
    unknown.punkVal = &object;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeTypeEx(&result, &unknown, english, 0, VT_I4));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeTypeEx(&result, &unknown, english, 0, VT_BSTR));
    VARIANT number = I4(1);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeTypeEx(&result, &number, english, 0, VT_DISPATCH));
    EXPECT_EQ(1u, object.references);
}

TEST(VariantChangeType, ArraysOnlyToTheSameArrayType) {
    platform::TestMachine machine;
    VARIANT source = Make(VT_ARRAY | VT_I4);
    source.parray = SafeArrayCreateVector(VT_I4, 0, 3);
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, VariantChangeTypeEx(&result, &source, english, 0, VT_ARRAY | VT_I4));
    EXPECT_NE(source.parray, result.parray);
    EXPECT_EQ(3, static_cast<int>(result.parray->rgsabound[0].cElements));
    VariantClear(&result);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeTypeEx(&result, &source, english, 0, VT_ARRAY | VT_I2));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeTypeEx(&result, &source, english, 0, VT_I4));
    VARIANT number = I4(1);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeTypeEx(&result, &number, english, 0, VT_ARRAY | VT_I4));
    VariantClear(&source);
}

TEST(VariantCopy, OwnsItsCopyAndReadsThroughReferences) {
    VARIANT text = Text(u"Serie 500");
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(S_OK, VariantCopy(&copy, &text));
    EXPECT_NE(text.bstrVal, copy.bstrVal);
    EXPECT_EQ(std::u16string(u"Serie 500"), std::u16string(copy.bstrVal));
    ASSERT_EQ(S_OK, VariantCopy(&copy, &copy));

    VARIANT reference = Make(VT_BSTR | VT_BYREF);
    reference.pbstrVal = &text.bstrVal;
    ASSERT_EQ(S_OK, VariantCopy(&copy, &reference));  // the reference itself
    EXPECT_EQ(VT_BSTR | VT_BYREF, copy.vt);
    EXPECT_EQ(&text.bstrVal, copy.pbstrVal);
    ASSERT_EQ(S_OK, VariantCopyInd(&copy, &reference));  // the value it refers to
    EXPECT_EQ(VT_BSTR, copy.vt);
    EXPECT_NE(text.bstrVal, copy.bstrVal);
    EXPECT_EQ(std::u16string(u"Serie 500"), std::u16string(copy.bstrVal));
    VariantClear(&copy);

    VARIANT inPlace = reference;
    ASSERT_EQ(S_OK, VariantCopyInd(&inPlace, &inPlace));
    EXPECT_EQ(VT_BSTR, inPlace.vt);
    VariantClear(&inPlace);
    VariantClear(&text);

    VARIANT bad = Make(static_cast<VARTYPE>(0x7F));
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantCopy(&copy, &bad));
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&bad));
}

}  // namespace
