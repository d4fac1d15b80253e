// The binary forms of resources as Windows stores them in a module: string-table blocks, dialog templates
// (DLGTEMPLATE and DLGTEMPLATEEX), version information (VS_VERSIONINFO), bitmaps and icon groups. The
// resource compiler writes them; the libraries that read a module's resources share the string blocks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform::resources {

using Bytes = std::vector<std::uint8_t>;

// A name or type: an integer id, or a name (upper case for resource names and types).
struct NameOrId {
    std::optional<std::uint16_t> id;
    std::string name;  // Windows-1252

    static NameOrId Id(std::uint16_t value) { return {value, {}}; }
    static NameOrId Name(std::string value) { return {std::nullopt, std::move(value)}; }
    bool operator==(const NameOrId&) const = default;
};

// A string table is stored in blocks of 16 strings: block number n + 1 holds ids 16n to 16n + 15; each
// entry is a 16-bit count and that many UTF-16 characters, absent strings count 0.
constexpr unsigned kStringsPerBlock = 16;
using StringBlock = std::array<std::u16string, kStringsPerBlock>;

Bytes EncodeStringBlock(const StringBlock& strings);
// The same block from Windows-1252 texts.
Bytes EncodeStringBlock(const std::array<std::string, kStringsPerBlock>& strings);
// Reads a block; a block cut short leaves its remaining strings empty.
StringBlock DecodeStringBlock(std::span<const std::uint8_t> bytes);

struct DialogItem {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t helpId = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t id = 0;
    NameOrId className;  // an id is one of the predefined class atoms (0x80 to 0x85)
    NameOrId text;
};

struct Dialog {
    bool extended = false;  // DIALOGEX
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t helpId = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::optional<NameOrId> menu;
    std::optional<NameOrId> className;
    std::string caption;
    std::uint16_t pointSize = 0;  // written with DS_SETFONT
    std::string fontName;
    std::uint16_t fontWeight = 0;
    std::uint8_t fontItalic = 0;
    std::uint8_t fontCharset = 1;
    std::vector<DialogItem> items;
};

Bytes EncodeDialog(const Dialog& dialog);

// A node of the version information tree: a block (StringFileInfo, a string table, VarFileInfo) or a
// value, which is text or a run of 16- and 32-bit numbers.
struct VersionNode {
    std::string key;
    bool isBlock = false;
    bool isText = false;
    std::string text;
    Bytes binary;
    std::vector<VersionNode> children;
};

struct FixedFileInfo {
    std::uint32_t fileVersionMS = 0, fileVersionLS = 0, productVersionMS = 0, productVersionLS = 0;
    std::uint32_t fileFlagsMask = 0, fileFlags = 0, fileOS = 0, fileType = 0, fileSubtype = 0;
};

Bytes EncodeVersionInfo(const FixedFileInfo& fixed, const std::vector<VersionNode>& blocks);

// A bitmap resource is the file without its 14-byte BITMAPFILEHEADER; nullopt when not a .bmp file.
std::optional<Bytes> BitmapResource(const Bytes& file);

// An .ico file split as Windows stores it: each image as an RT_ICON resource numbered from `firstId`,
// and the RT_GROUP_ICON directory naming them. nullopt when not an icon file.
struct IconResources {
    std::vector<Bytes> images;
    Bytes group;
};
std::optional<IconResources> SplitIconFile(const Bytes& file, std::uint16_t firstId);

}  // namespace platform::resources
