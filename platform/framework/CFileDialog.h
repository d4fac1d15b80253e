// The open and save file dialogs as a dialog object: the OPENFILENAME structure (m_ofn) filled from the
// constructor's arguments, DoModal over GetOpenFileNameA or GetSaveFileNameA, and the chosen file.
//
// A filter is written as description and pattern pairs separated by '|' and ended by "||":
// "Testi (*.txt)|*.txt|Tutti i file (*.*)|*.*||".
#pragma once

#include <string>

#include "CDialog.h"
#include "CString.h"
#include "commdlg.h"
#include "windows.h"

class CFileDialog : public CDialog {
  public:
    explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);

    // IDOK with a file chosen, IDCANCEL when the user cancelled or the dialog failed
    // (CommDlgExtendedError tells which).
    INT_PTR DoModal() override;

    // The chosen file's full path, its name, its name without the extension, and the extension.
    CString GetPathName() const;
    CString GetFileName() const;
    CString GetFileTitle() const;
    CString GetFileExt() const;

    OPENFILENAMEA m_ofn{};

  protected:
    BOOL m_bOpenFileDialog;
    char m_szFileName[MAX_PATH] = "";
    char m_szFileTitle[MAX_PATH] = "";

  private:
    std::string m_strFilter;
    std::string m_strDefExt;
};
