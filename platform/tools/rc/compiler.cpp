#include "platform/tools/rc/compiler.h"

#include <iomanip>
#include <map>
#include <sstream>

#include "platform/machine/host_file.h"
#include "platform/machine/text.h"
#include "platform/tools/rc/constants.h"
#include "platform/tools/source_reader/expression.h"
#include "windows.h"

namespace rc {

using namespace platform::resources;

namespace {

// Resource types the compiler names by keyword; others are user-defined and keep their name.
const std::map<std::string, std::uint16_t> kFileResourceTypes = {
    {"BITMAP", 2},    {"ICON", 3}, {"RCDATA", 10},      {"HTML", 23},
    {"MANIFEST", 24}, {"FONT", 8}, {"MESSAGETABLE", 11}};
const char* const kUnsupportedTypes[] = {"MENU",    "MENUEX",  "ACCELERATORS", "CURSOR",
                                         "TOOLBAR", "DLGINIT", "TEXTINCLUDE"};

enum ClassAtom : std::uint16_t {
    Button = 0x80,
    Edit = 0x81,
    Static = 0x82,
    ListBox = 0x83,
    ScrollBar = 0x84,
    ComboBox = 0x85
};

// The control statements other than CONTROL: their class, default style (WS_CHILD and WS_VISIBLE are
// added to all), and whether they take a text.
struct ControlKind {
    ClassAtom atom;
    std::uint32_t style;
    bool hasText;
};
const std::map<std::string, ControlKind> kControlKinds = {
    {"LTEXT", {Static, SS_LEFT | WS_GROUP, true}},
    {"RTEXT", {Static, SS_RIGHT | WS_GROUP, true}},
    {"CTEXT", {Static, SS_CENTER | WS_GROUP, true}},
    {"ICON", {Static, SS_ICON, true}},
    {"PUSHBUTTON", {Button, BS_PUSHBUTTON | WS_TABSTOP, true}},
    {"DEFPUSHBUTTON", {Button, BS_DEFPUSHBUTTON | WS_TABSTOP, true}},
    {"CHECKBOX", {Button, BS_CHECKBOX | WS_TABSTOP, true}},
    {"AUTOCHECKBOX", {Button, BS_AUTOCHECKBOX | WS_TABSTOP, true}},
    {"RADIOBUTTON", {Button, BS_RADIOBUTTON | WS_TABSTOP, true}},
    {"AUTORADIOBUTTON", {Button, BS_AUTORADIOBUTTON | WS_TABSTOP, true}},
    {"GROUPBOX", {Button, BS_GROUPBOX, true}},
    {"EDITTEXT", {Edit, ES_LEFT | WS_BORDER | WS_TABSTOP, false}},
    {"LISTBOX", {ListBox, LBS_NOTIFY | WS_BORDER, false}},
    {"COMBOBOX", {ComboBox, CBS_SIMPLE | WS_TABSTOP, false}},
    {"SCROLLBAR", {ScrollBar, SBS_HORZ, false}},
};

const std::map<std::string, ClassAtom> kClassNames = {{"BUTTON", Button},       {"EDIT", Edit},
                                                      {"STATIC", Static},       {"LISTBOX", ListBox},
                                                      {"SCROLLBAR", ScrollBar}, {"COMBOBOX", ComboBox}};

class Parser {
  public:
    Parser(std::vector<Token> tokens, std::filesystem::path scriptFolder, const ReaderOptions& options)
        : tokens_(std::move(tokens)), scriptFolder_(std::move(scriptFolder)), options_(options) {}

    std::vector<CompiledResource> Run() {
        while (Peek().kind != TokenKind::End) Statement();
        for (const auto& [key, block] : stringBlocks_) {
            resources_.push_back({NameOrId::Id(6), NameOrId::Id(static_cast<std::uint16_t>(key.second + 1)),
                                  key.first, EncodeStringBlock(block.strings)});
        }
        return std::move(resources_);
    }

  private:
    struct StringBlock {
        std::array<std::string, 16> strings;
        std::array<bool, 16> present{};
    };

    // Tokens

