// National-language support: code pages and locale ids.
#pragma once

#include "winbase.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001
