// The IDispatch half of a class that implements an interface of the product's diagnostics library: it
// is answered from that library as the registry finds it, and without the library only dispatch fails.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "BstrHolder.h"
#include "CComModule.h"
#include "CComObject.h"
#include "CComObjectRootEx.h"
#include "CComPtr.h"
#include "CComVariant.h"
#include "QNAiODiagnosticsItf.h"
#include "platform/testing/test_machine.h"

namespace {

using diagnostics::BstrHolder;

constexpr char kLibraryPath[] = "C:\\Program Files\\QNAiO\\Bin\\QNAiODiagnostics.tlb";

// A report with only what the dispatch calls below reach.
class SampleReport : public CComObjectRootEx<CComSingleThreadModel>,
                     public diagnostics::DiagnosticsDispatchImpl<QNAiOReportItf, &IID_QNAiOReportItf> {
  public:
    BEGIN_COM_MAP(SampleReport)
    COM_INTERFACE_ENTRY(QNAiOReportItf)
    COM_INTERFACE_ENTRY(IDispatch)
    END_COM_MAP()

    STDMETHOD(WriteReport)(BSTR) override { return E_NOTIMPL; }
    STDMETHOD(Open)(BSTR) override { return E_NOTIMPL; }
    STDMETHOD(Print)(BSTR) override { return E_NOTIMPL; }
    STDMETHOD(get_Option1)(LONG* pVal) override { return One(pVal); }
    STDMETHOD(get_Option2)(LONG* pVal) override { return One(pVal); }
    STDMETHOD(get_Option3)(LONG* pVal) override { return One(pVal); }
    STDMETHOD(get_ReportId)(LONG* pVal) override {
        if (!pVal) return E_POINTER;
        *pVal = 8;
        return S_OK;
    }
    STDMETHOD(get_FileName)(BSTR*) override { return E_NOTIMPL; }
    STDMETHOD(put_FileName)(BSTR) override { return E_NOTIMPL; }
    STDMETHOD(get_Folder)(BSTR*) override { return E_NOTIMPL; }
    STDMETHOD(put_Folder)(BSTR) override { return E_NOTIMPL; }
    STDMETHOD(get_Text)(BSTR* pVal) override {
        if (!pVal) return E_POINTER;
        return m_text.CopyTo(pVal);
    }
    STDMETHOD(put_Text)(BSTR newVal) override {
        m_text = newVal;
        return S_OK;
    }
    STDMETHOD(get_Owner)(IDispatch**) override { return E_FAIL; }
    STDMETHOD(put_Owner)(IDispatch*) override { return E_FAIL; }
    STDMETHOD(Reserved)() override { return E_NOTIMPL; }

  private:
    static HRESULT One(LONG* pVal) {
        if (!pVal) return E_POINTER;
        *pVal = 1;
        return S_OK;
    }
    BstrHolder m_text;
};

class DiagnosticsInterfaces : public ::testing::Test {
  protected:
    // The module keeps what the dispatch loaded until Term, so each test starts without it.
    void SetUp() override {
        _Module.Init(nullptr, nullptr);
        CComObject<SampleReport>* created = nullptr;
        ASSERT_EQ(S_OK, CComObject<SampleReport>::CreateInstance(&created));
        report = created;
    }
    void TearDown() override {
        report.Release();
        _Module.Term();
    }
    // The built library in the machine, registered as the product's installer does.
    void RegisterLibrary() {
        std::ifstream file(DIAGNOSTICS_INTERFACES_LIBRARY, std::ios::binary);
        machine.File(kLibraryPath, std::string(std::istreambuf_iterator<char>(file), {}));
        std::u16string path(kLibraryPath, kLibraryPath + sizeof kLibraryPath - 1);
        CComPtr<ITypeLib> library;
        ASSERT_EQ(S_OK, LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &library));
    }
    HRESULT IdOf(const char16_t* name, DISPID& id) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        return report->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    }
    HRESULT Invoke(DISPID id, WORD flags, VARIANT* argument, VARIANT* result) {
        DISPID putId = DISPID_PROPERTYPUT;
        DISPPARAMS parameters{argument, flags == DISPATCH_PROPERTYPUT ? &putId : nullptr, argument ? 1u : 0u,
                              flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
        return report->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, nullptr,
                              nullptr);
    }

    platform::TestMachine machine;
    CComPtr<QNAiOReportItf> report;
};

TEST_F(DiagnosticsInterfaces, DispatchFromTheRegisteredLibrary) {
    RegisterLibrary();
    CComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, report->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
    EXPECT_EQ(IID_QNAiOReportItf, attributes->guid);
    info->ReleaseTypeAttr(attributes);

    DISPID reportId = 0, text = 0;
    ASSERT_EQ(S_OK, IdOf(u"ReportId", reportId));
    ASSERT_EQ(S_OK, IdOf(u"text", text));
    EXPECT_EQ(7, reportId);
    EXPECT_EQ(10, text);
    CComVariant result;
    ASSERT_EQ(S_OK, Invoke(reportId, DISPATCH_PROPERTYGET, nullptr, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(8, result.lVal);
    CComVariant value(u"testo");
    ASSERT_EQ(S_OK, Invoke(text, DISPATCH_PROPERTYPUT, &value, nullptr));
    BstrHolder stored;
    ASSERT_EQ(S_OK, report->get_Text(&stored));
    EXPECT_EQ(std::u16string(u"testo"), std::u16string(stored.m_str));
}

TEST_F(DiagnosticsInterfaces, WithoutTheLibraryOnlyDispatchFails) {
    CComPtr<ITypeLib> missing;
    HRESULT loader = LoadRegTypeLib(LIBID_QNAiODiagnosticsLib, 1, 0, 0, &missing);
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, loader);

    CComPtr<ITypeInfo> info;
    EXPECT_EQ(loader, report->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
    EXPECT_FALSE(info);
    DISPID id = 0;
    EXPECT_EQ(loader, IdOf(u"ReportId", id));
    CComVariant result;
    EXPECT_EQ(loader, Invoke(7, DISPATCH_PROPERTYGET, nullptr, &result));
    UINT count = 0;
    EXPECT_EQ(S_OK, report->GetTypeInfoCount(&count));

    LONG reportId = 0;
    EXPECT_EQ(S_OK, report->get_ReportId(&reportId));
    EXPECT_EQ(8, reportId);
    EXPECT_EQ(S_OK, report->put_Text(BstrHolder(u"vtable")));
}

}  // namespace
