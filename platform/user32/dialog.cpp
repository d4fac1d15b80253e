// The dialog manager: dialogs made from templates, the standard dialog procedure, modal dialogs answered
// from the machine's UI answers, modeless dialogs answered by the answers addressed to them, and the dialog
// item helpers.
#include "platform/user32/dialog.h"

#include <algorithm>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/machine/text.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/user32/hosted_pages.h"
#include "platform/user32/paint.h"
#include "platform/user32/window_geometry.h"
#include "platform/user32/window_manager.h"

namespace platform {

namespace {

template <typename Action>
auto WithWindow(HWND handle, Action action) -> decltype(action(std::declval<Window&>())) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(handle);
    if (!window) return {};
    return action(*window);
}

bool IsEnded(HWND dialog) {
    return WithWindow(dialog, [](Window& window) { return window.dialogEnded; });
}

bool IsButton(const Window& window) { return EqualsNoCase(window.className, "BUTTON"); }

HWND DefaultPushButton(HWND dialog) {
    return WithWindow(dialog, [](Window& window) -> HWND {
        WindowManager& manager = WindowManager::Instance();
        for (HWND handle : window.children) {
            std::shared_ptr<Window> child = manager.Find(handle);
            if (child && IsButton(*child) && (child->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return handle;
        }
        return nullptr;
    });
}

struct Button {
    int id;
    std::string text;
};

// The buttons the user can click: visible and enabled.
std::vector<Button> ClickableButtons(HWND dialog) {
    return WithWindow(dialog, [](Window& window) {
        WindowManager& manager = WindowManager::Instance();
        std::vector<Button> buttons;
        for (HWND handle : window.children) {
            std::shared_ptr<Window> child = manager.Find(handle);
            if (!child || !IsButton(*child) || !(child->style & WS_VISIBLE) || (child->style & WS_DISABLED)) continue;
            buttons.push_back({child->id, child->text});
        }
        return buttons;
    });
}

// The standard answer names in the order of their ids: IDOK (1) first.
const char* StandardAnswerName(int id) {
    return id >= 1 && id <= static_cast<int>(std::size(kStandardAnswers)) ? kStandardAnswers[id - 1] : nullptr;
}

// The id a scripted answer names: "IDOK" and the other standard names, a number, or a button's text
// (accelerator marks left out, any case). IDCANCEL is always there: it is the Esc key.
std::optional<int> AnsweredId(const std::vector<Button>& buttons, std::string_view answer) {
    std::string_view trimmed = TrimBlanks(answer);
    std::optional<int> id;
    for (int index = 1; StandardAnswerName(index); ++index) {
        if (EqualsNoCase(trimmed, StandardAnswerName(index))) id = index;
    }
    if (!id && !trimmed.empty() && trimmed.find_first_not_of("0123456789") == std::string_view::npos) {
        id = std::stoi(std::string(trimmed));
    }
    if (!id) {
        for (const Button& button : buttons) {
            if (EqualsNoCase(trimmed, WithoutAccelerators(button.text))) return button.id;
        }
        return std::nullopt;
    }
    if (*id == IDCANCEL) return id;
    for (const Button& button : buttons) {
        if (button.id == *id) return id;
    }
    return std::nullopt;
}

std::string AnswerName(const std::vector<Button>& buttons, int id) {
    const char* standard = StandardAnswerName(id);
    std::string name = standard ? standard : std::to_string(id);
    for (const Button& button : buttons) {
        if (button.id == id) return name + " \"" + button.text + "\"";
    }
    return name;
}

// A link answer: offered to the dialog's controls; one that no control has is recorded as dropped.
void FollowLink(HWND dialog, const std::string& link) {
    if (!FollowLinkAnswer(dialog, link))
        RecordDialogAnswer(dialog, "none (scripted \"link " + link + "\" is not a link of this dialog)");
}

// The user's turn, when the modal dialog has nothing left to do: the next scripted answer, else the
// default button (DM_GETDEFID, else IDOK), clicked as WM_COMMAND. Returns false when the default button
// was already clicked and left the dialog open, so nobody is left to close it.
bool UserAnswers(HWND dialog, bool& defaultClicked) {
    std::vector<Button> buttons = ClickableButtons(dialog);
    Machine* machine = Machine::CurrentOrNull();
    UINT resourceId = WithWindow(dialog, [](Window& window) { return window.dialogResourceId; });
    if (std::optional<std::string> link = machine && resourceId ? TakeDialogLinkAnswer(*machine, resourceId) : std::nullopt) {
        FollowLink(dialog, *link);
        return true;
    }
    std::optional<std::string> answer = machine ? TakeAnswer(*machine) : std::nullopt;
    std::optional<int> id;
    std::string record;
    std::string rejection = " is not a button of this dialog";
    if (answer) {
        if (std::optional<ControlAct> act = ActOnControl(dialog, *answer)) {
            if (act->done) {
                RecordDialogAnswer(dialog, act->description);
                return true;
            }
            rejection = ": " + act->description;
        } else {
            id = AnsweredId(buttons, *answer);
        }
    }
    if (id) {
        record = AnswerName(buttons, *id);
    } else {
        if (!answer && defaultClicked) return false;
        LRESULT defaultId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
        id = HIWORD(defaultId) == DC_HASDEFID ? LOWORD(defaultId) : IDOK;
        record = AnswerName(buttons, *id) +
                 (answer ? " (default; scripted \"" + *answer + "\"" + rejection + ")" : " (default)");
        defaultClicked = true;
    }
    RecordDialogAnswer(dialog, record);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(*id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, *id)));
    return true;
}

// The visible modeless dialogs of the calling thread made from a resource, one for each resource id (the
// first made): the dialogs the user can answer through an addressed answer.
std::vector<std::pair<HWND, UINT>> ShownModelessDialogs() {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    DWORD thread = GetCurrentThreadId();
    std::vector<std::pair<HWND, UINT>> dialogs;
    for (const auto& [handle, window] : manager.windows) {
        if (!window->isDialog || window->modal || !window->dialogResourceId || window->destroying ||
            window->threadId != thread || !IsShownLocked(manager, *window)) {
            continue;
        }
        // A dialog inside a window (a property sheet's page) is answered while that window is modeless.
        if (window->style & WS_CHILD) {
            std::shared_ptr<Window> top = window;
            while (top && (top->style & WS_CHILD)) top = manager.Find(top->parent);
            if (!top || top->modal) continue;
        }
        bool seen = false;
        for (const auto& dialog : dialogs) seen = seen || dialog.second == window->dialogResourceId;
        if (!seen) dialogs.emplace_back(handle, window->dialogResourceId);
    }
    return dialogs;
}

// The dialog and its controls are placed in dialog units of the template's font (the system font
// without DS_SETFONT), and each control is given the font.
HWND CreateDialogWindow(HINSTANCE instance, const DialogTemplate& dialog, UINT resourceId, HWND parent,
                        DLGPROC procedure, LPARAM initParam, bool modal) {
    const char* className = dialog.className.empty() ? "#32770" : dialog.className.c_str();
    DialogFont font = CreateDialogFont(dialog);
    DWORD style = dialog.style;
    DWORD exStyle = DialogExStyle(dialog);
    RECT place = DialogWindowRect(dialog, exStyle, font.units, parent);
    HWND handle = CreateWindowExA(exStyle, className, dialog.caption.c_str(), style & ~WS_VISIBLE, place.left,
                                  place.top, place.right - place.left, place.bottom - place.top, parent, nullptr,
                                  instance, nullptr);
    if (!handle) {
        if (font.font) DeleteDialogFont(font.font);
        return nullptr;
    }
    WithWindow(handle, [&](Window& window) {
        window.isDialog = true;
        window.modal = modal;
        window.dialogResourceId = resourceId;
        window.baseUnitX = font.units.x;
        window.baseUnitY = font.units.y;
        window.dialogFont = font.font;
        return 0;
    });
    SetWindowLongPtrA(handle, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(procedure));
    if (font.font) SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font.font), FALSE);
    HWND focus = nullptr;
    for (const DialogControlTemplate& control : dialog.controls) {
        RECT area = DialogUnitsToPixels(RECT{control.x, control.y, control.x + control.cx, control.y + control.cy},
                                        font.units);
        DWORD controlStyle = control.style | WS_CHILD;
        DWORD controlExStyle = control.exStyle;
        // The three-dimensional look: a bordered control is drawn sunken.
        if (controlStyle & WS_BORDER) {
            controlStyle &= ~WS_BORDER;
            controlExStyle |= WS_EX_CLIENTEDGE;
        }
        HWND child = CreateWindowExA(controlExStyle, control.className.c_str(), control.text.c_str(), controlStyle,
                                     area.left, area.top, area.right - area.left, area.bottom - area.top, handle,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        if (!child && !(dialog.style & DS_NOFAILCREATE)) {
            DestroyWindow(handle);
            return nullptr;
        }
        if (child && font.font) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.font), FALSE);
        if (child && !focus && (control.style & WS_TABSTOP)) focus = child;
    }
    // A procedure that sets the focus itself answers FALSE; otherwise the first tab stop takes it.
    if (SendMessageA(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), initParam) && IsWindow(handle)) {
        if (HWND first = GetNextDlgTabItem(handle, nullptr, FALSE)) SetFocus(first);
    }
    return IsWindow(handle) ? handle : nullptr;
}

