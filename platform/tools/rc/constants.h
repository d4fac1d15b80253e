// The names a script may use without defining them: window, dialog and control styles, button ids,
// languages and version-information flags, with the values of the platform's own declarations.
#pragma once

#include <optional>
#include <string_view>

namespace rc {

std::optional<long> BuiltInConstant(std::string_view name);

}  // namespace rc
