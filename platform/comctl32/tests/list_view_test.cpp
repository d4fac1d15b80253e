// The list view in report view: rows, columns and their texts, selection and focus, the keys told to the
// parent before the selection moves, the user's clicks through the answers, and image lists.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "commctrl.h"
#include "platform/testing/test_machine.h"
#include "platform/user32/dialog.h"
#include "windows.h"

namespace {

constexpr int kList = 2000;

// What the parent heard: the notification with its row, and the row selected as it heard it.
struct Heard {
    std::vector<std::string> notifications;
};

std::string CodeName(UINT code) {
    switch (code) {
        case NM_CLICK:
            return "NM_CLICK";
        case NM_DBLCLK:
            return "NM_DBLCLK";
        case LVN_KEYDOWN:
            return "LVN_KEYDOWN";
        case LVN_ITEMACTIVATE:
            return "LVN_ITEMACTIVATE";
        default:
            return "";
    }
}

int Selected(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

INT_PTR CALLBACK ParentProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)wParam;
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
        return TRUE;
    }
    auto* heard = reinterpret_cast<Heard*>(GetWindowLongPtrA(hDlg, DWLP_USER));
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) EndDialog(hDlg, IDOK);
    if (message != WM_NOTIFY || !heard) return FALSE;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    std::string name = CodeName(header->code);
    if (name.empty() || header->idFrom != kList) return FALSE;
    std::string detail = header->code == LVN_KEYDOWN
                             ? std::to_string(reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey)
                             : std::to_string(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
    heard->notifications.push_back(name + " " + detail + " (selected " + std::to_string(Selected(header->hwndFrom)) + ")");
    return FALSE;
}

// A dialog with the list view and an OK button.
platform::DialogTemplate ListDialog() {
    platform::DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    dialog.caption = "Risultati test";
    dialog.cx = 220;
    dialog.cy = 140;
    platform::DialogControlTemplate list;
    list.className = WC_LISTVIEWA;
    list.id = kList;
    list.style = WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL;
    list.cx = 200;
    list.cy = 104;
    platform::DialogControlTemplate ok;
    ok.className = "BUTTON";
    ok.text = "OK";
    ok.id = IDOK;
    ok.style = WS_VISIBLE | BS_DEFPUSHBUTTON;
    dialog.controls = {list, ok};
    return dialog;
}

int InsertRow(HWND list, int index, const char* text, int image = -1) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = index;
    item.pszText = const_cast<LPSTR>(text);
    item.iImage = image;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

