// Combo boxes and list boxes (their item messages, the user's pick told as CBN_SELCHANGE), the system
// menu (its standard items, items appended, WM_SYSCOMMAND when the user picks one, SC_CLOSE closing the
// window) and the forms of the answers that act on controls.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/machine/ui/user_interface.h"
#include "platform/testing/test_machine.h"
#include "platform/user32/dialog.h"
#include "windows.h"

namespace {

using platform::DialogControlTemplate;
using platform::DialogTemplate;

DialogControlTemplate Control(const char* className, const char* text, WORD id, DWORD style, short y) {
    DialogControlTemplate control;
    control.className = className;
    control.text = text;
    control.id = id;
    control.style = style | WS_VISIBLE;
    control.x = 4;
    control.y = y;
    control.cx = 120;
    control.cy = 40;
    return control;
}

DialogTemplate PrinterDialog() {
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    dialog.caption = "Stampanti";
    dialog.cx = 200;
    dialog.cy = 120;
    dialog.controls = {Control("COMBOBOX", "", 924, CBS_DROPDOWNLIST, 4), Control("LISTBOX", "", 930, LBS_NOTIFY, 24),
                       Control("BUTTON", "OK", IDOK, BS_DEFPUSHBUTTON, 70)};
    return dialog;
}

// What the dialog heard: commands from its controls with the selection as they came, system commands.
std::vector<std::string> heard;

std::string CodeName(WORD id, WORD code) {
    if (id == 924) {
        const char* names[] = {"", "CBN_SELCHANGE", "", "", "", "", "", "CBN_DROPDOWN", "CBN_CLOSEUP", "CBN_SELENDOK"};
        return code < std::size(names) ? names[code] : "";
    }
    if (id == 930) return code == LBN_SELCHANGE ? "LBN_SELCHANGE" : code == LBN_DBLCLK ? "LBN_DBLCLK" : "";
    return "";
}

INT_PTR CALLBACK PrinterProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
        case WM_INITDIALOG:
            for (const char* name : {"Stampante A", "Stampante B", "Stampante C"}) {
                SendDlgItemMessageA(hDlg, 924, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
                SendDlgItemMessageA(hDlg, 930, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
            }
            SendDlgItemMessageA(hDlg, 924, CB_SETCURSEL, 0, 0);
            AppendMenuA(GetSystemMenu(hDlg, FALSE), MF_SEPARATOR, 0, nullptr);
            AppendMenuA(GetSystemMenu(hDlg, FALSE), MF_STRING, 4000, "Informazioni su...");
            return TRUE;
        case WM_COMMAND: {
            WORD id = LOWORD(wParam);
            if (id == IDOK || id == IDCANCEL) {
                heard.push_back(id == IDOK ? "IDOK" : "IDCANCEL");
                EndDialog(hDlg, id);
                return TRUE;
            }
            std::string name = CodeName(id, HIWORD(wParam));
            UINT selection = id == 924 ? CB_GETCURSEL : LB_GETCURSEL;
            if (!name.empty())
                heard.push_back(name + " " + std::to_string(SendDlgItemMessageA(hDlg, id, selection, 0, 0)));
            return TRUE;
        }
        case WM_SYSCOMMAND:
            heard.push_back("WM_SYSCOMMAND " + std::to_string(wParam));
            return FALSE;
        default:
            return FALSE;
    }
}

class ControlsTest : public ::testing::Test {
  protected:
    void SetUp() override { heard.clear(); }
    platform::TestMachine machine_;
};

TEST_F(ControlsTest, ComboBoxItemMessages) {
    HWND dialog = platform::CreateDialogFromTemplate(nullptr, PrinterDialog(), 0, nullptr, PrinterProcedure, 0);
    HWND combo = GetDlgItem(dialog, 924);
    auto send = [&](UINT message, WPARAM wParam, const char* text) {
        return static_cast<int>(SendMessageA(combo, message, wParam, reinterpret_cast<LPARAM>(text)));
    };
    char buffer[32] = {};
    struct Row {
        const char* name;
        std::function<int()> call;
        int result;
        int selection;     // CB_GETCURSEL after
        const char* text;  // the combo box's text after
    } rows[] = {
        {"the first is selected", [&] { return send(CB_GETCURSEL, 0, nullptr); }, 0, 0, "Stampante A"},
        {"exact search, any case", [&] { return send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), "stampante b"); }, 1, 0, "Stampante A"},
        {"exact search wraps after its start", [&] { return send(CB_FINDSTRINGEXACT, 1, "Stampante A"); }, 0, 0, "Stampante A"},
        {"exact search finds no part", [&] { return send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), "Stampante"); }, CB_ERR, 0, "Stampante A"},
        {"search by the start", [&] { return send(CB_FINDSTRING, 0, "stampante"); }, 1, 0, "Stampante A"},
        {"selection by index", [&] { return send(CB_SETCURSEL, 2, nullptr); }, 2, 2, "Stampante C"},
        {"an item inserted before moves it", [&] { return send(CB_INSERTSTRING, 0, "Fax"); }, 0, 3, "Stampante C"},
        {"the text of an item", [&] { return send(CB_GETLBTEXT, 0, buffer); }, 3, 3, "Stampante C"},
        {"the length of an item", [&] { return send(CB_GETLBTEXTLEN, 3, nullptr); }, 11, 3, "Stampante C"},
        {"no such item", [&] { return send(CB_GETLBTEXTLEN, 4, nullptr); }, CB_ERR, 3, "Stampante C"},
        {"item data", [&] { return static_cast<int>(SendMessageA(combo, CB_SETITEMDATA, 1, 77)); }, TRUE, 3, "Stampante C"},
        {"the data back", [&] { return send(CB_GETITEMDATA, 1, nullptr); }, 77, 3, "Stampante C"},
        {"deleting the selected one", [&] { return send(CB_DELETESTRING, 3, nullptr); }, 3, CB_ERR, ""},
        {"selecting past the end", [&] { return send(CB_SETCURSEL, 9, nullptr); }, CB_ERR, CB_ERR, ""},
        {"selecting by the start of a text", [&] { return send(CB_SELECTSTRING, static_cast<WPARAM>(-1), "stampante b"); }, 2, 2, "Stampante B"},
        {"a drop-down list takes no text", [&] { return send(WM_SETTEXT, 0, "Altro"); }, CB_ERR, 2, "Stampante B"},
        {"emptied", [&] { return send(CB_RESETCONTENT, 0, nullptr); }, CB_OKAY, CB_ERR, ""},
        {"count", [&] { return send(CB_GETCOUNT, 0, nullptr); }, 0, CB_ERR, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.call(), row.result);
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), row.selection);
        char text[32] = {};
        GetWindowTextA(combo, text, sizeof text);
        EXPECT_STREQ(text, row.text);
    }
    EXPECT_STREQ(buffer, "Fax");
    DestroyWindow(dialog);
}

