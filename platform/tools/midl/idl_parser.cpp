#include "platform/tools/midl/idl_parser.h"

#include <cstdlib>
#include <set>
#include <tuple>

#include "platform/machine/host_file.h"
#include "platform/machine/text.h"
#include "platform/tools/source_reader/expression.h"

namespace midl {

using namespace platform::typelib;
using platform::source::Token;
using platform::source::TokenKind;

TypeReference NamedReference(const std::string& name) {
    ImportedType placeholder;
    placeholder.typeName = name;
    return TypeReference::Imported(placeholder);
}

std::string ReferenceName(const TypeReference& reference) {
    if (!reference.imported || reference.imported->library != GUID{}) return {};
    return reference.imported->typeName;
}

namespace {

constexpr GUID kStdOleLibrary = {
    0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

GUID OleGuid(std::uint32_t first) {
    return {first, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}

// The interfaces the built-in base files declare: their IID, base and number of vtable slots.
struct BuiltInInterface {
    const char* name;
    GUID iid;
    const char* base;
    std::uint16_t slots;
    const char* header;
};

const BuiltInInterface kBuiltInInterfaces[] = {
    {"IUnknown", OleGuid(0x00000000), "", 3, "unknwn.h"},
    {"IClassFactory", OleGuid(0x00000001), "IUnknown", 5, "unknwn.h"},
    {"IDispatch", OleGuid(0x00020400), "IUnknown", 7, "oaidl.h"},
    {"ITypeInfo", OleGuid(0x00020401), "IUnknown", 22, "oaidl.h"},
    {"ITypeLib", OleGuid(0x00020402), "IUnknown", 13, "oaidl.h"},
    {"IEnumVARIANT", OleGuid(0x00020404), "IUnknown", 7, "oaidl.h"},
    {"IErrorInfo",
     {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}},
     "IUnknown",
     8,
     "oaidl.h"},
    {"ISupportErrorInfo",
     {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}},
     "IUnknown",
     4,
     "oaidl.h"},
    {"IProvideClassInfo",
     {0xB196B283, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}},
     "IUnknown",
     4,
     "ocidl.h"},
    {"IConnectionPointContainer",
     {0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}},
     "IUnknown",
     5,
     "ocidl.h"},
    {"IConnectionPoint",
     {0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}},
     "IUnknown",
     8,
     "ocidl.h"},
};

// The base files and the header that declares what each holds.
const std::map<std::string, const char*> kBuiltInFiles = {{"UNKNWN.IDL", "unknwn.h"},
                                                          {"WTYPES.IDL", "wtypes.h"},
                                                          {"OBJIDL.IDL", "unknwn.h"},
                                                          {"OAIDL.IDL", "oaidl.h"},
                                                          {"OCIDL.IDL", "ocidl.h"}};

const BuiltInInterface* FindBuiltIn(const std::string& name) {
    for (const BuiltInInterface& candidate : kBuiltInInterfaces) {
        if (name == candidate.name) return &candidate;
    }
    return nullptr;
}

// The automation types by the names IDL gives them, with their C++ spelling.
struct BaseType {
    const char* name;
    VarType type;
    const char* cpp;
};
const BaseType kBaseTypes[] = {
    {"long", VarType::I4, "LONG"},
    {"LONG", VarType::I4, "LONG"},
    {"int", VarType::Int, "INT"},
    {"INT", VarType::Int, "INT"},
    {"short", VarType::I2, "SHORT"},
    {"SHORT", VarType::I2, "SHORT"},
    {"char", VarType::I1, "CHAR"},
    {"CHAR", VarType::I1, "CHAR"},
    {"BYTE", VarType::UI1, "BYTE"},
    {"float", VarType::R4, "float"},
    {"double", VarType::R8, "double"},
    {"hyper", VarType::I8, "LONGLONG"},
    {"__int64", VarType::I8, "LONGLONG"},
    {"BSTR", VarType::Bstr, "BSTR"},
    {"VARIANT_BOOL", VarType::Bool, "VARIANT_BOOL"},
    {"VARIANT", VarType::Variant, "VARIANT"},
    {"DATE", VarType::Date, "DATE"},
    {"CY", VarType::Currency, "CY"},
    {"CURRENCY", VarType::Currency, "CY"},
    {"SCODE", VarType::Error, "SCODE"},
    {"HRESULT", VarType::HResult, "HRESULT"},
    {"void", VarType::Void, "void"},
    {"LPSTR", VarType::LpStr, "LPSTR"},
    {"LPWSTR", VarType::LpWStr, "LPWSTR"},
    {"LPOLESTR", VarType::LpWStr, "LPOLESTR"},
    {"DWORD", VarType::UI4, "DWORD"},
    {"ULONG", VarType::UI4, "ULONG"},
    {"UINT", VarType::UInt, "UINT"},
    {"USHORT", VarType::UI2, "USHORT"},
    {"WORD", VarType::UI2, "WORD"},
};
// Unsigned forms: `unsigned long` and the others.
const BaseType kUnsignedTypes[] = {
    {"long", VarType::UI4, "ULONG"},      {"int", VarType::UInt, "UINT"},
    {"short", VarType::UI2, "USHORT"},    {"char", VarType::UI1, "BYTE"},
    {"hyper", VarType::UI8, "ULONGLONG"}, {"__int64", VarType::UI8, "ULONGLONG"},
};

