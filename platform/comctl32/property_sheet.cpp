// Property sheets: a dialog holding a tab control with a tab for each page, the current page as a child
// dialog inside it, and the OK, Cancel and Apply buttons (Help with PSH_HASHELP).
//
// A page's dialog is made the first time it becomes current, and kept (hidden) when another page is. The
// pages hear of the sheet's events as WM_NOTIFY with a PSHNOTIFY, and answer through their
// DWLP_MSGRESULT: PSN_SETACTIVE as a page becomes current; PSN_KILLACTIVE as it stops being current or
// before the pages apply, where TRUE keeps it current; PSN_APPLY to every page made, for OK and Apply,
// where PSNRET_INVALID_NOCHANGEPAGE stops the apply and PSNRET_INVALID also makes that page current;
// PSN_QUERYCANCEL to the current page, where TRUE refuses Cancel; and PSN_RESET to every page made, for
// Cancel. A modal sheet returns 1 when the pages applied their changes (OK, or Apply before Cancel), 0
// otherwise, -1 on failure; a modeless sheet returns its window and, once OK or Cancel has ended it,
// answers PSM_GETCURRENTPAGEHWND with no page, which tells its owner to destroy it.
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commctrl.h"
#include "platform/user32/dialog.h"

// A page made by CreatePropertySheetPageA: a copy of the program's description, extra bytes after the
// structure included (dwSize bytes), as Windows keeps it.
struct _PSP {
    std::vector<BYTE> bytes;
    PROPSHEETPAGEA* page() { return reinterpret_cast<PROPSHEETPAGEA*>(bytes.data()); }
};

namespace platform::comctl32 {

namespace {

constexpr int kMargin = 4;        // dialog units around the tab control and between buttons
constexpr int kTabHeader = 14;    // the row of tabs
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

struct SheetPage {
    HPROPSHEETPAGE handle = nullptr;
    bool ownHandle = false;  // made by the sheet from the header's PROPSHEETPAGEA array
    std::optional<DialogTemplate> dialog;
    UINT resourceId = 0;
    HWND window = nullptr;
    bool changed = false;
};

struct Sheet {
    PROPSHEETHEADERA header{};
    std::string caption;
    std::vector<SheetPage> pages;
    int current = -1;
    int creating = -1;  // the page whose dialog is being made: it may tell the sheet of itself meanwhile
    bool applied = false;
    bool ended = false;
    HWND window = nullptr;
    HWND tabs = nullptr;
    HIMAGELIST icons = nullptr;
    int pageX = 0;
    int pageY = 0;

    Sheet() = default;
    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;
    ~Sheet();
};

std::string TextOf(HINSTANCE instance, LPCSTR text) {
    if (!text) return "";
    if (!IS_INTRESOURCE(text)) return text;
    char buffer[512] = {};
    LoadStringA(instance, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(text)), buffer, sizeof buffer);
    return buffer;
}

std::string SheetTitle(HINSTANCE instance, LPCSTR caption, bool propertiesTitle) {
    std::string title = TextOf(instance, caption);
    return propertiesTitle ? title + " Properties" : title;
}

HPROPSHEETPAGE NewPage(const PROPSHEETPAGEA* description) {
    if (!description || description->dwSize < PROPSHEETPAGEA_V1_SIZE) return nullptr;
    auto* page = new _PSP;
    size_t size = std::max<size_t>(description->dwSize, sizeof(PROPSHEETPAGEA));
    page->bytes.assign(size, 0);
    std::memcpy(page->bytes.data(), description, description->dwSize);
    if (page->page()->dwFlags & PSP_USECALLBACK && page->page()->pfnCallback)
        page->page()->pfnCallback(nullptr, PSPCB_ADDREF, page->page());
    return page;
}

void ReleasePage(HPROPSHEETPAGE page) {
    if (!page) return;
    if ((page->page()->dwFlags & PSP_USECALLBACK) && page->page()->pfnCallback)
        page->page()->pfnCallback(nullptr, PSPCB_RELEASE, page->page());
    delete page;
}

// The page's template, read as the sheet is made so that the sheet can be as large as its largest page.
std::optional<DialogTemplate> PageTemplate(const PROPSHEETPAGEA& page, UINT& resourceId) {
    resourceId = 0;
    if (page.dwFlags & PSP_DLGINDIRECT) {
        // A template in memory carries no size: it is read as far as its records go.
        return page.pResource ? DecodeDialogTemplate(page.pResource, 0x10000) : std::nullopt;
    }
    if (!IS_INTRESOURCE(page.pszTemplate)) return std::nullopt;
    resourceId = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(page.pszTemplate));
    return LoadDialogTemplate(page.hInstance, resourceId);
}