TEST_F(ControlsTest, UsersPickIsToldToTheParent) {
    machine_.Answer("combo 924: stampante b")
        .Answer("list 930: click 2")
        .Answer("list 930: key Home")
        .Answer("combo 924: Fax")
        .Answer("IDOK");
    EXPECT_EQ(platform::DialogBoxFromTemplate(nullptr, PrinterDialog(), 0, nullptr, PrinterProcedure, 0), IDOK);
    EXPECT_EQ(heard, (std::vector<std::string>{"CBN_DROPDOWN 0", "CBN_SELCHANGE 1", "CBN_SELENDOK 1", "CBN_CLOSEUP 1",
                                               "LBN_SELCHANGE 2", "LBN_SELCHANGE 0", "IDOK"}));
    EXPECT_EQ(machine_.Transcript(),
              "Dialog \"Stampanti\" shown\n"
              "  924 combobox: \"Stampante A\" (list: \"Stampante A\", \"Stampante B\", \"Stampante C\")\n"
              "  930 listbox: \"\" (list: \"Stampante A\", \"Stampante B\", \"Stampante C\")\n"
              "  1 button: \"OK\" (default)\n"
              "Dialog \"Stampanti\" answer: combo 924 \"Stampante B\"\n"
              "Dialog \"Stampanti\" changed\n"
              "  924 combobox: \"Stampante B\" (list: \"Stampante A\", \"Stampante B\", \"Stampante C\")\n"
              "Dialog \"Stampanti\" answer: list 930 click 2 \"Stampante C\"\n"
              "Dialog \"Stampanti\" changed\n"
              "  930 listbox: \"Stampante C\" (list: \"Stampante A\", \"Stampante B\", \"Stampante C\")\n"
              "Dialog \"Stampanti\" answer: list 930 key Home\n"
              "Dialog \"Stampanti\" changed\n"
              "  930 listbox: \"Stampante A\" (list: \"Stampante A\", \"Stampante B\", \"Stampante C\")\n"
              "Dialog \"Stampanti\" answer: IDOK \"OK\" (default; scripted \"combo 924: Fax\": combo 924 has no item "
              "\"Fax\")\n"
              "Dialog \"Stampanti\" closed\n");
}