const std::set<std::string> kIgnoredAttributes = {
    "pointer_default",  "local", "helpcontext", "helpfile", "odl",    "public", "v1_enum",
    "custom",           "lcid",  "version",     "ptr",      "unique", "ref",    "string",
    "helpstringcontext"};

struct Attribute {
    std::string name;
    std::vector<Token> arguments;  // the tokens between the parentheses, ending with an End token
    Token token;
};

struct Attributes {
    std::vector<Attribute> list;

    const Attribute* Find(const char* name) const {
        for (const Attribute& attribute : list) {
            if (attribute.name == name) return &attribute;
        }
        return nullptr;
    }
    bool Has(const char* name) const { return Find(name) != nullptr; }
};

// Parsed type: the type library's description and the C++ spelling.
struct ParsedType {
    TypeDescription description;
    std::string cpp;
};

struct KnownInterface {
    std::uint16_t slots = 0;
    bool defined = false;
    bool dispatchable = false;  // derives from IDispatch
};

class Parser {
  public:
    Parser(const ReaderOptions& options, IdlFile& file) : options_(options), file_(file) {
        for (const BuiltInInterface& builtIn : kBuiltInInterfaces) {
            interfaces_[builtIn.name] = {builtIn.slots, true, std::string(builtIn.name) == "IDispatch"};
        }
    }

    // `from` is where the file was named: an import, or the command line.
    void ParseFile(const std::filesystem::path& path, bool imported,
                   const platform::source::SourceLocation& from = {}) {
        if (++depth_ > 16) throw CompileError({}, "import nested too deeply");
        std::vector<Token> saved = std::move(tokens_);
        size_t savedPosition = position_;
        bool savedImported = imported_;
        tokens_ = platform::source::ReadSource(path, options_, Dialect(), from);
        position_ = 0;
        imported_ = imported;
        while (Peek().kind != TokenKind::End) TopLevel(path);
        tokens_ = std::move(saved);
        position_ = savedPosition;
        imported_ = savedImported;
        --depth_;
    }

  private:
    static const platform::source::SourceDialect& Dialect() {
        static const platform::source::SourceDialect dialect = {
            ",;:[](){}<>=|&^+-*/%~!.", false, true, true, {}, {},
        };
        return dialect;
    }

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
    static bool IsWord(const Token& token, const char* word) {
        return token.kind == TokenKind::Identifier && token.text == word;
    }
    static bool IsPunctuation(const Token& token, const char* text) {
        return token.kind == TokenKind::Punctuation && token.text == text;
    }
    bool Accept(const char* punctuation) {
        if (!IsPunctuation(Peek(), punctuation)) return false;
        ++position_;
        return true;
    }
    bool AcceptWord(const char* word) {
        if (!IsWord(Peek(), word)) return false;
        ++position_;
        return true;
    }
    [[noreturn]] static void Fail(const Token& token, const std::string& message) {
        throw CompileError(token.location, message);
    }
    void Expect(const char* punctuation) {
        if (!Accept(punctuation))
            Fail(Peek(), std::string("expected '") + punctuation + "' but found " +
                             platform::source::DescribeToken(Peek()));
    }
    std::string ExpectName(const char* what) {
        const Token& token = Next();
        if (token.kind != TokenKind::Identifier)
            Fail(token,
                 std::string("expected ") + what + " but found " + platform::source::DescribeToken(token));
        return token.text;
    }
    std::string ExpectString(const char* what) {
        const Token& token = Next();
        if (token.kind != TokenKind::String)
            Fail(token,
                 std::string("expected ") + what + " but found " + platform::source::DescribeToken(token));
        std::string text = token.text;
        while (Peek().kind == TokenKind::String) text += Next().text;
        return text;
    }

    // Attributes: [name, name(arguments), ...]

    Attributes AttributeList() {
        Attributes attributes;
        if (!Accept("[")) return attributes;
        if (Accept("]")) return attributes;
        do {
            Attribute attribute;
            attribute.token = Peek();
            attribute.name = ExpectName("an attribute");
            if (Accept("(")) {
                int nesting = 0;
                while (!(nesting == 0 && IsPunctuation(Peek(), ")"))) {
                    const Token& token = Next();
                    if (token.kind == TokenKind::End) Fail(token, "missing ) in attribute " + attribute.name);
                    if (IsPunctuation(token, "(")) ++nesting;
                    if (IsPunctuation(token, ")")) --nesting;
                    attribute.arguments.push_back(token);
                }
                Expect(")");
            }
            Token end;
            end.location = attribute.token.location;
            attribute.arguments.push_back(end);
            attributes.list.push_back(std::move(attribute));
        } while (Accept(","));
        Expect("]");
        return attributes;
    }

    // Refuses attributes that the declaration cannot carry.
    static void CheckAttributes(const Attributes& attributes, std::initializer_list<const char*> allowed) {
        for (const Attribute& attribute : attributes.list) {
            bool known = kIgnoredAttributes.count(attribute.name) != 0;
            for (const char* name : allowed) known = known || attribute.name == name;
            if (!known) Fail(attribute.token, "attribute '" + attribute.name + "' is not allowed here");
        }
    }

