// The test server end to end, in machines: registered and unregistered by regsvr32, created by ProgID and
// by class id in this process and from a client program, driven through its vtable and through IDispatch,
// and unloaded by CoFreeUnusedLibraries.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "CComBSTR.h"
#include "CComPtr.h"
#include "CComVariant.h"
#include "com_server_machine.h"
#include "comserver.h"
#include "ole2.h"

namespace {

constexpr char kClassKey[] = "CLSID\\{8D1E3A06-5B2C-4F61-9A7E-2C4B6D8E0F10}";
constexpr HRESULT kThingFailure = static_cast<HRESULT>(0x80040201);

std::optional<std::string> Text(const std::string& path, const char* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    char data[512] = "";
    DWORD size = sizeof data;
    LONG error = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return std::nullopt;
    return std::string(data);
}

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

int Detaches() {
    char text[16] = "0";
    GetEnvironmentVariableA("COMSERVER_DETACHES", text, sizeof text);
    return std::atoi(text);
}

class ComServer : public ComServerMachine {
  protected:
    void SetUp() override {
        ComServerMachine::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
    }
    void TearDown() override {
        CoFreeUnusedLibraries();
        CoUninitialize();
    }
    CComPtr<IThing> Create() {
        CComPtr<IThing> thing;
        EXPECT_EQ(S_OK, thing.CoCreateInstance(CLSID_Thing, IID_IThing, nullptr, CLSCTX_INPROC_SERVER));
        return thing;
    }
};

// Invoke by name with positional arguments given in order (DISPPARAMS holds them last first).
HRESULT InvokeByName(IDispatch* object, const char16_t* name, WORD flags, std::vector<CComVariant> arguments,
                     VARIANT* result, EXCEPINFO* exception = nullptr) {
    DISPID dispid = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{reversed.data(), flags == DISPATCH_PROPERTYPUT ? &putId : nullptr,
                          static_cast<UINT>(reversed.size()), flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
    UINT argumentError = 0;
    return object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, exception,
                          &argumentError);
}

TEST_F(ComServer, Regsvr32WritesTheScriptsKeysAndTheTypeLibrary) {
    EXPECT_EQ(kComServerPath, Text(std::string(kClassKey) + "\\InprocServer32"));
    EXPECT_EQ("Apartment", Text(std::string(kClassKey) + "\\InprocServer32", "ThreadingModel"));
    EXPECT_EQ("Thing Class", Text(kClassKey));
    EXPECT_EQ("ComServer.Thing.1", Text(std::string(kClassKey) + "\\ProgID"));
    EXPECT_EQ("ComServer.Thing.1", Text("ComServer.Thing\\CurVer"));
    EXPECT_TRUE(KeyExists(std::string(kClassKey) + "\\Programmable"));
    EXPECT_EQ(kComServerPath, Text("TypeLib\\{8D1E3A00-5B2C-4F61-9A7E-2C4B6D8E0F10}\\1.0\\0\\win32"));

    EXPECT_EQ(0u, Regsvr32("/u "));
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists("ComServer.Thing"));
    EXPECT_FALSE(KeyExists("ComServer.Thing.1"));
    EXPECT_FALSE(KeyExists("TypeLib\\{8D1E3A00-5B2C-4F61-9A7E-2C4B6D8E0F10}"));
    EXPECT_TRUE(KeyExists("CLSID"));
}

TEST_F(ComServer, EarlyBoundThroughTheVtable) {
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"ComServer.Thing", &clsid));
    EXPECT_EQ(CLSID_Thing, clsid);
    CComPtr<IThing> thing = Create();
    ASSERT_TRUE(thing);
    CComBSTR name;
    EXPECT_EQ(S_OK, thing->get_Name(&name));
    EXPECT_TRUE(name == u"unnamed");
    EXPECT_EQ(S_OK, thing->put_Name(CComBSTR(u"renamed")));
    name.Empty();
    thing->get_Name(&name);
    EXPECT_TRUE(name == u"renamed");
    EXPECT_EQ(S_OK, thing->put_Colour(ThingBlue));
    EXPECT_EQ(E_INVALIDARG, thing->put_Colour(static_cast<ThingColour>(7)));
    ThingColour colour = ThingRed;
    thing->get_Colour(&colour);
    EXPECT_EQ(ThingBlue, colour);
    LONG sum = 0;
    EXPECT_EQ(S_OK, thing->Add(40, 2, &sum));
    EXPECT_EQ(42, sum);
    CComBSTR appName;
    EXPECT_EQ(S_OK, thing->get_AppName(&appName));
    EXPECT_TRUE(appName == u"ComServer");
}