std::string RowText(HWND list, int row, int column = 0) {
    char buffer[64] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

void SetState(HWND list, int row, UINT state, UINT mask) {
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

class ListViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog_ = platform::CreateDialogFromTemplate(nullptr, ListDialog(), 303, nullptr, ParentProcedure,
                                                     reinterpret_cast<LPARAM>(&heard_));
        list_ = GetDlgItem(dialog_, kList);
        // A sunken edge (the dialog gives a bordered control one) round the header and five rows.
        MoveWindow(list_, 0, 0, 200, 4 + 17 + 5 * 17, FALSE);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<LPSTR>("");
        column.cx = 700;
        SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    }
    void TearDown() override { DestroyWindow(dialog_); }

    platform::TestMachine machine_;
    Heard heard_;
    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(ListViewTest, RowsKeepTheirTextsImagesAndStates) {
    EXPECT_EQ(InsertRow(list_, 0, "Memoria insufficiente", 2), 0);
    EXPECT_EQ(InsertRow(list_, 5, "Porta occupata", 1), 1);  // past the end: appended
    EXPECT_EQ(InsertRow(list_, 0, "Nessun problema rilevato", 0), 0);
    EXPECT_EQ(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(RowText(list_, 0), "Nessun problema rilevato");
    EXPECT_EQ(RowText(list_, 2), "Porta occupata");
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = 1;
    ASSERT_TRUE(SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.iImage, 2);

    // Single selection: selecting a row takes the selection (and the focus) from the one before.
    SetState(list_, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetState(list_, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(Selected(list_), 2);
    EXPECT_EQ(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 2);
    EXPECT_EQ(SendMessageA(list_, LVM_GETNEXTITEM, 2, LVNI_SELECTED), -1);
    EXPECT_EQ(SendMessageA(list_, LVM_GETNEXTITEM, 0, LVNI_ALL), 1);
    EXPECT_EQ(SendMessageA(list_, LVM_GETITEMSTATE, 1, LVIS_SELECTED), 0);

    EXPECT_EQ(SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT), 0);
    EXPECT_EQ(SendMessageA(list_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);
    EXPECT_EQ(SendMessageA(list_, LVM_GETCOUNTPERPAGE, 0, 0), 5);
    EXPECT_TRUE(SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(Selected(list_), -1);
}

// Each key is told to the parent while the selection is still where it was; then the focus and the
// selection move, and the list scrolls to show them.
TEST_F(ListViewTest, KeysAreToldBeforeTheSelectionMoves) {
    for (int row = 0; row < 20; ++row) InsertRow(list_, row, ("riga " + std::to_string(row)).c_str());
    struct Row {
        const char* name;
        int shown;  // the row made visible first, which puts the top there
        int start;
        WPARAM key;
        int selected;
        int top;
    } rows[] = {
        {"Home", 0, 3, VK_HOME, 0, 0},
        {"End", 0, 3, VK_END, 19, 15},
        {"Up", 0, 3, VK_UP, 2, 0},
        {"Up at the first row", 0, 0, VK_UP, 0, 0},
        {"Down past the page", 0, 4, VK_DOWN, 5, 1},
        {"Page Up to the top row", 14, 12, VK_PRIOR, 10, 10},
        {"Page Up from the top row", 14, 10, VK_PRIOR, 5, 5},
        {"Page Down to the bottom row", 0, 3, VK_NEXT, 4, 0},
        {"Page Down from the bottom row", 0, 4, VK_NEXT, 8, 4},
        {"Page Down at the end", 19, 19, VK_NEXT, 19, 15},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        heard_.notifications.clear();
        SendMessageA(list_, LVM_ENSUREVISIBLE, 0, FALSE);
        SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row.shown), FALSE);
        SetState(list_, row.start, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageA(list_, WM_KEYDOWN, row.key, 0);
        EXPECT_EQ(heard_.notifications, std::vector<std::string>{"LVN_KEYDOWN " + std::to_string(row.key) +
                                                                 " (selected " + std::to_string(row.start) + ")"});
        EXPECT_EQ(Selected(list_), row.selected);
        EXPECT_EQ(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), row.selected);
        EXPECT_EQ(SendMessageA(list_, LVM_GETTOPINDEX, 0, 0), row.top);
    }
}

TEST_F(ListViewTest, AnsweredClicksAndKeysInAModalDialog) {
    DestroyWindow(dialog_);
    auto fill = [](HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            HWND list = GetDlgItem(hDlg, kList);
            InsertRow(list, 0, "Nessun problema rilevato", 0);
            InsertRow(list, 1, "Porta occupata", 1);
            InsertRow(list, 2, "Memoria insufficiente", 2);
        }
        return ParentProcedure(hDlg, message, wParam, lParam);
    };
    machine_.Answer("list 2000: click 1")
        .Answer("list 2000: double-click 2")
        .Answer("list 2000: key Up")
        .Answer("list 2000: click 7")
        .Answer("IDOK");
    EXPECT_EQ(platform::DialogBoxFromTemplate(nullptr, ListDialog(), 303, nullptr, fill, reinterpret_cast<LPARAM>(&heard_)),
              IDOK);
    EXPECT_EQ(heard_.notifications, (std::vector<std::string>{"NM_CLICK 1 (selected 1)", "NM_CLICK 2 (selected 2)",
                                                              "NM_DBLCLK 2 (selected 2)", "LVN_ITEMACTIVATE 2 (selected 2)",
                                                              "LVN_KEYDOWN 38 (selected 2)"}));
    EXPECT_EQ(machine_.Transcript(),
              "Dialog 303 \"Risultati test\" shown\n"
              "  2000 listview: 3 rows\n"
              "    0 \"Nessun problema rilevato\" (icon 0)\n"
              "    1 \"Porta occupata\" (icon 1)\n"
              "    2 \"Memoria insufficiente\" (icon 2)\n"
              "  1 button: \"OK\" (default)\n"
              "Dialog 303 \"Risultati test\" answer: list 2000 click 1 \"Porta occupata\"\n"
              "Dialog 303 \"Risultati test\" changed\n"
              "  2000 listview: 3 rows\n"
              "    0 \"Nessun problema rilevato\" (icon 0)\n"
              "    1 \"Porta occupata\" (icon 1, selected, focused)\n"
              "    2 \"Memoria insufficiente\" (icon 2)\n"
              "Dialog 303 \"Risultati test\" answer: list 2000 double-click 2 \"Memoria insufficiente\"\n"
              "Dialog 303 \"Risultati test\" changed\n"
              "  2000 listview: 3 rows\n"
              "    0 \"Nessun problema rilevato\" (icon 0)\n"
              "    1 \"Porta occupata\" (icon 1)\n"
              "    2 \"Memoria insufficiente\" (icon 2, selected, focused)\n"
              "Dialog 303 \"Risultati test\" answer: list 2000 key Up\n"
              "Dialog 303 \"Risultati test\" changed\n"
              "  2000 listview: 3 rows\n"
              "    0 \"Nessun problema rilevato\" (icon 0)\n"
              "    1 \"Porta occupata\" (icon 1, selected, focused)\n"
              "    2 \"Memoria insufficiente\" (icon 2)\n"
              "Dialog 303 \"Risultati test\" answer: IDOK \"OK\" (default; scripted \"list 2000: click 7\": list 2000 "
              "has 3 rows)\n"
              "Dialog 303 \"Risultati test\" closed\n");
    dialog_ = nullptr;
}

TEST(ImageListTest, CountsFollowTheImagesAddedReplacedAndRemoved) {
    HICON icons[] = {reinterpret_cast<HICON>(0x1004), reinterpret_cast<HICON>(0x1002),
                     reinterpret_cast<HICON>(0x1003)};
    HIMAGELIST list = ImageList_Create(16, 16, ILC_MASK, 3, 3);
    ASSERT_NE(list, nullptr);
    HBITMAP strip = CreateBitmap(48, 16, 1, 32, nullptr);
    struct Row {
        const char* name;
        std::function<int()> call;
        int result;  // the call's answer
        int count;   // images after it
    } rows[] = {
        {"first icon", [&] { return ImageList_AddIcon(list, icons[0]); }, 0, 1},
        {"second icon", [&] { return ImageList_AddIcon(list, icons[1]); }, 1, 2},
        {"third icon", [&] { return ImageList_AddIcon(list, icons[2]); }, 2, 3},
        {"icon replaced", [&] { return ImageList_ReplaceIcon(list, 1, icons[2]); }, 1, 3},
        {"replaced past the end", [&] { return ImageList_ReplaceIcon(list, 3, icons[2]); }, -1, 3},
        {"no icon", [&] { return ImageList_AddIcon(list, nullptr); }, -1, 3},
        {"first removed", [&] { return ImageList_Remove(list, 0); }, TRUE, 2},
        {"a strip of three images", [&] { return ImageList_Add(list, strip, nullptr); }, 2, 5},
        {"no bitmap", [&] { return ImageList_Add(list, reinterpret_cast<HBITMAP>(0x2000), nullptr); }, -1, 5},
        {"all removed", [&] { return ImageList_RemoveAll(list); }, TRUE, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.call(), row.result);
        EXPECT_EQ(ImageList_GetImageCount(list), row.count);
    }
    DeleteObject(strip);
    EXPECT_EQ(ImageList_GetImageCount(list), 0);
    int cx = 0;
    int cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
    EXPECT_EQ(cx, 16);
    EXPECT_TRUE(ImageList_Destroy(list));
    EXPECT_FALSE(ImageList_Destroy(list));
    EXPECT_EQ(ImageList_GetImageCount(list), 0);
    EXPECT_EQ(ImageList_Create(0, 16, ILC_MASK, 1, 1), nullptr);
}

}  // namespace

namespace {

// The colour at a point of a control's client area, once the dialog is painted.
COLORREF PixelOf(HWND control, int x, int y) {
    HDC dc = GetDC(control);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(control, dc);
    return color;
}

TEST_F(ListViewTest, RowsAreDrawnWithTheSelectionHighlighted) {
    InsertRow(list_, 0, "Nessun problema rilevato");
    InsertRow(list_, 1, "Porta occupata");
    SetState(list_, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ShowWindow(dialog_, SW_SHOW);
    UpdateWindow(dialog_);
    struct Row {
        const char* name;
        DWORD extendedStyle;
        int x;
        int y;
        int color;  // a system colour index
    } rows[] = {
        {"the header", 0, 3, 8, COLOR_BTNFACE},
        {"a row not selected", 0, 150, 17 + 8, COLOR_WINDOW},
        {"the selected row's label", 0, 3, 17 + 17 + 2, COLOR_HIGHLIGHT},
        {"past the label", 0, 180, 17 + 17 + 8, COLOR_WINDOW},
        {"past the label, full-row selection", LVS_EX_FULLROWSELECT, 180, 17 + 17 + 8, COLOR_HIGHLIGHT},
        {"below the rows", 0, 150, 17 + 3 * 17 + 8, COLOR_WINDOW},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(row.extendedStyle));
        UpdateWindow(dialog_);
        EXPECT_EQ(PixelOf(list_, row.x, row.y), GetSysColor(row.color));
    }
}

// The focused row's dotted rectangle, from the label's top left corner, only while the list has the focus.
TEST_F(ListViewTest, TheFocusedRowIsFramedWhileTheListHasTheFocus) {
    InsertRow(list_, 0, "Nessun problema rilevato");
    InsertRow(list_, 1, "Porta occupata");
    SetState(list_, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ShowWindow(dialog_, SW_SHOW);
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    struct Row {
        const char* name;
        bool focused;
        int x, y;
        COLORREF expected;
    } rows[] = {
        {"corner with the focus", true, 2, 17 + 17, highlight ^ 0xFFFFFF},
        {"between the dots", true, 3, 17 + 17, highlight},
        {"the other row", true, 2, 17, GetSysColor(COLOR_WINDOW)},
        {"corner without the focus", false, 2, 17 + 17, highlight},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetFocus(row.focused ? list_ : nullptr);
        UpdateWindow(dialog_);
        EXPECT_EQ(PixelOf(list_, row.x, row.y), row.expected);
    }
}

}  // namespace
