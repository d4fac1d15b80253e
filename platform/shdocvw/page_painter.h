// Draws a page into a device context the way the browser control shows it: a white page, text in the
// browser's proportional font (headings larger, bold where the page says so), links blue and underlined.
#pragma once

#include "platform/shdocvw/html_document.h"
#include "windows.h"

namespace platform::browser {

// The page laid out in a window of that width and drawn from (0, 0) over the rectangle's area.
void PaintPage(HDC dc, const HtmlDocument& document, const RECT& area);

}  // namespace platform::browser