std::optional<DialogTemplate> TemplateOf(HINSTANCE instance, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return std::nullopt;
    }
    std::optional<DialogTemplate> dialog = LoadDialogTemplate(instance, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
    if (!dialog) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return dialog;
}

}  // namespace

ModelessAnswer AnswerModelessDialogs() {
    std::vector<std::pair<HWND, UINT>> dialogs = ShownModelessDialogs();
    Machine* machine = dialogs.empty() ? nullptr : Machine::CurrentOrNull();
    if (!machine) return ModelessAnswer::None;
    ModelessAnswer result = ModelessAnswer::None;
    for (const auto& [dialog, resourceId] : dialogs) {
        DialogAnswerLook look = TakeDialogAnswer(*machine, resourceId);
        if (look.waiting && result == ModelessAnswer::None) result = ModelessAnswer::Waiting;
        if (!look.answer) continue;
        if (std::optional<std::string> link = LinkOfAnswer(*look.answer)) {
            FollowLink(dialog, *link);
            result = ModelessAnswer::Posted;
            continue;
        }
        if (std::optional<ControlAct> act = ActOnControl(dialog, *look.answer)) {
            RecordDialogAnswer(dialog, act->done ? act->description
                                                 : "none (scripted \"" + *look.answer + "\": " + act->description + ")");
            if (act->done) {
                result = ModelessAnswer::Posted;
            } else if (result == ModelessAnswer::None) {
                result = ModelessAnswer::Waiting;
            }
            continue;
        }
        std::vector<Button> buttons = ClickableButtons(dialog);
        std::optional<int> id = AnsweredId(buttons, *look.answer);
        if (!id) {
            RecordDialogAnswer(dialog, "none (scripted \"" + *look.answer + "\" is not a button of this dialog)");
            if (result == ModelessAnswer::None) result = ModelessAnswer::Waiting;
            continue;
        }
        RecordDialogAnswer(dialog, AnswerName(buttons, *id));
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(*id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, *id)));
        result = ModelessAnswer::Posted;
    }
    return result;
}

HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& dialog, UINT resourceId, HWND parent,
                              DLGPROC procedure, LPARAM initParam) {
    HWND handle = CreateDialogWindow(instance, dialog, resourceId, parent, procedure, initParam, false);
    if (handle && (dialog.style & WS_VISIBLE)) ShowWindow(handle, SW_SHOWNORMAL);
    return handle;
}

std::string SilentDialogPicture(const DialogTemplate& dialog, const std::string& kind, DLGPROC procedure,
                                LPARAM initParam) {
    DialogTemplate hidden = dialog;
    hidden.style &= ~WS_VISIBLE;
    HWND handle = CreateDialogWindow(nullptr, hidden, 0, nullptr, procedure, initParam, false);
    if (!handle) return "";
    MarkSilentDialog(handle);
    ShowWindow(handle, SW_SHOW);
    std::string picture = TakePicture(handle, kind);
    DestroyWindow(handle);
    return picture;
}

INT_PTR DialogBoxFromTemplate(HINSTANCE instance, const DialogTemplate& dialog, UINT resourceId, HWND parent,
                              DLGPROC procedure, LPARAM initParam) {
    // The owner is disabled while the dialog is up.
    HWND owner = parent;
    while (owner && (GetWindowLongPtrA(owner, GWL_STYLE) & WS_CHILD)) owner = GetParent(owner);
    bool disabledOwner = owner && IsWindowEnabled(owner);
    HWND handle = CreateDialogWindow(instance, dialog, resourceId, owner, procedure, initParam, true);
    if (!handle) return -1;
    if (disabledOwner) EnableWindow(owner, FALSE);
    if (!IsEnded(handle)) ShowWindow(handle, SW_SHOWNORMAL);
    bool defaultClicked = false;
    while (IsWindow(handle) && !IsEnded(handle)) {
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The loop ends and leaves the quit for the program's own loop.
                PostQuitMessage(static_cast<int>(message.wParam));
                break;
            }
            if (!IsDialogMessageA(handle, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            continue;
        }
        if (!UserAnswers(handle, defaultClicked)) {
            RecordDialogAnswer(handle, "none (no answer left, and the default button leaves the dialog open); ended with -1");
            EndDialog(handle, -1);
        }
    }
    INT_PTR result = WithWindow(handle, [](Window& window) { return window.dialogResult; });
    if (disabledOwner) EnableWindow(owner, TRUE);
    if (IsWindow(handle)) DestroyWindow(handle);
    return result;
}

