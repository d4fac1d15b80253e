// The shape every diagnostics class shares: a single-threaded object that answers, in this order,
// ISupportErrorInfo (for its own dual interface only), an empty IConnectionPointContainer and its dual
// interface, whose IDispatch half is answered from the registered KENROIMPLib. A class that also
// implements an interface of the product's second type library lists that interface before this base.
//
// Members check their out-pointers first with KENRO_REQUIRE_POINTER, which reports E_POINTER through the
// error reporter with the class's ids and the place in the source.
#pragma once

#include "CComObject.h"
#include "CComObjectRootEx.h"
#include "IConnectionPointContainerImpl.h"
#include "IDispatchImpl.h"
#include "ISupportErrorInfoImpl.h"
#include "ReportComError.h"
#include "kenrim07.h"

namespace diagnostics {

template <class Class, const CLSID* classId, class DualInterface, const IID* interfaceId>
class KenroObject : public CComObjectRootEx<CComSingleThreadModel>,
                    public ISupportErrorInfoImpl<interfaceId>,
                    public IConnectionPointContainerImpl<Class>,
                    public IDispatchImpl<DualInterface, interfaceId, &LIBID_KENROIMPLib> {
  public:
    static const CLSID& ClassId() { return *classId; }
    static const IID& InterfaceId() { return *interfaceId; }

  protected:
    // Reports hr (with an empty description, so the thread's error information is left as it was) and
    // returns it.
    static HRESULT Report(HRESULT hr, const char* sourceFile, int line, const char* timeStamp) {
        ReportComError("", hr, *classId, *interfaceId, sourceFile, line, timeStamp);
        return hr;
    }
};

}  // namespace diagnostics

// The COM map entries of the class shape, after any entries of the second type library's interfaces.
#define KENRO_OBJECT_INTERFACES(DualInterface)  \
    COM_INTERFACE_ENTRY(ISupportErrorInfo)         \
    COM_INTERFACE_ENTRY(IConnectionPointContainer) \
    COM_INTERFACE_ENTRY(DualInterface)             \
    COM_INTERFACE_ENTRY2(IDispatch, DualInterface)

#define KENRO_REQUIRE_POINTER(pointer) \
    if (!(pointer)) return this->Report(E_POINTER, __FILE__, __LINE__, __TIMESTAMP__)
