// The picture of an open or save dialog, as Windows 2000 lays out its simple form: the folder it looks in
// above the (empty) list of files, the file name and the file types under it, and the Open or Save button
// with Cancel beside them. Built as a dialog from a template in memory and pictured by the window manager.
#include <string>

#include "platform/comdlg32/comdlg32_internal.h"
#include "platform/user32/dialog.h"

namespace platform::common_dialogs {

namespace {

constexpr WORD kLookIn = 1;
constexpr WORD kFolder = 2;
constexpr WORD kFiles = 3;
constexpr WORD kNameLabel = 4;
constexpr WORD kName = 5;
constexpr WORD kTypeLabel = 6;
constexpr WORD kTypes = 7;

DialogControlTemplate Control(const char* className, const std::string& text, WORD id, DWORD style, short x,
                              short y, short cx, short cy) {
    return ChildControl(className, text, id, style | WS_VISIBLE, x, y, cx, cy);
}

// Fills the combo boxes; answers FALSE so that the dialog leaves the caller's focus alone.
INT_PTR CALLBACK FillProcedure(HWND hDlg, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    const auto& look = *reinterpret_cast<const FileDialogLook*>(lParam);
    HWND folder = GetDlgItem(hDlg, kFolder);
    SendMessageA(folder, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(look.folder.c_str()));
    SendMessageA(folder, CB_SETCURSEL, 0, 0);
    HWND types = GetDlgItem(hDlg, kTypes);
    for (const std::string& filter : look.filters)
        SendMessageA(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(filter.c_str()));
    SendMessageA(types, CB_SETCURSEL, static_cast<WPARAM>(look.selectedFilter), 0);
    return FALSE;
}

}  // namespace

std::string FileDialogPicture(const FileDialogLook& look) {
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
    dialog.caption = look.caption;
    dialog.fontName = "MS Shell Dlg";
    dialog.pointSize = 8;
    dialog.cx = 280;
    dialog.cy = 164;
    dialog.controls = {
        Control("STATIC", look.open ? "Look &in:" : "Save &in:", kLookIn, SS_LEFT, 7, 8, 42, 8),
        Control("COMBOBOX", "", kFolder, CBS_DROPDOWNLIST | WS_TABSTOP, 52, 6, 150, 100),
        Control("LISTBOX", "", kFiles, LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_TABSTOP, 7, 24, 266, 88),
        Control("STATIC", "File &name:", kNameLabel, SS_LEFT, 7, 122, 56, 8),
        Control("EDIT", look.file, kName, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 66, 120, 150, 12),
        Control("STATIC", look.open ? "Files of &type:" : "Save as &type:", kTypeLabel, SS_LEFT, 7, 141, 56, 8),
        Control("COMBOBOX", "", kTypes, CBS_DROPDOWNLIST | WS_TABSTOP, 66, 139, 150, 100),
        Control("BUTTON", look.open ? "&Open" : "&Save", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 223, 119, 50, 14),
        Control("BUTTON", "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 223, 138, 50, 14),
    };
    return SilentDialogPicture(dialog, look.open ? "openfiledialog" : "savefiledialog", FillProcedure,
                               reinterpret_cast<LPARAM>(&look));
}

}  // namespace platform::common_dialogs
