#include "QNAiODisplayMessage.h"

#include "ComStubs.h"

void QNAiODisplayMessage::FinalRelease() { m_results.Release(); }

HRESULT QNAiODisplayMessage::Init(BSTR message, LONG severity, LONG helpId, IDispatch* results) {
    HRESULT hr = message == m_message.m_str ? S_OK : put_Message(message);
    m_severity = severity;
    m_helpId = helpId;
    if (results) put_Results(results);
    return hr;
}

STDMETHODIMP QNAiODisplayMessage::get_Severity(LONG* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    *pVal = m_severity;
    return S_OK;
}

STDMETHODIMP QNAiODisplayMessage::put_Severity(LONG newVal) {
    return diagnostics::StoreLongProperty(m_severity, newVal);
}

// A message never given a text reads as an empty one.
STDMETHODIMP QNAiODisplayMessage::get_Message(BSTR* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    *pVal = SysAllocStringLen(m_message.m_str, m_message.Length());
    return *pVal ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP QNAiODisplayMessage::put_Message(BSTR newVal) {
    diagnostics::BstrHolder copy;
    if (newVal) {
        copy.m_str = SysAllocStringLen(newVal, SysStringLen(newVal));
        if (!copy.m_str) return E_OUTOFMEMORY;
    }
    m_message.Attach(copy.Detach());
    return S_OK;
}

STDMETHODIMP QNAiODisplayMessage::get_HelpId(LONG* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    *pVal = m_helpId;
    return S_OK;
}

STDMETHODIMP QNAiODisplayMessage::put_HelpId(LONG newVal) { return diagnostics::StoreLongProperty(m_helpId, newVal); }

STDMETHODIMP QNAiODisplayMessage::WriteInfo(BSTR FileName) {
    (void)FileName;
    return diagnostics::OkStub();
}

STDMETHODIMP QNAiODisplayMessage::get_Results(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    *pVal = nullptr;
    if (!m_results) return E_FAIL;
    *pVal = m_results;
    (*pVal)->AddRef();
    return S_OK;
}

STDMETHODIMP QNAiODisplayMessage::put_Results(IDispatch* newVal) {
    KENRO_REQUIRE_POINTER(newVal);
    m_results = newVal;
    return S_OK;
}
