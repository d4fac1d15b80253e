#include "AFX_MODULE_STATE.h"

#include "CWinApp.h"

namespace {

AFX_MODULE_STATE programState;
thread_local AFX_MODULE_STATE* currentState = nullptr;

}  // namespace

AFX_MODULE_STATE* AfxGetModuleState() { return currentState ? currentState : &programState; }

AFX_MODULE_STATE* AfxGetAppModuleState() { return &programState; }

AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* pNewState) {
    AFX_MODULE_STATE* previous = AfxGetModuleState();
    currentState = pNewState == &programState ? nullptr : pNewState;
    return previous;
}

// A module that never set a resource handle reads its resources from its own instance.
HINSTANCE AfxGetResourceHandle() {
    AFX_MODULE_STATE* state = AfxGetModuleState();
    return state->m_hCurrentResourceHandle ? state->m_hCurrentResourceHandle : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hInstResource) { AfxGetModuleState()->m_hCurrentResourceHandle = hInstResource; }
