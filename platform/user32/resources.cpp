// LoadStringA over the string tables the modules of the process registered.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/user32/module_resources.h"

namespace platform {

namespace {

class StringTables {
  public:
    std::mutex mutex;
    // Keyed by module; the null module is the program's own.
    std::map<HINSTANCE, std::map<UINT, std::string>> tables;
};

// Never destroyed, and built on first use: programs register from their static initialisers.
StringTables& Tables() {
    static StringTables* tables = new StringTables;
    return *tables;
}

}  // namespace

void RegisterStringTable(HINSTANCE module, std::initializer_list<StringResource> strings) {
    StringTables& tables = Tables();
    std::lock_guard<std::mutex> lock(tables.mutex);
    std::map<UINT, std::string>& table = tables.tables[module];
    for (const StringResource& string : strings) table[string.id] = std::string(string.text);
}

}  // namespace platform

// A module without a string table of its own (null, or a handle nothing registered) is the program.
extern "C" int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    platform::StringTables& tables = platform::Tables();
    std::lock_guard<std::mutex> lock(tables.mutex);
    auto table = tables.tables.find(hInstance);
    if (table == tables.tables.end()) table = tables.tables.find(nullptr);
    const std::string* text = nullptr;
    if (table != tables.tables.end()) {
        auto found = table->second.find(uID);
        if (found != table->second.end()) text = &found->second;
    }
    if (!text) {
        lpBuffer[0] = '\0';
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    size_t count = std::min(text->size(), static_cast<size_t>(cchBufferMax - 1));
    std::memcpy(lpBuffer, text->data(), count);
    lpBuffer[count] = '\0';
    return static_cast<int>(count);
}
