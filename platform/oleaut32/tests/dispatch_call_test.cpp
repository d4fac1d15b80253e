// DispCallFunc: plain functions and function-table slots called with arguments of each VARTYPE it
// passes, and results of each type it returns.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "oleauto.h"

namespace {

// Each function answers what it received as a double, so that one row can check the value passed.
double TakeI1(signed char value) {
    return value;
}
double TakeUI1(unsigned char value) {
    return value;
}
double TakeI2(short value) {
    return value;
}
double TakeUI2(unsigned short value) {
    return value;
}
double TakeI4(LONG value) {
    return value;
}
double TakeUI4(ULONG value) {
    return value;
}
double TakeI8(LONGLONG value) {
    return static_cast<double>(value);
}
double TakeUI8(ULONGLONG value) {
    return static_cast<double>(value);
}
double TakeInt(INT value) {
    return value;
}
double TakeUInt(UINT value) {
    return value;
}
double TakeR4(float value) {
    return value;
}
double TakeR8(double value) {
    return value;
}
double TakeBool(VARIANT_BOOL value) {
    return value;
}
double TakeDate(DATE value) {
    return value;
}
double TakeCurrency(CY value) {
    return static_cast<double>(value.int64) / 10000;
}
double TakeBstr(BSTR value) {
    return SysStringLen(value);
}
double TakeError(SCODE value) {
    return value;
}
double TakeUnknown(IUnknown* value) {
    return value ? 1 : 0;
}
// A VARIANT by value: its type and its long.
double TakeVariant(VARIANT value) {
    return value.vt * 1000 + value.lVal;
}
double TakeReference(LONG* value) {
    *value += 1;
    return *value;
}

// Many arguments of mixed types: some in registers, the rest on the stack.
double TakeMany(signed char a, short b, LONG c, LONGLONG d, float e, double f, VARIANT_BOOL g, LONG h,
                double i, LONG j, float k, LONGLONG l) {
    return a + b + c + static_cast<double>(d) + e + f + g + h + i + j + k + static_cast<double>(l);
}

float GiveR4() {
    return 2.5f;
}
LONGLONG GiveI8() {
    return -5000000000LL;
}
short GiveI2() {
    return -7;
}
VARIANT_BOOL GiveBool() {
    return VARIANT_TRUE;
}
HRESULT GiveHresult() {
    return E_ACCESSDENIED;
}
int calls = 0;
void GiveNothing() {
    ++calls;
}
BSTR GiveBstr() {
    return SysAllocString(u"testo");
}

template <typename Function>
ULONG_PTR Address(Function* function) {
    return reinterpret_cast<ULONG_PTR>(function);
}

TEST(DispCallFunc, ArgumentsOfEachType) {
    struct Row {
        const char* name;
        ULONG_PTR function;
        VARTYPE type;
        VARIANT value;
        double expected;
    };
    auto with = [](auto assign) {
        VARIANT variant;
        VariantInit(&variant);
        assign(variant);
        return variant;
    };
    BSTR text = SysAllocString(u"quattro");
    IUnknown* someObject = reinterpret_cast<IUnknown*>(&calls);
    CY currency;
    currency.int64 = 123456;
    std::vector<Row> rows = {
        {"VT_I1", Address(TakeI1), VT_I1, with([](VARIANT& v) { v.cVal = -5; }), -5},
        {"VT_UI1", Address(TakeUI1), VT_UI1, with([](VARIANT& v) { v.bVal = 250; }), 250},
        {"VT_I2", Address(TakeI2), VT_I2, with([](VARIANT& v) { v.iVal = -300; }), -300},
        {"VT_UI2", Address(TakeUI2), VT_UI2, with([](VARIANT& v) { v.uiVal = 65000; }), 65000},
        {"VT_I4", Address(TakeI4), VT_I4, with([](VARIANT& v) { v.lVal = -70000; }), -70000},
        {"VT_UI4", Address(TakeUI4), VT_UI4, with([](VARIANT& v) { v.ulVal = 4000000000u; }), 4000000000.0},
        {"VT_I8", Address(TakeI8), VT_I8, with([](VARIANT& v) { v.llVal = -9000000000LL; }), -9000000000.0},
        {"VT_UI8", Address(TakeUI8), VT_UI8, with([](VARIANT& v) { v.ullVal = 9000000000ULL; }),
         9000000000.0},
        {"VT_INT", Address(TakeInt), VT_INT, with([](VARIANT& v) { v.intVal = -12; }), -12},
        {"VT_UINT", Address(TakeUInt), VT_UINT, with([](VARIANT& v) { v.uintVal = 12; }), 12},
        {"VT_R4", Address(TakeR4), VT_R4, with([](VARIANT& v) { v.fltVal = 1.5f; }), 1.5},
        {"VT_R8", Address(TakeR8), VT_R8, with([](VARIANT& v) { v.dblVal = -2.25; }), -2.25},
        {"VT_BOOL", Address(TakeBool), VT_BOOL, with([](VARIANT& v) { v.boolVal = VARIANT_TRUE; }), -1},
        {"VT_DATE", Address(TakeDate), VT_DATE, with([](VARIANT& v) { v.date = 36526.5; }), 36526.5},
        {"VT_CY", Address(TakeCurrency), VT_CY, with([&](VARIANT& v) { v.cyVal = currency; }), 12.3456},
        {"VT_BSTR", Address(TakeBstr), VT_BSTR, with([&](VARIANT& v) { v.bstrVal = text; }), 7},
        {"VT_ERROR", Address(TakeError), VT_ERROR, with([](VARIANT& v) { v.scode = DISP_E_PARAMNOTFOUND; }),
         static_cast<double>(DISP_E_PARAMNOTFOUND)},
        {"VT_UNKNOWN", Address(TakeUnknown), VT_UNKNOWN, with([&](VARIANT& v) { v.punkVal = someObject; }),
         1},
        {"VT_DISPATCH", Address(TakeUnknown), VT_DISPATCH, with([](VARIANT& v) { v.pdispVal = nullptr; }), 0},
        {"VT_VARIANT by value", Address(TakeVariant), VT_VARIANT, with([](VARIANT& v) {
             v.vt = VT_I4;
             v.lVal = 42;
         }),
         VT_I4 * 1000 + 42},
    };
    for (Row& row : rows) {
        VARIANT* arguments[] = {&row.value};
        VARTYPE types[] = {row.type};
        VARIANT result;
        VariantInit(&result);
        ASSERT_EQ(S_OK, DispCallFunc(nullptr, row.function, CC_STDCALL, VT_R8, 1, types, arguments, &result))
            << row.name;
        EXPECT_EQ(VT_R8, result.vt) << row.name;
        EXPECT_DOUBLE_EQ(row.expected, result.dblVal) << row.name;
    }
    SysFreeString(text);

    LONG counter = 41;
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_I4;
    reference.plVal = &counter;
    VARIANT* arguments[] = {&reference};
    VARTYPE types[] = {VT_BYREF | VT_I4};
    VARIANT result;
    ASSERT_EQ(S_OK,
              DispCallFunc(nullptr, Address(TakeReference), CC_CDECL, VT_R8, 1, types, arguments, &result));
    EXPECT_EQ(42, counter);
}

TEST(DispCallFunc, ManyArgumentsOnTheStack) {
    const VARTYPE types[] = {VT_I1,   VT_I2, VT_I4, VT_I8, VT_R4, VT_R8,
                             VT_BOOL, VT_I4, VT_R8, VT_I4, VT_R4, VT_I8};
    VARIANT values[12];
    VARIANT* arguments[12];
    for (int index = 0; index < 12; ++index) {
        VariantInit(&values[index]);
        values[index].vt = types[index];
        switch (types[index]) {
            case VT_R4:
                values[index].fltVal = static_cast<float>(index);
                break;
            case VT_R8:
                values[index].dblVal = index;
                break;
            default:
                values[index].llVal = index;
                break;
        }
        arguments[index] = &values[index];
    }
    VARIANT result;
    ASSERT_EQ(S_OK, DispCallFunc(nullptr, Address(TakeMany), CC_STDCALL, VT_R8, 12,
                                 const_cast<VARTYPE*>(types), arguments, &result));
    EXPECT_DOUBLE_EQ(0 + 1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9 + 10 + 11, result.dblVal);
}

TEST(DispCallFunc, ResultsOfEachType) {
    VARIANT result;
    ASSERT_EQ(S_OK, DispCallFunc(nullptr, Address(GiveR4), CC_STDCALL, VT_R4, 0, nullptr, nullptr, &result));
    EXPECT_EQ(VT_R4, result.vt);
    EXPECT_FLOAT_EQ(2.5f, result.fltVal);
    ASSERT_EQ(S_OK, DispCallFunc(nullptr, Address(GiveI8), CC_STDCALL, VT_I8, 0, nullptr, nullptr, &result));
    EXPECT_EQ(VT_I8, result.vt);
    EXPECT_EQ(-5000000000LL, result.llVal);
    ASSERT_EQ(S_OK, DispCallFunc(nullptr, Address(GiveI2), CC_STDCALL, VT_I2, 0, nullptr, nullptr, &result));
    EXPECT_EQ(VT_I2, result.vt);
    EXPECT_EQ(-7, result.iVal);
    ASSERT_EQ(S_OK,
              DispCallFunc(nullptr, Address(GiveBool), CC_STDCALL, VT_BOOL, 0, nullptr, nullptr, &result));
    EXPECT_EQ(VARIANT_TRUE, result.boolVal);
    ASSERT_EQ(S_OK, DispCallFunc(nullptr, Address(GiveHresult), CC_STDCALL, VT_HRESULT, 0, nullptr, nullptr,
                                 &result));
    EXPECT_EQ(VT_ERROR, result.vt);
    EXPECT_EQ(E_ACCESSDENIED, result.scode);
    for (VARTYPE none : {VARTYPE(VT_EMPTY), VARTYPE(VT_VOID)}) {
        ASSERT_EQ(S_OK, DispCallFunc(nullptr, Address(GiveNothing), CC_STDCALL, none, 0, nullptr, nullptr,
                                     &result));
        EXPECT_EQ(VT_EMPTY, result.vt);
    }
    EXPECT_EQ(2, calls);
    ASSERT_EQ(S_OK,
              DispCallFunc(nullptr, Address(GiveBstr), CC_STDCALL, VT_BSTR, 0, nullptr, nullptr, &result));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_EQ(u"testo", std::u16string(result.bstrVal));
    VariantClear(&result);
}

// An interface whose slots the calls name by their offsets.
struct ICounter : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Add(LONG amount, double scale) = 0;
    virtual LONG STDMETHODCALLTYPE Total() = 0;
};

