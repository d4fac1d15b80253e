// A type library as plain values: the library's attributes and its types in declaration order (enums,
// interfaces, dispatch interfaces, coclasses) with their members. The IDL compiler builds one from an
// .idl file and writes it with Serialize; the automation runtime reads it back with Deserialize and
// answers ITypeLib and ITypeInfo from it.
//
// Kinds, flags and variant types carry Windows' numeric values (TKIND_, TYPEFLAG_, IMPLTYPEFLAG_,
// FUNCFLAG_, PARAMFLAG_, LIBFLAG_, INVOKE_ and VT_), so they can be handed out unchanged. Text is
// Windows-1252, as written in the .idl file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "guiddef.h"

namespace platform::typelib {

using Bytes = std::vector<std::uint8_t>;

// TYPEKIND
enum class TypeKind : std::uint8_t {
    Enum = 0,
    Record = 1,
    Module = 2,
    Interface = 3,
    Dispatch = 4,
    CoClass = 5
};

// VARTYPE values of the types a member's signature can use.
enum class VarType : std::uint16_t {
    Empty = 0,
    I2 = 2,
    I4 = 3,
    R4 = 4,
    R8 = 5,
    Currency = 6,
    Date = 7,
    Bstr = 8,
    Dispatch = 9,
    Error = 10,  // SCODE
    Bool = 11,
    Variant = 12,
    Unknown = 13,
    I1 = 16,
    UI1 = 17,
    UI2 = 18,
    UI4 = 19,
    I8 = 20,
    UI8 = 21,
    Int = 22,
    UInt = 23,
    Void = 24,
    HResult = 25,
    Pointer = 26,    // VT_PTR: to `element`
    SafeArray = 27,  // VT_SAFEARRAY: of `element`
    UserDefined = 29,
    LpStr = 30,
    LpWStr = 31,
};

// TYPEFLAG_ values.
namespace type_flags {
inline constexpr std::uint16_t kCanCreate = 0x0002;
inline constexpr std::uint16_t kHidden = 0x0010;
inline constexpr std::uint16_t kDual = 0x0040;
inline constexpr std::uint16_t kNonExtensible = 0x0080;
inline constexpr std::uint16_t kOleAutomation = 0x0100;
inline constexpr std::uint16_t kRestricted = 0x0200;
inline constexpr std::uint16_t kDispatchable = 0x1000;
}  // namespace type_flags

// IMPLTYPEFLAG_ values.
namespace implemented_flags {
inline constexpr std::uint16_t kDefault = 0x1;
inline constexpr std::uint16_t kSource = 0x2;
inline constexpr std::uint16_t kRestricted = 0x4;
}  // namespace implemented_flags

// FUNCFLAG_ values (also used for a dispatch interface's properties, whose VARFLAG_ bits are the same).
namespace function_flags {
inline constexpr std::uint16_t kRestricted = 0x0001;
inline constexpr std::uint16_t kSource = 0x0002;
inline constexpr std::uint16_t kHidden = 0x0040;
}  // namespace function_flags

// PARAMFLAG_ values.
namespace parameter_flags {
inline constexpr std::uint16_t kIn = 0x01;
inline constexpr std::uint16_t kOut = 0x02;
inline constexpr std::uint16_t kLcid = 0x04;
inline constexpr std::uint16_t kRetval = 0x08;
inline constexpr std::uint16_t kOptional = 0x10;
inline constexpr std::uint16_t kHasDefault = 0x20;
}  // namespace parameter_flags

// LIBFLAG_ values.
namespace library_flags {
inline constexpr std::uint16_t kRestricted = 0x1;
inline constexpr std::uint16_t kControl = 0x2;
inline constexpr std::uint16_t kHidden = 0x4;
}  // namespace library_flags

// INVOKEKIND
enum class InvokeKind : std::uint8_t { Function = 1, PropertyGet = 2, PropertyPut = 4, PropertyPutRef = 8 };

// A type of another library that this one names (importlib): found by the library's id and version,
// then by the type's GUID or, failing that, its name. stdole2's IUnknown and IDispatch are named so.
struct ImportedType {
    GUID library{};
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::string typeName;
    GUID typeGuid{};
    bool operator==(const ImportedType&) const = default;
};

// What VT_USERDEFINED, a base interface or an implemented interface names: a type of this library by
// its index in TypeLibrary::types, or an imported one.
struct TypeReference {
    std::optional<std::uint32_t> index;
    std::optional<ImportedType> imported;  // set when index is not

