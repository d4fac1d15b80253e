// Reads a source file as a compiler sees it: Windows-1252 text, comments removed, the preprocessor
// directives carried out (#include, #define with and without parameters, #undef, #if, #ifdef, #ifndef,
// #elif, #else, #endif, #pragma, #error) and the remaining text cut into tokens with macros expanded.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/tools/source_reader/tokenizer.h"

namespace platform::source {

struct ReaderOptions {
    std::vector<std::filesystem::path> includeFolders;
    std::map<std::string, std::string> definitions;  // -D NAME=value
};

// The tokens of a file, ending with one End token. Throws CompileError; a file that is missing, a folder
// or unreadable is an error at `from`, where the file was named (the command line by default).
std::vector<Token> ReadSource(const std::filesystem::path& file, const ReaderOptions& options,
                              const SourceDialect& dialect, const SourceLocation& from = {});

}  // namespace platform::source
