// Property sheets: the pages' notifications as the user switches tabs and presses OK, Cancel and Apply,
// a page refusing to let go or to apply, the sheet's transcript, modeless sheets answered through their
// pages, and the buttons the header's flags give.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "commctrl.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

// How a page answers the sheet, and what it saw.
struct Page {
    int id = 0;
    std::vector<std::string>* events = nullptr;
    std::map<UINT, LRESULT> answers;  // by notification code; 0 for the others
    bool changedAtStart = false;
};

const char* NotificationName(UINT code) {
    switch (code) {
        case PSN_SETACTIVE:
            return "setactive";
        case PSN_KILLACTIVE:
            return "killactive";
        case PSN_APPLY:
            return "apply";
        case PSN_RESET:
            return "reset";
        case PSN_QUERYCANCEL:
            return "querycancel";
        default:
            return "other";
    }
}

INT_PTR CALLBACK PageProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)wParam;
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<Page*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->events->push_back(std::to_string(page->id) + " init");
        if (page->changedAtStart) SendMessageA(GetParent(hDlg), PSM_CHANGED, reinterpret_cast<WPARAM>(hDlg), 0);
        return TRUE;
    }
    auto* page = reinterpret_cast<Page*>(GetWindowLongPtrA(hDlg, DWLP_USER));
    if (message != WM_NOTIFY || !page) return FALSE;
    UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
    page->events->push_back(std::to_string(page->id) + " " + NotificationName(code));
    SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, page->answers.count(code) ? page->answers[code] : 0);
    return TRUE;
}

PROPSHEETPAGEA Description(Page& page) {
    PROPSHEETPAGEA description{};
    description.dwSize = sizeof description;
    description.pszTemplate = MAKEINTRESOURCEA(page.id);
    description.pfnDlgProc = PageProcedure;
    description.lParam = reinterpret_cast<LPARAM>(&page);
    return description;
}

class PropertySheetTest : public ::testing::Test {
  protected:
    INT_PTR Run(DWORD flags) {
        std::vector<PROPSHEETPAGEA> descriptions = {Description(first_), Description(second_)};
        PROPSHEETHEADERA header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_PROPSHEETPAGE | flags;
        header.pszCaption = "Opzioni";
        header.nPages = static_cast<UINT>(descriptions.size());
        header.ppsp = descriptions.data();
        return PropertySheetA(&header);
    }
    // Looks at the queue as a modeless program's loop does, dispatching what it finds.
    void Pump(int looks) {
        for (int look = 0; look < looks; ++look) {
            MSG message;
            if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        }
    }

    platform::TestMachine machine_;
    std::vector<std::string> events_;
    Page first_{301, &events_, {}, false};
    Page second_{302, &events_, {}, false};
};

