// The string tables of the modules of a process, which LoadStringA reads. A program registers its own
// strings at start (the resource compiler generates that call from the program's .rc script).
#pragma once

#include <initializer_list>
#include <string_view>
#include <utility>

#include "windows.h"

namespace platform {

struct StringResource {
    UINT id;
    std::string_view text;  // Windows-1252
};

// Adds strings to the string table of a module; a null module is the program's own. A string registered
// again under the same id replaces the earlier one.
void RegisterStringTable(HINSTANCE module, std::initializer_list<StringResource> strings);

}  // namespace platform
