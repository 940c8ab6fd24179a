#include "app/win32/cool_tray_icon.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <map>
#include <memory>

#include "app/tray_icon_rules.h"
#include "common/win32/delay_win32.h"
#include "common/error.h"
#include "common/win32/window_utils.h"
#include "platform/win32/unicode.h"
#include "platform/win32/window.h"

namespace tarvex {

// The version-5.0 layout of the icon record: 936 bytes in the 32-bit program.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAW_V2_SIZE == 936);
static_assert(sizeof(NOTIFYICONDATAW::szTip) / sizeof(wchar_t) == kTrayTipMaxLength + 1);
static_assert(sizeof(NOTIFYICONDATAW::szInfo) / sizeof(wchar_t) == kBalloonTextMaxLength + 1);
static_assert(sizeof(NOTIFYICONDATAW::szInfoTitle) / sizeof(wchar_t) == kBalloonTitleMaxLength + 1);
static_assert(NIIF_NONE == static_cast<DWORD>(BalloonIcon::None) &&
              NIIF_INFO == static_cast<DWORD>(BalloonIcon::Info) &&
              NIIF_WARNING == static_cast<DWORD>(BalloonIcon::Warning) &&
              NIIF_ERROR == static_cast<DWORD>(BalloonIcon::Error) &&
              NIIF_USER == static_cast<DWORD>(BalloonIcon::User));
static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {

// Posted to the hidden window so that the owner comes to the front once its show-window call is done.
constexpr UINT kBringOwnerToFront = WM_APP + 1;

UINT NextIconId() {
    static UINT next = 0;
    return ++next;
}

bool CommonControlsAbove470() {
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    auto* getVersion =
        comctl ? reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")))
               : nullptr;
    if (!getVersion) return false;  // 4.70 and older have no version entry
    DLLVERSIONINFO info{sizeof info};
    if (FAILED(getVersion(&info))) return false;
    return info.dwMajorVersion > 4 || (info.dwMajorVersion == 4 && info.dwMinorVersion > 70);
}

// The shell's broadcast after it has (re)created the taskbar; 0 where the shell has none.
UINT TaskbarCreatedMessage() {
    static const UINT message = CommonControlsAbove470() ? RegisterWindowMessageW(L"TaskbarCreated") : 0;
    return message;
}

std::u16string ToUtf16(const std::string& utf8) {
    const std::wstring wide = Utf8ToWide(utf8);
    return std::u16string(wide.begin(), wide.end());
}

// Copies a text already cut to fit, with its terminating zero.
template <std::size_t N>
void CopyField(wchar_t (&field)[N], const std::u16string& text) {
    const std::size_t length = text.size() < N ? text.size() : N - 1;
    for (std::size_t i = 0; i < length; ++i) field[i] = static_cast<wchar_t>(text[i]);
    field[length] = L'\0';
}

bool IsMenuMessage(UINT message) {
    switch (message) {
        case WM_INITMENUPOPUP:
        case WM_UNINITMENUPOPUP:
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
        case WM_MENUSELECT:
        case WM_MENUCHAR:
            return true;
        default:
            return false;
    }
}

}  // namespace

// The hidden window that receives the shell's messages for every icon of the process.
class TrayIconHandler final : public Window {
public:
    // The shared window, created with the first icon.
    static TrayIconHandler& Attach(UINT id, TCoolTrayIcon* icon) {
        std::unique_ptr<TrayIconHandler>& instance = Instance();
        if (!instance) {
            std::unique_ptr<TrayIconHandler> created(new TrayIconHandler);
            RegisterWindowClass(TCoolTrayIcon::kHandlerClassName, 0);
            // A top-level window, never shown: it must be able to take the foreground for the menu.
            created->CreateHandle(TCoolTrayIcon::kHandlerClassName, L"", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 0, 0,
                                  nullptr, nullptr);
            if (!created->Handle()) throw Error("The notification-area icon's window could not be created");
            instance = std::move(created);
        }
        instance->icons_[id] = icon;
        return *instance;
    }

    // Destroys the window with the last icon.
    static void Detach(UINT id) noexcept {
        std::unique_ptr<TrayIconHandler>& instance = Instance();
        if (!instance) return;
        instance->icons_.erase(id);
        if (instance->icons_.empty()) instance.reset();
    }

    // The icon with this id, or null once it is gone.
    static TCoolTrayIcon* Find(UINT id) noexcept {
        const std::unique_ptr<TrayIconHandler>& instance = Instance();
        if (!instance) return nullptr;
        const auto found = instance->icons_.find(id);
        return found == instance->icons_.end() ? nullptr : found->second;
    }

