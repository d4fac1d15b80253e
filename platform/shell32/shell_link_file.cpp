#include "platform/shell32/shell_link_file.h"

#include <cstring>
#include <vector>

#include "platform/machine/text.h"
#include "shlguid.h"

namespace platform::shell {

namespace {

constexpr DWORD kHeaderSize = 0x4C;
constexpr DWORD kLinkInfoHeaderSize = 0x1C;
constexpr DWORD kVolumeIdSize = 0x10;

// LinkFlags.
constexpr DWORD kHasLinkTargetIdList = 0x01;
constexpr DWORD kHasLinkInfo = 0x02;
constexpr DWORD kHasName = 0x04;
constexpr DWORD kHasRelativePath = 0x08;
constexpr DWORD kHasWorkingDir = 0x10;
constexpr DWORD kHasArguments = 0x20;
constexpr DWORD kHasIconLocation = 0x40;
constexpr DWORD kIsUnicode = 0x80;
// LinkInfoFlags.
constexpr DWORD kVolumeIdAndLocalBasePath = 0x01;

class Writer {
  public:
    void Dword(DWORD value) { Bytes(&value, sizeof value); }
    void Word(WORD value) { Bytes(&value, sizeof value); }
    void Zeros(std::size_t count) { bytes_.append(count, '\0'); }
    void Text(std::string_view text) { bytes_.append(text); }
    void Bytes(const void* data, std::size_t size) { bytes_.append(static_cast<const char*>(data), size); }
    // A counted string: its length in characters, then the characters without a terminator.
    void CountedString(std::string_view text) {
        Word(static_cast<WORD>(text.size()));
        Text(text);
    }
    std::string& bytes() { return bytes_; }