TEST_F(ComServer, LateBoundThroughIDispatch) {
    CComPtr<IThing> thing = Create();
    ASSERT_TRUE(thing);
    UINT count = 0;
    EXPECT_EQ(S_OK, thing->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    CComVariant result;
    ASSERT_EQ(S_OK, InvokeByName(thing, u"Add", DISPATCH_METHOD, {CComVariant(5), CComVariant(7)}, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(12, result.lVal);
    result.Clear();
    ASSERT_EQ(S_OK, InvokeByName(thing, u"name", DISPATCH_PROPERTYPUT, {CComVariant(u"late")}, nullptr));
    ASSERT_EQ(S_OK, InvokeByName(thing, u"NAME", DISPATCH_PROPERTYGET, {}, &result));
    EXPECT_EQ(VT_BSTR, result.vt);
    EXPECT_EQ(std::u16string(u"late"), std::u16string(result.bstrVal));
    DISPID dispid = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"NoSuchMember")};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, thing->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, thing->GetIDsOfNames(IID_IThing, names, 1, LOCALE_USER_DEFAULT, &dispid));
}

TEST_F(ComServer, TheCollectionAndItsEnumerator) {
    CComPtr<IThing> thing = Create();
    ASSERT_TRUE(thing);
    CComPtr<IThings> things;
    ASSERT_EQ(S_OK, thing->Fill(3, &things));
    LONG count = 0;
    things->get_Count(&count);
    EXPECT_EQ(3, count);
    const struct {
        LONG index;
        HRESULT result;
        LONG value;
    } rows[] = {{0, S_OK, 1}, {-5, S_OK, 1}, {1, S_OK, 1}, {3, S_OK, 3}, {4, E_FAIL, 0}};
    for (const auto& row : rows) {
        CComVariant item;
        EXPECT_EQ(row.result, things->get_Item(row.index, &item)) << row.index;
        if (row.result != S_OK) continue;
        ASSERT_EQ(VT_DISPATCH, item.vt);
        CComQIPtr<IThingItem, &IID_IThingItem> element(item.pdispVal);
        LONG value = 0;
        element->get_Value(&value);
        EXPECT_EQ(row.value, value) << row.index;
    }
    // _NewEnum through IDispatch, as a For Each loop asks for it.
    CComVariant enumerator;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, things->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                   &enumerator, nullptr, nullptr));
    ASSERT_EQ(VT_UNKNOWN, enumerator.vt);
    CComQIPtr<IEnumVARIANT, &IID_IEnumVARIANT> items(enumerator.punkVal);
    ASSERT_TRUE(items);
    VARIANT fetchedItems[5];
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, items->Next(5, fetchedItems, &fetched));
    EXPECT_EQ(3u, fetched);
    for (ULONG index = 0; index < fetched; ++index) VariantClear(&fetchedItems[index]);
}

TEST_F(ComServer, AFailingMethodSetsErrorInformation) {
    CComPtr<IThing> thing = Create();
    ASSERT_TRUE(thing);
    EXPECT_EQ(kThingFailure, thing->Fail(CComBSTR(u"out of things")));
    CComQIPtr<ISupportErrorInfo, &IID_ISupportErrorInfo> support(thing.p);
    ASSERT_TRUE(support);
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IThing));
    EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(IID_IDispatch));
    CComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &info));
    CComBSTR description, source;
    info->GetDescription(&description);
    info->GetSource(&source);
    EXPECT_TRUE(description == u"out of things");
    EXPECT_TRUE(source == u"ComServer.Thing.1");

    // Through IDispatch the error comes back as an exception.
    EXCEPINFO exception{};
    CComVariant result;
    EXPECT_EQ(DISP_E_EXCEPTION,
              InvokeByName(thing, u"Fail", DISPATCH_METHOD, {CComVariant(u"late failure")}, &result, &exception));
    EXPECT_EQ(kThingFailure, exception.scode);
    EXPECT_EQ(std::u16string(u"late failure"), std::u16string(exception.bstrDescription ? exception.bstrDescription : u""));
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
}

TEST_F(ComServer, UnusedLibrariesAreUnloadedOnlyWhenNothingHoldsThem) {
    int detaches = Detaches();
    CComPtr<IThing> thing = Create();
    ASSERT_TRUE(thing);
    CComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_Thing, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)));
    factory->LockServer(TRUE);
    thing.Release();
    CoFreeUnusedLibraries();
    EXPECT_EQ(detaches, Detaches());  // the server lock holds it
    factory->LockServer(FALSE);
    factory.Release();
    CoFreeUnusedLibraries();
    EXPECT_EQ(detaches + 1, Detaches());
    // Loaded again on the next creation.
    EXPECT_TRUE(Create());
}

TEST_F(ComServer, AnotherProcessCreatesItByProgIDAndByClassId) {
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), "C:\\Program Files\\ComServer\\comclient.exe",
                                           COM_CLIENT_PROGRAM, {}));
    platform::ProgramRun run = platform::RunProgram("\"C:\\Program Files\\ComServer\\comclient.exe\"");
    ASSERT_TRUE(run.started) << run.error;
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("progid 00000000 thing\n"
              "create by progid 00000000\n"
              "create by clsid 00000000\n"
              "sum 42 names unnamed second\n"
              "applications ComClient ComServer\n",
              run.output);
}

}  // namespace
