// The Windows version tests through which the library picks the Windows interface to use.
// Each answers 1 (true) or 0 (false) from one process-wide OSVERSIONINFOA, filled by GetVersionExA on the
// first call of any test and kept for the life of the process. Make the first call before a second thread
// starts: the record is not guarded.
#pragma once

#include "windows.h"

unsigned int IsNT();         // NT platform, version 4 or later
unsigned int IsNT4();        // NT 4
unsigned int IsW2K();        // Windows 2000 (5.0)
unsigned int IsXP();         // Windows XP (5.1)
unsigned int Is9X();         // Windows 95, 98 or Me
unsigned int Is95();         // 4.0 on the 9x platform
unsigned int Is98();         // 4.1 to 4.89 on the 9x platform
unsigned int IsMe();         // 4.90 or later on the 9x platform
unsigned int Is98Gold();     // Windows 98 first edition: 4.10, build 1998
unsigned int Is98SE();       // Windows 98 Second Edition: 4.10, build 2222
unsigned int IsBlackComb();  // the system after XP is never recognised

// The record the tests read, filled on first use. The 9x tests read the build from the low-order word of
// dwBuildNumber: on Windows 9x the high-order word repeats the major and minor version.
const OSVERSIONINFOA& OsVersionRecord();
