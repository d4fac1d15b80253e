// A message box drawn for its picture: the system icon at the top left, the text beside it (centred on the
// icon when shorter), the buttons of 50 by 14 dialog units centred under both, in the dialog font.
#include "platform/user32/message_box_picture.h"

#include <algorithm>

#include "platform/user32/paint.h"
#include "platform/user32/window_geometry.h"

namespace platform {

namespace {

constexpr int kMargin = 12;
constexpr int kGap = 6;
constexpr int kIcon = 32;
constexpr int kWidestText = 400;

}  // namespace

std::string MessageBoxPicture(const MessageBoxLook& box) {
    HFONT font = CreatePointFont("MS Shell Dlg", 8, FW_NORMAL);
    DialogBaseUnits units = BaseUnitsOfFont("MS Shell Dlg", 8);
    RECT button = DialogUnitsToPixels(RECT{0, 0, 50, 14}, units);
    int buttonWidth = button.right;
    int buttonHeight = button.bottom;

    // The text's size in the font, its lines no wider than kWidestText.
    RECT text{0, 0, kWidestText, 0};
    HDC measure = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(measure, font);
    DrawTextA(measure, box.text.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(measure, previous);
    DeleteDC(measure);

    int textLeft = kMargin + (box.icon ? kIcon + kMargin : 0);
    int textTop = kMargin;
    if (box.icon && text.bottom < kIcon) textTop += (kIcon - text.bottom) / 2;
    int contentBottom = std::max<int>(textTop + text.bottom, box.icon ? kMargin + kIcon : 0);
    int buttonsWidth = static_cast<int>(box.buttons.size()) * buttonWidth + (static_cast<int>(box.buttons.size()) - 1) * kGap;
    int clientWidth = std::max<int>(textLeft + text.right + kMargin, buttonsWidth + 2 * kMargin);
    int buttonsTop = contentBottom + kMargin;
    int clientHeight = buttonsTop + buttonHeight + kMargin;

    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    RECT window{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&window, style, FALSE, exStyle);
    RECT work = WorkArea();
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    HWND handle = CreateWindowExA(exStyle, "#32770", box.caption.c_str(), style, (work.right - width) / 2,
                                  (work.bottom - height) / 2, width, height, nullptr, nullptr, nullptr, nullptr);
    if (!handle) {
        DeleteObject(font);
        return "";
    }
    MarkSilentDialog(handle);
    auto add = [&](const char* className, const std::string& label, DWORD controlStyle, int id, RECT area) {
        HWND control = CreateWindowExA(0, className, label.c_str(), controlStyle | WS_CHILD | WS_VISIBLE, area.left,
                                       area.top, area.right - area.left, area.bottom - area.top, handle,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    if (box.icon) {
        HWND icon = add("STATIC", "", SS_ICON, 20, RECT{kMargin, kMargin, kMargin + kIcon, kMargin + kIcon});
        SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, box.icon)), 0);
    }
    add("STATIC", box.text, SS_LEFT | SS_NOPREFIX, 0xFFFF,
        RECT{textLeft, textTop, textLeft + text.right, textTop + text.bottom});
    int left = (clientWidth - buttonsWidth) / 2;
    for (size_t index = 0; index < box.buttons.size(); ++index) {
        DWORD kind = index == box.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        add("BUTTON", box.buttons[index], kind, static_cast<int>(index) + 1,
            RECT{left, buttonsTop, left + buttonWidth, buttonsTop + buttonHeight});
        left += buttonWidth + kGap;
    }
    ShowWindow(handle, SW_SHOW);
    std::string picture = TakePicture(handle, "messagebox");
    DestroyWindow(handle);
    DeleteObject(font);
    return picture;
}

}  // namespace platform
