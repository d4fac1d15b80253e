// A name filter: a list of patterns, each a list of tokens. The monitor and port uninstallers select
// their objects with one, and the registry filters derive from it.
#pragma once

#include <list>

#include "CaseInsensitiveString.h"

class CFilter {
  public:
    // One pattern: its tokens, compared without regard to letter case.
    typedef CaseInsensitiveStringList Pattern;
    typedef std::list<Pattern> PatternList;

    CFilter() = default;
    virtual ~CFilter();
    // 1 when any of the filter's patterns matches the text, else 0.
    virtual unsigned int Match(const CaseInsensitiveString& text);

    // Replaces the patterns with one per item: the item's tokens, split at ",\t\n". An item made only of
    // separators has no tokens and adds no pattern, so a stray item never selects every text.
    void SetPatterns(const CaseInsensitiveStringList& items);
    // The same patterns appended after those the filter has.
    void AddItemPatterns(const CaseInsensitiveStringList& items);
    // Appends one pattern; a pattern without tokens is not added.
    void AddPattern(const Pattern& tokens);
    const PatternList& GetPatterns() const { return m_patterns; }

    // 1 when the pattern matches the text. One token: the whole text equals it. Several tokens: the
    // non-empty ones occur in the text in their order, each found after the end of the one before.
    // No tokens: every text.
    static unsigned int MatchPattern(const CaseInsensitiveString& text, const Pattern& tokens);
    // 1 when any pattern of the list matches, tried in list order.
    static unsigned int MatchPatternList(const CaseInsensitiveString& text, const PatternList& patterns);

  protected:
    PatternList m_patterns;
};