COLORREF PixelOf(HWND control, int x, int y) {
    HDC dc = GetDC(control);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(control, dc);
    return color;
}

// The closed combo box is a line of its font high, its field white and its button's arrow black; the list
// box's selected item is highlighted.
TEST_F(ControlsTest, ComboBoxAndListBoxAreDrawn) {
    HWND dialog = platform::CreateDialogFromTemplate(nullptr, PrinterDialog(), 0, nullptr, PrinterProcedure, 0);
    HWND combo = GetDlgItem(dialog, 924);
    HWND list = GetDlgItem(dialog, 930);
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    RECT client{};
    GetClientRect(combo, &client);
    EXPECT_LT(client.bottom, 40);
    int arrowX = (client.right - 2 - GetSystemMetrics(SM_CXVSCROLL) + client.right - 2) / 2;
    int arrowY = client.bottom / 2 - 2;
    EXPECT_EQ(PixelOf(combo, arrowX, arrowY), GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(PixelOf(combo, arrowX, arrowY - 3), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(PixelOf(combo, 3, client.bottom / 2), GetSysColor(COLOR_WINDOW));
    HDC dc = GetDC(list);
    TEXTMETRICA metrics{};
    SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    GetTextMetricsA(dc, &metrics);
    ReleaseDC(list, dc);
    EXPECT_EQ(PixelOf(list, 1, static_cast<int>(metrics.tmHeight) + 1), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(PixelOf(list, 1, 1), GetSysColor(COLOR_WINDOW));
    DestroyWindow(dialog);
}

TEST_F(ControlsTest, ListBoxItemMessages) {
    HWND dialog = platform::CreateDialogFromTemplate(nullptr, PrinterDialog(), 0, nullptr, PrinterProcedure, 0);
    HWND list = GetDlgItem(dialog, 930);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(list, LB_SETCURSEL, 1, 0), 1);
    char text[32] = {};
    EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text)), 11);
    EXPECT_STREQ(text, "Stampante B");
    EXPECT_EQ(SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0), LB_ERR);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_TRUE(heard.empty());  // selections by message tell no one
    DestroyWindow(dialog);
}

