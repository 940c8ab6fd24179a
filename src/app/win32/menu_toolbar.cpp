#include "app/win32/menu_toolbar.h"

#include <commctrl.h>

#include <cwctype>

#include "platform/win32/win32_error.h"

namespace tarvex {
namespace {

// The toolbar whose drop-down is open; menus are modal, so there is at most one.
TMenuToolBar* tracking = nullptr;
HHOOK filterHook = nullptr;

// The mnemonic letter of a caption ("&Help" gives 'H'), upper-cased; 0 when none.
wchar_t Mnemonic(const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == L'&') {
            if (caption[i + 1] != L'&') return static_cast<wchar_t>(towupper(caption[i + 1]));
            ++i;
        }
    }
    return 0;
}

// Whether the highlighted item of a menu opens a submenu.
bool HighlightOpensSubmenu(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) return GetSubMenu(menu, i) != nullptr;
    }
    return false;
}

}  // namespace

void TMenuToolBar::Create(const Surface& at, int id, HMENU menuBar, int firstCommandId) {
    menuBar_ = menuBar;
    firstCommandId_ = firstCommandId;
    const DWORD style = WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | TBSTYLE_LIST | CCS_NORESIZE |
                        CCS_NODIVIDER | CCS_NOPARENTALIGN;
    toolBar_.reset(CheckWin32(
        CreateWindowExW(0, TOOLBARCLASSNAMEW, L"ToolBarMenu", style, 0, 0, at.Scale(400), at.Scale(21), at.Parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr),
        "CreateWindowExW"));
    if (at.Font) SendMessageW(toolBar_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(at.Font), FALSE);
    SendMessageW(toolBar_.get(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBar_.get(), TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    const int count = GetMenuItemCount(menuBar);
    for (int i = 0; i < count; ++i) {
        wchar_t caption[64] = {};
        GetMenuStringW(menuBar, static_cast<UINT>(i), caption, 64, MF_BYPOSITION);
        captions_.emplace_back(caption);
    }
    for (size_t i = 0; i < captions_.size(); ++i) {
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = firstCommandId + static_cast<int>(i);
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        button.iString = reinterpret_cast<INT_PTR>(captions_[i].c_str());
        SendMessageW(toolBar_.get(), TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageW(toolBar_.get(), TB_SETBUTTONSIZE, 0, MAKELPARAM(0, at.Scale(21)));
}

int TMenuToolBar::DropDownOfCommand(int commandId) const {
    const int index = commandId - firstCommandId_;
    return index >= 0 && index < static_cast<int>(captions_.size()) ? index : -1;
}

bool TMenuToolBar::OpenByMnemonic(wchar_t key, HWND owner) {
    const wchar_t upper = static_cast<wchar_t>(towupper(key));
    for (size_t i = 0; i < captions_.size(); ++i) {
        if (Mnemonic(captions_[i]) == upper) {
            OpenDropDown(static_cast<int>(i), owner);
            return true;
        }
    }
    return false;
}

void TMenuToolBar::OpenDropDown(int index, HWND owner) {
    if (tracking) return;  // a drop-down is open already
    const int count = static_cast<int>(captions_.size());
    while (index >= 0 && index < count) {
        const int commandId = firstCommandId_ + index;
        RECT button;
        SendMessageW(toolBar_.get(), TB_GETRECT, commandId, reinterpret_cast<LPARAM>(&button));
        MapWindowPoints(toolBar_.get(), nullptr, reinterpret_cast<POINT*>(&button), 2);
        SendMessageW(toolBar_.get(), TB_PRESSBUTTON, commandId, TRUE);

        HMENU dropDown = GetSubMenu(menuBar_, index);
        openIndex_ = index;
        nextIndex_ = -1;
        openMenus_.clear();
        tracking = this;
        filterHook = SetWindowsHookExW(WH_MSGFILTER, MessageFilter, nullptr, GetCurrentThreadId());
        TPMPARAMS exclude{sizeof exclude, button};
        TrackPopupMenuEx(dropDown, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL, button.left, button.bottom, owner,
                         &exclude);
        if (filterHook) UnhookWindowsHookEx(filterHook);
        filterHook = nullptr;
        tracking = nullptr;
        openIndex_ = -1;
        SendMessageW(toolBar_.get(), TB_PRESSBUTTON, commandId, FALSE);
        index = nextIndex_;
    }
}

void TMenuToolBar::MenuOpened(HMENU menu) {
    if (openIndex_ >= 0) openMenus_.push_back(menu);
}

void TMenuToolBar::MenuClosed(HMENU menu) {
    std::erase(openMenus_, menu);
}

bool TMenuToolBar::WalkKey(UINT key) {
    // Left inside a submenu closes that submenu, and Right on an item that opens a submenu
    // opens it: the menu does both itself. The open menus are known from the owner's
    // messages; the highlighted item is asked for, since closing a submenu selects nothing anew.
    if (key == VK_LEFT && openMenus_.size() > 1) return false;
    if (key == VK_RIGHT && !openMenus_.empty() && HighlightOpensSubmenu(openMenus_.back())) return false;
    // Left from the first drop-down goes to the last, Right from the last to the first.
    const int count = static_cast<int>(captions_.size());
    nextIndex_ = (openIndex_ + (key == VK_LEFT ? count - 1 : 1)) % count;
    EndMenu();
    return true;
}

LRESULT CALLBACK TMenuToolBar::MessageFilter(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code == MSGF_MENU && tracking) {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == WM_KEYDOWN && (msg->wParam == VK_LEFT || msg->wParam == VK_RIGHT) &&
            tracking->WalkKey(static_cast<UINT>(msg->wParam)))
            return 1;  // the menu does not see the key
    }
    return CallNextHookEx(filterHook, code, wParam, lParam);
}

}  // namespace tarvex
