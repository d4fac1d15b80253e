#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/testing/test_machine.h"
#include "platform/tools/midl/header_writer.h"
#include "platform/tools/midl/idl_parser.h"
#include "platform/tools/midl/type_library_builder.h"
#include "sample.h"
#include "windows.h"

namespace {

using namespace platform::typelib;

// An .idl file written to a temporary folder, with other files beside it.
class IdlSource {
  public:
    explicit IdlSource(const std::string& text, const std::map<std::string, std::string>& others = {}) {
        folder_ = std::filesystem::temp_directory_path() /
                  ("midl_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        std::ofstream(path(), std::ios::binary) << text;
        for (const auto& [name, contents] : others)
            std::ofstream(folder_ / name, std::ios::binary) << contents;
    }
    ~IdlSource() { std::filesystem::remove_all(folder_); }

    std::filesystem::path path() const { return folder_ / "test.idl"; }
    const std::filesystem::path& folder() const { return folder_; }
    midl::IdlFile Parse() const { return midl::ParseIdl(path(), {}); }
    TypeLibrary Library() const { return midl::BuildTypeLibrary(Parse()); }
    // The error of parsing and building, without the folder; empty when there is none.
    std::string Error() const {
        try {
            midl::BuildTypeLibrary(Parse());
        } catch (const midl::CompileError& error) {
            std::string text = error.what();
            std::string prefix = folder_.string() + "/";
            return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "";
    }

  private:
    std::filesystem::path folder_;
};

const TypeDefinition* FindType(const TypeLibrary& library, const std::string& name) {
    for (const TypeDefinition& type : library.types) {
        if (type.name == name) return &type;
    }
    return nullptr;
}

constexpr const char* kHeader = R"(import "oaidl.idl";
[object, uuid(00000001-0000-0000-0000-000000000001), dual]
interface IOne : IDispatch {
    [propget, id(1)] HRESULT Count([out, retval] long* pVal);
};
)";

TEST(MidlParser, ConstructsBecomeTheModel) {
    IdlSource source(std::string(kHeader) + R"(
typedef [v1_enum] enum { Zero, One, Big = 0x80000000, Shifted = 1 << 4 } Numbers;
[object, uuid(00000001-0000-0000-0000-000000000002), oleautomation, hidden]
interface ITwo : IOne {
    HRESULT Plain([in] int a, [in] short b, [in] unsigned char c, [in] BYTE d, [in] float e, [in] SCODE f);
    [propput, id(7)] HRESULT Value([in] VARIANT value);
    [id(8), restricted] HRESULT Many([in, defaultvalue("none")] BSTR name, [in, optional] VARIANT extra,
                                     [in] SAFEARRAY(long)* list, [in] Numbers number, [in] IOne* one,
                                     [in, defaultvalue(2.5)] double scale);
};
[uuid(00000001-0000-0000-0000-0000000000FF), version(2.3), lcid(1033), helpstring("Test")]
library TestLib {
    importlib("stdole2.tlb");
    [uuid(00000001-0000-0000-0000-000000000003)]
    dispinterface _Events { properties: [id(1)] long Level; methods: [id(2)] void Fired([in] long how); };
    [uuid(00000001-0000-0000-0000-000000000004), noncreatable]
    coclass Thing { [default] interface ITwo; [source] dispinterface _Events; };
};
)");
    TypeLibrary library = source.Library();
    EXPECT_EQ(library.name, "TestLib");
    EXPECT_EQ(library.majorVersion, 2);
    EXPECT_EQ(library.minorVersion, 3);
    EXPECT_EQ(library.lcid, 1033u);
    EXPECT_EQ(library.helpString, "Test");
    EXPECT_EQ(library.libraryId.Data4[7], 0xFF);

    // The library's own types in order, then what they name from outside it.
    std::vector<std::string> names;
    for (const TypeDefinition& type : library.types) names.push_back(type.name);
    EXPECT_EQ(names, (std::vector<std::string>{"_Events", "Thing", "ITwo", "IOne", "Numbers"}));

    const TypeDefinition& events = *FindType(library, "_Events");
    EXPECT_EQ(events.kind, TypeKind::Dispatch);
    ASSERT_EQ(events.properties.size(), 1u);
    EXPECT_EQ(events.properties[0].memberId, 1);
    ASSERT_EQ(events.functions.size(), 1u);
    EXPECT_EQ(events.functions[0].vtableSlot, -1);
    EXPECT_EQ(events.functions[0].returnType, TypeDescription::Base(VarType::Void));
    ASSERT_TRUE(events.base && events.base->imported);
    EXPECT_EQ(events.base->imported->typeName, "IDispatch");
    EXPECT_EQ(events.base->imported->majorVersion, 2);

    const TypeDefinition& thing = *FindType(library, "Thing");
    EXPECT_EQ(thing.flags & type_flags::kCanCreate, 0);
    ASSERT_EQ(thing.implemented.size(), 2u);
    EXPECT_EQ(thing.implemented[0].interface, TypeReference::Local(2));
    EXPECT_EQ(thing.implemented[0].flags, implemented_flags::kDefault);
    EXPECT_EQ(thing.implemented[1].flags, implemented_flags::kSource);

    const TypeDefinition& two = *FindType(library, "ITwo");
    EXPECT_EQ(two.flags, type_flags::kOleAutomation | type_flags::kHidden | type_flags::kDispatchable);
    EXPECT_EQ(two.base, TypeReference::Local(3));
    ASSERT_EQ(two.functions.size(), 3u);
    const Function& plain = two.functions[0];
    std::vector<VarType> types;
    for (const Parameter& parameter : plain.parameters) types.push_back(parameter.type.type);
    EXPECT_EQ(types, (std::vector<VarType>{VarType::Int, VarType::I2, VarType::UI1, VarType::UI1, VarType::R4,
                                           VarType::Error}));
    EXPECT_EQ(plain.memberId, 0x60020000);
    EXPECT_EQ(two.functions[1].invokeKind, InvokeKind::PropertyPut);
    EXPECT_EQ(two.functions[1].parameters[0].type, TypeDescription::Base(VarType::Variant));
    const Function& many = two.functions[2];
    EXPECT_EQ(many.flags, function_flags::kRestricted);
    EXPECT_EQ(many.parameters[0].flags,
              parameter_flags::kIn | parameter_flags::kHasDefault | parameter_flags::kOptional);
    EXPECT_EQ(many.parameters[0].defaultValue, (ConstantValue{VarType::Bstr, 0, 0, "none"}));
    EXPECT_EQ(many.parameters[1].flags, parameter_flags::kIn | parameter_flags::kOptional);
    EXPECT_EQ(many.parameters[2].type,
              TypeDescription::PointerTo(TypeDescription::SafeArrayOf(TypeDescription::Base(VarType::I4))));
    EXPECT_EQ(many.parameters[3].type, TypeDescription::User(TypeReference::Local(4)));
    EXPECT_EQ(many.parameters[4].type,
              TypeDescription::PointerTo(TypeDescription::User(TypeReference::Local(3))));
    EXPECT_EQ(many.parameters[5].defaultValue->real, 2.5);

    const TypeDefinition& one = *FindType(library, "IOne");
    EXPECT_EQ(one.flags, type_flags::kDual | type_flags::kOleAutomation | type_flags::kDispatchable);
    EXPECT_EQ(one.functions[0].parameters[0].flags, parameter_flags::kOut | parameter_flags::kRetval);
    EXPECT_EQ(one.functions[0].parameters[0].type,
              TypeDescription::PointerTo(TypeDescription::Base(VarType::I4)));

    const TypeDefinition& numbers = *FindType(library, "Numbers");
    ASSERT_EQ(numbers.constants.size(), 4u);
    EXPECT_EQ(numbers.constants[1].value, 1);
    EXPECT_EQ(numbers.constants[2].value, static_cast<std::int32_t>(0x80000000u));
    EXPECT_EQ(numbers.constants[3].value, 16);
}

TEST(MidlParser, SlotsCountIUnknownIDispatchAndTheBases) {
    IdlSource source(std::string(kHeader) + R"(
[object, uuid(00000001-0000-0000-0000-000000000002)]
interface ITwo : IOne { HRESULT A(); HRESULT B(void); };
[object, uuid(00000001-0000-0000-0000-000000000003)]
interface IPlain : IUnknown { HRESULT C(); };
[uuid(00000001-0000-0000-0000-0000000000FF)]
library L { importlib("stdole2.tlb"); interface ITwo; interface IPlain; };
)");
    TypeLibrary library = source.Library();
    const struct {
        const char* type;
        std::vector<std::int32_t> slots;
        std::uint16_t total;
    } rows[] = {{"IOne", {7}, 8}, {"ITwo", {8, 9}, 10}, {"IPlain", {3}, 4}};
    for (const auto& row : rows) {
        const TypeDefinition* type = FindType(library, row.type);
        ASSERT_TRUE(type) << row.type;
        std::vector<std::int32_t> slots;
        for (const Function& function : type->functions) slots.push_back(function.vtableSlot);
        EXPECT_EQ(slots, row.slots) << row.type;
        EXPECT_EQ(type->vtableSlots, row.total) << row.type;
    }
}

// `interface I;` inside the library puts an interface declared outside it into the library, wherever it
// is declared: before the library, after it, or in an imported file; an outside interface the library does
// not mention stays out.
TEST(MidlParser, ForwardMentionsInTheLibraryBringOutsideInterfacesIn) {
    const std::string two = R"(
[object, uuid(00000001-0000-0000-0000-000000000002)]
interface ITwo : IUnknown { HRESULT Go(); };
)";
    const std::string library = R"(
[uuid(00000001-0000-0000-0000-0000000000FF)]
library L { importlib("stdole2.tlb"); %s };
)";
    auto Library = [&](const std::string& inside) {
        std::string text = library;
        return text.replace(text.find("%s"), 2, inside);
    };
    const std::string other = std::string(kHeader) + R"(
[object, uuid(00000001-0000-0000-0000-000000000003), dual]
interface IOther : IOne { HRESULT More(); };
)";
    const struct {
        const char* what;
        std::string idl;
        std::vector<std::string> types;
    } rows[] = {
        {"declared before", kHeader + two + Library("interface ITwo;"), {"ITwo"}},
        {"declared after", kHeader + Library("interface ITwo; interface IOne;") + two, {"ITwo", "IOne"}},
        {"from an imported file", "import \"other.idl\";\n" + Library("interface IOther;"), {"IOther", "IOne"}},
        {"beside a coclass",
         kHeader + two +
             Library("[uuid(00000001-0000-0000-0000-000000000009)] coclass C { interface IOne; }; interface ITwo;"),
         {"C", "IOne", "ITwo"}},
        {"not mentioned", kHeader + two + Library(""), {}},
    };
    for (const auto& row : rows) {
        IdlSource source(row.idl, {{"other.idl", other}});
        std::string error;
        std::optional<TypeLibrary> written = Deserialize(Serialize(source.Library()), &error);
        ASSERT_TRUE(written) << row.what << ": " << error;
        std::vector<std::string> names;
        for (const TypeDefinition& type : written->types) names.push_back(type.name);
        EXPECT_EQ(names, row.types) << row.what;
    }
}

