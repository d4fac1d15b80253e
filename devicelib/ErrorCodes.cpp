#include "ErrorCodes.h"

#include <iterator>

namespace {

// The names of ERR_NOERROR, then of ERR_UNKNOWN (-50000) downwards to ERR_ERRORMASKED (-50019).
const char* const kErrorNames[] = {
    "ERR_NOERROR",
    "ERR_UNKNOWN",
    "ERR_MEMORY",
    "ERR_BADPARAMETER",
    "ERR_INVALIDPOINTER",
    "ERR_PRINTERNOTSUPPORTED",
    "ERR_PORTNOTSUPPORTED",
    "ERR_CONNECTIONLOST",
    "ERR_PRINTERNOTFOUND",
    "ERR_BUFFEROVERFLOW",
    "ERR_RESOURCEUNAVAILABLE",
    "ERR_TIMEOUT",
    "ERR_READONLY",
    "ERR_ACTIONNOTNOW",
    "ERR_RESOURCENOTFOUND",
    "ERR_MUTEX",
    "ERR_COMMUNITYNAME",
    "ERR_STLEXCEPTION",
    "ERR_REMOVEPRINTER",
    "ERR_ERRORNOTFOUND",
    "ERR_ERRORMASKED",
};
static_assert(std::size(kErrorNames) == 1 + (ERR_UNKNOWN - ERR_ERRORMASKED + 1));

constexpr DWORD kCaptionLength = 260;

// A Windows error code as the library's long, which is 32 bits wide on Windows.
long AsLong(DWORD code) {
    return static_cast<long>(static_cast<LONG>(code));
}

// The text behind GetErrorString for Windows codes. Built on first use, so that GetErrorString may be
// called from the static initialisers of other files.
std::string& WindowsErrorText() {
    static std::string text = [] {
        std::string initial;
        initial.reserve(260);
        return initial;
    }();
    return text;
}

// FormatMessageA of the code from the system in the language given; false when Windows has no text.
bool FormatSystemMessage(DWORD code, DWORD language, std::string& text) {
    LPSTR buffer = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
        code, language, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    if (length == 0 || !buffer) return false;
    text.assign(buffer, length);
    LocalFree(buffer);
    return true;
}

}  // namespace

const char* GetErrorString(long code) {
    if (code == ERR_NOERROR) return kErrorNames[0];
    if (code <= ERR_UNKNOWN && code >= ERR_ERRORMASKED) return kErrorNames[1 + (ERR_UNKNOWN - code)];
    std::string& text = WindowsErrorText();
    text.clear();
    SetLastError(static_cast<DWORD>(code));
    GetLastErrorMsg(text);
    return text.c_str();
}

long GetLastErrorMsg(std::string& text) {
    DWORD code = GetLastError();
    if (!FormatSystemMessage(code, GetSystemDefaultLangID(), text)) {
        FormatSystemMessage(code, LANG_USER_DEFAULT, text);
    }
    SetLastError(code);
    return AsLong(code);
}

long GetLastErrorMsg(unsigned long stringId, HINSTANCE module) {
    DWORD code = GetLastError();
    if (code == 0) return 0;
    char caption[kCaptionLength] = "";
    LoadStringA(module, static_cast<UINT>(stringId), caption, static_cast<int>(kCaptionLength));
    std::string text;
    if (FormatSystemMessage(code, GetSystemDefaultLangID(), text) ||
        FormatSystemMessage(code, LANG_USER_DEFAULT, text)) {
        MessageBoxA(nullptr, text.c_str(), caption, MB_ICONINFORMATION);
    }
    SetLastError(code);
    return AsLong(code);
}
