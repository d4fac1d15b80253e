// The module object, the class factory and the object templates: the factory cache, the lock count,
// classes without a factory, aggregation, and what a failing creation leaves.
#include <gtest/gtest.h>

#include "CComModule.h"
#include "CComPtr.h"
#include "com_test_classes.h"
#include "platform/testing/test_machine.h"

CComModule _Module;

namespace {

// The failing class: its creator counts how often the factory cache asked for a factory.
int factoryCreations = 0;

class CFailingCounter : public CCounterBase<CFailingCounter, &CLSID_FailingCounter> {
  public:
    DECLARE_NO_REGISTRY()
    BEGIN_COM_MAP(CFailingCounter)
    COM_INTERFACE_ENTRY(ICounter)
    END_COM_MAP()
    class CountingFactoryCreator {
      public:
        static HRESULT WINAPI CreateInstance(void* pv, REFIID riid, LPVOID* ppv) {
            ++factoryCreations;
            return CComCreator<CComObjectNoLock<CComClassFactory>>::CreateInstance(pv, riid, ppv);
        }
    };
    typedef CountingFactoryCreator _ClassFactoryCreatorClass;
};

BEGIN_OBJECT_MAP(TestObjectMap)
OBJECT_ENTRY(CLSID_Counter, CCounter)
OBJECT_ENTRY(CLSID_LoneCounter, CLoneCounter)
OBJECT_ENTRY(CLSID_FailingCounter, CFailingCounter)
OBJECT_ENTRY_NON_CREATEABLE(CCounterPart)
END_OBJECT_MAP()

class Module : public ::testing::Test {
  protected:
    platform::TestMachine machine;

    void SetUp() override {
        FinalConstructResult() = S_OK;
        factoryCreations = 0;
        _Module.Init(TestObjectMap, GetModuleHandleA(nullptr));
        Events().clear();
    }
    void TearDown() override { _Module.Term(); }

    CComPtr<IClassFactory> Factory(REFCLSID clsid) {
        CComPtr<IClassFactory> factory;
        EXPECT_EQ(S_OK, _Module.GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
        return factory;
    }
};

TEST_F(Module, StartAndEndHooksRunForEveryEntry) {
    _Module.Term();
    EXPECT_EQ((std::vector<std::string>{"end", "end", "end", "part end"}), Events());
    Events().clear();
    _Module.Init(TestObjectMap, GetModuleHandleA(nullptr));
    EXPECT_EQ((std::vector<std::string>{"start", "start", "start", "part start"}), Events());
}

TEST_F(Module, FactoriesAreCreatedOnceAndKeptUntilTerm) {
    CComPtr<IClassFactory> first = Factory(CLSID_FailingCounter);
    CComPtr<IUnknown> second;
    EXPECT_EQ(S_OK, _Module.GetClassObject(CLSID_FailingCounter, IID_IUnknown, reinterpret_cast<void**>(&second)));
    EXPECT_TRUE(first.IsEqualObject(second));
    EXPECT_EQ(1, factoryCreations);
    // A cached factory does not keep the module loaded.
    EXPECT_EQ(0, _Module.GetLockCount());
}

TEST_F(Module, ClassesWithoutAFactoryAreNotAvailable) {
    struct Row {
        const CLSID* clsid;
        REFIID iid;
        HRESULT result;
    };
    const Row rows[] = {
        {&CLSID_NULL, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},  // the non-creatable entry's
        {&IID_ICounter, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {&CLSID_Counter, IID_ICounter, E_NOINTERFACE},
        {&CLSID_Counter, IID_IClassFactory, S_OK},
    };
    for (const Row& row : rows) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(row.result, _Module.GetClassObject(*row.clsid, row.iid, &object));
        EXPECT_EQ(row.result == S_OK, object != nullptr);
        if (object) static_cast<IUnknown*>(object)->Release();
    }
    EXPECT_EQ(E_POINTER, _Module.GetClassObject(CLSID_Counter, IID_IClassFactory, nullptr));
}

TEST_F(Module, LiveObjectsAndServerLocksHoldTheModule) {
    CComPtr<IClassFactory> factory = Factory(CLSID_Counter);
    CComPtr<ICounter> counter;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_ICounter, reinterpret_cast<void**>(&counter)));
    EXPECT_EQ(1, _Module.GetLockCount());
    factory->LockServer(TRUE);
    EXPECT_EQ(2, _Module.GetLockCount());
    counter.Release();
    EXPECT_EQ(1, _Module.GetLockCount());
    factory->LockServer(FALSE);
    EXPECT_EQ(0, _Module.GetLockCount());
}

TEST_F(Module, TermRunsCleanUpCallbacksLastAddedFirst) {
    static std::vector<DWORD_PTR> calls;
    calls.clear();
    _Module.AddTermFunc([](DWORD_PTR value) { calls.push_back(value); }, 1);
    _Module.AddTermFunc([](DWORD_PTR value) { calls.push_back(value); }, 2);
    _Module.Term();
    EXPECT_EQ((std::vector<DWORD_PTR>{2, 1}), calls);
    _Module.Init(TestObjectMap, GetModuleHandleA(nullptr));
    _Module.Term();
    EXPECT_EQ(2u, calls.size());
    _Module.Init(TestObjectMap, GetModuleHandleA(nullptr));
}