    const Token& Peek(size_t ahead = 0) const {
        size_t index = position_ + ahead;
        return index < tokens_.size() ? tokens_[index] : tokens_.back();
    }
    const Token& Next() {
        const Token& token = Peek();
        if (token.kind != TokenKind::End) ++position_;
        return token;
    }
    bool IsWord(const Token& token, const char* word) const {
        return token.kind == TokenKind::Identifier && platform::EqualsNoCase(token.text, word);
    }
    bool IsPunctuation(const Token& token, const char* text) const {
        return token.kind == TokenKind::Punctuation && token.text == text;
    }
    bool Accept(const char* punctuation) {
        if (!IsPunctuation(Peek(), punctuation)) return false;
        ++position_;
        return true;
    }
    [[noreturn]] void Fail(const Token& token, const std::string& message) const {
        throw CompileError(token.location, message);
    }
    std::string Describe(const Token& token) const { return platform::source::DescribeToken(token); }
    void Expect(const char* punctuation) {
        if (!Accept(punctuation))
            Fail(Peek(), std::string("expected '") + punctuation + "' but found " + Describe(Peek()));
    }
    void Comma() { Expect(","); }
    bool AcceptBegin() {
        if (IsWord(Peek(), "BEGIN") || IsPunctuation(Peek(), "{")) {
            ++position_;
            return true;
        }
        return false;
    }
    void ExpectBegin() {
        if (!AcceptBegin()) Fail(Peek(), "expected BEGIN but found " + Describe(Peek()));
    }
    bool AcceptEnd() {
        if (IsWord(Peek(), "END") || IsPunctuation(Peek(), "}")) {
            ++position_;
            return true;
        }
        if (Peek().kind == TokenKind::End) Fail(Peek(), "missing END");
        return false;
    }
    std::string ExpectString(const char* what) {
        const Token& token = Next();
        if (token.kind != TokenKind::String)
            Fail(token, std::string("expected ") + what + " but found " + Describe(token));
        std::string text = token.text;
        // Adjacent strings are joined.
        while (Peek().kind == TokenKind::String) text += Next().text;
        return text;
    }

    // Expressions: C integer expressions over numbers and the built-in constants, and NOT x for ~x.

    long Expression(platform::source::Precedence lowest = platform::source::Precedence::LogicalOr) {
        static const platform::source::ExpressionRules rules{
            [](const Token& name) {
                if (std::optional<long> value = BuiltInConstant(name.text)) return *value;
                throw CompileError(name.location, "undefined symbol '" + name.text + "'");
            },
            true, ""};
        return platform::source::EvaluateExpression(tokens_, position_, rules, lowest);
    }

    // A style: terms joined by '|', each added to `start`, or taken away from it when written NOT term.
    std::uint32_t Style(std::uint32_t start) {
        std::uint32_t style = start;
        do {
            bool remove = false;
            if (IsWord(Peek(), "NOT")) {
                ++position_;
                remove = true;
            }
            // '|' joins the terms here, so a term is an expression of tighter operators only.
            auto value = static_cast<std::uint32_t>(Expression(platform::source::Precedence::BitXor));
            style = remove ? style & ~value : style | value;
        } while (Accept("|"));
        return style;
    }

    std::int16_t Coordinate() { return static_cast<std::int16_t>(Expression()); }

    // A resource name: a number (or a symbol with a number's value), else a name in upper case.
    NameOrId ResourceName(const Token& token) {
        if (token.kind == TokenKind::String) return NameOrId::Name(platform::UpperCopy(token.text));
        if (token.kind == TokenKind::Identifier) {
            if (std::optional<long> value = BuiltInConstant(token.text))
                return NameOrId::Id(static_cast<std::uint16_t>(*value));
            return NameOrId::Name(platform::UpperCopy(token.text));
        }
        --position_;
        return NameOrId::Id(static_cast<std::uint16_t>(Expression()));
    }

    // Statements

    void Statement() {
        const Token& first = Next();
        if (IsWord(first, "LANGUAGE")) {
            language_ = Language();
            return;
        }
        if (IsWord(first, "STRINGTABLE")) return StringTable();
        if (first.kind == TokenKind::Punctuation && !IsPunctuation(first, "-") && !IsPunctuation(first, "("))
            Fail(first, "unexpected " + Describe(first));
        NameOrId name = ResourceName(first);
        const Token& type = Next();
        if (type.kind == TokenKind::End) Fail(type, "expected a resource type after the name");
        if (IsWord(type, "DIALOG") || IsWord(type, "DIALOGEX"))
            return DialogResource(name, IsWord(type, "DIALOGEX"));
        if (IsWord(type, "VERSIONINFO")) return VersionResource(name);
        if (type.kind == TokenKind::Identifier) {
            for (const char* unsupported : kUnsupportedTypes) {
                if (IsWord(type, unsupported))
                    Fail(type, "resources of type " + std::string(unsupported) + " are not supported");
            }
        }
        FileResource(name, type);
    }