TEST(MidlParser, ImportedFilesAndLibrariesAreReferencedNotCopied) {
    // An outside library of ours, written first, then named by importlib and by import.
    IdlSource outside(R"(import "oaidl.idl";
[object, uuid(00000002-0000-0000-0000-000000000001), dual]
interface IOutside : IDispatch { HRESULT Run(); };
[uuid(00000002-0000-0000-0000-0000000000FF), version(1.0)]
library OutsideLib { importlib("stdole2.tlb"); interface IOutside; };
)");
    Bytes bytes = Serialize(outside.Library());
    std::string tlb(bytes.begin(), bytes.end());
    std::string outsideIdl;
    std::getline(std::ifstream(outside.path()), outsideIdl, '\0');
    IdlSource source(R"(import "outside.idl";
[object, uuid(00000001-0000-0000-0000-000000000002), dual]
interface IInside : IOutside { HRESULT More(); };
[uuid(00000001-0000-0000-0000-0000000000FF)]
library L { importlib("stdole2.tlb"); importlib("outside.tlb"); interface IInside; };
)",
                     {{"outside.tlb", tlb}, {"outside.idl", outsideIdl}});
    midl::IdlFile file = source.Parse();
    TypeLibrary library = midl::BuildTypeLibrary(file);
    ASSERT_EQ(library.types.size(), 1u);
    EXPECT_EQ(library.types[0].functions[0].vtableSlot, 8);
    ASSERT_TRUE(library.types[0].base && library.types[0].base->imported);
    EXPECT_EQ(library.types[0].base->imported->typeName, "IOutside");
    EXPECT_EQ(library.types[0].base->imported->library.Data1, 2u);
    EXPECT_EQ(library.types[0].base->imported->typeGuid.Data4[7], 1);

    std::ostringstream header;
    midl::WriteHeader(file, "test.idl", header);
    EXPECT_NE(header.str().find("#include \"outside.h\""), std::string::npos);
    EXPECT_EQ(header.str().find("struct IOutside"), std::string::npos);
}

