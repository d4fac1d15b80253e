// Owning pointers to COM interfaces: CComPtr holds one reference on what it points at; CComQIPtr also
// takes what it is given through QueryInterface for its interface id.
#pragma once

#include <memory>

#include "objbase.h"

template <class T>
class CComPtr {
  public:
    CComPtr() = default;
    CComPtr(T* lp) : p(lp) {
        if (p) p->AddRef();
    }
    CComPtr(const CComPtr& other) : CComPtr(other.p) {}
    CComPtr(CComPtr&& other) noexcept : p(other.p) { other.p = nullptr; }
    ~CComPtr() { Release(); }

    CComPtr& operator=(T* lp) {
        if (lp) lp->AddRef();
        Release();
        p = lp;
        return *this;
    }
    CComPtr& operator=(const CComPtr& other) { return *this = other.p; }
    CComPtr& operator=(CComPtr&& other) noexcept {
        // operator& gives the address of the held pointer (for out-arguments), not of the holder.
        if (this != std::addressof(other)) {
            Release();
            p = other.p;
            other.p = nullptr;
        }
        return *this;
    }

    operator T*() const { return p; }
    T* operator->() const { return p; }
    T& operator*() const { return *p; }
    // For out-arguments: the pointer must be empty, so that nothing is overwritten without its Release.
    T** operator&() { return &p; }
    bool operator!() const { return p == nullptr; }

    void Release() {
        T* old = p;
        p = nullptr;
        if (old) old->Release();
    }
    // Takes over a reference the caller owns.
    void Attach(T* lp) {
        Release();
        p = lp;
    }
    T* Detach() {
        T* old = p;
        p = nullptr;
        return old;
    }
    HRESULT CopyTo(T** ppT) const {
        if (!ppT) return E_POINTER;
        *ppT = p;
        if (p) p->AddRef();
        return S_OK;
    }
    HRESULT QueryInterface(REFIID riid, void** ppv) const {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        return p ? p->QueryInterface(riid, ppv) : E_POINTER;
    }
    // Creates the object of a class and keeps its interface riid, which must be T's.
    HRESULT CoCreateInstance(REFCLSID rclsid, REFIID riid, LPUNKNOWN pUnkOuter = nullptr,
                             DWORD dwClsContext = CLSCTX_ALL) {
        Release();
        return ::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, riid, reinterpret_cast<void**>(&p));
    }
    // The same object, by identity (IUnknown of both).
    bool IsEqualObject(IUnknown* pOther) const {
        if (!p && !pOther) return true;
        if (!p || !pOther) return false;
        CComPtr<IUnknown> mine, theirs;
        p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&mine));
        pOther->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theirs));
        return mine.p == theirs.p;
    }

    T* p = nullptr;
};

template <class T, const IID* piid>
class CComQIPtr : public CComPtr<T> {
  public:
    CComQIPtr() = default;
    CComQIPtr(T* lp) : CComPtr<T>(lp) {}
    CComQIPtr(const CComQIPtr& other) : CComPtr<T>(other.p) {}
    // Any interface of an object: its T, or empty when the object has none.
    CComQIPtr(IUnknown* lp) { Query(lp); }

    CComQIPtr& operator=(T* lp) {
        CComPtr<T>::operator=(lp);
        return *this;
    }
    CComQIPtr& operator=(const CComQIPtr& other) {
        CComPtr<T>::operator=(other.p);
        return *this;
    }
    CComQIPtr& operator=(IUnknown* lp) {
        T* previous = this->Detach();
        Query(lp);
        if (previous) previous->Release();
        return *this;
    }

    HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter = nullptr, DWORD dwClsContext = CLSCTX_ALL) {
        return CComPtr<T>::CoCreateInstance(rclsid, *piid, pUnkOuter, dwClsContext);
    }

  private:
    void Query(IUnknown* lp) {
        this->p = nullptr;
        if (lp) lp->QueryInterface(*piid, reinterpret_cast<void**>(&this->p));
    }
};
