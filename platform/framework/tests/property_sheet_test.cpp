// The framework's property sheets and pages over the common controls (modal, and modeless with the
// program's styles and its own system-menu item), and the list control, image list and combo box objects
// in the dialogs that hold them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CComboBox.h"
#include "CImageList.h"
#include "CListCtrl.h"
#include "CMenu.h"
#include "CPropertySheet.h"
#include "platform/testing/test_machine.h"

namespace {

std::vector<std::string> events;

class LoggingPage : public CPropertyPage {
  public:
    LoggingPage(UINT id, UINT caption = 0) : CPropertyPage(id, caption), id_(std::to_string(id)) {}
    BOOL m_bLetGo = TRUE;

  protected:
    BOOL OnInitDialog() override {
        events.push_back(id_ + " init");
        return CPropertyPage::OnInitDialog();
    }
    BOOL OnSetActive() override {
        events.push_back(id_ + " setactive");
        return CPropertyPage::OnSetActive();
    }
    BOOL OnKillActive() override {
        events.push_back(id_ + " killactive");
        return m_bLetGo;
    }
    BOOL OnApply() override {
        events.push_back(id_ + " apply");
        return CPropertyPage::OnApply();
    }
    void OnReset() override { events.push_back(id_ + " reset"); }

  private:
    std::string id_;
};

// The printers page: a combo box of printers, told of the user's pick.
class PrintersPage : public LoggingPage {
  public:
    PrintersPage() : LoggingPage(302) {}
    CComboBox m_printers;

  protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, 924, m_printers); }
    BOOL OnInitDialog() override {
        LoggingPage::OnInitDialog();
        m_printers.AddString("Stampante A");
        m_printers.AddString("Stampante B");
        m_printers.SetCurSel(m_printers.FindStringExact(-1, "Stampante B"));
        return TRUE;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == 924 && HIWORD(wParam) == CBN_SELCHANGE) {
            std::string printer;
            m_printers.GetLBText(m_printers.GetCurSel(), printer);
            events.push_back("printer " + printer);
            return TRUE;
        }
        return LoggingPage::OnCommand(wParam, lParam);
    }
};

constexpr UINT kAbout = 4000;

class ToolSheet : public CPropertySheet {
  public:
    ToolSheet() : CPropertySheet(310) {
        AddPage(&general);
        AddPage(&printers);
    }
    LoggingPage general{301, 311};
    PrintersPage printers;

  protected:
    BOOL OnInitDialog() override {
        CPropertySheet::OnInitDialog();
        events.push_back("sheet init");
        CMenu* menu = GetSystemMenu(FALSE);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, kAbout, "Informazioni su...");
        return TRUE;
    }
    void OnSysCommand(UINT nID, LPARAM lParam) override {
        if ((nID & 0xFFF0) == kAbout) {
            events.push_back("about");
            return;
        }
        CPropertySheet::OnSysCommand(nID, lParam);
    }
};

class FrameworkSheetTest : public ::testing::Test {
  protected:
    void SetUp() override { events.clear(); }
    void Pump(int looks) {
        for (int look = 0; look < looks; ++look) {
            MSG message;
            if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        }
    }
    platform::TestMachine machine_;
};

TEST_F(FrameworkSheetTest, ModalSheetRoutesTheNotificationsToThePages) {
    machine_.Answer("tab: 2").Answer("combo 924: Stampante A").Answer("IDOK");
    ToolSheet sheet;
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(events, (std::vector<std::string>{"301 init", "301 setactive", "sheet init", "301 killactive", "302 init",
                                                "302 setactive", "printer Stampante A", "302 killactive", "301 apply",
                                                "302 apply"}));
    // The first page's tab title came from the string table.
    EXPECT_NE(machine_.Transcript().find("tabs: \"Interventi stampante\" (current), \"Stampanti\"\n"), std::string::npos)
        << machine_.Transcript();

    events.clear();
    machine_.Answer("tab: 2").Answer("IDCANCEL");
    ToolSheet refusing;
    refusing.general.m_bLetGo = FALSE;
    EXPECT_EQ(refusing.DoModal(), IDCANCEL);
    EXPECT_EQ(events, (std::vector<std::string>{"301 init", "301 setactive", "sheet init", "301 killactive", "301 reset"}));
}

