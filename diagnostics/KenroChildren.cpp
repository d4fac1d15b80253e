#include "KenroChildren.h"

#include "QNAiODisplayMessages.h"
#include "QNAiOProgressBarDlg.h"
#include "QNAiOResults.h"

namespace diagnostics {

HRESULT CreateConflicts(DIQNAiOKenro*, IDispatch** child) {
    return MissingClass(child);
}
HRESULT CreateUnits(DIQNAiOKenro*, IDispatch** child) {
    return MissingClass(child);
}
HRESULT CreateKenroReports(DIQNAiOKenro*, IDispatch** child) {
    return MissingClass(child);
}
HRESULT CreateKenroTroubleShootRtns(DIQNAiOKenro*, IDispatch** child) {
    return MissingClass(child);
}
HRESULT CreateKenroTests(DIQNAiOKenro*, IDispatch** child) {
    return MissingClass(child);
}

HRESULT CreateSystem(DIQNAiOKenro*, IDispatch** object) {
    return MissingClass(object);
}
HRESULT CreateRegistry(DIQNAiOKenro*, IDispatch** object) {
    return MissingClass(object);
}
HRESULT CreateDirectoryFile(BSTR, DIQNAiOKenro*, IDispatch** object) {
    return MissingClass(object);
}
HRESULT CreateAddRemovePrograms(DIQNAiOKenro*, IDispatch** object) {
    return MissingClass(object);
}
HRESULT CreateNTServices(DIQNAiOKenro*, IDispatch** object) {
    return MissingClass(object);
}
HRESULT CreateHelpFiles(DIQNAiOKenro*, IDispatch** object) {
    return MissingClass(object);
}

HRESULT CreateResults(QNAiO_ResultsEnum resultsType, IDispatch** object) {
    return CreateDispatchObject<QNAiOResults>(
        object, [resultsType](QNAiOResults& results) { results.SetType(resultsType); });
}
HRESULT CreateDisplayMessages(IDispatch** object) {
    return CreateDispatchObject<QNAiODisplayMessages>(object, [](QNAiODisplayMessages&) {});
}
HRESULT CreateProgressBarDlg(IDispatch** object) {
    return CreateDispatchObject<QNAiOProgressBarDlg>(object, [](QNAiOProgressBarDlg&) {});
}

}  // namespace diagnostics