    static GUID ParseGuid(const Attribute& attribute) {
        const Token& token = attribute.arguments.front();
        std::string text = token.text;
        if (token.kind != TokenKind::Uuid && token.kind != TokenKind::String) text.clear();
        if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
        static const size_t kDashes[] = {8, 13, 18, 23};
        bool valid = text.size() == 36 && attribute.arguments.size() == 2;
        for (size_t index = 0; valid && index < text.size(); ++index) {
            bool dash =
                index == kDashes[0] || index == kDashes[1] || index == kDashes[2] || index == kDashes[3];
            valid = dash ? text[index] == '-' : std::isxdigit(static_cast<unsigned char>(text[index])) != 0;
        }
        if (!valid)
            Fail(attribute.token, "uuid needs a GUID of the form 12345678-1234-1234-1234-123456789ABC");
        auto hex = [&text](size_t start, size_t count) {
            return std::strtoul(text.substr(start, count).c_str(), nullptr, 16);
        };
        GUID guid{};
        guid.Data1 = static_cast<std::uint32_t>(hex(0, 8));
        guid.Data2 = static_cast<std::uint16_t>(hex(9, 4));
        guid.Data3 = static_cast<std::uint16_t>(hex(14, 4));
        for (size_t index = 0; index < 8; ++index) {
            size_t start = index < 2 ? 19 + 2 * index : 24 + 2 * (index - 2);
            guid.Data4[index] = static_cast<BYTE>(hex(start, 2));
        }
        return guid;
    }

    static std::string AttributeString(const Attribute& attribute) {
        std::string text;
        for (const Token& token : attribute.arguments) {
            if (token.kind == TokenKind::End) break;
            if (token.kind != TokenKind::String) Fail(attribute.token, attribute.name + " needs a string");
            text += token.text;
        }
        if (attribute.arguments.size() < 2) Fail(attribute.token, attribute.name + " needs a string");
        return text;
    }

    long AttributeNumber(const Attribute& attribute) const {
        if (attribute.arguments.size() < 2) Fail(attribute.token, attribute.name + " needs a value");
        size_t position = 0;
        long value = Evaluate(attribute.arguments, position);
        if (attribute.arguments[position].kind != TokenKind::End)
            Fail(attribute.arguments[position],
                 "unexpected " + platform::source::DescribeToken(attribute.arguments[position]) +
                     " in attribute " + attribute.name);
        return value;
    }

    // version(1.0): the major and minor numbers.
    static std::pair<std::uint16_t, std::uint16_t> Version(const Attribute& attribute) {
        const std::vector<Token>& tokens = attribute.arguments;
        if (tokens.size() == 2 && tokens[0].kind == TokenKind::Number)
            return {static_cast<std::uint16_t>(tokens[0].value), 0};
        if (tokens.size() != 4 || tokens[0].kind != TokenKind::Number || !IsPunctuation(tokens[1], ".") ||
            tokens[2].kind != TokenKind::Number)
            Fail(attribute.token, "version needs major.minor");
        return {static_cast<std::uint16_t>(tokens[0].value), static_cast<std::uint16_t>(tokens[2].value)};
    }

    // Integer expressions over numbers and the constants of the enums declared so far.
    long Evaluate(const std::vector<Token>& tokens, size_t& position) const {
        platform::source::ExpressionRules rules{[this](const Token& name) -> long {
                                                    auto found = constants_.find(name.text);
                                                    if (found == constants_.end())
                                                        Fail(name, "undefined constant '" + name.text + "'");
                                                    return found->second;
                                                },
                                                false, ""};
        return platform::source::EvaluateExpression(tokens, position, rules);
    }

    void SetCommonAttributes(const Attributes& attributes, TypeDefinition& type) {
        if (const Attribute* uuid = attributes.Find("uuid")) type.guid = ParseGuid(*uuid);
        if (const Attribute* help = attributes.Find("helpstring")) type.helpString = AttributeString(*help);
        if (const Attribute* version = attributes.Find("version"))
            std::tie(type.majorVersion, type.minorVersion) = Version(*version);
        if (attributes.Has("hidden")) type.flags |= type_flags::kHidden;
        if (attributes.Has("restricted")) type.flags |= type_flags::kRestricted;
    }

    // Declarations

    void TopLevel(const std::filesystem::path& path) {
        if (Accept(";")) return;
        if (IsWord(Peek(), "import")) return Import(path);
        if (IsWord(Peek(), "cpp_quote")) return CppQuote();
        if (IsWord(Peek(), "midl_pragma")) {
            while (!IsPunctuation(Peek(), ")") && Peek().kind != TokenKind::End) Next();
            Expect(")");
            return;
        }
        Declarations(false);
    }

