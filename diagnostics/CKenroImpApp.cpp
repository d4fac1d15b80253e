// The diagnostics server's module: its one application object, which starts the COM module with the
// object map when the library is loaded and stops it when it is unloaded, and the four exports of an
// in-process server. Only QNAiOKenro has a class factory and a registry script; the other classes are
// created inside the server and listed for their start and end hooks.
#include "AFX_MODULE_STATE.h"
#include "CComModule.h"
#include "QNAiODisplayMessage.h"
#include "QNAiODisplayMessages.h"
#include "QNAiOKenro.h"
#include "QNAiOProgressBarDlg.h"
#include "QNAiOResult.h"
#include "QNAiOResults.h"
#include "framework.h"

CComModule _Module;

namespace {

BEGIN_OBJECT_MAP(ObjectMap)
OBJECT_ENTRY(CLSID_QNAiOKenro, diagnostics::QNAiOKenro)
OBJECT_ENTRY_NON_CREATEABLE(QNAiOResult)
OBJECT_ENTRY_NON_CREATEABLE(QNAiOResults)
OBJECT_ENTRY_NON_CREATEABLE(QNAiODisplayMessage)
OBJECT_ENTRY_NON_CREATEABLE(QNAiODisplayMessages)
OBJECT_ENTRY_NON_CREATEABLE(diagnostics::QNAiOProgressBarDlg)
END_OBJECT_MAP()

class CKenroImpApp : public CWinApp {
  public:
    CKenroImpApp() : CWinApp("kenrim07") {}

    BOOL InitInstance() override {
        _Module.Init(ObjectMap, m_hInstance, &LIBID_KENROIMPLib);
        return CWinApp::InitInstance();
    }
    int ExitInstance() override {
        _Module.Term();
        return CWinApp::ExitInstance();
    }
};

CKenroImpApp theApp;

}  // namespace

// The framework keeps nothing of its own alive in the library, so the module's lock count decides.
STDAPI DllCanUnloadNow(void) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return _Module.GetLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return _Module.GetClassObject(rclsid, riid, ppv);
}

// The registry scripts of the object map, then the type library in TYPELIB resource 1.
STDAPI DllRegisterServer(void) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return _Module.RegisterServer(TRUE);
}

STDAPI DllUnregisterServer(void) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return _Module.UnregisterServer(TRUE);
}
