#include "CRegistryFilter.h"

#include <memory>

#include "DataFile.h"

CRegistryFilter::~CRegistryFilter() = default;

unsigned int CRegistryFilter::TestKey(HKEY, const char* pSubkeyName) {
    return TestValue(pSubkeyName);
}

unsigned int CRegistryFilter::TestValue(const CaseInsensitiveString& text) {
    return Match(UpperCase(text));
}

unsigned int CRegistryFilter::PatternMatch(const CaseInsensitiveString& text, const PatternList& patterns) {
    return MatchPatternList(text, patterns);
}

CaseInsensitiveString CRegistryFilter::UpperCase(const CaseInsensitiveString& text) {
    CaseInsensitiveString upper = text;
    CharUpperA(upper.data());
    return upper;
}

CFilter::Pattern CRegistryFilter::SubstringPattern(const CaseInsensitiveString& token) {
    return Pattern{UpperCase(token), CaseInsensitiveString()};
}

void CRegistryFilter::AddSubstringPatterns(PatternList& patterns, const CaseInsensitiveStringList& items) {
    for (const CaseInsensitiveString& item : items) {
        CaseInsensitiveString token = TrimmedUpper(item);
        if (!token.empty()) patterns.push_back(SubstringPattern(token));
    }
}

unsigned int ReadUpperValue(HKEY hKey, const char* pValueName, unsigned int size,
                            CaseInsensitiveString& text) {
    std::unique_ptr<char[]> buffer(new char[size + 1]);
    DWORD length = size;
    DWORD type = 0;
    if (RegQueryValueExA(hKey, pValueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.get()), &length) !=
        ERROR_SUCCESS)
        return 0;
    // A value stored without its end still reads as text.
    buffer[length] = '\0';
    CharUpperA(buffer.get());
    text = buffer.get();
    return 1;
}
