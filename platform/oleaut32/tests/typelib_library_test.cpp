// Type libraries loaded from a file and from a module's TYPELIB resource: the library's attributes and
// types, a dual interface's two faces, enumerations, coclasses, names, references across libraries and
// reference counts.
#include <gtest/gtest.h>

#include "dispatch_widget_object.h"
#include "platform/machine/processes/program_stub.h"
#include "platform/machine/text.h"
#include "platform/testing/test_machine.h"

namespace {

using widget_test::Held;
using widget_test::Text;

class TypeLibraryTest : public ::testing::Test {
  protected:
    TypeLibraryTest() {
        machine_.File(widget_test::kWidgetLibraryPath, widget_test::WidgetLibraryBytes());
        EXPECT_EQ(S_OK, LoadTypeLibEx(widget_test::kWidgetLibraryPathWide, REGKIND_NONE, library_.out()));
    }

    // The dispatch face of IWidget and the function-table face behind it.
    void Faces(Held<ITypeInfo>& dispatch, Held<ITypeInfo>& table) {
        ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IWidget, dispatch.out()));
        HREFTYPE handle = 0;
        ASSERT_EQ(S_OK, dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &handle));
        ASSERT_EQ(S_OK, dispatch->GetRefTypeInfo(handle, table.out()));
    }

    platform::TestMachine machine_;
    Held<ITypeLib> library_;
};

TEST_F(TypeLibraryTest, LibraryAttributesAndDocumentation) {
    ASSERT_TRUE(library_);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, library_->GetLibAttr(&attributes));
    EXPECT_EQ(LIBID_WidgetLib, attributes->guid);
    EXPECT_EQ(1, attributes->wMajorVerNum);
    EXPECT_EQ(2, attributes->wMinorVerNum);
    EXPECT_EQ(SYS_WIN32, attributes->syskind);
    library_->ReleaseTLibAttr(attributes);

    Text name, help;
    ASSERT_EQ(S_OK, library_->GetDocumentation(-1, name.out(), help.out(), nullptr, nullptr));
    EXPECT_EQ(u"WidgetLib", name.str());
    EXPECT_EQ(u"Widget 1.2 Type Library", help.str());
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND,
              library_->GetDocumentation(static_cast<INT>(library_->GetTypeInfoCount()), name.out(), nullptr,
                                         nullptr, nullptr));
}

TEST_F(TypeLibraryTest, TypesByGuidWithTheirKinds) {
    struct Row {
        const char* name;
        GUID guid;
        TYPEKIND kind;
        std::u16string typeName;
    };
    const Row rows[] = {
        {"dual interface, by its dispatch face", IID_IWidget, TKIND_DISPATCH, u"IWidget"},
        {"second dual interface", IID_IWidgetPart, TKIND_DISPATCH, u"IWidgetPart"},
        {"dispatch interface", DIID__IWidgetEvents, TKIND_DISPATCH, u"_IWidgetEvents"},
        {"coclass", CLSID_Widget, TKIND_COCLASS, u"Widget"},
    };
    for (const Row& row : rows) {
        Held<ITypeInfo> info;
        ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(row.guid, info.out())) << row.name;
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
        EXPECT_EQ(row.kind, attributes->typekind) << row.name;
        info->ReleaseTypeAttr(attributes);
        Text name;
        ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, name.out(), nullptr, nullptr, nullptr));
        EXPECT_EQ(row.typeName, name.str()) << row.name;
        Held<ITypeLib> containing;
        UINT index = 99;
        ASSERT_EQ(S_OK, info->GetContainingTypeLib(containing.out(), &index)) << row.name;
        EXPECT_EQ(library_.get(), containing.get()) << row.name;
        TYPEKIND listed = TKIND_MAX;
        ASSERT_EQ(S_OK, library_->GetTypeInfoType(index, &listed));
        EXPECT_EQ(row.kind, listed) << row.name;
    }
    Held<ITypeInfo> missing;
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, library_->GetTypeInfoOfGuid(IID_IDispatch, missing.out()));
    EXPECT_FALSE(missing);
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, library_->GetTypeInfo(library_->GetTypeInfoCount(), missing.out()));
}