    // The icon whose menu is open (0: none), so that the menu's messages reach its owner.
    void SetMenuIcon(UINT id) noexcept { menuIconId_ = id; }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        const UINT id = static_cast<UINT>(wParam);
        switch (message) {
            case TCoolTrayIcon::kCallbackMessage:
                if (TCoolTrayIcon* icon = Find(id)) icon->MouseMessage(LOWORD(lParam));
                return 0;
            case WM_TIMER:
                if (TCoolTrayIcon* icon = Find(id)) {
                    icon->ClickTimerElapsed();
                } else {
                    KillTimer(Handle(), wParam);
                }
                return 0;
            case kBringOwnerToFront:
                if (TCoolTrayIcon* icon = Find(id)) {
                    HWND owner = icon->Owner();
                    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) BringToForeground(owner);
                }
                return 0;
            default:
                if (IsMenuMessage(message)) {
                    const TCoolTrayIcon* icon = Find(menuIconId_);
                    if (icon && icon->Owner()) return SendMessageW(icon->Owner(), message, wParam, lParam);
                }
                return Window::OnMessage(message, wParam, lParam);
        }
    }

private:
    TrayIconHandler() = default;

    static std::unique_ptr<TrayIconHandler>& Instance() {
        static std::unique_ptr<TrayIconHandler> instance;
        return instance;
    }

    std::map<UINT, TCoolTrayIcon*> icons_;
    UINT menuIconId_ = 0;
};

TCoolTrayIcon::TCoolTrayIcon(HWND owner) : id_(NextIconId()), handler_(TrayIconHandler::Attach(id_, this)) {
    TaskbarCreatedMessage();
    if (owner) {
        owner_ = owner;
        subclassed_ = SetWindowSubclass(owner, OwnerProc, id_, reinterpret_cast<DWORD_PTR>(this));
    }
}

TCoolTrayIcon::~TCoolTrayIcon() {
    StopClickTimer();
    if (iconVisible_) Notify(NIM_DELETE, Record());
    ReleaseOwner();
    TrayIconHandler::Detach(id_);
}

bool TCoolTrayIcon::Alive(UINT id, const TCoolTrayIcon* icon) {
    return TrayIconHandler::Find(id) == icon;
}

void TCoolTrayIcon::SetIcon(HICON icon) {
    icon_ = icon;
    ModifyIcon();
}

void TCoolTrayIcon::SetHint(std::string hint) {
    hint_ = std::move(hint);
    ModifyIcon();
}

void TCoolTrayIcon::SetShowHint(bool showHint) {
    showHint_ = showHint;
    ModifyIcon();
}

void TCoolTrayIcon::SetIconVisible(bool visible) {
    if (visible == iconVisible_) return;
    iconVisible_ = visible;
    if (visible) {
        AddIcon();
    } else {
        Notify(NIM_DELETE, Record());
    }
}

NOTIFYICONDATAW TCoolTrayIcon::Record() const {
    NOTIFYICONDATAW record{};
    record.cbSize = NOTIFYICONDATAW_V2_SIZE;
    record.hWnd = handler_.Handle();
    record.uID = id_;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = kCallbackMessage;
    record.hIcon = icon_;
    CopyField(record.szTip, TrayTooltip(ToUtf16(hint_), showHint_));
    return record;
}

void TCoolTrayIcon::Notify(DWORD command, const NOTIFYICONDATAW& record) const {
    // The shell may be missing or busy; the icon then simply does not show.
    Shell_NotifyIconW(command, const_cast<NOTIFYICONDATAW*>(&record));
}

void TCoolTrayIcon::AddIcon() {
    NOTIFYICONDATAW record = Record();
    Notify(NIM_ADD, record);
    record.uVersion = 0;
    Notify(NIM_SETVERSION, record);
}

void TCoolTrayIcon::ModifyIcon() {
    if (iconVisible_) Notify(NIM_MODIFY, Record());
}

void TCoolTrayIcon::DisplayBalloon(const std::string& title, const std::string& text, int iconKind,
                                   int timeoutSeconds) {
    if (!iconVisible_) return;
    const BalloonContent balloon = MakeBalloon(ToUtf16(title), ToUtf16(text), iconKind, timeoutSeconds);
    NOTIFYICONDATAW record = Record();
    record.uFlags |= NIF_INFO;
    Notify(NIM_MODIFY, record);  // an empty text takes down a balloon that is still shown
    CopyField(record.szInfo, balloon.Text);
    CopyField(record.szInfoTitle, balloon.Title);
    record.uTimeout = balloon.TimeoutMs;
    record.dwInfoFlags = static_cast<DWORD>(balloon.Icon);
    Notify(NIM_MODIFY, record);
}

void TCoolTrayIcon::ShowMainWindow() {
    if (!owner_) return;
    if (IsIconic(owner_)) ShowWindow(owner_, SW_RESTORE);
    if (!IsWindowVisible(owner_)) ShowWindow(owner_, SW_SHOW);
    BringToForeground(owner_);
}

void TCoolTrayIcon::HideMainWindow() {
    if (owner_ && IsWindowVisible(owner_)) ShowWindow(owner_, SW_HIDE);
}

void TCoolTrayIcon::DoMouseDown(TrayMouseButton button) {
    if (OnMouseDown) OnMouseDown(button);
}

void TCoolTrayIcon::DoMouseUp(TrayMouseButton button) {
    if (OnMouseUp) OnMouseUp(button);
}

void TCoolTrayIcon::DoClick() {
    if (OnClick) OnClick();
}

