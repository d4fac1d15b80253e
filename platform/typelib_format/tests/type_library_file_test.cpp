#include <gtest/gtest.h>

#include "platform/typelib_format/type_library.h"

namespace {

using namespace platform::typelib;

constexpr GUID kLibraryId = {0x7E7B9452, 0x87EB, 0x11D3, {0xA4, 0x99, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86}};
constexpr GUID kInterfaceId = {0x7E7B9462, 0x87EB, 0x11D3, {0xA4, 0x99, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86}};
constexpr GUID kStdOle = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kDispatchId = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

ImportedType StdOleDispatch() {
    return {kStdOle, 2, 0, "IDispatch", kDispatchId};
}

// A library with one of each kind and every field set.
TypeLibrary SampleLibrary() {
    TypeLibrary library;
    library.name = "KENROIMPLib";
    library.libraryId = kLibraryId;
    library.majorVersion = 1;
    library.minorVersion = 0;
    library.lcid = 1033;
    library.helpString = "KenroImp 1.0 Type Library";
    library.flags = library_flags::kHidden;

    TypeDefinition enumeration;
    enumeration.kind = TypeKind::Enum;
    enumeration.name = "QNAiO_RegRootEnum";
    enumeration.constants = {{"QNAiO_RegRootUndefined", 0, ""}, {"QNAiO_Negative", -7, "below z\xE9ro"}};
    library.types.push_back(enumeration);

    TypeDefinition dual;
    dual.kind = TypeKind::Interface;
    dual.name = "DIQNAiOKenro";
    dual.guid = kInterfaceId;
    dual.helpString = "DIQNAiOKenro Interface";
    dual.flags = type_flags::kDual | type_flags::kOleAutomation | type_flags::kDispatchable;
    dual.base = TypeReference::Imported(StdOleDispatch());
    dual.vtableSlots = 9;
    Function getter;
    getter.name = "Report";
    getter.memberId = 13;
    getter.invokeKind = InvokeKind::PropertyGet;
    getter.flags = function_flags::kHidden;
    getter.helpString = "property Report";
    getter.vtableSlot = 7;
    getter.returnType = TypeDescription::Base(VarType::HResult);
    getter.parameters = {
        {"ReportID", TypeDescription::User(TypeReference::Local(0)), parameter_flags::kIn, std::nullopt},
        {"pVal", TypeDescription::PointerTo(TypeDescription::Base(VarType::Dispatch)),
         parameter_flags::kOut | parameter_flags::kRetval, std::nullopt},
    };
    Function putter;
    putter.name = "Names";
    putter.memberId = 14;
    putter.invokeKind = InvokeKind::PropertyPutRef;
    putter.vtableSlot = 8;
    putter.returnType = TypeDescription::Base(VarType::HResult);
    putter.parameters = {
        {"list", TypeDescription::SafeArrayOf(TypeDescription::Base(VarType::Bstr)), parameter_flags::kIn,
         std::nullopt},
        {"count", TypeDescription::Base(VarType::I4),
         parameter_flags::kIn | parameter_flags::kOptional | parameter_flags::kHasDefault,
         ConstantValue{VarType::I4, -1, 0, ""}},
        {"name", TypeDescription::Base(VarType::Bstr), parameter_flags::kIn | parameter_flags::kHasDefault,
         ConstantValue{VarType::Bstr, 0, 0, "none"}},
        {"scale", TypeDescription::Base(VarType::R8), parameter_flags::kIn | parameter_flags::kHasDefault,
         ConstantValue{VarType::R8, 0, 0.25, ""}},
    };
    dual.functions = {getter, putter};
    library.types.push_back(dual);

    TypeDefinition events;
    events.kind = TypeKind::Dispatch;
    events.name = "_DIQNAiOKenroEvents";
    events.base = TypeReference::Imported(StdOleDispatch());
    events.properties = {
        {"Count", 1, function_flags::kRestricted, "how many", TypeDescription::Base(VarType::I4)}};
    library.types.push_back(events);

    TypeDefinition coclass;
    coclass.kind = TypeKind::CoClass;
    coclass.name = "QNAiOKenro";
    coclass.flags = type_flags::kCanCreate;
    coclass.implemented = {
        {TypeReference::Local(1), implemented_flags::kDefault},
        {TypeReference::Local(2), implemented_flags::kDefault | implemented_flags::kSource}};
    library.types.push_back(coclass);
    return library;
}

TEST(TypeLibraryFile, RoundTripsEveryField) {
    const TypeLibrary rows[] = {TypeLibrary{}, SampleLibrary()};
    for (const TypeLibrary& library : rows) {
        Bytes bytes = Serialize(library);
        ASSERT_GE(bytes.size(), 6u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "WTLB");
        std::string error;
        std::optional<TypeLibrary> read = Deserialize(bytes, &error);
        ASSERT_TRUE(read) << error;
        EXPECT_EQ(*read, library);
    }
}

TEST(TypeLibraryFile, EveryTruncationIsRefused) {
    Bytes bytes = Serialize(SampleLibrary());
    for (size_t size = 0; size < bytes.size(); ++size) {
        std::string error;
        EXPECT_FALSE(Deserialize(std::span<const std::uint8_t>(bytes.data(), size), &error)) << size;
        EXPECT_FALSE(error.empty()) << size;
    }
}

// Changes one field of a good file; each row must be refused with its message.
TEST(TypeLibraryFile, MalformedFilesAreRefused) {
    Bytes good = Serialize(SampleLibrary());
    auto patch32 = [](Bytes bytes, size_t offset, std::uint32_t value) {
        for (int index = 0; index < 4; ++index)
            bytes[offset + index] = static_cast<std::uint8_t>(value >> (8 * index));
        return bytes;
    };
    Bytes trailing = good;
    trailing.push_back(0);
    Bytes badMagic = good;
    badMagic[0] = 'X';
    Bytes badVersion = good;
    badVersion[4] = 9;

    // A library with one type whose base names type 5.
    TypeLibrary dangling;
    TypeDefinition type;
    type.base = TypeReference::Local(5);
    dangling.types.push_back(type);
    // A type deeper than any signature.
    TypeLibrary deep;
    TypeDescription nested = TypeDescription::Base(VarType::I4);
    for (int level = 0; level < 40; ++level) nested = TypeDescription::PointerTo(nested);
    deep.types.push_back({});
    deep.types[0].properties.push_back({"p", 1, 0, "", nested});
    Bytes badKind = Serialize(dangling);
    badKind[4 + 2 + 4 + 16 + 2 + 2 + 4 + 4 + 2 + 4] = 0x77;  // the first type's kind

    const struct {
        const char* name;
        Bytes bytes;
        const char* message;
    } rows[] = {
        {"trailing byte", trailing, "bytes after the end"},
        {"magic", badMagic, "not a type library file"},
        {"version", badVersion, "unknown format version 9"},
        {"huge name length", patch32(good, 6, 0xFFFFFFF0u), "larger than the file"},
        {"dangling index", Serialize(dangling), "reference to type 5 of 1"},
        {"deep type", Serialize(deep), "nested too deeply"},
        {"type kind", badKind, "unknown type kind"},
    };
    for (const auto& row : rows) {
        std::string error;
        EXPECT_FALSE(Deserialize(row.bytes, &error)) << row.name;
        EXPECT_NE(error.find(row.message), std::string::npos) << row.name << ": " << error;
    }
}

// Any single byte changed gives a library or a refusal, never a crash (run under the sanitizers).
TEST(TypeLibraryFile, CorruptedBytesNeverCrash) {
    Bytes good = Serialize(SampleLibrary());
    for (size_t offset = 0; offset < good.size(); ++offset) {
        for (std::uint8_t value : {0x00, 0x01, 0x7F, 0xFF}) {
            Bytes bytes = good;
            bytes[offset] = value;
            std::string error;
            std::optional<TypeLibrary> read = Deserialize(bytes, &error);
            EXPECT_TRUE(read || !error.empty()) << offset;
        }
    }
}

}  // namespace
