#include "app/win32/cool_tray_icon.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <map>
#include <memory>
#include <optional>

#include "app/tray_icon_rules.h"
#include "common/win32/delay_win32.h"
#include "common/win32/window_utils.h"
#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"
#include "platform/win32/win32_error.h"
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
    const auto getVersion = LoadedSystemFunction<DLLGETVERSIONPROC>(L"comctl32.dll", "DllGetVersion");
    if (!getVersion) return false;  // 4.70 and older have no version entry
    DLLVERSIONINFO info{sizeof info};
    if (FAILED(getVersion(&info))) return false;
    return info.dwMajorVersion > 4 || (info.dwMajorVersion == 4 && info.dwMinorVersion > 70);
}

// The shell's broadcast after it has (re)created the taskbar; 0 where the shell has none.
UINT TaskbarCreatedMessage() {
    static const UINT message = [] {
        const UINT registered = CommonControlsAbove470() ? RegisterWindowMessageW(L"TaskbarCreated") : 0;
        // The program runs elevated, and from Vista on a message from the shell, which does
        // not, is dropped unless it is let through.
        using ChangeWindowMessageFilterFn = BOOL(WINAPI*)(UINT, DWORD);
        const auto letThrough =
            LoadedSystemFunction<ChangeWindowMessageFilterFn>(L"user32.dll", "ChangeWindowMessageFilter");
        if (registered && letThrough) letThrough(registered, MSGFLT_ADD);
        return registered;
    }();
    return message;
}

std::optional<TrayMouseMessage> DecodeMouseMessage(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
            return TrayMouseMessage::LeftDown;
        case WM_LBUTTONUP:
            return TrayMouseMessage::LeftUp;
        case WM_LBUTTONDBLCLK:
            return TrayMouseMessage::LeftDoubleClick;
        case WM_RBUTTONDOWN:
            return TrayMouseMessage::RightDown;
        case WM_RBUTTONUP:
            return TrayMouseMessage::RightUp;
        case WM_MBUTTONDOWN:
            return TrayMouseMessage::MiddleDown;
        case WM_MBUTTONUP:
            return TrayMouseMessage::MiddleUp;
        default:
            return std::nullopt;  // moves and the rest have no use here
    }
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
            CheckWin32(created->CreateHandle(TCoolTrayIcon::kHandlerClassName, L"", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 0,
                                             0, nullptr, nullptr),
                       "CreateWindowExW");
            instance = std::move(created);
        }
        instance->icons_[id] = icon;
        return *instance;
    }

    // No message reaches the icon any more.
    static void Detach(UINT id) noexcept {
        if (const std::unique_ptr<TrayIconHandler>& instance = Instance()) instance->icons_.erase(id);
    }

    // Destroys the window once the last icon is gone.
    static void ReleaseIfUnused() noexcept {
        std::unique_ptr<TrayIconHandler>& instance = Instance();
        if (instance && instance->icons_.empty()) instance.reset();
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
    retryTimer_.OnTimer = [this] { RetryTimerElapsed(); };
    clickTimer_.OnTimer = [this] { RunMouseSteps(clicks_.ClickTimerElapsed()); };
    TaskbarCreatedMessage();
    if (owner) {
        owner_ = owner;
        subclassed_ = SetWindowSubclass(owner, OwnerProc, id_, reinterpret_cast<DWORD_PTR>(this));
    }
}

TCoolTrayIcon::~TCoolTrayIcon() {
    // Deleting the icon waits for the shell, which runs messages sent to this thread meanwhile:
    // none of them may reach the icon any more.
    life_.End();
    clickTimer_.Stop();
    retryTimer_.Stop();
    ReleaseOwner();
    TrayIconHandler::Detach(id_);
    if (presence_.Hide()) Notify(NIM_DELETE, Record());
    TrayIconHandler::ReleaseIfUnused();
}

// Each change is a round trip to the shell: one that changes nothing is not sent.
void TCoolTrayIcon::SetIcon(HICON icon) {
    if (icon == icon_) return;
    icon_ = icon;
    ModifyIcon();
}

void TCoolTrayIcon::SetHint(std::string hint) {
    if (hint == hint_) return;
    hint_ = std::move(hint);
    ModifyIcon();
}

void TCoolTrayIcon::SetShowHint(bool showHint) {
    showHint_ = showHint;
    ModifyIcon();
}

