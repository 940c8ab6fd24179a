#include "app/win32/menus.h"

#include <string>

#include "platform/win32/unicode.h"

namespace tarvex {

std::optional<NavItem> NavItemOfCommand(int commandId) {
    const int index = commandId - kCommandBase;
    if (index < 0 || index >= static_cast<int>(NavItem::Count)) return std::nullopt;
    return static_cast<NavItem>(index);
}

UniqueMenu BuildMenu(const std::vector<MenuEntry>& entries, bool asBar) {
    UniqueMenu root(asBar ? CreateMenu() : CreatePopupMenu());
    // levels[d] is the menu that takes entries of depth d.
    std::vector<HMENU> levels{root.get()};
    for (size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& entry = entries[i];
        levels.resize(static_cast<size_t>(entry.Depth) + 1);
        HMENU menu = levels.back();
        const bool opensSubmenu = i + 1 < entries.size() && entries[i + 1].Depth > entry.Depth;
        if (!entry.Caption) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const std::wstring caption = Utf8ToWide(entry.Caption);
        MENUITEMINFOW info{sizeof info};
        info.fMask = MIIM_STRING | MIIM_ID | MIIM_DATA;
        info.dwTypeData = const_cast<wchar_t*>(caption.c_str());
        info.wID = entry.Item ? static_cast<UINT>(CommandIdOf(*entry.Item)) : 0;
        info.dwItemData = static_cast<ULONG_PTR>(entry.ImageIndex + 1);
        if (entry.ImageIndex >= 0) {
            info.fMask |= MIIM_BITMAP;
            info.hbmpItem = HBMMENU_CALLBACK;
        }
        HMENU submenu = nullptr;
        if (opensSubmenu) {
            submenu = CreatePopupMenu();
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = submenu;
        }
        InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info);
        if (entry.IsDefault) SetMenuDefaultItem(menu, info.wID, FALSE);
        if (submenu) levels.push_back(submenu);
    }
    return root;
}

bool MeasureMenuImage(MEASUREITEMSTRUCT& item, int imageSize) {
    if (item.CtlType != ODT_MENU) return false;
    item.itemWidth = static_cast<UINT>(imageSize);
    item.itemHeight = static_cast<UINT>(imageSize);
    return true;
}

bool DrawMenuImage(const DRAWITEMSTRUCT& item, HIMAGELIST images) {
    if (item.CtlType != ODT_MENU || item.itemData == 0) return false;
    const int index = static_cast<int>(item.itemData) - 1;
    int width = 0, height = 0;
    ImageList_GetIconSize(images, &width, &height);
    const int x = item.rcItem.left;
    const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - height) / 2;
    const bool disabled = item.itemState & ODS_DISABLED;
    ImageList_DrawEx(images, index, item.hDC, x, y, 0, 0, CLR_NONE, CLR_NONE,
                     ILD_TRANSPARENT | (disabled ? ILD_BLEND50 : 0));
    return true;
}

}  // namespace tarvex