    // A declaration that may stand at the top level or inside the library.
    void Declarations(bool inLibrary) {
        const Token& start = Peek();
        if (IsWord(start, "typedef")) return Typedef(inLibrary);
        if (IsWord(start, "importlib")) {
            if (!inLibrary) Fail(start, "importlib belongs inside the library block");
            return ImportLibrary();
        }
        if (IsWord(start, "cpp_quote")) return CppQuote();
        Attributes attributes = AttributeList();
        const Token& keyword = Next();
        if (IsWord(keyword, "interface")) return Interface(attributes, keyword, inLibrary);
        if (IsWord(keyword, "dispinterface")) return DispInterface(attributes, keyword, inLibrary);
        if (IsWord(keyword, "coclass")) return CoClass(attributes, keyword, inLibrary);
        if (IsWord(keyword, "enum")) return Enum(attributes, keyword, inLibrary, false);
        if (IsWord(keyword, "library")) {
            if (inLibrary) Fail(keyword, "a library inside a library");
            return Library(attributes, keyword);
        }
        Fail(keyword, "expected a declaration but found " + platform::source::DescribeToken(keyword));
    }

    Declaration& Add(Declaration::Kind kind, bool inLibrary) {
        Declaration declaration;
        declaration.kind = kind;
        declaration.imported = imported_;
        declaration.inLibrary = inLibrary;
        file_.declarations.push_back(std::move(declaration));
        return file_.declarations.back();
    }

    void Import(const std::filesystem::path& path) {
        Next();
        do {
            const Token& nameToken = Peek();
            std::string name = ExpectString("the file to import");
            auto builtIn = kBuiltInFiles.find(platform::UpperCopy(name));
            if (builtIn != kBuiltInFiles.end()) {
                AddHeader(builtIn->second);
                continue;
            }
            std::filesystem::path found = FindFile(name, path, nameToken);
            AddHeader(std::filesystem::path(name).replace_extension(".h").filename().string());
            if (importedFiles_.insert(std::filesystem::weakly_canonical(found).string()).second)
                ParseFile(found, true, nameToken.location);
        } while (Accept(","));
        Expect(";");
    }

    void AddHeader(const std::string& header) {
        if (imported_) return;
        for (const std::string& known : file_.headers) {
            if (known == header) return;
        }
        file_.headers.push_back(header);
    }

    std::filesystem::path FindFile(const std::string& name, const std::filesystem::path& from,
                                   const Token& token) {
        std::vector<std::filesystem::path> folders{from.parent_path()};
        folders.insert(folders.end(), options_.includeFolders.begin(), options_.includeFolders.end());
        // Whatever is there by that name is the file: a folder is refused when it is read.
        for (const std::filesystem::path& folder : folders) {
            std::error_code error;
            if (std::filesystem::exists(folder / name, error)) return folder / name;
        }
        Fail(token, "cannot open file '" + name + "'");
    }

    void CppQuote() {
        Next();
        Expect("(");
        std::string text = ExpectString("the text to quote");
        Expect(")");
        Accept(";");
        Add(Declaration::Kind::CppQuote, false).text = text;
    }

    void ImportLibrary() {
        Next();
        Expect("(");
        const Token& nameToken = Peek();
        std::string name = ExpectString("the type library to import");
        Expect(")");
        Expect(";");
        std::string upper = platform::UpperCopy(name);
        ImportedLibrary library;
        library.file = name;
        if (upper == "STDOLE2.TLB" || upper == "STDOLE32.TLB") {
            library.libraryId = kStdOleLibrary;
            library.majorVersion = 2;
            for (const char* type : {"IUnknown", "IDispatch", "IEnumVARIANT"})
                library.types[type] = FindBuiltIn(type)->iid;
        } else {
            std::filesystem::path found =
                FindFile(name, nameToken.location.file ? *nameToken.location.file : "", nameToken);
            int readError = 0;
            std::optional<std::string> contents = platform::ReadHostFile(found, readError);
            if (!contents)
                Fail(nameToken, "cannot read file '" + name + "': " + platform::HostFileErrorText(readError));
            Bytes bytes(contents->begin(), contents->end());
            std::string error;
            std::optional<TypeLibrary> other = Deserialize(bytes, &error);
            if (!other) Fail(nameToken, "'" + name + "' is not a type library: " + error);
            library.libraryId = other->libraryId;
            library.majorVersion = other->majorVersion;
            library.minorVersion = other->minorVersion;
            for (const TypeDefinition& type : other->types) {
                library.types[type.name] = type.guid;
                if (type.kind == TypeKind::Interface && !interfaces_.count(type.name))
                    interfaces_[type.name] = {type.vtableSlots, true,
                                              (type.flags & type_flags::kDispatchable) != 0};
                if (type.kind == TypeKind::Enum) userTypes_[type.name] = TypeKind::Enum;
                if (type.kind == TypeKind::Interface || type.kind == TypeKind::Dispatch)
                    userTypes_[type.name] = type.kind;
            }
        }
        file_.importedLibraries.push_back(std::move(library));
    }