// Each visible control of the dialog, its children included, is offered the link until one has it.
bool FollowLinkAnswer(HWND dialog, const std::string& link) {
    std::vector<HWND> controls;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::vector<HWND> parents{dialog};
        while (!parents.empty()) {
            std::shared_ptr<Window> parent = manager.Find(parents.back());
            parents.pop_back();
            if (!parent) continue;
            for (HWND child : parent->children) {
                std::shared_ptr<Window> control = manager.Find(child);
                if (!control || !(control->style & WS_VISIBLE)) continue;
                controls.push_back(child);
                parents.push_back(child);
            }
        }
    }
    for (HWND control : controls) {
        if (SendMessageA(control, kFollowLinkMessage, 0, reinterpret_cast<LPARAM>(link.c_str()))) return true;
    }
    return false;
}

}  // namespace platform

using platform::Window;
using platform::WindowManager;

extern "C" HWND WINAPI CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                                          DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    std::optional<platform::DialogTemplate> dialog = platform::TemplateOf(hInstance, lpTemplateName);
    if (!dialog) return nullptr;
    return platform::CreateDialogFromTemplate(hInstance, *dialog,
                                              static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpTemplateName)),
                                              hWndParent, lpDialogFunc, dwInitParam);
}

extern "C" INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                                          DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    std::optional<platform::DialogTemplate> dialog = platform::TemplateOf(hInstance, lpTemplateName);
    if (!dialog) return -1;
    return platform::DialogBoxFromTemplate(hInstance, *dialog,
                                           static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpTemplateName)),
                                           hWndParent, lpDialogFunc, dwInitParam);
}

// Marks the dialog ended with its result; a modal dialog's loop then destroys it, a modeless one is hidden.
extern "C" BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    std::optional<bool> modal = platform::WithWindow(hDlg, [&](Window& window) -> std::optional<bool> {
        window.dialogEnded = true;
        window.dialogResult = nResult;
        return window.modal;
    });
    if (!modal) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!*modal) ShowWindow(hDlg, SW_HIDE);
    return TRUE;
}