  private:
    std::string bytes_;
};

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool Dword(DWORD& value) { return Bytes(&value, sizeof value); }
    bool Word(WORD& value) { return Bytes(&value, sizeof value); }
    bool Skip(std::size_t count) {
        if (bytes_.size() - at_ < count) return false;
        at_ += count;
        return true;
    }
    bool Bytes(void* data, std::size_t size) {
        if (bytes_.size() - at_ < size) return false;
        std::memcpy(data, bytes_.data() + at_, size);
        at_ += size;
        return true;
    }
    bool CountedString(bool unicode, std::string& text) {
        WORD count = 0;
        if (!Word(count)) return false;
        if (!unicode) {
            if (bytes_.size() - at_ < count) return false;
            text.assign(bytes_.substr(at_, count));
            at_ += count;
            return true;
        }
        std::u16string wide(count, u'\0');
        if (!Bytes(wide.data(), count * sizeof(char16_t))) return false;
        text = AnsiFromWide(wide);
        return true;
    }
    std::size_t at() const { return at_; }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// The zero-terminated text at an offset of a block; empty when the offset lies outside it.
std::string TextAt(std::string_view block, DWORD offset) {
    if (offset == 0 || offset >= block.size()) return "";
    std::string_view rest = block.substr(offset);
    return std::string(rest.substr(0, rest.find('\0')));
}

// The link information: a volume id for a fixed drive without a label, and the target's path.
void WriteLinkInfo(Writer& writer, const std::string& path) {
    DWORD volumeOffset = kLinkInfoHeaderSize;
    DWORD pathOffset = volumeOffset + kVolumeIdSize + 1;
    DWORD suffixOffset = pathOffset + static_cast<DWORD>(path.size()) + 1;
    DWORD size = suffixOffset + 1;
    writer.Dword(size);
    writer.Dword(kLinkInfoHeaderSize);
    writer.Dword(kVolumeIdAndLocalBasePath);
    writer.Dword(volumeOffset);
    writer.Dword(pathOffset);
    writer.Dword(0);  // no network location
    writer.Dword(suffixOffset);
    writer.Dword(kVolumeIdSize + 1);
    writer.Dword(DRIVE_FIXED);
    writer.Dword(0);              // serial number
    writer.Dword(kVolumeIdSize);  // the label's offset: the empty text after the volume id
    writer.Zeros(1);
    writer.Text(path);
    writer.Zeros(1);
    writer.Zeros(1);  // the common path suffix, empty
}

}  // namespace

std::string WriteShellLink(const ShellLinkData& link) {
    DWORD flags = 0;
    if (!link.path.empty()) flags |= kHasLinkInfo;
    if (!link.description.empty()) flags |= kHasName;
    if (!link.relativePath.empty()) flags |= kHasRelativePath;
    if (!link.workingDirectory.empty()) flags |= kHasWorkingDir;
    if (!link.arguments.empty()) flags |= kHasArguments;
    if (!link.iconLocation.empty()) flags |= kHasIconLocation;

    Writer writer;
    writer.Dword(kHeaderSize);
    writer.Bytes(&CLSID_ShellLink, sizeof(GUID));
    writer.Dword(flags);
    writer.Dword(link.fileAttributes);
    writer.Zeros(3 * sizeof(FILETIME));
    writer.Dword(link.fileSize);
    writer.Dword(static_cast<DWORD>(link.iconIndex));
    writer.Dword(static_cast<DWORD>(link.showCommand));
    writer.Word(link.hotKey);
    writer.Zeros(2 + 4 + 4);
    if (flags & kHasLinkInfo) WriteLinkInfo(writer, link.path);
    if (flags & kHasName) writer.CountedString(link.description);
    if (flags & kHasRelativePath) writer.CountedString(link.relativePath);
    if (flags & kHasWorkingDir) writer.CountedString(link.workingDirectory);
    if (flags & kHasArguments) writer.CountedString(link.arguments);
    if (flags & kHasIconLocation) writer.CountedString(link.iconLocation);
    writer.Dword(0);  // the terminal block of the extra data
    return std::move(writer.bytes());
}

std::optional<ShellLinkData> ReadShellLink(std::string_view bytes) {
    Reader reader(bytes);
    DWORD headerSize = 0;
    GUID linkClass{};
    DWORD flags = 0;
    ShellLinkData link;
    DWORD iconIndex = 0;
    DWORD showCommand = 0;
    if (!reader.Dword(headerSize) || headerSize != kHeaderSize ||
        !reader.Bytes(&linkClass, sizeof linkClass) || !IsEqualGUID(linkClass, CLSID_ShellLink) ||
        !reader.Dword(flags) || !reader.Dword(link.fileAttributes) || !reader.Skip(3 * sizeof(FILETIME)) ||
        !reader.Dword(link.fileSize) || !reader.Dword(iconIndex) || !reader.Dword(showCommand) ||
        !reader.Word(link.hotKey) || !reader.Skip(2 + 4 + 4))
        return std::nullopt;
    link.iconIndex = static_cast<int>(iconIndex);
    link.showCommand = static_cast<int>(showCommand);
    if (flags & kHasLinkTargetIdList) {
        WORD idListSize = 0;
        if (!reader.Word(idListSize) || !reader.Skip(idListSize)) return std::nullopt;
    }
    if (flags & kHasLinkInfo) {
        std::size_t start = reader.at();
        DWORD size = 0;
        if (!reader.Dword(size) || size < kLinkInfoHeaderSize || start + size > bytes.size())
            return std::nullopt;
        std::string_view block = bytes.substr(start, size);
        DWORD infoFlags = 0;
        DWORD pathOffset = 0;
        DWORD suffixOffset = 0;
        std::memcpy(&infoFlags, block.data() + 8, sizeof infoFlags);
        std::memcpy(&pathOffset, block.data() + 16, sizeof pathOffset);
        std::memcpy(&suffixOffset, block.data() + 24, sizeof suffixOffset);
        if (infoFlags & kVolumeIdAndLocalBasePath) {
            link.path = TextAt(block, pathOffset) + TextAt(block, suffixOffset);
        }
        reader.Skip(size - sizeof size);
    }
    bool unicode = (flags & kIsUnicode) != 0;
    const std::pair<DWORD, std::string*> strings[] = {
        {kHasName, &link.description},
        {kHasRelativePath, &link.relativePath},
        {kHasWorkingDir, &link.workingDirectory},
        {kHasArguments, &link.arguments},
        {kHasIconLocation, &link.iconLocation},
    };
    for (const auto& [flag, text] : strings) {
        if ((flags & flag) && !reader.CountedString(unicode, *text)) return std::nullopt;
    }
    return link;
}

std::optional<ShellLinkData> ReadShellLinkFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
    CloseHandle(file);
    std::optional<ShellLinkData> link = ReadShellLink(bytes);
    if (!link) SetLastError(ERROR_BAD_FORMAT);
    return link;
}

}  // namespace platform::shell
