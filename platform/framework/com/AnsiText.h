// Conversions between the ANSI code page and OLE's wide characters, as the COM classes take both.
#pragma once

#include <string>
#include <string_view>

#include "wtypes.h"

namespace framework {

std::u16string WideFromAnsi(std::string_view text);
std::string AnsiFromWide(std::u16string_view text);
inline std::string AnsiFromWide(LPCOLESTR text) { return text ? AnsiFromWide(std::u16string_view(text)) : std::string(); }

}  // namespace framework
