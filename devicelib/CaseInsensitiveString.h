// The string type of the device library: a standard string of char whose comparisons ignore letter case.
// Every name, file list and map key of the library and of the uninstaller is one of these.
#pragma once

#include <cctype>
#include <cstddef>
#include <list>
#include <map>
#include <string>

struct case_insensitive_char_traits : public std::char_traits<char> {
    // Upper case as toupper has it in the C locale the programs run in: only a to z change, and bytes at
    // or above 0x80 (accented names) stay as they are. Written out, as every comparison and search of
    // the library's strings goes through it.
    static char to_upper(char character) {
        return character >= 'a' && character <= 'z' ? static_cast<char>(character - 'a' + 'A') : character;
    }
    static bool eq(char left, char right) { return to_upper(left) == to_upper(right); }
    static bool ne(char left, char right) { return to_upper(left) != to_upper(right); }
    static bool lt(char left, char right) {
        return static_cast<unsigned char>(to_upper(left)) < static_cast<unsigned char>(to_upper(right));
    }
    static int compare(const char* left, const char* right, std::size_t count) {
        for (std::size_t index = 0; index < count; ++index) {
            auto a = static_cast<unsigned char>(to_upper(left[index]));
            auto b = static_cast<unsigned char>(to_upper(right[index]));
            if (a != b) return a < b ? -1 : 1;
        }
        return 0;
    }
    static const char* find(const char* data, std::size_t length, char character) {
        if (!data) return nullptr;
        char wanted = to_upper(character);
        for (std::size_t index = 0; index < length; ++index) {
            if (to_upper(data[index]) == wanted) return data + index;
        }
        return nullptr;
    }
};

typedef std::basic_string<char, case_insensitive_char_traits> CaseInsensitiveString;

// The text begins with the prefix, letter case aside.
inline bool StartsWithNoCase(const char* text, const char* prefix) {
    std::size_t length = case_insensitive_char_traits::length(prefix);
    for (std::size_t index = 0; index < length; ++index) {
        if (!case_insensitive_char_traits::eq(text[index], prefix[index])) return false;
    }
    return true;
}

typedef std::list<CaseInsensitiveString> CaseInsensitiveStringList;
template <typename Value>
using CaseInsensitiveStringMap = std::map<CaseInsensitiveString, Value>;
