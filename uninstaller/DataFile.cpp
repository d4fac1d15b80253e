#include "DataFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "IniLookup.h"
#include "Trace.h"
#include "UninstallerGlobals.h"
#include "windows.h"

namespace {

constexpr char LOAD_LIST_FAILED[] = "LoadStringListFromValue(%s,%s) failed\n";
constexpr char LIST_ALLOCATION_STEP[] = "pResult = new TChar[size]";
constexpr char LIST_SEPARATORS[] = ",\t\n";
constexpr char BLANKS[] = " \t\r\n";
constexpr unsigned int FIRST_VALUE_SIZE = 64;
constexpr unsigned int TIMEOUT_SIZE = 32;

}  // namespace

CaseInsensitiveString Trimmed(const CaseInsensitiveString& text) {
    CaseInsensitiveString::size_type first = text.find_first_not_of(BLANKS);
    if (first == CaseInsensitiveString::npos) return CaseInsensitiveString();
    CaseInsensitiveString::size_type last = text.find_last_not_of(BLANKS);
    return text.substr(first, last - first + 1);
}

CaseInsensitiveString TrimmedUpper(const CaseInsensitiveString& text) {
    CaseInsensitiveString keyword = Trimmed(text);
    CharUpperA(keyword.data());
    return keyword;
}

CaseInsensitiveString TrimmedLower(const CaseInsensitiveString& text) {
    CaseInsensitiveString item = Trimmed(text);
    CharLowerA(item.data());
    return item;
}

long ReadTimeout(const char* pSectionName) {
    char timeout[TIMEOUT_SIZE] = "";
    if (!GetValueByQualifier(gDATFileName.c_str(), SCRUBBER_SECTION, pSectionName, TIMEOUT_KEY, timeout,
                             TIMEOUT_SIZE))
        return 0;
    return std::strtol(timeout, nullptr, 10);
}

CaseInsensitiveString RevisionKey(int revision) {
    char key[32];
    std::snprintf(key, sizeof key, "REVISION%d", revision);
    return key;
}

unsigned int LoadStringListFromValue(const char* pSection, const char* pKey,
                                     CaseInsensitiveStringList& list) {
    // The value's length is not known beforehand: the buffer doubles until the value fits with room to
    // spare, which shows it was not cut.
    unsigned int size = FIRST_VALUE_SIZE;
    for (;;) {
        std::unique_ptr<char[]> pResult(new (std::nothrow) char[size]);
        if (!pResult) {
            TraceFailed(LIST_ALLOCATION_STEP);
            return 0;
        }
        if (!GetValueBySPAndOS(gDATFileName.c_str(), pSection, pKey, pResult.get(), size)) {
            std::printf(LOAD_LIST_FAILED, pSection, pKey);
            return 0;
        }
        if (std::strlen(pResult.get()) < size - 1) {
            return ConvertValueToStringList(pResult.get(), list, LIST_SEPARATORS);
        }
        size *= 2;
    }
}

unsigned int LoadKeywordList(const char* pSection, const char* pKey, CaseInsensitiveStringList& keywords) {
    CaseInsensitiveStringList entries;
    unsigned int result = LoadStringListFromValue(pSection, pKey, entries);
    for (const CaseInsensitiveString& entry : entries) {
        CaseInsensitiveString keyword = TrimmedUpper(entry);
        if (!keyword.empty()) keywords.push_back(keyword);
    }
    return result;
}

void LoadRevisionKeywords() {
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
        CaseInsensitiveStringList keywords;
        LoadKeywordList(SCRUBBER_SECTION, RevisionKey(revision).c_str(), keywords);
        // A revision without keywords gets no entry in the map.
        if (!keywords.empty())
            gRevisionKeywords[revision].splice(gRevisionKeywords[revision].end(), keywords);
    }
}
