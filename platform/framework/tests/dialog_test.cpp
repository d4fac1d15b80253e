// Dialog objects from dialog resources: a modeless progress dialog driven by a worker thread, modal
// dialogs answered from the UI answers, and the routing of OK and Cancel to the object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CDialog.h"
#include "CProgressCtrl.h"
#include "CStatic.h"
#include "CWinApp.h"
#include "commctrl.h"
#include "platform/kernel32/module_resources.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/testing/test_machine.h"

namespace {

struct Item {
    WORD classAtom;         // 0x80 button, 0x81 edit, 0x82 static; 0 for className
    const char* className;  // when classAtom is 0
    const char* text;
    WORD id;
    DWORD style;
};

// The bytes of a DLGTEMPLATE resource, as the resource compiler writes them.
std::vector<BYTE> DialogResource(const char* caption, DWORD style, const std::vector<Item>& items) {
    std::vector<BYTE> bytes;
    auto word = [&](WORD value) {
        bytes.push_back(static_cast<BYTE>(value & 0xFF));
        bytes.push_back(static_cast<BYTE>(value >> 8));
    };
    auto dword = [&](DWORD value) {
        word(static_cast<WORD>(value & 0xFFFF));
        word(static_cast<WORD>(value >> 16));
    };
    auto text = [&](const char* value) {
        for (; *value; ++value) word(static_cast<BYTE>(*value));
        word(0);
    };
    dword(style);
    dword(0);
    word(static_cast<WORD>(items.size()));
    for (int coordinate = 0; coordinate < 4; ++coordinate) word(10);
    word(0);  // no menu
    word(0);  // the standard dialog class
    text(caption);
    for (const Item& item : items) {
        while (bytes.size() % 4) bytes.push_back(0);
        dword(item.style | WS_CHILD);
        dword(0);
        for (int coordinate = 0; coordinate < 4; ++coordinate) word(5);
        word(item.id);
        if (item.classAtom) {
            word(0xFFFF);
            word(item.classAtom);
        } else {
            text(item.className);
        }
        text(item.text);
        word(0);  // no creation data
    }
    return bytes;
}

constexpr DWORD kVisible = WS_VISIBLE;

void RegisterDialogs() {
    static const std::vector<BYTE> progress =
        DialogResource("Dialog", WS_POPUP | WS_CAPTION,
                       {{0x80, nullptr, "&Avanti >", IDOK, kVisible | BS_DEFPUSHBUTTON},
                        {0, PROGRESS_CLASSA, "", 1001, kVisible},
                        {0x82, nullptr, "", 1002, kVisible},
                        {0x82, nullptr, "", 1003, 0}});
    static const std::vector<BYTE> restart =
        DialogResource("Rimozione", WS_POPUP | WS_CAPTION | DS_MODALFRAME,
                       {{0x80, nullptr, "Riavvia", IDOK, kVisible | BS_DEFPUSHBUTTON},
                        {0x81, nullptr, "", 1003, kVisible | ES_MULTILINE}});
    platform::ModuleResource resources[] = {
        {RT_DIALOG, MAKEINTRESOURCEA(102), 0x0410, progress.data(), static_cast<DWORD>(progress.size())},
        {RT_DIALOG, MAKEINTRESOURCEA(104), 0x0410, restart.data(), static_cast<DWORD>(restart.size())},
    };
    platform::RegisterModuleResources(nullptr, resources);
}

class ProgressDialog : public CDialog {
  public:
    ProgressDialog() : CDialog(102) {}
    CStatic m_message;
    CStatic m_status;
    CProgressCtrl m_progress;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, 1003, m_message);
        DDX_Control(pDX, 1002, m_status);
        DDX_Control(pDX, 1001, m_progress);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SetWindowText("Avanzamento rimozione");
        GetDlgItem(IDOK)->ShowWindow(SW_HIDE);
        m_progress.SetRange(0, 100);
        return TRUE;
    }
    void OnOK() override { DestroyWindow(); }
    void OnCancel() override { DestroyWindow(); }
};

// The worker: moves the bar and the status line through the controls' objects, then closes the dialog.
DWORD WINAPI Work(LPVOID parameter) {
    auto* dialog = static_cast<ProgressDialog*>(parameter);
    for (int position : {40, 140}) {
        if (dialog->m_progress.GetPos() != position) dialog->m_progress.SetPos(position);
    }
    dialog->m_status.SetWindowText("Rimozione in corso");
    DWORD position = static_cast<DWORD>(dialog->m_progress.GetPos());
    dialog->PostMessage(WM_DESTROY);
    return position;
}

