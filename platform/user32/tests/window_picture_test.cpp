// The pictures of the windows: written when a window is shown and named in its transcript entry, written
// again once a scripted answer changed the dialog, and not when the answer left it as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi32/surface.h"
#include "platform/testing/test_machine.h"
#include "platform/user32/dialog.h"
#include "windows.h"

namespace {

namespace fs = std::filesystem;

platform::DialogControlTemplate Control(const char* className, const char* text, WORD id, DWORD style, short x,
                                        short y, short cx, short cy) {
    return platform::ChildControl(className, text, id, style | WS_VISIBLE, x, y, cx, cy);
}

platform::DialogTemplate QuestionTemplate() {
    platform::DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT;
    dialog.caption = "Domanda";
    dialog.fontName = "MS Sans Serif";
    dialog.pointSize = 8;
    dialog.cx = 150;
    dialog.cy = 50;
    dialog.controls = {Control("STATIC", "Continuare?", 1001, SS_LEFT, 7, 7, 136, 10),
                       Control("BUTTON", "OK", IDOK, BS_DEFPUSHBUTTON, 39, 29, 50, 14),
                       Control("BUTTON", "Riprova", IDRETRY, BS_PUSHBUTTON, 93, 29, 50, 14)};
    return dialog;
}

// "Riprova" changes the question and leaves the dialog open; Cancel is refused and changes nothing; OK ends it.
INT_PTR CALLBACK QuestionProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDRETRY) SetDlgItemTextA(dialog, 1001, "Davvero?");
    if (LOWORD(wParam) == IDOK) EndDialog(dialog, IDOK);
    return TRUE;
}

TEST(WindowPictures, ShownAndChangedByAnswersAreWritten) {
    struct Row {
        const char* answer;
        bool againPictured;
    };
    const Row rows[] = {{"IDRETRY", true}, {"IDCANCEL", false}};
    for (const Row& row : rows) {
        platform::TestMachine machine;
        machine.Answer(row.answer).Answer("IDOK");
        EXPECT_EQ(platform::DialogBoxFromTemplate(nullptr, QuestionTemplate(), 103, nullptr, QuestionProcedure, 0), IDOK);
        std::string transcript = machine.TranscriptWithPictures();
        std::string expected = "Dialog 103 \"Domanda\" shown\n"
                               "  1001 static: \"Continuare?\"\n"
                               "  1 button: \"OK\" (default)\n"
                               "  4 button: \"Riprova\"\n"
                               "  picture: ui/0001-dialog-103.png\n"
                               "Dialog 103 \"Domanda\" answer: " +
                               std::string(row.answer) + (row.againPictured ? " \"Riprova\"\n" : "\n");
        if (row.againPictured) {
            expected += "Dialog 103 \"Domanda\" changed\n"
                        "  1001 static: \"Davvero?\"\n"
                        "Dialog 103 \"Domanda\" picture: ui/0002-dialog-103.png\n";
        }
        expected += "Dialog 103 \"Domanda\" answer: IDOK \"OK\"\n"
                    "Dialog 103 \"Domanda\" closed\n";
        EXPECT_EQ(transcript, expected) << row.answer;

        fs::path ui = machine.machine().folder() / "ui";
        std::optional<platform::gdi::Surface> first = platform::gdi::ReadPng(ui / "0001-dialog-103.png");
        ASSERT_TRUE(first) << row.answer;
        EXPECT_EQ(fs::exists(ui / "0002-dialog-103.png"), row.againPictured) << row.answer;
        if (row.againPictured) {
            std::optional<platform::gdi::Surface> second = platform::gdi::ReadPng(ui / "0002-dialog-103.png");
            ASSERT_TRUE(second);
            EXPECT_EQ(second->width(), first->width());
            // The question's text changed, nothing else.
            bool differs = false;
            for (int y = 0; y < first->height() && !differs; ++y)
                for (int x = 0; x < first->width() && !differs; ++x) differs = first->pixel(x, y) != second->pixel(x, y);
            EXPECT_TRUE(differs);
        }
    }
}

}  // namespace
