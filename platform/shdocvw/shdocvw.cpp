// The library of the web browser control: an in-process COM server of the one class, started when the
// library is attached and stopped when it is detached.
#include "CComModule.h"
#include "olectl.h"
#include "platform/shdocvw/CWebBrowser.h"

CComModule _Module;

namespace {

BEGIN_OBJECT_MAP(ObjectMap)
OBJECT_ENTRY(CLSID_WebBrowser, platform::browser::CWebBrowser)
END_OBJECT_MAP()

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
    (void)lpvReserved;
    if (fdwReason == DLL_PROCESS_ATTACH) return SUCCEEDED(_Module.Init(ObjectMap, hinstDLL, &LIBID_SHDocVw));
    if (fdwReason == DLL_PROCESS_DETACH) _Module.Term();
    return TRUE;
}

STDAPI DllCanUnloadNow(void) { return _Module.GetLockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) { return _Module.GetClassObject(rclsid, riid, ppv); }