TEST(MidlParser, ErrorsNameFileAndLine) {
    const struct {
        const char* idl;
        const char* message;
    } rows[] = {
        {"interface IX : IUnknown {};", "test.idl(1): interface IX needs a uuid"},
        {"[object, uuid(1-2)]\ninterface IX : IUnknown {};",
         "test.idl(1): uuid needs a GUID of the form 12345678-1234-1234-1234-123456789ABC"},
        {"[object, uuid(00000001-0000-0000-0000-000000000002)]\ninterface IX : INowhere {};",
         "test.idl(2): base interface 'INowhere' is not defined"},
        {"interface IY;\n[object, uuid(00000001-0000-0000-0000-000000000002)]\ninterface IX : IY {};",
         "test.idl(3): base interface 'IY' is not defined"},
        {"[object, uuid(00000001-0000-0000-0000-000000000002), dual]\ninterface IX : IUnknown {};",
         "test.idl(2): dual interface IX must derive from IDispatch"},
        {"import \"oaidl.idl\";\n[object, uuid(00000001-0000-0000-0000-000000000002), dual]\ninterface IX : "
         "IDispatch {\n  long Bad();\n};",
         "test.idl(4): member Bad of an automation interface must return HRESULT"},
        {"[object, uuid(00000001-0000-0000-0000-000000000002)]\ninterface IX : IUnknown {\n  HRESULT F([out] "
         "long "
         "x);\n};",
         "test.idl(3): [out] parameter x must be a pointer"},
        {"[object, uuid(00000001-0000-0000-0000-000000000002)]\ninterface IX : IUnknown {\n  HRESULT "
         "F([retval] "
         "long* x);\n};",
         "test.idl(3): [retval] parameter x must also be [out]"},
        {"[object, uuid(00000001-0000-0000-0000-000000000002)]\ninterface IX : IUnknown {\n  HRESULT F([out, "
         "retval] long* x, [in] long y);\n};",
         "test.idl(3): [retval] must be the last parameter of F"},
        {"[object, uuid(00000001-0000-0000-0000-000000000002)]\ninterface IX : IUnknown {\n  HRESULT "
         "F([in] Widget w);\n};",
         "test.idl(3): unknown type 'Widget'"},
        {"[object, uuid(00000001-0000-0000-0000-000000000002), frobnicate]\ninterface IX : IUnknown {};",
         "test.idl(1): attribute 'frobnicate' is not allowed here"},
        {"typedef enum { A, B = A + Missing } E;", "test.idl(1): undefined constant 'Missing'"},
        {"typedef enum { A, A } E;", "test.idl(1): 'A' is defined twice"},
        {"import \"absent.idl\";", "test.idl(1): cannot open file 'absent.idl'"},
        {"[uuid(00000001-0000-0000-0000-0000000000FF)]\nlibrary L {\n  coclass C;\n};",
         "test.idl(3): coclass C needs a uuid"},
        {"[uuid(00000001-0000-0000-0000-0000000000FF)]\nlibrary L {\n  "
         "[uuid(00000001-0000-0000-0000-000000000009)] "
         "coclass C { interface INone; };\n};",
         "test.idl(3): unknown interface 'INone'"},
        {"[uuid(00000001-0000-0000-0000-0000000000FF)]\nlibrary L {\n  importlib(\"absent.tlb\");\n};",
         "test.idl(3): cannot open file 'absent.tlb'"},
        {"[uuid(00000001-0000-0000-0000-0000000000FF)]\nlibrary L {\n  importlib(\"test.idl\");\n};",
         "test.idl(3): 'test.idl' is not a type library: not a type library file at offset 4"},
        {"import \"oaidl.idl\";\n[uuid(00000001-0000-0000-0000-0000000000FF)]\nlibrary L {\n"
         "  [uuid(00000001-0000-0000-0000-000000000003)] dispinterface D { properties: methods: };\n};",
         "'IDispatch' is in no imported type library (importlib)"},
        {"cpp_quote(\"x\")", "the file declares no library"},
        {"garbage", "test.idl(1): expected a declaration but found 'garbage'"},
    };
    for (const auto& row : rows) {
        IdlSource source(row.idl);
        EXPECT_EQ(source.Error(), row.message) << row.idl;
    }
}

