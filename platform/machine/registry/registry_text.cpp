// REGEDIT4 text: import into and export from the machine's registry.
#include <cstdio>
#include <stdexcept>

#include "platform/machine/registry/registry_store.h"
#include "platform/machine/text.h"
#include "winnt.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
// regedit wraps a hex line once it reaches this many characters, carrying on after two blanks.
constexpr std::size_t kHexLineLimit = 77;

[[noreturn]] void Malformed(std::size_t lineNumber, const std::string& reason) {
    throw std::runtime_error("registry text line " + std::to_string(lineNumber) + ": " + reason);
}

int HexDigit(char character) {
    if (character >= '0' && character <= '9') return character - '0';
    if (character >= 'a' && character <= 'f') return character - 'a' + 10;
    if (character >= 'A' && character <= 'F') return character - 'A' + 10;
    return -1;
}

std::optional<DWORD> ParseHexNumber(std::string_view text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    DWORD value = 0;
    for (char character : text) {
        int digit = HexDigit(character);
        if (digit < 0) return std::nullopt;
        value = (value << 4) | static_cast<DWORD>(digit);
    }
    return value;
}

// Lines of the text without their CR LF or LF, numbered from 1.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool Next(std::string_view& line) {
        if (position_ >= text_.size()) return false;
        std::size_t end = text_.find('\n', position_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(position_, end - position_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        position_ = end + 1;
        ++number_;
        return true;
    }
    std::size_t number() const { return number_; }

  private:
    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t number_ = 0;
};

// Reads a quoted string at the start of `text` (which begins with '"'), undoing the \\ and \" escapes;
// leaves `text` after the closing quote.
std::string ParseQuoted(std::string_view& text, std::size_t lineNumber) {
    std::string result;
    std::size_t index = 1;
    for (;;) {
        if (index >= text.size()) Malformed(lineNumber, "missing closing quote");
        char character = text[index++];
        if (character == '"') break;
        if (character == '\\') {
            if (index >= text.size()) Malformed(lineNumber, "missing closing quote");
            char escaped = text[index++];
            if (escaped != '\\' && escaped != '"')
                Malformed(lineNumber, std::string("unknown escape \\") + escaped);
            result.push_back(escaped);
            continue;
        }
        result.push_back(character);
    }
    text.remove_prefix(index);
    return result;
}

std::string ParseHexBytes(std::string_view text, std::size_t lineNumber) {
    std::string bytes;
    if (TrimBlanks(text).empty()) return bytes;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view item = TrimBlanks(text.substr(start, end - start));
        bool last = end == text.size();
        if (item.empty()) {
            if (last && !bytes.empty()) break;  // a trailing comma
            Malformed(lineNumber, "empty hex byte");
        }
        std::optional<DWORD> byte = item.size() <= 2 ? ParseHexNumber(item) : std::nullopt;
        if (!byte) Malformed(lineNumber, "bad hex byte '" + std::string(item) + "'");
        bytes.push_back(static_cast<char>(*byte));
        start = end + 1;
    }
    return bytes;
}

class Importer {
  public:
    Importer(RegistryStore& store, const MachineSettings& settings) : store_(store), settings_(settings) {}

    void Run(std::string_view text, RegistryTextHeader header) {
        LineReader lines(text);
        std::string_view line;
        bool first = true;
        while (lines.Next(line)) {
            std::string_view trimmed = TrimBlanks(line);
            if (first) {
                first = false;
                if (trimmed == kHeader) continue;
                if (header == RegistryTextHeader::Required) {
                    // The Unicode form of later versions of Windows is not read either: its first line
                    // is "Windows Registry Editor Version 5.00".
                    Malformed(lines.number(), "not registry text: the first line must be " +
                                                  std::string(kHeader) + ", not '" +
                                                  std::string(trimmed.substr(0, 40)) + "'");
                }
            }
            if (trimmed.empty() || trimmed.front() == ';') continue;
            if (trimmed.front() == '[') {
                KeyLine(trimmed, lines.number());
                continue;
            }
            ValueLine(trimmed, lines);
        }
        if (first && header == RegistryTextHeader::Required)
            Malformed(1, "not registry text: the text is empty, without its " + std::string(kHeader) + " line");
    }

