// Character navigation and case mapping in the ANSI code page.
#include <cstdarg>
#include <cstdio>

#include "platform/machine/text.h"
#include "windows.h"

extern "C" LPSTR WINAPI CharNextA(LPCSTR lpsz) {
    if (!lpsz || !*lpsz) return const_cast<LPSTR>(lpsz);
    return const_cast<LPSTR>(lpsz + 1);
}

extern "C" LPSTR WINAPI CharPrevA(LPCSTR lpszStart, LPCSTR lpszCurrent) {
    if (!lpszStart || !lpszCurrent || lpszCurrent <= lpszStart) return const_cast<LPSTR>(lpszStart);
    return const_cast<LPSTR>(lpszCurrent - 1);
}

extern "C" LPSTR WINAPI CharUpperA(LPSTR lpsz) {
    // A value below 0x10000 is a single character passed in the pointer.
    auto value = reinterpret_cast<std::uintptr_t>(lpsz);
    if (value < 0x10000) {
        return reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(
            static_cast<unsigned char>(platform::UpperAnsi(static_cast<char>(value)))));
    }
    for (char* character = lpsz; *character; ++character) *character = platform::UpperAnsi(*character);
    return lpsz;
}

extern "C" LPSTR WINAPI CharLowerA(LPSTR lpsz) {
    auto value = reinterpret_cast<std::uintptr_t>(lpsz);
    if (value < 0x10000) {
        return reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(
            static_cast<unsigned char>(platform::LowerAnsi(static_cast<char>(value)))));
    }
    for (char* character = lpsz; *character; ++character) *character = platform::LowerAnsi(*character);
    return lpsz;
}

extern "C" int WINAPIV wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
    // wsprintf writes at most 1024 characters.
    va_list arguments;
    va_start(arguments, lpFmt);
    int written = std::vsnprintf(lpOut, 1025, lpFmt, arguments);
    va_end(arguments);
    return written > 1024 ? 1024 : written;
}