    void Library(const Attributes& attributes, const Token& keyword) {
        CheckAttributes(attributes,
                        {"uuid", "helpstring", "version", "lcid", "hidden", "restricted", "control"});
        if (file_.library) Fail(keyword, "a second library");
        if (!attributes.Has("uuid")) Fail(keyword, "the library needs a uuid");
        TypeLibrary library;
        library.name = ExpectName("the library's name");
        library.libraryId = ParseGuid(*attributes.Find("uuid"));
        if (const Attribute* help = attributes.Find("helpstring"))
            library.helpString = AttributeString(*help);
        if (const Attribute* version = attributes.Find("version"))
            std::tie(library.majorVersion, library.minorVersion) = Version(*version);
        if (const Attribute* lcid = attributes.Find("lcid"))
            library.lcid = static_cast<std::uint32_t>(AttributeNumber(*lcid));
        if (attributes.Has("hidden")) library.flags |= library_flags::kHidden;
        if (attributes.Has("restricted")) library.flags |= library_flags::kRestricted;
        if (attributes.Has("control")) library.flags |= library_flags::kControl;
        if (!imported_) {
            file_.library = library;
            Add(Declaration::Kind::Library, false).text = library.name;
        }
        Expect("{");
        while (!Accept("}")) {
            if (Peek().kind == TokenKind::End) Fail(Peek(), "missing } of the library");
            if (Accept(";")) continue;
            Declarations(true);
        }
        Accept(";");
    }

    void Typedef(bool inLibrary) {
        Next();
        Attributes attributes = AttributeList();
        const Token& keyword = Next();
        if (!IsWord(keyword, "enum")) Fail(keyword, "only enums can be declared with typedef");
        Enum(attributes, keyword, inLibrary, true);
    }

    void Enum(const Attributes& attributes, const Token& keyword, bool inLibrary, bool typedefed) {
        CheckAttributes(attributes, {"uuid", "helpstring", "hidden", "restricted", "version"});
        Declaration declaration;
        declaration.kind = Declaration::Kind::Enum;
        declaration.imported = imported_;
        declaration.inLibrary = inLibrary;
        declaration.type.kind = TypeKind::Enum;
        SetCommonAttributes(attributes, declaration.type);
        if (Peek().kind == TokenKind::Identifier) declaration.enumTag = Next().text;
        Expect("{");
        long next = 0;
        while (!Accept("}")) {
            Attributes constantAttributes = AttributeList();
            CheckAttributes(constantAttributes, {"helpstring"});
            EnumConstant constant;
            const Token& nameToken = Peek();
            constant.name = ExpectName("an enum constant");
            if (constants_.count(constant.name)) Fail(nameToken, "'" + constant.name + "' is defined twice");
            if (const Attribute* help = constantAttributes.Find("helpstring"))
                constant.helpString = AttributeString(*help);
            if (Accept("=")) next = Evaluate(tokens_, position_);
            constant.value = static_cast<std::int32_t>(next);
            constants_[constant.name] = constant.value;
            declaration.type.constants.push_back(constant);
            ++next;
            if (!Accept(",")) {
                Expect("}");
                break;
            }
        }
        if (typedefed) {
            declaration.type.name = ExpectName("the enum's name");
        } else {
            if (declaration.enumTag.empty()) Fail(keyword, "an enum needs a name");
            declaration.type.name = declaration.enumTag;
        }
        Expect(";");
        DeclareName(keyword, declaration.type.name, TypeKind::Enum);
        file_.declarations.push_back(std::move(declaration));
    }

    void DeclareName(const Token& token, const std::string& name, TypeKind kind) {
        auto [found, inserted] = userTypes_.emplace(name, kind);
        if (!inserted &&
            !(found->second == kind && (kind == TypeKind::Interface || kind == TypeKind::Dispatch)))
            Fail(token, "'" + name + "' is declared twice");
    }

    // Types: [const] [unsigned|signed] name | SAFEARRAY(type), then pointers.
    ParsedType Type() {
        AcceptWord("const");
        ParsedType type;
        const Token& start = Peek();
        if (AcceptWord("SAFEARRAY")) {
            Expect("(");
            ParsedType element = Type();
            Expect(")");
            type.description = TypeDescription::SafeArrayOf(element.description);
            type.cpp = "SAFEARRAY*";
        } else if (AcceptWord("unsigned")) {
            std::string name = IsWord(Peek(), "long") || IsWord(Peek(), "int") || IsWord(Peek(), "short") ||
                                       IsWord(Peek(), "char") || IsWord(Peek(), "hyper") ||
                                       IsWord(Peek(), "__int64")
                                   ? Next().text
                                   : "int";
            for (const BaseType& base : kUnsignedTypes) {
                if (name == base.name) type = {TypeDescription::Base(base.type), base.cpp};
            }
        } else {
            AcceptWord("signed");
            std::string name = ExpectName("a type");
            bool found = false;
            for (const BaseType& base : kBaseTypes) {
                if (name == base.name) {
                    type = {TypeDescription::Base(base.type), base.cpp};
                    found = true;
                }
            }
            if (!found) type = NamedType(name, start);
        }
        AcceptWord("const");
        while (Accept("*")) {
            // IDispatch* and IUnknown* are automation types of their own.
            if (type.description.type == VarType::UserDefined &&
                ReferenceName(*type.description.reference) == "IDispatch") {
                type.description = TypeDescription::Base(VarType::Dispatch);
            } else if (type.description.type == VarType::UserDefined &&
                       ReferenceName(*type.description.reference) == "IUnknown") {
                type.description = TypeDescription::Base(VarType::Unknown);
            } else {
                type.description = TypeDescription::PointerTo(type.description);
            }
            type.cpp += "*";
            AcceptWord("const");
        }
        return type;
    }

