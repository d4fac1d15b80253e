// For tests only: the spooler mutex belongs to the machine that was current when it was created, so a
// test that attaches another machine closes it to have the next lock create it on the new machine.
#pragma once

void ResetSpoolerMutexForTesting();
