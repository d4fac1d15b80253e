// What the window manager asks of bitmaps: a bitmap made from a picture in DIB form (a BITMAP
// resource), as LoadBitmapA and LoadImageA give it.
#pragma once

#include <cstddef>

#include "windows.h"

namespace platform::gdi {

// A device bitmap of the display's colours (monochrome for a black-and-white picture of one bit) holding
// the picture; null for a form GDI cannot read. `bits` are the rows that follow the colour table.
HBITMAP CreateBitmapFromDib(const BITMAPINFO* info, const void* bits);
// The same from a packed picture, as a BITMAP resource holds it: the header, the colour table (or the
// bit masks) and the rows; null when the bytes are too few for what the header describes.
HBITMAP CreateBitmapFromPackedDib(const void* packed, std::size_t size);

}  // namespace platform::gdi
