// A button's object.
#pragma once

#include "CWnd.h"

class CButton : public CWnd {};
