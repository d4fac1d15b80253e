// Cuts source text into tokens. The two languages read with it differ in a few points, which a
// SourceDialect names.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/tools/source_reader/token.h"

namespace platform::source {

struct SourceDialect {
    std::string punctuation;      // the single characters that are tokens; any other is an error
    bool doubledQuotes = false;   // "" inside a string stands for a quote (resource scripts)
    bool uuidTokens = false;      // a bare 8-4-4-4-12 hexadecimal GUID is one Uuid token (IDL)
    bool functionMacros = false;  // #define NAME(parameters) is allowed
    // Headers whose #include is skipped when no include folder has them (upper case file names): the
    // declarations the compiler knows itself.
    std::set<std::string> builtInHeaders;
    // Of files with these extensions (upper case, with the dot) only the directives count.
    std::set<std::string> directivesOnlyExtensions;
};

// Removes /* */ and // comments, keeping line breaks and the text of strings.
std::string StripComments(const std::string& text);

// The lines of a text, without their line ends.
std::vector<std::string> SplitLines(const std::string& text);

// The tokens of one line.
std::vector<Token> Tokenize(const std::string& line, const SourceLocation& location,
                            const SourceDialect& dialect);

}  // namespace platform::source
