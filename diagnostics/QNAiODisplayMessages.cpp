#include "QNAiODisplayMessages.h"

#include "CComPtr.h"
#include "CComVariant.h"
#include "ComStubs.h"
#include "QNAiODisplayMessage.h"

namespace {

// A new display message, with the caller's reference on its dual interface.
HRESULT CreateDisplayMessage(CComObject<QNAiODisplayMessage>** created, CComPtr<DIQNAiODisplayMessage>& held) {
    HRESULT hr = CComObject<QNAiODisplayMessage>::CreateInstance(created);
    if (FAILED(hr)) return hr;
    hr = (*created)->QueryInterface(IID_DIQNAiODisplayMessage, reinterpret_cast<void**>(&held));
    if (FAILED(hr)) {
        delete *created;
        *created = nullptr;
    }
    return hr;
}

}  // namespace

STDMETHODIMP QNAiODisplayMessages::AddMessage(BSTR Message, LONG Severity, LONG HelpId, IDispatch* Results) {
    CComObject<QNAiODisplayMessage>* message = nullptr;
    CComPtr<DIQNAiODisplayMessage> held;
    HRESULT hr = CreateDisplayMessage(&message, held);
    if (FAILED(hr)) return hr;
    hr = message->Init(Message, Severity, HelpId, Results);
    if (FAILED(hr)) return hr;
    return Append(held);
}

STDMETHODIMP QNAiODisplayMessages::put_Messages(IDispatch* newVal) {
    KENRO_REQUIRE_POINTER(newVal);
    CComPtr<DIQNAiODisplayMessages> other;
    if (FAILED(newVal->QueryInterface(IID_DIQNAiODisplayMessages, reinterpret_cast<void**>(&other))) || !other)
        return E_INVALIDARG;
    LONG count = 0;
    HRESULT hr = other->get_Count(&count);
    if (FAILED(hr)) return hr;
    for (LONG index = 1; index <= count; ++index) {
        CComVariant item;
        hr = other->get_Item(index, &item);
        if (FAILED(hr)) return hr;
        if (item.vt != VT_DISPATCH) return E_INVALIDARG;
        hr = Append(item.pdispVal);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

STDMETHODIMP QNAiODisplayMessages::put_Message(IDispatch* newVal) {
    if (!newVal) return E_INVALIDARG;
    return Append(newVal);
}

STDMETHODIMP QNAiODisplayMessages::get_Message(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    *pVal = nullptr;
    CComObject<QNAiODisplayMessage>* message = nullptr;
    CComPtr<DIQNAiODisplayMessage> held;
    HRESULT hr = CreateDisplayMessage(&message, held);
    if (FAILED(hr)) return hr;
    *pVal = held.Detach();
    return S_OK;
}

STDMETHODIMP QNAiODisplayMessages::Clear() {
    RemoveAll();
    return S_OK;
}

STDMETHODIMP QNAiODisplayMessages::WriteInfo(BSTR FileName) {
    (void)FileName;
    return diagnostics::NotImplementedStub();
}
