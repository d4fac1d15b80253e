#include "platform/version/version_block.h"

#include <array>
#include <cstdlib>
#include <string>

#include "platform/machine/text.h"
#include "platform/resource_formats/resource_formats.h"
#include "winver.h"

namespace platform {

namespace {

constexpr char kRootKey[] = "VS_VERSION_INFO";
constexpr std::uint32_t kFixedSignature = VS_FFI_SIGNATURE;

std::uint16_t ReadWord(const std::vector<std::uint8_t>& bytes, size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

// "3.00.0008" or "3, 0, 0, 8": up to four numbers, the missing ones 0. nullopt for any other text.
std::optional<std::array<std::uint16_t, 4>> ParseVersionNumbers(std::string_view text) {
    std::array<std::uint16_t, 4> parts{};
    size_t count = 0;
    std::string_view rest = TrimBlanks(text);
    while (!rest.empty()) {
        if (count == parts.size()) return std::nullopt;
        size_t end = rest.find_first_of(".,");
        std::string part(TrimBlanks(rest.substr(0, end)));
        char* stop = nullptr;
        unsigned long value = std::strtoul(part.c_str(), &stop, 10);
        if (part.empty() || *stop != '\0' || value > 0xFFFF) return std::nullopt;
        parts[count++] = static_cast<std::uint16_t>(value);
        if (end == std::string_view::npos) break;
        rest = rest.substr(end + 1);
    }
    if (count == 0) return std::nullopt;
    return parts;
}

void SetVersion(std::string_view text, std::uint32_t& mostSignificant, std::uint32_t& leastSignificant) {
    std::optional<std::array<std::uint16_t, 4>> parts = ParseVersionNumbers(text);
    if (!parts) return;
    mostSignificant = static_cast<std::uint32_t>((*parts)[0]) << 16 | (*parts)[1];
    leastSignificant = static_cast<std::uint32_t>((*parts)[2]) << 16 | (*parts)[3];
}

bool EndsWithNoCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && EqualsNoCase(text.substr(text.size() - end.size()), end);
}

// Reads a whole file of the machine through the file calls, so that the machine's faults apply.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(LPCSTR fileName, DWORD& error) {
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &read, nullptr)) && read > 0)
        bytes.insert(bytes.end(), chunk, chunk + read);
    if (!ok) error = GetLastError();
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return bytes;
}

bool HasFolder(std::string_view name) {
    return name.find_first_of("\\/:") != std::string_view::npos;
}

// A name without a folder is looked for as LoadLibraryA looks for a module: the program's folder, the
// current folder, the system folder, the Windows folder. Otherwise (or when none has it) the name as given.
std::string SearchFile(LPCSTR fileName) {
    if (HasFolder(fileName)) return fileName;
    char folders[4][MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, folders[0], MAX_PATH);
    std::string_view program(folders[0], length);
    size_t slash = program.find_last_of('\\');
    folders[0][slash == std::string_view::npos ? 0 : slash] = '\0';
    GetCurrentDirectoryA(MAX_PATH, folders[1]);
    GetSystemDirectoryA(folders[2], MAX_PATH);
    GetWindowsDirectoryA(folders[3], MAX_PATH);
    for (const char* folder : folders) {
        if (!*folder) continue;
        std::string candidate = std::string(folder);
        if (candidate.back() != '\\') candidate += '\\';
        candidate += fileName;
        DWORD attributes = GetFileAttributesA(candidate.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return candidate;
    }
    return fileName;
}

}  // namespace

