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

}  // namespace platform