TEST_F(TypeLibraryTest, DualInterfaceHasADispatchFaceAndAFunctionTableFace) {
    Held<ITypeInfo> dispatch, table;
    Faces(dispatch, table);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, dispatch->GetTypeAttr(&attributes));
    EXPECT_EQ(TKIND_DISPATCH, attributes->typekind);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(7 + 19, attributes->cFuncs);
    EXPECT_EQ(7 * sizeof(void*), attributes->cbSizeVft);
    EXPECT_EQ(1, attributes->cImplTypes);
    dispatch->ReleaseTypeAttr(attributes);

    ASSERT_EQ(S_OK, table->GetTypeAttr(&attributes));
    EXPECT_EQ(TKIND_INTERFACE, attributes->typekind);
    EXPECT_EQ(IID_IWidget, attributes->guid);
    EXPECT_EQ(19, attributes->cFuncs);
    EXPECT_EQ((7 + 19) * sizeof(void*), attributes->cbSizeVft);
    table->ReleaseTypeAttr(attributes);
    HREFTYPE handle = 0;
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, table->GetRefTypeOfImplType(static_cast<UINT>(-1), &handle));

    // Through the dispatch face the [retval] is the result; through the table it is the last parameter.
    FUNCDESC* function = nullptr;
    ASSERT_EQ(S_OK, dispatch->GetFuncDesc(7, &function));
    EXPECT_EQ(1, function->memid);
    EXPECT_EQ(INVOKE_PROPERTYGET, function->invkind);
    EXPECT_EQ(FUNC_DISPATCH, function->funckind);
    EXPECT_EQ(0, function->cParams);
    EXPECT_EQ(VT_BSTR, function->elemdescFunc.tdesc.vt);
    dispatch->ReleaseFuncDesc(function);
    ASSERT_EQ(S_OK, table->GetFuncDesc(0, &function));
    EXPECT_EQ(1, function->memid);
    EXPECT_EQ(FUNC_PUREVIRTUAL, function->funckind);
    EXPECT_EQ(7 * static_cast<int>(sizeof(void*)), function->oVft);
    EXPECT_EQ(1, function->cParams);
    EXPECT_EQ(VT_PTR, function->lprgelemdescParam[0].tdesc.vt);
    EXPECT_EQ(VT_BSTR, function->lprgelemdescParam[0].tdesc.lptdesc->vt);
    EXPECT_EQ(PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, function->lprgelemdescParam[0].paramdesc.wParamFlags);
    EXPECT_EQ(VT_HRESULT, function->elemdescFunc.tdesc.vt);
    table->ReleaseFuncDesc(function);
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, table->GetFuncDesc(19, &function));
}

TEST_F(TypeLibraryTest, DefaultValuesAndOptionalParameters) {
    Held<ITypeInfo> dispatch, table;
    Faces(dispatch, table);
    FUNCDESC* scale = nullptr;
    ASSERT_EQ(S_OK, table->GetFuncDesc(6, &scale));
    ASSERT_EQ(4, scale->memid);
    ASSERT_EQ(4, scale->cParams);
    EXPECT_EQ(1, scale->cParamsOpt);
    const PARAMDESC& times = scale->lprgelemdescParam[1].paramdesc;
    EXPECT_EQ(PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT, times.wParamFlags);
    ASSERT_NE(nullptr, times.pparamdescex);
    EXPECT_EQ(VT_I4, times.pparamdescex->varDefaultValue.vt);
    EXPECT_EQ(2, times.pparamdescex->varDefaultValue.lVal);
    EXPECT_EQ(VT_VARIANT, scale->lprgelemdescParam[2].tdesc.vt);
    EXPECT_EQ(PARAMFLAG_FIN | PARAMFLAG_FOPT, scale->lprgelemdescParam[2].paramdesc.wParamFlags);
    table->ReleaseFuncDesc(scale);
}