std::string PageTitle(const SheetPage& page) {
    const PROPSHEETPAGEA& description = *page.handle->page();
    if (description.dwFlags & PSP_USETITLE) return TextOf(description.hInstance, description.pszTitle);
    return page.dialog ? page.dialog->caption : "";
}

Sheet::~Sheet() {
    for (SheetPage& page : pages) {
        if (page.ownHandle) ReleasePage(page.handle);
    }
    if (icons) ImageList_Destroy(icons);
}

Sheet* SheetOf(HWND sheet) { return reinterpret_cast<Sheet*>(GetWindowLongPtrA(sheet, DWLP_USER)); }

// Sends a sheet notification to a page: the page's answer.
LRESULT NotifyPage(Sheet& sheet, HWND page, UINT code, LPARAM lParam = 0) {
    if (!page) return 0;
    PSHNOTIFY notify{};
    notify.hdr.hwndFrom = sheet.window;
    notify.hdr.idFrom = 0;
    notify.hdr.code = code;
    notify.lParam = lParam;
    return SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

void AddTab(Sheet& sheet, size_t index) {
    SheetPage& page = sheet.pages[index];
    std::string title = PageTitle(page);
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = title.data();
    item.iImage = -1;
    const PROPSHEETPAGEA& description = *page.handle->page();
    HICON icon = nullptr;
    if (description.dwFlags & PSP_USEHICON) {
        icon = description.hIcon;
    } else if ((description.dwFlags & PSP_USEICONID) && description.pszIcon) {
        icon = static_cast<HICON>(LoadImageA(description.hInstance, description.pszIcon, IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    }
    if (icon) {
        if (!sheet.icons) {
            sheet.icons = ImageList_Create(16, 16, ILC_MASK, 2, 2);
            SendMessageA(sheet.tabs, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(sheet.icons));
        }
        item.iImage = ImageList_AddIcon(sheet.icons, icon);
    }
    SendMessageA(sheet.tabs, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
}

// Makes the page's dialog inside the tab control, the first time it is needed. (The pages may grow while
// the page starts: it is found again by its index after.)
bool CreatePageWindow(Sheet& sheet, size_t index) {
    if (sheet.pages[index].window) return true;
    PROPSHEETPAGEA* description = sheet.pages[index].handle->page();
    if (!sheet.pages[index].dialog) return false;
    if ((description->dwFlags & PSP_USECALLBACK) && description->pfnCallback &&
        !description->pfnCallback(nullptr, PSPCB_CREATE, description)) {
        return false;
    }
    DialogTemplate dialog = *sheet.pages[index].dialog;
    dialog.style = (dialog.style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VISIBLE | WS_DISABLED |
                                     DS_MODALFRAME)) |
                   WS_CHILD | DS_CONTROL | DS_3DLOOK;
    dialog.exStyle &= ~static_cast<DWORD>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE);
    dialog.x = static_cast<short>(sheet.pageX);
    dialog.y = static_cast<short>(sheet.pageY);
    sheet.creating = static_cast<int>(index);
    HWND window = CreateDialogFromTemplate(description->hInstance, dialog, sheet.pages[index].resourceId, sheet.window,
                                           description->pfnDlgProc, reinterpret_cast<LPARAM>(description));
    sheet.creating = -1;
    sheet.pages[index].window = window;
    return window != nullptr;
}

// Makes page `index` the current one: PSN_SETACTIVE, then the old page is hidden and the new shown.
bool Activate(Sheet& sheet, int index) {
    if (index < 0 || static_cast<size_t>(index) >= sheet.pages.size()) return false;
    if (!CreatePageWindow(sheet, static_cast<size_t>(index))) return false;
    HWND window = sheet.pages[static_cast<size_t>(index)].window;
    NotifyPage(sheet, window, PSN_SETACTIVE);
    int previous = sheet.current;
    sheet.current = index;
    SendMessageA(sheet.tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (previous >= 0 && previous != index) ShowWindow(sheet.pages[static_cast<size_t>(previous)].window, SW_HIDE);
    ShowWindow(window, SW_SHOW);
    return true;
}

HWND CurrentPage(const Sheet& sheet) {
    if (sheet.current < 0) return nullptr;
    return sheet.pages[static_cast<size_t>(sheet.current)].window;
}

// The current page lets go (PSN_KILLACTIVE answered FALSE).
bool CurrentPageLetsGo(Sheet& sheet) { return NotifyPage(sheet, CurrentPage(sheet), PSN_KILLACTIVE) == FALSE; }

bool SwitchTo(Sheet& sheet, int index) {
    if (index == sheet.current) return true;
    if (index < 0 || static_cast<size_t>(index) >= sheet.pages.size() || !CurrentPageLetsGo(sheet)) return false;
    return Activate(sheet, index);
}

void UpdateApplyButton(Sheet& sheet) {
    bool changed = std::any_of(sheet.pages.begin(), sheet.pages.end(), [](const SheetPage& page) { return page.changed; });
    if (HWND apply = GetDlgItem(sheet.window, ID_APPLY_NOW)) EnableWindow(apply, changed);
}

// OK and Apply: every page made applies, after the current one let go.
bool Apply(Sheet& sheet, bool ok) {
    if (!CurrentPageLetsGo(sheet)) return false;
    for (size_t index = 0; index < sheet.pages.size(); ++index) {
        LRESULT answer = NotifyPage(sheet, sheet.pages[index].window, PSN_APPLY, ok ? TRUE : FALSE);
        if (answer == PSNRET_INVALID) Activate(sheet, static_cast<int>(index));
        if (answer == PSNRET_INVALID || answer == PSNRET_INVALID_NOCHANGEPAGE) return false;
    }
    for (SheetPage& page : sheet.pages) page.changed = false;
    sheet.applied = true;
    UpdateApplyButton(sheet);
    return true;
}

void End(Sheet& sheet, INT_PTR result) {
    sheet.ended = true;
    if (!(sheet.header.dwFlags & PSH_MODELESS)) EndDialog(sheet.window, result);
}

void Cancel(Sheet& sheet) {
    if (NotifyPage(sheet, CurrentPage(sheet), PSN_QUERYCANCEL)) return;
    for (SheetPage& page : sheet.pages) NotifyPage(sheet, page.window, PSN_RESET);
    End(sheet, sheet.applied ? 1 : 0);
}

int PageIndex(const Sheet& sheet, HWND window, HPROPSHEETPAGE handle) {
    for (size_t index = 0; index < sheet.pages.size(); ++index) {
        if ((window && sheet.pages[index].window == window) || (handle && sheet.pages[index].handle == handle))
            return static_cast<int>(index);
    }
    return window ? sheet.creating : -1;
}

bool AddPage(Sheet& sheet, HPROPSHEETPAGE handle, bool ownHandle) {
    if (!handle) return false;
    SheetPage page;
    page.handle = handle;
    page.ownHandle = ownHandle;
    page.dialog = PageTemplate(*handle->page(), page.resourceId);
    sheet.pages.push_back(std::move(page));
    if (sheet.tabs) AddTab(sheet, sheet.pages.size() - 1);
    return true;
}

int StartPage(const Sheet& sheet) {
    const PROPSHEETHEADERA& header = sheet.header;
    if (!(header.dwFlags & PSH_USEPSTARTPAGE)) return header.nStartPage < sheet.pages.size() ? static_cast<int>(header.nStartPage) : 0;
    std::string wanted = TextOf(header.hInstance, header.pStartPage);
    for (size_t index = 0; index < sheet.pages.size(); ++index) {
        if (PageTitle(sheet.pages[index]) == wanted) return static_cast<int>(index);
    }
    return 0;
}

BOOL Initialize(HWND window, Sheet& sheet) {
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(&sheet));
    sheet.window = window;
    sheet.tabs = GetDlgItem(window, IDC_TABCONTROL);
    for (size_t index = 0; index < sheet.pages.size(); ++index) AddTab(sheet, index);
    // The sheet's own icon, in its caption.
    HICON icon = nullptr;
    if (sheet.header.dwFlags & PSH_USEHICON) {
        icon = sheet.header.hIcon;
    } else if ((sheet.header.dwFlags & PSH_USEICONID) && sheet.header.pszIcon) {
        icon = LoadIconA(sheet.header.hInstance, sheet.header.pszIcon);
    }
    if (icon) SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    Activate(sheet, StartPage(sheet));
    if ((sheet.header.dwFlags & PSH_USECALLBACK) && sheet.header.pfnCallback)
        sheet.header.pfnCallback(window, PSCB_INITIALIZED, 0);
    return TRUE;
}

BOOL OnCommand(Sheet& sheet, WORD id) {
    switch (id) {
        case IDOK:
            if (Apply(sheet, true)) End(sheet, 1);
            return TRUE;
        case IDCANCEL:
            Cancel(sheet);
            return TRUE;
        case ID_APPLY_NOW:
            Apply(sheet, false);
            return TRUE;
        case IDHELP:
            NotifyPage(sheet, CurrentPage(sheet), PSN_HELP);
            return TRUE;
        default:
            return FALSE;
    }
}

// The sheet's answer to a message, through DWLP_MSGRESULT.
INT_PTR Answer(HWND window, LRESULT result) {
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CALLBACK SheetProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    // The sheet's state belongs to its window from here on, deleted with it.
    if (message == WM_INITDIALOG) return Initialize(hDlg, *reinterpret_cast<std::unique_ptr<Sheet>*>(lParam)->release());
    Sheet* sheet = SheetOf(hDlg);
    if (!sheet) return FALSE;
    switch (message) {
        case WM_COMMAND:
            return OnCommand(*sheet, LOWORD(wParam));
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!header || header->hwndFrom != sheet->tabs) return FALSE;
            if (header->code == TCN_SELCHANGING) return Answer(hDlg, CurrentPageLetsGo(*sheet) ? FALSE : TRUE);
            if (header->code == TCN_SELCHANGE) {
                int index = static_cast<int>(SendMessageA(sheet->tabs, TCM_GETCURSEL, 0, 0));
                if (!Activate(*sheet, index)) SendMessageA(sheet->tabs, TCM_SETCURSEL, sheet->current, 0);
            }
            return Answer(hDlg, 0);
        }
        case PSM_SETCURSEL: {
            int index = lParam ? PageIndex(*sheet, nullptr, reinterpret_cast<HPROPSHEETPAGE>(lParam))
                               : static_cast<int>(wParam);
            return Answer(hDlg, SwitchTo(*sheet, index) ? TRUE : FALSE);
        }
        case PSM_GETCURRENTPAGEHWND:
            return Answer(hDlg, sheet->ended ? 0 : reinterpret_cast<LRESULT>(CurrentPage(*sheet)));
        case PSM_GETTABCONTROL:
            return Answer(hDlg, reinterpret_cast<LRESULT>(sheet->tabs));
        case PSM_SETTITLEA: {
            std::string title =
                SheetTitle(sheet->header.hInstance, reinterpret_cast<LPCSTR>(lParam), (wParam & PSH_PROPTITLE) != 0);
            SetWindowTextA(hDlg, title.c_str());
            return Answer(hDlg, 0);
        }
        case PSM_CHANGED:
        case PSM_UNCHANGED: {
            int index = PageIndex(*sheet, reinterpret_cast<HWND>(wParam), nullptr);
            if (index >= 0) sheet->pages[static_cast<size_t>(index)].changed = message == PSM_CHANGED;
            UpdateApplyButton(*sheet);
            return Answer(hDlg, 0);
        }
        case PSM_APPLY:
            return Answer(hDlg, Apply(*sheet, false) ? TRUE : FALSE);
        case PSM_PRESSBUTTON: {
            static constexpr WORD kButtons[] = {0, 0, 0, IDOK, ID_APPLY_NOW, IDCANCEL, IDHELP};
            if (wParam >= std::size(kButtons) || !kButtons[wParam]) return Answer(hDlg, FALSE);
            PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(kButtons[wParam], BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hDlg, kButtons[wParam])));
            return Answer(hDlg, TRUE);
        }
        case PSM_ADDPAGE:
            return Answer(hDlg, AddPage(*sheet, reinterpret_cast<HPROPSHEETPAGE>(lParam), false) ? TRUE : FALSE);
        case PSM_ISDIALOGMESSAGE:
            return Answer(hDlg, IsDialogMessageA(hDlg, reinterpret_cast<LPMSG>(lParam)));
        case WM_NCDESTROY:
            SetWindowLongPtrA(hDlg, DWLP_USER, 0);
            delete sheet;
            return FALSE;
        default:
            return FALSE;
    }
}