    ParsedType NamedType(const std::string& name, const Token& token) {
        if (FindBuiltIn(name) || userTypes_.count(name))
            return {TypeDescription::User(NamedReference(name)), name};
        Fail(token, "unknown type '" + name + "'");
    }

    // interface Name; or [attributes] interface Name : Base { members };
    void Interface(const Attributes& attributes, const Token& keyword, bool inLibrary) {
        const Token& nameToken = Peek();
        std::string name = ExpectName("the interface's name");
        if (FindBuiltIn(name)) Fail(nameToken, "'" + name + "' is a built-in interface");
        if (Accept(";")) {
            DeclareName(nameToken, name, TypeKind::Interface);
            interfaces_.emplace(name, KnownInterface{});
            Add(Declaration::Kind::Forward, inLibrary).text = name;
            return;
        }
        CheckAttributes(attributes, {"object", "uuid", "dual", "oleautomation", "nonextensible", "hidden",
                                     "helpstring", "restricted", "version"});
        if (!attributes.Has("uuid")) Fail(keyword, "interface " + name + " needs a uuid");
        if (interfaces_.count(name) && interfaces_[name].defined)
            Fail(nameToken, "'" + name + "' is defined twice");
        DeclareName(nameToken, name, TypeKind::Interface);
        Declaration declaration;
        declaration.kind = Declaration::Kind::Interface;
        declaration.imported = imported_;
        declaration.inLibrary = inLibrary;
        TypeDefinition& type = declaration.type;
        type.kind = TypeKind::Interface;
        type.name = name;
        SetCommonAttributes(attributes, type);
        if (attributes.Has("dual")) type.flags |= type_flags::kDual | type_flags::kOleAutomation;
        if (attributes.Has("oleautomation")) type.flags |= type_flags::kOleAutomation;
        if (attributes.Has("nonextensible")) type.flags |= type_flags::kNonExtensible;

        KnownInterface base;
        if (Accept(":")) {
            const Token& baseToken = Peek();
            declaration.baseName = ExpectName("the base interface");
            auto found = interfaces_.find(declaration.baseName);
            if (found == interfaces_.end() || !found->second.defined)
                Fail(baseToken, "base interface '" + declaration.baseName + "' is not defined");
            base = found->second;
            type.base = NamedReference(declaration.baseName);
        } else if (name != "IUnknown") {
            Fail(Peek(), "interface " + name + " needs a base interface");
        }
        if (base.dispatchable) type.flags |= type_flags::kDispatchable;
        if ((type.flags & type_flags::kDual) && !base.dispatchable)
            Fail(keyword, "dual interface " + name + " must derive from IDispatch");

        Expect("{");
        std::uint16_t slot = base.slots;
        while (!Accept("}")) {
            if (Peek().kind == TokenKind::End) Fail(Peek(), "missing } of interface " + name);
            Member(declaration, slot++);
        }
        Accept(";");
        type.vtableSlots = slot;
        interfaces_[name] = {slot, true, base.dispatchable};
        file_.declarations.push_back(std::move(declaration));
    }

    // [attributes] type name(parameters);
    void Member(Declaration& declaration, std::int32_t slot) {
        Attributes attributes = AttributeList();
        CheckAttributes(attributes, {"id", "propget", "propput", "propputref", "restricted", "hidden",
                                     "helpstring", "source", "vararg", "call_as"});
        Function function;
        const Token& start = Peek();
        ParsedType returnType = Type();
        function.name = ExpectName("the member's name");
        function.returnType = returnType.description;
        function.vtableSlot = declaration.kind == Declaration::Kind::Interface ? slot : -1;
        if (const Attribute* help = attributes.Find("helpstring"))
            function.helpString = AttributeString(*help);
        if (attributes.Has("restricted")) function.flags |= function_flags::kRestricted;
        if (attributes.Has("hidden")) function.flags |= function_flags::kHidden;
        if (attributes.Has("source")) function.flags |= function_flags::kSource;
        int kinds = 0;
        if (attributes.Has("propget")) function.invokeKind = InvokeKind::PropertyGet, ++kinds;
        if (attributes.Has("propput")) function.invokeKind = InvokeKind::PropertyPut, ++kinds;
        if (attributes.Has("propputref")) function.invokeKind = InvokeKind::PropertyPutRef, ++kinds;
        if (kinds > 1)
            Fail(start, "member " + function.name + " has more than one of propget, propput, propputref");
        function.memberId = MemberId(attributes, declaration, function);

        if ((declaration.type.flags & type_flags::kOleAutomation) &&
            returnType.description.type != VarType::HResult)
            Fail(start, "member " + function.name + " of an automation interface must return HRESULT");

        CppSignature signature;
        signature.returnType = returnType.cpp;
        Expect("(");
        bool empty = IsWord(Peek(), "void") && IsPunctuation(Peek(1), ")");
        if (empty) Next();
        if (!Accept(")")) {
            do {
                Parameter(function, signature);
            } while (Accept(","));
            Expect(")");
        }
        Expect(";");
        CheckParameters(function, start);
        declaration.type.functions.push_back(std::move(function));
        declaration.signatures.push_back(std::move(signature));
    }

