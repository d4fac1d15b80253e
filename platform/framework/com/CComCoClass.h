// The base of a class that clients can create: its class id, class factory and creator (aggregatable
// unless the class says DECLARE_NOT_AGGREGATABLE), and Error, which sets the thread's error information.
#pragma once

#include "CComAggObject.h"
#include "CComClassFactory.h"
#include "CComCreator.h"
#include "CComObject.h"
#include "AtlReportError.h"

#define DECLARE_AGGREGATABLE(x) \
  public:                       \
    typedef CComCreator2<CComCreator<CComObject<x>>, CComCreator<CComAggObject<x>>> _CreatorClass;
#define DECLARE_NOT_AGGREGATABLE(x) \
  public:                           \
    typedef CComCreator2<CComCreator<CComObject<x>>, CComFailCreator<CLASS_E_NOAGGREGATION>> _CreatorClass;
#define DECLARE_ONLY_AGGREGATABLE(x) \
  public:                            \
    typedef CComCreator2<CComFailCreator<E_FAIL>, CComCreator<CComAggObject<x>>> _CreatorClass;
#define DECLARE_POLY_AGGREGATABLE(x) \
  public:                            \
    typedef CComCreator<CComPolyObject<x>> _CreatorClass;

template <class T, const CLSID* pclsid = &CLSID_NULL>
class CComCoClass {
  public:
    DECLARE_CLASSFACTORY()
    DECLARE_AGGREGATABLE(T)

    static const CLSID& WINAPI GetObjectCLSID() { return *pclsid; }
    static LPCSTR WINAPI GetObjectDescription() { return nullptr; }

    static HRESULT WINAPI Error(LPCOLESTR lpszDesc, const IID& iid = GUID_NULL, HRESULT hRes = 0) {
        return AtlReportError(GetObjectCLSID(), lpszDesc, iid, hRes);
    }
    static HRESULT WINAPI Error(LPCSTR lpszDesc, const IID& iid = GUID_NULL, HRESULT hRes = 0) {
        return AtlReportError(GetObjectCLSID(), lpszDesc, iid, hRes);
    }
};