TEST_F(PropertySheetTest, ModalSheetTellsThePagesOfTheUsersAnswers) {
    const std::vector<std::string> opened = {"301 init", "301 setactive"};
    struct Row {
        const char* name;
        std::vector<const char*> answers;
        std::map<UINT, LRESULT> firstAnswers;
        bool changedAtStart;
        std::vector<std::string> events;  // after the first page opened
        INT_PTR result;
    } rows[] = {
        {"OK", {"IDOK"}, {}, false, {"301 killactive", "301 apply"}, 1},
        {"a tab by its title, then OK",
         {"tab: stampanti", "IDOK"},
         {},
         false,
         {"301 killactive", "302 init", "302 setactive", "302 killactive", "301 apply", "302 apply"},
         1},
        {"a tab by its position, then Cancel",
         {"tab: 2", "IDCANCEL"},
         {},
         false,
         {"301 killactive", "302 init", "302 setactive", "302 querycancel", "301 reset", "302 reset"},
         0},
        {"a page that keeps the focus refuses the switch",
         {"tab: 2", "IDCANCEL"},
         {{PSN_KILLACTIVE, TRUE}},
         false,
         {"301 killactive", "301 querycancel", "301 reset"},
         0},
        {"Apply, then Cancel, has saved the changes",
         {"Apply", "IDCANCEL"},
         {},
         true,
         {"301 killactive", "301 apply", "301 querycancel", "301 reset"},
         1},
        {"a page that refuses to apply keeps the sheet open",
         {"IDOK", "IDCANCEL"},
         {{PSN_APPLY, PSNRET_INVALID_NOCHANGEPAGE}},
         false,
         {"301 killactive", "301 apply", "301 querycancel", "301 reset"},
         0},
        {"a page that refuses Cancel",
         {"IDCANCEL", "IDOK"},
         {{PSN_QUERYCANCEL, TRUE}},
         false,
         {"301 querycancel", "301 killactive", "301 apply"},
         1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        events_.clear();
        first_.answers = row.firstAnswers;
        first_.changedAtStart = row.changedAtStart;
        for (const char* answer : row.answers) machine_.Answer(answer);
        EXPECT_EQ(Run(0), row.result);
        std::vector<std::string> expected = opened;
        expected.insert(expected.end(), row.events.begin(), row.events.end());
        EXPECT_EQ(events_, expected);
    }
}

TEST_F(PropertySheetTest, TranscriptShowsTheTabsAndTheCurrentPage) {
    machine_.Answer("tab: Stampanti").Answer("IDCANCEL");
    EXPECT_EQ(Run(0), 0);
    EXPECT_EQ(machine_.Transcript(),
              "Dialog \"Opzioni\" shown\n"
              "  12320 tabs: \"Generale\" (current), \"Stampanti\"\n"
              "  1 button: \"OK\" (default)\n"
              "  2 button: \"Cancel\"\n"
              "  12321 button: \"&Apply\" (disabled)\n"
              "  dialog 301: \"Generale\"\n"
              "  1001 edit: \"\"\n"
              "Dialog \"Opzioni\" answer: tab \"Stampanti\"\n"
              "Dialog \"Opzioni\" changed\n"
              "  dialog 301: hidden\n"
              "Dialog \"Opzioni\" changed\n"
              "  dialog 302: \"Stampanti\"\n"
              "  924 combobox: \"\" (list empty)\n"
              "Dialog \"Opzioni\" changed\n"
              "  12320 tabs: \"Generale\", \"Stampanti\" (current)\n"
              "Dialog \"Opzioni\" answer: IDCANCEL \"Cancel\"\n"
              "Dialog \"Opzioni\" closed\n");
}

TEST_F(PropertySheetTest, AnswerForNoTabTakesTheDefaultButton) {
    machine_.Answer("tab: Avanzate");
    EXPECT_EQ(Run(0), 1);
    EXPECT_NE(machine_.Transcript().find(
                  "Dialog \"Opzioni\" answer: IDOK \"OK\" (default; scripted \"tab: Avanzate\": no tab \"Avanzate\")\n"),
              std::string::npos)
        << machine_.Transcript();
}

TEST_F(PropertySheetTest, ModelessSheetIsDrivenByMessagesAndByAnswersToItsPages) {
    HWND sheet = reinterpret_cast<HWND>(Run(PSH_MODELESS));
    ASSERT_TRUE(IsWindow(sheet));
    EXPECT_TRUE(IsWindowVisible(sheet));
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    HWND firstPage = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    EXPECT_EQ(GetParent(firstPage), sheet);
    EXPECT_EQ(events_, (std::vector<std::string>{"301 init", "301 setactive"}));

    // The program switches pages; the sheet tells the pages, as for the user's click.
    EXPECT_TRUE(SendMessageA(sheet, PSM_SETCURSEL, 1, 0));
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_NE(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), firstPage);
    SendMessageA(sheet, PSM_SETTITLEA, PSH_PROPTITLE, reinterpret_cast<LPARAM>("Stampante"));
    char title[64] = {};
    GetWindowTextA(sheet, title, sizeof title);
    EXPECT_STREQ(title, "Stampante Properties");

    // The user answers the page on the screen: its tabs, then the system menu's Close, which cancels.
    events_.clear();
    machine_.Answer("Dialog 302: tab: Generale").Answer("Dialog 301: system menu: close");
    Pump(60);
    EXPECT_EQ(events_, (std::vector<std::string>{"302 killactive", "301 setactive", "301 querycancel",
                                                 "301 reset", "302 reset"}));
    EXPECT_EQ(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0), 0);
    std::string transcript = machine_.Transcript();
    EXPECT_NE(transcript.find("Dialog 302 \"Stampanti\" answer: tab \"Generale\"\n"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("Dialog 301 \"Generale\" answer: system menu \"Close\"\n"), std::string::npos)
        << transcript;
    DestroyWindow(sheet);
}

