#include "ComStubs.h"

namespace diagnostics {

HRESULT NotImplementedStub() { return E_NOTIMPL; }

HRESULT OkStub() { return S_OK; }

HRESULT StoreLongProperty(long& member, long value) {
    member = value;
    return S_OK;
}

HRESULT DefaultFinalConstruct() { return S_OK; }

}  // namespace diagnostics
