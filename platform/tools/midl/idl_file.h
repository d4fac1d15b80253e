// An .idl file as the IDL compiler reads it: its declarations in order, each interface, dispatch
// interface, enum and coclass already in the type library's terms, with the C++ spelling of every
// member's types for the header.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/typelib_format/type_library.h"

namespace midl {

// The C++ spelling of a member's return type and parameter types, in order.
struct CppSignature {
    std::string returnType;
    std::vector<std::string> parameterTypes;
};

struct Declaration {
    enum class Kind { CppQuote, Forward, Enum, Interface, DispInterface, CoClass, Library };
    Kind kind = Kind::CppQuote;
    bool imported = false;   // from an imported file: known to this one, declared by that file's header
    bool inLibrary = false;  // written inside the library block
    std::string text;        // cpp_quote: the text; Forward: the name
    std::string enumTag;     // the tag of `typedef enum tag { } Name`, may be empty
    std::string baseName;    // interfaces: the base interface as written
    // A user-defined type in a signature, a base or an implemented interface is named by an ImportedType
    // whose library is GUID_NULL and whose typeName is the name as written, until the type library is
    // put together.
    platform::typelib::TypeDefinition type;
    std::vector<CppSignature> signatures;  // parallel to type.functions
};

// A library named by importlib: its id and version and the types it declares, by name.
struct ImportedLibrary {
    std::string file;
    GUID libraryId{};
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::map<std::string, GUID> types;
};

struct IdlFile {
    std::vector<std::string> headers;  // the headers of imported files, in order ("oaidl.h")
    std::vector<Declaration> declarations;
    std::optional<platform::typelib::TypeLibrary> library;  // its attributes; types are added later
    std::vector<ImportedLibrary> importedLibraries;
};

// The placeholder for a named user-defined type, before it is resolved.
platform::typelib::TypeReference NamedReference(const std::string& name);
// The name in a placeholder; empty for a resolved reference.
std::string ReferenceName(const platform::typelib::TypeReference& reference);

}  // namespace midl
