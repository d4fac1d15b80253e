// Draining the thread's message queue between the items of a walk.
#include "PumpMessages.h"

#include "CWinApp.h"
#include "windows.h"

namespace diagnostics {

// The application object, when the calling module has one, pre-translates and idles; without one the
// framework's own pre-translation still reaches the windows' objects.
void PumpMessages() {
    CWinApp* app = AfxGetApp();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        BOOL taken = app ? app->PreTranslateMessage(&message) : AfxPreTranslateMessage(&message);
        if (!taken) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (!app) return;
    app->OnIdle(0);
    app->OnIdle(1);
}

}  // namespace diagnostics
