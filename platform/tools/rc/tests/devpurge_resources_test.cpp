// The uninstaller's resources, compiled from resources/devpurge/devpurge.rc by the build into this test
// program, read back as the program reads them.
#include <gtest/gtest.h>

#include <cstring>

#include "commctrl.h"
#include "platform/testing/test_machine.h"
#include "platform/user32/dialog_template.h"
#include "windows.h"

namespace {

std::string ProgramString(UINT id) {
    char buffer[1024];
    int length = LoadStringA(nullptr, id, buffer, sizeof buffer);
    return std::string(buffer, static_cast<size_t>(length));
}

TEST(DevpurgeResources, StringTable) {
    platform::TestMachine machine;
    const struct {
        UINT id;
        const char* text;
    } rows[] = {
        {1,
         "La periferica deve essere disattivata per poter eseguire la disinstallazione.\n"
         "Annullare tutti i lavori di stampa?"},
        {4,
         "Impossibile eliminare questo file poich\xE9 \xE8 in uso o non si dispone dei diritti di accesso "
         "sufficienti."},
        {15, "Avanzamento rimozione"},
        {21,
         "Se non si desidera rimuovere le versioni precedenti, fare clic su Annulla per uscire "
         "dall'installazione.\r\n\r\nPer continuare l'installazione, salvare il proprio lavoro, chiudere gli "
         "eventuali programmi aperti, quindi fare clic su Avanti.\r\n\r\nNota: se si desidera utilizzare "
         "tutti i "
         "programmi sopra elencati sul computer, \xE8 necessario installare l'ultima versione del "
         "software\r\n"
         "per ciascun prodotto. Nella maggior parte dei casi, il CD sar\xE0 contrassegnato con la versione "
         "3.00 o "
         "successiva."},
        {22, "Attendere..."},
        {24, "Rimuovi software precedente"},
        {27,
         "Ricerca dei precedenti driver di periferica. Questa operazione potrebbe richiedere alcuni minuti."},
        {28, "Per eseguire questo programma, \xE8 necessario disporre dei diritti di amministratore."},
        {29, "Programma di disinstallazione driver di periferica"},
        {30,
         "Perch\xE9 le modifiche siano effettive, \xE8 necessario riavviare Windows.\r\n\r\nPrima di "
         "riavviare il "
         "sistema, verificare che il CD di installazione si trovi nell'unit\xE0.\r\n\r\nQuando si \xE8 "
         "pronti per "
         "l'operazione, fare clic su Riavvia."},
    };
    for (const auto& row : rows) EXPECT_EQ(ProgramString(row.id), row.text) << row.id;

    // The notice names the earlier series, one per line after a tab, and ends with an empty line.
    std::string notice = ProgramString(16);
    size_t list = notice.find("compresi i seguenti prodotti:\r\n\t");
    ASSERT_NE(list, std::string::npos) << notice;
    ASSERT_GE(notice.size(), 4u);
    EXPECT_EQ(notice.substr(notice.size() - 4), "\r\n\r\n");
    EXPECT_EQ(notice.find("\r\n\r\n"), notice.size() - 4);
    for (size_t line = notice.find("\r\n", list); line + 4 < notice.size();
         line = notice.find("\r\n", line + 2))
        EXPECT_EQ(notice[line + 2], '\t') << notice;
}

struct ExpectedControl {
    WORD id;
    const char* className;
    const char* text;
    DWORD style;  // bits that must be set
    bool visible;
};

void ExpectDialog(UINT id, const char* caption, std::initializer_list<ExpectedControl> controls) {
    std::optional<platform::DialogTemplate> dialog = platform::LoadDialogTemplate(nullptr, id);
    ASSERT_TRUE(dialog) << id;
    EXPECT_EQ(dialog->caption, caption) << id;
    EXPECT_EQ(dialog->style & (WS_POPUP | WS_CAPTION | DS_MODALFRAME),
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_MODALFRAME))
        << id;
    EXPECT_EQ(dialog->style & WS_VISIBLE, 0u) << id;
    EXPECT_EQ(dialog->fontName, "MS Sans Serif") << id;
    ASSERT_EQ(dialog->controls.size(), controls.size()) << id;
    size_t index = 0;
    for (const ExpectedControl& expected : controls) {
        const platform::DialogControlTemplate& control = dialog->controls[index++];
        EXPECT_EQ(control.id, expected.id) << id;
        EXPECT_EQ(control.className, expected.className) << id << " " << expected.id;
        EXPECT_EQ(control.text, expected.text) << id << " " << expected.id;
        EXPECT_EQ(control.style & expected.style, expected.style) << id << " " << expected.id;
        EXPECT_EQ((control.style & WS_VISIBLE) != 0, expected.visible) << id << " " << expected.id;
        EXPECT_TRUE(control.x >= 0 && control.y >= 0 && control.x + control.cx <= dialog->cx &&
                    control.y + control.cy <= dialog->cy)
            << id << " " << expected.id << " lies inside the dialog";
    }
}

TEST(DevpurgeResources, Dialogs) {
    constexpr DWORD kMultiLineEdit = ES_MULTILINE | ES_READONLY;
    ExpectDialog(101, "Errori durante la disinstallazione",
                 {{1003, "EDIT", "", kMultiLineEdit | WS_VSCROLL, true},
                  {IDOK, "BUTTON", "Continua", BS_DEFPUSHBUTTON, true}});
    ExpectDialog(102, "Dialog",
                 {{1003, "STATIC", "", SS_LEFT, false},
                  {1002, "STATIC", "", SS_NOPREFIX, true},
                  {1001, PROGRESS_CLASSA, "", WS_BORDER, true},
                  {IDOK, "BUTTON", "&Avanti >", BS_DEFPUSHBUTTON, false}});
    ExpectDialog(103, "Avvertenza",
                 {{1003, "EDIT", "", kMultiLineEdit | WS_VSCROLL, true},
                  {IDOK, "BUTTON", "&Avanti >", BS_DEFPUSHBUTTON | WS_TABSTOP, true},
                  {IDCANCEL, "BUTTON", "Annulla", WS_TABSTOP, true}});
    ExpectDialog(
        104, "Rimozione",
        {{1003, "EDIT", "", kMultiLineEdit, true}, {IDOK, "BUTTON", "Riavvia", BS_DEFPUSHBUTTON, true}});
}

TEST(DevpurgeResources, VersionInformation) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCE(VS_VERSION_INFO), RT_VERSION);
    ASSERT_NE(found, nullptr);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    DWORD size = SizeofResource(nullptr, found);
    ASSERT_GT(size, 40u + sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(data[0] | data[1] << 8, static_cast<int>(size));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, data + 40, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, static_cast<DWORD>(VS_FFI_SIGNATURE));
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00030000u);
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
}

}  // namespace
