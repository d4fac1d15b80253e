// The registry roots as QNAiO_RegRootEnum values and as predefined keys, both ways.
#pragma once

#include "kenrim07.h"
#include "windows.h"

namespace diagnostics {

// QNAiO_RegRootUndefined for a key that is not one of the six roots (HKEY_PERFORMANCE_DATA included).
QNAiO_RegRootEnum RegRootFromHKey(HKEY key);
// Null for QNAiO_RegRootUndefined, QNAiO_RegRootHighestIndex and anything outside the enumeration.
HKEY HKeyFromRegRoot(long root);

}  // namespace diagnostics
