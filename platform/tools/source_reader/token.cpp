#include "platform/tools/source_reader/token.h"

namespace platform::source {

CompileError::CompileError(const SourceLocation& location, const std::string& message)
    : std::runtime_error((location.file ? *location.file : std::string("<command line>")) + "(" +
                         std::to_string(location.line) + "): " + message) {}

std::string DescribeToken(const Token& token) {
    if (token.kind == TokenKind::End) return "end of file";
    if (token.kind == TokenKind::String) return "\"" + token.text + "\"";
    return "'" + token.text + "'";
}

}  // namespace platform::source
