#include "platform/machine/files/ini_document.h"

#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/machine/files/host_path.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"

namespace platform {

std::size_t NoCaseHash::operator()(std::string_view text) const {
    // FNV-1a over the upper-case bytes.
    std::size_t hash = 14695981039346656037ull;
    for (char character : text) {
        hash ^= static_cast<unsigned char>(UpperAnsi(character));
        hash *= 1099511628211ull;
    }
    return hash;
}

bool NoCaseEqual::operator()(std::string_view left, std::string_view right) const {
    return EqualsNoCase(left, right);
}

namespace {

bool IsIniBlank(char character) {
    return character == ' ' || character == '\t' || character == '\v';
}

const char kLineEnd[] = "\r\n";

// Calls `line(text, ending)` for each line of the text; a line ends at CR LF, LF or a CR alone.
template <typename Character, typename LineFunction>
void SplitLines(std::basic_string_view<Character> text, LineFunction line) {
    static constexpr Character kEndings[] = {Character('\r'), Character('\n'), Character(0)};
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find_first_of(kEndings, position);
        if (end == std::basic_string_view<Character>::npos) {
            line(text.substr(position), std::string_view());
            return;
        }
        std::size_t next = end + 1;
        std::string_view ending = "\n";
        if (text[end] == Character('\r')) {
            bool pair = next < text.size() && text[next] == Character('\n');
            ending = pair ? std::string_view("\r\n") : std::string_view("\r");
            if (pair) ++next;
        }
        line(text.substr(position, end - position), ending);
        position = next;
    }
}

IniEncoding EncodingOf(std::string_view bytes, IniReading reading) {
    if (reading != IniReading::UnicodeAware || bytes.size() < 2) return IniEncoding::Ansi;
    if (bytes[0] == '\xFF' && bytes[1] == '\xFE') return IniEncoding::Utf16LittleEndian;
    if (bytes[0] == '\xFE' && bytes[1] == '\xFF') return IniEncoding::Utf16BigEndian;
    return IniEncoding::Ansi;
}

// The UTF-16 text of a Unicode file's bytes after its mark; a last odd byte is no character.
std::u16string WideOf(std::string_view bytes, IniEncoding encoding) {
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    for (std::size_t index = 0; index + 1 < bytes.size(); index += 2) {
        auto first = static_cast<unsigned char>(bytes[index]);
        auto second = static_cast<unsigned char>(bytes[index + 1]);
        wide.push_back(encoding == IniEncoding::Utf16LittleEndian ? char16_t(first | second << 8)
                                                                  : char16_t(first << 8 | second));
    }
    return wide;
}

std::string BytesOfWide(std::u16string_view wide, IniEncoding encoding) {
    std::string bytes;
    bytes.reserve(wide.size() * 2);
    for (char16_t character : wide) {
        char low = static_cast<char>(character & 0xFF);
        char high = static_cast<char>(character >> 8);
        if (encoding == IniEncoding::Utf16LittleEndian) {
            bytes.push_back(low);
            bytes.push_back(high);
        } else {
            bytes.push_back(high);
            bytes.push_back(low);
        }
    }
    return bytes;
}

}  // namespace

IniReading IniReadingOf(const Machine& machine) {
    return machine.IsNT() && machine.os().majorVersion >= 5 ? IniReading::UnicodeAware : IniReading::AnsiOnly;
}

