#include "platform/tools/rc/script_reader.h"

namespace rc {

namespace {

const platform::source::SourceDialect& ResourceScriptDialect() {
    static const platform::source::SourceDialect dialect = {
        ",|&^+-*/%~!(){}<>=",
        true,
        false,
        false,
        {"WINDOWS.H", "WINRES.H", "WINRESRC.H", "AFXRES.H", "COMMCTRL.H", "WINUSER.H", "WINVER.H", "WINNT.H"},
        {".H", ".C", ".HPP"},
    };
    return dialect;
}

}  // namespace

std::vector<Token> ReadScript(const std::filesystem::path& file, const ReaderOptions& options) {
    return platform::source::ReadSource(file, options, ResourceScriptDialect());
}

}  // namespace rc
