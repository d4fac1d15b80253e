// The file dialogs answered from the UI answers: a chosen file fills the caller's buffers, a cancel or
// no answer gives FALSE with no extended error, a buffer too short FNERR_BUFFERTOOSMALL with the size it
// needs, a file that must exist and does not is refused; each dialog is written to the transcript.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "commdlg.h"
#include "platform/gdi32/surface.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

constexpr char kFilter[] = "Presentazione (tour.exe)\0tour.exe\0Tutti i file (*.*)\0*.*\0";

struct Dialog {
    OPENFILENAMEA ofn{};
    char file[MAX_PATH] = "";
    char title[MAX_PATH] = "";

    explicit Dialog(const char* proposed = "D:\\TOUR\\tour.exe", DWORD size = MAX_PATH) {
        std::strcpy(file, proposed);
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = kFilter;
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file;
        ofn.nMaxFile = size;
        ofn.lpstrFileTitle = title;
        ofn.nMaxFileTitle = MAX_PATH;
        ofn.lpstrTitle = "Sfoglia";
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    }
};

TEST(FileDialogs, Answers) {
    struct Row {
        const char* name;
        const char* answer;  // null: none scripted
        DWORD flags;
        BOOL result;
        DWORD error;
        const char* file;  // lpstrFile afterwards
        WORD offset;
        WORD extension;
        const char* answerLine;
    };
    const Row rows[] = {
        {"a file", "File: E:\\Giro\\tour.exe", 0, TRUE, 0, "E:\\Giro\\tour.exe", 8, 13,
         "  answer: \"E:\\Giro\\tour.exe\"\n"},
        {"relative to the folder", "file: altro.exe", 0, TRUE, 0, "D:\\TOUR\\altro.exe", 8, 14,
         "  answer: \"D:\\TOUR\\altro.exe\"\n"},
        {"the proposed file", "IDOK", 0, TRUE, 0, "D:\\TOUR\\tour.exe", 8, 13,
         "  answer: IDOK \"D:\\TOUR\\tour.exe\"\n"},
        {"no extension", "File: C:\\leggimi", 0, TRUE, 0, "C:\\leggimi", 3, 0, "  answer: \"C:\\leggimi\"\n"},
        {"cancelled", "IDCANCEL", 0, FALSE, 0, "D:\\TOUR\\tour.exe", 0, 0, "  answer: IDCANCEL\n"},
        {"no answer", nullptr, 0, FALSE, 0, "D:\\TOUR\\tour.exe", 0, 0, "  answer: IDCANCEL (default)\n"},
        {"another answer", "Si", 0, FALSE, 0, "D:\\TOUR\\tour.exe", 0, 0,
         "  answer: IDCANCEL (default; scripted \"Si\" is not an answer of this dialog)\n"},
        {"a file that must exist", "File: C:\\Dati\\c.txt", OFN_FILEMUSTEXIST, TRUE, 0, "C:\\Dati\\c.txt", 8,
         10, "  answer: \"C:\\Dati\\c.txt\"\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestMachine machine;
        machine.File("C:\\Dati\\c.txt", "c");
        if (row.answer) machine.Answer(row.answer);
        Dialog dialog;
        dialog.ofn.Flags |= row.flags;
        EXPECT_EQ(row.result, GetOpenFileNameA(&dialog.ofn));
        EXPECT_EQ(row.error, CommDlgExtendedError());
        EXPECT_STREQ(row.file, dialog.file);
        EXPECT_EQ(row.offset, dialog.ofn.nFileOffset);
        EXPECT_EQ(row.extension, dialog.ofn.nFileExtension);
        EXPECT_EQ(std::string("OpenFileDialog \"Sfoglia\"\n"
                              "  filter: \"Presentazione (tour.exe)\" tour.exe (selected)\n"
                              "  filter: \"Tutti i file (*.*)\" *.*\n"
                              "  folder: \"D:\\TOUR\"\n"
                              "  file: \"D:\\TOUR\\tour.exe\"\n") +
                      row.answerLine,
                  machine.Transcript());
    }
}

TEST(FileDialogs, AFileThatMustExistIsRefusedAndTheNextAnswerTaken) {
    TestMachine machine;
    machine.File("C:\\Dati\\c.txt", "c")
        .Answer("File: C:\\Dati\\manca.txt")
        .Answer("File: C:\\Nessuna\\x.txt")
        .Answer("File: C:\\Dati")
        .Answer("File: C:\\Dati\\c.txt");
    Dialog dialog("");
    dialog.ofn.Flags |= OFN_FILEMUSTEXIST;
    dialog.ofn.lpstrTitle = nullptr;
    dialog.ofn.lpstrFilter = nullptr;
    ASSERT_TRUE(GetOpenFileNameA(&dialog.ofn));
    EXPECT_STREQ("C:\\Dati\\c.txt", dialog.file);
    EXPECT_STREQ("c.txt", dialog.title);
    EXPECT_EQ(
        "OpenFileDialog \"Open\"\n"
        "  folder: \"C:\\\"\n"
        "  file: \"\"\n"
        "  answer: \"C:\\Dati\\manca.txt\" refused (the file does not exist)\n"
        "  answer: \"C:\\Nessuna\\x.txt\" refused (the folder does not exist)\n"
        "  answer: \"C:\\Dati\" refused (it is a folder)\n"
        "  answer: \"C:\\Dati\\c.txt\"\n",
        machine.Transcript());
    // Without OFN_NOCHANGEDIR the chosen file's folder becomes the current one.
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_STREQ("C:\\Dati", current);
}

TEST(FileDialogs, SaveTakesANewFileWithTheDefaultExtension) {
    TestMachine machine;
    machine.Folder("C:\\Dati").Answer("File: C:\\Dati\\pagina");
    Dialog dialog("pagina.bmp");
    dialog.ofn.lpstrDefExt = "bmp";
    dialog.ofn.lpstrInitialDir = "C:\\Dati";
    dialog.ofn.Flags |= OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    ASSERT_TRUE(GetSaveFileNameA(&dialog.ofn));
    EXPECT_STREQ("C:\\Dati\\pagina.bmp", dialog.file);
    EXPECT_EQ(8, dialog.ofn.nFileOffset);
    EXPECT_EQ(15, dialog.ofn.nFileExtension);
    EXPECT_EQ(0u, machine.Transcript().find("SaveFileDialog \"Sfoglia\"\n"));
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_STREQ("C:\\", current);
}

TEST(FileDialogs, BufferTooSmallAndStructureSize) {
    TestMachine machine;
    machine.Answer("File: E:\\Giro\\Presentazione\\tour.exe");
    Dialog dialog("", 10);
    EXPECT_FALSE(GetOpenFileNameA(&dialog.ofn));
    EXPECT_EQ(static_cast<DWORD>(FNERR_BUFFERTOOSMALL), CommDlgExtendedError());
    WORD needed = 0;
    std::memcpy(&needed, dialog.file, sizeof needed);
    EXPECT_EQ(31, needed);
    EXPECT_NE(std::string::npos, machine.Transcript().find("(does not fit the buffer of 10 characters)"));

    // The structure of Windows before 2000 is taken too; any other size is refused before anything is shown.
    machine.ClearTranscript().Answer("File: C:\\x.txt");
    Dialog old("");
    old.ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    EXPECT_TRUE(GetOpenFileNameA(&old.ofn));
    Dialog wrong("");
    wrong.ofn.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameA(&wrong.ofn));
    EXPECT_EQ(static_cast<DWORD>(CDERR_STRUCTSIZE), CommDlgExtendedError());
}

