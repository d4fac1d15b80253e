// Safe arrays: bounds by dimension, the element layout, locks, element copies of strings, VARIANTs and
// interfaces, resizing, copies and the element type.
#include <gtest/gtest.h>

#include <string>

#include "oleauto.h"

namespace {

TEST(SafeArray, BoundsAndLayout) {
    // Dimension 1 runs from 1 to 2, dimension 2 from -1 to 1.
    SAFEARRAYBOUND bounds[] = {{2, 1}, {3, -1}};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(nullptr, array);
    EXPECT_EQ(2u, SafeArrayGetDim(array));
    EXPECT_EQ(4u, SafeArrayGetElemsize(array));
    EXPECT_EQ(3u, array->rgsabound[0].cElements);  // kept rightmost first
    struct BoundRow {
        UINT dimension;
        HRESULT result;
        LONG lower, upper;
    };
    const BoundRow boundRows[] = {{1, S_OK, 1, 2}, {2, S_OK, -1, 1}, {0, DISP_E_BADINDEX, 0, 0}, {3, DISP_E_BADINDEX, 0, 0}};
    for (const BoundRow& row : boundRows) {
        LONG lower = 0;
        LONG upper = 0;
        EXPECT_EQ(row.result, SafeArrayGetLBound(array, row.dimension, &lower)) << row.dimension;
        EXPECT_EQ(row.result, SafeArrayGetUBound(array, row.dimension, &upper)) << row.dimension;
        if (row.result == S_OK) {
            EXPECT_EQ(row.lower, lower);
            EXPECT_EQ(row.upper, upper);
        }
    }
    // The leftmost index varies fastest.
    struct ElementRow {
        LONG indices[2];
        HRESULT result;
        std::ptrdiff_t offset;
    };
    const ElementRow elementRows[] = {
        {{1, -1}, S_OK, 0}, {{2, -1}, S_OK, 1}, {{1, 0}, S_OK, 2}, {{2, 1}, S_OK, 5},
        {{0, 0}, DISP_E_BADINDEX, 0}, {{3, 0}, DISP_E_BADINDEX, 0}, {{1, 2}, DISP_E_BADINDEX, 0}, {{1, -2}, DISP_E_BADINDEX, 0},
    };
    for (const ElementRow& row : elementRows) {
        LONG indices[2] = {row.indices[0], row.indices[1]};
        LONG value = 100 + row.indices[0] * 10 + row.indices[1];
        EXPECT_EQ(row.result, SafeArrayPutElement(array, indices, &value)) << indices[0] << "," << indices[1];
        void* element = nullptr;
        EXPECT_EQ(row.result, SafeArrayPtrOfIndex(array, indices, &element));
        if (row.result != S_OK) continue;
        EXPECT_EQ(static_cast<LONG*>(array->pvData) + row.offset, element);
        LONG read = 0;
        EXPECT_EQ(S_OK, SafeArrayGetElement(array, indices, &read));
        EXPECT_EQ(value, read);
    }
    EXPECT_EQ(S_OK, SafeArrayDestroy(array));
}

TEST(SafeArray, FeaturesAndElementTypes) {
    struct Row {
        VARTYPE vt;
        USHORT features;
        ULONG size;
    };
    const Row rows[] = {
        {VT_I2, FADF_HAVEVARTYPE, 2},
        {VT_BOOL, FADF_HAVEVARTYPE, 2},
        {VT_R8, FADF_HAVEVARTYPE, 8},
        {VT_UI1, FADF_HAVEVARTYPE, 1},
        {VT_BSTR, FADF_BSTR | FADF_HAVEVARTYPE, sizeof(BSTR)},
        {VT_VARIANT, FADF_VARIANT | FADF_HAVEVARTYPE, sizeof(VARIANT)},
        {VT_UNKNOWN, FADF_UNKNOWN | FADF_HAVEIID, sizeof(IUnknown*)},
        {VT_DISPATCH, FADF_DISPATCH | FADF_HAVEIID, sizeof(IDispatch*)},
    };
    for (const Row& row : rows) {
        SAFEARRAY* array = SafeArrayCreateVector(row.vt, 0, 2);
        ASSERT_NE(nullptr, array) << row.vt;
        EXPECT_EQ(row.features, array->fFeatures) << row.vt;
        EXPECT_EQ(row.size, array->cbElements) << row.vt;
        VARTYPE vt = 0;
        EXPECT_EQ(S_OK, SafeArrayGetVartype(array, &vt));
        EXPECT_EQ(row.vt, vt);
        SafeArrayDestroy(array);
    }
    EXPECT_EQ(nullptr, SafeArrayCreateVector(VT_EMPTY, 0, 1));
    EXPECT_EQ(nullptr, SafeArrayCreateVector(VT_NULL, 0, 1));
    SAFEARRAYBOUND bound{1, 0};
    EXPECT_EQ(nullptr, SafeArrayCreate(VT_I4, 0, &bound));
}

TEST(SafeArray, LockedArraysStay) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 4);
    void* data = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(array, &data));
    EXPECT_EQ(array->pvData, data);
    EXPECT_EQ(S_OK, SafeArrayLock(array));
    EXPECT_EQ(2u, array->cLocks);
    SAFEARRAYBOUND bigger{8, 0};
    EXPECT_EQ(DISP_E_ARRAYISLOCKED, SafeArrayDestroy(array));
    EXPECT_EQ(DISP_E_ARRAYISLOCKED, SafeArrayRedim(array, &bigger));
    EXPECT_EQ(DISP_E_ARRAYISLOCKED, SafeArrayDestroyData(array));
    EXPECT_EQ(DISP_E_ARRAYISLOCKED, SafeArrayDestroyDescriptor(array));
    LONG index = 1;
    LONG value = 9;
    EXPECT_EQ(S_OK, SafeArrayPutElement(array, &index, &value));  // elements still change
    EXPECT_EQ(S_OK, SafeArrayUnlock(array));
    EXPECT_EQ(S_OK, SafeArrayUnaccessData(array));
    EXPECT_EQ(E_UNEXPECTED, SafeArrayUnlock(array));
    EXPECT_EQ(S_OK, SafeArrayDestroy(array));
    EXPECT_EQ(S_OK, SafeArrayDestroy(nullptr));
}

