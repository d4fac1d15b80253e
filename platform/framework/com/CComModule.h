// The module object of a COM server: its object map, instance handle, type library and lock count, the
// cache of class factories, registration, and the clean-up callbacks run at Term.
//
// A server defines one global `CComModule _Module;` and an object map:
//
//   BEGIN_OBJECT_MAP(ObjectMap)
//       OBJECT_ENTRY(CLSID_Thing, CThing)              // a class with a factory and a registry script
//       OBJECT_ENTRY_NON_CREATEABLE(CThingPart)        // a class created only inside the server
//   END_OBJECT_MAP()
//
// Init(ObjectMap, hInstance, &LIBID_...) runs every entry's ObjectMain(true); Term releases the cached
// factories, runs ObjectMain(false) and the clean-up callbacks. The object templates reach the module
// through `_Module`, which each server defines for itself: a server links with -Bsymbolic (framework_com
// adds it), so its objects always count on its own module even when several servers share a process.
#pragma once

#include <utility>
#include <vector>

#include "CComCriticalSection.h"
#include "oleauto.h"
#include "windows.h"

typedef HRESULT(WINAPI _ATL_CREATORFUNC)(void* pv, REFIID riid, LPVOID* ppv);
typedef void(WINAPI _ATL_TERMFUNC)(DWORD_PTR dw);

struct _ATL_OBJMAP_ENTRY {
    const CLSID* pclsid;
    HRESULT(WINAPI* pfnUpdateRegistry)(BOOL bRegister);  // null: no registry script
    _ATL_CREATORFUNC* pfnGetClassObject;                 // creates the class factory; null: none
    _ATL_CREATORFUNC* pfnCreateInstance;                 // creates an object, given to the factory
    IUnknown* pCF;                                       // the factory, once created
    DWORD dwRegister;
    LPCSTR(WINAPI* pfnGetObjectDescription)();
    void(WINAPI* pfnObjectMain)(bool bStarting);
};

// A replacement name of a registry script and its text (%NAME% in the script).
struct _ATL_REGMAP_ENTRY {
    LPCOLESTR szKey;
    LPCOLESTR szData;
};

class CComModule {
  public:
    CComModule() = default;
    CComModule(const CComModule&) = delete;
    CComModule& operator=(const CComModule&) = delete;

    HRESULT Init(_ATL_OBJMAP_ENTRY* p, HINSTANCE h, const GUID* plibid = nullptr);
    void Term();

    // The lock count: every live object and every LockServer(TRUE) hold one.
    LONG Lock() { return InterlockedIncrement(&m_nLockCnt); }
    LONG Unlock() { return InterlockedDecrement(&m_nLockCnt); }
    LONG GetLockCount() const { return m_nLockCnt; }

    HINSTANCE GetModuleInstance() const { return m_hInst; }
    HINSTANCE GetResourceInstance() const { return m_hInstResource; }
    HINSTANCE GetTypeLibInstance() const { return m_hInstTypeLib; }

    // The factory of a class of the map, created on first request and kept until Term;
    // CLASS_E_CLASSNOTAVAILABLE for a class without one.
    HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

    // Every entry's registry update (or only pCLSID's), then, when asked, the type library in the module's
    // TYPELIB resource 1. Registration stops at the first failure and returns it.
    HRESULT RegisterServer(BOOL bRegTypeLib = FALSE, const CLSID* pCLSID = nullptr);
    HRESULT UnregisterServer(BOOL bUnRegTypeLib = FALSE, const CLSID* pCLSID = nullptr);
    HRESULT RegisterTypeLib();
    HRESULT UnRegisterTypeLib();

    // Applies the module's REGISTRY resource nResID with %MODULE% replaced by the module's full Windows
    // path, and the map's replacements.
    HRESULT UpdateRegistryFromResource(UINT nResID, BOOL bRegister, _ATL_REGMAP_ENTRY* pMapEntries = nullptr);

    // A callback that Term runs, last added first.
    HRESULT AddTermFunc(_ATL_TERMFUNC* pFunc, DWORD_PTR dw);

    _ATL_OBJMAP_ENTRY* m_pObjMap = nullptr;
    HINSTANCE m_hInst = nullptr;
    HINSTANCE m_hInstResource = nullptr;
    HINSTANCE m_hInstTypeLib = nullptr;
    GUID m_libid{};
    LONG m_nLockCnt = 0;
    // Guards the creation of class factories; the type information of dual interfaces; the clean-up list.
    CComCriticalSection m_csObjMap;
    CComCriticalSection m_csTypeInfoHolder;
    CComCriticalSection m_csStaticDataInit;

  private:
    bool m_initialized = false;
    std::vector<std::pair<_ATL_TERMFUNC*, DWORD_PTR>> m_termFunctions;
};

extern CComModule _Module;

#define BEGIN_OBJECT_MAP(x) static _ATL_OBJMAP_ENTRY x[] = {
#define END_OBJECT_MAP() {nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr}};
#define OBJECT_ENTRY(clsid, x)                                                                      \
    {&(clsid), x::UpdateRegistry, x::_ClassFactoryCreatorClass::CreateInstance,                     \
     x::_CreatorClass::CreateInstance, nullptr, 0, x::GetObjectDescription, x::ObjectMain},
#define OBJECT_ENTRY_NON_CREATEABLE(x) {&CLSID_NULL, nullptr, nullptr, nullptr, nullptr, 0, nullptr, x::ObjectMain},

#define DECLARE_REGISTRY_RESOURCEID(x) \
    static HRESULT WINAPI UpdateRegistry(BOOL bRegister) { return _Module.UpdateRegistryFromResource(x, bRegister); }
#define DECLARE_NO_REGISTRY() \
    static HRESULT WINAPI UpdateRegistry(BOOL bRegister) { (void)bRegister; return S_OK; }
