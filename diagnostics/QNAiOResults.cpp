#include "QNAiOResults.h"

#include <algorithm>
#include <initializer_list>

#include "CComPtr.h"
#include "ComStubs.h"
#include "QNAiOResult.h"

namespace {

bool OneOf(LONG type, std::initializer_list<QNAiO_ResultTypeEnum> types) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

}  // namespace

bool QNAiOResults::AcceptsResultType(LONG kind, LONG type) {
    switch (kind) {
        case QNAiO_ResultsDirectoryFiles:
            return type == QNAiO_ResultTypeDirectoryFile;
        case QNAiO_ResultsRegistryKeys:
            return type == QNAiO_ResultTypeRegistryKey;
        case QNAiO_ResultsRegistryValues:
            return type == QNAiO_ResultTypeRegistryValue;
        case QNAiO_ResultsRegistryValueData:
            return type == QNAiO_ResultTypeRegistryValueData;
        case QNAiO_ResultsRegistryAll:
            return OneOf(type, {QNAiO_ResultTypeRegistryKey, QNAiO_ResultTypeRegistryValue,
                                QNAiO_ResultTypeRegistryValueData});
        case QNAiO_ResultsHWConflict:
        case QNAiO_ResultsSWConflict:
            return OneOf(type, {QNAiO_ResultTypeDirectoryFileResults, QNAiO_ResultTypeRegistryResults,
                                QNAiO_ResultTypeIniResults});
        case QNAiO_ResultsHWConflicts:
            return type == QNAiO_ResultTypeHWConflictResults;
        case QNAiO_ResultsSWConflicts:
            return type == QNAiO_ResultTypeSWConflictResults;
        case QNAiO_ResultsSystemConflicts:
            return type == QNAiO_ResultTypeSystemConflict;
        case QNAiO_ResultsConflictsAll:
            return OneOf(type, {QNAiO_ResultTypeHWConflictResults, QNAiO_ResultTypeSWConflictResults,
                                QNAiO_ResultTypeSystemConflictResults});
        case QNAiO_ResultsResults:
            return OneOf(type, {QNAiO_ResultTypeDirectoryFileResults, QNAiO_ResultTypeRegistryResults,
                                QNAiO_ResultTypeConflictResults, QNAiO_ResultTypeIniResults});
        case QNAiO_ResultsIni:
            return type == QNAiO_ResultTypeIni;
        case QNAiO_ResultsSystemRequirements:
            return type >= QNAiO_ResultTypeSystemRequirementsDiskSpace &&
                   type <= QNAiO_ResultTypeSystemRequirementsPorts;
        case QNAiO_ResultsAll:
            return type > QNAiO_ResultTypeUndefined && type <= QNAiO_ResultTypeHighestIndex;
        default:
            return false;
    }
}

void QNAiOResults::SetType(QNAiO_ResultsEnum kind) { m_kind = kind; }

STDMETHODIMP QNAiOResults::put_Result(QNAiO_ResultTypeEnum ResultType, VARIANT newVal, IDispatch** ppResult) {
    if (!AcceptsResultType(m_kind, ResultType)) return E_FAIL;
    CComObject<QNAiOResult>* result = nullptr;
    HRESULT hr = CComObject<QNAiOResult>::CreateInstance(&result);
    if (FAILED(hr)) return hr;
    CComVariant datum;
    HRESULT copied = datum.Copy(&newVal);
    if (FAILED(copied)) {
        datum.Clear();
        datum.vt = VT_ERROR;
        datum.scode = copied;
    }
    result->Init(ResultType, datum);
    CComPtr<IDispatch> dispatch;
    hr = result->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (FAILED(hr)) {
        delete result;
        return hr;
    }
    hr = Append(dispatch);
    if (FAILED(hr)) return hr;
    if (ppResult) *ppResult = dispatch.Detach();
    return S_OK;
}

STDMETHODIMP QNAiOResults::get_Results(QNAiO_ResultsEnum ResultsType, IDispatch** pVal) {
    (void)ResultsType;
    (void)pVal;
    return diagnostics::OkStub();
}

STDMETHODIMP QNAiOResults::get_Type(QNAiO_ResultsEnum* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    *pVal = m_kind;
    return S_OK;
}

STDMETHODIMP QNAiOResults::WriteInfo(BSTR FileName) {
    (void)FileName;
    return diagnostics::OkStub();
}
