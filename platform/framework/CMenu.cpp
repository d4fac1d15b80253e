// Menu objects: the temporary objects FromHandle makes for the menus of others (a window's system menu),
// and the wrappers over the menu functions.
#include "CMenu.h"

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

// The temporary objects, dropped once their menu is gone (holding no menu then, so that deleting them
// destroys none).
struct TemporaryMenus {
    std::mutex mutex;
    std::unordered_map<HMENU, std::unique_ptr<CMenu>> objects;
};

TemporaryMenus& Temporaries() {
    static TemporaryMenus* menus = new TemporaryMenus;
    return *menus;
}

}  // namespace

CMenu::~CMenu() { DestroyMenu(); }

CMenu* CMenu::FromHandle(HMENU hMenu) {
    if (!hMenu) return nullptr;
    TemporaryMenus& menus = Temporaries();
    std::vector<std::unique_ptr<CMenu>> stale;
    std::lock_guard<std::mutex> lock(menus.mutex);
    for (auto entry = menus.objects.begin(); entry != menus.objects.end();) {
        if (IsMenu(entry->first)) {
            ++entry;
            continue;
        }
        entry->second->m_hMenu = nullptr;
        stale.push_back(std::move(entry->second));
        entry = menus.objects.erase(entry);
    }
    std::unique_ptr<CMenu>& object = menus.objects[hMenu];
    if (!object) {
        object = std::make_unique<CMenu>();
        object->m_hMenu = hMenu;
    }
    return object.get();
}

BOOL CMenu::Attach(HMENU hMenu) {
    if (!hMenu || m_hMenu) return FALSE;
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach() {
    HMENU hMenu = m_hMenu;
    m_hMenu = nullptr;
    return hMenu;
}

BOOL CMenu::CreateMenu() { return Attach(::CreateMenu()); }
BOOL CMenu::CreatePopupMenu() { return Attach(::CreatePopupMenu()); }

BOOL CMenu::DestroyMenu() {
    HMENU hMenu = Detach();
    return hMenu ? ::DestroyMenu(hMenu) : FALSE;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem) {
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
    return static_cast<UINT>(::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable));
}

int CMenu::GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
UINT CMenu::GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }
UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const { return ::GetMenuState(m_hMenu, nID, nFlags); }

int CMenu::GetMenuString(UINT nIDItem, LPSTR lpString, int nMaxCount, UINT nFlags) const {
    return ::GetMenuStringA(m_hMenu, nIDItem, lpString, nMaxCount, nFlags);
}

int CMenu::GetMenuString(UINT nIDItem, std::string& rString, UINT nFlags) const {
    int length = ::GetMenuStringA(m_hMenu, nIDItem, nullptr, 0, nFlags);
    rString.assign(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetMenuStringA(m_hMenu, nIDItem, rString.data(), length + 1, nFlags);
    rString.resize(static_cast<size_t>(copied));
    return copied;
}
