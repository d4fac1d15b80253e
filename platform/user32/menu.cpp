// Menus: menus and pop-up menus of items (texts, separators, pop-ups), and the system menu of a window.
//
// A window's system menu is its own copy of the standard one, made when it is first asked for: a window
// that can be resized, minimised or maximised has Restore, Move, Size, Minimize, Maximize, a separator
// and Close, with what its styles do not allow grayed; a dialog without those boxes and frame has Move
// and Close only. The user picking an item posts WM_SYSCOMMAND with its command id, and DefWindowProcA
// carries out SC_CLOSE as WM_CLOSE.
#include <map>
#include <memory>
#include <mutex>

#include "platform/machine/text.h"
#include "platform/user32/window_manager.h"

namespace platform {

namespace {

struct MenuItem {
    UINT flags = 0;
    UINT_PTR id = 0;  // a pop-up's menu handle for MF_POPUP
    std::string text;
};

struct Menu {
    std::vector<MenuItem> items;
};

class MenuTable {
  public:
    std::mutex mutex;
    std::map<HMENU, Menu> menus;

    HMENU Add() {
        HMENU handle = reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(next_));
        next_ += 4;
        menus[handle];
        return handle;
    }
    Menu* Find(HMENU handle) {
        auto found = menus.find(handle);
        return found == menus.end() ? nullptr : &found->second;
    }
    // The item by position or by command (looked for in the pop-ups too).
    MenuItem* Item(HMENU handle, UINT item, UINT flags) {
        Menu* menu = Find(handle);
        if (!menu) return nullptr;
        if (flags & MF_BYPOSITION) return item < menu->items.size() ? &menu->items[item] : nullptr;
        for (MenuItem& entry : menu->items) {
            if (entry.flags & MF_POPUP) {
                if (MenuItem* inner = Item(reinterpret_cast<HMENU>(entry.id), item, flags)) return inner;
            } else if (!(entry.flags & MF_SEPARATOR) && entry.id == item) {
                return &entry;
            }
        }
        return nullptr;
    }
    void Remove(HMENU handle) {
        Menu* menu = Find(handle);
        if (!menu) return;
        std::vector<HMENU> popups;
        for (const MenuItem& entry : menu->items) {
            if (entry.flags & MF_POPUP) popups.push_back(reinterpret_cast<HMENU>(entry.id));
        }
        menus.erase(handle);
        for (HMENU popup : popups) Remove(popup);
    }

  private:
    std::uint64_t next_ = 0x30010;
};

MenuTable& Menus() {
    static MenuTable* table = new MenuTable;
    return *table;
}

constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT;

void FillStandardSystemMenu(Menu& menu, DWORD style, bool dialog) {
    auto add = [&](UINT id, const char* text, bool allowed) {
        menu.items.push_back({allowed ? static_cast<UINT>(MF_STRING) : static_cast<UINT>(MF_STRING | MF_GRAYED), id, text});
    };
    bool sizable = (style & WS_THICKFRAME) != 0;
    bool minimizable = (style & WS_MINIMIZEBOX) != 0;
    bool maximizable = (style & WS_MAXIMIZEBOX) != 0;
    if (dialog && !sizable && !minimizable && !maximizable) {
        add(SC_MOVE, "&Move", true);
        add(SC_CLOSE, "&Close\tAlt+F4", true);
        return;
    }
    bool minimizedOrMaximized = (style & (WS_MINIMIZE | WS_MAXIMIZE)) != 0;
    add(SC_RESTORE, "&Restore", minimizedOrMaximized);
    add(SC_MOVE, "&Move", !(style & WS_MAXIMIZE));
    add(SC_SIZE, "&Size", sizable && !minimizedOrMaximized);
    add(SC_MINIMIZE, "Mi&nimize", minimizable && !(style & WS_MINIMIZE));
    add(SC_MAXIMIZE, "Ma&ximize", maximizable && !(style & WS_MAXIMIZE));
    menu.items.push_back({MF_SEPARATOR, 0, ""});
    add(SC_CLOSE, "&Close\tAlt+F4", true);
}

}  // namespace

std::string WithoutAccelerators(std::string_view text) {
    std::string plain;
    for (size_t index = 0; index < text.size() && text[index] != '\t'; ++index) {
        if (text[index] == '&' && index + 1 < text.size()) ++index;
        plain += text[index];
    }
    return plain;
}

void DestroySystemMenuOf(HMENU menu) {
    if (!menu) return;
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.Remove(menu);
}

