// GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA over the version information of the
// machine's files (version_block.h).
//
// The buffer GetFileVersionInfoA fills holds the VS_VERSIONINFO block, padded to 4 bytes, then the mark
// "FE2X" and room for the ANSI forms of the block's texts: a text stored at offset o of the block is
// converted to offset o / 2 of that room, so the forms of different texts never overlap. Without the
// room (a buffer smaller than the size asked for) texts cannot be handed out.
#include <cstring>
#include <string>
#include <vector>

#include "platform/machine/text.h"
#include "platform/version/version_block.h"
#include "winver.h"

namespace platform {

namespace {

constexpr char kConversionMark[4] = {'F', 'E', '2', 'X'};

size_t Aligned(size_t offset) {
    return (offset + 3) / 4 * 4;
}

std::uint16_t ReadWord(const BYTE* bytes, size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

DWORD BufferSizeFor(const VersionBlock& block) {
    return static_cast<DWORD>(2 * Aligned(block.size()) + sizeof kConversionMark);
}

// One node of a block: where it starts and ends, its key, and its value.
struct VersionNode {
    size_t start = 0;
    size_t end = 0;
    std::string key;
    bool isText = false;
    std::uint16_t valueLength = 0;
    size_t valueOffset = 0;
    size_t childrenOffset = 0;
};

// Reads the node at `start`, which must lie within [start, limit); nullopt for a malformed node.
std::optional<VersionNode> ReadNode(const BYTE* block, size_t start, size_t limit) {
    if (limit < start + 6) return std::nullopt;
    VersionNode node;
    node.start = start;
    std::uint16_t length = ReadWord(block, start);
    if (length < 6 || length > limit - start) return std::nullopt;
    node.end = start + length;
    node.valueLength = ReadWord(block, start + 2);
    node.isText = ReadWord(block, start + 4) == 1;
    std::u16string key;
    size_t offset = start + 6;
    for (;; offset += 2) {
        if (offset + 2 > node.end) return std::nullopt;
        char16_t character = ReadWord(block, offset);
        if (!character) break;
        key.push_back(character);
    }
    node.key = AnsiFromWide(key);
    node.valueOffset = Aligned(offset + 2);
    size_t valueBytes = node.isText ? node.valueLength * 2u : node.valueLength;
    if (node.valueOffset + valueBytes > node.end)
        valueBytes = node.valueOffset < node.end ? node.end - node.valueOffset : 0;
    node.childrenOffset = Aligned(node.valueOffset + valueBytes);
    return node;
}

std::optional<VersionNode> FindChild(const BYTE* block, const VersionNode& parent, std::string_view key) {
    for (size_t offset = parent.childrenOffset; offset < parent.end;) {
        std::optional<VersionNode> child = ReadNode(block, offset, parent.end);
        if (!child) return std::nullopt;
        if (EqualsNoCase(child->key, key)) return child;
        offset = Aligned(child->end);
    }
    return std::nullopt;
}

}  // namespace

}  // namespace platform

extern "C" DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) {
    if (lpdwHandle) *lpdwHandle = 0;
    DWORD error = 0;
    std::optional<platform::VersionBlock> block = platform::FileVersionBlock(lptstrFilename, error);
    if (!block) {
        SetLastError(error);
        return 0;
    }
    return platform::BufferSizeFor(*block);
}

// Copies as much of the block as fits, as Windows does. When the buffer cannot also hold the place of the
// conversion mark, the block's length is cut within what was copied, so that the nodes beyond it are not
// found and VerQueryValueA reads nothing past the buffer.
extern "C" BOOL WINAPI GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen,
                                           LPVOID lpData) {
    (void)dwHandle;
    if (!lpData || dwLen == 0) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    DWORD error = 0;
    std::optional<platform::VersionBlock> block = platform::FileVersionBlock(lptstrFilename, error);
    if (!block) {
        SetLastError(error);
        return FALSE;
    }
    auto* buffer = static_cast<BYTE*>(lpData);
    size_t copied = std::min<size_t>(dwLen, block->size());
    std::memcpy(buffer, block->data(), copied);
    size_t mark = platform::Aligned(block->size());
    if (dwLen < mark + sizeof platform::kConversionMark) {
        // Cut on a 4-byte boundary that leaves the place of the conversion mark inside the buffer.
        size_t length = copied >= 8 ? (copied - 4) / 4 * 4 : 0;
        if (copied >= 2) {
            buffer[0] = static_cast<BYTE>(length & 0xFF);
            buffer[1] = static_cast<BYTE>(length >> 8);
        }
        return TRUE;
    }
    // The place of the mark is always inside the buffer; the mark itself only when the room follows it.
    std::memset(buffer + copied, 0, mark + sizeof platform::kConversionMark - copied);
    if (dwLen >= platform::BufferSizeFor(*block))
        std::memcpy(buffer + mark, platform::kConversionMark, sizeof platform::kConversionMark);
    return TRUE;
}

// "\" gives the VS_FIXEDFILEINFO, "\VarFileInfo\Translation" the language and code-page pairs, and
// "\StringFileInfo\<table>\<name>" a text in ANSI with its length in characters. Keys are matched
// without regard to case; a block has an empty value.
extern "C" BOOL WINAPI VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen) {
    if (!pBlock || !lpSubBlock || !lplpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* block = static_cast<BYTE*>(const_cast<void*>(pBlock));
    std::optional<platform::VersionNode> node = platform::ReadNode(block, 0, platform::ReadWord(block, 0));
    std::string_view path = lpSubBlock;
    while (node && !path.empty()) {
        size_t end = path.find('\\');
        std::string_view key = path.substr(0, end);
        path = end == std::string_view::npos ? std::string_view() : path.substr(end + 1);
        if (!key.empty()) node = platform::FindChild(block, *node, key);
    }
    if (!node) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    if (!node->isText || node->valueLength == 0) {
        *lplpBuffer = block + node->valueOffset;
        if (puLen) *puLen = node->valueLength;
        return TRUE;
    }
    size_t rootLength = platform::ReadWord(block, 0);
    size_t mark = platform::Aligned(rootLength);
    if (std::memcmp(block + mark, platform::kConversionMark, sizeof platform::kConversionMark) != 0) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    std::u16string text;
    for (size_t offset = node->valueOffset; offset + 2 <= node->end && text.size() < node->valueLength;
         offset += 2) {
        char16_t character = platform::ReadWord(block, offset);
        if (!character) break;
        text.push_back(character);
    }
    std::string ansi = platform::AnsiFromWide(text);
    auto* converted =
        reinterpret_cast<char*>(block + mark + sizeof platform::kConversionMark + node->valueOffset / 2);
    std::memcpy(converted, ansi.c_str(), ansi.size() + 1);
    *lplpBuffer = converted;
    if (puLen) *puLen = node->valueLength;
    return TRUE;
}
