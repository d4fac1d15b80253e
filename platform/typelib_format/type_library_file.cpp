// The file format of our type libraries. Every field is little-endian; a string is its byte count
// (32 bits) and its bytes; a list is its element count (32 bits) and its elements. The reader checks
// every length against the bytes left before it allocates, so no file can make it read past the end or
// reserve more than the file could hold.
#include <bit>
#include <cstring>

#include "platform/typelib_format/type_library.h"

namespace platform::typelib {

namespace {

constexpr char kMagic[4] = {'W', 'T', 'L', 'B'};
constexpr std::uint16_t kFormatVersion = 1;
// A type tree deeper than this is refused (a real signature nests two or three levels).
constexpr int kMaximumTypeDepth = 32;

enum class ReferenceTag : std::uint8_t { Local = 0, Imported = 1 };

class Writer {
  public:
    Bytes bytes;

    void U8(std::uint8_t value) { bytes.push_back(value); }
    void U16(std::uint16_t value) {
        for (int shift = 0; shift < 16; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void U32(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void U64(std::uint64_t value) {
        for (int shift = 0; shift < 64; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    void Count(size_t count) { U32(static_cast<std::uint32_t>(count)); }
    void String(const std::string& text) {
        Count(text.size());
        bytes.insert(bytes.end(), text.begin(), text.end());
    }
    void Guid(const GUID& guid) {
        U32(guid.Data1);
        U16(guid.Data2);
        U16(guid.Data3);
        for (BYTE byte : guid.Data4) U8(byte);
    }
    template <typename Enum>
    void Kind(Enum value) {
        U16(static_cast<std::uint16_t>(value));
    }

    void Reference(const TypeReference& reference) {
        if (reference.index) {
            U8(static_cast<std::uint8_t>(ReferenceTag::Local));
            U32(*reference.index);
            return;
        }
        U8(static_cast<std::uint8_t>(ReferenceTag::Imported));
        ImportedType imported = reference.imported.value_or(ImportedType{});
        Guid(imported.library);
        U16(imported.majorVersion);
        U16(imported.minorVersion);
        String(imported.typeName);
        Guid(imported.typeGuid);
    }
    void OptionalReference(const std::optional<TypeReference>& reference) {
        U8(reference ? 1 : 0);
        if (reference) Reference(*reference);
    }
    void Type(const TypeDescription& type) {
        Kind(type.type);
        if (type.type == VarType::Pointer || type.type == VarType::SafeArray)
            Type(type.element.empty() ? TypeDescription::Base(VarType::Void) : type.element.front());
        if (type.type == VarType::UserDefined) Reference(type.reference.value_or(TypeReference{}));
    }
    void Constant(const ConstantValue& value) {
        Kind(value.type);
        U64(static_cast<std::uint64_t>(value.integer));
        U64(std::bit_cast<std::uint64_t>(value.real));
        String(value.text);
    }
    void Function(const typelib::Function& function) {
        String(function.name);
        I32(function.memberId);
        Kind(function.invokeKind);
        U16(function.flags);
        String(function.helpString);
        I32(function.vtableSlot);
        Type(function.returnType);
        Count(function.parameters.size());
        for (const Parameter& parameter : function.parameters) {
            String(parameter.name);
            Type(parameter.type);
            U16(parameter.flags);
            U8(parameter.defaultValue ? 1 : 0);
            if (parameter.defaultValue) Constant(*parameter.defaultValue);
        }
    }
    void Definition(const TypeDefinition& type) {
        Kind(type.kind);
        String(type.name);
        Guid(type.guid);
        String(type.helpString);
        U16(type.flags);
        U16(type.majorVersion);
        U16(type.minorVersion);
        OptionalReference(type.base);
        U16(type.vtableSlots);
        Count(type.implemented.size());
        for (const ImplementedInterface& implemented : type.implemented) {
            Reference(implemented.interface);
            U16(implemented.flags);
        }
        Count(type.functions.size());
        for (const typelib::Function& function : type.functions) Function(function);
        Count(type.properties.size());
        for (const Property& property : type.properties) {
            String(property.name);
            I32(property.memberId);
            U16(property.flags);
            String(property.helpString);
            Type(property.type);
        }
        Count(type.constants.size());
        for (const EnumConstant& constant : type.constants) {
            String(constant.name);
            I32(constant.value);
            String(constant.helpString);
        }
    }
};

// Reads fields from the front of the bytes. The first failure is kept as the error; every read after
// it gives zeros, so the callers check once at the end of a record.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }
    size_t Left() const { return bytes_.size() - offset_; }
    void Fail(const std::string& message) {
        if (error_.empty()) error_ = message + " at offset " + std::to_string(offset_);
    }

    bool Take(void* destination, size_t count) {
        if (Failed()) return false;
        if (count > Left()) {
            Fail("file ends early");
            return false;
        }
        std::memcpy(destination, bytes_.data() + offset_, count);
        offset_ += count;
        return true;
    }
    std::uint64_t Unsigned(size_t size) {
        std::uint8_t raw[8] = {};
        if (!Take(raw, size)) return 0;
        std::uint64_t value = 0;
        for (size_t index = 0; index < size; ++index)
            value |= static_cast<std::uint64_t>(raw[index]) << (8 * index);
        return value;
    }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Unsigned(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Unsigned(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Unsigned(4)); }
    std::uint64_t U64() { return Unsigned(8); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

    // A count of elements each at least `minimumSize` bytes long, refused when the rest of the file
    // cannot hold that many.
    std::uint32_t Count(size_t minimumSize) {
        std::uint32_t count = U32();
        if (!Failed() && count > Left() / minimumSize) {
            Fail("count " + std::to_string(count) + " larger than the file");
            return 0;
        }
        return Failed() ? 0 : count;
    }
    std::string String() {
        std::uint32_t length = Count(1);
        std::string text(length, '\0');
        if (length) Take(text.data(), length);
        return text;
    }
    bool Flag() {
        std::uint8_t value = U8();
        if (value > 1) Fail("flag byte " + std::to_string(value));
        return value == 1;
    }
    GUID Guid() {
        GUID guid{};
        guid.Data1 = U32();
        guid.Data2 = U16();
        guid.Data3 = U16();
        for (BYTE& byte : guid.Data4) byte = U8();
        return guid;
    }

  private:
    std::span<const std::uint8_t> bytes_;
    size_t offset_ = 0;
    std::string error_;
};

bool KnownVarType(std::uint16_t value) {
    switch (static_cast<VarType>(value)) {
        case VarType::Empty:
        case VarType::I2:
        case VarType::I4:
        case VarType::R4:
        case VarType::R8:
        case VarType::Currency:
        case VarType::Date:
        case VarType::Bstr:
        case VarType::Dispatch:
        case VarType::Error:
        case VarType::Bool:
        case VarType::Variant:
        case VarType::Unknown:
        case VarType::I1:
        case VarType::UI1:
        case VarType::UI2:
        case VarType::UI4:
        case VarType::I8:
        case VarType::UI8:
        case VarType::Int:
        case VarType::UInt:
        case VarType::Void:
        case VarType::HResult:
        case VarType::Pointer:
        case VarType::SafeArray:
        case VarType::UserDefined:
        case VarType::LpStr:
        case VarType::LpWStr:
            return true;
    }
    return false;
}

// The smallest encodings, used to bound counts: a type is two bytes, a reference five.
constexpr size_t kMinimumParameter = 4 + 2 + 2 + 1;
constexpr size_t kMinimumFunction = 4 + 4 + 2 + 2 + 4 + 4 + 2 + 4;
constexpr size_t kMinimumProperty = 4 + 4 + 2 + 4 + 2;
constexpr size_t kMinimumConstant = 4 + 4 + 4;
constexpr size_t kMinimumImplemented = 5 + 2;
constexpr size_t kMinimumDefinition = 2 + 4 + 16 + 4 + 2 + 2 + 2 + 1 + 2 + 4 * 4;

class LibraryReader {
  public:
    explicit LibraryReader(std::span<const std::uint8_t> bytes) : reader_(bytes) {}

    std::optional<TypeLibrary> Read(std::string* error) {
        TypeLibrary library = Library();
        if (!reader_.Failed() && reader_.Left() != 0) reader_.Fail("bytes after the end of the library");
        if (!reader_.Failed()) CheckIndexes(library);
        if (reader_.Failed()) {
            if (error) *error = reader_.Error();
            return std::nullopt;
        }
        return library;
    }

  private:
    TypeLibrary Library() {
        char magic[4] = {};
        reader_.Take(magic, sizeof magic);
        if (!reader_.Failed() && std::memcmp(magic, kMagic, sizeof magic) != 0) {
            reader_.Fail("not a type library file");
            return {};
        }
        std::uint16_t version = reader_.U16();
        if (!reader_.Failed() && version != kFormatVersion) {
            reader_.Fail("unknown format version " + std::to_string(version));
            return {};
        }
        TypeLibrary library;
        library.name = reader_.String();
        library.libraryId = reader_.Guid();
        library.majorVersion = reader_.U16();
        library.minorVersion = reader_.U16();
        library.lcid = reader_.U32();
        library.helpString = reader_.String();
        library.flags = reader_.U16();
        std::uint32_t count = reader_.Count(kMinimumDefinition);
        for (std::uint32_t index = 0; index < count && !reader_.Failed(); ++index)
            library.types.push_back(Definition());
        return library;
    }

    template <typename Enum>
    Enum Kind(bool (*known)(std::uint16_t), const char* what) {
        std::uint16_t value = reader_.U16();
        if (!reader_.Failed() && !known(value))
            reader_.Fail(std::string("unknown ") + what + " " + std::to_string(value));
        return static_cast<Enum>(value);
    }
    static bool KnownTypeKind(std::uint16_t value) {
        return value <= static_cast<std::uint16_t>(TypeKind::CoClass);
    }
    static bool KnownInvokeKind(std::uint16_t value) {
        return value == 1 || value == 2 || value == 4 || value == 8;
    }

    TypeReference Reference() {
        std::uint8_t tag = reader_.U8();
        if (tag == static_cast<std::uint8_t>(ReferenceTag::Local)) {
            std::uint32_t index = reader_.U32();
            localReferences_.push_back(index);
            return TypeReference::Local(index);
        }
        if (tag != static_cast<std::uint8_t>(ReferenceTag::Imported)) {
            reader_.Fail("unknown reference tag " + std::to_string(tag));
            return {};
        }
        ImportedType imported;
        imported.library = reader_.Guid();
        imported.majorVersion = reader_.U16();
        imported.minorVersion = reader_.U16();
        imported.typeName = reader_.String();
        imported.typeGuid = reader_.Guid();
        return TypeReference::Imported(std::move(imported));
    }
    std::optional<TypeReference> OptionalReference() {
        if (!reader_.Flag()) return std::nullopt;
        return Reference();
    }

    TypeDescription Type(int depth = 0) {
        if (depth > kMaximumTypeDepth) {
            reader_.Fail("type nested too deeply");
            return {};
        }
        TypeDescription type;
        type.type = Kind<VarType>(KnownVarType, "variant type");
        if (reader_.Failed()) return type;
        if (type.type == VarType::Pointer || type.type == VarType::SafeArray)
            type.element.push_back(Type(depth + 1));
        if (type.type == VarType::UserDefined) type.reference = Reference();
        return type;
    }

    ConstantValue Constant() {
        ConstantValue value;
        value.type = Kind<VarType>(KnownVarType, "variant type");
        value.integer = static_cast<std::int64_t>(reader_.U64());
        value.real = std::bit_cast<double>(reader_.U64());
        value.text = reader_.String();
        return value;
    }

    typelib::Function Function() {
        typelib::Function function;
        function.name = reader_.String();
        function.memberId = reader_.I32();
        function.invokeKind = Kind<InvokeKind>(KnownInvokeKind, "invoke kind");
        function.flags = reader_.U16();
        function.helpString = reader_.String();
        function.vtableSlot = reader_.I32();
        function.returnType = Type();
        std::uint32_t count = reader_.Count(kMinimumParameter);
        for (std::uint32_t index = 0; index < count && !reader_.Failed(); ++index) {
            Parameter parameter;
            parameter.name = reader_.String();
            parameter.type = Type();
            parameter.flags = reader_.U16();
            if (reader_.Flag()) parameter.defaultValue = Constant();
            function.parameters.push_back(std::move(parameter));
        }
        return function;
    }

    TypeDefinition Definition() {
        TypeDefinition type;
        type.kind = Kind<TypeKind>(KnownTypeKind, "type kind");
        type.name = reader_.String();
        type.guid = reader_.Guid();
        type.helpString = reader_.String();
        type.flags = reader_.U16();
        type.majorVersion = reader_.U16();
        type.minorVersion = reader_.U16();
        type.base = OptionalReference();
        type.vtableSlots = reader_.U16();
        std::uint32_t count = reader_.Count(kMinimumImplemented);
        for (std::uint32_t index = 0; index < count && !reader_.Failed(); ++index) {
            ImplementedInterface implemented;
            implemented.interface = Reference();
            implemented.flags = reader_.U16();
            type.implemented.push_back(std::move(implemented));
        }
        count = reader_.Count(kMinimumFunction);
        for (std::uint32_t index = 0; index < count && !reader_.Failed(); ++index)
            type.functions.push_back(Function());
        count = reader_.Count(kMinimumProperty);
        for (std::uint32_t index = 0; index < count && !reader_.Failed(); ++index) {
            Property property;
            property.name = reader_.String();
            property.memberId = reader_.I32();
            property.flags = reader_.U16();
            property.helpString = reader_.String();
            property.type = Type();
            type.properties.push_back(std::move(property));
        }
        count = reader_.Count(kMinimumConstant);
        for (std::uint32_t index = 0; index < count && !reader_.Failed(); ++index) {
            EnumConstant constant;
            constant.name = reader_.String();
            constant.value = reader_.I32();
            constant.helpString = reader_.String();
            type.constants.push_back(std::move(constant));
        }
        return type;
    }

    void CheckIndexes(const TypeLibrary& library) {
        for (std::uint32_t index : localReferences_) {
            if (index >= library.types.size()) {
                reader_.Fail("reference to type " + std::to_string(index) + " of " +
                             std::to_string(library.types.size()));
                return;
            }
        }
    }

    Reader reader_;
    std::vector<std::uint32_t> localReferences_;
};

}  // namespace

Bytes Serialize(const TypeLibrary& library) {
    Writer writer;
    for (char letter : kMagic) writer.U8(static_cast<std::uint8_t>(letter));
    writer.U16(kFormatVersion);
    writer.String(library.name);
    writer.Guid(library.libraryId);
    writer.U16(library.majorVersion);
    writer.U16(library.minorVersion);
    writer.U32(library.lcid);
    writer.String(library.helpString);
    writer.U16(library.flags);
    writer.Count(library.types.size());
    for (const TypeDefinition& type : library.types) writer.Definition(type);
    return writer.bytes;
}

std::optional<TypeLibrary> Deserialize(std::span<const std::uint8_t> bytes, std::string* error) {
    return LibraryReader(bytes).Read(error);
}

}  // namespace platform::typelib
