// Icons and bitmaps as the controls draw them (icons.cpp).
#pragma once

#include "windows.h"

namespace platform {

// The size of an icon (IMAGE_ICON) or a bitmap (IMAGE_BITMAP); 0 by 0 for a handle that is neither.
SIZE ImageSize(HANDLE image, UINT type);

}  // namespace platform
