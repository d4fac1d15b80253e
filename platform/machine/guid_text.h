// GUIDs as the registry and COM write them: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", 38 characters,
// upper-case hexadecimal: Data1, Data2 and Data3 as numbers, then the bytes of Data4 in a group of two
// and a group of six.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "guiddef.h"

namespace platform {

inline constexpr std::size_t kGuidTextLength = 38;

std::string GuidText(const GUID& guid);
// The GUID of that form (either case), or nothing when the text is anything else.
std::optional<GUID> ParseGuid(std::string_view text);
std::optional<GUID> ParseGuid(std::u16string_view text);

}  // namespace platform
