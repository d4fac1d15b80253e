// The progress dialog object: its bar and percentage, the Cancel button pressed by a scripted answer while
// a walk pumps messages, the lazily made window and what the transcript shows of it; and the message pump.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AFX_MODULE_STATE.h"
#include "CComBSTR.h"
#include "CComModule.h"
#include "CComPtr.h"
#include "CWinApp.h"
#include "PumpMessages.h"
#include "QNAiOProgressBarDlg.h"
#include "platform/testing/test_machine.h"

namespace {

using diagnostics::PumpMessages;
using diagnostics::QNAiOProgressBarDlg;

constexpr const char* kShownHeader = "Dialog 1001 \"QN Kenro\" shown\n";

class ProgressDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CComObject<QNAiOProgressBarDlg>* object = nullptr;
        ASSERT_EQ(CComObject<QNAiOProgressBarDlg>::CreateInstance(&object), S_OK);
        dialog_ = object;  // the first reference
    }

    // The last percentage the shown dialog displayed, from the transcript.
    std::string LastPercent() {
        std::string transcript = machine_.Transcript();
        size_t at = transcript.rfind("2003 static: \"");
        if (at == std::string::npos) return "";
        at += 14;
        return transcript.substr(at, transcript.find('"', at) - at);
    }
    LONG Canceled() {
        LONG canceled = -1;
        EXPECT_EQ(dialog_->get_IsCanceled(&canceled), S_OK);
        return canceled;
    }
    LONG Position() {
        LONG position = -1;
        EXPECT_EQ(dialog_->get_Position(&position), S_OK);
        return position;
    }

    platform::TestMachine machine_;
    CComPtr<DIQNAiOProgressBarDlg> dialog_;
};

TEST_F(ProgressDialogTest, StepsMoveTheBarAndThePercentage) {
    struct Row {
        LONG lower, upper;
        LONG positionFirst;  // put before stepping, -1 for none
        int steps;
        LONG position;
        const char* percent;
    } rows[] = {
        {0, 50, -1, 5, 5, "10%"},
        {0, 200, -1, 3, 3, "1%"},
        // The steps count from Reset, not from the bar's position.
        {0, 100, 30, 1, 1, "1%"},
        // A range of no width set after the dialog started: the bar stays at 0 and the share is 0%.
        {0, 0, -1, 2, 0, "0%"},
        {10, 10, -1, 1, 10, "0%"},
    };
    ASSERT_EQ(dialog_->Show(), S_OK);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.lower) + ".." + std::to_string(row.upper));
        ASSERT_EQ(dialog_->Reset(), S_OK);
        ASSERT_EQ(dialog_->SetRange(row.lower, row.upper), S_OK);
        if (row.positionFirst >= 0) {
            ASSERT_EQ(dialog_->put_Position(row.positionFirst), S_OK);
        }
        for (int step = 0; step < row.steps; ++step) ASSERT_EQ(dialog_->StepIt(), S_OK);
        EXPECT_EQ(Position(), row.position);
        EXPECT_EQ(LastPercent(), row.percent);
    }
    ASSERT_EQ(dialog_->put_Step(7), S_OK);
    LONG step = 0;
    EXPECT_EQ(dialog_->get_Step(&step), S_OK);
    EXPECT_EQ(step, 7);
}

TEST_F(ProgressDialogTest, ShowHideAndCloseAreInTheTranscript) {
    CComBSTR message(u"Ricerca delle chiavi");
    ASSERT_EQ(dialog_->put_Message(message), S_OK);
    ASSERT_EQ(dialog_->Show(), S_OK);
    ASSERT_EQ(dialog_->Show(), S_OK);  // already visible: nothing more
    ASSERT_EQ(dialog_->SetRange(0, 4), S_OK);
    ASSERT_EQ(dialog_->StepIt(), S_OK);
    ASSERT_EQ(dialog_->Hide(), S_OK);
    ASSERT_EQ(dialog_->Show(), S_OK);
    ASSERT_EQ(dialog_->Close(), S_OK);
    ASSERT_EQ(dialog_->Close(), S_OK);  // no window: nothing to destroy
    EXPECT_EQ(machine_.Transcript(), std::string(kShownHeader) +
                                         "  2002 static: \"Ricerca delle chiavi\"\n"
                                         "  2001 progress: 0 (range 0..100)\n"
                                         "  2003 static: \"0%\"\n"
                                         "  2 button: \"Annulla\"\n"
                                         "Dialog 1001 \"QN Kenro\" changed\n"
                                         "  2003 static: \"25%\"\n"
                                         "Dialog 1001 \"QN Kenro\" hidden\n" +
                                         kShownHeader +
                                         "  2002 static: \"Ricerca delle chiavi\"\n"
                                         "  2001 progress: 1 (range 0..4)\n"
                                         "  2003 static: \"25%\"\n"
                                         "  2 button: \"Annulla\"\n"
                                         "Dialog 1001 \"QN Kenro\" closed\n");
}