    // The memory flags of 16-bit scripts, which Win32 ignores.
    bool AcceptMemoryFlag() {
        for (const char* flag :
             {"DISCARDABLE", "MOVEABLE", "PURE", "IMPURE", "PRELOAD", "LOADONCALL", "FIXED"}) {
            if (IsWord(Peek(), flag)) {
                ++position_;
                return true;
            }
        }
        return false;
    }

    std::uint16_t Language() {
        long primary = Expression();
        Comma();
        long sub = Expression();
        return static_cast<std::uint16_t>(MAKELANGID(primary, sub));
    }

    // LANGUAGE, CHARACTERISTICS and VERSION may precede a resource's body; only the language is kept.
    bool CommonOption(std::uint16_t& language) {
        if (IsWord(Peek(), "LANGUAGE")) {
            ++position_;
            language = Language();
            return true;
        }
        if (IsWord(Peek(), "CHARACTERISTICS") || IsWord(Peek(), "VERSION")) {
            ++position_;
            Expression();
            return true;
        }
        return false;
    }

    void StringTable() {
        std::uint16_t language = language_;
        while (CommonOption(language) || AcceptMemoryFlag()) {
        }
        ExpectBegin();
        while (!AcceptEnd()) {
            const Token& idToken = Peek();
            auto id = static_cast<std::uint16_t>(Expression());
            Accept(",");
            std::string text = ExpectString("a string");
            StringBlock& block = stringBlocks_[{language, id / 16}];
            if (block.present[id % 16])
                Fail(idToken, "string id " + std::to_string(id) + " is defined twice");
            block.present[id % 16] = true;
            block.strings[id % 16] = text;
        }
    }

    void DialogResource(const NameOrId& name, bool extended) {
        Dialog dialog;
        dialog.extended = extended;
        std::uint16_t language = language_;
        while (AcceptMemoryFlag()) {
        }
        dialog.x = Coordinate();
        Comma();
        dialog.y = Coordinate();
        Comma();
        dialog.cx = Coordinate();
        Comma();
        dialog.cy = Coordinate();
        if (extended && Accept(",")) dialog.helpId = static_cast<std::uint32_t>(Expression());

        bool styleGiven = false;
        std::uint32_t style = 0;
        bool hasCaption = false;
        bool hasFont = false;
        while (!AcceptBegin()) {
            if (CommonOption(language)) continue;
            const Token& option = Next();
            if (IsWord(option, "CAPTION")) {
                dialog.caption = ExpectString("the caption");
                hasCaption = true;
            } else if (IsWord(option, "STYLE")) {
                style = Style(0);
                styleGiven = true;
            } else if (IsWord(option, "EXSTYLE")) {
                dialog.exStyle = static_cast<std::uint32_t>(Style(0));
            } else if (IsWord(option, "FONT")) {
                hasFont = true;
                dialog.pointSize = static_cast<std::uint16_t>(Expression());
                Comma();
                dialog.fontName = ExpectString("the font name");
                if (extended && Accept(",")) {
                    dialog.fontWeight = static_cast<std::uint16_t>(Expression());
                    if (Accept(",")) {
                        dialog.fontItalic = static_cast<std::uint8_t>(Expression());
                        if (Accept(",")) dialog.fontCharset = static_cast<std::uint8_t>(Expression());
                    }
                }
            } else if (IsWord(option, "CLASS")) {
                dialog.className = Peek().kind == TokenKind::String
                                       ? NameOrId::Name(ExpectString("the class"))
                                       : NameOrId::Id(static_cast<std::uint16_t>(Expression()));
            } else if (IsWord(option, "MENU")) {
                dialog.menu = ResourceName(Next());
            } else {
                Fail(option, "unknown dialog statement " + Describe(option));
            }
        }
        // Without STYLE a dialog is a bordered pop-up with a system menu; CAPTION adds the title bar and
        // FONT the font fields.
        dialog.style = styleGiven ? style : static_cast<std::uint32_t>(WS_POPUP | WS_BORDER | WS_SYSMENU);
        if (hasCaption) dialog.style |= static_cast<std::uint32_t>(WS_CAPTION);
        if (hasFont) dialog.style |= static_cast<std::uint32_t>(DS_SETFONT);

        while (!AcceptEnd()) dialog.items.push_back(Control(extended));
        resources_.push_back({NameOrId::Id(5), name, language, EncodeDialog(dialog)});
    }

