// The profile parser over any bytes, read as Windows 9x and NT 4 read them and as Windows 2000 and XP do
// (UTF-16 files with their byte-order mark): the document gives back the bytes it was made from, finds
// every section and key it lists, and an edit written through it reads back as written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/machine/files/ini_document.h"

namespace {

using platform::IniDocument;
using platform::IniReading;

const char kWrittenValue[] = "written value";

// The value of the key as the lookups see it after the edit.
void ExpectValue(const std::string& text, IniReading reading, std::string_view section, std::string_view key,
                 std::string_view value) {
    IniDocument edited(text, reading);
    const IniDocument::Entry* entry = edited.FindEntry(section, key);
    if (!entry) fuzz::Mismatch("the key written is not found", std::string(key), text);
    if (entry->value != value) fuzz::Mismatch("the key written reads back otherwise", value, entry->value);
}

void CheckDocument(std::string_view input, IniReading reading) {
    IniDocument document(input, reading);
    std::string text = document.Text();
    if (text != input) fuzz::Mismatch("the document's text is not the text parsed", input, text);

    for (const IniDocument::Section& section : document.sections()) {
        const IniDocument::Section* found = document.FindSection(section.name);
        if (!found) fuzz::Mismatch("a listed section is not found", section.name, "");
        if (found->headerLine > section.headerLine || found->endLine > document.lines().size())
            fuzz::Broken("a section's lines are out of order");
        for (const IniDocument::Entry& entry : section.entries) {
            if (entry.line <= section.headerLine || entry.line >= section.endLine)
                fuzz::Broken("an entry lies outside its section");
            if (!found->keyIndex.count(entry.name) && found == &section)
                fuzz::Mismatch("a listed key is not found", entry.name, "");
        }
    }

    // Edits of the first section and key, of a key it lacks and of a section the file lacks.
    if (!document.sections().empty()) {
        const IniDocument::Section& first = document.sections().front();
        if (std::optional<std::string> edited = document.TextWithValue(first.name, "FuzzKey", kWrittenValue))
            ExpectValue(*edited, reading, first.name, "FuzzKey", kWrittenValue);
        if (!first.entries.empty()) {
            std::string_view key = first.entries.front().name;
            std::optional<std::string> edited = document.TextWithValue(first.name, key, kWrittenValue);
            ExpectValue(edited ? *edited : text, reading, first.name, key, kWrittenValue);
            if (std::optional<std::string> removed = document.TextWithoutKey(first.name, key))
                IniDocument after(*removed, reading);
        }
        if (std::optional<std::string> replaced = document.TextWithSection(first.name, {"only=one"}))
            ExpectValue(*replaced, reading, first.name, "only", "one");
        if (std::optional<std::string> removed = document.TextWithoutSection(first.name))
            IniDocument after(*removed, reading);
    }
    if (std::optional<std::string> added = document.TextWithValue("Fuzz Section", "key", kWrittenValue))
        ExpectValue(*added, reading, "Fuzz Section", "key", kWrittenValue);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input = fuzz::AsText(data, size);
    CheckDocument(input, IniReading::AnsiOnly);
    CheckDocument(input, IniReading::UnicodeAware);
    return 0;
}
