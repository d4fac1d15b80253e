// A client program of the diagnostics server, run in a machine as another process: it creates the root
// object by both ProgIDs and by class id, reads its settings through the vtable, marks the product
// installed, and prints what it got, one line each.
#include <cstdio>
#include <string>

#include "AnsiText.h"
#include "CComBSTR.h"
#include "CComPtr.h"
#include "framework.h"
#include "kenrim07.h"
#include "ole2.h"

namespace {

std::string Ansi(const CComBSTR& text) {
    return framework::AnsiFromWide(text.m_str);
}

class CKenroClientApp : public CWinApp {
  public:
    CKenroClientApp() : CWinApp("KenroClient") {}

    BOOL InitInstance() override {
        CoInitialize(nullptr);
        for (const char16_t* progId : {u"QNAiO.Kenro", u"QNAiO.Kenro.1"}) {
            CLSID clsid{};
            HRESULT hr = CLSIDFromProgID(progId, &clsid);
            std::printf("progid %s %08X %s\n", framework::AnsiFromWide(progId).c_str(),
                        static_cast<unsigned>(hr), clsid == CLSID_QNAiOKenro ? "root" : "other");
            CComPtr<DIQNAiOKenro> root;
            hr = root.CoCreateInstance(clsid, IID_DIQNAiOKenro, nullptr, CLSCTX_INPROC_SERVER);
            std::printf("create %08X\n", static_cast<unsigned>(hr));
        }
        CComPtr<DIQNAiOKenro> root;
        HRESULT hr = root.CoCreateInstance(CLSID_QNAiOKenro, IID_DIQNAiOKenro, nullptr, CLSCTX_INPROC_SERVER);
        std::printf("create by clsid %08X\n", static_cast<unsigned>(hr));
        if (root) Drive(root);
        root.Release();
        CoUninitialize();
        return FALSE;
    }

  private:
    static void Drive(DIQNAiOKenro* root) {
        CComBSTR path, database, deviceId, help;
        LONG installed = -1;
        root->get_Path(&path);
        root->get_DatabaseName(&database);
        root->get_DeviceId(&deviceId);
        root->get_HelpDirectory(&help);
        root->get_WasInstalled(&installed);
        std::printf("path %s\ndatabase %s\ndevice id '%s' installed %d\nhelp %s\n", Ansi(path).c_str(),
                    Ansi(database).c_str(), Ansi(deviceId).c_str(), static_cast<int>(installed),
                    Ansi(help).c_str());
        CComPtr<IDispatch> units, routines;
        std::printf("units %08X\n", static_cast<unsigned>(root->get_Units(&units)));
        std::printf("routines %08X\n", static_cast<unsigned>(root->get_TroubleShootRtns(&routines)));
        HRESULT hr = root->put_DeviceId(CComBSTR(u"946684800"));
        root->get_WasInstalled(&installed);
        std::printf("device id set %08X installed %d\n", static_cast<unsigned>(hr),
                    static_cast<int>(installed));
    }
};

CKenroClientApp theApp;

}  // namespace