DialogControlTemplate Control(const char* className, const char* text, WORD id, DWORD style, int x, int y, int cx, int cy) {
    return ChildControl(className, text, id, style, x, y, cx, cy);
}

// The sheet's own template: the tab control around the largest page, the buttons in a row below it,
// right-aligned, and the first page's font.
DialogTemplate SheetTemplate(Sheet& sheet) {
    int width = 0;
    int height = 0;
    const DialogTemplate* first = nullptr;
    for (const SheetPage& page : sheet.pages) {
        if (!page.dialog) continue;
        if (!first) first = &*page.dialog;
        width = std::max<int>(width, page.dialog->cx);
        height = std::max<int>(height, page.dialog->cy);
    }
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK | DS_CONTEXTHELP | WS_VISIBLE;
    dialog.exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    // The program may change the sheet's styles before it is made.
    if ((sheet.header.dwFlags & PSH_USECALLBACK) && sheet.header.pfnCallback) {
        struct {
            DLGTEMPLATE header;
            WORD names[3];
        } bytes{};
        bytes.header.style = dialog.style;
        bytes.header.dwExtendedStyle = dialog.exStyle;
        sheet.header.pfnCallback(nullptr, PSCB_PRECREATE, reinterpret_cast<LPARAM>(&bytes.header));
        dialog.style = bytes.header.style;
        dialog.exStyle = bytes.header.dwExtendedStyle;
    }
    if (first && (first->style & DS_SETFONT)) {
        dialog.style |= DS_SETFONT;
        dialog.fontName = first->fontName;
        dialog.pointSize = first->pointSize;
    }
    dialog.caption = sheet.caption;
    sheet.pageX = 2 * kMargin;
    sheet.pageY = kMargin + kTabHeader + kMargin;
    int tabWidth = width + 2 * kMargin;
    int tabHeight = height + kTabHeader + 2 * kMargin;
    int buttonsY = kMargin + tabHeight + kMargin;
    dialog.cx = static_cast<short>(tabWidth + 2 * kMargin);
    dialog.cy = static_cast<short>(buttonsY + kButtonHeight + kMargin);
    dialog.controls.push_back(Control(WC_TABCONTROLA, "", IDC_TABCONTROL, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                                      kMargin, kMargin, tabWidth, tabHeight));
    struct Button {
        const char* text;
        WORD id;
        DWORD style;
        bool present;
    } buttons[] = {
        {"OK", IDOK, BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP, true},
        {"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP, true},
        {"&Apply", ID_APPLY_NOW, BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP | WS_DISABLED,
         !(sheet.header.dwFlags & PSH_NOAPPLYNOW)},
        {"Help", IDHELP, BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP, (sheet.header.dwFlags & PSH_HASHELP) != 0},
    };
    int present = static_cast<int>(std::count_if(std::begin(buttons), std::end(buttons), [](const Button& button) { return button.present; }));
    int x = dialog.cx - kMargin - present * kButtonWidth - (present - 1) * kMargin;
    for (const Button& button : buttons) {
        if (!button.present) continue;
        dialog.controls.push_back(Control("BUTTON", button.text, button.id, button.style, x, buttonsY, kButtonWidth, kButtonHeight));
        x += kButtonWidth + kMargin;
    }
    return dialog;
}

}  // namespace

}  // namespace platform::comctl32

