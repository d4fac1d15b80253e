// Parses a script into its statements, or reports the first compilation error with its place.
#pragma once

#include <optional>
#include <string_view>

#include "script_errors.h"
#include "syntax_tree.h"

namespace vbscript {

struct ParseResult {
    Program program;
    std::optional<CompileError> error;
};

ParseResult Parse(std::u16string_view script);

}  // namespace vbscript
