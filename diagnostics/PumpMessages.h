// Keeps the user interface alive during a long walk: the walks call it before and after each item.
#pragma once

namespace diagnostics {

// Drains the thread's message queue through the application's pre-translation, then runs the
// application's idle processing twice (counts 0 and 1). Handlers of the messages may run re-entrantly.
void PumpMessages();

}  // namespace diagnostics
