// The four interfaces of the product's diagnostics library that some classes of the server implement:
// the troubleshooting routine, the test, the report and the owner notification. The library itself
// belongs to the product's other software; the server declares the interfaces here (ids, slot order and
// arguments as the library has them) and uses them through their vtables and ids. Only the IDispatch half
// of a class that implements one needs the library, which it loads from the registry on first use.
#pragma once

#include "IDispatchImpl.h"
#include "oaidl.h"

DEFINE_GUID(LIBID_QNAiODiagnosticsLib, 0x315975D9, 0x4927, 0x11D3, 0xA4, 0x2B, 0x00, 0x60, 0xB0, 0xF8, 0xAA,
            0x86);

DEFINE_GUID(IID_QNAiOTroubleShootRoutineItf, 0x633A46F1, 0x4B84, 0x11D3, 0xA4, 0x33, 0x00, 0x60, 0xB0, 0xF8,
            0xAA, 0x86);
struct QNAiOTroubleShootRoutineItf : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Run(LONG* ProblemsFound) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved1(LONG Reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2(LONG* Reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProblemsFound(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RoutineId(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Mode(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Mode(LONG newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Results(IDispatch** pVal) = 0;
};

DEFINE_GUID(IID_QNAiOTestItf, 0x06458C66, 0x4938, 0x11D3, 0xA4, 0x2B, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);
struct QNAiOTestItf : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Run(LONG Reserved, LONG* ProblemsFound) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TestId(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProblemsFound(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved(LONG* Reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Owner(IDispatch** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Owner(IDispatch* newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Mode(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Mode(LONG newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Results(IDispatch** pVal) = 0;
};

DEFINE_GUID(IID_QNAiOReportItf, 0x06458C63, 0x4938, 0x11D3, 0xA4, 0x2B, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);
struct QNAiOReportItf : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE WriteReport(BSTR FileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR FileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE Print(BSTR FileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Option1(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Option2(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Option3(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ReportId(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FileName(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_FileName(BSTR newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Folder(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Folder(BSTR newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Text(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Text(BSTR newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Owner(IDispatch** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Owner(IDispatch* newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved() = 0;
};

DEFINE_GUID(IID_QNAiOOwnerNotifyItf, 0x8D78B995, 0x4CFD, 0x11D3, 0xA4, 0x39, 0x00, 0x60, 0xB0, 0xF8, 0xAA,
            0x86);
struct QNAiOOwnerNotifyItf : public IDispatch {};

namespace diagnostics {

// The IDispatch half of one of these interfaces, answered from the diagnostics library registered in the
// machine (version 1.0): without it GetTypeInfo, GetIDsOfNames and Invoke fail with the loader's HRESULT,
// while calls through the vtable are unaffected.
template <class Interface, const IID* interfaceId>
using DiagnosticsDispatchImpl = IDispatchImpl<Interface, interfaceId, &LIBID_QNAiODiagnosticsLib, 1, 0>;

}  // namespace diagnostics