TEST_F(FrameworkSheetTest, ModelessSheetWithItsOwnStylesAndSystemMenuItem) {
    ToolSheet sheet;
    ASSERT_TRUE(sheet.Create(nullptr, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_TRUE(sheet.IsWindowVisible());
    EXPECT_EQ(GetWindowLongPtrA(sheet, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_POPUP),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    for (int id : {IDOK, IDCANCEL, ID_APPLY_NOW}) EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, id))) << id;
    // Without its buttons the sheet ends a margin below its tabs.
    RECT window{};
    RECT tabs{};
    sheet.GetWindowRect(&window);
    sheet.GetTabControl()->GetWindowRect(&tabs);
    EXPECT_GT(window.bottom, tabs.bottom);
    EXPECT_LT(window.bottom - tabs.bottom, 20);
    EXPECT_EQ(sheet.GetPageCount(), 2);
    EXPECT_EQ(sheet.GetActivePage(), &sheet.general);
    EXPECT_TRUE(sheet.SetActivePage(1));
    EXPECT_EQ(sheet.GetActivePage(), &sheet.printers);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    sheet.SetTitle("Stampante B Opzioni");
    char title[64] = {};
    sheet.GetWindowText(title, sizeof title);
    EXPECT_STREQ(title, "Stampante B Opzioni");

    machine_.Answer("Dialog 302: system menu: Informazioni su...").Answer("Dialog 302: system menu: Close");
    Pump(10);
    EXPECT_EQ(events.back(), "about");
    Pump(10);
    EXPECT_EQ(sheet.m_hWnd, nullptr);  // closed, and so destroyed
    EXPECT_NE(machine_.Transcript().find("Dialog \"Stampante B Opzioni\" closed\n"), std::string::npos)
        << machine_.Transcript();
}

// The test-results dialog's use of the list: an image list of icons, full-row selection, one column and
// a row selected and focused; the user's click comes as NM_CLICK.
class ResultsDialog : public CDialog {
  public:
    ResultsDialog() : CDialog(303) {}
    CListCtrl m_list;
    CImageList m_images;
    std::vector<int> clicks;

  protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, 2000, m_list); }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_images.Create(16, 16, ILC_MASK, 3, 3);
        for (ULONG_PTR icon : {0x1004, 0x1002, 0x1003}) m_images.Add(reinterpret_cast<HICON>(icon));
        m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
        m_list.SetImageList(&m_images, LVSIL_SMALL);
        m_list.InsertColumn(0, "", LVCFMT_LEFT, 700);
        m_list.InsertItem(0, "Nessun problema rilevato", 0);
        m_list.InsertItem(1, "Memoria insufficiente", 2);
        m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        return TRUE;
    }
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (wParam == 2000 && header->code == NM_CLICK) {
            clicks.push_back(m_list.GetNextItem(-1, LVNI_SELECTED));
            *pResult = 0;
            return TRUE;
        }
        return CDialog::OnNotify(wParam, lParam, pResult);
    }
    void OnOK() override {
        EXPECT_EQ(m_list.GetItemCount(), 2);
        EXPECT_EQ(m_list.GetItemText(1, 0), "Memoria insufficiente");
        EXPECT_EQ(m_list.GetTopIndex(), 0);
        EXPECT_GT(m_list.GetCountPerPage(), 1);
        EXPECT_TRUE(m_list.EnsureVisible(1, FALSE));
        EXPECT_EQ(m_list.GetImageList(LVSIL_SMALL)->GetSafeHandle(), m_images.GetSafeHandle());
        EXPECT_EQ(m_images.GetImageCount(), 3);
        EXPECT_EQ(m_list.GetExtendedStyle(), static_cast<DWORD>(LVS_EX_FULLROWSELECT));
        EXPECT_TRUE(m_list.DeleteAllItems());
        EXPECT_EQ(m_list.GetItemCount(), 0);
        m_images.DeleteImageList();
        CDialog::OnOK();
    }
};

TEST_F(FrameworkSheetTest, ListControlAndImageListInADialog) {
    machine_.Answer("list 2000: click 1").Answer("IDOK");
    ResultsDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.clicks, std::vector<int>{1});
    EXPECT_EQ(dialog.m_images.GetSafeHandle(), nullptr);
}

TEST_F(FrameworkSheetTest, MenuObjects) {
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    EXPECT_TRUE(menu.AppendMenu(MF_STRING, 7, "&Guida"));
    std::string text;
    EXPECT_EQ(menu.GetMenuString(7, text, MF_BYCOMMAND), 6);
    EXPECT_EQ(text, "&Guida");
    EXPECT_EQ(CMenu::FromHandle(menu.m_hMenu), CMenu::FromHandle(menu.m_hMenu));
    HMENU handle = menu.m_hMenu;
    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_FALSE(IsMenu(handle));
}

}  // namespace
