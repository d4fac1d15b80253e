// KENROIMPLib as clients and the server's IDispatch read it: the library's attributes, the root object's
// class and members, the three ids of every class and the enumerations.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "kenrim07.h"
#include "platform/testing/test_machine.h"
#include "oleauto.h"
#include "windows.h"

namespace {

struct Releaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using Owned = std::unique_ptr<Interface, Releaser>;

std::string Text(BSTR text) {
    std::string result;
    for (UINT index = 0; text && index < SysStringLen(text); ++index) result += static_cast<char>(text[index]);
    SysFreeString(text);
    return result;
}

std::string NameOf(ITypeInfo* info, MEMBERID member = MEMBERID_NIL) {
    BSTR name = nullptr;
    EXPECT_EQ(S_OK, info->GetDocumentation(member, &name, nullptr, nullptr, nullptr));
    return Text(name);
}

class KenroTypeLibraryTest : public ::testing::Test {
  protected:
    KenroTypeLibraryTest() {
        std::ifstream file(KENRIM07_TYPE_LIBRARY, std::ios::binary);
        machine_.File("C:\\Kenro\\kenrim07.tlb",
                      std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
        ITypeLib* library = nullptr;
        EXPECT_EQ(S_OK, LoadTypeLibEx(u"C:\\Kenro\\kenrim07.tlb", REGKIND_NONE, &library));
        library_.reset(library);
    }

    Owned<ITypeInfo> Info(REFGUID guid) {
        ITypeInfo* info = nullptr;
        EXPECT_EQ(S_OK, library_->GetTypeInfoOfGuid(guid, &info));
        return Owned<ITypeInfo>(info);
    }

    // The attributes of a type, copied out of the type information.
    static TYPEATTR Attributes(ITypeInfo* info) {
        TYPEATTR* attributes = nullptr;
        EXPECT_EQ(S_OK, info->GetTypeAttr(&attributes));
        TYPEATTR copy = *attributes;
        info->ReleaseTypeAttr(attributes);
        return copy;
    }

    // The interface half of a dual interface.
    static Owned<ITypeInfo> VtableHalf(ITypeInfo* info) {
        if (Attributes(info).typekind == TKIND_INTERFACE) {
            info->AddRef();
            return Owned<ITypeInfo>(info);
        }
        HREFTYPE handle = 0;
        EXPECT_EQ(S_OK, info->GetRefTypeOfImplType(-1, &handle));
        ITypeInfo* half = nullptr;
        EXPECT_EQ(S_OK, info->GetRefTypeInfo(handle, &half));
        return Owned<ITypeInfo>(half);
    }

    platform::TestMachine machine_;
    Owned<ITypeLib> library_;
};

TEST_F(KenroTypeLibraryTest, LibraryAttributes) {
    ASSERT_TRUE(library_);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, library_->GetLibAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(LIBID_KENROIMPLib, attributes->guid));
    EXPECT_EQ(1, attributes->wMajorVerNum);
    EXPECT_EQ(0, attributes->wMinorVerNum);
    library_->ReleaseTLibAttr(attributes);
    BSTR name = nullptr;
    BSTR help = nullptr;
    ASSERT_EQ(S_OK, library_->GetDocumentation(-1, &name, &help, nullptr, nullptr));
    EXPECT_EQ("KENROIMPLib", Text(name));
    EXPECT_EQ("KenroImp 1.0 Type Library", Text(help));
}

TEST_F(KenroTypeLibraryTest, RootObjectIsTheOneCreatableClass) {
    ASSERT_TRUE(library_);
    Owned<ITypeInfo> coclass = Info(CLSID_QNAiOKenro);
    ASSERT_TRUE(coclass);
    TYPEATTR attributes = Attributes(coclass.get());
    EXPECT_EQ(TKIND_COCLASS, attributes.typekind);
    EXPECT_TRUE(attributes.wTypeFlags & TYPEFLAG_FCANCREATE);
    ASSERT_EQ(2, attributes.cImplTypes);
    INT flags = 0;
    EXPECT_EQ(S_OK, coclass->GetImplTypeFlags(0, &flags));
    EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT, flags);
    EXPECT_EQ(S_OK, coclass->GetImplTypeFlags(1, &flags));
    EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE, flags);

    Owned<ITypeInfo> methods = VtableHalf(Info(IID_DIQNAiOKenro).get());
    ASSERT_TRUE(methods);
    TYPEATTR interfaceAttributes = Attributes(methods.get());
    EXPECT_TRUE(interfaceAttributes.wTypeFlags & TYPEFLAG_FDUAL);
    // 23 members; the five properties with a put have two slots each.
    const std::vector<std::string> expected = {
        "Reports", "TroubleShootRtns", "System", "Registry", "DirectoryFile", "Results", "DatabaseName",
        "Units", "Test", "TroubleShootingRoutine", "Tests", "Conflicts", "Report", "AddRemovePrograms",
        "NTServices", "UnitName", "UnitName", "Help", "DisplayMessages", "ProgressBarDlg", "Path", "Path",
        "DeviceId", "DeviceId", "HelpDirectory", "HelpDirectory", "WasInstalled"};
    ASSERT_EQ(static_cast<WORD>(expected.size()), interfaceAttributes.cFuncs);
    MEMBERID lastMember = 0;
    for (UINT index = 0; index < expected.size(); ++index) {
        FUNCDESC* function = nullptr;
        ASSERT_EQ(S_OK, methods->GetFuncDesc(index, &function));
        EXPECT_EQ(expected[index], NameOf(methods.get(), function->memid)) << index;
        EXPECT_EQ(static_cast<SHORT>((7 + index) * sizeof(void*)), function->oVft) << index;
        // Dispatch ids run 1 to 23 in slot order; a put follows its get under the same id.
        bool samePropertyPut = function->invkind == INVOKE_PROPERTYPUT && function->memid == lastMember;
        if (!samePropertyPut) {
            EXPECT_EQ(lastMember + 1, function->memid) << expected[index];
        }
        lastMember = function->memid;
        methods->ReleaseFuncDesc(function);
    }
    EXPECT_EQ(23, lastMember);
}

