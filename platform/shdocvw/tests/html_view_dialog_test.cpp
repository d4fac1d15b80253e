// A page in a dialog, as a program shows one: a view of pages created in place of the dialog's static
// control, loading an HTML resource of the program, with the scripted user following its links. The view
// cancels the navigations to "app:" addresses and takes the rest of the address as a command of its own;
// every other navigation goes ahead.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CDialog.h"
#include "CHtmlView.h"
#include "browser_test_resources.h"
#include "ole2.h"
#include "oleidl.h"
#include "platform/gdi32/surface.h"
#include "platform/machine/text.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/testing/test_machine.h"

namespace {

class PageControl : public CHtmlView {
  public:
    std::vector<std::string> commands;
    std::vector<std::string> completed;

    void OnBeforeNavigate2(LPCSTR lpszURL, DWORD, LPCSTR, const std::vector<BYTE>&, LPCSTR, BOOL* pbCancel) override {
        std::string address = lpszURL;
        if (address.size() >= 4 && platform::EqualsNoCase(address.substr(0, 4), "app:")) {
            *pbCancel = TRUE;
            commands.push_back(address.substr(4));
        }
    }
    void OnNavigateComplete2(LPCSTR strURL) override { completed.push_back(std::string("navigated ") + strURL); }
    void OnDocumentComplete(LPCSTR lpszURL) override { completed.push_back(std::string("document ") + lpszURL); }
};

class RegistrationDialog : public CDialog {
  public:
    RegistrationDialog() : CDialog(IDD_REGISTRATION) {}
    PageControl page;
    std::string resource = "register.htm";
    BOOL loaded = FALSE;
    HWND browserWindow = nullptr;
    RECT placeRectangle{};
    RECT viewRectangle{};
    RECT browserRectangle{};

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        // In place of the static control: its rectangle in the dialog's client coordinates.
        HWND placeholder = ::GetDlgItem(m_hWnd, IDC_PAGE);
        RECT position{};
        ::GetWindowRect(placeholder, &position);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&position), 2);
        placeRectangle = position;
        ::DestroyWindow(placeholder);
        if (!page.Create(nullptr, nullptr, WS_VISIBLE, position, this, IDC_PAGE)) return TRUE;
        loaded = page.LoadFromResource(resource.c_str());
        return TRUE;
    }
    void OnCancel() override {
        IOleWindow* window = nullptr;
        if (page.m_pBrowserApp &&
            SUCCEEDED(page.m_pBrowserApp->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window)))) {
            window->GetWindow(&browserWindow);
            window->Release();
        }
        ::GetWindowRect(page.m_hWnd, &viewRectangle);
        ::GetWindowRect(browserWindow, &browserRectangle);
        CDialog::OnCancel();
    }
};

class HtmlViewDialog : public ::testing::Test {
  protected:
    platform::TestMachine machine;
    std::string program;

    void SetUp() override {
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        char file[MAX_PATH] = "";
        ASSERT_GT(GetModuleFileNameA(nullptr, file, sizeof file), 0u);
        program = file;
    }
    void TearDown() override {
        CoFreeUnusedLibraries();
        CoUninitialize();
    }
    // The browser's library has no object left.
    bool BrowserLibraryIdle() {
        char system[MAX_PATH] = "";
        GetSystemDirectoryA(system, sizeof system);
        HMODULE library = GetModuleHandleA((std::string(system) + "\\shdocvw.dll").c_str());
        if (!library) return true;
        auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void (*)()>(GetProcAddress(library, "DllCanUnloadNow")));
        return canUnload && canUnload() == S_OK;
    }
};

TEST_F(HtmlViewDialog, TheUserFollowsLinksTheViewCancelsOrLetsThrough) {
    machine.Answer("Dialog 200: link Registra ora");
    machine.Answer("Dialog 200: link 2");
    machine.Answer("Dialog 200: link 9");
    machine.Answer("IDCANCEL");
    RegistrationDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(dialog.loaded);
    std::string registerPage = "res://" + program + "/register.htm";
    std::string privacyPage = "res://" + program + "/informativa.htm";
    const std::string header = "Dialog 200 \"Registrazione elettronica\"";
    EXPECT_EQ(machine.Transcript(),
              header + " shown\n" +
                  "  1 button: \"&Registra\" (default)\n"
                  "  2 button: \"Annulla\"\n"
                  "  1013 htmlview: \"\"\n"
                  "  0 shell embedding: \"\"\n" +
                  header + " page \"" + registerPage + "\"\n" +
                  "  title: \"Registrazione\"\n"
                  "  heading: \"Registrate il prodotto\"\n"
                  "  text: \"La registrazione \xE8 gratuita & veloce.\"\n"
                  "  text: \"Premere Registra ora.\"\n"
                  "  text: \"Registra ora  |  Informativa\"\n"
                  "  link 1: \"Registra ora\" -> app:register\n"
                  "  link 2: \"Informativa\" -> informativa.htm\n" +
                  header + " answer: link 1 \"Registra ora\" -> app:register\n" +
                  header + " answer: link 2 \"Informativa\" -> informativa.htm\n" +
                  header + " page \"" + privacyPage + "\"\n" +
                  "  title: \"Informativa\"\n"
                  "  text: \"I dati restano su questo computer.\"\n"
                  "  text: \"Sito\"\n"
                  "  link 1: \"Sito\" -> http://www.example.com/privacy\n" +
                  header + " answer: none (scripted \"link 9\" is not a link of this dialog)\n" +
                  header + " answer: IDCANCEL \"Annulla\"\n" + header + " closed\n");
    EXPECT_EQ(dialog.page.commands, std::vector<std::string>{"register"});
    // The view took the static control's place, and the browser fills the view.
    EXPECT_GT(dialog.placeRectangle.right - dialog.placeRectangle.left, 200);
    EXPECT_EQ(dialog.viewRectangle.right - dialog.viewRectangle.left,
              dialog.placeRectangle.right - dialog.placeRectangle.left);
    EXPECT_TRUE(EqualRect(&dialog.viewRectangle, &dialog.browserRectangle));
    // The dialog's pictures show the pages: black text, and blue links.
    std::string pictures = machine.TranscriptWithPictures();
    EXPECT_NE(pictures.find("  picture: ui/"), std::string::npos) << pictures;
    std::optional<std::filesystem::path> picture = platform::NewestPicture(machine.machine(), "Registrazione elettronica");
    ASSERT_TRUE(picture);
    std::optional<platform::gdi::Surface> surface = platform::gdi::ReadPng(*picture);
    ASSERT_TRUE(surface);
    int blue = 0;
    int white = 0;
    for (int y = 0; y < surface->height(); ++y) {
        for (int x = 0; x < surface->width(); ++x) {
            std::uint32_t pixel = surface->pixel(x, y);
            blue += (pixel & 0xFF) > 160 && (pixel >> 16) < 96 && ((pixel >> 8) & 0xFF) < 96;
            white += pixel == 0xFFFFFF;
        }
    }
    EXPECT_GT(blue, 20) << picture->string();
    EXPECT_GT(white, 200 * 100) << picture->string();
    EXPECT_EQ(dialog.page.completed,
              (std::vector<std::string>{"navigated " + registerPage, "document " + registerPage,
                                        "navigated " + privacyPage, "document " + privacyPage}));
    // The view's window went with the dialog and released the browser, whose window went too.
    EXPECT_EQ(dialog.page.m_hWnd, nullptr);
    EXPECT_EQ(dialog.page.m_pBrowserApp, nullptr);
    ASSERT_NE(dialog.browserWindow, nullptr);
    EXPECT_FALSE(IsWindow(dialog.browserWindow));
    EXPECT_TRUE(BrowserLibraryIdle());
}

