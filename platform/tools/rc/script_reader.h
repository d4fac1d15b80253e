// Reads a resource script with the shared source reader, in the resource compiler's dialect: the
// Windows headers a script includes for their constants are known without files, C headers count only
// for their directives, and "" inside a string is a quote.
#pragma once

#include <filesystem>
#include <vector>

#include "platform/tools/source_reader/preprocessor.h"

namespace rc {

using platform::source::CompileError;
using platform::source::ReaderOptions;
using platform::source::SourceLocation;
using platform::source::Token;
using platform::source::TokenKind;

// The tokens of a script, ending with one End token.
std::vector<Token> ReadScript(const std::filesystem::path& file, const ReaderOptions& options);

}  // namespace rc