// A folder, or a file that cannot be read (/proc/self/mem opens, and its first page cannot be read), where an
// import names a file: an error at the line naming it; the file given to the compiler, on the command line.
TEST(MidlParser, FoldersAndUnreadableFilesAreErrorsWhereTheyAreNamed) {
    const struct {
        const char* idl;
        const char* message;
    } rows[] = {
        {"\nimport \"sub.idl\";", "test.idl(2): cannot read file '{folder}/sub.idl': it is a folder"},
        {"import \"unreadable.idl\";", "test.idl(1): cannot read file '{folder}/unreadable.idl': Input/output error"},
        {"[uuid(00000001-0000-0000-0000-0000000000FF)]\nlibrary L {\n  importlib(\"sub.idl\");\n};",
         "test.idl(3): cannot read file 'sub.idl': it is a folder"},
        {"#include \"sub.idl\"\n", "test.idl(1): cannot read file 'sub.idl': it is a folder"},
    };
    for (const auto& row : rows) {
        IdlSource source(row.idl);
        std::filesystem::create_directories(source.folder() / "sub.idl");
        std::filesystem::create_symlink("/proc/self/mem", source.folder() / "unreadable.idl");
        std::string expected = row.message;
        if (size_t at = expected.find("{folder}"); at != std::string::npos)
            expected.replace(at, std::strlen("{folder}"), source.folder().string());
        EXPECT_EQ(source.Error(), expected) << row.idl;
    }
    IdlSource source("");
    try {
        midl::ParseIdl(source.folder(), {});
        ADD_FAILURE() << "a folder compiled as an IDL file";
    } catch (const midl::CompileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "<command line>(0): cannot read file '" + source.folder().string() + "': it is a folder");
    }
}

