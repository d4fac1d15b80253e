#include "ComStubs.h"

namespace diagnostics {

HRESULT NotImplementedStub() { return E_NOTIMPL; }

HRESULT OkStub() { return S_OK; }

HRESULT StoreLongProperty(LONG& member, LONG value) {
    member = value;
    return S_OK;
}

HRESULT DefaultFinalConstruct() { return S_OK; }

}  // namespace diagnostics
