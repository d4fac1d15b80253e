// ProgIDs and object creation over the classes registered in the machine. The in-process server here
// is a library registered by this test program under the name comtestserver.dll, exporting
// DllGetClassObject and DllCanUnloadNow as a server's library does.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "objbase.h"
#include "platform/kernel32/platform_libraries.h"
#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"
#include "platform/testing/worker_process.h"

namespace {

DEFINE_GUID(CLSID_Sample, 0x6A3C1E20, 0x1B2D, 0x4C5E, 0x9F, 0x10, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77);
DEFINE_GUID(CLSID_Other, 0x6A3C1E21, 0x1B2D, 0x4C5E, 0x9F, 0x10, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77);

constexpr const char* classRegistry = R"(REGEDIT4
[HKEY_CLASSES_ROOT\Sample.Document.2]
@="Sample document"
[HKEY_CLASSES_ROOT\Sample.Document.2\CLSID]
@="{6A3C1E20-1B2D-4C5E-9F10-223344556677}"
[HKEY_CLASSES_ROOT\Sample.Document]
[HKEY_CLASSES_ROOT\Sample.Document\CurVer]
@="Sample.Document.2"
[HKEY_CLASSES_ROOT\Own.Class]
[HKEY_CLASSES_ROOT\Own.Class\CLSID]
@="{6A3C1E21-1B2D-4C5E-9F10-223344556677}"
[HKEY_CLASSES_ROOT\Own.Class\CurVer]
@="Sample.Document.2"
[HKEY_CLASSES_ROOT\Broken.Class\CLSID]
@="not a class id"
[HKEY_CLASSES_ROOT\Lost.Version\CurVer]
@="Nowhere.1"
[HKEY_CLASSES_ROOT\CLSID\{6A3C1E20-1B2D-4C5E-9F10-223344556677}]
@="Sample document"
[HKEY_CLASSES_ROOT\CLSID\{6A3C1E20-1B2D-4C5E-9F10-223344556677}\ProgID]
@="Sample.Document.2"
[HKEY_CLASSES_ROOT\CLSID\{6A3C1E20-1B2D-4C5E-9F10-223344556677}\InprocServer32]
@="comtestserver.dll"
[HKEY_CLASSES_ROOT\CLSID\{6A3C1E21-1B2D-4C5E-9F10-223344556677}]
@="Other"
)";

TEST(ProgID, ClassIdsFromProgIDsFollowingTheCurrentVersion) {
    platform::TestMachine machine;
    machine.Registry(classRegistry);
    struct Row {
        const char16_t* progID;
        HRESULT result;
        GUID clsid;
    };
    const Row rows[] = {
        {u"Sample.Document.2", S_OK, CLSID_Sample},
        {u"sample.document.2", S_OK, CLSID_Sample},
        {u"Sample.Document", S_OK, CLSID_Sample},  // through CurVer
        {u"Own.Class", S_OK, CLSID_Other},         // its own CLSID comes first
        {u"Broken.Class", CO_E_CLASSSTRING, CLSID_NULL},
        {u"Lost.Version", CO_E_CLASSSTRING, CLSID_NULL},
        {u"Missing.Class", CO_E_CLASSSTRING, CLSID_NULL},
        {u"", CO_E_CLASSSTRING, CLSID_NULL},
    };
    for (const Row& row : rows) {
        CLSID clsid = IID_IUnknown;
        EXPECT_EQ(row.result, CLSIDFromProgID(row.progID, &clsid));
        EXPECT_EQ(row.clsid, clsid);
        clsid = IID_IUnknown;
        EXPECT_EQ(row.result, CLSIDFromString(row.progID, &clsid));
        EXPECT_EQ(row.clsid, clsid);
    }
    EXPECT_EQ(E_INVALIDARG, CLSIDFromProgID(nullptr, nullptr));
}

TEST(ProgID, ProgIDsOfClasses) {
    platform::TestMachine machine;
    machine.Registry(classRegistry);
    LPOLESTR progID = nullptr;
    ASSERT_EQ(S_OK, ProgIDFromCLSID(CLSID_Sample, &progID));
    EXPECT_EQ(std::u16string(u"Sample.Document.2"), std::u16string(progID));
    CoTaskMemFree(progID);
    progID = reinterpret_cast<LPOLESTR>(1);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, ProgIDFromCLSID(CLSID_Other, &progID));  // registered without a ProgID
    EXPECT_EQ(nullptr, progID);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, ProgIDFromCLSID(IID_IDispatch, &progID));
}

// The test server: one class whose objects answer IUnknown and IPersist.
std::atomic<int> liveObjects{0};
std::atomic<int> serverLocks{0};
std::atomic<int> unloadQuestions{0};

class SampleObject final : public IPersist {
  public:
    SampleObject() { ++liveObjects; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid != IID_IUnknown && riid != IID_IPersist) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IPersist*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) {
            --liveObjects;
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override {
        *pClassID = CLSID_Sample;
        return S_OK;
    }

  private:
    ULONG references_ = 0;
};

class SampleFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
        *ppvObject = nullptr;
        if (pUnkOuter) return CLASS_E_NOAGGREGATION;
        SampleObject* object = new SampleObject;
        object->AddRef();
        HRESULT result = object->QueryInterface(riid, ppvObject);
        object->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override {
        serverLocks += fLock ? 1 : -1;
        return S_OK;
    }
};

SampleFactory factory;

extern "C" HRESULT STDAPICALLTYPE SampleDllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    *ppv = nullptr;
    if (rclsid != CLSID_Sample) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE SampleDllCanUnloadNow() {
    ++unloadQuestions;
    return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

const platform::PlatformLibraryRegistrar serverRegistrar(
    "comtestserver.dll", platform::LibraryLoad::OnDemand,
    {{"DllGetClassObject", platform::AsEntryPoint(&SampleDllGetClassObject)},
     {"DllCanUnloadNow", platform::AsEntryPoint(&SampleDllCanUnloadNow)}});

// Initialises COM on the test's thread for the test's length.
class ComThread {
  public:
    ComThread() { CoInitialize(nullptr); }
    ~ComThread() { CoUninitialize(); }
};

TEST(CoCreateInstance, CreatesObjectsOfTheRegisteredServer) {
    platform::TestMachine machine;
    machine.Registry(classRegistry);
    ComThread com;
    const DWORD contexts[] = {CLSCTX_INPROC_SERVER, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, CLSCTX_ALL,
                              CLSCTX_SERVER};
    for (DWORD context : contexts) {
        IPersist* persist = nullptr;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Sample, nullptr, context, IID_IPersist,
                                         reinterpret_cast<void**>(&persist)))
            << context;
        CLSID clsid{};
        EXPECT_EQ(S_OK, persist->GetClassID(&clsid));
        EXPECT_EQ(CLSID_Sample, clsid);
        EXPECT_EQ(0u, persist->Release());
    }
    EXPECT_EQ(0, liveObjects);
}

TEST(CoCreateInstance, PassesOnTheServersRefusals) {
    platform::TestMachine machine;
    machine.Registry(classRegistry);
    machine.Registry(R"(
[HKEY_CLASSES_ROOT\CLSID\{6A3C1E21-1B2D-4C5E-9F10-223344556677}\InprocServer32]
@="comtestserver.dll"
)");
    ComThread com;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              CoCreateInstance(CLSID_Other, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    IUnknown* outer = reinterpret_cast<IUnknown*>(&factory);
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              CoCreateInstance(CLSID_Sample, outer, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(0, liveObjects);
}

TEST(CoCreateInstance, FailsWithoutAServer) {
    platform::TestMachine machine;
    machine.Registry(classRegistry);
    machine.Registry(R"(
[HKEY_CLASSES_ROOT\CLSID\{6A3C1E30-0000-0000-0000-000000000001}\InprocServer32]
@="C:\\Program Files\\Nowhere\\absent.dll"
[HKEY_CLASSES_ROOT\CLSID\{6A3C1E30-0000-0000-0000-000000000002}\InprocServer32]
@="kernel32.dll"
[HKEY_CLASSES_ROOT\CLSID\{6A3C1E30-0000-0000-0000-000000000003}\LocalServer32]
@="C:\\Program Files\\Sample\\sample.exe"
[HKEY_CLASSES_ROOT\CLSID\{6A3C1E30-0000-0000-0000-000000000004}\InprocServer32]
@=""
)");
    ComThread com;
    struct Row {
        const char16_t* clsid;
        DWORD context;
        HRESULT result;
    };
    const Row rows[] = {
        {u"{6A3C1E30-0000-0000-0000-000000000000}", CLSCTX_INPROC_SERVER, REGDB_E_CLASSNOTREG},
        {u"{6A3C1E30-0000-0000-0000-000000000001}", CLSCTX_INPROC_SERVER, CO_E_DLLNOTFOUND},
        {u"{6A3C1E30-0000-0000-0000-000000000002}", CLSCTX_INPROC_SERVER, CO_E_ERRORINDLL},  // no DllGetClassObject
        {u"{6A3C1E30-0000-0000-0000-000000000003}", CLSCTX_ALL, REGDB_E_CLASSNOTREG},        // out of process only
        {u"{6A3C1E30-0000-0000-0000-000000000004}", CLSCTX_INPROC_SERVER, REGDB_E_CLASSNOTREG},
        {u"{6A3C1E20-1B2D-4C5E-9F10-223344556677}", CLSCTX_LOCAL_SERVER, REGDB_E_CLASSNOTREG},  // no in-process context
    };
    for (const Row& row : rows) {
        CLSID clsid{};
        ASSERT_EQ(S_OK, CLSIDFromString(row.clsid, &clsid));
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(row.result, CoCreateInstance(clsid, nullptr, row.context, IID_IUnknown, &object))
            << clsid.Data4[7];
        EXPECT_EQ(nullptr, object);
        object = reinterpret_cast<void*>(1);
        EXPECT_EQ(row.result, CoGetClassObject(clsid, row.context, nullptr, IID_IClassFactory, &object));
        EXPECT_EQ(nullptr, object);
    }
    EXPECT_EQ(E_POINTER, CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr));
}

TEST(CoCreateInstance, NeedsCOMOnTheThread) {
    platform::TestMachine machine;
    machine.Registry(classRegistry);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CO_E_NOTINITIALIZED, CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    CoInitialize(nullptr);
    CoUninitialize();
    EXPECT_EQ(CO_E_NOTINITIALIZED, CoGetClassObject(CLSID_Sample, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object));
}

TEST(CoFreeUnusedLibraries, UnloadsServersThatAgree) {
    platform::TestMachine machine;
    machine.Registry(classRegistry);
    ComThread com;
    IUnknown* object = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     reinterpret_cast<void**>(&object)));
    ASSERT_NE(nullptr, GetModuleHandleA("comtestserver.dll"));
    int questions = unloadQuestions;
    CoFreeUnusedLibraries();
    EXPECT_EQ(questions + 1, unloadQuestions);
    EXPECT_NE(nullptr, GetModuleHandleA("comtestserver.dll"));  // an object lives
    object->Release();
    CoFreeUnusedLibraries();
    EXPECT_EQ(nullptr, GetModuleHandleA("comtestserver.dll"));
    CoFreeUnusedLibraries();
    EXPECT_EQ(questions + 2, unloadQuestions);  // no longer loaded, no longer asked
    // Created again, the server is loaded again.
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     reinterpret_cast<void**>(&object)));
    object->Release();
    CoFreeUnusedLibraries();
}