std::string_view TrimIniBlanks(std::string_view text) {
    while (!text.empty() && (IsIniBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
    while (!text.empty() && (IsIniBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

IniDocument::IniDocument(std::string_view fileBytes, IniReading reading)
    : encoding_(EncodingOf(fileBytes, reading)) {
    if (encoding_ == IniEncoding::Ansi) {
        SplitLines(fileBytes, [&](std::string_view text, std::string_view ending) {
            Line line;
            line.text = text;
            line.ending = ending;
            lines_.push_back(std::move(line));
        });
    } else {
        std::u16string wide = WideOf(fileBytes.substr(2), encoding_);
        if (fileBytes.size() % 2 == 1) oddByte_ = fileBytes.substr(fileBytes.size() - 1);
        SplitLines(std::u16string_view(wide), [&](std::u16string_view text, std::string_view ending) {
            Line line;
            line.text = AnsiFromWide(text);
            line.bytes = BytesOfWide(text, encoding_);
            line.ending = ending;
            lines_.push_back(std::move(line));
        });
    }
    bool inSection = false;
    for (Line& line : lines_) {
        std::string_view body = TrimIniBlanks(line.text);
        if (body.empty()) {
            line.kind = LineKind::Blank;
        } else if (body.front() == '[') {
            // The name ends at the first ']' or, lacking one, at the end of the line; what follows is
            // ignored.
            std::string_view name = body.substr(1);
            name = name.substr(0, name.find(']'));
            line.kind = LineKind::Section;
            line.name = TrimIniBlanks(name);
            inSection = true;
        } else if (!inSection) {
            line.kind = LineKind::Outside;
        } else if (body.front() == ';') {
            line.kind = LineKind::Comment;
        } else {
            line.kind = LineKind::Key;
            std::size_t equals = body.find('=');
            if (equals == std::string_view::npos) {
                line.name = body;
            } else {
                line.name = TrimIniBlanks(body.substr(0, equals));
                line.value = TrimIniBlanks(body.substr(equals + 1));
                line.hasEquals = true;
            }
        }
    }

    // The index points into the lines, which stay where they are from here on.
    for (std::size_t index = 0; index < lines_.size(); ++index) {
        const Line& line = lines_[index];
        if (line.kind == LineKind::Section) {
            if (!sections_.empty()) sections_.back().endLine = index;
            Section section;
            section.name = line.name;
            section.headerLine = index;
            sections_.push_back(std::move(section));
        } else if (line.kind == LineKind::Key) {
            Section& section = sections_.back();
            section.keyIndex.try_emplace(std::string_view(line.name), section.entries.size());
            section.entries.push_back({line.name, line.value, line.hasEquals, index});
        }
    }
    if (!sections_.empty()) sections_.back().endLine = lines_.size();
    for (std::size_t index = 0; index < sections_.size(); ++index) {
        sectionIndex_.try_emplace(sections_[index].name, index);
    }
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
    auto found = sectionIndex_.find(name);
    return found == sectionIndex_.end() ? nullptr : &sections_[found->second];
}

const IniDocument::Entry* IniDocument::FindEntry(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (!found) return nullptr;
    auto entry = found->keyIndex.find(key);
    return entry == found->keyIndex.end() ? nullptr : &found->entries[entry->second];
}

std::string IniDocument::Start() const {
    switch (encoding_) {
    case IniEncoding::Utf16LittleEndian:
        return "\xFF\xFE";
    case IniEncoding::Utf16BigEndian:
        return "\xFE\xFF";
    case IniEncoding::Ansi:
        break;
    }
    return std::string();
}

std::string IniDocument::Encoded(std::string_view text) const {
    if (encoding_ == IniEncoding::Ansi) return std::string(text);
    return BytesOfWide(WideFromAnsi(text), encoding_);
}

void IniDocument::AppendLines(std::string& out, std::size_t from, std::size_t to, bool moreFollows) const {
    for (std::size_t index = from; index < to; ++index) {
        const Line& line = lines_[index];
        bool needsEnd = line.ending.empty() && (index + 1 < to || moreFollows);
        out.append(encoding_ == IniEncoding::Ansi ? line.text : line.bytes);
        out.append(Encoded(needsEnd ? std::string_view(kLineEnd) : std::string_view(line.ending)));
    }
}

void IniDocument::AppendNewLine(std::string& out, std::string_view text) const {
    out.append(Encoded(text));
    out.append(Encoded(kLineEnd));
}

std::string IniDocument::NewSectionText(std::string_view section,
                                        const std::vector<std::string>& contents) const {
    std::string out;
    AppendNewLine(out, "[" + std::string(section) + "]");
    for (const std::string& line : contents) AppendNewLine(out, line);
    return out;
}

std::string IniDocument::Text() const {
    std::string out = Start();
    AppendLines(out, 0, lines_.size(), false);
    return out + oddByte_;
}

std::size_t IniDocument::InsertionPoint(const Section& section) const {
    std::size_t point = section.endLine;
    while (point > section.headerLine + 1 && lines_[point - 1].kind == LineKind::Blank) --point;
    return point;
}

std::optional<std::string> IniDocument::TextWithValue(std::string_view section, std::string_view key,
                                                      std::string_view value) const {
    const Section* found = FindSection(section);
    std::string text = Start();
    if (!found) {
        // A new section goes at the end of the file.
        AppendLines(text, 0, lines_.size(), true);
        text.append(NewSectionText(section, {std::string(key) + "=" + std::string(value)}));
        return text;
    }
    auto entry = found->keyIndex.find(key);
    if (entry != found->keyIndex.end()) {
        // The key keeps its place and the spelling it has in the file.
        const Entry& existing = found->entries[entry->second];
        std::string line = std::string(existing.name) + "=" + std::string(value);
        if (line == lines_[existing.line].text) return std::nullopt;
        AppendLines(text, 0, existing.line, true);
        text.append(Encoded(line));
        text.append(Encoded(lines_[existing.line].ending));
        AppendLines(text, existing.line + 1, lines_.size(), false);
        return text;
    }
    std::size_t point = InsertionPoint(*found);
    AppendLines(text, 0, point, true);
    AppendNewLine(text, std::string(key) + "=" + std::string(value));
    AppendLines(text, point, lines_.size(), false);
    return text;
}

std::optional<std::string> IniDocument::TextWithoutKey(std::string_view section, std::string_view key) const {
    const Entry* entry = FindEntry(section, key);
    if (!entry) return std::nullopt;
    std::string text = Start();
    AppendLines(text, 0, entry->line, entry->line + 1 < lines_.size());
    AppendLines(text, entry->line + 1, lines_.size(), false);
    return text;
}

std::optional<std::string> IniDocument::TextWithoutSection(std::string_view section) const {
    const Section* found = FindSection(section);
    if (!found) return std::nullopt;
    // The header, keys and blank lines go; comment lines stay where they are.
    std::string text = Start();
    AppendLines(text, 0, found->headerLine, false);
    for (std::size_t index = found->headerLine + 1; index < found->endLine; ++index) {
        if (lines_[index].kind == LineKind::Comment) AppendLines(text, index, index + 1, true);
    }
    AppendLines(text, found->endLine, lines_.size(), false);
    return text;
}

std::optional<std::string> IniDocument::TextWithSection(std::string_view section,
                                                        const std::vector<std::string>& contents) const {
    const Section* found = FindSection(section);
    std::string text = Start();
    if (!found) {
        AppendLines(text, 0, lines_.size(), true);
        text.append(NewSectionText(section, contents));
        return text;
    }
    // The old contents go, blank lines that separate the section from the next one stay.
    std::size_t end = InsertionPoint(*found);
    AppendLines(text, 0, found->headerLine + 1, true);
    for (const std::string& line : contents) AppendNewLine(text, line);
    AppendLines(text, end, lines_.size(), false);
    return text;
}

std::optional<FileSignature> ReadFileSignature(const std::filesystem::path& host, int* hostError) {
    std::optional<FileSignature> signature = ReadEntrySignature(host, hostError);
    if (signature && signature->folder) {
        if (hostError) *hostError = EISDIR;
        return std::nullopt;
    }
    return signature;
}

namespace {

constexpr std::size_t kMaximumCachedFiles = 256;

std::optional<std::string> ReadWholeFile(const std::filesystem::path& host, int* hostError) {
    std::ifstream stream(host, std::ios::binary);
    if (!stream) {
        if (hostError) *hostError = errno ? errno : EACCES;
        return std::nullopt;
    }
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

}  // namespace

IniFileCache& IniFileCache::Instance() {
    static IniFileCache* cache = new IniFileCache();
    return *cache;
}

std::shared_ptr<const IniDocument> IniFileCache::Load(const std::filesystem::path& host, IniReading reading,
                                                      int* hostError) {
    std::lock_guard<std::mutex> lock(mutex_);
    Machine* machine = Machine::CurrentOrNull();
    std::optional<std::uint64_t> generation;
    if (machine) generation = FilesGeneration(*machine);
    auto found = files_.find(host.native());
    // A file parsed as another system reads it is parsed again.
    if (found != files_.end() && found->second.reading != reading) {
        files_.erase(found);
        found = files_.end();
    }
    if (found != files_.end() && generation && found->second.checkedGeneration == generation) {
        return found->second.document;
    }
    std::optional<FileSignature> signature = ReadFileSignature(host, hostError);
    if (!signature) {
        if (found != files_.end()) files_.erase(found);
        return nullptr;
    }
    if (found != files_.end() && found->second.trusted && found->second.signature == *signature) {
        found->second.checkedGeneration = generation;
        return found->second.document;
    }
    std::int64_t readTime = HostClockNanoseconds();
    std::optional<std::string> text = ReadWholeFile(host, hostError);
    if (!text) return nullptr;
    // A file written while it was read is parsed but not kept: its signature may not match the text.
    std::optional<FileSignature> after = ReadFileSignature(host);
    bool stable = after && *after == *signature;
    if (found != files_.end() && found->second.text == *text) {
        found->second.signature = stable ? *signature : FileSignature{};
        found->second.trusted = stable && IsSignatureTrustworthy(*signature, readTime);
        found->second.checkedGeneration = stable ? generation : std::nullopt;
        return found->second.document;
    }
    auto document = std::make_shared<const IniDocument>(*text, reading);
    ++parses_;
    if (files_.size() >= kMaximumCachedFiles) files_.clear();
    CachedFile& cached = files_[host.native()];
    cached.reading = reading;
    cached.signature = stable ? *signature : FileSignature{};
    cached.trusted = stable && IsSignatureTrustworthy(*signature, readTime);
    cached.checkedGeneration = stable ? generation : std::nullopt;
    cached.document = document;
    cached.text = std::move(*text);
    return document;
}

void IniFileCache::Store(const std::filesystem::path& host, IniReading reading, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::optional<FileSignature> signature = ReadFileSignature(host);
    if (!signature) {
        files_.erase(host.native());
        return;
    }
    if (files_.size() >= kMaximumCachedFiles) files_.clear();
    CachedFile& cached = files_[host.native()];
    cached.signature = *signature;
    cached.trusted = false;  // just written: the time stamp is too recent to trust
    cached.checkedGeneration.reset();
    cached.reading = reading;
    cached.document = std::make_shared<const IniDocument>(text, reading);
    ++parses_;
    cached.text = text;
}

void IniFileCache::Forget(const std::filesystem::path& host) {
    std::lock_guard<std::mutex> lock(mutex_);
    files_.erase(host.native());
}

}  // namespace platform