void TCoolTrayIcon::SetIconVisible(bool visible) {
    if (visible) {
        if (presence_.Show()) AddIcon();
    } else if (presence_.Hide()) {
        Notify(NIM_DELETE, Record());
    }
    KeepRetryTimer();
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

// False when the shell is missing, not ready or busy, or refuses the command.
bool TCoolTrayIcon::Notify(DWORD command, const NOTIFYICONDATAW& record) const {
    return Shell_NotifyIconW(command, const_cast<NOTIFYICONDATAW*>(&record)) != FALSE;
}

void TCoolTrayIcon::AddIcon() {
    NOTIFYICONDATAW record = Record();
    const bool accepted = Notify(NIM_ADD, record);
    if (accepted) {
        // Version 0 is the shell's default, so a refusal here changes nothing.
        record.uVersion = 0;
        Notify(NIM_SETVERSION, record);
    }
    if (presence_.Added(accepted)) Notify(NIM_DELETE, record);
    KeepRetryTimer();
    // Minimised to the tray before the shell took the icon (starting in the tray at logon),
    // the window waited on the taskbar; now it can go.
    if (presence_.Shown() && minimizeToTray_ && owner_ && IsIconic(owner_)) HideMainWindow();
}

void TCoolTrayIcon::ModifyIcon() {
    if (presence_.Shown()) Notify(NIM_MODIFY, Record());
}

void TCoolTrayIcon::RetryTimerElapsed() {
    if (presence_.RetryElapsed()) AddIcon();
    KeepRetryTimer();
}

// Runs the retry timer exactly while the presence waits for the shell.
void TCoolTrayIcon::KeepRetryTimer() {
    if (!presence_.Retrying()) {
        retryTimer_.Stop();
    } else if (!retryTimer_.Running()) {
        retryTimer_.Start(TrayIconPresence::kRetryIntervalMs);
    }
}

bool TCoolTrayIcon::DisplayBalloon(const std::string& title, const std::string& text, int iconKind,
                                   int timeoutSeconds) {
    if (!presence_.Shown()) return false;
    const BalloonContent balloon = MakeBalloon(ToUtf16(title), ToUtf16(text), iconKind, timeoutSeconds);
    NOTIFYICONDATAW record = Record();
    record.uFlags |= NIF_INFO;
    Notify(NIM_MODIFY, record);  // an empty text takes down a balloon that is still shown
    CopyField(record.szInfo, balloon.Text);
    CopyField(record.szInfoTitle, balloon.Title);
    record.uTimeout = balloon.TimeoutMs;
    record.dwInfoFlags = static_cast<DWORD>(balloon.Icon);
    return Notify(NIM_MODIFY, record);
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

void TCoolTrayIcon::MouseMessage(UINT message) {
    const std::optional<TrayMouseMessage> decoded = DecodeMouseMessage(message);
    if (!decoded) return;
    const TrayMouseSettings settings{.Enabled = enabled_,
                                     .HasMenu = popupMenu_ != nullptr,
                                     .LeftPopup = leftPopup_,
                                     .HasDblClickHandler = static_cast<bool>(OnDblClick)};
    RunMouseSteps(clicks_.Message(*decoded, settings));
}

void TCoolTrayIcon::RunMouseSteps(const std::vector<TrayMouseStep>& steps) {
    const auto alive = life_.Watch();
    for (const TrayMouseStep& step : steps) {
        if (!alive) return;  // a handler or the menu's command freed the icon
        RunMouseStep(step);
    }
}

void TCoolTrayIcon::RunMouseStep(const TrayMouseStep& step) {
    using Kind = TrayMouseStep::Kind;
    switch (step.What) {
        case Kind::StartClickTimer:
            StartClickTimer();
            break;
        case Kind::StopClickTimer:
            clickTimer_.Stop();
            break;
        case Kind::MouseDown:
            DoMouseDown(step.Button);
            break;
        case Kind::MouseUp:
            DoMouseUp(step.Button);
            break;
        case Kind::Click:
            DoClick();
            break;
        case Kind::DblClick:
            DoDblClick();
            break;
        case Kind::PopupMenu:
            PopupAtCursor();
            break;
        case Kind::RunDefaultItem:
            RunDefaultItem();
            break;
    }
}

void TCoolTrayIcon::StartClickTimer() {
    try {
        clickTimer_.Start(GetDoubleClickTime());
    } catch (const Win32Error&) {
        // Out of timers: the click counts when the button goes up, and the rest of the
        // message still runs.
        clicks_.ClickTimerFailed();
        ReportUnhandledError(std::current_exception());
    }
}

void TCoolTrayIcon::PopupAtCursor() {
    if (!popupMenu_) return;  // a handler took it away
    const auto alive = life_.Watch();
    HWND hidden = handler_.Handle();
    // Without the foreground the menu would stay open when the user clicks elsewhere.
    SetForegroundWindow(hidden);
    Delay(0);
    if (!alive || !popupMenu_) return;
    POINT at{};
    GetCursorPos(&at);
    handler_.SetMenuIcon(id_);
    const UINT command =
        static_cast<UINT>(TrackPopupMenu(popupMenu_, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hidden, nullptr));
    if (!alive) return;
    handler_.SetMenuIcon(0);
    // Makes the menu close properly when the user clicks outside it.
    PostMessageW(owner_ ? owner_ : hidden, WM_NULL, 0, 0);
    if (command != 0) RunMenuCommand(command);
}

void TCoolTrayIcon::RunDefaultItem() {
    if (!popupMenu_) return;
    const UINT command = GetMenuDefaultItem(popupMenu_, FALSE, 0);
    if (command != static_cast<UINT>(-1)) RunMenuCommand(command);
}

void TCoolTrayIcon::RunMenuCommand(UINT commandId) {
    if (owner_) SendMessageW(owner_, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

LRESULT CALLBACK TCoolTrayIcon::OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR refData) noexcept {
    auto* self = reinterpret_cast<TCoolTrayIcon*>(refData);
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_RESTORE && (IsIconic(hwnd) || !IsWindowVisible(hwnd))) {
        // Also brings the window back when it is hidden in the tray (a second start of the
        // program sends this).
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
    const auto alive = self->life_.Watch();
    const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
    if (alive) Guarded([&] { self->AfterOwnerMessage(message, wParam, lParam); });
    return result;
}

void TCoolTrayIcon::AfterOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED && minimizeToTray_) {
                // Hidden without an icon, the window could not be brought back: until the
                // shell takes the icon it stays minimised on the taskbar.
                SetIconVisible(true);
                if (IconVisible()) HideMainWindow();
            }
            break;
        case WM_SHOWWINDOW:
            if (wParam && lParam == 0) PostMessageW(handler_.Handle(), kBringOwnerToFront, id_, 0);
            break;
        default:
            if (message != 0 && message == TaskbarCreatedMessage() && presence_.TaskbarCreated()) {
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
