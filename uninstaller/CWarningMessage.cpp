#include "CWarningMessage.h"

#include <string>

#include "DataFile.h"
#include "IniLookup.h"
#include "ProgramStrings.h"
#include "UninstallerGlobals.h"
#include "resource.h"

namespace {

constexpr unsigned int MANUFACTURER_SIZE = 1024;
constexpr char TITLE_SEPARATOR[] = ": ";

}  // namespace

CWarningMessage::CWarningMessage() : CDialog(IDD_WARNING) {}

void CWarningMessage::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MESSAGE, m_message);
}

BOOL CWarningMessage::OnInitDialog() {
    CDialog::OnInitDialog();
    m_message.FmtLines(TRUE);
    char manufacturer[MANUFACTURER_SIZE] = "";
    GetValueByLang(gDATFileName.c_str(), VERSION_SECTION, MANUFACTURER_KEY, manufacturer, MANUFACTURER_SIZE,
                   LANG_SYSTEM_DEFAULT);
    std::string title = manufacturer;
    title += TITLE_SEPARATOR;
    title += LoadProgramString(IDS_WARNING_TITLE);
    SetWindowText(title.c_str());
    std::string text = LoadProgramString(IDS_WARNING_PRODUCTS) + LoadProgramString(IDS_WARNING_CONTINUE);
    m_message.SetWindowText(text.c_str());
    return TRUE;
}
