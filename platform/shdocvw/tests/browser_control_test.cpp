// The web browser control through COM, as every machine has it registered: created by class and by
// ProgID, driven through IWebBrowser2 and IDispatch, firing its navigation events, and placed in a window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CComBSTR.h"
#include "CComPtr.h"
#include "CComVariant.h"
#include "browser_sink.h"
#include "exdisp.h"
#include "olectl.h"
#include "ole2.h"
#include "oleidl.h"
#include "platform/testing/test_machine.h"

namespace {

class BrowserControl : public ::testing::Test {
  protected:
    platform::TestMachine machine;
    CComPtr<IWebBrowser2> browser;
    RecordingSink sink;
    DWORD cookie = 0;

    void SetUp() override {
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                         reinterpret_cast<void**>(&browser)));
        CComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(S_OK, browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)));
        CComPtr<IConnectionPoint> point;
        ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point));
        ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));
    }
    void TearDown() override {
        browser.Release();
        EXPECT_EQ(sink.references, 1) << "the control keeps its sinks only while it lives";
        CoFreeUnusedLibraries();
        CoUninitialize();
    }
    std::string Location() {
        CComBSTR location;
        EXPECT_EQ(S_OK, browser->get_LocationURL(&location));
        return RecordingSink::Ansi(location.m_str);
    }
    std::string LocationName() {
        CComBSTR name;
        EXPECT_EQ(S_OK, browser->get_LocationName(&name));
        return RecordingSink::Ansi(name.m_str);
    }
    void Navigate(const std::string& address) {
        CComVariant url(address.c_str());
        EXPECT_EQ(S_OK, browser->Navigate2(&url, nullptr, nullptr, nullptr, nullptr));
    }
};

TEST_F(BrowserControl, IsRegisteredByProgIdWithItsTypeLibrary) {
    CLSID byName{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"Shell.Explorer.2", &byName));
    EXPECT_TRUE(IsEqualCLSID(byName, CLSID_WebBrowser));
    // IDispatch answers from the registered type library with Windows' dispatch ids.
    CComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, browser->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    struct Row {
        const char16_t* name;
        DISPID id;
    } rows[] = {{u"Navigate", 104}, {u"Navigate2", 500}, {u"LocationURL", 211}, {u"Busy", 212}, {u"Visible", 402}};
    for (const Row& row : rows) {
        DISPID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(row.name)};
        EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
        EXPECT_EQ(id, row.id);
    }
    // Navigate through Invoke, then the address read back the same way.
    machine.File("C:\\Pagine\\uno.htm", "<title>Uno</title>");
    CComVariant address("C:\\Pagine\\uno.htm");
    DISPPARAMS parameters{&address, nullptr, 1, 0};
    ASSERT_EQ(S_OK, dispatch->Invoke(104, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr,
                                     nullptr, nullptr));
    CComVariant location;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, dispatch->Invoke(211, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &location,
                                     nullptr, nullptr));
    ASSERT_EQ(location.vt, VT_BSTR);
    EXPECT_EQ(RecordingSink::Ansi(location.bstrVal), "C:\\Pagine\\uno.htm");
}

