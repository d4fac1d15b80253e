// LoadStringA over the modules' RT_STRING resources: a string table is stored in blocks of 16 strings,
// whose layout resource_formats.h describes.
#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/kernel32/module_resources.h"
#include "platform/machine/text.h"
#include "platform/resource_formats/resource_formats.h"
#include "platform/user32/module_resources.h"

namespace platform {

namespace {

using resources::DecodeStringBlock;
using resources::kStringsPerBlock;
using resources::StringBlock;

LPCSTR BlockName(UINT id) {
    return MAKEINTRESOURCE(id / kStringsPerBlock + 1);
}

// The block holding `id` in the module, as FindResourceA chooses it; empty when there is none.
std::optional<StringBlock> FindBlock(HINSTANCE module, UINT id) {
    HRSRC found = FindResourceA(module, BlockName(id), RT_STRING);
    if (!found) return std::nullopt;
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    if (!data) return std::nullopt;
    return DecodeStringBlock({data, SizeofResource(module, found)});
}

}  // namespace

void RegisterStringTable(HINSTANCE module, std::initializer_list<StringResource> strings) {
    std::map<UINT, StringBlock> blocks;
    for (const StringResource& string : strings) {
        UINT number = string.id / kStringsPerBlock;
        if (!blocks.count(number)) {
            HRSRC found = FindResourceExA(module, RT_STRING, BlockName(string.id), 0);
            const auto* data = found ? static_cast<const BYTE*>(LoadResource(module, found)) : nullptr;
            blocks[number] = data ? DecodeStringBlock({data, SizeofResource(module, found)}) : StringBlock{};
        }
        blocks[number][string.id % kStringsPerBlock] = WideFromAnsi(string.text);
    }
    for (const auto& [number, block] : blocks) {
        resources::Bytes bytes = resources::EncodeStringBlock(block);
        ModuleResource resource{RT_STRING, MAKEINTRESOURCE(number + 1), 0, bytes.data(),
                                static_cast<DWORD>(bytes.size())};
        RegisterModuleResources(module, std::span<const ModuleResource>(&resource, 1));
    }
}

}  // namespace platform

// Copies at most cchBufferMax - 1 characters and a terminator, converted to Windows-1252, and returns the
// number copied. A string that is absent (no block, or count 0 in its block) gives 0 and an empty buffer.
extern "C" int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    lpBuffer[0] = '\0';
    std::optional<platform::StringBlock> block = platform::FindBlock(hInstance, uID);
    if (!block) return 0;
    const std::u16string& wide = (*block)[uID % platform::kStringsPerBlock];
    if (wide.empty()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    std::string text = platform::AnsiFromWide(wide);
    size_t count = std::min(text.size(), static_cast<size_t>(cchBufferMax - 1));
    std::memcpy(lpBuffer, text.data(), count);
    lpBuffer[count] = '\0';
    return static_cast<int>(count);
}