// An object that counts its references.
class Counted final : public IUnknown {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppvObject) override {
        *ppvObject = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    ULONG references = 1;
};

TEST(SafeArray, ElementsOwnTheirStringsVariantsAndReferences) {
    SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 1, 2);
    BSTR text = SysAllocString(u"Stampante");
    LONG index = 2;
    ASSERT_EQ(S_OK, SafeArrayPutElement(strings, &index, text));
    SysFreeString(text);  // the array keeps its own copy
    text = SysAllocString(u"Scanner");
    ASSERT_EQ(S_OK, SafeArrayPutElement(strings, &index, text));  // replaces, and frees, the first copy
    SysFreeString(text);
    BSTR read = nullptr;
    ASSERT_EQ(S_OK, SafeArrayGetElement(strings, &index, &read));
    EXPECT_EQ(std::u16string(u"Scanner"), std::u16string(read));
    SysFreeString(read);

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(S_OK, SafeArrayCopy(strings, &copy));
    BSTR copied = static_cast<BSTR*>(copy->pvData)[1];
    EXPECT_NE(static_cast<BSTR*>(strings->pvData)[1], copied);
    EXPECT_EQ(std::u16string(u"Scanner"), std::u16string(copied));
    VARTYPE vt = 0;
    SafeArrayGetVartype(copy, &vt);
    EXPECT_EQ(VT_BSTR, vt);
    SafeArrayDestroy(copy);
    SafeArrayDestroy(strings);

    Counted object;
    SAFEARRAY* objects = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
    index = 0;
    ASSERT_EQ(S_OK, SafeArrayPutElement(objects, &index, static_cast<IUnknown*>(&object)));
    EXPECT_EQ(2u, object.references);
    IUnknown* got = nullptr;
    ASSERT_EQ(S_OK, SafeArrayGetElement(objects, &index, &got));
    EXPECT_EQ(3u, object.references);
    got->Release();
    ASSERT_EQ(S_OK, SafeArrayPutElement(objects, &index, nullptr));
    EXPECT_EQ(1u, object.references);
    SafeArrayPutElement(objects, &index, static_cast<IUnknown*>(&object));
    SafeArrayDestroy(objects);
    EXPECT_EQ(1u, object.references);

    SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"Serie 500");
    ASSERT_EQ(S_OK, SafeArrayPutElement(variants, &index, &value));
    VariantClear(&value);
    VARIANT element;
    VariantInit(&element);
    ASSERT_EQ(S_OK, SafeArrayGetElement(variants, &index, &element));
    EXPECT_EQ(VT_BSTR, element.vt);
    EXPECT_EQ(std::u16string(u"Serie 500"), std::u16string(element.bstrVal));
    VariantClear(&element);
    SafeArrayDestroy(variants);
}