    NameOrId ControlText() {
        if (Peek().kind == TokenKind::String) return NameOrId::Name(ExpectString("the control text"));
        return NameOrId::Id(static_cast<std::uint16_t>(Expression()));
    }

    DialogItem Control(bool extended) {
        const Token& keyword = Next();
        if (keyword.kind != TokenKind::Identifier)
            Fail(keyword, "expected a control statement but found " + Describe(keyword));
        std::string word = platform::UpperCopy(keyword.text);
        constexpr std::uint32_t kChild = static_cast<std::uint32_t>(WS_CHILD | WS_VISIBLE);
        DialogItem item;
        if (word == "CONTROL") {
            // CONTROL text, id, class, style, x, y, cx, cy [, exstyle [, helpid]]
            item.text = ControlText();
            Comma();
            item.id = static_cast<std::uint32_t>(Expression());
            Comma();
            const Token& classToken = Next();
            std::string className = classToken.text;
            if (classToken.kind != TokenKind::String && classToken.kind != TokenKind::Identifier)
                Fail(classToken, "expected a control class but found " + Describe(classToken));
            auto atom = kClassNames.find(platform::UpperCopy(className));
            item.className =
                atom != kClassNames.end() ? NameOrId::Id(atom->second) : NameOrId::Name(className);
            Comma();
            item.style = Style(kChild);
            Comma();
            Position(item, true);
            OptionalExtras(item, extended);
            return item;
        }
        auto kind = kControlKinds.find(word);
        if (kind == kControlKinds.end()) Fail(keyword, "unknown control statement " + Describe(keyword));
        item.className = NameOrId::Id(kind->second.atom);
        item.text = NameOrId::Name("");
        if (kind->second.hasText) {
            item.text = ControlText();
            Comma();
        }
        item.id = static_cast<std::uint32_t>(Expression());
        Comma();
        item.style = kind->second.style | kChild;
        if (word == "ICON") {
            // ICON text, id, x, y [, cx, cy [, style [, exstyle]]]
            Position(item, false);
            if (Accept(",")) {
                item.cx = Coordinate();
                Comma();
                item.cy = Coordinate();
            }
        } else {
            Position(item, true);
        }
        if (Accept(",")) {
            item.style = Style(item.style);
            OptionalExtras(item, extended);
        }
        return item;
    }

    void Position(DialogItem& item, bool withSize) {
        item.x = Coordinate();
        Comma();
        item.y = Coordinate();
        if (!withSize) return;
        Comma();
        item.cx = Coordinate();
        Comma();
        item.cy = Coordinate();
    }

    // [, exstyle [, helpid]]; the help id belongs to DIALOGEX only.
    void OptionalExtras(DialogItem& item, bool extended) {
        if (!Accept(",")) return;
        item.exStyle = Style(0);
        if (!Accept(",")) return;
        if (!extended) Fail(Peek(), "a help id needs DIALOGEX");
        item.helpId = static_cast<std::uint32_t>(Expression());
    }