TEST_F(ControlsTest, SystemMenuHasTheStandardItemsForTheWindowsStyles) {
    struct Row {
        const char* name;
        DWORD style;
        bool dialog;
        std::vector<std::string> items;  // text, with " (grayed)"
    } rows[] = {
        {"a dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, true, {"&Move", "&Close\tAlt+F4"}},
        {"a dialog that minimises",
         WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
         true,
         {"&Restore (grayed)", "&Move", "&Size (grayed)", "Mi&nimize", "Ma&ximize (grayed)", "", "&Close\tAlt+F4"}},
        {"an overlapped window",
         WS_OVERLAPPEDWINDOW,
         false,
         {"&Restore (grayed)", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "", "&Close\tAlt+F4"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DialogTemplate dialog = PrinterDialog();
        dialog.style = row.style;
        dialog.controls.clear();
        HWND window = row.dialog ? platform::CreateDialogFromTemplate(nullptr, dialog, 0, nullptr, PrinterProcedure, 0)
                                 : CreateWindowExA(0, "STATIC", "", row.style, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        HMENU menu = GetSystemMenu(window, FALSE);
        EXPECT_EQ(GetSystemMenu(window, FALSE), menu);
        int count = GetMenuItemCount(menu);
        std::vector<std::string> items;
        for (int position = 0; position < count; ++position) {
            char text[32] = {};
            GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
            std::string item = text;
            if (GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_GRAYED) item += " (grayed)";
            items.push_back(item);
        }
        // A dialog's own items follow the standard ones.
        if (row.dialog) {
            items.erase(items.end() - 2, items.end());
        }
        EXPECT_EQ(items, row.items);
        DestroyWindow(window);
    }
}

TEST_F(ControlsTest, MenusOfTheirOwn) {
    HMENU menu = CreatePopupMenu();
    EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 10, "&Apri"));
    EXPECT_TRUE(AppendMenuA(menu, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuA(menu, MF_STRING | MF_GRAYED, 11, "Stampa"));
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(GetMenuItemID(menu, 1), 0u);
    EXPECT_EQ(GetMenuItemID(menu, 2), 11u);
    char text[4] = {};
    EXPECT_EQ(GetMenuStringA(menu, 10, text, sizeof text, MF_BYCOMMAND), 3);
    EXPECT_STREQ(text, "&Ap");
    EXPECT_EQ(GetMenuStringA(menu, 10, nullptr, 0, MF_BYCOMMAND), 5);
    EXPECT_EQ(GetMenuStringA(menu, 12, text, sizeof text, MF_BYCOMMAND), 0);
    EXPECT_EQ(EnableMenuItem(menu, 11, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(EnableMenuItem(menu, 11, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(EnableMenuItem(menu, 12, MF_BYCOMMAND | MF_GRAYED), -1);
    HMENU bar = CreateMenu();
    EXPECT_TRUE(AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), "&File"));
    EXPECT_EQ(GetMenuItemID(bar, 0), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuState(bar, 11, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
    EXPECT_TRUE(DestroyMenu(bar));
    EXPECT_FALSE(IsMenu(menu));  // with its pop-up
    EXPECT_FALSE(DestroyMenu(bar));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
    EXPECT_EQ(GetMenuItemCount(bar), -1);
}

TEST_F(ControlsTest, PickingASystemMenuItemSendsItsCommand) {
    struct Row {
        const char* answer;
        std::vector<std::string> heard;
        const char* record;
    } rows[] = {
        {"system menu: Informazioni su...", {"WM_SYSCOMMAND 4000", "IDOK"},
         "answer: system menu \"Informazioni su...\"\n"},
        {"system menu: close", {"WM_SYSCOMMAND 61536", "IDCANCEL"}, "answer: system menu \"Close\"\n"},
        {"system menu: 4000", {"WM_SYSCOMMAND 4000", "IDOK"}, "answer: system menu \"Informazioni su...\"\n"},
        {"system menu: Size", {"IDOK"}, "(default; scripted \"system menu: Size\": no enabled system-menu item \"Size\")\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        heard.clear();
        machine_.ClearTranscript().Answer(row.answer).Answer("IDOK");
        platform::DialogBoxFromTemplate(nullptr, PrinterDialog(), 0, nullptr, PrinterProcedure, 0);
        EXPECT_EQ(heard, row.heard);
        EXPECT_NE(machine_.Transcript().find(row.record), std::string::npos) << machine_.Transcript();
        // What the dialog did not need stays for the next.
        while (platform::TakeAnswer(machine_.machine())) {
        }
    }
}

TEST(ControlAnswerTest, FormsAreCheckedWhenScripted) {
    struct Row {
        const char* answer;
        bool accepted;
    } rows[] = {
        {"combo 924: Stampante B", true},
        {"Dialog 102: combo 924: Stampante B after 2", true},
        {"list 2000: click 0", true},
        {"list 2000: double-click 12", true},
        {"list 2000: key PageDown", true},
        {"list 2000: key pagedown", true},
        {"tab: Livello di inchiostro stimato", true},
        {"tab: 2", true},
        {"system menu: Informazioni su...", true},
        {"combo 924:", false},
        {"combo 0: Stampante", false},
        {"combo 70000: Stampante", false},
        {"list 2000: click", false},
        {"list 2000: click -1", false},
        {"list 2000: press Down", false},
        {"list 2000: key F5", false},
        {"tab:", false},
        {"system menu:  ", false},
        {"Dialog 102: list 2000: key Left", false},
        {"combo box", true},  // no id after the word: a button's text
    };
    for (const Row& row : rows) {
        EXPECT_EQ(!platform::AnswerProblem(row.answer).has_value(), row.accepted) << row.answer;
    }
    std::optional<platform::ControlAnswer> parsed = platform::ParseControlAnswer("list 2000: key Down");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->act, platform::ControlAnswer::Act::Key);
    EXPECT_EQ(parsed->controlId, 2000u);
    EXPECT_EQ(parsed->virtualKey, static_cast<unsigned>(VK_DOWN));
}

}  // namespace