  private:
    void KeyLine(std::string_view line, std::size_t lineNumber) {
        if (line.back() != ']') Malformed(lineNumber, "key line without closing ']'");
        std::string_view path = line.substr(1, line.size() - 2);
        bool remove = !path.empty() && path.front() == '-';
        if (remove) path.remove_prefix(1);
        std::vector<std::string_view> parts = SplitKeyPath(path);
        if (parts.empty()) Malformed(lineNumber, "empty key name");
        std::optional<std::string> real = RealRootPath(settings_, parts.front());
        if (!real) Malformed(lineNumber, "unknown root '" + std::string(parts.front()) + "'");
        std::vector<std::string_view> realParts = SplitKeyPath(*real);
        std::optional<std::int64_t> root = store_.RootId(realParts.front());
        if (!root) Malformed(lineNumber, "unknown root '" + std::string(parts.front()) + "'");
        std::vector<std::string> components(realParts.begin() + 1, realParts.end());
        components.insert(components.end(), parts.begin() + 1, parts.end());

        if (remove) {
            // A root, or the key a predefined root stands for, is never deleted, as regedit refuses to.
            if (parts.size() == 1)
                Malformed(lineNumber, "cannot delete the root key " + std::string(parts.front()));
            std::optional<std::int64_t> id = Find(*root, components);
            if (id) store_.DeleteKeyTree(*id);
            chainRoot_ = 0;
            chain_.clear();
            current_.reset();
            return;
        }
        std::string storedPath(realParts.front());
        for (const std::string& component : components) {
            storedPath.push_back('\\');
            storedPath += component;
        }
        if (std::optional<std::string> beyond = KeyPathBeyondLimits(storedPath))
            Malformed(lineNumber, *beyond + " in [" + std::string(path) + "]");
        current_ = Create(*root, components);
    }

    std::optional<std::int64_t> Find(std::int64_t root, const std::vector<std::string>& components) {
        std::int64_t id = root;
        for (const std::string& component : components) {
            std::optional<std::int64_t> child = store_.FindSubkey(id, component);
            if (!child) return std::nullopt;
            id = *child;
        }
        return id;
    }

    // Keys in a .reg file come depth first, so the path of the previous key is kept with its ids and
    // only the part that differs is looked up or created.
    std::int64_t Create(std::int64_t root, const std::vector<std::string>& components) {
        if (chainRoot_ != root) {
            chainRoot_ = root;
            chain_.clear();
        }
        std::size_t common = 0;
        while (common < chain_.size() && common < components.size() &&
               chain_[common].upper == UpperCopy(components[common])) {
            ++common;
        }
        chain_.resize(common);
        std::int64_t id = common == 0 ? root : chain_.back().id;
        for (std::size_t index = common; index < components.size(); ++index) {
            id = store_.CreateKey(id, {components[index]}, "").id;
            chain_.push_back({UpperCopy(components[index]), id});
        }
        return id;
    }

    void ValueLine(std::string_view line, LineReader& lines) {
        std::size_t lineNumber = lines.number();
        if (!current_) Malformed(lineNumber, "value outside a key");
        std::string name;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (rest.front() == '"') {
            name = ParseQuoted(rest, lineNumber);
        } else {
            Malformed(lineNumber, "expected a key, a value or a comment");
        }
        if (name.size() > MaxValueNameLength(settings_)) {
            Malformed(lineNumber,
                      "value name longer than " + std::to_string(MaxValueNameLength(settings_)) + " characters");
        }
        rest = TrimBlanks(rest);
        if (rest.empty() || rest.front() != '=') Malformed(lineNumber, "missing '=' after the value name");
        rest = TrimBlanks(rest.substr(1));

        if (rest == "-") {
            store_.DeleteValue(*current_, name);
            return;
        }
        if (!rest.empty() && rest.front() == '"') {
            std::string data = ParseQuoted(rest, lineNumber);
            if (!TrimBlanks(rest).empty()) Malformed(lineNumber, "text after the closing quote");
            data.push_back('\0');
            store_.SetValue(*current_, name, REG_SZ, data);
            return;
        }
        std::size_t colon = rest.find(':');
        if (colon == std::string_view::npos) Malformed(lineNumber, "unknown value data");
        std::string_view kind = rest.substr(0, colon);
        std::string data(rest.substr(colon + 1));
        if (EqualsNoCase(kind, "dword")) {
            std::optional<DWORD> number = ParseHexNumber(TrimBlanks(data));
            if (!number) Malformed(lineNumber, "bad dword '" + data + "'");
            char bytes[4] = {static_cast<char>(*number & 0xFF), static_cast<char>((*number >> 8) & 0xFF),
                             static_cast<char>((*number >> 16) & 0xFF),
                             static_cast<char>((*number >> 24) & 0xFF)};
            store_.SetValue(*current_, name, REG_DWORD, std::string_view(bytes, 4));
            return;
        }
        DWORD type = REG_BINARY;
        if (kind.size() > 5 && EqualsNoCase(kind.substr(0, 4), "hex(") && kind.back() == ')') {
            std::optional<DWORD> number = ParseHexNumber(kind.substr(4, kind.size() - 5));
            if (!number) Malformed(lineNumber, "bad value type '" + std::string(kind) + "'");
            type = *number;
        } else if (!EqualsNoCase(kind, "hex")) {
            Malformed(lineNumber, "unknown value type '" + std::string(kind) + "'");
        }
        // Long hex data goes on over lines that end with a backslash; each line is appended where the
        // backslash was, so that the data grows in place however many lines it spans.
        for (;;) {
            std::string_view kept = TrimBlanks(data);
            data.resize(static_cast<std::size_t>(kept.data() + kept.size() - data.data()));
            if (data.empty() || data.back() != '\\') break;
            data.pop_back();
            std::string_view next;
            if (!lines.Next(next)) Malformed(lines.number(), "hex data continued past the end");
            data += TrimBlanks(next);
        }
        store_.SetValue(*current_, name, type, ParseHexBytes(data, lineNumber));
    }

