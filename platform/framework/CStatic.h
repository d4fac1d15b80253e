// A static control's object.
#pragma once

#include "CWnd.h"

class CStatic : public CWnd {};
