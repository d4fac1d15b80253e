// Conversion between UTF-16 text and the ANSI code page (Windows-1252), over the one table of
// platform/machine/text.h.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/machine/text.h"
#include "windows.h"

namespace {

bool IsAnsiCodePage(UINT codePage) {
    return codePage == CP_ACP || codePage == 1252;
}

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

}  // namespace

extern "C" int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr,
                                          int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                                          LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
    (void)dwFlags;
    if (!lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 || (!lpMultiByteStr && cbMultiByte != 0))
        return Fail(ERROR_INVALID_PARAMETER);
    if (!IsAnsiCodePage(CodePage)) return Fail(ERROR_INVALID_PARAMETER);
    // -1: the text ends at its zero, which is converted with it.
    std::size_t length = 0;
    if (cchWideChar < 0) {
        while (lpWideCharStr[length]) ++length;
        ++length;
    } else {
        length = static_cast<std::size_t>(cchWideChar);
    }
    std::u16string_view text(lpWideCharStr, length);
    char replacement = lpDefaultChar ? *lpDefaultChar : '?';
    std::string converted = platform::AnsiFromWide(text, replacement);
    if (lpUsedDefaultChar) {
        // A character was replaced when it does not come back from its converted byte.
        std::u16string back = platform::WideFromAnsi(converted);
        *lpUsedDefaultChar = back != text ? TRUE : FALSE;
    }
    if (cbMultiByte == 0) return static_cast<int>(converted.size());
    if (converted.size() > static_cast<std::size_t>(cbMultiByte)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(lpMultiByteStr, converted.data(), converted.size());
    return static_cast<int>(converted.size());
}

// Every byte of Windows-1252 has a character (the five the code page leaves undefined stand for the
// control characters of the same value), so MB_ERR_INVALID_CHARS finds nothing to refuse.
extern "C" int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                          int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar) {
    constexpr DWORD kKnownFlags = MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
    if (!lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 || (!lpWideCharStr && cchWideChar != 0))
        return Fail(ERROR_INVALID_PARAMETER);
    if (!IsAnsiCodePage(CodePage)) return Fail(ERROR_INVALID_PARAMETER);
    if ((dwFlags & ~kKnownFlags) || ((dwFlags & MB_PRECOMPOSED) && (dwFlags & MB_COMPOSITE)))
        return Fail(ERROR_INVALID_FLAGS);
    // -1: the text ends at its zero, which is converted with it.
    std::size_t length =
        cbMultiByte < 0 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
    std::u16string converted = platform::WideFromAnsi(std::string_view(lpMultiByteStr, length));
    if (cchWideChar == 0) return static_cast<int>(converted.size());
    if (converted.size() > static_cast<std::size_t>(cchWideChar)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::copy(converted.begin(), converted.end(), lpWideCharStr);
    return static_cast<int>(converted.size());
}
