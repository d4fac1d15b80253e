#include "CComModule.h"

#include "AnsiText.h"
#include "CComRegistrar.h"

namespace {

std::string ModulePath(HINSTANCE module) {
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

// The type library in the module's TYPELIB resource 1, which LoadTypeLib finds from the module's path.
HRESULT LoadModuleTypeLib(HINSTANCE module, std::u16string& path, ITypeLib** library) {
    path = framework::WideFromAnsi(ModulePath(module));
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLib(path.c_str(), library);
}

}  // namespace

HRESULT CComModule::Init(_ATL_OBJMAP_ENTRY* p, HINSTANCE h, const GUID* plibid) {
    m_pObjMap = p;
    m_hInst = m_hInstResource = m_hInstTypeLib = h;
    if (plibid) m_libid = *plibid;
    m_nLockCnt = 0;
    m_csObjMap.Init();
    m_csTypeInfoHolder.Init();
    m_csStaticDataInit.Init();
    m_initialized = true;
    for (_ATL_OBJMAP_ENTRY* entry = m_pObjMap; entry && entry->pclsid; ++entry) {
        if (entry->pfnObjectMain) entry->pfnObjectMain(true);
    }
    return S_OK;
}

void CComModule::Term() {
    if (!m_initialized) return;
    for (_ATL_OBJMAP_ENTRY* entry = m_pObjMap; entry && entry->pclsid; ++entry) {
        if (entry->pCF) entry->pCF->Release();
        entry->pCF = nullptr;
        if (entry->pfnObjectMain) entry->pfnObjectMain(false);
    }
    std::vector<std::pair<_ATL_TERMFUNC*, DWORD_PTR>> functions;
    {
        CComCritSecLock<CComCriticalSection> lock(m_csStaticDataInit);
        functions.swap(m_termFunctions);
    }
    for (auto function = functions.rbegin(); function != functions.rend(); ++function)
        function->first(function->second);
    m_csStaticDataInit.Term();
    m_csTypeInfoHolder.Term();
    m_csObjMap.Term();
    m_initialized = false;
}

HRESULT CComModule::GetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (_ATL_OBJMAP_ENTRY* entry = m_pObjMap; entry && entry->pclsid; ++entry) {
        if (!entry->pfnGetClassObject || !IsEqualCLSID(rclsid, *entry->pclsid)) continue;
        if (!entry->pCF) {
            CComCritSecLock<CComCriticalSection> lock(m_csObjMap);
            if (!entry->pCF) {
                HRESULT hr = entry->pfnGetClassObject(reinterpret_cast<void*>(entry->pfnCreateInstance), IID_IUnknown,
                                                      reinterpret_cast<void**>(&entry->pCF));
                if (FAILED(hr)) return hr;
            }
        }
        return entry->pCF->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CComModule::RegisterServer(BOOL bRegTypeLib, const CLSID* pCLSID) {
    for (_ATL_OBJMAP_ENTRY* entry = m_pObjMap; entry && entry->pclsid; ++entry) {
        if (pCLSID && !IsEqualCLSID(*pCLSID, *entry->pclsid)) continue;
        if (!entry->pfnUpdateRegistry) continue;
        HRESULT hr = entry->pfnUpdateRegistry(TRUE);
        if (FAILED(hr)) return hr;
    }
    return bRegTypeLib ? RegisterTypeLib() : S_OK;
}

HRESULT CComModule::UnregisterServer(BOOL bUnRegTypeLib, const CLSID* pCLSID) {
    for (_ATL_OBJMAP_ENTRY* entry = m_pObjMap; entry && entry->pclsid; ++entry) {
        if (pCLSID && !IsEqualCLSID(*pCLSID, *entry->pclsid)) continue;
        if (entry->pfnUpdateRegistry) entry->pfnUpdateRegistry(FALSE);
    }
    if (bUnRegTypeLib) UnRegisterTypeLib();
    return S_OK;
}

HRESULT CComModule::RegisterTypeLib() {
    std::u16string path;
    ITypeLib* library = nullptr;
    HRESULT hr = LoadModuleTypeLib(m_hInstTypeLib, path, &library);
    if (FAILED(hr)) return hr;
    hr = ::RegisterTypeLib(library, path.c_str(), nullptr);
    library->Release();
    return hr;
}

HRESULT CComModule::UnRegisterTypeLib() {
    std::u16string path;
    ITypeLib* library = nullptr;
    HRESULT hr = LoadModuleTypeLib(m_hInstTypeLib, path, &library);
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (SUCCEEDED(hr)) {
        hr = ::UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                 attributes->lcid, attributes->syskind);
        library->ReleaseTLibAttr(attributes);
    }
    library->Release();
    return hr;
}

HRESULT CComModule::UpdateRegistryFromResource(UINT nResID, BOOL bRegister, _ATL_REGMAP_ENTRY* pMapEntries) {
    CComRegistrar registrar;
    registrar.AddReplacement("MODULE", ModulePath(m_hInst).c_str());
    for (_ATL_REGMAP_ENTRY* entry = pMapEntries; entry && entry->szKey; ++entry)
        registrar.AddReplacement(entry->szKey, entry->szData);
    return bRegister ? registrar.ResourceRegister(m_hInstResource, nResID)
                     : registrar.ResourceUnregister(m_hInstResource, nResID);
}

HRESULT CComModule::AddTermFunc(_ATL_TERMFUNC* pFunc, DWORD_PTR dw) {
    if (!pFunc) return E_INVALIDARG;
    CComCritSecLock<CComCriticalSection> lock(m_csStaticDataInit);
    m_termFunctions.emplace_back(pFunc, dw);
    return S_OK;
}