TEST_F(PropertySheetTest, HeaderFlagsGiveTheButtons) {
    struct Row {
        DWORD flags;
        bool apply;
        bool help;
        const char* caption;
    } rows[] = {
        {0, true, false, "Opzioni"},
        {PSH_NOAPPLYNOW, false, false, "Opzioni"},
        {PSH_HASHELP, true, true, "Opzioni"},
        {PSH_PROPTITLE | PSH_NOAPPLYNOW | PSH_HASHELP, false, true, "Opzioni Properties"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.flags);
        HWND sheet = reinterpret_cast<HWND>(Run(PSH_MODELESS | row.flags));
        ASSERT_TRUE(IsWindow(sheet));
        EXPECT_NE(GetDlgItem(sheet, IDOK), nullptr);
        EXPECT_NE(GetDlgItem(sheet, IDCANCEL), nullptr);
        EXPECT_EQ(GetDlgItem(sheet, ID_APPLY_NOW) != nullptr, row.apply);
        EXPECT_EQ(GetDlgItem(sheet, IDHELP) != nullptr, row.help);
        char caption[64] = {};
        GetWindowTextA(sheet, caption, sizeof caption);
        EXPECT_STREQ(caption, row.caption);
        DestroyWindow(sheet);
    }
}

TEST_F(PropertySheetTest, PagesMadeByHandleAndAddedLater) {
    PROPSHEETPAGEA firstDescription = Description(first_);
    firstDescription.dwFlags = PSP_USETITLE | PSP_USEHICON;
    firstDescription.pszTitle = MAKEINTRESOURCEA(311);
    firstDescription.hIcon = LoadIconA(nullptr, IDI_INFORMATION);
    HPROPSHEETPAGE pages[] = {CreatePropertySheetPageA(&firstDescription)};
    ASSERT_NE(pages[0], nullptr);
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS;
    header.pszCaption = MAKEINTRESOURCEA(310);
    header.nPages = 1;
    header.phpage = pages;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    ASSERT_TRUE(IsWindow(sheet));
    PROPSHEETPAGEA secondDescription = Description(second_);
    HPROPSHEETPAGE added = CreatePropertySheetPageA(&secondDescription);
    EXPECT_TRUE(SendMessageA(sheet, PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(added)));
    EXPECT_TRUE(SendMessageA(sheet, PSM_SETCURSEL, 0, reinterpret_cast<LPARAM>(added)));
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
    char title[64] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = title;
    item.cchTextMax = sizeof title;
    SendMessageA(tabs, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(title, "Interventi stampante");
    // The first page's icon is its tab's; the second has none.
    EXPECT_EQ(item.iImage, 0);
    SendMessageA(tabs, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, -1);
    auto icons = reinterpret_cast<HIMAGELIST>(SendMessageA(tabs, TCM_GETIMAGELIST, 0, 0));
    EXPECT_EQ(ImageList_GetImageCount(icons), 1);
    GetWindowTextA(sheet, title, sizeof title);
    EXPECT_STREQ(title, "Opzioni");
    EXPECT_EQ(events_, (std::vector<std::string>{"301 init", "301 setactive", "301 killactive", "302 init",
                                                 "302 setactive"}));
    DestroyWindow(sheet);
    EXPECT_TRUE(DestroyPropertySheetPage(pages[0]));
    EXPECT_TRUE(DestroyPropertySheetPage(added));
    EXPECT_EQ(PropertySheetA(nullptr), -1);
}

}  // namespace
