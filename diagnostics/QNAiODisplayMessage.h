// One line the server shows the user after a check: its text, a severity that picks the icon (0, 1 or
// 2), a help topic id and the results collection that led to it.
#pragma once

#include "BstrHolder.h"
#include "CComPtr.h"
#include "KenroObject.h"

class QNAiODisplayMessage : public diagnostics::KenroObject<QNAiODisplayMessage, &CLSID_QNAiODisplayMessage,
                                                            DIQNAiODisplayMessage, &IID_DIQNAiODisplayMessage> {
  public:
    BEGIN_COM_MAP(QNAiODisplayMessage)
    KENRO_OBJECT_INTERFACES(DIQNAiODisplayMessage)
    END_COM_MAP()

    void FinalRelease();

    // Sets all four at once: the text is copied unless it is the very BSTR already held, and results go
    // through the Results put (so a null one leaves no results). E_OUTOFMEMORY when the text cannot be
    // copied.
    HRESULT Init(BSTR message, LONG severity, LONG helpId, IDispatch* results);

    STDMETHOD(get_Severity)(LONG* pVal) override;
    STDMETHOD(put_Severity)(LONG newVal) override;
    STDMETHOD(get_Message)(BSTR* pVal) override;
    STDMETHOD(put_Message)(BSTR newVal) override;
    STDMETHOD(get_HelpId)(LONG* pVal) override;
    STDMETHOD(put_HelpId)(LONG newVal) override;
    STDMETHOD(WriteInfo)(BSTR FileName) override;
    STDMETHOD(get_Results)(IDispatch** pVal) override;
    STDMETHOD(put_Results)(IDispatch* newVal) override;

  private:
    LONG m_helpId = 0;
    LONG m_severity = 0;
    diagnostics::BstrHolder m_message;
    CComPtr<IDispatch> m_results;
};
