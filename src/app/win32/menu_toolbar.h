#pragma once
// The main menu drawn as a row of captioned toolbar buttons. A button opens its drop-down
// below it; while one is open, Left and Right walk to the neighbouring drop-down as they do
// on a menu bar, and Alt with a caption's letter opens that drop-down.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/controls.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {

class TMenuToolBar {
public:
    // Makes the toolbar in a parent (the cool bar); commands of its buttons are
    // firstCommandId + the drop-down's index.
    void Create(const Surface& at, int id, HMENU menuBar, int firstCommandId);
    HWND Handle() const { return toolBar_.get(); }

    // The drop-down index of a command from the toolbar, or -1.
    int DropDownOfCommand(int commandId) const;
    // Opens a drop-down with `owner` receiving the menu's messages and its command.
    void OpenDropDown(int index, HWND owner);
    // Opens the drop-down whose caption has this mnemonic letter; false when none has.
    bool OpenByMnemonic(wchar_t key, HWND owner);
    // The owner forwards WM_INITMENUPOPUP and WM_UNINITMENUPOPUP: which menus are open.
    void MenuOpened(HMENU menu);
    void MenuClosed(HMENU menu);

private:
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam) noexcept;
    bool WalkKey(UINT key);

    UniqueWindow toolBar_;
    HMENU menuBar_ = nullptr;
    int firstCommandId_ = 0;
    std::vector<std::wstring> captions_;
    // While a drop-down is open:
    int openIndex_ = -1;
    int nextIndex_ = -1;            // where Left or Right asked to go
    std::vector<HMENU> openMenus_;  // the drop-down, then each open submenu
};

}  // namespace tarvex