class Counter final : public ICounter {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Add(LONG amount, double scale) override {
        if (amount < 0) return E_INVALIDARG;
        total_ += static_cast<LONG>(amount * scale);
        return S_OK;
    }
    LONG STDMETHODCALLTYPE Total() override { return total_; }

  private:
    LONG total_ = 0;
};

TEST(DispCallFunc, SlotsOfAnInterface) {
    Counter counter;
    VARIANT amount, scale;
    VariantInit(&amount);
    amount.vt = VT_I4;
    amount.lVal = 10;
    VariantInit(&scale);
    scale.vt = VT_R8;
    scale.dblVal = 1.5;
    VARIANT* arguments[] = {&amount, &scale};
    VARTYPE types[] = {VT_I4, VT_R8};
    VARIANT result;
    ASSERT_EQ(S_OK, DispCallFunc(&counter, 3 * sizeof(void*), CC_STDCALL, VT_HRESULT, 2, types, arguments,
                                 &result));
    EXPECT_EQ(S_OK, result.scode);
    amount.lVal = -1;
    ASSERT_EQ(S_OK, DispCallFunc(&counter, 3 * sizeof(void*), CC_STDCALL, VT_HRESULT, 2, types, arguments,
                                 &result));
    EXPECT_EQ(E_INVALIDARG, result.scode);
    ASSERT_EQ(S_OK,
              DispCallFunc(&counter, 4 * sizeof(void*), CC_STDCALL, VT_I4, 0, nullptr, nullptr, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(15, result.lVal);
    ASSERT_EQ(S_OK,
              DispCallFunc(&counter, 1 * sizeof(void*), CC_STDCALL, VT_UI4, 0, nullptr, nullptr, &result));
    EXPECT_EQ(2u, result.ulVal);
}

TEST(DispCallFunc, RefusedCalls) {
    Counter counter;
    VARIANT value;
    VariantInit(&value);
    VARIANT* arguments[] = {&value};
    VARTYPE record[] = {VT_RECORD};
    VARTYPE longs[] = {VT_I4};
    VARIANT result;
    EXPECT_EQ(DISP_E_BADVARTYPE,
              DispCallFunc(&counter, 0, CC_STDCALL, VT_HRESULT, 1, record, arguments, &result));
    EXPECT_EQ(DISP_E_BADVARTYPE,
              DispCallFunc(&counter, 0, CC_STDCALL, VT_RECORD, 0, nullptr, nullptr, &result));
    EXPECT_EQ(E_INVALIDARG, DispCallFunc(&counter, 0, CC_PASCAL, VT_HRESULT, 1, longs, arguments, &result));
    EXPECT_EQ(E_INVALIDARG, DispCallFunc(&counter, 0, CC_STDCALL, VT_HRESULT, 1, nullptr, nullptr, &result));
    EXPECT_EQ(E_INVALIDARG, DispCallFunc(nullptr, 0, CC_STDCALL, VT_EMPTY, 0, nullptr, nullptr, &result));
}

}  // namespace
