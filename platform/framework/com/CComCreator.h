// The creators that object maps and class factories call: CComCreator<T> makes a T (with the outer unknown
// pv), runs FinalConstruct, then QueryInterface for riid, and destroys the object when either fails;
// CComCreator2 picks the first creator without an outer unknown and the second with one; CComFailCreator
// refuses with its HRESULT.
#pragma once

#include <new>

#include "unknwn.h"

template <class T>
class CComCreator {
  public:
    static HRESULT WINAPI CreateInstance(void* pv, REFIID riid, LPVOID* ppv) {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        T* p = new (std::nothrow) T(pv);
        if (!p) return E_OUTOFMEMORY;
        p->SetVoid(pv);
        p->InternalFinalConstructAddRef();
        HRESULT hr = p->FinalConstruct();
        p->InternalFinalConstructRelease();
        if (SUCCEEDED(hr)) hr = p->QueryInterface(riid, ppv);
        if (FAILED(hr)) delete p;
        return hr;
    }
};

template <class T1, class T2>
class CComCreator2 {
  public:
    static HRESULT WINAPI CreateInstance(void* pv, REFIID riid, LPVOID* ppv) {
        return pv ? T2::CreateInstance(pv, riid, ppv) : T1::CreateInstance(pv, riid, ppv);
    }
};

template <HRESULT hr>
class CComFailCreator {
  public:
    static HRESULT WINAPI CreateInstance(void* pv, REFIID riid, LPVOID* ppv) {
        (void)pv;
        (void)riid;
        if (ppv) *ppv = nullptr;
        return hr;
    }
};
