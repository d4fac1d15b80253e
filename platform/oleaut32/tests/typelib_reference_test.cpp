// A type of another library, named by a member's parameter: found through the registry when it is first
// needed, and what Invoke answers while that library is not registered.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "dispatch_widget_object.h"
#include "platform/testing/test_machine.h"

namespace {

using widget_test::Held;
using widget_test::Text;

DEFINE_GUID(IID_IImporter, 0x5E0D7A10, 0x3C41, 0x4B7E, 0x9D, 0x2A, 0x61, 0xC0, 0xA4, 0xB8, 0xF1, 0x01);
DEFINE_GUID(IID_IOutsidePart, 0x5E0D7A10, 0x3C41, 0x4B7E, 0x9D, 0x2A, 0x61, 0xC0, 0xA4, 0xB8, 0xF0, 0x01);

std::string Built(const char* name) {
    std::ifstream file(std::string(TYPELIB_LIBRARIES) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class TypeReferenceTest : public ::testing::Test {
  protected:
    TypeReferenceTest() {
        machine_.File("C:\\Lib\\importer.tlb", Built("typelib_importer.tlb"))
            .File("C:\\Outside\\outside.tlb", Built("typelib_outside.tlb"));
        EXPECT_EQ(S_OK, LoadTypeLibEx(u"C:\\Lib\\importer.tlb", REGKIND_NONE, library_.out()));
        EXPECT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IImporter, info_.out()));
    }

    void RegisterOutside() {
        machine_.Registry(R"([HKEY_CLASSES_ROOT\TypeLib\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8F000}\1.0\0\win32]
@="C:\\Outside\\outside.tlb"
)");
    }

    // The type the first parameter of Weigh names: IOutsidePart*.
    HREFTYPE PartHandle() {
        FUNCDESC* weigh = nullptr;
        EXPECT_EQ(S_OK, info_->GetFuncDesc(7, &weigh));
        EXPECT_EQ(1, weigh->memid);
        const TYPEDESC& pointer = weigh->lprgelemdescParam[0].tdesc;
        EXPECT_EQ(VT_PTR, pointer.vt);
        EXPECT_EQ(VT_USERDEFINED, pointer.lptdesc->vt);
        HREFTYPE handle = pointer.lptdesc->hreftype;
        info_->ReleaseFuncDesc(weigh);
        return handle;
    }

    platform::TestMachine machine_;
    Held<ITypeLib> library_;
    Held<ITypeInfo> info_;
};

TEST_F(TypeReferenceTest, ATypeOfARegisteredLibrary) {
    RegisterOutside();
    Held<ITypeInfo> part;
    ASSERT_EQ(S_OK, info_->GetRefTypeInfo(PartHandle(), part.out()));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, part->GetTypeAttr(&attributes));
    EXPECT_EQ(IID_IOutsidePart, attributes->guid);
    EXPECT_EQ(TKIND_DISPATCH, attributes->typekind);
    part->ReleaseTypeAttr(attributes);
    Held<ITypeLib> outside;
    ASSERT_EQ(S_OK, part->GetContainingTypeLib(outside.out(), nullptr));
    Text name;
    outside->GetDocumentation(-1, name.out(), nullptr, nullptr, nullptr);
    EXPECT_EQ(u"OutsideLib", name.str());
}

TEST_F(TypeReferenceTest, InvokeFailsWithTheLoadersResultUntilTheLibraryIsRegistered) {
    Held<ITypeInfo> part;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, info_->GetRefTypeInfo(PartHandle(), part.out()));
    // The call never reaches the object: the member's arguments cannot be prepared.
    auto* widget = new widget_test::WidgetObject(info_.get());
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    UINT argumentError = 0;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, info_->Invoke(static_cast<IWidget*>(widget), 2, DISPATCH_METHOD, &none,
                                                     &result, nullptr, &argumentError));
    // Registered later, the library is found: Make's [retval] then has its place.
    RegisterOutside();
    ASSERT_EQ(S_OK, info_->GetRefTypeInfo(PartHandle(), part.out()));
    widget->Release();
}

}  // namespace
