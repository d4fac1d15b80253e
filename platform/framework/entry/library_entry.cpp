// The entry of a library built on the framework (what framework_main is for a program): the library's
// own module state, current while the library's static objects are constructed, so that its application
// object registers there and not in the program's; and DllMain, which runs that application object's
// InitInstance when the library is attached (a FALSE refuses the load) and ExitInstance when it is
// detached.
#include "AFX_MODULE_STATE.h"
#include "CWinApp.h"

namespace {

AFX_MODULE_STATE libraryState;

// Constructed before the library's other static objects (the lowest priority number runs first); DllMain,
// which the loader calls after all of them, gives the loading thread its own state back.
class ConstructionState {
  public:
    ConstructionState() : m_previous(AfxSetModuleState(&libraryState)) { libraryState.m_bDLL = TRUE; }
    void End() {
        if (m_active) AfxSetModuleState(m_previous);
        m_active = false;
    }

  private:
    AFX_MODULE_STATE* m_previous;
    bool m_active = true;
};

ConstructionState construction __attribute__((init_priority(101)));

}  // namespace

AFX_MODULE_STATE* AfxGetStaticModuleState() { return &libraryState; }

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
    (void)lpvReserved;
    construction.End();
    AFX_MANAGE_STATE(&libraryState);
    CWinApp* app = libraryState.m_pCurrentWinApp;
    if (fdwReason == DLL_PROCESS_ATTACH) {
        libraryState.m_hCurrentInstanceHandle = hinstDLL;
        if (!libraryState.m_hCurrentResourceHandle) libraryState.m_hCurrentResourceHandle = hinstDLL;
        if (app) {
            app->m_hInstance = hinstDLL;
            if (!app->InitInstance()) {
                app->ExitInstance();
                return FALSE;
            }
        }
    } else if (fdwReason == DLL_PROCESS_DETACH) {
        if (app) app->ExitInstance();
    }
    return TRUE;
}
