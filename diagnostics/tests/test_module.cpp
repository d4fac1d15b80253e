// What the server's own library defines for the classes and what an in-process test program defines
// instead: the module object, and the module state the classes make current before they load
// resources or create windows (the test program is the module that holds the server's resources).
#include "AFX_MODULE_STATE.h"
#include "CComModule.h"

CComModule _Module;

AFX_MODULE_STATE* AfxGetStaticModuleState() {
    return AfxGetAppModuleState();
}