TEST_F(BrowserControl, NavigationsFireTheirEventsUnlessCancelled) {
    machine.File("C:\\Pagine\\uno.htm", "<title>Uno</title><p>Il primo.</p><a href=\"due.htm\">due</a>");
    machine.File("C:\\Pagine\\due.htm", "<title>Due</title>");
    struct Row {
        std::string address;
        std::string cancelPrefix;
        std::vector<std::string> events;
        std::string location;
        std::string name;
    } rows[] = {
        {"C:\\Pagine\\uno.htm",
         "",
         {"BeforeNavigate2 C:\\Pagine\\uno.htm", "NavigateComplete2 C:\\Pagine\\uno.htm",
          "DocumentComplete C:\\Pagine\\uno.htm"},
         "C:\\Pagine\\uno.htm",
         "Uno"},
        // Relative to the page shown.
        {"due.htm",
         "",
         {"BeforeNavigate2 C:\\Pagine\\due.htm", "NavigateComplete2 C:\\Pagine\\due.htm",
          "DocumentComplete C:\\Pagine\\due.htm"},
         "C:\\Pagine\\due.htm",
         "Due"},
        // A cancelled navigation leaves the page as it was.
        {"app:register", "app:", {"BeforeNavigate2 app:register"}, "C:\\Pagine\\due.htm", "Due"},
        {"http://www.example.com/",
         "",
         {"BeforeNavigate2 http://www.example.com/", "NavigateComplete2 http://www.example.com/",
          "DocumentComplete http://www.example.com/"},
         "http://www.example.com/",
         "Page not available"},
        {"file:///C:/Pagine/manca.htm",
         "",
         {"BeforeNavigate2 file:///C:/Pagine/manca.htm", "NavigateComplete2 file:///C:/Pagine/manca.htm",
          "DocumentComplete file:///C:/Pagine/manca.htm"},
         "file:///C:/Pagine/manca.htm",
         "Page not found"},
    };
    for (const Row& row : rows) {
        sink.events.clear();
        sink.cancelPrefix = row.cancelPrefix;
        Navigate(row.address);
        EXPECT_EQ(sink.events, row.events) << row.address;
        EXPECT_EQ(Location(), row.location) << row.address;
        EXPECT_EQ(LocationName(), row.name) << row.address;
        VARIANT_BOOL busy = VARIANT_TRUE;
        EXPECT_EQ(S_OK, browser->get_Busy(&busy));
        EXPECT_EQ(busy, VARIANT_FALSE);
    }
    CComVariant notAnAddress(42);
    EXPECT_EQ(E_INVALIDARG, browser->Navigate2(&notAnAddress, nullptr, nullptr, nullptr, nullptr));
    // Refresh loads the page again without events.
    sink.events.clear();
    EXPECT_EQ(S_OK, browser->Refresh());
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(BrowserControl, InAWindowThePageLoadsFromTheMessageLoopAndIsWrittenDown) {
    machine.File("C:\\Pagine\\uno.htm", "<title>Uno</title><h1>Capo</h1><p>Il <b>primo</b>.</p><a href=\"app:x\">x</a>");
    HWND host = CreateWindowExA(0, "STATIC", "Ospite", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    CComPtr<IOleObject> embedding;
    ASSERT_EQ(S_OK, browser->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&embedding)));
    RECT position{10, 10, 290, 190};
    ASSERT_EQ(S_OK, embedding->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, host, &position));
    CComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(S_OK, browser->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)));
    HWND window = nullptr;
    ASSERT_EQ(S_OK, inPlace->GetWindow(&window));
    EXPECT_EQ(GetParent(window), host);

    machine.ClearTranscript();
    Navigate("C:\\Pagine\\uno.htm");
    EXPECT_EQ(sink.events, std::vector<std::string>{"BeforeNavigate2 C:\\Pagine\\uno.htm"});
    VARIANT_BOOL busy = VARIANT_FALSE;
    browser->get_Busy(&busy);
    EXPECT_EQ(busy, VARIANT_TRUE);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    EXPECT_EQ(sink.events.size(), 3u);
    EXPECT_EQ(machine.Transcript(),
              "Window \"Ospite\" page \"C:\\Pagine\\uno.htm\"\n"
              "  title: \"Uno\"\n"
              "  heading: \"Capo\"\n"
              "  text: \"Il primo.\"\n"
              "  text: \"x\"\n"
              "  link 1: \"x\" -> app:x\n");
    // Closing the control takes its window away; the host's window stays.
    EXPECT_EQ(S_OK, embedding->Close(OLECLOSE_NOSAVE));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(E_FAIL, inPlace->GetWindow(&window));
    EXPECT_TRUE(IsWindow(host));
    // Placed again, it goes with the host's window when that is destroyed first.
    ASSERT_EQ(S_OK, embedding->DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, host, &position));
    ASSERT_EQ(S_OK, inPlace->GetWindow(&window));
    DestroyWindow(host);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(E_FAIL, inPlace->GetWindow(&window));
    EXPECT_EQ(E_INVALIDARG, embedding->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, &position));
}

TEST_F(BrowserControl, ConnectionPointsAdviseAndUnadvise) {
    CComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)));
    CComPtr<IConnectionPoint> point;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IDispatch, &point));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point));
    IID iid{};
    EXPECT_EQ(S_OK, point->GetConnectionInterface(&iid));
    EXPECT_TRUE(IsEqualIID(iid, DIID_DWebBrowserEvents2));
    CComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    IConnectionPoint* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, points->Next(2, listed, &fetched));
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(listed[0], point.p);
    listed[0]->Release();
    // A second sink hears the same events; once unadvised, neither hears more.
    RecordingSink second;
    DWORD secondCookie = 0;
    ASSERT_EQ(S_OK, point->Advise(&second, &secondCookie));
    EXPECT_NE(secondCookie, cookie);
    Navigate("about:blank");
    EXPECT_EQ(second.events, sink.events);
    EXPECT_EQ(S_OK, point->Unadvise(secondCookie));
    EXPECT_EQ(S_OK, point->Unadvise(cookie));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie));
    sink.events.clear();
    Navigate("about:blank");
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(second.references, 1);
}

}  // namespace
