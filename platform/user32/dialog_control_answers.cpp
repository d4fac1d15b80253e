// The answers that act on a dialog's controls as the user's mouse and keys do: picking a combo box's
// item, clicking a row of a list, pressing a key in it, switching a property sheet's tab and picking an
// item of the system menu. Each finds what it names on the screen, as the user would, and posts the act
// to the control (user_acts.h), so that the control's own handling tells its parent when the dialog's
// message loop dispatches it.
#include <memory>

#include "commctrl.h"
#include "platform/machine/text.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/user32/dialog.h"
#include "platform/user32/user_acts.h"
#include "platform/user32/window_manager.h"

namespace platform {

namespace {

struct FoundControl {
    HWND handle = nullptr;
    std::string className;
    std::vector<std::string> items;  // a combo box's or list box's item texts
};

// The first control on the screen under `parent`, depth first, that matches.
template <typename Matches>
HWND FindShownLocked(const WindowManager& manager, const Window& parent, Matches matches) {
    for (HWND handle : parent.children) {
        std::shared_ptr<Window> child = manager.Find(handle);
        if (!child || !(child->style & WS_VISIBLE)) continue;
        if (matches(*child)) return handle;
        if (HWND inner = FindShownLocked(manager, *child, matches)) return inner;
    }
    return nullptr;
}

template <typename Matches>
std::optional<FoundControl> FindShown(HWND dialog, bool inTopLevel, Matches matches) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> root = manager.Find(dialog);
    while (inTopLevel && root && (root->style & WS_CHILD)) root = manager.Find(root->parent);
    if (!root) return std::nullopt;
    HWND handle = FindShownLocked(manager, *root, matches);
    if (!handle) return std::nullopt;
    std::shared_ptr<Window> window = manager.Find(handle);
    FoundControl found{handle, window->className, {}};
    for (const ControlState::Item& item : window->control.items) found.items.push_back(item.text);
    return found;
}

HWND TopLevelOf(HWND window) {
    while (window && (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) window = GetParent(window);
    return window;
}

std::string QuotedText(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool IsListView(const FoundControl& control) { return EqualsNoCase(control.className, WC_LISTVIEWA); }
bool IsListBox(const FoundControl& control) { return EqualsNoCase(control.className, "LISTBOX"); }

// The text of a list's row as the user reads it.
std::string RowText(const FoundControl& control, int row) {
    if (IsListBox(control)) return control.items[static_cast<size_t>(row)];
    char buffer[260] = {};
    LVITEMA item{};
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(control.handle, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

int RowCount(const FoundControl& control) {
    if (IsListBox(control)) return static_cast<int>(control.items.size());
    return static_cast<int>(SendMessageA(control.handle, LVM_GETITEMCOUNT, 0, 0));
}

ControlAct Done(std::string description) { return {true, std::move(description)}; }
ControlAct Refused(std::string reason) { return {false, std::move(reason)}; }

void PostAct(HWND control, UserAct act, int item) {
    PostMessageA(control, kUserActMessage, act, static_cast<LPARAM>(item));
}

ControlAct Pick(HWND dialog, const ControlAnswer& answer) {
    std::string name = "combo " + std::to_string(answer.controlId);
    std::optional<FoundControl> control = FindShown(dialog, false, [&](const Window& window) {
        return window.id == static_cast<int>(answer.controlId) &&
               (EqualsNoCase(window.className, "COMBOBOX") || EqualsNoCase(window.className, "LISTBOX"));
    });
    if (!control) return Refused("no combo box or list box " + std::to_string(answer.controlId) + " on the screen");
    for (size_t index = 0; index < control->items.size(); ++index) {
        if (!EqualsNoCase(control->items[index], answer.item)) continue;
        PostAct(control->handle, kUserClick, static_cast<int>(index));
        return Done(name + " " + QuotedText(control->items[index]));
    }
    return Refused(name + " has no item " + QuotedText(answer.item));
}

ControlAct ActOnList(HWND dialog, const ControlAnswer& answer) {
    std::string name = "list " + std::to_string(answer.controlId);
    std::optional<FoundControl> control = FindShown(dialog, false, [&](const Window& window) {
        return window.id == static_cast<int>(answer.controlId);
    });
    if (!control) return Refused("no control " + std::to_string(answer.controlId) + " on the screen");
    if (answer.act == ControlAnswer::Act::Key) {
        PostMessageA(control->handle, WM_KEYDOWN, answer.virtualKey, 1);
        return Done(name + " key " + answer.item);
    }
    if (!IsListView(*control) && !IsListBox(*control))
        return Refused("control " + std::to_string(answer.controlId) + " is not a list");
    int count = RowCount(*control);
    if (answer.row >= count) return Refused(name + " has " + std::to_string(count) + " rows");
    bool twice = answer.act == ControlAnswer::Act::DoubleClick;
    PostAct(control->handle, twice ? kUserDoubleClick : kUserClick, answer.row);
    return Done(name + (twice ? " double-click " : " click ") + std::to_string(answer.row) + " " +
                QuotedText(RowText(*control, answer.row)));
}

ControlAct SwitchTab(HWND dialog, const ControlAnswer& answer) {
    std::optional<FoundControl> tabs = FindShown(dialog, true, [](const Window& window) {
        return EqualsNoCase(window.className, WC_TABCONTROLA);
    });
    if (!tabs) return Refused("no tabs on the screen");
    int count = static_cast<int>(SendMessageA(tabs->handle, TCM_GETITEMCOUNT, 0, 0));
    std::string_view wanted = answer.item;
    bool position = wanted.find_first_not_of("0123456789") == std::string_view::npos && wanted.size() < 10;
    for (int index = 0; index < count; ++index) {
        char buffer[260] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        SendMessageA(tabs->handle, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        bool matches = position ? std::stoi(std::string(wanted)) == index + 1 : EqualsNoCase(WithoutAccelerators(buffer), wanted);
        if (!matches) continue;
        PostAct(tabs->handle, kUserClick, index);
        return Done("tab " + QuotedText(buffer));
    }
    return Refused("no tab " + QuotedText(answer.item));
}

ControlAct PickSystemMenuItem(HWND dialog, const ControlAnswer& answer) {
    HWND top = TopLevelOf(dialog);
    std::optional<UINT> command = SystemMenuCommand(top, answer.item);
    if (!command) return Refused("no enabled system-menu item " + QuotedText(answer.item));
    char text[260] = {};
    GetMenuStringA(GetSystemMenu(top, FALSE), *command, text, sizeof text, MF_BYCOMMAND);
    PostMessageA(top, WM_SYSCOMMAND, *command, 0);
    return Done("system menu " + QuotedText(WithoutAccelerators(text)));
}

}  // namespace

std::optional<ControlAct> ActOnControl(HWND dialog, std::string_view answer) {
    std::optional<ControlAnswer> parsed = ParseControlAnswer(answer);
    if (!parsed) {
        if (IsControlAnswer(answer)) return Refused("malformed");
        return std::nullopt;
    }
    switch (parsed->act) {
        case ControlAnswer::Act::Pick:
            return Pick(dialog, *parsed);
        case ControlAnswer::Act::Click:
        case ControlAnswer::Act::DoubleClick:
        case ControlAnswer::Act::Key:
            return ActOnList(dialog, *parsed);
        case ControlAnswer::Act::Tab:
            return SwitchTab(dialog, *parsed);
        case ControlAnswer::Act::SystemMenu:
            return PickSystemMenuItem(dialog, *parsed);
    }
    return std::nullopt;
}

}  // namespace platform
