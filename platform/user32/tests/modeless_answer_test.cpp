// Answers addressed to a modeless dialog: pressed when the thread's message loop finds its queue empty
// while the dialog is shown, after a count of such looks when one is given; never taken by a hidden
// dialog, a dialog of another id, a modal dialog or a message box.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/machine/ui/user_interface.h"
#include "platform/testing/test_machine.h"
#include "platform/user32/dialog.h"
#include "windows.h"

namespace {

using platform::DialogControlTemplate;
using platform::DialogTemplate;

DialogControlTemplate Button(const char* text, WORD id) {
    DialogControlTemplate control;
    control.className = "BUTTON";
    control.text = text;
    control.id = id;
    control.style = BS_PUSHBUTTON | WS_CHILD | WS_VISIBLE;
    return control;
}

DialogTemplate WorkTemplate() {
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    dialog.caption = "Lavoro";
    dialog.controls = {Button("&Avanti", IDOK), Button("Annulla", IDCANCEL)};
    return dialog;
}

// The commands the dialog saw; Cancel ends it, which hides a modeless dialog.
INT_PTR CALLBACK WorkProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* commands = reinterpret_cast<std::vector<int>*>(GetWindowLongPtrA(hDlg, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
            return TRUE;
        case WM_COMMAND:
            if (commands) commands->push_back(LOWORD(wParam));
            if (LOWORD(wParam) == IDCANCEL) EndDialog(hDlg, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

class ModelessAnswerTest : public ::testing::Test {
  protected:
    HWND CreateWork(UINT resourceId = 1001) {
        return platform::CreateDialogFromTemplate(nullptr, WorkTemplate(), resourceId, nullptr, WorkProcedure,
                                                  reinterpret_cast<LPARAM>(&commands_));
    }
    // Looks at the queue `looks` times, as a walk's pump does between items, dispatching what it finds;
    // gives the looks (from 1) at which a command reached the dialog.
    std::vector<int> Pump(int looks) {
        std::vector<int> commandLooks;
        for (int look = 1; look <= looks; ++look) {
            size_t before = commands_.size();
            MSG message;
            if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            if (commands_.size() != before) commandLooks.push_back(look);
        }
        return commandLooks;
    }
    // The answers not taken yet, which are then dropped.
    std::vector<std::string> TakeAnswersLeft() {
        std::filesystem::path file = machine_.machine().folder() / "ui" / "answers";
        std::vector<std::string> left;
        std::ifstream input(file);
        for (std::string line; std::getline(input, line);) left.push_back(line);
        input.close();
        std::ofstream(file, std::ios::trunc);
        return left;
    }

    platform::TestMachine machine_;
    std::vector<int> commands_;
};

TEST_F(ModelessAnswerTest, ShownDialogTakesTheAnswerAddressedToIt) {
    struct Row {
        const char* answer;
        std::vector<int> commandLooks;
        std::vector<int> commands;
        const char* transcript;  // after the shown entry
    } rows[] = {
        {"Dialog 1001: IDCANCEL",
         {1},
         {IDCANCEL},
         "Dialog 1001 \"Lavoro\" answer: IDCANCEL \"Annulla\"\nDialog 1001 \"Lavoro\" hidden\n"},
        {"Dialog 1001: annulla after 2",
         {3},
         {IDCANCEL},
         "Dialog 1001 \"Lavoro\" answer: IDCANCEL \"Annulla\"\nDialog 1001 \"Lavoro\" hidden\n"},
        {"Dialog 1001: Avanti after 1", {2}, {IDOK}, "Dialog 1001 \"Lavoro\" answer: IDOK \"&Avanti\"\n"},
        {"Dialog 1001: 1", {1}, {IDOK}, "Dialog 1001 \"Lavoro\" answer: IDOK \"&Avanti\"\n"},
        {"Dialog 1001: IDYES",
         {},
         {},
         "Dialog 1001 \"Lavoro\" answer: none (scripted \"IDYES\" is not a button of this dialog)\n"},
        {"Dialog 1002: IDCANCEL", {}, {}, ""},
        {"IDCANCEL", {}, {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        commands_.clear();
        machine_.ClearTranscript().Answer(row.answer);
        HWND dialog = CreateWork();
        ShowWindow(dialog, SW_SHOWNORMAL);
        EXPECT_EQ(Pump(5), row.commandLooks);
        EXPECT_EQ(commands_, row.commands);
        EXPECT_EQ(machine_.Transcript(),
                  "Dialog 1001 \"Lavoro\" shown\n"
                  "  1 button: \"&Avanti\"\n"
                  "  2 button: \"Annulla\"\n" +
                      std::string(row.transcript));
        // An answer the dialog did not take is still there for its own dialog or a modal one.
        bool taken = std::string(row.transcript).find("answer:") != std::string::npos;
        EXPECT_EQ(TakeAnswersLeft(),
                  taken ? std::vector<std::string>{} : std::vector<std::string>{row.answer});
        DestroyWindow(dialog);
    }
}

TEST_F(ModelessAnswerTest, HiddenDialogLeavesTheAnswerUntilShown) {
    machine_.Answer("Dialog 1001: IDCANCEL after 1");
    HWND dialog = CreateWork();
    EXPECT_EQ(Pump(4), std::vector<int>{});  // hidden: the looks do not count
    ShowWindow(dialog, SW_SHOWNORMAL);
    EXPECT_EQ(Pump(4), std::vector<int>{2});
    EXPECT_FALSE(IsWindowVisible(dialog));
    // Shown again, it has nothing left to take.
    ShowWindow(dialog, SW_SHOWNORMAL);
    EXPECT_EQ(Pump(2), std::vector<int>{});
    EXPECT_TRUE(IsWindowVisible(dialog));
    DestroyWindow(dialog);
}

// Looks that found nothing are not looked at again until the answers change: an answer scripted after
// them, for this dialog or after one for another, is still found at the next look.
TEST_F(ModelessAnswerTest, AnswerScriptedAfterEmptyLooksIsFound) {
    HWND dialog = CreateWork();
    ShowWindow(dialog, SW_SHOWNORMAL);
    EXPECT_EQ(Pump(3), std::vector<int>{});
    machine_.Answer("Dialog 1002: IDOK");
    EXPECT_EQ(Pump(3), std::vector<int>{});
    machine_.Answer("Dialog 1001: IDOK");
    EXPECT_EQ(Pump(2), std::vector<int>{1});
    EXPECT_EQ(commands_, std::vector<int>{IDOK});
    EXPECT_EQ(TakeAnswersLeft(), std::vector<std::string>{"Dialog 1002: IDOK"});
    machine_.Answer("Dialog 1001: IDCANCEL");
    EXPECT_EQ(Pump(2), std::vector<int>{1});
    EXPECT_EQ(commands_, (std::vector<int>{IDOK, IDCANCEL}));
    DestroyWindow(dialog);
}

TEST_F(ModelessAnswerTest, WaitingMessageLoopCountsItsLooksDown) {
    // GetMessageA with an empty queue looks again while the answer counts down, rather than waiting for
    // what no one would post.
    machine_.Answer("Dialog 1001: IDCANCEL after 3");
    HWND dialog = CreateWork();
    ShowWindow(dialog, SW_SHOWNORMAL);
    MSG message;
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), TRUE);
    EXPECT_EQ(message.hwnd, dialog);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(message.wParam, MAKEWPARAM(IDCANCEL, BN_CLICKED));
    EXPECT_EQ(reinterpret_cast<HWND>(message.lParam), GetDlgItem(dialog, IDCANCEL));
    DispatchMessageA(&message);
    EXPECT_EQ(commands_, std::vector<int>{IDCANCEL});
    DestroyWindow(dialog);
}

TEST_F(ModelessAnswerTest, ModalDialogsAndMessageBoxesPassOverAddressedAnswers) {
    machine_.Answer("Dialog 1001: IDCANCEL").Answer("IDNO");
    EXPECT_EQ(MessageBoxA(nullptr, "Continuare?", "Domanda", MB_YESNO), IDNO);
    // A modal dialog of the same id takes its default button, not the answer addressed to that id.
    auto modal = [](HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_INITDIALOG) return TRUE;
        if (message == WM_COMMAND) EndDialog(hDlg, LOWORD(wParam));
        (void)lParam;
        return message == WM_COMMAND;
    };
    EXPECT_EQ(platform::DialogBoxFromTemplate(nullptr, WorkTemplate(), 1001, nullptr, modal, 0), IDOK);
    EXPECT_NE(machine_.Transcript().find("Dialog 1001 \"Lavoro\" answer: IDOK \"&Avanti\" (default)\n"),
              std::string::npos)
        << machine_.Transcript();
    EXPECT_EQ(TakeAnswersLeft(), std::vector<std::string>{"Dialog 1001: IDCANCEL"});
}

TEST_F(ModelessAnswerTest, AddressedAnswersAreCheckedWhenScripted) {
    struct Row {
        const char* answer;
        bool accepted;
    } rows[] = {
        {"Dialog 1001: IDCANCEL", true},
        {"Dialog 1001: Annulla after 12", true},
        {"Dialog 7:IDOK", true},
        {"Dialog 1001: IDMAYBE", false},
        {"Dialog 1001:", false},
        {"Dialog 0: IDOK", false},
        {"Dialog 65536: IDOK", false},
        {"Dialog 1001 IDOK", false},
        {"Dialog 1001: IDOK after", false},
        {"Dialog 1001: IDOK after x", false},
        {"Dialog 1: Dialog 2: IDOK", false},
        {"Dialog Avanti", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(!platform::AnswerProblem(row.answer).has_value(), row.accepted) << row.answer;
    }
    std::optional<platform::AddressedAnswer> addressed =
        platform::ParseAddressedAnswer(" Dialog 1001: Annulla after 12 ");
    ASSERT_TRUE(addressed);
    EXPECT_EQ(addressed->dialogId, 1001u);
    EXPECT_EQ(addressed->answer, "Annulla");
    EXPECT_EQ(addressed->after, 12u);
}

}  // namespace
