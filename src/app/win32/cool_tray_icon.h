#pragma once
// The program's icon in the notification area: its menu, the double click that brings the
// main window back, minimise-to-tray, balloons, and its return after the shell restarts.
//
// The shell sends the icon's mouse messages to one hidden window shared by all icons of
// the process. The owner (the main window, which is also the taskbar window) is
// subclassed to see it being minimised, restored and shown, and the "TaskbarCreated"
// broadcast. All of it runs on the thread that created the owner.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "app/tray_icon_mouse.h"
#include "app/tray_icon_presence.h"
#include "common/life_guard.h"
#include "platform/win32/timer.h"

namespace tarvex {

class TrayIconHandler;

class TCoolTrayIcon {
public:
    static constexpr wchar_t kHandlerClassName[] = L"TCoolTrayIconHandler";
    // The message the shell sends to the hidden window: wParam the icon's Id(), lParam the mouse message.
    static constexpr UINT kCallbackMessage = WM_USER + 1024;

    // owner may be null: then nothing is minimised to the tray or shown. Throws Win32Error
    // when the hidden window cannot be made.
    explicit TCoolTrayIcon(HWND owner);
    virtual ~TCoolTrayIcon();
    TCoolTrayIcon(const TCoolTrayIcon&) = delete;
    TCoolTrayIcon& operator=(const TCoolTrayIcon&) = delete;

    UINT Id() const noexcept { return id_; }
    HWND Owner() const noexcept { return owner_; }

    // Not owned; a null icon is shown as no icon. Changes reach a shown icon at once.
    HICON Icon() const noexcept { return icon_; }
    void SetIcon(HICON icon);
    // UTF-8. The tooltip is the hint cut to 127 units, or nothing when empty or ShowHint is off.
    const std::string& Hint() const noexcept { return hint_; }
    void SetHint(std::string hint);
    bool ShowHint() const noexcept { return showHint_; }
    void SetShowHint(bool showHint);
    // Adds the icon to the notification area or removes it. The icon is visible once the
    // shell has taken it; while the shell refuses it (not ready yet at logon), adding is
    // tried again once a second for a few minutes, and when the shell makes a new taskbar.
    bool IconVisible() const noexcept { return presence_.Shown(); }
    void SetIconVisible(bool visible);

    // Not owned. A command chosen from it, and the default item's command on a double
    // click, reach the owner as WM_COMMAND (the id in the low word of wParam, lParam 0).
    // The owner also receives the menu's WM_INITMENUPOPUP, WM_MEASUREITEM, WM_DRAWITEM,
    // WM_MENUSELECT and WM_MENUCHAR while it is open.
    HMENU PopupMenu() const noexcept { return popupMenu_; }
    void SetPopupMenu(HMENU menu) noexcept { popupMenu_ = menu; }
    bool LeftPopup() const noexcept { return leftPopup_; }
    void SetLeftPopup(bool leftPopup) noexcept { leftPopup_ = leftPopup; }
    // Mouse messages are ignored while false.
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled) noexcept { enabled_ = enabled; }
    // Minimising the owner then hides it, leaving only the icon.
    bool MinimizeToTray() const noexcept { return minimizeToTray_; }
    void SetMinimizeToTray(bool minimizeToTray) noexcept { minimizeToTray_ = minimizeToTray; }

    std::function<void(TrayMouseButton)> OnMouseDown;
    std::function<void(TrayMouseButton)> OnMouseUp;
    std::function<void()> OnClick;  // a left click that is not part of a double click
    std::function<void()> OnDblClick;

    // Replaces a balloon still shown. Texts are UTF-8, cut to 63 (title) and 255 (text)
    // units; iconKind 0 none, 1 information, 2 warning, 3 error, 4 the icon itself. False
    // when there is no visible icon or the shell refused the balloon.
    bool DisplayBalloon(const std::string& title, const std::string& text, int iconKind, int timeoutSeconds);
    // Restores the owner from minimised or hidden, shows it and brings it to the front.
    void ShowMainWindow();
    // Hides the owner and with it its taskbar button.
    void HideMainWindow();

protected:
    virtual void DoMouseDown(TrayMouseButton button);
    virtual void DoMouseUp(TrayMouseButton button);
    virtual void DoClick();
    virtual void DoDblClick();

private:
    friend class TrayIconHandler;

    NOTIFYICONDATAW Record() const;
    bool Notify(DWORD command, const NOTIFYICONDATAW& record) const;
    void AddIcon();
    void ModifyIcon();
    void RetryTimerElapsed();
    void KeepRetryTimer();
    void MouseMessage(UINT message);
    void RunMouseSteps(const std::vector<TrayMouseStep>& steps);
    void RunMouseStep(const TrayMouseStep& step);
    void StartClickTimer();
    void PopupAtCursor();
    void RunDefaultItem();
    void RunMenuCommand(UINT commandId);

    static LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                      DWORD_PTR refData) noexcept;
    void AfterOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ReleaseOwner();

    const UINT id_;
    TrayIconHandler& handler_;
    HWND owner_ = nullptr;
    bool subclassed_ = false;
    HICON icon_ = nullptr;
    std::string hint_;
    bool showHint_ = true;
    HMENU popupMenu_ = nullptr;
    bool leftPopup_ = false;
    bool enabled_ = true;
    bool minimizeToTray_ = false;
    TrayIconPresence presence_;
    Timer retryTimer_;
    TrayClickTracker clicks_;
    Timer clickTimer_;
    // Event handlers, the menu and the shell's calls may free the icon before they return.
    LifeGuard life_;
};

}  // namespace tarvex