TEST_F(ProgressDialogTest, ClosedDialogComesBackWithItsTextsAndBounds) {
    CComBSTR message(u"Ricerca dei file");
    ASSERT_EQ(dialog_->put_Message(message), S_OK);
    ASSERT_EQ(dialog_->SetRange(0, 0), S_OK);
    ASSERT_EQ(dialog_->Close(), S_OK);
    // The fresh window starts from the stored bounds, an upper bound of 0 raised to 1.
    ASSERT_EQ(dialog_->Show(), S_OK);
    EXPECT_EQ(machine_.Transcript(), std::string(kShownHeader) +
                                         "  2002 static: \"Ricerca dei file\"\n"
                                         "  2001 progress: 0 (range 0..1)\n"
                                         "  2003 static: \"0%\"\n"
                                         "  2 button: \"Annulla\"\n");
    ASSERT_EQ(dialog_->StepIt(), S_OK);
    EXPECT_EQ(LastPercent(), "100%");
    // The object's last release destroys the window.
    machine_.ClearTranscript();
    dialog_.Release();
    EXPECT_EQ(machine_.Transcript(), "Dialog 1001 \"QN Kenro\" closed\n");
}

TEST_F(ProgressDialogTest, ScriptedCancelDuringAWalk) {
    // Not taken while the dialog is hidden.
    machine_.Answer("Dialog 1001: IDCANCEL after 2");
    PumpMessages();
    PumpMessages();
    PumpMessages();
    EXPECT_EQ(Canceled(), 0);
    // A message box on the way passes over it.
    EXPECT_EQ(MessageBoxA(nullptr, "Continuare?", "QN Kenro", MB_OKCANCEL), IDOK);
    ASSERT_EQ(dialog_->Show(), S_OK);
    int items = 0;
    for (; items < 10 && !Canceled(); ++items) {
        PumpMessages();
        ASSERT_EQ(dialog_->StepIt(), S_OK);
        PumpMessages();
    }
    // Taken at the pump's third look with the dialog shown: after the second item's first pump.
    EXPECT_EQ(items, 2);
    EXPECT_EQ(Canceled(), 1);
    std::string transcript = machine_.Transcript();
    EXPECT_NE(transcript.find("  answer: IDOK (default)\n"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("Dialog 1001 \"QN Kenro\" answer: IDCANCEL \"Annulla\"\n"
                              "Dialog 1001 \"QN Kenro\" hidden\n"),
              std::string::npos)
        << transcript;

    // Cancel again leaves the flag at 1; Reset clears it.
    ASSERT_EQ(dialog_->Hide(), S_OK);
    ASSERT_EQ(dialog_->Show(), S_OK);
    machine_.Answer("IDCANCEL");  // unaddressed: never for a modeless dialog
    machine_.Answer("Dialog 1001: Annulla");
    PumpMessages();
    EXPECT_EQ(Canceled(), 1);
    EXPECT_EQ(MessageBoxA(nullptr, "Continuare?", "QN Kenro", MB_OKCANCEL), IDCANCEL);
    ASSERT_EQ(dialog_->Reset(), S_OK);
    EXPECT_EQ(Canceled(), 0);
    ASSERT_EQ(dialog_->put_IsCanceled(5), S_OK);
    EXPECT_EQ(Canceled(), 5);
}

TEST_F(ProgressDialogTest, NullOutPointersAreRefused) {
    EXPECT_EQ(dialog_->get_IsCanceled(nullptr), E_POINTER);
    EXPECT_EQ(dialog_->get_Step(nullptr), E_POINTER);
    EXPECT_EQ(dialog_->get_Position(nullptr), E_POINTER);
}

// An application object that counts what the pump asks of it.
class CountingApp : public CWinApp {
  public:
    BOOL PreTranslateMessage(MSG* pMsg) override {
        preTranslated.push_back(pMsg->message);
        return CWinApp::PreTranslateMessage(pMsg);
    }
    BOOL OnIdle(LONG lCount) override {
        idleCounts.push_back(lCount);
        return CWinApp::OnIdle(lCount);
    }
    std::vector<UINT> preTranslated;
    std::vector<LONG> idleCounts;
};

std::vector<UINT> dispatched;

LRESULT CALLBACK RecordingProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER) dispatched.push_back(message);
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

TEST(PumpMessagesTest, DispatchesWhatIsPostedThenIdlesTwice) {
    platform::TestMachine machine;
    CountingApp app;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingProcedure;
    windowClass.lpszClassName = "PumpTarget";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND window =
        CreateWindowExA(0, "PumpTarget", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    dispatched.clear();
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostMessageA(window, WM_USER + 2, 0, 0);
    PumpMessages();
    EXPECT_EQ(dispatched, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    EXPECT_EQ(app.preTranslated, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    EXPECT_EQ(app.idleCounts, (std::vector<LONG>{0, 1}));
    EXPECT_EQ(app.OnIdle(0), TRUE);
    EXPECT_EQ(app.OnIdle(1), FALSE);
    DestroyWindow(window);
}

}  // namespace