TEST(SafeArray, RedimChangesTheLastDimension) {
    SAFEARRAYBOUND bounds[] = {{2, 0}, {2, 0}};
    SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 2, bounds);
    for (LONG row = 0; row < 2; ++row) {
        for (LONG column = 0; column < 2; ++column) {
            LONG indices[2] = {row, column};
            std::u16string text = {static_cast<char16_t>(u'a' + row), static_cast<char16_t>(u'0' + column)};
            BSTR element = SysAllocString(text.c_str());
            SafeArrayPutElement(array, indices, element);
            SysFreeString(element);
        }
    }
    SAFEARRAYBOUND longer{3, 0};
    ASSERT_EQ(S_OK, SafeArrayRedim(array, &longer));
    LONG upper = 0;
    SafeArrayGetUBound(array, 2, &upper);
    EXPECT_EQ(2, upper);
    SafeArrayGetUBound(array, 1, &upper);
    EXPECT_EQ(1, upper);
    LONG kept[2] = {1, 1};
    BSTR text = nullptr;
    SafeArrayGetElement(array, kept, &text);
    EXPECT_EQ(std::u16string(u"b1"), std::u16string(text));
    SysFreeString(text);
    LONG added[2] = {1, 2};
    SafeArrayGetElement(array, added, &text);
    EXPECT_EQ(nullptr, text);
    SAFEARRAYBOUND shorter{1, 0};
    ASSERT_EQ(S_OK, SafeArrayRedim(array, &shorter));  // the dropped strings are freed
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayGetElement(array, kept, &text));
    LONG first[2] = {1, 0};
    SafeArrayGetElement(array, first, &text);
    EXPECT_EQ(std::u16string(u"b0"), std::u16string(text));
    SysFreeString(text);
    SafeArrayDestroy(array);
}

TEST(SafeArray, DescriptorAndDataApart) {
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(E_INVALIDARG, SafeArrayAllocDescriptor(0, &array));
    ASSERT_EQ(S_OK, SafeArrayAllocDescriptor(1, &array));
    array->cbElements = 2;
    array->rgsabound[0] = {5, 10};
    ASSERT_EQ(S_OK, SafeArrayAllocData(array));
    LONG index = 14;
    SHORT value = 7;
    EXPECT_EQ(S_OK, SafeArrayPutElement(array, &index, &value));
    index = 15;
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayPutElement(array, &index, &value));
    VARTYPE vt = 0;
    EXPECT_EQ(E_INVALIDARG, SafeArrayGetVartype(array, &vt));  // nothing says what the elements are
    EXPECT_EQ(S_OK, SafeArrayDestroyData(array));
    EXPECT_EQ(nullptr, array->pvData);
    EXPECT_EQ(S_OK, SafeArrayDestroyDescriptor(array));
}

}  // namespace