TEST_F(Module, AggregationRules) {
    struct Row {
        const CLSID* clsid;
        bool outer;
        const IID* iid;
        HRESULT result;
    };
    const Row rows[] = {
        {&CLSID_Counter, false, &IID_ICounter, S_OK},
        {&CLSID_Counter, true, &IID_IUnknown, S_OK},
        {&CLSID_Counter, true, &IID_ICounter, CLASS_E_NOAGGREGATION},
        {&CLSID_LoneCounter, false, &IID_ICounter, S_OK},
        {&CLSID_LoneCounter, true, &IID_IUnknown, CLASS_E_NOAGGREGATION},
        {&CLSID_Counter, false, &IID_IDispatch, E_NOINTERFACE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.outer << " " << row.result);
        Events().clear();
        OuterObject outer;
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(row.result, Factory(*row.clsid)->CreateInstance(row.outer ? &outer : nullptr, *row.iid, &object));
        EXPECT_EQ(row.result == S_OK, object != nullptr);
        if (object) static_cast<IUnknown*>(object)->Release();
        EXPECT_EQ(1, outer.count);
        EXPECT_EQ(0, _Module.GetLockCount());
        // Refused before any object was made, or made and destroyed.
        if (row.result != S_OK && !Events().empty()) {
            EXPECT_EQ("destroy", Events().back());
        }
    }
}

TEST_F(Module, AnAggregatedObjectDelegatesToItsOuterUnknown) {
    OuterObject outer;
    CComPtr<IUnknown> inner;
    ASSERT_EQ(S_OK, Factory(CLSID_Counter)->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
    outer.inner = inner;
    EXPECT_EQ(1, outer.count);
    {
        CComPtr<ICounter> counter;
        ASSERT_EQ(S_OK, inner->QueryInterface(IID_ICounter, reinterpret_cast<void**>(&counter)));
        EXPECT_EQ(2, outer.count);  // the interface's reference is the outer object's
        // The interface's QueryInterface is the outer object's, and its IUnknown is the outer one.
        CComPtr<IUnknown> identity;
        ASSERT_EQ(S_OK, counter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
        EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.p);
        CComPtr<INamed> named;
        EXPECT_EQ(S_OK, counter->QueryInterface(IID_INamed, reinterpret_cast<void**>(&named)));
        EXPECT_EQ(1, outer.delegatedQueries);
    }
    EXPECT_EQ(1, outer.count);
    EXPECT_EQ(1, _Module.GetLockCount());
    outer.inner = nullptr;
    inner.Release();
    EXPECT_EQ(0, _Module.GetLockCount());
    EXPECT_EQ("destroy", Events().back());
}

TEST_F(Module, FinalConstructRunsBeforeTheFirstQueryAndItsFailureDestroysTheObject) {
    CComPtr<ICounter> counter;
    ASSERT_EQ(S_OK, Factory(CLSID_Counter)->CreateInstance(nullptr, IID_ICounter, reinterpret_cast<void**>(&counter)));
    EXPECT_EQ((std::vector<std::string>{"construct", "final construct"}), Events());
    counter.Release();
    EXPECT_EQ((std::vector<std::string>{"construct", "final construct", "final release", "destroy"}), Events());

    Events().clear();
    FinalConstructResult() = E_OUTOFMEMORY;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_OUTOFMEMORY, Factory(CLSID_Counter)->CreateInstance(nullptr, IID_ICounter, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ((std::vector<std::string>{"construct", "final construct", "final release", "destroy"}), Events());
    EXPECT_EQ(0, _Module.GetLockCount());
}

TEST_F(Module, ObjectsMadeInsideTheServerStartAtCountZero) {
    CComObject<CCounter>* object = nullptr;
    ASSERT_EQ(S_OK, CComObject<CCounter>::CreateInstance(&object));
    EXPECT_EQ(0, object->m_dwRef);
    EXPECT_EQ((std::vector<std::string>{"construct", "final construct"}), Events());
    EXPECT_EQ(1u, object->AddRef());
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ("destroy", Events().back());

    FinalConstructResult() = E_FAIL;
    object = reinterpret_cast<CComObject<CCounter>*>(1);
    EXPECT_EQ(E_FAIL, CComObject<CCounter>::CreateInstance(&object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(0, _Module.GetLockCount());
}

TEST_F(Module, QueryInterfaceFollowsTheComMap) {
    CComObject<CCounter>* object = nullptr;
    ASSERT_EQ(S_OK, CComObject<CCounter>::CreateInstance(&object));
    CComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    // The first entry is the object's identity.
    EXPECT_EQ(static_cast<IUnknown*>(static_cast<ICounter*>(object)), identity.p);
    CComPtr<INamed> named;
    ASSERT_EQ(S_OK, identity->QueryInterface(IID_INamed, reinterpret_cast<void**>(&named)));
    EXPECT_EQ(static_cast<INamed*>(object), named.p);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, identity->QueryInterface(IID_IDispatch, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_POINTER, identity->QueryInterface(IID_INamed, nullptr));
    EXPECT_EQ(2, object->m_dwRef);
}

}  // namespace