    // The dispatch id from id(n); else one past the highest so far, from 0x60020000 as the Windows
    // compiler numbers them, a property's put sharing its get's id.
    std::int32_t MemberId(const Attributes& attributes, const Declaration& declaration,
                          const Function& function) {
        if (const Attribute* id = attributes.Find("id"))
            return static_cast<std::int32_t>(AttributeNumber(*id));
        for (const platform::typelib::Function& earlier : declaration.type.functions) {
            if (earlier.name == function.name && earlier.invokeKind != function.invokeKind &&
                function.invokeKind != InvokeKind::Function)
                return earlier.memberId;
        }
        return 0x60020000 + static_cast<std::int32_t>(declaration.type.functions.size());
    }

    void Parameter(platform::typelib::Function& function, CppSignature& signature) {
        Attributes attributes = AttributeList();
        CheckAttributes(attributes, {"in", "out", "retval", "optional", "defaultvalue", "lcid", "iid_is",
                                     "size_is", "length_is"});
        platform::typelib::Parameter parameter;
        const Token& start = Peek();
        ParsedType type = Type();
        if (Peek().kind == TokenKind::Identifier) parameter.name = Next().text;
        parameter.type = type.description;
        if (attributes.Has("in")) parameter.flags |= parameter_flags::kIn;
        if (attributes.Has("out")) parameter.flags |= parameter_flags::kOut;
        if (attributes.Has("retval")) parameter.flags |= parameter_flags::kRetval;
        if (attributes.Has("optional")) parameter.flags |= parameter_flags::kOptional;
        if (attributes.Has("lcid")) parameter.flags |= parameter_flags::kLcid;
        if (const Attribute* value = attributes.Find("defaultvalue")) {
            parameter.flags |= parameter_flags::kHasDefault | parameter_flags::kOptional;
            parameter.defaultValue = DefaultValue(*value, type.description);
        }
        if ((parameter.flags & parameter_flags::kOut) && type.description.type != VarType::Pointer &&
            type.description.type != VarType::Dispatch && type.description.type != VarType::Unknown)
            Fail(start, "[out] parameter " + parameter.name + " must be a pointer");
        if ((parameter.flags & parameter_flags::kRetval) && !(parameter.flags & parameter_flags::kOut))
            Fail(start, "[retval] parameter " + parameter.name + " must also be [out]");
        function.parameters.push_back(std::move(parameter));
        signature.parameterTypes.push_back(type.cpp);
    }

    ConstantValue DefaultValue(const Attribute& attribute, const TypeDescription& type) const {
        ConstantValue value;
        const std::vector<Token>& tokens = attribute.arguments;
        if (!tokens.empty() && tokens[0].kind == TokenKind::String) {
            value.type = VarType::Bstr;
            value.text = AttributeString(attribute);
            return value;
        }
        // A real number, written as digits '.' digits (with an optional sign).
        size_t sign = !tokens.empty() && IsPunctuation(tokens[0], "-") ? 1 : 0;
        if (tokens.size() == sign + 4 && tokens[sign].kind == TokenKind::Number &&
            IsPunctuation(tokens[sign + 1], ".") && tokens[sign + 2].kind == TokenKind::Number) {
            value.type = VarType::R8;
            value.real = std::strtod((tokens[sign].text + "." + tokens[sign + 2].text).c_str(), nullptr);
            if (sign) value.real = -value.real;
            return value;
        }
        value.integer = AttributeNumber(attribute);
        switch (type.type) {
            case VarType::I2:
            case VarType::Bool:
            case VarType::UI1:
            case VarType::I1:
            case VarType::UI2:
            case VarType::UI4:
            case VarType::Int:
            case VarType::UInt:
            case VarType::I8:
            case VarType::UI8:
                value.type = type.type;
                break;
            case VarType::R4:
            case VarType::R8:
                value.type = type.type;
                value.real = static_cast<double>(value.integer);
                value.integer = 0;
                break;
            default:
                value.type = VarType::I4;
        }
        return value;
    }

    static void CheckParameters(const platform::typelib::Function& function, const Token& start) {
        for (size_t index = 0; index < function.parameters.size(); ++index) {
            if ((function.parameters[index].flags & parameter_flags::kRetval) &&
                index + 1 != function.parameters.size())
                Fail(start, "[retval] must be the last parameter of " + function.name);
        }
    }

