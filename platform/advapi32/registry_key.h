// An open registry key, closed with the object, with the reads and writes of values the platform's
// libraries share. Written over the Reg* calls, so any platform library that links advapi32 can use it;
// it sees the registry exactly as a program does (roots, rights, faults).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "windows.h"

namespace platform {

class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Each gives the Reg* call's error; an open key is closed first.
    LONG Open(HKEY root, const std::string& path, REGSAM access = KEY_READ);
    LONG Create(HKEY root, const std::string& path);
    void Close();
    HKEY handle() const { return key_; }

    // A null name reads the key's default value. Nothing when the value is missing or of another type.
    // REG_SZ or REG_EXPAND_SZ (not expanded), up to its first zero.
    std::optional<std::string> String(const char* name) const;
    std::optional<DWORD> Dword(const char* name) const;
    // The strings of a REG_MULTI_SZ value.
    std::optional<std::vector<std::string>> Strings(const char* name) const;
    std::vector<std::string> Subkeys() const;
    // A null text deletes the value.
    LONG SetString(const char* name, const char* text);
    LONG SetDword(const char* name, DWORD value);
    LONG SetStrings(const char* name, const std::vector<std::string>& texts);

    // Deletes the key below the parent with all its subkeys (Windows NT's RegDeleteKeyA refuses a key
    // that has any). Stops at the first failure, whose error it gives; ERROR_FILE_NOT_FOUND when the
    // key is not there.
    static LONG DeleteTree(HKEY parent, const std::string& path);

  private:
    // The value's bytes as stored, and its type.
    std::optional<std::string> Data(const char* name, DWORD& type) const;

    HKEY key_ = nullptr;
};

}  // namespace platform