// What CoCreateInstance learned of a class is read again once the registry or the faults to inject
// change, whoever changed them.
HRESULT CreateSample() {
    IUnknown* object = nullptr;
    HRESULT result = CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                      reinterpret_cast<void**>(&object));
    if (object) object->Release();
    return result;
}

constexpr const char* sampleServerKey =
    "HKEY_CLASSES_ROOT\\CLSID\\{6A3C1E20-1B2D-4C5E-9F10-223344556677}\\InprocServer32";

TEST(ClassLookups, ChangedRegistrationsAreReadAgain) {
    platform::TestMachine machine;
    machine.Registry(classRegistry);
    ComThread com;
    struct Step {
        const char* registry;
        HRESULT result;
    };
    const Step steps[] = {
        {"", S_OK},
        {"[HKEY_CLASSES_ROOT\\CLSID\\{6A3C1E20-1B2D-4C5E-9F10-223344556677}\\InprocServer32]\n"
         "@=\"C:\\\\Program Files\\\\Nowhere\\\\absent.dll\"\n",
         CO_E_DLLNOTFOUND},
        {"[-HKEY_CLASSES_ROOT\\CLSID\\{6A3C1E20-1B2D-4C5E-9F10-223344556677}\\InprocServer32]\n",
         REGDB_E_CLASSNOTREG},
        {"[HKEY_CLASSES_ROOT\\CLSID\\{6A3C1E20-1B2D-4C5E-9F10-223344556677}\\InprocServer32]\n"
         "@=\"comtestserver.dll\"\n",
         S_OK},
    };
    for (const Step& step : steps) {
        machine.Registry(step.registry);
        // Twice: the second answer comes from what the first call learned.
        EXPECT_EQ(step.result, CreateSample()) << step.registry;
        EXPECT_EQ(step.result, CreateSample()) << step.registry;
    }

    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"Sample.Document", &clsid));
    EXPECT_EQ(CLSID_Sample, clsid);
    machine.Registry(R"(
[HKEY_CLASSES_ROOT\Sample.Document\CurVer]
@="Own.Class"
)");
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"Sample.Document", &clsid));
    EXPECT_EQ(CLSID_Other, clsid);
}

TEST(ClassLookups, RegistrationsChangedByAnotherProcessAreReadAgain) {
    platform::TestMachine machine;
    machine.Registry(classRegistry);
    ComThread com;
    ASSERT_EQ(S_OK, CreateSample());
    platform::WorkerProcess worker(
        machine, REGISTRY_WORKER,
        {"delete", "SOFTWARE\\Classes\\CLSID\\{6A3C1E20-1B2D-4C5E-9F10-223344556677}\\InprocServer32"});
    ASSERT_EQ(0, worker.Wait());
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateSample());
}

TEST(ClassLookups, InjectedFaultsAreSeen) {
    platform::TestMachine machine;
    machine.Registry(classRegistry);
    ComThread com;
    ASSERT_EQ(S_OK, CreateSample());
    machine.Fault(platform::fault_target::kRegistry, sampleServerKey, "open", ERROR_ACCESS_DENIED);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateSample());
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateSample());
    machine.ClearFaults();
    EXPECT_EQ(S_OK, CreateSample());
    // A fault for one call fails that call only.
    machine.Fault(platform::fault_target::kRegistry, sampleServerKey, "open", ERROR_ACCESS_DENIED, 1);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateSample());
    EXPECT_EQ(S_OK, CreateSample());
}

}  // namespace
