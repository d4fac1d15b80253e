// The pictures of the dialogs: the warning dialog drawn as Windows 2000 draws it, compared with its
// reviewed picture kept beside the tests (allowing for how the fonts are rendered), and each shown dialog's
// picture named in the transcript.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "CWarningMessage.h"
#include "UninstallerTesting.h"
#include "platform/gdi32/surface.h"
#include "platform/testing/test_machine.h"

namespace {

namespace fs = std::filesystem;

// The picture the transcript names after `header`, as a file of the machine's ui folder.
std::string PictureAfter(const std::string& transcript, const std::string& header) {
    size_t shown = transcript.find(header);
    if (shown == std::string::npos) return "";
    const std::string prefix = "  picture: ";
    size_t line = transcript.find(prefix, shown);
    if (line == std::string::npos) return "";
    size_t start = line + prefix.size();
    return transcript.substr(start, transcript.find('\n', start) - start);
}

// The share of pixels whose channels all lie within `tolerance` of the reference's.
double Agreement(const platform::gdi::Surface& picture, const platform::gdi::Surface& reference, int tolerance) {
    if (picture.width() != reference.width() || picture.height() != reference.height()) return 0;
    long agreeing = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            std::uint32_t a = picture.pixel(x, y);
            std::uint32_t b = reference.pixel(x, y);
            bool close = true;
            for (int shift : {0, 8, 16}) {
                close = close && std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) <= tolerance;
            }
            agreeing += close;
        }
    }
    return static_cast<double>(agreeing) / (static_cast<double>(picture.width()) * picture.height());
}

using DialogPicturesTest = UninstallerTest;

TEST_F(DialogPicturesTest, WarningDialogLooksAsReviewed) {
    platform::TestMachine machine;
    machine.File("C:\\Dati\\devpurge.dat", "[Version.0x10]\r\nManufacturer=Corvanta Italia\r\n");
    gDATFileName = "C:\\Dati\\devpurge.dat";
    machine.Answer("IDCANCEL");
    CWarningMessage warning;
    EXPECT_EQ(warning.DoModal(), IDCANCEL);

    std::string transcript = machine.TranscriptWithPictures();
    std::string name = PictureAfter(transcript, "Dialog 103 \"Corvanta Italia: Rimuovi software precedente\" shown\n");
    ASSERT_EQ(name, "ui/0001-dialog-103.png") << transcript;
    // The transcript the other tests read leaves the picture's line out.
    EXPECT_EQ(machine.Transcript().find("picture:"), std::string::npos);

    fs::path file = machine.machine().folder() / name;
    std::optional<platform::gdi::Surface> picture = platform::gdi::ReadPng(file);
    ASSERT_TRUE(picture) << file;
    fs::path reviewed = fs::path(UNINSTALLER_TEST_PICTURES) / "warning_dialog.png";
    std::optional<platform::gdi::Surface> reference = platform::gdi::ReadPng(reviewed);
    ASSERT_TRUE(reference) << "no reviewed picture " << reviewed << "; this run drew " << file;
    EXPECT_EQ(picture->width(), reference->width());
    EXPECT_EQ(picture->height(), reference->height());
    EXPECT_GT(Agreement(*picture, *reference, 48), 0.98) << "drawn: " << file << ", reviewed: " << reviewed;
}

}  // namespace