std::optional<VersionBlock> StubVersionBlock(const VersionFields& fields, std::string_view fileName) {
    resources::FixedFileInfo fixed;
    fixed.fileFlagsMask = VS_FFI_FILEFLAGSMASK;
    fixed.fileOS = VOS__WINDOWS32;
    fixed.fileType = EndsWithNoCase(fileName, ".dll")   ? VFT_DLL
                     : EndsWithNoCase(fileName, ".exe") ? VFT_APP
                                                        : VFT_UNKNOWN;
    std::string translation = "040904E4";
    resources::VersionNode table;
    table.isBlock = true;
    for (const auto& [name, value] : fields) {
        if (EqualsNoCase(name, "Translation")) {
            translation = value;
            continue;
        }
        if (EqualsNoCase(name, "FileVersion")) SetVersion(value, fixed.fileVersionMS, fixed.fileVersionLS);
        if (EqualsNoCase(name, "ProductVersion"))
            SetVersion(value, fixed.productVersionMS, fixed.productVersionLS);
        resources::VersionNode text;
        text.key = name;
        text.isText = true;
        text.text = value;
        table.children.push_back(std::move(text));
    }
    if (fields.empty()) return std::nullopt;
    unsigned long languageAndCodePage = std::strtoul(translation.c_str(), nullptr, 16);
    table.key = translation;
    resources::VersionNode strings;
    strings.key = "StringFileInfo";
    strings.isBlock = true;
    strings.children.push_back(std::move(table));
    resources::VersionNode pair;
    pair.key = "Translation";
    for (std::uint16_t word : {static_cast<std::uint16_t>(languageAndCodePage >> 16),
                               static_cast<std::uint16_t>(languageAndCodePage & 0xFFFF)}) {
        pair.binary.push_back(static_cast<std::uint8_t>(word & 0xFF));
        pair.binary.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    resources::VersionNode variables;
    variables.key = "VarFileInfo";
    variables.isBlock = true;
    variables.children.push_back(std::move(pair));
    return resources::EncodeVersionInfo(fixed, {strings, variables});
}

std::optional<VersionBlock> FindVersionBlock(const std::vector<std::uint8_t>& bytes) {
    std::u16string key = WideFromAnsi(kRootKey);
    // Header (6 bytes), key with terminator, padding to 4, then the 52-byte VS_FIXEDFILEINFO.
    size_t keyBytes = (key.size() + 1) * 2;
    size_t valueOffset = (6 + keyBytes + 3) / 4 * 4;
    size_t minimum = valueOffset + sizeof(VS_FIXEDFILEINFO);
    for (size_t start = 0; start + minimum <= bytes.size(); start += 4) {
        bool keyMatches = true;
        for (size_t index = 0; index <= key.size() && keyMatches; ++index) {
            char16_t wanted = index < key.size() ? key[index] : u'\0';
            keyMatches = ReadWord(bytes, start + 6 + index * 2) == wanted;
        }
        if (!keyMatches) continue;
        std::uint16_t length = ReadWord(bytes, start);
        std::uint16_t valueLength = ReadWord(bytes, start + 2);
        std::uint32_t signature = ReadWord(bytes, start + valueOffset) |
                                  static_cast<std::uint32_t>(ReadWord(bytes, start + valueOffset + 2)) << 16;
        if (length < minimum || length > bytes.size() - start || valueLength != sizeof(VS_FIXEDFILEINFO) ||
            signature != kFixedSignature)
            continue;
        return VersionBlock(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                            bytes.begin() + static_cast<std::ptrdiff_t>(start + length));
    }
    return std::nullopt;
}

std::optional<VersionBlock> FileVersionBlock(LPCSTR fileName, DWORD& error) {
    if (!fileName || !*fileName) {
        error = ERROR_FILE_NOT_FOUND;
        return std::nullopt;
    }
    std::string path = SearchFile(fileName);
    std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path.c_str(), error);
    if (!bytes) return std::nullopt;
    std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    if (std::optional<ProgramStub> stub = ParseProgramStub(text)) {
        std::optional<VersionBlock> block = StubVersionBlock(stub->versionFields, path);
        if (!block) error = ERROR_RESOURCE_TYPE_NOT_FOUND;
        return block;
    }
    std::optional<VersionBlock> block = FindVersionBlock(*bytes);
    if (!block) error = ERROR_RESOURCE_DATA_NOT_FOUND;
    return block;
}

}  // namespace platform