    void VersionResource(const NameOrId& name) {
        FixedFileInfo fixed;
        std::uint16_t language = language_;
        while (!AcceptBegin()) {
            if (CommonOption(language)) continue;
            const Token& statement = Next();
            std::string word = platform::UpperCopy(statement.text);
            if (statement.kind == TokenKind::Identifier &&
                (word == "FILEVERSION" || word == "PRODUCTVERSION")) {
                std::uint32_t parts[4] = {};
                for (int index = 0; index < 4; ++index) {
                    if (index > 0 && !Accept(",")) break;
                    parts[index] = static_cast<std::uint16_t>(Expression());
                }
                std::uint32_t high = parts[0] << 16 | parts[1];
                std::uint32_t low = parts[2] << 16 | parts[3];
                (word == "FILEVERSION" ? fixed.fileVersionMS : fixed.productVersionMS) = high;
                (word == "FILEVERSION" ? fixed.fileVersionLS : fixed.productVersionLS) = low;
            } else if (word == "FILEFLAGSMASK") {
                fixed.fileFlagsMask = static_cast<std::uint32_t>(Expression());
            } else if (word == "FILEFLAGS") {
                fixed.fileFlags = static_cast<std::uint32_t>(Expression());
            } else if (word == "FILEOS") {
                fixed.fileOS = static_cast<std::uint32_t>(Expression());
            } else if (word == "FILETYPE") {
                fixed.fileType = static_cast<std::uint32_t>(Expression());
            } else if (word == "FILESUBTYPE") {
                fixed.fileSubtype = static_cast<std::uint32_t>(Expression());
            } else {
                Fail(statement, "unknown version statement " + Describe(statement));
            }
        }
        std::vector<VersionNode> blocks = VersionChildren();
        resources_.push_back({NameOrId::Id(16), name, language, EncodeVersionInfo(fixed, blocks)});
    }

    // BLOCK "key" BEGIN ... END and VALUE "key", values, up to the END of the enclosing block.
    std::vector<VersionNode> VersionChildren() {
        std::vector<VersionNode> children;
        while (!AcceptEnd()) {
            const Token& statement = Next();
            VersionNode node;
            if (IsWord(statement, "BLOCK")) {
                node.isBlock = true;
                node.key = ExpectString("the block name");
                ExpectBegin();
                node.children = VersionChildren();
            } else if (IsWord(statement, "VALUE")) {
                node.key = ExpectString("the value name");
                while (Accept(",")) VersionValue(node);
            } else {
                Fail(statement, "expected BLOCK or VALUE but found " + Describe(statement));
            }
            children.push_back(std::move(node));
        }
        return children;
    }

    // A text value, or numbers stored as 16-bit words (32-bit when written with L).
    void VersionValue(VersionNode& node) {
        const Token& start = Peek();
        if (start.kind == TokenKind::String) {
            if (!node.binary.empty()) Fail(start, "a value cannot mix text and numbers");
            node.isText = true;
            node.text += ExpectString("a value");
            return;
        }
        if (node.isText) Fail(start, "a value cannot mix text and numbers");
        bool wide = start.kind == TokenKind::Number && start.longNumber;
        auto value = static_cast<std::uint32_t>(Expression());
        for (int byte = 0; byte < (wide ? 4 : 2); ++byte)
            node.binary.push_back(static_cast<std::uint8_t>(value >> (8 * byte)));
    }

    void FileResource(const NameOrId& name, const Token& typeToken) {
        NameOrId type;
        std::string typeWord = platform::UpperCopy(typeToken.text);
        if (typeToken.kind == TokenKind::Identifier && kFileResourceTypes.count(typeWord)) {
            type = NameOrId::Id(kFileResourceTypes.at(typeWord));
        } else if (typeToken.kind == TokenKind::Identifier || typeToken.kind == TokenKind::String) {
            std::optional<long> constant = BuiltInConstant(typeToken.text);
            type = constant ? NameOrId::Id(static_cast<std::uint16_t>(*constant)) : NameOrId::Name(typeWord);
        } else if (typeToken.kind == TokenKind::Number) {
            type = NameOrId::Id(static_cast<std::uint16_t>(typeToken.value));
        } else {
            Fail(typeToken, "expected a resource type but found " + Describe(typeToken));
        }
        std::uint16_t language = language_;
        while (CommonOption(language) || AcceptMemoryFlag()) {
        }
        const Token& fileToken = Peek();
        if (AcceptBegin()) Fail(fileToken, "resource data written inline is not supported; name a file");
        // The file name ends the statement: a string after it begins the next one (a quoted resource name).
        const Token& fileNameToken = Next();
        if (fileNameToken.kind != TokenKind::String)
            Fail(fileNameToken, "expected a file name but found " + Describe(fileNameToken));
        std::string fileName = fileNameToken.text;
        Bytes bytes = ReadResourceFile(fileName, fileToken);
        if (type == NameOrId::Id(2)) {
            std::optional<Bytes> bitmap = BitmapResource(bytes);
            if (!bitmap) Fail(fileToken, "'" + fileName + "' is not a bitmap file");
            resources_.push_back({type, name, language, std::move(*bitmap)});
            return;
        }
        if (type == NameOrId::Id(3)) {
            std::optional<IconResources> icons = SplitIconFile(bytes, nextIconId_);
            if (!icons) Fail(fileToken, "'" + fileName + "' is not an icon file");
            for (Bytes& image : icons->images)
                resources_.push_back(
                    {NameOrId::Id(3), NameOrId::Id(nextIconId_++), language, std::move(image)});
            resources_.push_back({NameOrId::Id(14), name, language, std::move(icons->group)});
            return;
        }
        resources_.push_back({type, name, language, std::move(bytes)});
    }