// Calls the dialog procedure; what it leaves unhandled gets the standard handling.
extern "C" LRESULT WINAPI DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(hDlg, DWLP_DLGPROC));
    if (procedure) {
        INT_PTR handled = procedure(hDlg, Msg, wParam, lParam);
        // These messages take the procedure's own result: WM_CTLCOLOR* its brush.
        bool ownResult = Msg == WM_INITDIALOG || (Msg >= WM_CTLCOLORMSGBOX && Msg <= WM_CTLCOLORSTATIC);
        if (ownResult && (handled || Msg == WM_INITDIALOG)) return handled;
        if (handled) return GetWindowLongPtrA(hDlg, DWLP_MSGRESULT);
    }
    switch (Msg) {
        case WM_CLOSE:
            // Closing a dialog is pressing its Cancel button.
            PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
            return 0;
        case DM_GETDEFID: {
            HWND button = platform::DefaultPushButton(hDlg);
            return button ? MAKELRESULT(GetDlgCtrlID(button), DC_HASDEFID) : 0;
        }
        case DM_SETDEFID: {
            HWND previous = platform::DefaultPushButton(hDlg);
            HWND next = GetDlgItem(hDlg, static_cast<int>(wParam));
            // The buttons change their style and are drawn again (BM_SETSTYLE).
            if (previous) {
                SendMessageA(previous, BM_SETSTYLE,
                             (GetWindowLongPtrA(previous, GWL_STYLE) & ~BS_TYPEMASK & 0xFFFF) | BS_PUSHBUTTON, TRUE);
            }
            if (next) {
                SendMessageA(next, BM_SETSTYLE,
                             (GetWindowLongPtrA(next, GWL_STYLE) & ~BS_TYPEMASK & 0xFFFF) | BS_DEFPUSHBUTTON, TRUE);
            }
            return TRUE;
        }
        case WM_INITDIALOG:
            return TRUE;
        case WM_NEXTDLGCTL: {
            // lParam TRUE: wParam is the control to go to; else the next tab stop (wParam 0) or the previous.
            HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                       : GetNextDlgTabItem(hDlg, GetFocus(), wParam != 0);
            if (next) SetFocus(next);
            return 0;
        }
        case WM_ERASEBKGND: {
            // The background the dialog's WM_CTLCOLORDLG gives.
            auto dc = reinterpret_cast<HDC>(wParam);
            auto brush = reinterpret_cast<HBRUSH>(SendMessageA(hDlg, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hDlg)));
            RECT client{};
            GetClientRect(hDlg, &client);
            FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_SETFONT:
            platform::WithWindow(hDlg, [&](Window& window) {
                window.font = reinterpret_cast<HFONT>(wParam);
                return 0;
            });
            return 0;
        case WM_GETFONT:
            return platform::WithWindow(hDlg, [](Window& window) {
                return reinterpret_cast<LRESULT>(window.font ? window.font : window.dialogFont);
            });
        case WM_NCDESTROY: {
            HFONT font = platform::WithWindow(hDlg, [](Window& window) { return std::exchange(window.dialogFont, nullptr); });
            if (font) platform::DeleteDialogFont(font);
            return DefWindowProcA(hDlg, Msg, wParam, lParam);
        }
        default:
            return DefWindowProcA(hDlg, Msg, wParam, lParam);
    }
}

// Without a keyboard there is no navigation to do: a message for the dialog or one of its controls is
// dispatched here, anything else is left to the caller.
extern "C" BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG lpMsg) {
    if (!lpMsg || !hDlg || !lpMsg->hwnd) return FALSE;
    HWND current = lpMsg->hwnd;
    while (current && current != hDlg) {
        if (!(GetWindowLongPtrA(current, GWL_STYLE) & WS_CHILD)) return FALSE;
        current = GetParent(current);
    }
    if (current != hDlg) return FALSE;
    TranslateMessage(lpMsg);
    DispatchMessageA(lpMsg);
    return TRUE;
}

extern "C" HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> dialog = manager.Find(hDlg);
    if (!dialog) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND handle : dialog->children) {
        std::shared_ptr<Window> child = manager.Find(handle);
        if (child && child->id == nIDDlgItem) return handle;
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

// The next control (the previous one) after hCtl, in the order the dialog's controls were made and round,
// that is a tab stop, visible and enabled; with hCtl NULL, the first (the last). hCtl itself when there is
// no other.
extern "C" HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> dialog = manager.Find(hDlg);
    if (!dialog) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::vector<HWND> order = dialog->children;
    if (bPrevious) std::reverse(order.begin(), order.end());
    auto start = std::find(order.begin(), order.end(), hCtl);
    std::size_t first = start == order.end() ? 0 : static_cast<std::size_t>(start - order.begin()) + 1;
    for (std::size_t step = 0; step < order.size(); ++step) {
        HWND candidate = order[(first + step) % order.size()];
        std::shared_ptr<Window> control = manager.Find(candidate);
        if (control && (control->style & WS_TABSTOP) && (control->style & WS_VISIBLE) &&
            !(control->style & WS_DISABLED))
            return candidate;
    }
    return hCtl;
}

extern "C" int WINAPI GetDlgCtrlID(HWND hWnd) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return (window->style & WS_CHILD) ? window->id : 0;
}

extern "C" BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SetWindowTextA(item, lpString) : FALSE;
}

extern "C" UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item) {
        if (lpString && cchMax > 0) lpString[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(item, lpString, cchMax));
}

extern "C" LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageA(item, Msg, wParam, lParam) : 0;
}