// Every class: the dual interface at N, the coclass at N+1 and the event interface at N+2, all three
// named after the class; only the root object can be created.
TEST_F(KenroTypeLibraryTest, EveryClassHasThreeConsecutiveIds) {
    ASSERT_TRUE(library_);
    struct Row {
        const char* name;
        const GUID& iid;
    };
    const Row rows[] = {
        {"QNAiOResult", IID_DIQNAiOResult},
        {"QNAiOResults", IID_DIQNAiOResults},
        {"QNAiODisplayMessage", IID_DIQNAiODisplayMessage},
        {"QNAiODisplayMessages", IID_DIQNAiODisplayMessages},
        {"QNAiOProgressBarDlg", IID_DIQNAiOProgressBarDlg},
        {"QNAiORegistry", IID_DIQNAiORegistry},
        {"QNAiORegistryKey", IID_DIQNAiORegistryKey},
        {"QNAiORegistryKeys", IID_DIQNAiORegistryKeys},
        {"QNAiORegistryValue", IID_DIQNAiORegistryValue},
        {"QNAiORegistryValues", IID_DIQNAiORegistryValues},
        {"QNAiOSystem", IID_DIQNAiOSystem},
        {"QNAiODrive", IID_DIQNAiODrive},
        {"QNAiODrives", IID_DIQNAiODrives},
        {"QNAiOMemory", IID_DIQNAiOMemory},
        {"QNAiOOperatingSystem", IID_DIQNAiOOperatingSystem},
        {"QNAiOProcessor", IID_DIQNAiOProcessor},
        {"QNAiOVideo", IID_DIQNAiOVideo},
        {"QNAiOAddRemovePrograms", IID_DIQNAiOAddRemovePrograms},
        {"QNAiONTServices", IID_DIQNAiONTServices},
        {"QNAiODirectoryFile", IID_DIQNAiODirectoryFile},
        {"QNAiODirectoryFiles", IID_DIQNAiODirectoryFiles},
        {"QNAiOIniFiles", IID_DIQNAiOIniFiles},
        {"QNAiOIniFile", IID_DIQNAiOIniFile},
        {"QNAiOHelpFiles", IID_DIQNAiOHelpFiles},
        {"QNAiOHelpFile", IID_DIQNAiOHelpFile},
        {"QNAiOIniSections", IID_DIQNAiOIniSections},
        {"QNAiOIniSection", IID_DIQNAiOIniSection},
        {"QNAiOKenro", IID_DIQNAiOKenro},
        {"QNAiOUnits", IID_DIQNAiOUnits},
        {"QNAiOUnit", IID_DIQNAiOUnit},
        {"QNAiOConflicts", IID_DIQNAiOConflicts},
        {"QNAiOConflictTroubleShootRoutine", IID_DIQNAiOConflictTroubleShootRoutine},
        {"QNAiOConflictsTroubleShootingRoutine", IID_DIQNAiOConflictsTroubleShootingRoutine},
        {"QNAiOKenroReports", IID_DIQNAiOKenroReports},
        {"QNAiOKenroTests", IID_DIQNAiOKenroTests},
        {"QNAiOKenroTroubleShootRtns", IID_DIQNAiOKenroTroubleShootRtns},
        {"QNAiOUnitSystemRequirementsTroubleShootRoutine", IID_DIQNAiOUnitSystemRequirementsTroubleShootRoutine},
        {"QNAiOSystemConflictsTest", IID_DIQNAiOSystemConflictsTest},
        {"QNAiOSystemReport", IID_DIQNAiOSystemReport},
        {"QNAiOUSBReport", IID_DIQNAiOUSBReport},
        {"QNAiOKenroLogReport", IID_DIQNAiOKenroLogReport},
        {"QNAiOConflictTroubleShootRtns", IID_DIQNAiOConflictTroubleShootRtns},
        {"QNAiOIRQConflictsTroubleShootRoutine", IID_DIQNAiOIRQConflictsTroubleShootRoutine},
    };
    for (const Row& row : rows) {
        const std::string name = row.name;
        SCOPED_TRACE(name);
        GUID next = row.iid;
        Owned<ITypeInfo> dual = Info(row.iid);
        ASSERT_TRUE(dual);
        EXPECT_EQ("DI" + name, NameOf(dual.get()));
        EXPECT_TRUE(Attributes(dual.get()).wTypeFlags & TYPEFLAG_FDUAL);

        ++next.Data1;
        Owned<ITypeInfo> coclass = Info(next);
        ASSERT_TRUE(coclass);
        EXPECT_EQ(name, NameOf(coclass.get()));
        TYPEATTR attributes = Attributes(coclass.get());
        EXPECT_EQ(TKIND_COCLASS, attributes.typekind);
        EXPECT_EQ(name == "QNAiOKenro", (attributes.wTypeFlags & TYPEFLAG_FCANCREATE) != 0);
        ASSERT_EQ(2, attributes.cImplTypes);
        std::vector<std::string> implemented;
        for (UINT index = 0; index < 2; ++index) {
            HREFTYPE handle = 0;
            ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(index, &handle));
            ITypeInfo* referenced = nullptr;
            ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(handle, &referenced));
            implemented.push_back(NameOf(referenced));
            referenced->Release();
        }
        EXPECT_EQ((std::vector<std::string>{"DI" + name, "_DI" + name + "Events"}), implemented);

        ++next.Data1;
        Owned<ITypeInfo> events = Info(next);
        ASSERT_TRUE(events);
        EXPECT_EQ("_DI" + name + "Events", NameOf(events.get()));
        TYPEATTR eventAttributes = Attributes(events.get());
        EXPECT_EQ(TKIND_DISPATCH, eventAttributes.typekind);
        EXPECT_EQ(0, eventAttributes.cVars);
    }
}

