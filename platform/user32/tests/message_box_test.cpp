#include <gtest/gtest.h>

#include <string>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

// The transcript's last line, without its line break.
std::string LastLine(std::string transcript) {
    if (!transcript.empty()) transcript.pop_back();
    return transcript.substr(transcript.rfind('\n') + 1);
}

TEST(MessageBoxA, AnswerFromTheAnswersElseTheDefaultButton) {
    const struct {
        const char* name;
        UINT type;
        const char* answer;  // null: none scripted
        int result;
        const char* buttons;
        const char* answerLine;
    } rows[] = {
        {"OK box", MB_OK, nullptr, IDOK, "OK; icon: none", "answer: IDOK (default)"},
        {"second default", MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION, nullptr, IDNO,
         "Yes No; icon: question", "answer: IDNO (default)"},
        {"third default", MB_YESNOCANCEL | MB_DEFBUTTON3, nullptr, IDCANCEL, "Yes No Cancel; icon: none",
         "answer: IDCANCEL (default)"},
        {"default beyond the buttons", MB_RETRYCANCEL | MB_DEFBUTTON3 | MB_ICONSTOP, nullptr, IDRETRY,
         "Retry Cancel; icon: error", "answer: IDRETRY (default)"},
        {"scripted name", MB_OKCANCEL | MB_ICONWARNING, "IDCANCEL", IDCANCEL, "OK Cancel; icon: warning",
         "answer: IDCANCEL"},
        {"scripted name in any case", MB_ABORTRETRYIGNORE, "idignore", IDIGNORE,
         "Abort Retry Ignore; icon: none", "answer: IDIGNORE"},
        {"scripted number", MB_OKCANCEL, "2", IDCANCEL, "OK Cancel; icon: none", "answer: IDCANCEL"},
        {"scripted answer not a button", MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONINFORMATION, "IDYES", IDCANCEL,
         "OK Cancel; icon: information",
         "answer: IDCANCEL (default; scripted \"IDYES\" is not a button of this box)"},
        {"scripted number not a button", MB_YESNO, "1", IDYES, "Yes No; icon: none",
         "answer: IDYES (default; scripted \"1\" is not a button of this box)"},
    };
    for (const auto& row : rows) {
        platform::TestMachine machine(platform::OsKind::WindowsXP);
        if (row.answer) machine.Answer(row.answer);
        EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", row.type), row.result) << row.name;
        std::string transcript = machine.Transcript();
        EXPECT_NE(transcript.find(std::string("  buttons: ") + row.buttons + "\n"), std::string::npos)
            << row.name << "\n"
            << transcript;
        EXPECT_EQ(LastLine(transcript), std::string("  ") + row.answerLine) << row.name;
    }
}

TEST(MessageBoxA, TranscriptEntry) {
    platform::TestMachine machine(platform::OsKind::Windows98SE);
    machine.Answer("IDNO").Answer("IDOK");
    EXPECT_EQ(MessageBoxA(nullptr, "Rimuovere la stampante?\r\nLa coda verr\xE0 svuotata.\r\n",
                          "Disinstallazione", MB_YESNO | MB_ICONQUESTION),
              IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    EXPECT_EQ(machine.Transcript(),
              "MessageBox \"Disinstallazione\"\n"
              "  text: Rimuovere la stampante?\n"
              "        La coda verr\xE0 svuotata.\n"
              "  buttons: Yes No; icon: question\n"
              "  answer: IDNO\n"
              "MessageBox \"Error\"\n"
              "  text: \n"
              "  buttons: OK; icon: none\n"
              "  answer: IDOK\n");
}

}  // namespace
