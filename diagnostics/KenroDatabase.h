// The diagnostics database file (kenrdb07.sdb, INI syntax) as every object of the server reads and writes
// it: through the profile functions only, one call per access, with the file's name asked of the root
// object at that moment, so nothing is cached and every write reaches the file at once.
//
// A reader whose owner cannot name the file reads nothing and keeps its defaults; a writer then writes
// nothing and returns the owner's failure.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kenrim07.h"

namespace diagnostics {

class KenroDatabase {
  public:
    // One entry of a numbered list: its number and its value.
    struct ListItem {
        int number;
        std::string value;
    };

    // owner is the root object, held without a reference; null reads and writes nothing.
    explicit KenroDatabase(DIQNAiOKenro* owner) : m_owner(owner) {}

    // The file's name from the owner's DatabaseName: S_OK, or the owner's failure (E_FAIL without owner).
    HRESULT FileName(std::string& fileName) const;

    // A present value: one that is neither the default "NotFound" nor empty. Values are read into a
    // buffer of 0x7FFF characters, so a longer one comes back cut by the profile function.
    std::optional<std::string> ReadString(const char* section, const char* key) const;
    int ReadInteger(const char* section, const char* key, int defaultValue = 0) const;
    // The list whose keys are keyFormat (one %d) with 1, 2, ...: it ends at the first missing key (whose
    // value reads as "NotFound"); a key present with an empty value is skipped.
    std::vector<ListItem> ReadList(const char* section, const char* keyFormat) const;

    // S_OK; E_FAIL when the profile function fails; the owner's failure when the file has no name.
    HRESULT WriteString(const char* section, const char* key, const char* value) const;
    // The value as decimal text ("%d").
    HRESULT WriteInteger(const char* section, const char* key, int value) const;
    HRESULT DeleteSection(const char* section) const;

  private:
    DIQNAiOKenro* m_owner;
};

}  // namespace diagnostics
