#include "platform/shdocvw/page_source.h"

#include <cctype>
#include <optional>

#include "platform/machine/text.h"
#include "windows.h"

namespace platform::browser {

namespace {

constexpr std::string_view kResourceScheme = "res://";
constexpr std::string_view kFileScheme = "file:";
constexpr std::string_view kBlankPage = "about:blank";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// A path of the machine: "C:\..." or "\\server\share\...".
bool IsWindowsPath(std::string_view address) {
    if (address.size() >= 3 && std::isalpha(static_cast<unsigned char>(address[0])) && address[1] == ':' &&
        (address[2] == '\\' || address[2] == '/')) {
        return true;
    }
    return address.substr(0, 2) == "\\\\";
}

// The scheme of an address ("http", "app", "res"), or empty for a relative address or a path.
std::string_view SchemeOf(std::string_view address) {
    if (IsWindowsPath(address)) return {};
    size_t colon = address.find(':');
    if (colon == std::string_view::npos || colon < 2) return {};
    for (char character : address.substr(0, colon)) {
        if (!std::isalnum(static_cast<unsigned char>(character)) && character != '+' && character != '-' &&
            character != '.') {
            return {};
        }
    }
    return address.substr(0, colon);
}

// %XX escapes of an address become their characters.
std::string Unescaped(std::string_view text) {
    std::string plain;
    for (size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '%' && index + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[index + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[index + 2]))) {
            plain += static_cast<char>(std::stoi(std::string(text.substr(index + 1, 2)), nullptr, 16));
            index += 2;
            continue;
        }
        plain += text[index];
    }
    return plain;
}

// The path a file: address names: "file:///C:/dir/page.htm", "file://C:\dir\page.htm" and
// "file://server/share/page.htm" alike.
std::string FilePath(std::string_view address) {
    std::string_view rest = address.substr(kFileScheme.size());
    size_t slashes = 0;
    while (slashes < rest.size() && (rest[slashes] == '/' || rest[slashes] == '\\')) ++slashes;
    std::string path = Unescaped(rest.substr(slashes));
    for (char& character : path) {
        if (character == '/') character = '\\';
    }
    if (!IsWindowsPath(path)) path = "\\\\" + path;
    return path;
}

std::optional<std::string> ReadMachineFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string contents;
    char buffer[4096];
    DWORD read = 0;
    bool failed = false;
    while (!(failed = !ReadFile(file, buffer, sizeof buffer, &read, nullptr)) && read > 0) contents.append(buffer, read);
    CloseHandle(file);
    if (failed) return std::nullopt;
    return contents;
}

// A module already in the process is read where it is; any other is loaded as data for the reading.
class ModuleForReading {
  public:
    explicit ModuleForReading(const std::string& file) {
        module_ = GetModuleHandleA(file.c_str());
        if (module_) return;
        module_ = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        loaded_ = module_ != nullptr;
    }
    ~ModuleForReading() {
        if (loaded_) FreeLibrary(module_);
    }
    ModuleForReading(const ModuleForReading&) = delete;
    ModuleForReading& operator=(const ModuleForReading&) = delete;
    HMODULE module() const { return module_; }

  private:
    HMODULE module_ = nullptr;
    bool loaded_ = false;
};

// res://<module>/<name> or res://<module>/<type>/<name>, the type a number ("23", "#23") or a name;
// HTML resources by default.
std::optional<std::string> ReadResource(std::string_view address) {
    std::string_view rest = address.substr(kResourceScheme.size());
    size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    std::string moduleFile = Unescaped(rest.substr(0, slash));
    std::string name = Unescaped(rest.substr(slash + 1));
    std::string type;
    if (size_t typeEnd = name.find('/'); typeEnd != std::string::npos) {
        type = name.substr(0, typeEnd);
        name = name.substr(typeEnd + 1);
        if (!type.empty() && type[0] == '#') type.erase(0, 1);
    }
    ModuleForReading reading(moduleFile);
    if (!reading.module() || name.empty()) return std::nullopt;
    LPCSTR resourceType = RT_HTML;
    if (!type.empty()) {
        bool number = type.find_first_not_of("0123456789") == std::string::npos && type.size() <= 5;
        resourceType = number ? MAKEINTRESOURCEA(std::stoi(type)) : type.c_str();
    }
    HRSRC found = FindResourceA(reading.module(), name.c_str(), resourceType);
    HGLOBAL loaded = found ? LoadResource(reading.module(), found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return std::nullopt;
    return std::string(static_cast<const char*>(data), SizeofResource(reading.module(), found));
}

HtmlDocument Notice(std::string title, std::string text, std::string_view address) {
    HtmlDocument document;
    document.title = title;
    HtmlBlock heading;
    heading.heading = 1;
    heading.runs.push_back({std::move(title), true, 0});
    HtmlBlock notice;
    notice.runs.push_back({std::move(text), false, 0});
    HtmlBlock where;
    where.runs.push_back({std::string(address), false, 0});
    document.blocks = {std::move(heading), std::move(notice), std::move(where)};
    return document;
}

}  // namespace

LoadedPage LoadPage(std::string_view address) {
    if (EqualsNoCase(address, kBlankPage)) return {};
    std::optional<std::string> html;
    if (StartsWithNoCase(address, kResourceScheme)) {
        html = ReadResource(address);
    } else if (StartsWithNoCase(address, kFileScheme)) {
        html = ReadMachineFile(FilePath(address));
    } else if (IsWindowsPath(address)) {
        html = ReadMachineFile(std::string(address));
    } else {
        return {PageOrigin::NotAvailable,
                Notice("Page not available", "This computer has no connection: the page cannot be shown here.",
                       address)};
    }
    if (!html) {
        return {PageOrigin::NotFound, Notice("Page not found", "The page cannot be found.", address)};
    }
    return {PageOrigin::Document, ReadHtml(*html)};
}

std::string ResolveAddress(std::string_view base, std::string_view link) {
    link = TrimBlanks(link);
    if (link.empty() || !SchemeOf(link).empty() || IsWindowsPath(link)) return std::string(link);
    size_t folderEnd = base.find_last_of(StartsWithNoCase(base, kResourceScheme) ? "/" : "/\\");
    if (folderEnd == std::string_view::npos || (StartsWithNoCase(base, kResourceScheme) && folderEnd < kResourceScheme.size()))
        return std::string(link);
    if (link[0] == '#') {
        size_t fragment = base.find('#');
        return std::string(base.substr(0, fragment)) + std::string(link);
    }
    return std::string(base.substr(0, folderEnd + 1)) + std::string(link);
}

}  // namespace platform::browser