std::optional<UINT> SystemMenuCommand(HWND window, std::string_view item) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return std::nullopt;
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    Menu* found = table.Find(menu);
    if (!found) return std::nullopt;
    std::string_view wanted = TrimBlanks(item);
    bool number = !wanted.empty() && wanted.find_first_not_of("0123456789") == std::string_view::npos && wanted.size() < 10;
    for (const MenuItem& entry : found->items) {
        if (entry.flags & (MF_SEPARATOR | MF_POPUP | MF_GRAYED | MF_DISABLED)) continue;
        if ((number && entry.id == std::stoul(std::string(wanted))) || EqualsNoCase(WithoutAccelerators(entry.text), wanted))
            return static_cast<UINT>(entry.id);
    }
    return std::nullopt;
}

}  // namespace platform

using platform::MenuItem;
using platform::Menus;
using platform::MenuTable;

extern "C" HMENU WINAPI CreateMenu(void) {
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.Add();
}

extern "C" HMENU WINAPI CreatePopupMenu(void) { return CreateMenu(); }

extern "C" BOOL WINAPI IsMenu(HMENU hMenu) {
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.Find(hMenu) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI DestroyMenu(HMENU hMenu) {
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (!table.Find(hMenu)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    table.Remove(hMenu);
    return TRUE;
}

extern "C" BOOL WINAPI AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    platform::Menu* menu = table.Find(hMenu);
    if (!menu || ((uFlags & MF_POPUP) && !table.Find(reinterpret_cast<HMENU>(uIDNewItem)))) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    MenuItem item;
    item.flags = uFlags & (MF_SEPARATOR | MF_POPUP | platform::kStateFlags | MF_MENUBARBREAK | MF_MENUBREAK);
    item.id = (uFlags & MF_SEPARATOR) ? 0 : uIDNewItem;
    // Bitmap and owner-drawn items carry no text of their own.
    if (!(uFlags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)) && lpNewItem) item.text = lpNewItem;
    menu->items.push_back(std::move(item));
    return TRUE;
}

extern "C" HMENU WINAPI GetSystemMenu(HWND hWnd, BOOL bRevert) {
    platform::WindowManager& manager = platform::WindowManager::Instance();
    HMENU previous = nullptr;
    DWORD style = 0;
    bool dialog = false;
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<platform::Window> window = manager.Find(hWnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (!bRevert && window->systemMenu) return window->systemMenu;
        previous = window->systemMenu;
        window->systemMenu = nullptr;
        style = window->style;
        dialog = window->isDialog;
    }
    platform::DestroySystemMenuOf(previous);
    if (bRevert || !(style & WS_SYSMENU)) return nullptr;
    HMENU menu = nullptr;
    {
        MenuTable& table = Menus();
        std::lock_guard<std::mutex> lock(table.mutex);
        menu = table.Add();
        platform::FillStandardSystemMenu(*table.Find(menu), style, dialog);
    }
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<platform::Window> window = manager.Find(hWnd);
    if (!window) return nullptr;
    window->systemMenu = menu;
    return menu;
}

extern "C" int WINAPI GetMenuItemCount(HMENU hMenu) {
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    platform::Menu* menu = table.Find(hMenu);
    if (!menu) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return -1;
    }
    return static_cast<int>(menu->items.size());
}

extern "C" UINT WINAPI GetMenuItemID(HMENU hMenu, int nPos) {
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    MenuItem* item = nPos < 0 ? nullptr : table.Item(hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    if (!item || (item->flags & MF_POPUP)) return static_cast<UINT>(-1);
    return static_cast<UINT>(item->id);
}

extern "C" UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    MenuItem* item = table.Item(hMenu, uId, uFlags);
    return item ? item->flags : static_cast<UINT>(-1);
}

// The number of characters copied, without the terminating zero; with no buffer, the text's length.
extern "C" int WINAPI GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags) {
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    MenuItem* item = table.Item(hMenu, uIDItem, flags);
    if (lpString && cchMax > 0) lpString[0] = '\0';
    if (!item) return 0;
    if (!lpString) return static_cast<int>(item->text.size());
    if (cchMax <= 0) return 0;
    size_t count = std::min(item->text.size(), static_cast<size_t>(cchMax) - 1);
    item->text.copy(lpString, count);
    lpString[count] = '\0';
    return static_cast<int>(count);
}

// The item's state before (MF_ENABLED, MF_GRAYED, MF_DISABLED), or -1 when there is no such item.
extern "C" BOOL WINAPI EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
    MenuTable& table = Menus();
    std::lock_guard<std::mutex> lock(table.mutex);
    MenuItem* item = table.Item(hMenu, uIDEnableItem, uEnable);
    if (!item) return -1;
    UINT previous = item->flags & (MF_GRAYED | MF_DISABLED);
    item->flags = (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(previous);
}
