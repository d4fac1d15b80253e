// How the root object makes the objects it owns and hands out. Each maker creates one new object of its
// class, gives it its owner (the root object's DIQNAiOKenro, which the object keeps without a reference)
// and returns it as IDispatch with one reference; on failure the result is null and the HRESULT the
// creation's. A class that the library does not hold yet is missing: its maker gives E_FAIL.
#pragma once

#include "CComObject.h"
#include "kenrim07.h"

namespace diagnostics {

// The five long-lived children, made by FinalConstruct and put Path; giving them their owner makes them
// load from the database file at once.
HRESULT CreateConflicts(DIQNAiOKenro* owner, IDispatch** child);
HRESULT CreateUnits(DIQNAiOKenro* owner, IDispatch** child);
HRESULT CreateKenroReports(DIQNAiOKenro* owner, IDispatch** child);
HRESULT CreateKenroTroubleShootRtns(DIQNAiOKenro* owner, IDispatch** child);
HRESULT CreateKenroTests(DIQNAiOKenro* owner, IDispatch** child);

// The objects made anew on every read of the root object's property.
HRESULT CreateSystem(DIQNAiOKenro* owner, IDispatch** object);
HRESULT CreateRegistry(DIQNAiOKenro* owner, IDispatch** object);
HRESULT CreateDirectoryFile(BSTR directoryFileName, DIQNAiOKenro* owner, IDispatch** object);
HRESULT CreateAddRemovePrograms(DIQNAiOKenro* owner, IDispatch** object);
HRESULT CreateNTServices(DIQNAiOKenro* owner, IDispatch** object);
HRESULT CreateHelpFiles(DIQNAiOKenro* owner, IDispatch** object);
// Without an owner.
HRESULT CreateResults(QNAiO_ResultsEnum resultsType, IDispatch** object);
HRESULT CreateDisplayMessages(IDispatch** object);
HRESULT CreateProgressBarDlg(IDispatch** object);

// The lookups by id that the root object forwards to its Reports and TroubleShootRtns children; their
// classes derive from these besides their dual interfaces.
class ReportLookup {
  public:
    virtual HRESULT FindReport(QNAiO_ServiceReportEnum reportId, IDispatch** report) = 0;

  protected:
    ~ReportLookup() = default;
};

class RoutineLookup {
  public:
    virtual HRESULT FindRoutine(LONG routineId, IDispatch** routine) = 0;

  protected:
    ~RoutineLookup() = default;
};

// A new object of Class, prepared by prepare(Class&) while this maker holds a reference on it, then
// returned as IDispatch.
template <class Class, class Prepare>
HRESULT CreateDispatchObject(IDispatch** object, Prepare prepare) {
    *object = nullptr;
    CComObject<Class>* created = nullptr;
    HRESULT hr = CComObject<Class>::CreateInstance(&created);
    if (FAILED(hr)) return hr;
    created->AddRef();
    prepare(static_cast<Class&>(*created));
    hr = created->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object));
    created->Release();
    return hr;
}

// A new object of Class given its owner through its SetParent.
template <class Class>
HRESULT CreateOwnedObject(DIQNAiOKenro* owner, IDispatch** object) {
    return CreateDispatchObject<Class>(object, [owner](Class& created) { created.SetParent(owner); });
}

// The maker of a class not in the library yet.
inline HRESULT MissingClass(IDispatch** object) {
    *object = nullptr;
    return E_FAIL;
}

}  // namespace diagnostics