    struct ChainEntry {
        std::string upper;
        std::int64_t id;
    };

    RegistryStore& store_;
    const MachineSettings& settings_;
    std::int64_t chainRoot_ = 0;
    std::vector<ChainEntry> chain_;
    std::optional<std::int64_t> current_;
};

void AppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (char character : text) {
        if (character == '\\' || character == '"') out.push_back('\\');
        out.push_back(character);
    }
    out.push_back('"');
}

// A REG_SZ goes out in quotes only when reading it back gives the same bytes: one terminator at the
// end, none inside, and no line break.
bool QuotableString(std::string_view data) {
    if (data.empty() || data.back() != '\0') return false;
    return data.substr(0, data.size() - 1).find_first_of(std::string_view("\0\r\n", 3)) ==
           std::string_view::npos;
}

void AppendValue(std::string& out, const RegistryValue& value) {
    std::size_t lineStart = out.size();
    if (value.name.empty()) {
        out.push_back('@');
    } else {
        AppendQuoted(out, value.name);
    }
    out.push_back('=');
    if (value.type == REG_SZ && QuotableString(value.data)) {
        AppendQuoted(out, std::string_view(value.data).substr(0, value.data.size() - 1));
        out += "\r\n";
        return;
    }
    char buffer[32];
    if (value.type == REG_DWORD && value.data.size() == 4) {
        auto byte = [&](int index) {
            return static_cast<DWORD>(static_cast<unsigned char>(value.data[index]));
        };
        std::snprintf(buffer, sizeof buffer, "dword:%08x",
                      byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
        out += buffer;
        out += "\r\n";
        return;
    }
    if (value.type == REG_BINARY) {
        out += "hex:";
    } else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(value.type));
        out += buffer;
    }
    for (std::size_t index = 0; index < value.data.size(); ++index) {
        std::snprintf(buffer, sizeof buffer, "%02x",
                      static_cast<unsigned>(static_cast<unsigned char>(value.data[index])));
        out += buffer;
        if (index + 1 == value.data.size()) break;
        out.push_back(',');
        if (out.size() - lineStart >= kHexLineLimit) {
            out += "\\\r\n  ";
            lineStart = out.size() - 2;
        }
    }
    out += "\r\n";
}

// The key and everything below it, depth first with the subkeys in their order. The keys still to write
// wait on a list of their own rather than on the call stack, so that no depth of keys can exhaust it.
void ExportTree(RegistryStore& store, std::int64_t id, const std::string& path, std::string& out) {
    struct Pending {
        std::int64_t id;
        std::string path;
    };
    std::vector<Pending> pending{{id, path}};
    while (!pending.empty()) {
        Pending key = std::move(pending.back());
        pending.pop_back();
        out += "[" + key.path + "]\r\n";
        for (const RegistryValue& value : store.Values(key.id)) AppendValue(out, value);
        out += "\r\n";
        std::vector<RegistrySubkey> subkeys = store.Subkeys(key.id);
        for (auto subkey = subkeys.rbegin(); subkey != subkeys.rend(); ++subkey)
            pending.push_back({subkey->id, key.path + "\\" + subkey->name});
    }
}

}  // namespace

void ImportRegistryText(Machine& machine, std::string_view text, RegistryTextHeader header) {
    RegistryStore& store = RegistryStore::For(machine);
    RegistryStore::Batch batch(store);
    Importer(store, machine.settings()).Run(text, header);
    batch.Commit();
}

std::string ExportRegistryText(Machine& machine, std::string_view keyPath) {
    RegistryStore& store = RegistryStore::For(machine);
    std::string out = std::string(kHeader) + "\r\n\r\n";
    std::vector<std::string_view> parts = SplitKeyPath(keyPath);
    if (parts.empty()) {
        for (std::string_view root : {"HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_DYN_DATA"}) {
            std::optional<std::int64_t> id = store.RootId(root);
            if (!id) continue;
            // HKEY_DYN_DATA of Windows 9x is written only when something was put there.
            if (root == std::string_view("HKEY_DYN_DATA") && !store.HasSubkeys(*id) &&
                store.Values(*id).empty())
                continue;
            ExportTree(store, *id, std::string(root), out);
        }
        return out;
    }
    std::vector<std::string> spelling;
    std::optional<std::int64_t> id = store.FindKey(keyPath, &spelling);
    if (!id) throw std::runtime_error("no registry key " + std::string(keyPath));
    std::string path = UpperCopy(parts.front());
    for (const std::string& component : spelling) path += "\\" + component;
    ExportTree(store, *id, path, out);
    return out;
}

}  // namespace platform
