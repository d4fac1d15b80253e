// A filter over a registry subtree: which subkeys and which values the registry uninstaller deletes.
// Names and texts are upper-cased before they are matched.
#pragma once

#include "CFilter.h"
#include "windows.h"

class CRegistryFilter : public CFilter {
  public:
    CRegistryFilter() = default;
    ~CRegistryFilter() override;
    // Non-zero to delete the subkey `pSubkeyName` of `hKey`: its name matches the filter's patterns.
    virtual unsigned int TestKey(HKEY hKey, const char* pSubkeyName);
    // Non-zero to delete the value whose name or text is `text`: it matches the filter's patterns.
    virtual unsigned int TestValue(const CaseInsensitiveString& text);
    // Whether the text matches one of the patterns.
    virtual unsigned int PatternMatch(const CaseInsensitiveString& text, const PatternList& patterns);

    // The text in upper case, letters of the code page included.
    static CaseInsensitiveString UpperCase(const CaseInsensitiveString& text);
    // A pattern of one token, upper-cased, and an empty token: the token anywhere in a text.
    static Pattern SubstringPattern(const CaseInsensitiveString& token);
    // Appends a substring pattern for each item, trimmed and upper-cased; an item that is empty once
    // trimmed adds nothing, since it would be found in every text.
    static void AddSubstringPatterns(PatternList& patterns, const CaseInsensitiveStringList& items);
    // The same for the filter's own patterns.
    void AddSubstringPatterns(const CaseInsensitiveStringList& items) {
        AddSubstringPatterns(m_patterns, items);
    }
};

// Reads the text value `pValueName` of `hKey` (at most `size` bytes, end included) into `text`, upper-cased.
// 0 when the value is missing or does not fit.
unsigned int ReadUpperValue(HKEY hKey, const char* pValueName, unsigned int size,
                            CaseInsensitiveString& text);
