#include "QNAiOResult.h"

#include "ComStubs.h"

void QNAiOResult::FinalRelease() { m_datum.Clear(); }

void QNAiOResult::Init(QNAiO_ResultTypeEnum type, const VARIANT& datum) {
    m_type = type;
    HRESULT copied = m_datum.Copy(&datum);
    if (FAILED(copied)) {
        m_datum.Clear();
        m_datum.vt = VT_ERROR;
        m_datum.scode = copied;
    }
}

STDMETHODIMP QNAiOResult::get_Data(VARIANT* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    VariantInit(pVal);
    return VariantCopy(pVal, &m_datum);
}

STDMETHODIMP QNAiOResult::get_Type(QNAiO_ResultTypeEnum* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    *pVal = m_type;
    return S_OK;
}

STDMETHODIMP QNAiOResult::WriteInfo(BSTR FileName) {
    (void)FileName;
    return diagnostics::OkStub();
}