TEST(MidlHeader, SmallFileGivesTheExpectedText) {
    IdlSource source(R"(import "oaidl.idl";
cpp_quote("// quoted")
typedef enum Tag { First = 1, Second } Kind;
[object, uuid(7E7B9462-87EB-11D3-A499-0060B0F8AA86), dual]
interface IFoo : IDispatch {
    [propget, id(1)] HRESULT Name([out, retval] BSTR* pVal);
    [propput, id(1)] HRESULT Name([in] BSTR newVal);
    [propputref, id(2)] HRESULT Owner([in] IDispatch* owner);
    [id(3)] HRESULT Find([in] Kind kind, [in] VARIANT_BOOL exact, [out, retval] IFoo** found);
};
[uuid(7E7B9452-87EB-11D3-A499-0060B0F8AA86)]
library FooLib {
    importlib("stdole2.tlb");
    [uuid(7E7B9464-87EB-11D3-A499-0060B0F8AA86)] dispinterface _FooEvents { properties: methods: };
    [uuid(7E7B9463-87EB-11D3-A499-0060B0F8AA86)] coclass Foo { [default] interface IFoo; };
};
)");
    std::ostringstream header;
    midl::WriteHeader(source.Parse(), "foo.idl", header);
    EXPECT_EQ(header.str(), R"(// Generated by the IDL compiler from foo.idl; do not edit.
#pragma once

#include "oaidl.h"

struct IFoo;
struct _FooEvents;

// quoted
typedef enum Tag : int {
    First = 1,
    Second = 2,
} Kind;

DEFINE_GUID(IID_IFoo, 0x7E7B9462, 0x87EB, 0x11D3, 0xA4, 0x99, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);
struct IFoo : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Name(BSTR newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_Owner(IDispatch* owner) = 0;
    virtual HRESULT STDMETHODCALLTYPE Find(Kind kind, VARIANT_BOOL exact, IFoo** found) = 0;
};

DEFINE_GUID(LIBID_FooLib, 0x7E7B9452, 0x87EB, 0x11D3, 0xA4, 0x99, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);

DEFINE_GUID(DIID__FooEvents, 0x7E7B9464, 0x87EB, 0x11D3, 0xA4, 0x99, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);
struct _FooEvents : public IDispatch {};

DEFINE_GUID(CLSID_Foo, 0x7E7B9463, 0x87EB, 0x11D3, 0xA4, 0x99, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);

)");
}

