// Strings of a module's string table (RT_STRING resources), registered directly rather than compiled from
// an .rc script: for tests and for code that builds its strings at run time.
#pragma once

#include <initializer_list>
#include <string_view>

#include "windows.h"

namespace platform {

struct StringResource {
    UINT id;
    std::string_view text;  // Windows-1252
};

// Adds strings to the string table of a module (language neutral); a null module is the program's own. A
// string registered again under the same id replaces the earlier one.
void RegisterStringTable(HINSTANCE module, std::initializer_list<StringResource> strings);

}  // namespace platform
