#include "CFilter.h"

#include "IniLookup.h"

namespace {

constexpr char TOKEN_SEPARATORS[] = ",\t\n";

}  // namespace

CFilter::~CFilter() = default;

unsigned int CFilter::Match(const CaseInsensitiveString& text) {
    return MatchPatternList(text, m_patterns);
}

void CFilter::SetPatterns(const CaseInsensitiveStringList& items) {
    m_patterns.clear();
    AddItemPatterns(items);
}

void CFilter::AddItemPatterns(const CaseInsensitiveStringList& items) {
    for (const CaseInsensitiveString& item : items) {
        Pattern tokens;
        ConvertValueToStringList(item.c_str(), tokens, TOKEN_SEPARATORS);
        AddPattern(tokens);
    }
}

void CFilter::AddPattern(const Pattern& tokens) {
    if (!tokens.empty()) m_patterns.push_back(tokens);
}

unsigned int CFilter::MatchPattern(const CaseInsensitiveString& text, const Pattern& tokens) {
    if (tokens.size() == 1) return text == tokens.front() ? 1 : 0;
    CaseInsensitiveString::size_type position = 0;
    for (const CaseInsensitiveString& token : tokens) {
        if (token.empty()) continue;
        CaseInsensitiveString::size_type found = text.find(token, position);
        if (found == CaseInsensitiveString::npos) return 0;
        position = found + token.size();
    }
    return 1;
}

unsigned int CFilter::MatchPatternList(const CaseInsensitiveString& text, const PatternList& patterns) {
    for (const Pattern& tokens : patterns) {
        if (MatchPattern(text, tokens)) return 1;
    }
    return 0;
}