// Each enumeration with its count of values and its first and last name and value.
TEST_F(KenroTypeLibraryTest, Enumerations) {
    ASSERT_TRUE(library_);
    struct Row {
        const char* name;
        WORD count;
        const char* first;
        const char* last;
    };
    const Row rows[] = {
        {"QNAiO_RegRootEnum", 8, "QNAiO_RegRootUndefined", "QNAiO_RegRootHighestIndex"},
        {"QNAiO_ServiceReportEnum", 14, "QNAiO_ServiceReportUndefined", "QNAiO_ServiceReportHighestIndex"},
        {"QNAiO_ResultTypeEnum", 23, "QNAiO_ResultTypeUndefined", "QNAiO_ResultTypeHighestIndex"},
        {"QNAiO_ResultsEnum", 17, "QNAiO_ResultsUndefined", "QNAiO_ResultsHighestIndex"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::u16string name(row.name, row.name + std::char_traits<char>::length(row.name));
        ITypeInfo* found = nullptr;
        MEMBERID member = 0;
        USHORT wanted = 1;
        ASSERT_EQ(S_OK, library_->FindName(name.data(), 0, &found, &member, &wanted));
        ASSERT_EQ(1, wanted);
        Owned<ITypeInfo> info(found);
        TYPEATTR attributes = Attributes(info.get());
        EXPECT_EQ(TKIND_ENUM, attributes.typekind);
        ASSERT_EQ(row.count, attributes.cVars);
        for (UINT index : {0u, row.count - 1u}) {
            VARDESC* value = nullptr;
            ASSERT_EQ(S_OK, info->GetVarDesc(index, &value));
            EXPECT_EQ(index == 0 ? row.first : row.last, NameOf(info.get(), value->memid));
            EXPECT_EQ(static_cast<LONG>(index), value->lpvarValue->lVal);
            info->ReleaseVarDesc(value);
        }
    }
}

}  // namespace
