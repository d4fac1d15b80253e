// The program's own strings, from its string table.
#pragma once

#include <string>

#include "windows.h"

// String `id` of the program, "" when it has none.
std::string LoadProgramString(UINT id);