TEST_F(HtmlViewDialog, AMissingResourceLeavesTheViewEmpty) {
    RegistrationDialog dialog;
    dialog.resource = "manca.htm";
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_FALSE(dialog.loaded);
    std::string transcript = machine.Transcript();
    EXPECT_EQ(transcript.find(" page \""), std::string::npos) << transcript;
    EXPECT_TRUE(BrowserLibraryIdle());
}

TEST_F(HtmlViewDialog, AModelessDialogTakesTheLinkAnswerAddressedToIt) {
    RegistrationDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_REGISTRATION));
    dialog.ShowWindow(SW_SHOW);
    machine.Answer("Dialog 200: link informativa");
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    std::string transcript = machine.Transcript();
    std::string privacyPage = "res://" + program + "/informativa.htm";
    EXPECT_NE(transcript.find("Dialog 200 \"Registrazione elettronica\" answer: link 2 \"Informativa\" -> "
                              "informativa.htm\n"
                              "Dialog 200 \"Registrazione elettronica\" page \"" + privacyPage + "\"\n"),
              std::string::npos)
        << transcript;
    EXPECT_EQ(dialog.page.GetLocationURL(), privacyPage);
    dialog.DestroyWindow();
    EXPECT_EQ(dialog.page.m_pBrowserApp, nullptr);
    EXPECT_TRUE(BrowserLibraryIdle());
}

TEST_F(HtmlViewDialog, LinkAnswersAreTakenByTheirDialogInTheirOrder) {
    struct Row {
        const char* answer;
        const char* link;  // null: not a link answer
    } rows[] = {
        {"link 1", "1"}, {"LINK  Registra ora ", "Registra ora"}, {"link", nullptr}, {"linked", nullptr}, {"IDOK", nullptr},
    };
    for (const Row& row : rows) {
        std::optional<std::string> link = platform::LinkOfAnswer(row.answer);
        EXPECT_EQ(link.value_or("-"), row.link ? row.link : "-") << row.answer;
    }
    EXPECT_FALSE(platform::AnswerProblem("Dialog 200: link Registra ora after 2"));
    machine.Answer("Dialog 200: IDCANCEL")
        .Answer("IDOK")
        .Answer("Dialog 201: link 1")
        .Answer("Dialog 200: link Registra ora")
        .Answer("Dialog 200: link 2 after 1");
    std::vector<std::string> taken;
    for (int look = 0; look < 4; ++look)
        taken.push_back(platform::TakeDialogLinkAnswer(machine.machine(), 200).value_or("-"));
    EXPECT_EQ(taken, (std::vector<std::string>{"Registra ora", "-", "2", "-"}));
    EXPECT_EQ(platform::TakeAnswer(machine.machine()), "IDOK");
    EXPECT_EQ(platform::TakeDialogAnswer(machine.machine(), 200).answer, "IDCANCEL");
    EXPECT_EQ(platform::TakeDialogLinkAnswer(machine.machine(), 201), "1");
}

TEST(HtmlView, WithoutComTheViewIsNotMade) {
    platform::TestMachine machine;
    HWND parent = CreateWindowExA(0, "STATIC", "Ospite", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    CWnd* parentObject = CWnd::FromHandle(parent);
    PageControl page;
    EXPECT_FALSE(page.Create(nullptr, nullptr, WS_VISIBLE, RECT{0, 0, 100, 100}, parentObject, IDC_PAGE));
    EXPECT_EQ(page.m_hWnd, nullptr);
    EXPECT_EQ(::GetDlgItem(parent, IDC_PAGE), nullptr);
    EXPECT_FALSE(page.LoadFromResource("register.htm"));
    DestroyWindow(parent);
}

}  // namespace