// Runs the dialog as the uninstaller's progress dialog does; returns the worker's exit code.
DWORD Execute(ProgressDialog& dialog, bool show) {
    if (!dialog.Create(102)) return 0xFFFFFFFF;
    if (show) dialog.ShowWindow(SW_SHOW);
    HWND window = dialog.m_hWnd;
    HANDLE worker = CreateThread(nullptr, 0, Work, &dialog, 0, nullptr);
    MSG message;
    while (IsWindow(window) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == window && message.message == WM_DESTROY) {
            ::DestroyWindow(window);
            continue;
        }
        if (!AfxPreTranslateMessage(&message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    WaitForSingleObject(worker, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(worker, &code);
    CloseHandle(worker);
    return code;
}

TEST(FrameworkDialogTest, ModelessProgressDialogDrivenByAWorker) {
    platform::TestMachine machine;
    RegisterDialogs();
    for (bool show : {true, false}) {
        platform::ClearTranscript(machine.machine());
        ProgressDialog dialog;
        EXPECT_EQ(Execute(dialog, show), 100u);
        EXPECT_EQ(dialog.m_hWnd, nullptr);
        EXPECT_EQ(dialog.m_progress.m_hWnd, nullptr);
        EXPECT_EQ(machine.Transcript(), show ? "Dialog 102 \"Avanzamento rimozione\" shown\n"
                                               "  1001 progress: 0 (range 0..100)\n"
                                               "  1002 static: \"\"\n"
                                               "Dialog 102 \"Avanzamento rimozione\" changed\n"
                                               "  1002 static: \"Rimozione in corso\"\n"
                                               "Dialog 102 \"Avanzamento rimozione\" closed\n"
                                             : "");
    }
}

// Cancel (Esc, the close box) leaves the dialog open; OK ends it.
class RestartDialog : public CDialog {
  public:
    RestartDialog() : CDialog(104) {}
    std::vector<std::string> calls;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        GetDlgItem(1003)->SetWindowText("Riavviare Windows.");
        calls.push_back("init");
        return TRUE;
    }
    void OnOK() override {
        calls.push_back("ok");
        CDialog::OnOK();
    }
    void OnCancel() override { calls.push_back("cancel"); }
};

TEST(FrameworkDialogTest, ModalDialogRunsItsOwnHandlingOfTheAnswer) {
    platform::TestMachine machine;
    RegisterDialogs();
    struct Row {
        std::vector<const char*> answers;
        std::vector<std::string> calls;
        const char* answerLines;
    } rows[] = {
        {{}, {"init", "ok"}, "Dialog 104 \"Rimozione\" answer: IDOK \"Riavvia\" (default)\n"},
        {{"riavvia"}, {"init", "ok"}, "Dialog 104 \"Rimozione\" answer: IDOK \"Riavvia\"\n"},
        {{"IDCANCEL", "IDCANCEL"},
         {"init", "cancel", "cancel", "ok"},
         "Dialog 104 \"Rimozione\" answer: IDCANCEL\n"
         "Dialog 104 \"Rimozione\" answer: IDCANCEL\n"
         "Dialog 104 \"Rimozione\" answer: IDOK \"Riavvia\" (default)\n"},
    };
    for (const Row& row : rows) {
        platform::ClearTranscript(machine.machine());
        for (const char* answer : row.answers) machine.Answer(answer);
        RestartDialog dialog;
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.calls, row.calls);
        EXPECT_EQ(dialog.m_hWnd, nullptr);
        EXPECT_EQ(machine.Transcript(), std::string("Dialog 104 \"Rimozione\" shown\n"
                                                    "  1 button: \"Riavvia\" (default)\n"
                                                    "  1003 edit: \"Riavviare Windows.\"\n") +
                                            row.answerLines + "Dialog 104 \"Rimozione\" closed\n");
    }
    CDialog missing(9999);
    EXPECT_EQ(missing.DoModal(), -1);
}

}  // namespace

namespace {

// A dialog that puts the focus on its edit box itself, and so answers FALSE from OnInitDialog.
class FocusDialog : public CDialog {
  public:
    FocusDialog() : CDialog(106) {}

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        GotoDlgCtrl(GetDlgItem(1003));
        return FALSE;
    }
};

TEST(FrameworkDialogTest, FocusMovesThroughTheObjects) {
    platform::TestMachine machine;
    static const std::vector<BYTE> focus =
        DialogResource("Nome", WS_POPUP | WS_CAPTION,
                       {{0x80, nullptr, "OK", IDOK, kVisible | WS_TABSTOP | BS_DEFPUSHBUTTON},
                        {0x81, nullptr, "", 1003, kVisible | WS_TABSTOP}});
    platform::ModuleResource resources[] = {
        {RT_DIALOG, MAKEINTRESOURCEA(106), 0x0410, focus.data(), static_cast<DWORD>(focus.size())}};
    platform::RegisterModuleResources(nullptr, resources);
    FocusDialog dialog;
    ASSERT_TRUE(dialog.Create(106));
    CWnd* edit = dialog.GetDlgItem(1003);
    CWnd* ok = dialog.GetDlgItem(IDOK);
    struct Row {
        const char* name;
        CWnd* target;  // given the focus by CWnd::SetFocus, none for the first row
        CWnd* previous;
        CWnd* focused;
    } rows[] = {
        {"set by OnInitDialog", nullptr, nullptr, edit},
        {"to the button", ok, edit, ok},
        {"to the edit box", edit, ok, edit},
    };
    for (const Row& row : rows) {
        if (row.target) {
            EXPECT_EQ(row.target->SetFocus(), row.previous) << row.name;
        }
        EXPECT_EQ(CWnd::GetFocus(), row.focused) << row.name;
    }
    dialog.GotoDlgCtrl(ok);
    EXPECT_EQ(CWnd::GetFocus(), ok);
    dialog.DestroyWindow();
    EXPECT_EQ(CWnd::GetFocus(), nullptr);
}

}  // namespace
