// The entry points of user32.dll that LoadLibraryA and GetProcAddress hand out: message boxes, string
// resources, characters, windows, messages and dialogs. Every function declared in winuser.h belongs in this list.
#include "platform/kernel32/platform_libraries.h"
#include "windows.h"

#define USER32_ENTRY_POINTS(X) \
    X(MessageBoxA)             \
    X(ExitWindowsEx)           \
    X(LoadStringA)             \
    X(CharNextA)               \
    X(CharPrevA)               \
    X(CharUpperA)              \
    X(CharLowerA)              \
    X(wsprintfA)                 \
    X(RegisterClassA)            \
    X(CreateWindowExA)           \
    X(DestroyWindow)             \
    X(IsWindow)                  \
    X(IsWindowVisible)           \
    X(IsWindowEnabled)           \
    X(ShowWindow)                \
    X(EnableWindow)              \
    X(SetWindowTextA)            \
    X(GetWindowTextA)            \
    X(GetWindowTextLengthA)      \
    X(GetParent)                 \
    X(GetWindowLongPtrA)         \
    X(SetWindowLongPtrA)         \
    X(GetWindowThreadProcessId)  \
    X(DefWindowProcA)            \
    X(CallWindowProcA)           \
    X(GetMessageA)               \
    X(PeekMessageA)              \
    X(TranslateMessage)          \
    X(DispatchMessageA)          \
    X(PostMessageA)              \
    X(PostThreadMessageA)        \
    X(PostQuitMessage)           \
    X(SendMessageA)              \
    X(CreateDialogParamA)        \
    X(DialogBoxParamA)           \
    X(EndDialog)                 \
    X(DefDlgProcA)               \
    X(IsDialogMessageA)          \
    X(GetDlgItem)                \
    X(GetNextDlgTabItem)         \
    X(SetFocus)                  \
    X(GetFocus)                  \
    X(GetDlgCtrlID)              \
    X(SetDlgItemTextA)           \
    X(GetDlgItemTextA)           \
    X(SendDlgItemMessageA)       \
    X(LoadCursorA)               \
    X(SetCursor)                 \
    X(GetCursor)                 \
    X(MessageBeep)               \
    X(EnumWindows)               \
    X(EnumChildWindows)          \
    X(GetWindowModuleFileNameA)  \
    X(CreateMenu)                \
    X(CreatePopupMenu)           \
    X(DestroyMenu)               \
    X(AppendMenuA)               \
    X(GetSystemMenu)             \
    X(GetMenuItemCount)          \
    X(GetMenuItemID)             \
    X(GetMenuState)              \
    X(GetMenuStringA)            \
    X(EnableMenuItem)            \
    X(IsMenu)                    \
    USER32_PAINT_ENTRY_POINTS(X)

// Painting, geometry and the look of windows.
#define USER32_PAINT_ENTRY_POINTS(X) \
    X(GetWindowRect)                 \
    X(GetClientRect)                 \
    X(ClientToScreen)                \
    X(ScreenToClient)                \
    X(MapWindowPoints)               \
    X(MoveWindow)                    \
    X(SetWindowPos)                  \
    X(AdjustWindowRect)              \
    X(AdjustWindowRectEx)            \
    X(GetSystemMetrics)              \
    X(GetSysColor)                   \
    X(MapDialogRect)                 \
    X(GetDialogBaseUnits)            \
    X(InvalidateRect)                \
    X(ValidateRect)                  \
    X(GetUpdateRect)                 \
    X(UpdateWindow)                  \
    X(RedrawWindow)                  \
    X(SetRect)                       \
    X(SetRectEmpty)                  \
    X(CopyRect)                      \
    X(IsRectEmpty)                   \
    X(EqualRect)                     \
    X(OffsetRect)                    \
    X(InflateRect)                   \
    X(IntersectRect)                 \
    X(UnionRect)                     \
    X(PtInRect)                      \
    X(GetDC)                         \
    X(GetWindowDC)                   \
    X(ReleaseDC)                     \
    X(BeginPaint)                    \
    X(EndPaint)                      \
    X(DrawTextA)                     \
    X(DrawEdge)                      \
    X(FillRect)                      \
    X(FrameRect)                     \
    X(InvertRect)                    \
    X(DrawFocusRect)                 \
    X(GetSysColorBrush)              \
    X(LoadIconA)                     \
    X(LoadBitmapA)                   \
    X(LoadImageA)                    \
    X(CopyImage)                     \
    X(DestroyIcon)                   \
    X(DrawIcon)                      \
    X(DrawIconEx)


namespace {

const platform::PlatformLibraryRegistrar registrar("user32.dll", platform::LibraryLoad::AtStart,
                                                   {USER32_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
