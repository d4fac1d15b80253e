#include "KenroDatabase.h"

#include <cstdio>
#include <memory>

#include "AnsiText.h"
#include "BstrHolder.h"
#include "HeaderConstants.h"
#include "windows.h"

namespace diagnostics {

namespace {

// The size of the buffer every string value is read into.
constexpr DWORD kValueBufferSize = 0x7FFF;

}  // namespace

HRESULT KenroDatabase::FileName(std::string& fileName) const {
    if (!m_owner) return E_FAIL;
    BstrHolder name;
    HRESULT hr = m_owner->get_DatabaseName(&name);
    if (FAILED(hr)) return hr;
    fileName = framework::AnsiFromWide(name.m_str);
    return S_OK;
}

std::optional<std::string> KenroDatabase::ReadString(const char* section, const char* key) const {
    std::string fileName;
    if (FAILED(FileName(fileName))) return std::nullopt;
    auto buffer = std::make_unique<char[]>(kValueBufferSize);
    DWORD length =
        GetPrivateProfileStringA(section, key, kNotFound, buffer.get(), kValueBufferSize, fileName.c_str());
    std::string value(buffer.get(), length);
    if (value.empty() || value == kNotFound) return std::nullopt;
    return value;
}

int KenroDatabase::ReadInteger(const char* section, const char* key, int defaultValue) const {
    std::string fileName;
    if (FAILED(FileName(fileName))) return defaultValue;
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, fileName.c_str()));
}

std::vector<KenroDatabase::ListItem> KenroDatabase::ReadList(const char* section,
                                                             const char* keyFormat) const {
    std::vector<ListItem> items;
    std::string fileName;
    if (FAILED(FileName(fileName))) return items;
    auto buffer = std::make_unique<char[]>(kValueBufferSize);
    for (int number = 1;; ++number) {
        char key[512];
        std::snprintf(key, sizeof key, keyFormat, number);
        DWORD length = GetPrivateProfileStringA(section, key, kNotFound, buffer.get(), kValueBufferSize,
                                                fileName.c_str());
        std::string value(buffer.get(), length);
        if (value == kNotFound) break;
        if (!value.empty()) items.push_back({number, std::move(value)});
    }
    return items;
}

HRESULT KenroDatabase::WriteString(const char* section, const char* key, const char* value) const {
    std::string fileName;
    HRESULT hr = FileName(fileName);
    if (FAILED(hr)) return hr;
    return WritePrivateProfileStringA(section, key, value, fileName.c_str()) ? S_OK : E_FAIL;
}

HRESULT KenroDatabase::WriteInteger(const char* section, const char* key, int value) const {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return WriteString(section, key, text);
}

HRESULT KenroDatabase::DeleteSection(const char* section) const {
    return WriteString(section, nullptr, nullptr);
}

}  // namespace diagnostics
