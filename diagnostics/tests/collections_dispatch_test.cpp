// The collections as an Automation client drives them: late-bound through IDispatch, answered from the
// type library registered from this test program's TYPELIB resource.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AnsiText.h"
#include "CComPtr.h"
#include "CComVariant.h"
#include "QNAiOResults.h"
#include "collections_test_support.h"

namespace {

using diagnostics_test::New;

class LateBound : public diagnostics_test::ServerModule {
  protected:
    void SetUp() override {
        ServerModule::SetUp();
        ASSERT_EQ(S_OK, _Module.RegisterTypeLib());
        results_ = New<QNAiOResults>();
        results_->SetType(QNAiO_ResultsRegistryAll);
        ASSERT_EQ(S_OK, results_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_)));
    }
    void TearDown() override {
        dispatch_.Release();
        results_.Release();
        ServerModule::TearDown();
    }

    DISPID IdOf(const char16_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(S_OK, dispatch_->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
        return id;
    }
    // Arguments in the caller's order; a put's value last, named DISPID_PROPERTYPUT as a client names it.
    HRESULT Call(IDispatch* object, DISPID member, WORD flags, std::vector<CComVariant> arguments,
                 VARIANT* result, EXCEPINFO* exception = nullptr) {
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPID put = DISPID_PROPERTYPUT;
        const bool isPut = flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS parameters{reversed.empty() ? nullptr : reversed.data(), isPut ? &put : nullptr,
                              static_cast<UINT>(reversed.size()), isPut ? 1u : 0u};
        UINT argumentError = 0;
        return object->Invoke(member, IID_NULL, 0, flags, &parameters, result, exception, &argumentError);
    }
    LONG Count() {
        CComVariant count;
        EXPECT_EQ(S_OK, Call(dispatch_, IdOf(u"Count"), DISPATCH_PROPERTYGET, {}, &count));
        EXPECT_EQ(VT_I4, count.vt);
        return count.lVal;
    }

    CComPtr<CComObject<QNAiOResults>> results_;
    CComPtr<IDispatch> dispatch_;
};

TEST_F(LateBound, NamesHaveTheTypeLibrarysDispatchIds) {
    struct Row {
        const char16_t* name;
        DISPID id;
    } rows[] = {{u"Item", DISPID_VALUE}, {u"_NewEnum", DISPID_NEWENUM}, {u"Count", 1},
                {u"Result", 2},          {u"results", 3},               {u"Type", 4},
                {u"WriteInfo", 5}};
    for (const Row& row : rows) EXPECT_EQ(row.id, IdOf(row.name)) << framework::AnsiFromWide(row.name);
}

// results.Result(2) = "text", as a script writes it: the value reaches newVal and no result is handed
// back.
TEST_F(LateBound, PutResultCountAndItem) {
    EXPECT_EQ(0, Count());
    ASSERT_EQ(S_OK, Call(dispatch_, IdOf(u"Result"), DISPATCH_PROPERTYPUT,
                         {CComVariant(QNAiO_ResultTypeRegistryKey), CComVariant(u"HKEY_USERS\\.DEFAULT")}, nullptr));
    EXPECT_EQ(1, Count());

    // A type the kind refuses fails with the collection's own HRESULT.
    EXCEPINFO exception{};
    EXPECT_EQ(DISP_E_EXCEPTION, Call(dispatch_, IdOf(u"Result"), DISPATCH_PROPERTYPUT,
                                     {CComVariant(QNAiO_ResultTypeDirectoryFile), CComVariant(u"C:\\")}, nullptr,
                                     &exception));
    EXPECT_EQ(E_FAIL, exception.scode);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    EXPECT_EQ(1, Count());

    // Item is the default member; the result it gives answers late-bound too.
    CComVariant item;
    ASSERT_EQ(S_OK, Call(dispatch_, DISPID_VALUE, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {CComVariant(1)}, &item));
    ASSERT_EQ(VT_DISPATCH, item.vt);
    CComVariant data;
    ASSERT_EQ(S_OK, Call(item.pdispVal, 1, DISPATCH_PROPERTYGET, {}, &data));
    ASSERT_EQ(VT_BSTR, data.vt);
    EXPECT_EQ(u"HKEY_USERS\\.DEFAULT", std::u16string(data.bstrVal));
    // Without an exception record the caller sees the member's own failure.
    CComVariant missing;
    EXPECT_EQ(E_FAIL, Call(dispatch_, DISPID_VALUE, DISPATCH_PROPERTYGET, {CComVariant(2)}, &missing));
}

// For Each in a script: _NewEnum through Invoke, then Next one item at a time.
TEST_F(LateBound, NewEnumGivesAnEnumeratorOfTheItems) {
    for (QNAiO_ResultTypeEnum type :
         {QNAiO_ResultTypeRegistryKey, QNAiO_ResultTypeRegistryValue, QNAiO_ResultTypeRegistryValueData}) {
        ASSERT_EQ(S_OK, Call(dispatch_, IdOf(u"Result"), DISPATCH_PROPERTYPUT,
                             {CComVariant(type), CComVariant(u"x")}, nullptr));
    }
    CComVariant enumeration;
    ASSERT_EQ(S_OK, Call(dispatch_, DISPID_NEWENUM, DISPATCH_PROPERTYGET, {}, &enumeration));
    ASSERT_EQ(VT_UNKNOWN, enumeration.vt);
    CComPtr<IEnumVARIANT> enumerator;
    ASSERT_EQ(S_OK, enumeration.punkVal->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)));
    std::vector<LONG> types;
    CComVariant item;
    while (enumerator->Next(1, &item, nullptr) == S_OK) {
        CComVariant type;
        EXPECT_EQ(S_OK, Call(item.pdispVal, 2, DISPATCH_PROPERTYGET, {}, &type));
        types.push_back(type.lVal);
        item.Clear();
    }
    EXPECT_EQ((std::vector<LONG>{2, 3, 4}), types);
}

}  // namespace
