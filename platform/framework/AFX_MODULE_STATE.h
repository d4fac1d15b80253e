// The state of the framework that belongs to one module: its application object, instance handle and
// resource handle. A program has one; each library built on the framework has its own (defined by the
// library entry it links, entry/library_entry.cpp), so a library's application object never replaces the
// program's.
//
// The framework answers AfxGetApp, AfxGetInstanceHandle and AfxGetResourceHandle from the thread's current
// module state, which is the program's until code switches it. A library's exported functions and the
// methods of its objects that use the framework begin with
//
//     AFX_MANAGE_STATE(AfxGetStaticModuleState());
//
// which makes the library's own state current until the scope ends. The library entry does so itself
// while the library's static objects are constructed and while DllMain runs the application object.
#pragma once

#include "windows.h"

class CWinApp;

struct AFX_MODULE_STATE {
    CWinApp* m_pCurrentWinApp = nullptr;
    HINSTANCE m_hCurrentInstanceHandle = nullptr;
    HINSTANCE m_hCurrentResourceHandle = nullptr;
    BOOL m_bDLL = FALSE;
};

// The thread's current module state.
AFX_MODULE_STATE* AfxGetModuleState();
// The program's.
AFX_MODULE_STATE* AfxGetAppModuleState();
// Makes a state the thread's current one (null: the program's) and gives the one it replaces.
AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* pNewState);
// The calling library's own state; defined by the library entry, one in each library.
AFX_MODULE_STATE* AfxGetStaticModuleState();

HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);

class AFX_MAINTAIN_STATE {
  public:
    explicit AFX_MAINTAIN_STATE(AFX_MODULE_STATE* pNewState) : m_pPrevModuleState(AfxSetModuleState(pNewState)) {}
    ~AFX_MAINTAIN_STATE() { AfxSetModuleState(m_pPrevModuleState); }
    AFX_MAINTAIN_STATE(const AFX_MAINTAIN_STATE&) = delete;
    AFX_MAINTAIN_STATE& operator=(const AFX_MAINTAIN_STATE&) = delete;

  private:
    AFX_MODULE_STATE* m_pPrevModuleState;
};

#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE _ctlState(p);
