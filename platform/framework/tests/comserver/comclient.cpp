// A client program of the test server, run in a machine as another process: it creates the thing by
// ProgID and by class id, calls it through its vtable and prints what it got, one line each.
#include <cstdio>
#include <string>

#include "AnsiText.h"
#include "CComBSTR.h"
#include "CComPtr.h"
#include "comserver.h"
#include "framework.h"
#include "ole2.h"

namespace {

class CComClientApp : public CWinApp {
  public:
    CComClientApp() : CWinApp("ComClient") {}

    BOOL InitInstance() override {
        CoInitialize(nullptr);
        CLSID clsid{};
        HRESULT hr = CLSIDFromProgID(u"ComServer.Thing", &clsid);
        std::printf("progid %08X %s\n", static_cast<unsigned>(hr), clsid == CLSID_Thing ? "thing" : "other");
        CComPtr<IThing> byProgId, byClassId;
        hr = byProgId.CoCreateInstance(clsid, IID_IThing, nullptr, CLSCTX_INPROC_SERVER);
        std::printf("create by progid %08X\n", static_cast<unsigned>(hr));
        hr = byClassId.CoCreateInstance(CLSID_Thing, IID_IThing, nullptr, CLSCTX_INPROC_SERVER);
        std::printf("create by clsid %08X\n", static_cast<unsigned>(hr));
        if (byProgId && byClassId) {
            LONG sum = 0;
            byProgId->Add(40, 2, &sum);
            byClassId->put_Name(CComBSTR(u"second"));
            CComBSTR first, second, appName;
            byProgId->get_Name(&first);
            byClassId->get_Name(&second);
            byClassId->get_AppName(&appName);
            std::printf("sum %d names %s %s\n", static_cast<int>(sum), framework::AnsiFromWide(first.m_str).c_str(),
                        framework::AnsiFromWide(second.m_str).c_str());
            std::printf("applications %s %s\n", AfxGetApp()->m_pszAppName,
                        framework::AnsiFromWide(appName.m_str).c_str());
        }
        byProgId.Release();
        byClassId.Release();
        CoUninitialize();
        return FALSE;
    }
};

CComClientApp theApp;

}  // namespace
