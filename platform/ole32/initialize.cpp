// CoInitialize, CoInitializeEx and CoUninitialize: each thread counts its initialisations and keeps the
// concurrency model of its first one.
#include "platform/ole32/ole32_internal.h"

namespace {

struct ThreadApartment {
    int initializations = 0;
    bool multithreaded = false;
};

thread_local ThreadApartment apartment;

}  // namespace

namespace platform::com {

bool ThreadInitialized() {
    return apartment.initializations > 0;
}

}  // namespace platform::com

STDAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    if (pvReserved) return E_INVALIDARG;
    bool multithreaded = (dwCoInit & COINIT_APARTMENTTHREADED) == 0;
    if (apartment.initializations > 0) {
        if (apartment.multithreaded != multithreaded) return RPC_E_CHANGED_MODE;
        ++apartment.initializations;
        return S_FALSE;
    }
    apartment.initializations = 1;
    apartment.multithreaded = multithreaded;
    return S_OK;
}

STDAPI CoInitialize(LPVOID pvReserved) {
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

STDAPI_(void) CoUninitialize(void) {
    if (apartment.initializations > 0) --apartment.initializations;
}