    // [attributes] dispinterface Name { properties: ... methods: ... };
    void DispInterface(const Attributes& attributes, const Token& keyword, bool inLibrary) {
        const Token& nameToken = Peek();
        std::string name = ExpectName("the dispinterface's name");
        if (Accept(";")) {
            DeclareName(nameToken, name, TypeKind::Dispatch);
            Add(Declaration::Kind::Forward, inLibrary).text = name;
            return;
        }
        CheckAttributes(attributes,
                        {"uuid", "helpstring", "hidden", "restricted", "nonextensible", "version"});
        if (!attributes.Has("uuid")) Fail(keyword, "dispinterface " + name + " needs a uuid");
        DeclareName(nameToken, name, TypeKind::Dispatch);
        Declaration declaration;
        declaration.kind = Declaration::Kind::DispInterface;
        declaration.imported = imported_;
        declaration.inLibrary = inLibrary;
        declaration.type.kind = TypeKind::Dispatch;
        declaration.type.name = name;
        declaration.baseName = "IDispatch";
        declaration.type.base = NamedReference("IDispatch");
        declaration.type.vtableSlots = 7;
        SetCommonAttributes(attributes, declaration.type);
        declaration.type.flags |= type_flags::kDispatchable;
        if (attributes.Has("nonextensible")) declaration.type.flags |= type_flags::kNonExtensible;
        Expect("{");
        bool methods = false;
        while (!Accept("}")) {
            if (Peek().kind == TokenKind::End) Fail(Peek(), "missing } of dispinterface " + name);
            if (IsWord(Peek(), "properties") && IsPunctuation(Peek(1), ":")) {
                position_ += 2;
                methods = false;
                continue;
            }
            if (IsWord(Peek(), "methods") && IsPunctuation(Peek(1), ":")) {
                position_ += 2;
                methods = true;
                continue;
            }
            if (methods) {
                Member(declaration, -1);
                continue;
            }
            Attributes propertyAttributes = AttributeList();
            CheckAttributes(propertyAttributes, {"id", "helpstring", "readonly", "hidden", "restricted"});
            const Token& start = Peek();
            if (!propertyAttributes.Has("id"))
                Fail(start, "a property of dispinterface " + name + " needs an id");
            Property property;
            ParsedType type = Type();
            property.type = type.description;
            property.name = ExpectName("the property's name");
            property.memberId = static_cast<std::int32_t>(AttributeNumber(*propertyAttributes.Find("id")));
            if (const Attribute* help = propertyAttributes.Find("helpstring"))
                property.helpString = AttributeString(*help);
            if (propertyAttributes.Has("hidden")) property.flags |= function_flags::kHidden;
            if (propertyAttributes.Has("restricted")) property.flags |= function_flags::kRestricted;
            Expect(";");
            declaration.type.properties.push_back(std::move(property));
        }
        Accept(";");
        file_.declarations.push_back(std::move(declaration));
    }

    // [attributes] coclass Name { [default, source] interface I; ... };
    void CoClass(const Attributes& attributes, const Token& keyword, bool inLibrary) {
        CheckAttributes(attributes, {"uuid", "helpstring", "noncreatable", "hidden", "restricted", "version",
                                     "appobject", "control", "licensed", "aggregatable"});
        const Token& nameToken = Peek();
        std::string name = ExpectName("the coclass's name");
        if (!attributes.Has("uuid")) Fail(keyword, "coclass " + name + " needs a uuid");
        DeclareName(nameToken, name, TypeKind::CoClass);
        Declaration declaration;
        declaration.kind = Declaration::Kind::CoClass;
        declaration.imported = imported_;
        declaration.inLibrary = inLibrary;
        declaration.type.kind = TypeKind::CoClass;
        declaration.type.name = name;
        SetCommonAttributes(attributes, declaration.type);
        if (!attributes.Has("noncreatable")) declaration.type.flags |= type_flags::kCanCreate;
        if (attributes.Has("appobject")) declaration.type.flags |= 0x0001;
        if (attributes.Has("licensed")) declaration.type.flags |= 0x0004;
        if (attributes.Has("control")) declaration.type.flags |= 0x0020;
        if (attributes.Has("aggregatable")) declaration.type.flags |= 0x0400;
        Expect("{");
        while (!Accept("}")) {
            if (Peek().kind == TokenKind::End) Fail(Peek(), "missing } of coclass " + name);
            Attributes implementedAttributes = AttributeList();
            CheckAttributes(implementedAttributes, {"default", "source", "restricted"});
            const Token& kind = Next();
            if (!IsWord(kind, "interface") && !IsWord(kind, "dispinterface"))
                Fail(kind, "expected interface or dispinterface but found " +
                               platform::source::DescribeToken(kind));
            const Token& interfaceToken = Peek();
            std::string interfaceName = ExpectName("the interface's name");
            if (!FindBuiltIn(interfaceName) && !userTypes_.count(interfaceName))
                Fail(interfaceToken, "unknown interface '" + interfaceName + "'");
            ImplementedInterface implemented;
            implemented.interface = NamedReference(interfaceName);
            if (implementedAttributes.Has("default")) implemented.flags |= implemented_flags::kDefault;
            if (implementedAttributes.Has("source")) implemented.flags |= implemented_flags::kSource;
            if (implementedAttributes.Has("restricted")) implemented.flags |= implemented_flags::kRestricted;
            declaration.type.implemented.push_back(std::move(implemented));
            Expect(";");
        }
        Accept(";");
        file_.declarations.push_back(std::move(declaration));
    }

    const ReaderOptions& options_;
    IdlFile& file_;
    std::vector<Token> tokens_;
    size_t position_ = 0;
    bool imported_ = false;
    int depth_ = 0;
    std::set<std::string> importedFiles_;
    std::map<std::string, KnownInterface> interfaces_;
    std::map<std::string, TypeKind> userTypes_;
    std::map<std::string, long> constants_;
};

}  // namespace

IdlFile ParseIdl(const std::filesystem::path& file, const ReaderOptions& options) {
    IdlFile result;
    Parser parser(options, result);
    parser.ParseFile(file, false);
    return result;
}

}  // namespace midl
