#pragma once
// Menus built from the navigation tables, with images from an image list.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/navigation.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {

inline int CommandIdOf(NavItem item) {
    return kCommandBase + static_cast<int>(item);
}
// The navigation element of a command id, if it is one.
std::optional<NavItem> NavItemOfCommand(int commandId);

// A menu bar (asBar: depth-0 entries are its drop-down menus) or a popup menu. Item images
// are drawn through WM_MEASUREITEM/WM_DRAWITEM (MeasureMenuImage/DrawMenuImage).
UniqueMenu BuildMenu(const std::vector<MenuEntry>& entries, bool asBar);

// Owner-drawn menu images: the owner window forwards these messages; both return false when
// the item is not one of ours.
bool MeasureMenuImage(MEASUREITEMSTRUCT& item, int imageSize);
bool DrawMenuImage(const DRAWITEMSTRUCT& item, HIMAGELIST images);

}  // namespace tarvex
