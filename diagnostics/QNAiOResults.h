// A collection of results whose kind decides which result types it accepts. The root object makes one
// per kind; finders and routines add to it through the put of Result, the only way a result is made.
#pragma once

#include "DispatchCollection.h"

class QNAiOResults : public diagnostics::DispatchCollection<QNAiOResults, &CLSID_QNAiOResults, DIQNAiOResults,
                                                            &IID_DIQNAiOResults> {
  public:
    BEGIN_COM_MAP(QNAiOResults)
    KENRO_OBJECT_INTERFACES(DIQNAiOResults)
    END_COM_MAP()

    // Whether a collection of this kind takes results of this type; no kind outside the enumeration takes
    // any, and no kind takes QNAiO_ResultTypeUndefined.
    static bool AcceptsResultType(LONG kind, LONG type);

    // Called by the root object when it makes the collection; the kind is 0 until then.
    void SetType(QNAiO_ResultsEnum kind);

    // Adds a new result of this type holding a copy of newVal; E_FAIL, and nothing added, for a type the
    // kind refuses. ppResult may be null; else it receives the result with a reference of its own.
    STDMETHOD(put_Result)(QNAiO_ResultTypeEnum ResultType, VARIANT newVal, IDispatch** ppResult) override;
    // Does nothing: the out-argument is left as the caller passed it.
    STDMETHOD(get_Results)(QNAiO_ResultsEnum ResultsType, IDispatch** pVal) override;
    STDMETHOD(get_Type)(QNAiO_ResultsEnum* pVal) override;
    STDMETHOD(WriteInfo)(BSTR FileName) override;

  private:
    QNAiO_ResultsEnum m_kind = QNAiO_ResultsUndefined;
};
