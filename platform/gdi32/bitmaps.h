// What the window manager asks of bitmaps: a bitmap made from a picture in DIB form (a BITMAP
// resource), as LoadBitmapA and LoadImageA give it.
#pragma once

#include "windows.h"

namespace platform::gdi {

// A device bitmap of the display's colours (monochrome for a black-and-white picture of one bit) holding
// the picture; null for a form GDI cannot read. `bits` are the rows that follow the colour table.
HBITMAP CreateBitmapFromDib(const BITMAPINFO* info, const void* bits);

}  // namespace platform::gdi
