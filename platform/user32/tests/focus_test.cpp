// The keyboard focus: what SetFocus answers and tells the windows, the focus of another thread, where it
// goes when its window is destroyed, hidden or disabled, and the dialog manager's first tab stop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "platform/user32/dialog.h"
#include "windows.h"

namespace {

std::vector<std::string>* focusLog = nullptr;

std::string NameOf(HWND window) {
    if (!window) return "none";
    char name[64] = "";
    GetWindowTextA(window, name, sizeof name);
    return name;
}

LRESULT CALLBACK FocusProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (focusLog && (message == WM_SETFOCUS || message == WM_KILLFOCUS)) {
        // What GetFocus says while the message is handled: still the window losing it, already the one gaining it.
        focusLog->push_back(NameOf(hWnd) + (message == WM_SETFOCUS ? " set from " : " kill to ") +
                            NameOf(reinterpret_cast<HWND>(wParam)) + " (focus " + NameOf(GetFocus()) + ")");
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class FocusTest : public ::testing::Test {
  protected:
    void SetUp() override {
        focusLog = &log_;
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = FocusProcedure;
            windowClass.lpszClassName = "FocusWindow";
            ASSERT_NE(RegisterClassA(&windowClass), 0);
            registered = true;
        }
        top_ = Create("top", nullptr);
        first_ = Create("first", top_);
        second_ = Create("second", top_);
        inner_ = Create("inner", second_);
    }
    void TearDown() override {
        if (IsWindow(top_)) DestroyWindow(top_);
        focusLog = nullptr;
    }
    HWND Create(const char* name, HWND parent) {
        return CreateWindowExA(0, "FocusWindow", name, (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE, 0, 0, 10, 10,
                               parent, nullptr, nullptr, nullptr);
    }
    HWND Named(const std::string& name) {
        if (name == "top") return top_;
        if (name == "first") return first_;
        if (name == "second") return second_;
        if (name == "inner") return inner_;
        return nullptr;
    }
    platform::TestMachine machine_;
    std::vector<std::string> log_;
    HWND top_ = nullptr, first_ = nullptr, second_ = nullptr, inner_ = nullptr;
};

TEST_F(FocusTest, SetFocusAnswersThePreviousWindowAndTellsBoth) {
    struct Row {
        const char* target;
        const char* answer;
        std::vector<std::string> messages;
    } rows[] = {
        {"first", "none", {"first set from none (focus first)"}},
        {"first", "first", {}},
        {"inner", "first", {"first kill to inner (focus first)", "inner set from first (focus inner)"}},
        {"top", "inner", {"inner kill to top (focus inner)", "top set from inner (focus top)"}},
        {"none", "top", {"top kill to none (focus top)"}},
        {"none", "none", {}},
    };
    for (const Row& row : rows) {
        log_.clear();
        EXPECT_EQ(NameOf(SetFocus(Named(row.target))), row.answer) << row.target;
        EXPECT_EQ(log_, row.messages) << row.target;
        EXPECT_EQ(NameOf(GetFocus()), std::string(row.target)) << row.target;
    }
}

TEST_F(FocusTest, WindowsThatCannotTakeTheFocus) {
    SetFocus(first_);
    EnableWindow(second_, FALSE);
    SetLastError(0);
    struct Row {
        HWND target;
        DWORD error;
    } rows[] = {
        {second_, 0},                                     // disabled
        {inner_, 0},                                      // within a disabled window
        {reinterpret_cast<HWND>(0x7777), ERROR_INVALID_WINDOW_HANDLE},
    };
    for (const Row& row : rows) {
        SetLastError(0);
        log_.clear();
        EXPECT_EQ(SetFocus(row.target), nullptr);
        EXPECT_EQ(GetLastError(), row.error);
        EXPECT_TRUE(log_.empty());
        EXPECT_EQ(GetFocus(), first_);
    }
}

TEST_F(FocusTest, FocusLeavesAWindowThatGoesAway) {
    struct Row {
        const char* name;
        const char* focused;
        void (*act)(HWND top, HWND second);
        const char* after;
        std::vector<std::string> messages;
    } rows[] = {
        {"hiding a child", "inner", [](HWND, HWND second) { ShowWindow(second, SW_HIDE); }, "top",
         {"inner kill to top (focus inner)", "top set from inner (focus top)"}},
        {"destroying a child", "inner", [](HWND, HWND second) { DestroyWindow(second); }, "top",
         {"inner kill to top (focus inner)", "top set from inner (focus top)"}},
        {"disabling a parent", "inner", [](HWND, HWND second) { EnableWindow(second, FALSE); }, "none",
         {"inner kill to none (focus inner)"}},
        {"hiding the top window", "first", [](HWND top, HWND) { ShowWindow(top, SW_HIDE); }, "none",
         {"first kill to none (focus first)"}},
        {"destroying the top window", "first", [](HWND top, HWND) { DestroyWindow(top); }, "none",
         {"first kill to none (focus first)"}},
        {"hiding another child", "first", [](HWND, HWND second) { ShowWindow(second, SW_HIDE); }, "first", {}},
    };
    for (const Row& row : rows) {
        TearDown();
        SetUp();
        SetFocus(Named(row.focused));
        log_.clear();
        row.act(top_, second_);
        EXPECT_EQ(NameOf(GetFocus()), std::string(row.after)) << row.name;
        EXPECT_EQ(log_, row.messages) << row.name;
    }
}

struct OtherThread {
    HWND window = nullptr;
    HWND focusThere = reinterpret_cast<HWND>(1);
    HWND setThere = reinterpret_cast<HWND>(1);
};

DWORD WINAPI LookFromAnotherThread(LPVOID parameter) {
    auto* other = static_cast<OtherThread*>(parameter);
    other->focusThere = GetFocus();
    other->setThere = SetFocus(other->window);
    return 0;
}

TEST_F(FocusTest, TheFocusBelongsToItsThread) {
    SetFocus(first_);
    OtherThread other{second_};
    HANDLE thread = CreateThread(nullptr, 0, LookFromAnotherThread, &other, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(other.focusThere, nullptr);
    EXPECT_EQ(other.setThere, nullptr);
    EXPECT_EQ(GetFocus(), first_);
}

platform::DialogControlTemplate Control(const char* className, const char* text, WORD id, DWORD style) {
    return platform::ChildControl(className, text, id, style | WS_VISIBLE, 0, 0, 50, 14);
}

// The dialog procedure's answer to WM_INITDIALOG; with FALSE it gives the focus to control 6 itself.
INT_PTR CALLBACK InitialFocusProcedure(HWND hDlg, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    if (lParam) return TRUE;
    SetFocus(GetDlgItem(hDlg, 6));
    return FALSE;
}

TEST_F(FocusTest, DialogGivesTheFocusToItsFirstTabStop) {
    platform::DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION;
    dialog.caption = "Focus";
    dialog.cx = 200;
    dialog.cy = 100;
    dialog.controls = {Control("STATIC", "label", 1, 0), Control("BUTTON", "disabled", 2, WS_TABSTOP | WS_DISABLED),
                       Control("EDIT", "name", 3, WS_TABSTOP), Control("BUTTON", "OK", 4, WS_TABSTOP),
                       Control("BUTTON", "plain", 5, 0), Control("BUTTON", "Cancel", 6, WS_TABSTOP)};
    struct Row {
        LPARAM letManagerChoose;
        int focused;
    } rows[] = {{TRUE, 3}, {FALSE, 6}};
    for (const Row& row : rows) {
        HWND handle = platform::CreateDialogFromTemplate(nullptr, dialog, 0, nullptr, InitialFocusProcedure,
                                                         row.letManagerChoose);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), row.focused);
        DestroyWindow(handle);
    }

    HWND handle = platform::CreateDialogFromTemplate(nullptr, dialog, 0, nullptr, InitialFocusProcedure, TRUE);
    struct Step {
        int from;
        BOOL previous;
        int next;
    } steps[] = {{0, FALSE, 3}, {3, FALSE, 4}, {4, FALSE, 6}, {6, FALSE, 3}, {3, TRUE, 6}, {0, TRUE, 6}, {4, TRUE, 3}};
    for (const Step& step : steps) {
        HWND from = step.from ? GetDlgItem(handle, step.from) : nullptr;
        EXPECT_EQ(GetDlgCtrlID(GetNextDlgTabItem(handle, from, step.previous)), step.next)
            << step.from << " " << step.previous;
    }
    // The dialog manager moves the focus to a control, or on to the next tab stop.
    SendMessageA(handle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(handle, 6)), TRUE);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 6);
    SendMessageA(handle, WM_NEXTDLGCTL, 0, FALSE);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 3);
    DestroyWindow(handle);
    EXPECT_EQ(GetFocus(), nullptr);
}

}  // namespace