    Bytes ReadResourceFile(const std::string& fileName, const Token& token) {
        std::string hostName = fileName;
        for (char& character : hostName) {
            if (character == '\\') character = '/';
        }
        std::vector<std::filesystem::path> folders{scriptFolder_};
        folders.insert(folders.end(), options_.includeFolders.begin(), options_.includeFolders.end());
        // The first folder that has something by that name gives the file; a folder or an unreadable
        // file there is an error, not a reason to look further.
        for (const std::filesystem::path& folder : folders) {
            int error = 0;
            std::optional<std::string> contents = platform::ReadHostFile(folder / hostName, error);
            if (contents) return Bytes(contents->begin(), contents->end());
            if (!platform::IsMissingFileError(error))
                Fail(token, "cannot read file '" + fileName + "': " + platform::HostFileErrorText(error));
        }
        Fail(token, "cannot open file '" + fileName + "'");
    }

    std::vector<Token> tokens_;
    size_t position_ = 0;
    std::filesystem::path scriptFolder_;
    const ReaderOptions& options_;
    std::uint16_t language_ = 0;
    std::uint16_t nextIconId_ = 1;
    std::map<std::pair<std::uint16_t, std::uint16_t>, StringBlock> stringBlocks_;  // by language and block
    std::vector<CompiledResource> resources_;
};

std::string CppName(const NameOrId& value) {
    if (value.id) return "MAKEINTRESOURCE(" + std::to_string(*value.id) + ")";
    std::ostringstream text;
    text << '"';
    for (char character : value.name) {
        auto byte = static_cast<unsigned char>(character);
        if (byte < 0x20 || byte >= 0x7F || character == '"' || character == '\\' || character == '?') {
            text << "\\" << std::oct << std::setw(3) << std::setfill('0') << static_cast<unsigned>(byte)
                 << std::dec;
        } else {
            text << character;
        }
    }
    text << '"';
    return text.str();
}

}  // namespace

std::vector<CompiledResource> CompileScript(const std::filesystem::path& script,
                                            const ReaderOptions& options) {
    Parser parser(ReadScript(script, options), script.parent_path(), options);
    return parser.Run();
}

void WriteRegistrationSource(const std::vector<CompiledResource>& resources, const std::string& scriptName,
                             std::ostream& out) {
    out << "// Generated by the resource compiler from " << scriptName << "; do not edit.\n"
        << "#include \"platform/kernel32/module_resources.h\"\n\n"
        << "namespace {\n\n";
    for (size_t index = 0; index < resources.size(); ++index) {
        const Bytes& data = resources[index].data;
        out << "const unsigned char kResource" << index << "[" << (data.empty() ? 1 : data.size()) << "] = {";
        for (size_t byte = 0; byte < data.size(); ++byte) {
            out << (byte % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(data[byte]) << ",";
        }
        if (data.empty()) out << "0";
        out << "\n};\n";
    }
    out << "\nconst platform::ModuleResourcesRegistrar registrar(nullptr, {\n";
    for (size_t index = 0; index < resources.size(); ++index) {
        const CompiledResource& resource = resources[index];
        out << "    {" << CppName(resource.type) << ", " << CppName(resource.name) << ", 0x" << std::hex
            << std::setw(4) << std::setfill('0') << resource.language << std::dec << ", kResource" << index
            << ", " << resource.data.size() << "},\n";
    }
    out << "});\n\n}  // namespace\n";
}

}  // namespace rc
