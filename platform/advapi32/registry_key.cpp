#include "platform/advapi32/registry_key.h"

#include <cstring>

namespace platform {

LONG RegistryKey::Open(HKEY root, const std::string& path, REGSAM access) {
    Close();
    return RegOpenKeyExA(root, path.c_str(), 0, access, &key_);
}

LONG RegistryKey::Create(HKEY root, const std::string& path) {
    Close();
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
}

void RegistryKey::Close() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
}

std::optional<std::string> RegistryKey::Data(const char* name, DWORD& type) const {
    DWORD size = 0;
    if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::string data(size, '\0');
    if (RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

std::optional<std::string> RegistryKey::String(const char* name) const {
    DWORD type = 0;
    std::optional<std::string> text = Data(name, type);
    if (!text || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    if (std::size_t end = text->find('\0'); end != std::string::npos) text->resize(end);
    return text;
}

std::optional<DWORD> RegistryKey::Dword(const char* name) const {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
}

std::optional<std::vector<std::string>> RegistryKey::Strings(const char* name) const {
    DWORD type = 0;
    std::optional<std::string> data = Data(name, type);
    if (!data || type != REG_MULTI_SZ) return std::nullopt;
    std::vector<std::string> texts;
    std::size_t start = 0;
    while (start < data->size() && (*data)[start] != '\0') {
        std::size_t end = data->find('\0', start);
        if (end == std::string::npos) end = data->size();
        texts.push_back(data->substr(start, end - start));
        start = end + 1;
    }
    return texts;
}

std::vector<std::string> RegistryKey::Subkeys() const {
    std::vector<std::string> names;
    char name[MAX_PATH];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

LONG RegistryKey::SetString(const char* name, const char* text) {
    if (!text) {
        LONG result = RegDeleteValueA(key_, name);
        return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    }
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1));
}

LONG RegistryKey::SetDword(const char* name, DWORD value) {
    return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG RegistryKey::SetStrings(const char* name, const std::vector<std::string>& texts) {
    std::string data;
    for (const std::string& text : texts) {
        data += text;
        data.push_back('\0');
    }
    data.push_back('\0');
    return RegSetValueExA(key_, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

LONG RegistryKey::DeleteTree(HKEY parent, const std::string& path) {
    {
        RegistryKey key;
        if (LONG error = key.Open(parent, path, KEY_ALL_ACCESS)) return error;
        // The first subkey each time: the list shrinks as they go.
        for (;;) {
            char name[MAX_PATH];
            DWORD length = sizeof name;
            LONG error = RegEnumKeyExA(key.handle(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (error == ERROR_NO_MORE_ITEMS) break;
            if (error) return error;
            if ((error = DeleteTree(key.handle(), std::string(name, length)))) return error;
        }
    }
    return RegDeleteKeyA(parent, path.c_str());
}

}  // namespace platform
