#include "platform/resource_formats/resource_formats.h"

#include "platform/machine/text.h"

namespace platform::resources {

namespace {

class Writer {
  public:
    Bytes bytes;

    void Byte(std::uint8_t value) { bytes.push_back(value); }
    void Word(std::uint16_t value) {
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void Dword(std::uint32_t value) {
        Word(static_cast<std::uint16_t>(value & 0xFFFF));
        Word(static_cast<std::uint16_t>(value >> 16));
    }
    void Short(std::int16_t value) { Word(static_cast<std::uint16_t>(value)); }
    // UTF-16 with a terminating zero.
    void String(const std::string& text) {
        for (char16_t character : platform::WideFromAnsi(text)) Word(character);
        Word(0);
    }
    // A menu, class or title field: 0 for none, 0xFFFF and the id, or the name.
    void NameField(const std::optional<NameOrId>& value) {
        if (!value) return Word(0);
        if (value->id) {
            Word(0xFFFF);
            return Word(*value->id);
        }
        String(value->name);
    }
    void AlignToDword() {
        while (bytes.size() % 4) bytes.push_back(0);
    }
    void Append(const Bytes& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
    void PatchWord(size_t offset, std::uint16_t value) {
        bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
};

std::uint16_t ReadWord(const Bytes& bytes, size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}
std::uint32_t ReadDword(const Bytes& bytes, size_t offset) {
    return ReadWord(bytes, offset) | static_cast<std::uint32_t>(ReadWord(bytes, offset + 2)) << 16;
}

// One node: wLength, wValueLength, wType, the key, padding, the value, then each child on a 4-byte
// boundary. wLength covers the node up to the end of its last child, without trailing padding.
Bytes EncodeVersionNode(const std::string& key, std::uint16_t valueLength, std::uint16_t type,
                        const Bytes& value, const std::vector<Bytes>& children) {
    Writer writer;
    writer.Word(0);
    writer.Word(valueLength);
    writer.Word(type);
    writer.String(key);
    writer.AlignToDword();
    writer.Append(value);
    for (const Bytes& child : children) {
        writer.AlignToDword();
        writer.Append(child);
    }
    writer.PatchWord(0, static_cast<std::uint16_t>(writer.bytes.size()));
    return writer.bytes;
}

Bytes EncodeVersionNode(const VersionNode& node) {
    std::vector<Bytes> children;
    for (const VersionNode& child : node.children) children.push_back(EncodeVersionNode(child));
    if (node.isBlock) return EncodeVersionNode(node.key, 0, 1, {}, children);
    if (node.isText) {
        Writer value;
        value.String(node.text);
        // A text value's length counts its characters and terminator.
        return EncodeVersionNode(node.key, static_cast<std::uint16_t>(value.bytes.size() / 2), 1, value.bytes,
                                 {});
    }
    return EncodeVersionNode(node.key, static_cast<std::uint16_t>(node.binary.size()), 0, node.binary, {});
}

}  // namespace

Bytes EncodeStringBlock(const StringBlock& strings) {
    Writer writer;
    for (const std::u16string& text : strings) {
        writer.Word(static_cast<std::uint16_t>(text.size()));
        for (char16_t character : text) writer.Word(character);
    }
    return writer.bytes;
}

Bytes EncodeStringBlock(const std::array<std::string, kStringsPerBlock>& strings) {
    StringBlock wide;
    for (size_t index = 0; index < strings.size(); ++index) wide[index] = WideFromAnsi(strings[index]);
    return EncodeStringBlock(wide);
}

StringBlock DecodeStringBlock(std::span<const std::uint8_t> bytes) {
    StringBlock block;
    size_t offset = 0;
    auto word = [&bytes](size_t at) { return static_cast<char16_t>(bytes[at] | bytes[at + 1] << 8); };
    for (std::u16string& text : block) {
        if (offset + 2 > bytes.size()) break;
        std::uint16_t count = word(offset);
        offset += 2;
        for (std::uint16_t index = 0; index < count && offset + 2 <= bytes.size(); ++index, offset += 2)
            text.push_back(word(offset));
    }
    return block;
}

Bytes EncodeDialog(const Dialog& dialog) {
    Writer writer;
    if (dialog.extended) {
        writer.Word(1);
        writer.Word(0xFFFF);
        writer.Dword(dialog.helpId);
        writer.Dword(dialog.exStyle);
        writer.Dword(dialog.style);
    } else {
        writer.Dword(dialog.style);
        writer.Dword(dialog.exStyle);
    }
    writer.Word(static_cast<std::uint16_t>(dialog.items.size()));
    writer.Short(dialog.x);
    writer.Short(dialog.y);
    writer.Short(dialog.cx);
    writer.Short(dialog.cy);
    writer.NameField(dialog.menu);
    writer.NameField(dialog.className);
    writer.String(dialog.caption);
    if (dialog.style & 0x40) {  // DS_SETFONT
        writer.Word(dialog.pointSize);
        if (dialog.extended) {
            writer.Word(dialog.fontWeight);
            writer.Byte(dialog.fontItalic);
            writer.Byte(dialog.fontCharset);
        }
        writer.String(dialog.fontName);
    }
    for (const DialogItem& item : dialog.items) {
        writer.AlignToDword();
        if (dialog.extended) {
            writer.Dword(item.helpId);
            writer.Dword(item.exStyle);
            writer.Dword(item.style);
        } else {
            writer.Dword(item.style);
            writer.Dword(item.exStyle);
        }
        writer.Short(item.x);
        writer.Short(item.y);
        writer.Short(item.cx);
        writer.Short(item.cy);
        if (dialog.extended) {
            writer.Dword(item.id);
        } else {
            writer.Word(static_cast<std::uint16_t>(item.id));
        }
        writer.NameField(item.className);
        writer.NameField(item.text);
        writer.Word(0);  // no creation data
    }
    return writer.bytes;
}

Bytes EncodeVersionInfo(const FixedFileInfo& fixed, const std::vector<VersionNode>& blocks) {
    Writer value;
    for (std::uint32_t field : {0xFEEF04BDu, 0x00010000u, fixed.fileVersionMS, fixed.fileVersionLS,
                                fixed.productVersionMS, fixed.productVersionLS, fixed.fileFlagsMask,
                                fixed.fileFlags, fixed.fileOS, fixed.fileType, fixed.fileSubtype, 0u, 0u})
        value.Dword(field);
    std::vector<Bytes> children;
    for (const VersionNode& block : blocks) children.push_back(EncodeVersionNode(block));
    return EncodeVersionNode("VS_VERSION_INFO", static_cast<std::uint16_t>(value.bytes.size()), 0,
                             value.bytes, children);
}

std::optional<Bytes> BitmapResource(const Bytes& file) {
    if (file.size() < 14 || file[0] != 'B' || file[1] != 'M') return std::nullopt;
    return Bytes(file.begin() + 14, file.end());
}

std::optional<IconResources> SplitIconFile(const Bytes& file, std::uint16_t firstId) {
    // ICONDIR: reserved 0, type 1, count; then 16-byte entries whose last two fields are the image's
    // size and file offset.
    if (file.size() < 6 || ReadWord(file, 0) != 0 || ReadWord(file, 2) != 1) return std::nullopt;
    std::uint16_t count = ReadWord(file, 4);
    if (file.size() < 6 + 16u * count) return std::nullopt;
    IconResources icons;
    Writer group;
    group.Word(0);
    group.Word(1);
    group.Word(count);
    for (std::uint16_t index = 0; index < count; ++index) {
        size_t entry = 6 + 16u * index;
        std::uint32_t size = ReadDword(file, entry + 8);
        std::uint32_t offset = ReadDword(file, entry + 12);
        if (offset > file.size() || size > file.size() - offset) return std::nullopt;
        icons.images.emplace_back(file.begin() + offset, file.begin() + offset + size);
        // GRPICONDIRENTRY: the first 12 bytes of the file's entry, then the RT_ICON id.
        for (size_t byte = 0; byte < 12; ++byte) group.Byte(file[entry + byte]);
        group.Word(static_cast<std::uint16_t>(firstId + index));
    }
    icons.group = group.bytes;
    return icons;
}

}  // namespace platform::resources