using platform::comctl32::Sheet;

extern "C" HPROPSHEETPAGE WINAPI CreatePropertySheetPageA(LPCPROPSHEETPAGEA constPropSheetPagePointer) {
    HPROPSHEETPAGE page = platform::comctl32::NewPage(constPropSheetPagePointer);
    if (!page) SetLastError(ERROR_INVALID_PARAMETER);
    return page;
}

extern "C" BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage) {
    if (!hPSPage) return FALSE;
    platform::comctl32::ReleasePage(hPSPage);
    return TRUE;
}

extern "C" INT_PTR WINAPI PropertySheetA(LPCPROPSHEETHEADERA lppsph) {
    if (!lppsph || lppsph->dwSize < PROPSHEETHEADERA_V1_SIZE) return -1;
    auto sheet = std::make_unique<Sheet>();
    std::memcpy(&sheet->header, lppsph, std::min<size_t>(lppsph->dwSize, sizeof(PROPSHEETHEADERA)));
    const PROPSHEETHEADERA& header = sheet->header;
    sheet->caption = platform::comctl32::SheetTitle(header.hInstance, header.pszCaption, (header.dwFlags & PSH_PROPTITLE) != 0);
    // Each PROPSHEETPAGEA of the array is as long as its own dwSize says.
    const BYTE* next = reinterpret_cast<const BYTE*>(header.ppsp);
    for (UINT index = 0; index < header.nPages; ++index) {
        bool added = false;
        if (header.dwFlags & PSH_PROPSHEETPAGE) {
            const auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(next);
            if (!description) break;
            added = platform::comctl32::AddPage(*sheet, platform::comctl32::NewPage(description), true);
            next += description->dwSize;
        } else {
            added = header.phpage && platform::comctl32::AddPage(*sheet, header.phpage[index], false);
        }
        if (!added) return -1;
    }
    platform::DialogTemplate dialog = platform::comctl32::SheetTemplate(*sheet);
    bool modeless = (header.dwFlags & PSH_MODELESS) != 0;
    HINSTANCE instance = header.hInstance;
    HWND parent = header.hwndParent;
    // Left here only when the window could not be made.
    LPARAM holder = reinterpret_cast<LPARAM>(&sheet);
    if (modeless) {
        HWND window =
            platform::CreateDialogFromTemplate(instance, dialog, 0, parent, platform::comctl32::SheetProcedure, holder);
        if (!window) return -1;
        // A modeless sheet is on the screen once made, whatever styles the program gave it.
        ShowWindow(window, SW_SHOW);
        return reinterpret_cast<INT_PTR>(window);
    }
    return platform::DialogBoxFromTemplate(instance, dialog, 0, parent, platform::comctl32::SheetProcedure, holder);
}
