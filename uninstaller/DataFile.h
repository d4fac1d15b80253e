// The uninstaller's data file (gDATFileName): the names of its sections and keys, and the two readers
// every uninstaller shares.
#pragma once

#include "CaseInsensitiveString.h"

inline constexpr char VERSION_SECTION[] = "Version";
inline constexpr char SCRUBBER_SECTION[] = "Scrubber";

// [Version]
inline constexpr char DIVISION_KEY[] = "DIVISION";
inline constexpr char VCD_FILEVER_KEY[] = "VCD_FILEVER";
inline constexpr char ICE_REV_KEY[] = "ICE_REV";
inline constexpr char FIRST_IO_REVISION_KEY[] = "FIRST_IO_REVISION";
inline constexpr char LAST_IO_REVISION_KEY[] = "LAST_IO_REVISION";
inline constexpr char FIRST_CA_REVISION_KEY[] = "FIRST_CA_REVISION";
inline constexpr char LAST_CA_REVISION_KEY[] = "LAST_CA_REVISION";
inline constexpr char PRODUCT_SERIES_KEY[] = "ProductSeries";
inline constexpr char MANUFACTURER_KEY[] = "Manufacturer";

// [Scrubber] and [Scrubber.<uninstaller>]
inline constexpr char ENABLED_KEY[] = "enabled";
inline constexpr char TIMEOUT_KEY[] = "timeout";
inline constexpr char VERSIONED_FILE_KEY[] = "VersionedFile";

// The key of the keywords of revision n: "REVISION" and n in decimal ("REVISION7").
CaseInsensitiveString RevisionKey(int revision);

// Reads `pKey` of `pSection` (per Windows version and service pack) from the data file and appends its
// items, split at ",", tab and line feed, to `list`. Non-zero on success; 0 when the value is missing.
unsigned int LoadStringListFromValue(const char* pSection, const char* pKey, CaseInsensitiveStringList& list);

// The text without its leading and trailing blanks (blanks, tabs and line ends).
CaseInsensitiveString Trimmed(const CaseInsensitiveString& text);

// The text without its leading and trailing blanks, in upper case (letters of the code page included).
CaseInsensitiveString TrimmedUpper(const CaseInsensitiveString& text);

// The text without its leading and trailing blanks, in lower case (letters of the code page included).
CaseInsensitiveString TrimmedLower(const CaseInsensitiveString& text);

// "timeout" of [Scrubber.<name>], else [Scrubber]: milliseconds, as the decimal number it begins with;
// 0 when it is missing.
long ReadTimeout(const char* pSectionName);

// LoadStringListFromValue for keywords: each item trimmed and upper case; items empty after trimming are
// left out, since an empty keyword would be found in every text.
unsigned int LoadKeywordList(const char* pSection, const char* pKey, CaseInsensitiveStringList& keywords);

// Fills gRevisionKeywords from [Scrubber] REVISION<n> for every n from FIRST_IO_REVISION to
// LAST_IO_REVISION with LoadKeywordList.
void LoadRevisionKeywords();
