// One result of a search, conflict routine or requirement check: its type and the datum the adder gave
// (as a rule the found object, or a text). Results come into being only through a results collection.
#pragma once

#include "CComVariant.h"
#include "KenroObject.h"

class QNAiOResult
    : public diagnostics::KenroObject<QNAiOResult, &CLSID_QNAiOResult, DIQNAiOResult, &IID_DIQNAiOResult> {
  public:
    BEGIN_COM_MAP(QNAiOResult)
    KENRO_OBJECT_INTERFACES(DIQNAiOResult)
    END_COM_MAP()

    void FinalRelease();

    // Sets the type and a copy of the datum; a datum that cannot be copied is kept as VT_ERROR with the
    // copy's HRESULT.
    void Init(QNAiO_ResultTypeEnum type, const VARIANT& datum);

    STDMETHOD(get_Data)(VARIANT* pVal) override;
    STDMETHOD(get_Type)(QNAiO_ResultTypeEnum* pVal) override;
    STDMETHOD(WriteInfo)(BSTR FileName) override;

  private:
    QNAiO_ResultTypeEnum m_type = QNAiO_ResultTypeUndefined;
    CComVariant m_datum;
};
