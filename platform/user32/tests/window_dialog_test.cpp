// Dialogs: modal dialogs answered from the UI answers or by their default button, modeless dialogs shown
// or kept silent, and what the transcript records of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commctrl.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/testing/test_machine.h"
#include "platform/user32/dialog.h"
#include "windows.h"

namespace {

using platform::DialogControlTemplate;
using platform::DialogTemplate;

DialogControlTemplate Control(const char* className, const char* text, WORD id, DWORD style) {
    return platform::ChildControl(className, text, id, style | WS_VISIBLE, 0, 0, 0, 0);
}

// A warning dialog: OK (the default), Cancel and a multi-line edit.
DialogTemplate WarningTemplate() {
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    dialog.caption = "Avvertenza";
    dialog.controls = {Control("BUTTON", "&Avanti >", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP),
                       Control("BUTTON", "Annulla", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP),
                       Control("EDIT", "", 1003, ES_MULTILINE | ES_READONLY)};
    return dialog;
}

// Commands seen by the dialog procedure; IDCANCEL is ignored when ignoreCancel, as a dialog that must
// not be left by Esc does.
struct DialogState {
    bool ignoreCancel = false;
    std::vector<int> commands;
};

INT_PTR CALLBACK WarningProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(hDlg, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
            SetDlgItemTextA(hDlg, 1003, "Prima riga\r\n\r\nTerza riga");
            return TRUE;
        case WM_COMMAND:
            state->commands.push_back(LOWORD(wParam));
            if (LOWORD(wParam) == IDCANCEL && state->ignoreCancel) return TRUE;
            EndDialog(hDlg, LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

class WindowDialogTest : public ::testing::Test {
  protected:
    INT_PTR RunWarning(DialogState& state, DialogTemplate dialog = WarningTemplate()) {
        return platform::DialogBoxFromTemplate(nullptr, dialog, 103, nullptr, WarningProcedure,
                                               reinterpret_cast<LPARAM>(&state));
    }
    platform::TestMachine machine_;
};

constexpr const char* kWarningShown =
    "Dialog 103 \"Avvertenza\" shown\n"
    "  1 button: \"&Avanti >\" (default)\n"
    "  2 button: \"Annulla\"\n"
    "  1003 edit: \"Prima riga\n"
    "\n"
    "              Terza riga\"\n";

TEST_F(WindowDialogTest, ModalDialogTakesTheScriptedAnswer) {
    struct Row {
        std::vector<const char*> answers;
        bool ignoreCancel;
        INT_PTR result;
        std::vector<int> commands;
        const char* answerLines;
    } rows[] = {
        {{}, false, IDOK, {IDOK}, "Dialog 103 \"Avvertenza\" answer: IDOK \"&Avanti >\" (default)\n"},
        {{"IDCANCEL"}, false, IDCANCEL, {IDCANCEL}, "Dialog 103 \"Avvertenza\" answer: IDCANCEL \"Annulla\"\n"},
        {{"annulla"}, false, IDCANCEL, {IDCANCEL}, "Dialog 103 \"Avvertenza\" answer: IDCANCEL \"Annulla\"\n"},
        {{"Avanti >"}, false, IDOK, {IDOK}, "Dialog 103 \"Avvertenza\" answer: IDOK \"&Avanti >\"\n"},
        {{"2"}, false, IDCANCEL, {IDCANCEL}, "Dialog 103 \"Avvertenza\" answer: IDCANCEL \"Annulla\"\n"},
        {{"IDYES"},
         false,
         IDOK,
         {IDOK},
         "Dialog 103 \"Avvertenza\" answer: IDOK \"&Avanti >\" (default; scripted \"IDYES\" is not a button of this "
         "dialog)\n"},
        // Cancel leaves the dialog open: the next answer, then the default button, is taken.
        {{"IDCANCEL"},
         true,
         IDOK,
         {IDCANCEL, IDOK},
         "Dialog 103 \"Avvertenza\" answer: IDCANCEL \"Annulla\"\n"
         "Dialog 103 \"Avvertenza\" answer: IDOK \"&Avanti >\" (default)\n"},
    };
    for (const Row& row : rows) {
        platform::ClearTranscript(machine_.machine());
        for (const char* answer : row.answers) machine_.Answer(answer);
        DialogState state;
        state.ignoreCancel = row.ignoreCancel;
        EXPECT_EQ(RunWarning(state), row.result) << (row.answers.empty() ? "" : row.answers[0]);
        EXPECT_EQ(state.commands, row.commands);
        EXPECT_EQ(machine_.Transcript(),
                  std::string(kWarningShown) + row.answerLines + "Dialog 103 \"Avvertenza\" closed\n");
    }
}

TEST_F(WindowDialogTest, DefaultButtonComesFromTheDialog) {
    // Without a default push button the default is IDOK; DM_SETDEFID moves it.
    DialogTemplate dialog = WarningTemplate();
    dialog.controls[0].style = (dialog.controls[0].style & ~BS_TYPEMASK) | BS_PUSHBUTTON;
    DialogState state;
    EXPECT_EQ(RunWarning(state, dialog), IDOK);
    EXPECT_NE(machine_.Transcript().find("answer: IDOK \"&Avanti >\" (default)"), std::string::npos);

    HWND modeless = platform::CreateDialogFromTemplate(nullptr, WarningTemplate(), 0, nullptr, WarningProcedure,
                                                       reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(SendMessageA(modeless, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    SendMessageA(modeless, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_EQ(SendMessageA(modeless, DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID));
    DestroyWindow(modeless);
}

TEST_F(WindowDialogTest, DialogThatNoAnswerClosesEndsWithMinusOne) {
    DialogTemplate dialog = WarningTemplate();
    dialog.controls.erase(dialog.controls.begin());  // no OK button: the default IDOK reaches nothing
    DialogState state;
    state.ignoreCancel = true;
    auto procedure = [](HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        (void)wParam;
        if (message == WM_INITDIALOG) SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
        return message == WM_INITDIALOG || message == WM_COMMAND;
    };
    EXPECT_EQ(platform::DialogBoxFromTemplate(nullptr, dialog, 0, nullptr, procedure, 0), -1);
    EXPECT_NE(machine_.Transcript().find("Dialog \"Avvertenza\" answer: IDOK (default)\n"
                                         "Dialog \"Avvertenza\" answer: none"),
              std::string::npos)
        << machine_.Transcript();
}

// A progress dialog as a program drives it: hidden controls are not listed, changes of a shown dialog are.
DialogTemplate ProgressTemplate() {
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION;
    dialog.caption = "Dialog";
    dialog.controls = {Control("BUTTON", "&Avanti >", IDOK, BS_DEFPUSHBUTTON),
                       Control(PROGRESS_CLASSA, "", 1001, 0), Control("STATIC", "", 1002, SS_LEFT),
                       Control("STATIC", "", 1003, SS_LEFT)};
    dialog.controls[3].style &= ~WS_VISIBLE;
    return dialog;
}

INT_PTR CALLBACK ProgressProcedure(HWND hDlg, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    SetWindowTextA(hDlg, "Avanzamento rimozione");
    ShowWindow(GetDlgItem(hDlg, IDOK), SW_HIDE);
    SendDlgItemMessageA(hDlg, 1001, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    return TRUE;
}

TEST_F(WindowDialogTest, ModelessDialogShownOrSilent) {
    for (bool shown : {true, false}) {
        platform::ClearTranscript(machine_.machine());
        machine_.Answer("IDCANCEL");  // never taken: a modeless dialog is driven by the program
        HWND dialog = platform::CreateDialogFromTemplate(nullptr, ProgressTemplate(), 102, nullptr, ProgressProcedure, 0);
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(IsWindowVisible(dialog));
        if (shown) ShowWindow(dialog, SW_SHOW);
        SendDlgItemMessageA(dialog, 1001, PBM_SETPOS, 30, 0);
        SetDlgItemTextA(dialog, 1002, "Rimozione di C:\\WINDOWS\\x.dll");
        SetDlgItemTextA(dialog, 1002, "Rimozione di C:\\WINDOWS\\x.dll");  // unchanged: nothing recorded
        ShowWindow(GetDlgItem(dialog, 1003), SW_SHOW);
        ShowWindow(GetDlgItem(dialog, 1002), SW_HIDE);
        char text[64];
        EXPECT_EQ(GetDlgItemTextA(dialog, 1002, text, sizeof text), 29u);
        DestroyWindow(dialog);
        if (!shown) {
            EXPECT_EQ(machine_.Transcript(), "");
            continue;
        }
        EXPECT_EQ(machine_.Transcript(),
                  "Dialog 102 \"Avanzamento rimozione\" shown\n"
                  "  1001 progress: 0 (range 0..100)\n"
                  "  1002 static: \"\"\n"
                  "Dialog 102 \"Avanzamento rimozione\" changed\n"
                  "  1002 static: \"Rimozione di C:\\WINDOWS\\x.dll\"\n"
                  "Dialog 102 \"Avanzamento rimozione\" changed\n"
                  "  1003 static: \"\"\n"
                  "Dialog 102 \"Avanzamento rimozione\" changed\n"
                  "  1002 static: hidden\n"
                  "Dialog 102 \"Avanzamento rimozione\" closed\n");
    }
    EXPECT_EQ(platform::TakeAnswer(machine_.machine()), "IDCANCEL");
    platform::TakeAnswer(machine_.machine());
}

TEST_F(WindowDialogTest, DialogItemsAndErrors) {
    HWND dialog = platform::CreateDialogFromTemplate(nullptr, ProgressTemplate(), 102, nullptr, ProgressProcedure, 0);
    SetLastError(0);
    EXPECT_EQ(GetDlgItem(dialog, 4242), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));
    HWND status = GetDlgItem(dialog, 1002);
    EXPECT_EQ(GetDlgCtrlID(status), 1002);
    EXPECT_EQ(GetParent(status), dialog);
    // Closing a dialog is its Cancel command; the standard procedure hides a modeless dialog it ends.
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &message)) DispatchMessageA(&message);
    }
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(EndDialog(dialog, 3));
    EXPECT_FALSE(IsWindowVisible(dialog));
    DestroyWindow(dialog);
    EXPECT_EQ(CreateDialogParamA(nullptr, MAKEINTRESOURCEA(9999), nullptr, ProgressProcedure, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(9999), nullptr, ProgressProcedure, 0), -1);
}

}  // namespace