TEST_F(TypeLibraryTest, ImplementedTypesReachTheStandardLibrary) {
    Held<ITypeInfo> dispatch, table;
    Faces(dispatch, table);
    for (ITypeInfo* face : {dispatch.get(), table.get()}) {
        HREFTYPE handle = 0;
        ASSERT_EQ(S_OK, face->GetRefTypeOfImplType(0, &handle));
        Held<ITypeInfo> base;
        ASSERT_EQ(S_OK, face->GetRefTypeInfo(handle, base.out()));
        Text name;
        ASSERT_EQ(S_OK, base->GetDocumentation(MEMBERID_NIL, name.out(), nullptr, nullptr, nullptr));
        EXPECT_EQ(u"IDispatch", name.str());
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(S_OK, base->GetTypeAttr(&attributes));
        EXPECT_EQ(IID_IDispatch, attributes->guid);
        EXPECT_EQ(4, attributes->cFuncs);
        base->ReleaseTypeAttr(attributes);
        Held<ITypeLib> standard;
        UINT index = 0;
        ASSERT_EQ(S_OK, base->GetContainingTypeLib(standard.out(), &index));
        TLIBATTR* library = nullptr;
        ASSERT_EQ(S_OK, standard->GetLibAttr(&library));
        EXPECT_EQ(2, library->wMajorVerNum);
        Text standardName;
        standard->GetDocumentation(-1, standardName.out(), nullptr, nullptr, nullptr);
        EXPECT_EQ(u"stdole", standardName.str());
        standard->ReleaseTLibAttr(library);
        EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, face->GetRefTypeOfImplType(1, &handle));
    }

    Held<ITypeInfo> coclass;
    ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(CLSID_Widget, coclass.out()));
    struct Row {
        UINT index;
        GUID guid;
        INT flags;
    };
    const Row rows[] = {{0, IID_IWidget, IMPLTYPEFLAG_FDEFAULT},
                        {1, DIID__IWidgetEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
    for (const Row& row : rows) {
        HREFTYPE handle = 0;
        ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(row.index, &handle));
        Held<ITypeInfo> implemented;
        ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(handle, implemented.out()));
        TYPEATTR* attributes = nullptr;
        implemented->GetTypeAttr(&attributes);
        EXPECT_EQ(row.guid, attributes->guid) << row.index;
        implemented->ReleaseTypeAttr(attributes);
        INT flags = 0;
        ASSERT_EQ(S_OK, coclass->GetImplTypeFlags(row.index, &flags));
        EXPECT_EQ(row.flags, flags) << row.index;
    }
}

TEST_F(TypeLibraryTest, EnumerationConstants) {
    Held<ITypeInfo> shape;
    ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(
                        {0x5E0D7A10, 0x3C41, 0x4B7E, {0x9D, 0x2A, 0x61, 0xC0, 0xA4, 0xB8, 0xE0, 0x01}},
                        shape.out()));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, shape->GetTypeAttr(&attributes));
    EXPECT_EQ(TKIND_ENUM, attributes->typekind);
    ASSERT_EQ(3, attributes->cVars);
    shape->ReleaseTypeAttr(attributes);
    const std::pair<std::u16string, LONG> constants[] = {
        {u"WidgetCircle", 1}, {u"WidgetSquare", 2}, {u"WidgetTriangle", 5}};
    for (UINT index = 0; index < 3; ++index) {
        VARDESC* variable = nullptr;
        ASSERT_EQ(S_OK, shape->GetVarDesc(index, &variable));
        EXPECT_EQ(VAR_CONST, variable->varkind);
        EXPECT_EQ(VT_I4, variable->lpvarValue->vt);
        EXPECT_EQ(constants[index].second, variable->lpvarValue->lVal);
        Text name;
        ASSERT_EQ(S_OK, shape->GetDocumentation(variable->memid, name.out(), nullptr, nullptr, nullptr));
        EXPECT_EQ(constants[index].first, name.str());
        shape->ReleaseVarDesc(variable);
    }
    VARDESC* variable = nullptr;
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, shape->GetVarDesc(3, &variable));
}

TEST_F(TypeLibraryTest, NamesOfMembersAndParameters) {
    Held<ITypeInfo> dispatch, table;
    Faces(dispatch, table);
    struct Row {
        const char* name;
        ITypeInfo* face;
        MEMBERID member;
        std::vector<std::u16string> names;
    };
    const Row rows[] = {
        {"method through the dispatch face", dispatch.get(), 4, {u"Scale", u"factor", u"times", u"note"}},
        {"method through the table", table.get(), 4, {u"Scale", u"factor", u"times", u"note", u"result"}},
        {"property: the getter's names", dispatch.get(), 1, {u"Name"}},
        {"no parameters", dispatch.get(), 11, {u"Touch"}},
    };
    for (const Row& row : rows) {
        BSTR names[8] = {};
        UINT count = 0;
        ASSERT_EQ(S_OK, row.face->GetNames(row.member, names, 8, &count)) << row.name;
        ASSERT_EQ(row.names.size(), count) << row.name;
        for (UINT index = 0; index < count; ++index) {
            EXPECT_EQ(row.names[index], std::u16string(names[index])) << row.name;
            SysFreeString(names[index]);
        }
    }
    BSTR first = nullptr;
    UINT count = 0;
    ASSERT_EQ(S_OK, dispatch->GetNames(4, &first, 1, &count));
    EXPECT_EQ(1u, count);
    SysFreeString(first);
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, dispatch->GetNames(99, &first, 1, &count));

    Text documentation;
    ASSERT_EQ(S_OK, dispatch->GetDocumentation(1, nullptr, documentation.out(), nullptr, nullptr));
    EXPECT_EQ(u"property Name", documentation.str());
}

