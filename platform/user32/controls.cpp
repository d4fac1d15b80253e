// The standard controls: buttons, edit boxes and static texts. Their texts live in the window, as
// DefWindowProcA keeps them; control_look.cpp draws them.
#include "platform/user32/control_items.h"
#include "platform/user32/control_look.h"
#include "platform/user32/window_manager.h"

namespace platform {

// A click tells the parent, as WM_COMMAND with BN_CLICKED and the button's id.
LRESULT CALLBACK ButtonProcedure(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> drawn = ButtonLook(hWnd, Msg, wParam, lParam)) return *drawn;
    switch (Msg) {
        case BM_CLICK: {
            HWND parent = GetParent(hWnd);
            if (!parent || !IsWindowEnabled(hWnd)) return 0;
            int id = GetDlgCtrlID(hWnd);
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hWnd));
            return 0;
        }
        case BM_GETCHECK: {
            int check = BST_UNCHECKED;
            WithControlWindow(hWnd, [&](Window& window) { check = window.control.check; });
            return check;
        }
        case BM_SETCHECK:
            WithControlWindow(hWnd, [&](Window& window) { window.control.check = static_cast<int>(wParam); });
            InvalidateRect(hWnd, nullptr, TRUE);
            return 0;
        default:
            return DefWindowProcA(hWnd, Msg, wParam, lParam);
    }
}

// The selection runs from its start to its end, both clamped to the text; a start of -1 removes it and
// an end of -1 runs to the end of the text. EM_FMTLINES only records the choice: nothing is wrapped, so
// no soft line breaks are ever inserted.
LRESULT CALLBACK EditProcedure(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> drawn = EditLook(hWnd, Msg, wParam, lParam)) return *drawn;
    switch (Msg) {
        case EM_FMTLINES:
            WithControlWindow(hWnd, [&](Window& window) { window.control.formatLines = wParam != 0; });
            return static_cast<LRESULT>(wParam != 0);
        case EM_SETSEL:
            WithControlWindow(hWnd, [&](Window& window) {
                int length = static_cast<int>(window.text.size());
                int start = static_cast<int>(static_cast<INT_PTR>(wParam));
                int end = static_cast<int>(lParam);
                if (start == -1) {
                    window.control.selectionStart = window.control.selectionEnd;
                    return;
                }
                if (end == -1 || end > length) end = length;
                if (start < -1 || start > length) start = length;
                if (end < 0) end = length;
                if (start > end) std::swap(start, end);
                window.control.selectionStart = start;
                window.control.selectionEnd = end;
            });
            return 0;
        case EM_GETSEL: {
            int start = 0;
            int end = 0;
            WithControlWindow(hWnd, [&](Window& window) {
                start = window.control.selectionStart;
                end = window.control.selectionEnd;
            });
            if (wParam) *reinterpret_cast<LPDWORD>(wParam) = static_cast<DWORD>(start);
            if (lParam) *reinterpret_cast<LPDWORD>(lParam) = static_cast<DWORD>(end);
            return MAKELRESULT(start, end);
        }
        case WM_SETTEXT: {
            LRESULT result = DefWindowProcA(hWnd, Msg, wParam, lParam);
            WithControlWindow(hWnd, [](Window& window) {
                window.control.selectionStart = 0;
                window.control.selectionEnd = 0;
            });
            return result;
        }
        default:
            return DefWindowProcA(hWnd, Msg, wParam, lParam);
    }
}

LRESULT CALLBACK StaticProcedure(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> drawn = StaticLook(hWnd, Msg, wParam, lParam)) return *drawn;
    return DefWindowProcA(hWnd, Msg, wParam, lParam);
}

}  // namespace platform
