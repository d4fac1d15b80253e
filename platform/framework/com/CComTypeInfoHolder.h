// The type information of one dual interface, loaded from its registered type library on first use
// (under the module's type-information lock, tested again inside it) and kept until the module's Term.
// Dispatch goes through it: names through ITypeInfo::GetIDsOfNames, calls through ITypeInfo::Invoke on
// the object's interface pointer.
#pragma once

#include "CComModule.h"
#include "oleauto.h"

class CComTypeInfoHolder {
  public:
    const GUID* m_pguid;
    const GUID* m_plibid;
    WORD m_wMajor;
    WORD m_wMinor;
    ITypeInfo* m_pInfo;

    // The interface's type information, with a reference for the caller.
    HRESULT GetTI(LCID lcid, ITypeInfo** ppInfo) {
        if (!ppInfo) return E_POINTER;
        *ppInfo = nullptr;
        HRESULT hr = EnsureTI(lcid);
        if (FAILED(hr)) return hr;
        m_pInfo->AddRef();
        *ppInfo = m_pInfo;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT itinfo, LCID lcid, ITypeInfo** pptinfo) {
        if (!pptinfo) return E_POINTER;
        *pptinfo = nullptr;
        if (itinfo != 0) return DISP_E_BADINDEX;
        return GetTI(lcid, pptinfo);
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgdispid) {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = EnsureTI(lcid);
        if (FAILED(hr)) return hr;
        return m_pInfo->GetIDsOfNames(rgszNames, cNames, rgdispid);
    }
    HRESULT Invoke(void* pInterface, DISPID dispidMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pdispparams, VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr) {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = EnsureTI(lcid);
        if (FAILED(hr)) return hr;
        return m_pInfo->Invoke(pInterface, dispidMember, wFlags, pdispparams, pvarResult, pexcepinfo, puArgErr);
    }

    // The module's Term releases what was loaded.
    static void WINAPI Cleanup(DWORD_PTR dw) {
        CComTypeInfoHolder* holder = reinterpret_cast<CComTypeInfoHolder*>(dw);
        if (holder->m_pInfo) holder->m_pInfo->Release();
        holder->m_pInfo = nullptr;
    }

  private:
    HRESULT EnsureTI(LCID lcid) {
        if (m_pInfo) return S_OK;
        CComCritSecLock<CComCriticalSection> lock(_Module.m_csTypeInfoHolder);
        if (m_pInfo) return S_OK;
        ITypeInfo* info = nullptr;
        HRESULT hr = LoadTypeInfo(lcid, &info);
        if (FAILED(hr)) return hr;
        m_pInfo = info;
        _Module.AddTermFunc(Cleanup, reinterpret_cast<DWORD_PTR>(this));
        return S_OK;
    }

    // The library's description of the interface; for a dual interface, its interface half, whose
    // functions are the vtable's.
    HRESULT LoadTypeInfo(LCID lcid, ITypeInfo** ppInfo) {
        ITypeLib* library = nullptr;
        HRESULT hr = LoadRegTypeLib(*m_plibid, m_wMajor, m_wMinor, lcid, &library);
        if (FAILED(hr)) return hr;
        ITypeInfo* info = nullptr;
        hr = library->GetTypeInfoOfGuid(*m_pguid, &info);
        library->Release();
        if (FAILED(hr)) return hr;
        TYPEATTR* attributes = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&attributes))) {
            bool dualDispatch = attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL);
            info->ReleaseTypeAttr(attributes);
            HREFTYPE interfaceHalf = 0;
            ITypeInfo* interfaceInfo = nullptr;
            if (dualDispatch && SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &interfaceHalf)) &&
                SUCCEEDED(info->GetRefTypeInfo(interfaceHalf, &interfaceInfo))) {
                info->Release();
                info = interfaceInfo;
            }
        }
        *ppInfo = info;
        return S_OK;
    }
};