// The build compiled sample.idl: its header is included above and its type library is this program's
// resource TYPELIB 1.
class SampleChild : public ISampleGrandChild {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Run(LONG* found) override {
        *found = 7;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Extra(double scale, VARIANT_BOOL, DATE, IUnknown**) override {
        return scale > 1 ? S_OK : S_FALSE;
    }
};

TEST(MidlSample, HeaderCompilesAndSlotsMatchTheTypeLibrary) {
    EXPECT_EQ(SampleBlue, 5);
    EXPECT_EQ(SAMPLE_QUOTED, 1);
    EXPECT_EQ(IID_ISampleRoot.Data4[7], 0x02);
    EXPECT_EQ(CLSID_SampleRoot.Data4[7], 0x06);
    EXPECT_EQ(LIBID_SampleLib.Data4[7], 0x00);
    EXPECT_EQ(DIID__ISampleRootEvents.Data4[7], 0x05);

    platform::TestMachine machine;
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCE(1), "TYPELIB");
    ASSERT_NE(found, nullptr);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
    std::string error;
    std::optional<TypeLibrary> library = Deserialize({data, SizeofResource(nullptr, found)}, &error);
    ASSERT_TRUE(library) << error;
    EXPECT_EQ(library->name, "SampleLib");
    EXPECT_EQ(library->helpString, "Sample 1.0 Type Library");
    const TypeDefinition* grandChild = FindType(*library, "ISampleGrandChild");
    ASSERT_TRUE(grandChild);
    ASSERT_EQ(grandChild->functions.size(), 1u);

    // Calling the slot the type library names reaches the member the header declares there.
    SampleChild object;
    ISampleGrandChild* pointer = &object;
    using ExtraCall = HRESULT (*)(ISampleGrandChild*, double, VARIANT_BOOL, DATE, IUnknown**);
    using RunCall = HRESULT (*)(ISampleGrandChild*, LONG*);
    void** table = *reinterpret_cast<void***>(pointer);
    auto extra = reinterpret_cast<ExtraCall>(table[grandChild->functions[0].vtableSlot]);
    EXPECT_EQ(extra(pointer, 2.0, VARIANT_FALSE, 0, nullptr), S_OK);
    const TypeDefinition* child = FindType(*library, "ISampleChild");
    ASSERT_TRUE(child);
    EXPECT_EQ(child->functions[0].vtableSlot, 7);
    LONG runFound = 0;
    EXPECT_EQ(reinterpret_cast<RunCall>(table[child->functions[0].vtableSlot])(pointer, &runFound), S_OK);
    EXPECT_EQ(runFound, 7);

    const TypeDefinition* root = FindType(*library, "ISampleRoot");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->flags, type_flags::kDual | type_flags::kOleAutomation | type_flags::kNonExtensible |
                               type_flags::kDispatchable);
    std::vector<std::int32_t> slots;
    for (const Function& function : root->functions) slots.push_back(function.vtableSlot);
    EXPECT_EQ(slots, (std::vector<std::int32_t>{7, 8, 9, 10, 11, 12}));
}

}  // namespace