void TCoolTrayIcon::DoDblClick() {
    if (OnDblClick) OnDblClick();
}

// Event handlers may free the icon; after each one it is looked up again by id.
void TCoolTrayIcon::MouseMessage(UINT message) {
    if (!enabled_) return;
    const UINT id = id_;
    switch (message) {
        case WM_RBUTTONDOWN:
            DoMouseDown(TrayMouseButton::Right);
            if (Alive(id, this) && popupMenu_) PopupAtCursor();
            break;
        case WM_RBUTTONUP:
            DoMouseUp(TrayMouseButton::Right);
            break;
        case WM_MBUTTONDOWN:
            DoMouseDown(TrayMouseButton::Middle);
            break;
        case WM_MBUTTONUP:
            DoMouseUp(TrayMouseButton::Middle);
            break;
        case WM_LBUTTONDOWN:
            // With a double-click handler a click waits to see whether a second one follows.
            if (OnDblClick && SetTimer(handler_.Handle(), id_, GetDoubleClickTime(), nullptr)) {
                clickTimerRunning_ = true;
            }
            clickStarted_ = true;
            clickReady_ = false;
            DoMouseDown(TrayMouseButton::Left);
            if (Alive(id, this) && leftPopup_ && popupMenu_) PopupAtCursor();
            break;
        case WM_LBUTTONUP:
            DoMouseUp(TrayMouseButton::Left);
            if (!Alive(id, this) || !clickStarted_) break;
            if (clickTimerRunning_) {
                clickReady_ = true;
            } else {
                clickStarted_ = false;
                DoClick();
            }
            break;
        case WM_LBUTTONDBLCLK:
            StopClickTimer();
            clickStarted_ = false;
            clickReady_ = false;
            DoDblClick();
            if (Alive(id, this) && popupMenu_ && !leftPopup_) RunDefaultItem();
            break;
        default:
            break;
    }
}

void TCoolTrayIcon::ClickTimerElapsed() {
    StopClickTimer();
    if (!clickReady_) return;  // the button is still down; its release reports the click
    clickStarted_ = false;
    clickReady_ = false;
    DoClick();
}

void TCoolTrayIcon::StopClickTimer() {
    if (!clickTimerRunning_) return;
    KillTimer(handler_.Handle(), id_);
    clickTimerRunning_ = false;
}

void TCoolTrayIcon::PopupAtCursor() {
    const UINT id = id_;
    HWND hidden = handler_.Handle();
    // Without the foreground the menu would stay open when the user clicks elsewhere.
    SetForegroundWindow(hidden);
    Delay(0);
    if (!Alive(id, this) || !popupMenu_) return;
    POINT at{};
    GetCursorPos(&at);
    handler_.SetMenuIcon(id);
    const UINT command =
        static_cast<UINT>(TrackPopupMenu(popupMenu_, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hidden, nullptr));
    if (!Alive(id, this)) return;
    handler_.SetMenuIcon(0);
    // Makes the menu close properly when the user clicks outside it.
    PostMessageW(owner_ ? owner_ : hidden, WM_NULL, 0, 0);
    if (command != 0) RunMenuCommand(command);
}

void TCoolTrayIcon::RunDefaultItem() {
    const UINT command = GetMenuDefaultItem(popupMenu_, FALSE, 0);
    if (command != static_cast<UINT>(-1)) RunMenuCommand(command);
}

void TCoolTrayIcon::RunMenuCommand(UINT commandId) {
    if (owner_) SendMessageW(owner_, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

LRESULT CALLBACK TCoolTrayIcon::OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                          DWORD_PTR refData) noexcept {
    auto* self = reinterpret_cast<TCoolTrayIcon*>(refData);
    const UINT id = static_cast<UINT>(subclassId);
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_RESTORE && IsIconic(hwnd)) {
        // Also brings the window back when it is hidden in the tray.
        Guarded([self] { self->ShowMainWindow(); });
        return 0;
    }
    if (message == WM_NCDESTROY) {
        // The icon has nothing left to act on.
        Guarded([self] {
            self->ReleaseOwner();
            self->SetIconVisible(false);
        });
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
    if (Alive(id, self)) Guarded([&] { self->AfterOwnerMessage(message, wParam, lParam); });
    return result;
}

void TCoolTrayIcon::AfterOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED && minimizeToTray_) {
                HideMainWindow();
                SetIconVisible(true);
            }
            break;
        case WM_SHOWWINDOW:
            if (wParam && lParam == 0) PostMessageW(handler_.Handle(), kBringOwnerToFront, id_, 0);
            break;
        default:
            if (message != 0 && message == TaskbarCreatedMessage() && iconVisible_) {
                // The new shell may still hold the icon, and refuses to add it twice.
                Notify(NIM_DELETE, Record());
                AddIcon();
            }
            break;
    }
}

void TCoolTrayIcon::ReleaseOwner() {
    if (subclassed_) RemoveWindowSubclass(owner_, OwnerProc, id_);
    subclassed_ = false;
    owner_ = nullptr;
}

}  // namespace tarvex
