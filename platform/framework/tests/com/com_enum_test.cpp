// The enumerator over a live array of VARIANTs, the empty connection-point container, ISupportErrorInfo
// and the error information that Error sets.
#include <gtest/gtest.h>

#include <vector>

#include "CComBSTR.h"
#include "CComEnum.h"
#include "CComPtr.h"
#include "CComVariant.h"
#include "com_test_classes.h"
#include "platform/testing/test_machine.h"

namespace {

using CComEnumVariant = CComEnum<IEnumVARIANT, &IID_IEnumVARIANT, VARIANT, _Copy<VARIANT>>;

// A collection stand-in: it owns an array of VARIANTs and counts the references on it.
class Owner : public IUnknown {
  public:
    ~Owner() {
        for (VARIANT& item : items) VariantClear(&item);
    }
    STDMETHOD(QueryInterface)(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(++count); }
    STDMETHOD_(ULONG, Release)() override { return static_cast<ULONG>(--count); }
    void Append(LONG value) {
        VARIANT item;
        VariantInit(&item);
        item.vt = VT_I4;
        item.lVal = value;
        items.push_back(item);
    }

    LONG count = 1;
    std::vector<VARIANT> items;
};

class Enumerator : public ::testing::Test {
  protected:
    platform::TestMachine machine;
    Owner owner;

    CComPtr<IEnumVARIANT> Make(const std::vector<VARIANT>* items) {
        CComObject<CComEnumVariant>* object = nullptr;
        EXPECT_EQ(S_OK, CComObject<CComEnumVariant>::CreateInstance(&object));
        object->Init(&owner, items);
        CComPtr<IEnumVARIANT> enumerator;
        EXPECT_EQ(S_OK, object->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)));
        return enumerator;
    }
    // The values Next gives one at a time until it stops.
    std::vector<LONG> Drain(IEnumVARIANT* enumerator) {
        std::vector<LONG> values;
        CComVariant item;
        while (enumerator->Next(1, &item, nullptr) == S_OK) {
            values.push_back(item.lVal);
            item.Clear();
        }
        return values;
    }
};

TEST_F(Enumerator, NextCopiesWhatIsLeftAndSaysWhenItWasLess) {
    for (LONG value : {10, 20, 30}) owner.Append(value);
    CComPtr<IEnumVARIANT> enumerator = Make(&owner.items);
    EXPECT_EQ(2, owner.count);
    VARIANT items[5];
    ULONG fetched = 99;
    EXPECT_EQ(S_FALSE, enumerator->Next(5, items, &fetched));
    ASSERT_EQ(3u, fetched);
    for (ULONG index = 0; index < fetched; ++index) {
        EXPECT_EQ(VT_I4, items[index].vt);
        EXPECT_EQ(static_cast<LONG>(10 * (index + 1)), items[index].lVal);
    }
    EXPECT_EQ(S_FALSE, enumerator->Next(1, items, &fetched));
    EXPECT_EQ(0u, fetched);
    EXPECT_EQ(S_OK, enumerator->Reset());
    EXPECT_EQ(S_OK, enumerator->Next(2, items, &fetched));
    EXPECT_EQ(2u, fetched);
    enumerator.Release();
    EXPECT_EQ(1, owner.count);
}

TEST_F(Enumerator, ArgumentsAndAMissingArray) {
    owner.Append(1);
    CComPtr<IEnumVARIANT> enumerator = Make(&owner.items);
    VARIANT item;
    EXPECT_EQ(E_POINTER, enumerator->Next(1, nullptr, nullptr));
    EXPECT_EQ(E_POINTER, enumerator->Next(2, &item, nullptr));
    EXPECT_EQ(E_POINTER, enumerator->Clone(nullptr));
    CComPtr<IEnumVARIANT> empty = Make(nullptr);
    EXPECT_EQ(E_FAIL, empty->Next(1, &item, nullptr));
    EXPECT_EQ(E_FAIL, empty->Reset());
    EXPECT_EQ(E_FAIL, empty->Skip(1));
}

TEST_F(Enumerator, SkipAndCloneKeepTheirOwnPositions) {
    for (LONG value : {1, 2, 3, 4}) owner.Append(value);
    CComPtr<IEnumVARIANT> enumerator = Make(&owner.items);
    EXPECT_EQ(S_OK, enumerator->Skip(0));
    EXPECT_EQ(S_OK, enumerator->Skip(1));
    CComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(S_OK, enumerator->Clone(&clone));
    EXPECT_EQ(3, owner.count);
    EXPECT_EQ((std::vector<LONG>{2, 3, 4}), Drain(clone));
    EXPECT_EQ(S_OK, enumerator->Skip(2));
    EXPECT_EQ(S_FALSE, enumerator->Skip(2));
    EXPECT_EQ((std::vector<LONG>{}), Drain(enumerator));
}

