// The library's start: the window classes of its controls, registered as the library is loaded (as
// Windows' does at process attach) and again harmlessly by InitCommonControls and InitCommonControlsEx;
// and the notification every control sends.
#include "platform/comctl32/control_state.h"

namespace platform::comctl32 {

LRESULT SendNotify(HWND control, UINT code, NMHDR& header) {
    header.hwndFrom = control;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    header.code = code;
    HWND parent = GetParent(control);
    if (!parent) return 0;
    return SendMessageA(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void DrawLine(HDC dc, const std::string& text, RECT area, UINT format, int colorIndex) {
    COLORREF previous = SetTextColor(dc, GetSysColor(colorIndex));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, format | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, previous);
}

void RegisterControlClasses() {
    auto add = [](const char* name, WNDPROC procedure) {
        WNDCLASSA windowClass{};
        windowClass.style = 0;
        windowClass.lpfnWndProc = procedure;
        windowClass.cbWndExtra = kStateExtra;
        windowClass.lpszClassName = name;
        // Already there when the library was started before: nothing to do.
        RegisterClassA(&windowClass);
    };
    add(WC_TABCONTROLA, TabControlProcedure);
    add(WC_LISTVIEWA, ListViewProcedure);
}

namespace {

const struct ClassRegistrar {
    ClassRegistrar() { RegisterControlClasses(); }
} registrar;

}  // namespace

}  // namespace platform::comctl32

extern "C" void WINAPI InitCommonControls(void) { platform::comctl32::RegisterControlClasses(); }

extern "C" BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    platform::comctl32::RegisterControlClasses();
    return TRUE;
}
