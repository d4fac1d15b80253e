// An INI file as the profile functions read and write it: the lines as they are (so a write keeps
// comments, blank lines and line ends), and an index of sections and keys for hashed,
// case-insensitive lookups. Parsed files are kept in a process-wide cache while they do not change.
//
// Windows 2000 and XP read a file that starts with a UTF-16 byte-order mark (FF FE, or FE FF for
// big-endian) as Unicode: the ANSI functions see its text in the ANSI code page, and a write keeps the
// file in its encoding. Windows 9x and NT 4 read every file as ANSI bytes, so the mark and the zero
// bytes of a UTF-16 file are part of its lines and none of its sections or keys can be found. A UTF-8
// mark is ANSI text to every version: its three bytes begin the first line.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/machine/files/host_signature.h"

namespace platform {

class Machine;

// Hash and equality over Windows-1252 upper case, usable with string_view lookups.
struct NoCaseHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const;
};
struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view left, std::string_view right) const;
};

// How a system reads the bytes of a profile file.
enum class IniReading {
    AnsiOnly,        // Windows 9x and NT 4
    UnicodeAware,    // Windows 2000 and XP: a UTF-16 byte-order mark makes the file Unicode
};

// The encoding of a file's text, kept for the writes.
enum class IniEncoding { Ansi, Utf16LittleEndian, Utf16BigEndian };

// How the machine's system reads profile files.
IniReading IniReadingOf(const Machine& machine);

class IniDocument {
  public:
    enum class LineKind { Blank, Comment, Section, Key, Outside };

    struct Line {
        LineKind kind = LineKind::Blank;
        std::string text;    // the line without its end, in the ANSI code page
        std::string ending;  // "\r\n", "\n", "\r" or "" (the last line of a file without a final line end)
        std::string bytes;   // a Unicode file's line as the file holds it, without its end; empty otherwise
        std::string name;    // the section's or key's name, trimmed
        std::string value;   // the key's value, trimmed, quotes kept
        bool hasEquals = false;
    };

    struct Entry {
        std::string_view name;
        std::string_view value;
        bool hasEquals = false;
        std::size_t line = 0;
    };

    struct Section {
        std::string_view name;
        std::size_t headerLine = 0;
        std::size_t endLine = 0;  // one past the section's last line
        std::vector<Entry> entries;
        // The first entry of each key name.
        std::unordered_map<std::string_view, std::size_t, NoCaseHash, NoCaseEqual> keyIndex;
    };

    // Parses the bytes of a file as the system reads them: the one parse entry point, free of file
    // input and output. Lines end at CR LF, LF or a CR alone.
    // The names and values the index holds point into the lines, so a document stays where it is made.
    explicit IniDocument(std::string_view fileBytes, IniReading reading = IniReading::AnsiOnly);
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    const std::vector<Line>& lines() const { return lines_; }
    // Every section in file order, duplicates included.
    const std::vector<Section>& sections() const { return sections_; }
    // The first section of that name, as the lookups use it.
    const Section* FindSection(std::string_view name) const;
    // The first entry of that key in the first section of that name.
    const Entry* FindEntry(std::string_view section, std::string_view key) const;

    IniEncoding encoding() const { return encoding_; }
    // The file's bytes as they were read.
    std::string Text() const;

    // The file's bytes after an edit as WritePrivateProfileStringA and WritePrivateProfileSectionA make
    // them, or nothing when the edit changes nothing. Lines the edit does not touch keep their bytes and
    // ends; new lines are written in the file's encoding.
    std::optional<std::string> TextWithValue(std::string_view section, std::string_view key,
                                             std::string_view value) const;
    std::optional<std::string> TextWithoutKey(std::string_view section, std::string_view key) const;
    std::optional<std::string> TextWithoutSection(std::string_view section) const;
    std::optional<std::string> TextWithSection(std::string_view section,
                                               const std::vector<std::string>& contents) const;

  private:
    // Where a new line of the section goes: after its last non-blank line.
    std::size_t InsertionPoint(const Section& section) const;
    // The byte-order mark a Unicode file begins with; empty for an ANSI file.
    std::string Start() const;
    // An ANSI text in the file's encoding.
    std::string Encoded(std::string_view text) const;
    // The lines [from, to) as the file holds them, the last of them given a line end when something
    // follows it.
    void AppendLines(std::string& out, std::size_t from, std::size_t to, bool moreFollows) const;
    void AppendNewLine(std::string& out, std::string_view text) const;
    std::string NewSectionText(std::string_view section, const std::vector<std::string>& contents) const;

    IniEncoding encoding_ = IniEncoding::Ansi;
    // A Unicode file's last odd byte, which is no character: kept by Text(), dropped by the edits, which
    // write whole characters.
    std::string oddByte_;
    std::vector<Line> lines_;
    std::vector<Section> sections_;
    std::unordered_map<std::string_view, std::size_t, NoCaseHash, NoCaseEqual> sectionIndex_;
};

// Blanks as the profile functions trim them from the lines of a file: space, tab and vertical tab.
std::string_view TrimIniBlanks(std::string_view text);
// The names given to the profile functions lose their leading and trailing spaces only.
std::string_view TrimSpaces(std::string_view text);
// A value enclosed in matching double or single quotes loses them.
std::string_view StripQuotes(std::string_view value);

// The parsed INI files of this process. While no file of the machine has changed since a file was
// last checked (the machine's file generation, see host_path.h), it is used as it is without looking
// at the host. Otherwise it is reread when its signature changes; a file whose time stamp was still
// recent when it was read (a second write within the file system's clock tick could leave the stamp
// as it was) is compared by content until its stamp is old enough to trust.
class IniFileCache {
  public:
    static IniFileCache& Instance();

    // The parsed file, or null when it cannot be read (errno-style code in `hostError`).
    std::shared_ptr<const IniDocument> Load(const std::filesystem::path& host, IniReading reading,
                                            int* hostError = nullptr);
    // Records the bytes just written to the file, so the next read need not parse them again.
    void Store(const std::filesystem::path& host, IniReading reading, const std::string& text);
    void Forget(const std::filesystem::path& host);
    // How many times a file's text has been parsed, for tests of the cache.
    std::uint64_t parses() const { return parses_.load(); }

  private:
    struct CachedFile {
        FileSignature signature;
        std::string text;
        std::shared_ptr<const IniDocument> document;
        IniReading reading = IniReading::AnsiOnly;
        bool trusted = false;
        // The file generation in which the text was last known to be the file's; none when unknown.
        std::optional<std::uint64_t> checkedGeneration;
    };
    std::mutex mutex_;
    std::unordered_map<std::string, CachedFile> files_;
    std::atomic<std::uint64_t> parses_{0};
};

std::optional<FileSignature> ReadFileSignature(const std::filesystem::path& host, int* hostError = nullptr);

}  // namespace platform