    static TypeReference Local(std::uint32_t typeIndex) { return {typeIndex, std::nullopt}; }
    static TypeReference Imported(ImportedType type) { return {std::nullopt, std::move(type)}; }
    bool operator==(const TypeReference&) const = default;
};

// A type as a small tree: a base type, a pointer to or safe array of another, or a user-defined type.
struct TypeDescription {
    VarType type = VarType::Empty;
    std::vector<TypeDescription> element;    // exactly one for Pointer and SafeArray, else none
    std::optional<TypeReference> reference;  // for UserDefined

    static TypeDescription Base(VarType base) { return {base, {}, std::nullopt}; }
    static TypeDescription PointerTo(TypeDescription target) {
        return {VarType::Pointer, {std::move(target)}, {}};
    }
    static TypeDescription SafeArrayOf(TypeDescription item) {
        return {VarType::SafeArray, {std::move(item)}, {}};
    }
    static TypeDescription User(TypeReference named) { return {VarType::UserDefined, {}, std::move(named)}; }
    bool operator==(const TypeDescription&) const = default;
};

// A constant: a parameter's default value. `type` says which field holds it (I4 and the other integer
// types: integer; R4, R8: real; Bstr: text).
struct ConstantValue {
    VarType type = VarType::I4;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;
    bool operator==(const ConstantValue&) const = default;
};

struct Parameter {
    std::string name;
    TypeDescription type;
    std::uint16_t flags = 0;                    // parameter_flags
    std::optional<ConstantValue> defaultValue;  // with parameter_flags::kHasDefault
    bool operator==(const Parameter&) const = default;
};

struct Function {
    std::string name;
    std::int32_t memberId = 0;  // the dispatch id
    InvokeKind invokeKind = InvokeKind::Function;
    std::uint16_t flags = 0;  // function_flags
    std::string helpString;
    // The vtable slot of an interface's member, counting IUnknown's three and, for an interface derived
    // from IDispatch, its four; a dispatch interface's members have none (-1).
    std::int32_t vtableSlot = -1;
    TypeDescription returnType;  // HRESULT for an interface's members, as declared
    std::vector<Parameter> parameters;
    bool operator==(const Function&) const = default;
};

// A property of a dispatch interface (its properties: section).
struct Property {
    std::string name;
    std::int32_t memberId = 0;
    std::uint16_t flags = 0;
    std::string helpString;
    TypeDescription type;
    bool operator==(const Property&) const = default;
};

struct EnumConstant {
    std::string name;
    std::int32_t value = 0;
    std::string helpString;
    bool operator==(const EnumConstant&) const = default;
};

struct ImplementedInterface {
    TypeReference interface;
    std::uint16_t flags = 0;  // implemented_flags
    bool operator==(const ImplementedInterface&) const = default;
};

struct TypeDefinition {
    TypeKind kind = TypeKind::Interface;
    std::string name;  // an enum declared through a typedef has the typedef's name
    GUID guid{};
    std::string helpString;
    std::uint16_t flags = 0;  // type_flags
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    // Interfaces: the interface it derives from (IUnknown derives from nothing); dispatch interfaces:
    // IDispatch.
    std::optional<TypeReference> base;
    // Interfaces: the number of vtable slots with the inherited ones (7 for IDispatch alone).
    std::uint16_t vtableSlots = 0;
    std::vector<ImplementedInterface> implemented;  // coclasses, in declaration order
    std::vector<Function> functions;                // in declaration order
    std::vector<Property> properties;               // dispatch interfaces
    std::vector<EnumConstant> constants;            // enums
    bool operator==(const TypeDefinition&) const = default;
};

struct TypeLibrary {
    std::string name;
    GUID libraryId{};
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::uint32_t lcid = 0;
    std::string helpString;
    std::uint16_t flags = 0;            // library_flags
    std::vector<TypeDefinition> types;  // in declaration order
    bool operator==(const TypeLibrary&) const = default;
};

// The library in the file format of our type libraries: "WTLB", a format version, then the fields in
// little-endian order with length-prefixed strings.
Bytes Serialize(const TypeLibrary& library);

// Reads a file written by Serialize. A truncated, malformed or inconsistent file (an index naming no
// type, a pointer without its target, bytes after the end) gives nullopt and a message in `error`.
std::optional<TypeLibrary> Deserialize(std::span<const std::uint8_t> bytes, std::string* error = nullptr);

}  // namespace platform::typelib
