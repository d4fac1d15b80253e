// Text helpers for the ANSI code page the machine runs in (Windows-1252): case mapping and
// case-insensitive comparison as Windows applies them to file, key and section names.
#pragma once

#include <string>
#include <string_view>

namespace platform {

char UpperAnsi(char character);
char LowerAnsi(char character);
std::string UpperCopy(std::string_view text);
std::string LowerCopy(std::string_view text);
bool EqualsNoCase(std::string_view left, std::string_view right);
// Orders like Windows' case-insensitive compare: both sides upper-cased.
int CompareNoCase(std::string_view left, std::string_view right);
std::string_view TrimBlanks(std::string_view text);

// Conversions between Windows-1252 and UTF-16. The five bytes 1252 leaves undefined map to the control
// characters of the same value, as Windows maps them; a UTF-16 character 1252 cannot hold becomes
// `replacement`.
std::u16string WideFromAnsi(std::string_view text);
std::string AnsiFromWide(std::u16string_view text, char replacement = '?');

}  // namespace platform