TEST(FileDialogs, FileAnswersAreCheckedWhenScripted) {
    const struct {
        const char* answer;
        bool accepted;
    } rows[] = {
        {"File: C:\\x.txt", true}, {"FILE:D:\\tour.exe", true}, {"File:", false},
        {"file:   ", false},       {"Filename", true},
    };
    for (const auto& row : rows) EXPECT_EQ(row.accepted, !platform::AnswerProblem(row.answer)) << row.answer;
}

// Each dialog is pictured as it is shown, the picture named on a line of its entry before the answers:
// the caption's blue, the white list of files and file name, the texts drawn in black.
TEST(FileDialogs, ArePicturedAsTheyAreShown) {
    struct Row {
        const char* name;
        BOOL (*run)(LPOPENFILENAMEA);
        const char* head;
        const char* picture;
    } rows[] = {
        {"open", GetOpenFileNameA, "OpenFileDialog \"Sfoglia\"\n", "  picture: ui/0001-openfiledialog.png\n"},
        {"save", GetSaveFileNameA, "SaveFileDialog \"Sfoglia\"\n", "  picture: ui/0001-savefiledialog.png\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestMachine machine;
        machine.Answer("IDCANCEL");
        Dialog dialog;
        dialog.ofn.nFilterIndex = 2;
        EXPECT_FALSE(row.run(&dialog.ofn));
        std::string body = "  filter: \"Presentazione (tour.exe)\" tour.exe\n"
                           "  filter: \"Tutti i file (*.*)\" *.* (selected)\n"
                           "  folder: \"D:\\TOUR\"\n"
                           "  file: \"D:\\TOUR\\tour.exe\"\n";
        EXPECT_EQ(machine.TranscriptWithPictures(), row.head + body + row.picture + "  answer: IDCANCEL\n");
        EXPECT_EQ(machine.Transcript(), row.head + body + "  answer: IDCANCEL\n");
        std::optional<std::filesystem::path> picture = platform::NewestPicture(machine.machine(), "Sfoglia");
        ASSERT_TRUE(picture);
        std::optional<platform::gdi::Surface> surface = platform::gdi::ReadPng(*picture);
        ASSERT_TRUE(surface);
        EXPECT_GT(surface->width(), 400);
        EXPECT_GT(surface->height(), 250);
        // The caption's dark blue at its left, where its shading begins.
        EXPECT_EQ(surface->pixel(4, 10), 0x0A246Au);
        int white = 0, black = 0;
        for (int y = 0; y < surface->height(); ++y) {
            for (int x = 0; x < surface->width(); ++x) {
                std::uint32_t pixel = surface->pixel(x, y);
                white += pixel == 0xFFFFFF;
                black += pixel == 0x000000;
            }
        }
        EXPECT_GT(white, 40000);
        EXPECT_GT(black, 200);
    }
}

}  // namespace
