#include "CComRegistrar.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "AnsiText.h"
#include "platform/advapi32/registry_key.h"

namespace {

// What a script that cannot be read gives.
constexpr HRESULT kBadScript = E_FAIL;

enum class KeyAction { Normal, NoRemove, ForceRemove, Delete };

struct ScriptValue {
    std::string name;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;
};

struct ScriptKey {
    std::string name;
    KeyAction action = KeyAction::Normal;
    std::optional<ScriptValue> defaultValue;
    std::vector<ScriptValue> values;
    std::vector<ScriptKey> subkeys;
};

struct ScriptRoot {
    HKEY root = nullptr;
    ScriptKey key;  // the root's own block: its values and subkeys
};

struct Token {
    std::string text;
    bool quoted = false;

    bool Is(const char* word) const { return !quoted && lstrcmpiA(text.c_str(), word) == 0; }
};

bool IsBlank(char character) {
    return character == ' ' || character == '\t' || character == '\r' || character == '\n' || character == '\0';
}

using Lookup = std::function<std::optional<std::string>(const std::string&)>;

// %NAME% replaced, %% made '%'; nullopt for an unknown name or an unclosed '%'.
std::optional<std::string> Expand(const std::string& raw, const Lookup& lookup) {
    std::string result;
    for (size_t index = 0; index < raw.size(); ++index) {
        if (raw[index] != '%') {
            result += raw[index];
            continue;
        }
        size_t end = raw.find('%', index + 1);
        if (end == std::string::npos) return std::nullopt;
        if (end == index + 1) {
            result += '%';
        } else {
            std::optional<std::string> replacement = lookup(raw.substr(index + 1, end - index - 1));
            if (!replacement) return std::nullopt;
            result += *replacement;
        }
        index = end;
    }
    return result;
}

// The script's blank-separated words and quoted texts, replacements applied; nullopt for bad text.
std::optional<std::vector<Token>> Tokenize(std::string_view text, const Lookup& lookup) {
    std::vector<Token> tokens;
    size_t position = 0;
    for (;;) {
        while (position < text.size() && IsBlank(text[position])) ++position;
        if (position >= text.size()) return tokens;
        Token token;
        std::string raw;
        token.quoted = text[position] == '\'';
        if (token.quoted) {
            ++position;
            for (;;) {
                if (position >= text.size()) return std::nullopt;
                char character = text[position++];
                if (character != '\'') {
                    raw += character;
                } else if (position < text.size() && text[position] == '\'') {
                    raw += '\'';
                    ++position;
                } else {
                    break;
                }
            }
        } else {
            while (position < text.size() && !IsBlank(text[position])) raw += text[position++];
        }
        std::optional<std::string> expanded = Expand(raw, lookup);
        if (!expanded) return std::nullopt;
        token.text = std::move(*expanded);
        tokens.push_back(std::move(token));
    }
}

std::optional<HKEY> RootNamed(const Token& token) {
    static const struct {
        const char* shortName;
        const char* longName;
        HKEY key;
    } roots[] = {
        {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKU", "HKEY_USERS", HKEY_USERS},
        {"HKPD", "HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
        {"HKCC", "HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"HKDD", "HKEY_DYN_DATA", HKEY_DYN_DATA},
    };
    for (const auto& root : roots) {
        if (token.Is(root.shortName) || token.Is(root.longName)) return root.key;
    }
    return std::nullopt;
}

std::optional<int> HexDigit(char character) {
    if (character >= '0' && character <= '9') return character - '0';
    character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    if (character >= 'a' && character <= 'f') return character - 'a' + 10;
    return std::nullopt;
}

// The data of s 'text' (with its zero), d 'number' (decimal, or hexadecimal after 0x) and b 'hex bytes'.
std::optional<ScriptValue> ValueOf(const Token& type, const Token& data) {
    ScriptValue value;
    if (type.Is("s")) {
        value.type = REG_SZ;
        value.data.assign(data.text.begin(), data.text.end());
        value.data.push_back(0);
    } else if (type.Is("d")) {
        const char* text = data.text.c_str();
        bool hex = data.text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const char* digits = hex ? text + 2 : text;
        if (!std::isxdigit(static_cast<unsigned char>(*digits))) return std::nullopt;
        char* end = nullptr;
        unsigned long long number = std::strtoull(digits, &end, hex ? 16 : 10);
        if (*end != '\0' || number > 0xFFFFFFFFull) return std::nullopt;
        DWORD dword = static_cast<DWORD>(number);
        value.type = REG_DWORD;
        value.data.resize(sizeof dword);
        std::memcpy(value.data.data(), &dword, sizeof dword);
    } else if (type.Is("b")) {
        if (data.text.size() % 2) return std::nullopt;
        value.type = REG_BINARY;
        for (size_t index = 0; index < data.text.size(); index += 2) {
            std::optional<int> high = HexDigit(data.text[index]), low = HexDigit(data.text[index + 1]);
            if (!high || !low) return std::nullopt;
            value.data.push_back(static_cast<BYTE>(*high * 16 + *low));
        }
    } else {
        return std::nullopt;
    }
    return value;
}

class Parser {
  public:
    explicit Parser(const std::vector<Token>& tokens) : m_tokens(tokens) {}

    std::optional<std::vector<ScriptRoot>> Script() {
        std::vector<ScriptRoot> roots;
        while (m_next < m_tokens.size()) {
            std::optional<HKEY> root = RootNamed(m_tokens[m_next++]);
            if (!root || !Take("{")) return std::nullopt;
            ScriptRoot entry;
            entry.root = *root;
            entry.key.action = KeyAction::NoRemove;
            if (!Block(entry.key)) return std::nullopt;
            roots.push_back(std::move(entry));
        }
        return roots;
    }

  private:
    const Token* Peek() const { return m_next < m_tokens.size() ? &m_tokens[m_next] : nullptr; }
    bool Take(const char* word) {
        const Token* token = Peek();
        if (!token || !token->Is(word)) return false;
        ++m_next;
        return true;
    }
    // A key or value name: any word but the block and assignment marks.
    const Token* Name() {
        const Token* token = Peek();
        if (!token || token->Is("{") || token->Is("}") || token->Is("=") || token->text.empty()) return nullptr;
        ++m_next;
        return token;
    }
    // "= type 'data'" after a name.
    std::optional<ScriptValue> Assignment() {
        if (!Take("=") || m_next + 1 >= m_tokens.size()) return std::nullopt;
        const Token& type = m_tokens[m_next++];
        const Token& data = m_tokens[m_next++];
        if (!data.quoted) return std::nullopt;
        return ValueOf(type, data);
    }

    // The entries after a '{', up to and with its '}'.
    bool Block(ScriptKey& key) {
        while (!Take("}")) {
            if (!Peek()) return false;
            if (Take("val")) {
                const Token* name = Name();
                if (!name) return false;
                std::optional<ScriptValue> value = Assignment();
                if (!value) return false;
                value->name = name->text;
                key.values.push_back(std::move(*value));
                continue;
            }
            ScriptKey subkey;
            if (Take("NoRemove")) {
                subkey.action = KeyAction::NoRemove;
            } else if (Take("ForceRemove")) {
                subkey.action = KeyAction::ForceRemove;
            } else if (Take("Delete")) {
                subkey.action = KeyAction::Delete;
            }
            const Token* name = Name();
            if (!name) return false;
            subkey.name = name->text;
            if (Peek() && Peek()->Is("=")) {
                subkey.defaultValue = Assignment();
                if (!subkey.defaultValue) return false;
            }
            if (Take("{") && !Block(subkey)) return false;
            key.subkeys.push_back(std::move(subkey));
        }
        return true;
    }

    const std::vector<Token>& m_tokens;
    size_t m_next = 0;
};

bool HasSubkeys(HKEY key) {
    DWORD subkeys = 0;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys > 0;
}

HRESULT FromError(LONG error) {
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(error));
}

LONG SetValue(HKEY key, const char* name, const ScriptValue& value) {
    return RegSetValueExA(key, name, 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
}

HRESULT RegisterKey(HKEY parent, const ScriptKey& entry);

HRESULT RegisterContents(HKEY key, const ScriptKey& entry) {
    if (entry.defaultValue) {
        if (LONG error = SetValue(key, nullptr, *entry.defaultValue)) return FromError(error);
    }
    for (const ScriptValue& value : entry.values) {
        if (LONG error = SetValue(key, value.name.c_str(), value)) return FromError(error);
    }
    for (const ScriptKey& subkey : entry.subkeys) {
        if (HRESULT hr = RegisterKey(key, subkey); FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT RegisterKey(HKEY parent, const ScriptKey& entry) {
    if (entry.action == KeyAction::Delete || entry.action == KeyAction::ForceRemove) {
        LONG error = platform::RegistryKey::DeleteTree(parent, entry.name);
        if (error && error != ERROR_FILE_NOT_FOUND) return FromError(error);
        if (entry.action == KeyAction::Delete) return S_OK;
    }
    platform::RegistryKey key;
    if (LONG error = key.Create(parent, entry.name)) return FromError(error);
    return RegisterContents(key.handle(), entry);
}

// Unregistration goes on past failures, so that as much as possible is removed; the first failure is
// the result. Keys and values that are already gone are not failures.
HRESULT UnregisterKey(HKEY parent, const ScriptKey& entry);

HRESULT UnregisterContents(HKEY key, const ScriptKey& entry) {
    HRESULT result = S_OK;
    for (const ScriptKey& subkey : entry.subkeys) {
        HRESULT hr = UnregisterKey(key, subkey);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    if (entry.action == KeyAction::NoRemove) {
        for (const ScriptValue& value : entry.values) {
            LONG error = RegDeleteValueA(key, value.name.c_str());
            if (error && error != ERROR_FILE_NOT_FOUND && SUCCEEDED(result)) result = FromError(error);
        }
    }
    return result;
}

HRESULT UnregisterKey(HKEY parent, const ScriptKey& entry) {
    if (entry.action == KeyAction::Delete) return S_OK;
    if (entry.action == KeyAction::ForceRemove) {
        LONG error = platform::RegistryKey::DeleteTree(parent, entry.name);
        return error == ERROR_FILE_NOT_FOUND ? S_OK : FromError(error);
    }
    HRESULT result = S_OK;
    bool keep = true;
    {
        platform::RegistryKey key;
        LONG error = key.Open(parent, entry.name, KEY_ALL_ACCESS);
        if (error == ERROR_FILE_NOT_FOUND) return S_OK;
        if (error) return FromError(error);
        result = UnregisterContents(key.handle(), entry);
        keep = entry.action == KeyAction::NoRemove || HasSubkeys(key.handle());
    }
    if (!keep) {
        LONG error = RegDeleteKeyA(parent, entry.name.c_str());
        if (error && error != ERROR_FILE_NOT_FOUND && SUCCEEDED(result)) result = FromError(error);
    }
    return result;
}

HRESULT Apply(const std::vector<ScriptRoot>& roots, bool bRegister) {
    HRESULT result = S_OK;
    for (const ScriptRoot& root : roots) {
        HRESULT hr = bRegister ? RegisterContents(root.root, root.key) : UnregisterContents(root.root, root.key);
        if (FAILED(hr)) {
            if (bRegister) return hr;
            if (SUCCEEDED(result)) result = hr;
        }
    }
    return result;
}

// Resource text: ANSI, or UTF-16 after a byte-order mark; a terminating zero ends it.
std::string ScriptText(const BYTE* data, DWORD size) {
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        std::u16string wide((size - 2) / 2, u'\0');
        std::memcpy(wide.data(), data + 2, wide.size() * sizeof(char16_t));
        wide.resize(std::u16string_view(wide.c_str()).size());
        return framework::AnsiFromWide(wide);
    }
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str()));
    return text;
}

}  // namespace

bool CComRegistrar::NoCaseLess::operator()(const std::string& left, const std::string& right) const {
    return lstrcmpiA(left.c_str(), right.c_str()) < 0;
}

HRESULT CComRegistrar::AddReplacement(LPCOLESTR key, LPCOLESTR item) {
    if (!key || !item) return E_INVALIDARG;
    m_replacements[framework::AnsiFromWide(key)] = framework::AnsiFromWide(item);
    return S_OK;
}

HRESULT CComRegistrar::AddReplacement(LPCSTR key, LPCSTR item) {
    if (!key || !item) return E_INVALIDARG;
    m_replacements[key] = item;
    return S_OK;
}

HRESULT CComRegistrar::ClearReplacements() {
    m_replacements.clear();
    return S_OK;
}

HRESULT CComRegistrar::StringRegister(LPCOLESTR data) {
    if (!data) return E_INVALIDARG;
    return ApplyScript(framework::AnsiFromWide(data), true);
}

HRESULT CComRegistrar::StringUnregister(LPCOLESTR data) {
    if (!data) return E_INVALIDARG;
    return ApplyScript(framework::AnsiFromWide(data), false);
}

HRESULT CComRegistrar::ResourceRegister(HINSTANCE hInstance, UINT nID, LPCSTR szType) {
    return ApplyResource(hInstance, nID, szType, true);
}

HRESULT CComRegistrar::ResourceUnregister(HINSTANCE hInstance, UINT nID, LPCSTR szType) {
    return ApplyResource(hInstance, nID, szType, false);
}

HRESULT CComRegistrar::ApplyResource(HINSTANCE hInstance, UINT nID, LPCSTR szType, bool bRegister) {
    HRSRC resource = FindResourceA(hInstance, MAKEINTRESOURCEA(nID), szType);
    if (!resource) return HRESULT_FROM_WIN32(GetLastError());
    HGLOBAL loaded = LoadResource(hInstance, resource);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data) return HRESULT_FROM_WIN32(GetLastError());
    return ApplyScript(ScriptText(data, SizeofResource(hInstance, resource)), bRegister);
}

HRESULT CComRegistrar::ApplyScript(std::string_view script, bool bRegister) {
    Lookup lookup = [this](const std::string& name) -> std::optional<std::string> {
        auto found = m_replacements.find(name);
        if (found == m_replacements.end()) return std::nullopt;
        return found->second;
    };
    std::optional<std::vector<Token>> tokens = Tokenize(script, lookup);
    if (!tokens) return kBadScript;
    std::optional<std::vector<ScriptRoot>> roots = Parser(*tokens).Script();
    if (!roots) return kBadScript;
    HRESULT hr = Apply(*roots, bRegister);
    // A registration that failed part-way leaves nothing of itself behind.
    if (FAILED(hr) && bRegister) Apply(*roots, false);
    return hr;
}