TEST_F(Enumerator, ItemsAppendedLaterAreSeenAndAnEmptiedArrayEndsTheWalk) {
    owner.Append(1);
    CComPtr<IEnumVARIANT> enumerator = Make(&owner.items);
    EXPECT_EQ((std::vector<LONG>{1}), Drain(enumerator));
    for (LONG value = 2; value <= 40; ++value) owner.Append(value);  // the array moves
    EXPECT_EQ(39u, Drain(enumerator).size());
    owner.items.clear();
    EXPECT_EQ(S_FALSE, enumerator->Skip(1));
    EXPECT_EQ((std::vector<LONG>{}), Drain(enumerator));
}

TEST_F(Enumerator, AFailedCopyClearsWhatThisCallCopied) {
    CComBSTR text(u"kept");
    VARIANT good;
    VariantInit(&good);
    good.vt = VT_BSTR;
    good.bstrVal = text;
    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x7FF;  // no such type: VariantCopy refuses it
    std::vector<VARIANT> items{good, bad};
    CComPtr<IEnumVARIANT> enumerator = Make(&items);
    VARIANT copies[2];
    ULONG fetched = 99;
    EXPECT_EQ(DISP_E_BADVARTYPE, enumerator->Next(2, copies, &fetched));
    EXPECT_EQ(0u, fetched);
    EXPECT_EQ(VT_EMPTY, copies[0].vt);
    // Nothing was consumed.
    EXPECT_EQ(S_OK, enumerator->Next(1, copies, nullptr));
    EXPECT_EQ(std::u16string(u"kept"), std::u16string(copies[0].bstrVal));
    VariantClear(&copies[0]);
}

class ObjectInterfaces : public ::testing::Test {
  protected:
    platform::TestMachine machine;
    CComPtr<IUnknown> object;

    void SetUp() override {
        CComObject<CCounter>* created = nullptr;
        ASSERT_EQ(S_OK, CComObject<CCounter>::CreateInstance(&created));
        object = static_cast<ICounter*>(created);
    }
};

TEST_F(ObjectInterfaces, TheConnectionPointContainerHasNone) {
    CComQIPtr<IConnectionPointContainer, &IID_IConnectionPointContainer> container(object.p);
    ASSERT_TRUE(container);
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_ICounter}) {
        IConnectionPoint* point = reinterpret_cast<IConnectionPoint*>(1);
        EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(*iid, &point));
        EXPECT_EQ(nullptr, point);
    }
    EXPECT_EQ(E_POINTER, container->FindConnectionPoint(IID_IUnknown, nullptr));
    CComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    IConnectionPoint* point = nullptr;
    ULONG fetched = 99;
    EXPECT_EQ(S_FALSE, points->Next(1, &point, &fetched));
    EXPECT_EQ(0u, fetched);
    EXPECT_EQ(S_FALSE, points->Skip(1));
    EXPECT_EQ(S_OK, points->Reset());
    CComPtr<IEnumConnectionPoints> clone;
    EXPECT_EQ(S_OK, points->Clone(&clone));
    EXPECT_EQ(S_FALSE, clone->Next(1, &point, nullptr));
}

TEST_F(ObjectInterfaces, ErrorInfoIsSupportedForTheOwnInterfaceOnly) {
    CComQIPtr<ISupportErrorInfo, &IID_ISupportErrorInfo> support(object.p);
    ASSERT_TRUE(support);
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_ICounter));
    for (const IID* iid : {&IID_IDispatch, &IID_IUnknown, &IID_INamed})
        EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(*iid));
}

TEST_F(ObjectInterfaces, ErrorSetsTheThreadsErrorInformation) {
    machine.Registry(R"([HKEY_CLASSES_ROOT\CLSID\{5C0F0101-0000-4000-8000-000000000001}\ProgID]
@="Sample.Counter.1"
)");
    EXPECT_EQ(E_INVALIDARG, CCounter::Error(u"Bad argument", IID_ICounter, E_INVALIDARG));
    CComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &info));
    CComBSTR description, source;
    info->GetDescription(&description);
    info->GetSource(&source);
    GUID guid{};
    info->GetGUID(&guid);
    EXPECT_TRUE(description == u"Bad argument");
    EXPECT_TRUE(source == u"Sample.Counter.1");
    EXPECT_EQ(IID_ICounter, guid);
    // No HRESULT given: the dispatch exception code, and ANSI text converted.
    EXPECT_EQ(DISP_E_EXCEPTION, CLoneCounter::Error("Testo"));
    info.Release();
    ASSERT_EQ(S_OK, GetErrorInfo(0, &info));
    description.Empty();
    info->GetDescription(&description);
    EXPECT_TRUE(description == u"Testo");
}

}  // namespace
