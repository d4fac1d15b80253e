// The diagnostics interfaces' library, installed and registered in a machine as the product's installer
// does, then found again through the registry by its id and version.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CComBSTR.h"
#include "CComPtr.h"
#include "oleauto.h"
#include "platform/machine/processes/program_stub.h"
#include "platform/testing/program_run.h"
#include "platform/testing/test_machine.h"

namespace {

DEFINE_GUID(LIBID_Diagnostics, 0x315975D9, 0x4927, 0x11D3, 0xA4, 0x2B, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);
DEFINE_GUID(IID_Routine, 0x633A46F1, 0x4B84, 0x11D3, 0xA4, 0x33, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);
DEFINE_GUID(IID_Test, 0x06458C66, 0x4938, 0x11D3, 0xA4, 0x2B, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);
DEFINE_GUID(IID_Report, 0x06458C63, 0x4938, 0x11D3, 0xA4, 0x2B, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);
DEFINE_GUID(IID_OwnerNotify, 0x8D78B995, 0x4CFD, 0x11D3, 0xA4, 0x39, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86);

constexpr char kLibraryPath[] = "C:\\Program Files\\QNAiO\\Bin\\QNAiODiagnostics.tlb";
constexpr char kRegisterPath[] = "C:\\Program Files\\QNAiO\\Bin\\register_typelib.exe";

std::string Built() {
    std::ifstream file(DIAGNOSTICS_TYPE_LIBRARY, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct Member {
    const char16_t* name;
    INVOKEKIND kind;
};

struct Interface {
    const GUID* iid;
    const char16_t* name;
    std::vector<Member> members;  // in vtable order from slot 7
};

const std::vector<Interface>& Interfaces() {
    static const std::vector<Interface> interfaces = {
        {&IID_Routine, u"QNAiOTroubleShootRoutineItf",
         {{u"Run", INVOKE_FUNC}, {u"Reserved1", INVOKE_FUNC}, {u"Reserved2", INVOKE_FUNC},
          {u"ProblemsFound", INVOKE_PROPERTYGET}, {u"RoutineId", INVOKE_PROPERTYGET}, {u"Mode", INVOKE_PROPERTYGET},
          {u"Mode", INVOKE_PROPERTYPUT}, {u"Results", INVOKE_PROPERTYGET}}},
        {&IID_Test, u"QNAiOTestItf",
         {{u"Run", INVOKE_FUNC}, {u"TestId", INVOKE_PROPERTYGET}, {u"ProblemsFound", INVOKE_PROPERTYGET},
          {u"Reserved", INVOKE_FUNC}, {u"Owner", INVOKE_PROPERTYGET}, {u"Owner", INVOKE_PROPERTYPUT},
          {u"Mode", INVOKE_PROPERTYGET}, {u"Mode", INVOKE_PROPERTYPUT}, {u"Results", INVOKE_PROPERTYGET}}},
        {&IID_Report, u"QNAiOReportItf",
         {{u"WriteReport", INVOKE_FUNC}, {u"Open", INVOKE_FUNC}, {u"Print", INVOKE_FUNC},
          {u"Option1", INVOKE_PROPERTYGET}, {u"Option2", INVOKE_PROPERTYGET}, {u"Option3", INVOKE_PROPERTYGET},
          {u"ReportId", INVOKE_PROPERTYGET}, {u"FileName", INVOKE_PROPERTYGET}, {u"FileName", INVOKE_PROPERTYPUT},
          {u"Folder", INVOKE_PROPERTYGET}, {u"Folder", INVOKE_PROPERTYPUT}, {u"Text", INVOKE_PROPERTYGET},
          {u"Text", INVOKE_PROPERTYPUT}, {u"Owner", INVOKE_PROPERTYGET}, {u"Owner", INVOKE_PROPERTYPUT},
          {u"Reserved", INVOKE_FUNC}}},
        {&IID_OwnerNotify, u"QNAiOOwnerNotifyItf", {}},
    };
    return interfaces;
}

class DiagnosticsTypeLibrary : public ::testing::Test {
  protected:
    DiagnosticsTypeLibrary() {
        machine_.File(kLibraryPath, Built());
        EXPECT_TRUE(platform::WriteProgramStub(machine_.machine(), kRegisterPath, REGISTER_TYPELIB_PROGRAM, {}));
    }

    platform::TestMachine machine_;
};

TEST_F(DiagnosticsTypeLibrary, NotFoundBeforeItIsRegistered) {
    CComPtr<ITypeLib> library;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_Diagnostics, 1, 0, 0, &library));
}

TEST_F(DiagnosticsTypeLibrary, RegisteredByTheInstallerAndLoadedByItsId) {
    platform::ProgramRun run = platform::RunProgram(std::string("\"") + kRegisterPath + "\" \"" + kLibraryPath + "\"");
    ASSERT_TRUE(run.started) << run.error;
    EXPECT_EQ(0u, run.exitCode) << run.output;

    CComPtr<ITypeLib> library;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_Diagnostics, 1, 0, 0, &library));
    TLIBATTR* libraryAttributes = nullptr;
    ASSERT_EQ(S_OK, library->GetLibAttr(&libraryAttributes));
    EXPECT_EQ(LIBID_Diagnostics, libraryAttributes->guid);
    EXPECT_EQ(1, libraryAttributes->wMajorVerNum);
    EXPECT_EQ(0, libraryAttributes->wMinorVerNum);
    library->ReleaseTLibAttr(libraryAttributes);

    for (const Interface& expected : Interfaces()) {
        SCOPED_TRACE(std::string(expected.name, expected.name + std::char_traits<char16_t>::length(expected.name)));
        CComPtr<ITypeInfo> dispatch;
        ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(*expected.iid, &dispatch));
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(S_OK, dispatch->GetTypeAttr(&attributes));
        EXPECT_EQ(TKIND_DISPATCH, attributes->typekind);
        EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
        dispatch->ReleaseTypeAttr(attributes);
        CComBSTR name;
        ASSERT_EQ(S_OK, dispatch->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr));
        EXPECT_EQ(std::u16string(expected.name), std::u16string(name.m_str));

        // The function-table face: the members from slot 7 on, in order.
        HREFTYPE handle = 0;
        ASSERT_EQ(S_OK, dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &handle));
        CComPtr<ITypeInfo> table;
        ASSERT_EQ(S_OK, dispatch->GetRefTypeInfo(handle, &table));
        ASSERT_EQ(S_OK, table->GetTypeAttr(&attributes));
        EXPECT_EQ(TKIND_INTERFACE, attributes->typekind);
        EXPECT_EQ(*expected.iid, attributes->guid);
        EXPECT_EQ(expected.members.size(), attributes->cFuncs);
        EXPECT_EQ((7 + expected.members.size()) * sizeof(void*), attributes->cbSizeVft);
        table->ReleaseTypeAttr(attributes);
        for (size_t index = 0; index < expected.members.size(); ++index) {
            FUNCDESC* function = nullptr;
            ASSERT_EQ(S_OK, table->GetFuncDesc(static_cast<UINT>(index), &function));
            EXPECT_EQ(static_cast<int>((7 + index) * sizeof(void*)), function->oVft) << index;
            EXPECT_EQ(expected.members[index].kind, function->invkind) << index;
            EXPECT_EQ(VT_HRESULT, function->elemdescFunc.tdesc.vt) << index;
            CComBSTR memberName;
            UINT count = 0;
            BSTR names[1] = {nullptr};
            ASSERT_EQ(S_OK, table->GetNames(function->memid, names, 1, &count));
            memberName.Attach(names[0]);
            EXPECT_EQ(std::u16string(expected.members[index].name), std::u16string(memberName.m_str)) << index;
            table->ReleaseFuncDesc(function);
        }
    }
}

}  // namespace
