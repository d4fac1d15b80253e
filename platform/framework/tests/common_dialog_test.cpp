// The framework's objects over the common dialogs and the cursor: CFileDialog from the framework's filter
// form, answered and cancelled; CWaitCursor and the cursor it restores; DDX_Text of strings and numbers,
// with a number that is none failing the exchange after telling the user.
#include <gtest/gtest.h>

#include <string>

#include "CDialog.h"
#include "CFileDialog.h"
#include "CString.h"
#include "CWaitCursor.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::TestMachine;

TEST(FrameworkFileDialog, ChosenAndCancelled) {
    struct Row {
        const char* answer;
        INT_PTR result;
        const char* path;
        const char* name;
        const char* title;
        const char* extension;
    };
    const Row rows[] = {
        {"File: E:\\Giro\\tour.exe", IDOK, "E:\\Giro\\tour.exe", "tour.exe", "tour", "exe"},
        {"File: E:\\leggimi", IDOK, "E:\\leggimi", "leggimi", "leggimi", ""},
        {"IDCANCEL", IDCANCEL, "D:\\TOUR\\tour.exe", "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        TestMachine machine;
        machine.Answer(row.answer);
        CFileDialog dialog(TRUE, nullptr, "D:\\TOUR\\tour.exe", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY,
                           "Presentazione (tour.exe)|tour.exe||");
        EXPECT_EQ(row.result, dialog.DoModal());
        EXPECT_EQ(dialog.GetPathName(), row.path);
        if (row.result == IDOK) {
            EXPECT_EQ(dialog.GetFileName(), row.name);
            EXPECT_EQ(dialog.GetFileTitle(), row.title);
            EXPECT_EQ(dialog.GetFileExt(), row.extension);
        }
        EXPECT_EQ(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, dialog.m_ofn.Flags);
        std::string transcript = machine.Transcript();
        EXPECT_NE(std::string::npos,
                  transcript.find("OpenFileDialog \"Open\"\n"
                                  "  filter: \"Presentazione (tour.exe)\" tour.exe (selected)\n"
                                  "  folder: \"D:\\TOUR\"\n"))
            << transcript;
    }
}

TEST(FrameworkFileDialog, SaveDialogWithItsDefaultExtension) {
    TestMachine machine;
    machine.Folder("C:\\Dati").Answer("File: C:\\Dati\\pagina");
    CFileDialog dialog(FALSE, "bmp", nullptr, OFN_OVERWRITEPROMPT,
                       "Immagini (*.bmp)|*.bmp|Tutti (*.*)|*.*||");
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(dialog.GetPathName(), "C:\\Dati\\pagina.bmp");
    EXPECT_NE(std::string::npos, machine.Transcript().find("SaveFileDialog \"Save As\"\n"
                                                           "  filter: \"Immagini (*.bmp)\" *.bmp (selected)\n"
                                                           "  filter: \"Tutti (*.*)\" *.*\n"));
}

TEST(FrameworkWaitCursor, ShownWhileTheObjectLives) {
    TestMachine machine;
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    SetCursor(arrow);
    {
        CWaitCursor outer;
        EXPECT_EQ(wait, GetCursor());
        {
            CWaitCursor inner;
            EXPECT_EQ(wait, GetCursor());
        }
        EXPECT_EQ(wait, GetCursor());
        SetCursor(arrow);  // as a message box leaves it
        outer.Restore();
        EXPECT_EQ(wait, GetCursor());
    }
    EXPECT_EQ(arrow, GetCursor());
}

class FieldsDialog : public CDialog {
  public:
    CString m_text;
    int m_number = 0;
    UINT m_count = 0;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, 1037, m_text);
        DDX_Text(pDX, 1038, m_number);
        DDX_Text(pDX, 1039, m_count);
    }
};

TEST(FrameworkDataExchange, TextsAndNumbers) {
    TestMachine machine;
    HWND window =
        CreateWindowExA(0, "STATIC", "Campi", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    HWND edits[3] = {};
    for (int index = 0; index < 3; ++index) {
        edits[index] =
            CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 10, 10, window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(1037 + index)), nullptr, nullptr);
        ASSERT_TRUE(edits[index]);
    }
    FieldsDialog dialog;
    dialog.Attach(window);
    dialog.m_text = "Congratulazioni";
    dialog.m_number = -12;
    dialog.m_count = 4000000000u;
    EXPECT_TRUE(dialog.UpdateData(FALSE));
    char text[64] = "";
    GetWindowTextA(edits[0], text, sizeof text);
    EXPECT_STREQ("Congratulazioni", text);
    GetWindowTextA(edits[1], text, sizeof text);
    EXPECT_STREQ("-12", text);
    GetWindowTextA(edits[2], text, sizeof text);
    EXPECT_STREQ("4000000000", text);

    const struct {
        const char* number;
        const char* count;
        bool valid;
        const char* message;
    } rows[] = {
        {" 42 ", "7", true, nullptr},
        {"x42", "7", false, "Immettere un numero intero."},
        {"", "7", false, "Immettere un numero intero."},
        {"99999999999", "7", false, "Immettere un numero intero."},
        {"1", "-1", false, "Immettere un numero intero positivo."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.number);
        machine.ClearTranscript();
        SetWindowTextA(edits[0], "Nuovo testo");
        SetWindowTextA(edits[1], row.number);
        SetWindowTextA(edits[2], row.count);
        dialog.m_number = 0;
        EXPECT_EQ(row.valid, dialog.UpdateData(TRUE) != FALSE);
        EXPECT_EQ(dialog.m_text, "Nuovo testo");
        if (row.valid) {
            EXPECT_EQ(42, dialog.m_number);
            EXPECT_EQ(7u, dialog.m_count);
        } else {
            EXPECT_NE(std::string::npos, machine.Transcript().find(row.message));
        }
    }
    dialog.Detach();
    DestroyWindow(window);
}

}  // namespace
