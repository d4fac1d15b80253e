// The Windows API as the system's code includes it.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "winnt.h"
#include "winbase.h"
#include "winnls.h"
#include "winreg.h"
#include "winsvc.h"
// Graphics before the window manager, whose calls take device contexts, regions and brushes.
#include "wingdi.h"
#include "winuser.h"
#include "winver.h"