TEST_F(TypeLibraryTest, IsNameAndFindName) {
    std::u16string buffer = u"iwidget";
    BOOL found = FALSE;
    ASSERT_EQ(S_OK, library_->IsName(buffer.data(), 0, &found));
    EXPECT_TRUE(found);
    EXPECT_EQ(u"IWidget", buffer);
    std::u16string member = u"SCALE";
    ASSERT_EQ(S_OK, library_->IsName(member.data(), 0, &found));
    EXPECT_TRUE(found);
    EXPECT_EQ(u"Scale", member);
    std::u16string unknown = u"Gadget";
    ASSERT_EQ(S_OK, library_->IsName(unknown.data(), 0, &found));
    EXPECT_FALSE(found);

    ITypeInfo* infos[4] = {};
    MEMBERID members[4] = {};
    USHORT count = 4;
    std::u16string name = u"describe";
    ASSERT_EQ(S_OK, library_->FindName(name.data(), 0, infos, members, &count));
    ASSERT_EQ(1, count);
    EXPECT_EQ(5, members[0]);
    infos[0]->Release();
}

TEST_F(TypeLibraryTest, TypeInformationKeepsItsLibraryAlive) {
    Held<ITypeInfo> dispatch;
    ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IWidget, dispatch.out()));
    EXPECT_EQ(2u, dispatch->AddRef());
    EXPECT_EQ(1u, dispatch->Release());
    library_.reset();
    // The library is gone for its holder; the type information still answers from it.
    Held<ITypeLib> containing;
    ASSERT_EQ(S_OK, dispatch->GetContainingTypeLib(containing.out(), nullptr));
    EXPECT_GT(containing->GetTypeInfoCount(), 0u);
}

TEST(TypeLibraryLoad, FilesAndModules) {
    platform::TestMachine machine;
    std::string bytes = widget_test::WidgetLibraryBytes();
    machine.File("C:\\Lib\\widget.tlb", bytes)
        .File("C:\\Lib\\garbage.tlb", "not a type library")
        .File("C:\\Lib\\truncated.tlb", bytes.substr(0, bytes.size() / 2))
        .Module("C:\\Program Files\\Widget\\widgethost.exe");
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), "C:\\Program Files\\Widget\\widget.dll",
                                           TYPELIB_MODULE_LIBRARY, {}));
    struct Row {
        const char16_t* path;
        HRESULT result;
    };
    const Row rows[] = {
        {u"C:\\Lib\\widget.tlb", S_OK},
        {u"c:\\LIB\\WIDGET.TLB", S_OK},
        {u"C:\\Lib\\missing.tlb", TYPE_E_CANTLOADLIBRARY},
        {u"C:\\Lib\\garbage.tlb", TYPE_E_CANTLOADLIBRARY},
        {u"C:\\Lib\\truncated.tlb", TYPE_E_INVDATAREAD},
        // The program's own module carries the library as its resource TYPELIB 1.
        {u"C:\\Program Files\\Widget\\widgethost.exe", S_OK},
        {u"C:\\Program Files\\Widget\\widgethost.exe\\1", S_OK},
        {u"C:\\Program Files\\Widget\\widgethost.exe\\2", TYPE_E_CANTLOADLIBRARY},
        // A library of the machine, through its stub.
        {u"C:\\Program Files\\Widget\\widget.dll", S_OK},
        {u"C:\\Program Files\\Widget\\widget.dll\\1", S_OK},
        {u"C:\\Program Files\\Widget\\widget.dll\\3", TYPE_E_CANTLOADLIBRARY},
        {u"C:\\Program Files\\Widget\\missing.dll\\1", TYPE_E_CANTLOADLIBRARY},
    };
    for (const Row& row : rows) {
        Held<ITypeLib> library;
        EXPECT_EQ(row.result, LoadTypeLib(row.path, library.out())) << platform::AnsiFromWide(row.path);
        EXPECT_EQ(row.result == S_OK, static_cast<bool>(library)) << platform::AnsiFromWide(row.path);
        if (library) {
            Held<ITypeInfo> info;
            EXPECT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IWidget, info.out()));
        }
    }
    Held<ITypeLib> library;
    EXPECT_EQ(E_INVALIDARG, LoadTypeLib(nullptr, library.out()));
    EXPECT_EQ(E_INVALIDARG, LoadTypeLib(u"C:\\Lib\\widget.tlb", nullptr));
    EXPECT_EQ(E_INVALIDARG, LoadTypeLibEx(u"C:\\Lib\\widget.tlb", static_cast<REGKIND>(7), library.out()));
}

}  // namespace
