// The notification-area icon against a notification area of the test's own: a window of
// the shell's class "Shell_TrayWnd", which Wine's Shell_NotifyIconW finds and hands each
// request to (WM_COPYDATA, the command in dwData), and which takes or refuses icons as a
// test wants. The mouse messages the shell would send go straight to the hidden window.
#include "app/win32/cool_tray_icon.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/win32_error.h"

namespace tarvex {
namespace {

constexpr wchar_t kOwnerClass[] = L"CoolTrayTestOwner";
constexpr wchar_t kShellTrayClass[] = L"Shell_TrayWnd";
constexpr UINT kShowId = 1000;
constexpr UINT kAboutId = 1001;
constexpr UINT kCallbackMessage = 2048;  // the shell's callback message number of the icon

// What the owner window and the icon's events saw, in order.
std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
}

// The owner's WM_COMMAND runs this first when set (a command that ends the program).
std::function<void(UINT)>& OnOwnerCommand() {
    static std::function<void(UINT)> handler;
    return handler;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        Log().push_back("command " + std::to_string(LOWORD(wParam)));
        if (OnOwnerCommand()) OnOwnerCommand()(LOWORD(wParam));
    }
    if (message == WM_INITMENUPOPUP) Log().push_back("init menu");
    if (message == WM_NULL) Log().push_back("null");
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RunPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Runs messages until `condition` holds, for at most `timeoutMs`.
template <typename Condition>
bool RunMessagesUntil(Condition condition, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        RunPendingMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

bool LogHas(const std::string& entry) {
    for (const std::string& seen : Log())
        if (seen == entry) return true;
    return false;
}

// The hidden windows of this process that carry the icons' class.
std::vector<HWND> HandlerWindows() {
    std::vector<HWND> found;
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, TCoolTrayIcon::kHandlerClassName, nullptr))) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId()) found.push_back(window);
    }
    return found;
}

// Works the open menu with the keyboard: down to the second command and choose it. The
// menu's loop reads the keys of its thread, here posted to the menu's owner.
void CALLBACK ChooseSecondCommand(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
        PostMessageW(HandlerWindows()[0], WM_KEYDOWN, key, 0);
        PostMessageW(HandlerWindows()[0], WM_KEYUP, key, 0);
    }
}

// One request as the notification area received it. The record's first fields (window,
// id, flags, callback message) lead the data in every layout; texts are found by content.
struct TrayRequest {
    DWORD Command = 0;
    HWND Window = nullptr;
    UINT Id = 0;
    UINT Flags = 0;
    UINT CallbackMessage = 0;
    std::vector<std::uint8_t> Data;

    // Whether the data holds `text` with its terminating zero.
    bool HasText(const std::wstring& text) const {
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        for (std::size_t at = 0; at + bytes <= Data.size(); at += sizeof(wchar_t))
            if (std::memcmp(Data.data() + at, text.c_str(), bytes) == 0) return true;
        return false;
    }
};

class FakeNotificationArea {
public:
    FakeNotificationArea() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kShellTrayClass;
        RegisterClassW(&wc);
        Current() = this;
        window_ = CreateWindowExW(0, kShellTrayClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    }
    ~FakeNotificationArea() {
        DestroyWindow(window_);
        Current() = nullptr;
    }
    FakeNotificationArea(const FakeNotificationArea&) = delete;
    FakeNotificationArea& operator=(const FakeNotificationArea&) = delete;

    int RefuseAdds = 0;  // the next adds refused, as by a shell that is not ready yet
    std::vector<TrayRequest> Requests;

    bool Holds(const TCoolTrayIcon& icon) const { return held_.count({HandlerWindows().at(0), icon.Id()}) != 0; }
    // A restarted shell holds no icons.
    void Restart() { held_.clear(); }
    std::vector<DWORD> Commands() const {
        std::vector<DWORD> commands;
        for (const TrayRequest& request : Requests) commands.push_back(request.Command);
        return commands;
    }

private:
    static FakeNotificationArea*& Current() {
        static FakeNotificationArea* current = nullptr;
        return current;
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA && Current()) {
            return Current()->Receive(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    BOOL Receive(const COPYDATASTRUCT& data) {
        TrayRequest request;
        request.Command = static_cast<DWORD>(data.dwData);
        const auto* bytes = static_cast<const std::uint8_t*>(data.lpData);
        request.Data.assign(bytes, bytes + data.cbData);
        std::int32_t fields[4] = {};
        if (data.cbData >= sizeof fields) std::memcpy(fields, bytes, sizeof fields);
        request.Window = reinterpret_cast<HWND>(static_cast<INT_PTR>(fields[0]));
        request.Id = static_cast<UINT>(fields[1]);
        request.Flags = static_cast<UINT>(fields[2]);
        request.CallbackMessage = static_cast<UINT>(fields[3]);
        Requests.push_back(request);

        const std::pair<HWND, UINT> key{request.Window, request.Id};
        switch (request.Command) {
            case NIM_ADD:
                if (RefuseAdds > 0) {
                    --RefuseAdds;
                    return FALSE;
                }
                return held_.insert(key).second;  // an icon held already is refused
            case NIM_DELETE:
                return held_.erase(key) != 0;
            default:
                return held_.count(key) != 0;
        }
    }

    HWND window_ = nullptr;
    std::set<std::pair<HWND, UINT>> held_;
};

LRESULT CALLBACK RefuseHandlerWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        wchar_t className[64] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), className, 64);
        if (lstrcmpW(className, TCoolTrayIcon::kHandlerClassName) == 0) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class CoolTrayIconTest : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kOwnerClass;
        RegisterClassW(&wc);
        owner_ = CreateWindowExW(0, kOwnerClass, L"Owner", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(owner_);
        menu_ = CreatePopupMenu();
        AppendMenuW(menu_, MF_STRING, kShowId, L"&Show");
        AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu_, MF_STRING, kAboutId, L"&About");
        SetMenuDefaultItem(menu_, kShowId, FALSE);
        Log().clear();
        shell_ = std::make_unique<FakeNotificationArea>();
    }
    void TearDown() override {
        RunPendingMessages();
        DestroyMenu(menu_);
        if (IsWindow(owner_)) DestroyWindow(owner_);
        shell_.reset();
        OnOwnerCommand() = nullptr;
        Log().clear();
    }

    std::unique_ptr<TCoolTrayIcon> MakeIcon() {
        auto icon = std::make_unique<TCoolTrayIcon>(owner_);
        icon->SetPopupMenu(menu_);
        icon->SetIconVisible(true);
        icon->OnDblClick = [] { Log().push_back("double click"); };
        icon->OnClick = [] { Log().push_back("click"); };
        icon->OnMouseDown = [](TrayMouseButton button) { Log().push_back("down " + ButtonName(button)); };
        return icon;
    }

    static std::string ButtonName(TrayMouseButton button) {
        return button == TrayMouseButton::Left ? "left" : button == TrayMouseButton::Right ? "right" : "middle";
    }

    // What the shell sends when the user works the icon.
    static void SendMouse(const TCoolTrayIcon& icon, UINT mouseMessage) {
        ASSERT_EQ(HandlerWindows().size(), 1u);
        SendMessageW(HandlerWindows()[0], kCallbackMessage, icon.Id(), mouseMessage);
    }

    // The broadcast of a shell that has made a new taskbar.
    void AnnounceNewTaskbar() { SendMessageW(owner_, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0); }

    HWND owner_ = nullptr;
    HMENU menu_ = nullptr;
    std::unique_ptr<FakeNotificationArea> shell_;
};

TEST_F(CoolTrayIconTest, HiddenWindowIsSharedAndFreedWithTheLastIcon) {
    ASSERT_TRUE(HandlerWindows().empty());
    auto first = MakeIcon();
    ASSERT_EQ(HandlerWindows().size(), 1u);
    const HWND shared = HandlerWindows()[0];
    EXPECT_FALSE(IsWindowVisible(shared));
    auto second = MakeIcon();
    EXPECT_NE(first->Id(), second->Id());
    EXPECT_EQ(HandlerWindows(), std::vector<HWND>{shared});
    first.reset();
    EXPECT_EQ(HandlerWindows(), std::vector<HWND>{shared});
    SendMouse(*second, WM_LBUTTONDBLCLK);  // the survivor still gets its messages
    EXPECT_EQ(Log(), (std::vector<std::string>{"double click", "command 1000"}));
    second.reset();
    EXPECT_FALSE(IsWindow(shared));
    EXPECT_TRUE(HandlerWindows().empty());
    auto third = MakeIcon();  // and a new first icon makes a new one
    EXPECT_EQ(HandlerWindows().size(), 1u);
}

TEST_F(CoolTrayIconTest, HiddenWindowThatCannotBeMadeIsReported) {
    // A hook that refuses the hidden window's creation, as a system out of window handles would.
    const HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseHandlerWindow, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    try {
        TCoolTrayIcon icon(owner_);
        ADD_FAILURE() << "no error";
    } catch (const Win32Error& error) {
        EXPECT_NE(std::string(error.what()).find("CreateWindowExW"), std::string::npos) << error.what();
    }
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(HandlerWindows().empty());
    auto icon = MakeIcon();  // nothing half-made stays behind
    EXPECT_TRUE(shell_->Holds(*icon));
}

TEST_F(CoolTrayIconTest, TheShellGetsTheIconsRecord) {
    auto icon = MakeIcon();
    const HWND handler = HandlerWindows().at(0);
    ASSERT_EQ(shell_->Commands(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
    const TrayRequest& add = shell_->Requests[0];
    EXPECT_EQ(add.Window, handler);
    EXPECT_EQ(add.Id, icon->Id());
    EXPECT_EQ(add.Flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.CallbackMessage, kCallbackMessage);
    EXPECT_TRUE(icon->IconVisible());

    // The tooltip: the hint cut to 127 characters, none with ShowHint off.
    shell_->Requests.clear();
    icon->SetHint(std::string(200, 'h'));
    icon->SetShowHint(false);
    ASSERT_EQ(shell_->Commands(), (std::vector<DWORD>{NIM_MODIFY, NIM_MODIFY}));
    EXPECT_TRUE(shell_->Requests[0].HasText(std::wstring(127, L'h')));
    EXPECT_FALSE(shell_->Requests[0].HasText(std::wstring(128, L'h')));
    EXPECT_FALSE(shell_->Requests[1].HasText(L"h"));

    // A balloon: the old one cleared, then text and title cut to their fields; the next
    // request carries no balloon any more.
    shell_->Requests.clear();
    EXPECT_TRUE(icon->DisplayBalloon(std::string(70, 't'), std::string(300, 'b'), 1, 10));
    icon->SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
    ASSERT_EQ(shell_->Commands(), (std::vector<DWORD>{NIM_MODIFY, NIM_MODIFY, NIM_MODIFY}));
    const std::vector<TrayRequest>& r = shell_->Requests;
    EXPECT_EQ(r[0].Flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO));
    EXPECT_FALSE(r[0].HasText(L"b"));
    EXPECT_EQ(r[1].Flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO));
    EXPECT_TRUE(r[1].HasText(std::wstring(255, L'b')));
    EXPECT_FALSE(r[1].HasText(std::wstring(256, L'b')));
    EXPECT_TRUE(r[1].HasText(std::wstring(63, L't')));
    EXPECT_EQ(r[2].Flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));

    shell_->Requests.clear();
    icon.reset();
    EXPECT_EQ(shell_->Commands(), std::vector<DWORD>{NIM_DELETE});
}

TEST_F(CoolTrayIconTest, VisibleOnlyOnceTheShellTookTheIcon) {
    // No shell at all: nothing shows, no balloon either.
    shell_.reset();
    auto icon = MakeIcon();
    EXPECT_FALSE(icon->IconVisible());
    EXPECT_FALSE(icon->DisplayBalloon("Title", "Text", 1, 10));

    // The shell comes up and takes icons only after refusing two more: the retries get it there.
    shell_ = std::make_unique<FakeNotificationArea>();
    shell_->RefuseAdds = 2;
    ASSERT_TRUE(RunMessagesUntil([&] { return icon->IconVisible(); }, 10000));
    EXPECT_TRUE(shell_->Holds(*icon));
    EXPECT_EQ(shell_->Commands(), (std::vector<DWORD>{NIM_ADD, NIM_ADD, NIM_ADD, NIM_SETVERSION}));
    EXPECT_TRUE(icon->DisplayBalloon("Title", "Text", 1, 10));

    // Hidden while the shell still refuses: the retries stop.
    icon->SetIconVisible(false);
    shell_->Requests.clear();
    shell_->RefuseAdds = 1;
    icon->SetIconVisible(true);
    icon->SetIconVisible(false);
    RunMessagesUntil([] { return false; }, 1500);
    EXPECT_EQ(shell_->Commands(), std::vector<DWORD>{NIM_ADD});
    EXPECT_FALSE(icon->IconVisible());
}

TEST_F(CoolTrayIconTest, NewTaskbarGetsTheIconBack) {
    auto icon = MakeIcon();
    shell_->Restart();
    shell_->Requests.clear();
    AnnounceNewTaskbar();
    EXPECT_EQ(shell_->Commands(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_SETVERSION}));
    EXPECT_TRUE(shell_->Holds(*icon));
    EXPECT_TRUE(icon->IconVisible());

    // A new taskbar that is not ready for icons yet: the retries take over.
    shell_->Restart();
    shell_->RefuseAdds = 1;
    AnnounceNewTaskbar();
    EXPECT_FALSE(icon->IconVisible());
    EXPECT_TRUE(RunMessagesUntil([&] { return shell_->Holds(*icon) && icon->IconVisible(); }));

    // A hidden icon stays hidden.
    icon->SetIconVisible(false);
    shell_->Requests.clear();
    AnnounceNewTaskbar();
    EXPECT_TRUE(shell_->Requests.empty());
}

TEST_F(CoolTrayIconTest, DoubleClickRunsTheHandlerThenTheDefaultItem) {
    struct Case {
        const char* name;
        bool enabled;
        bool leftPopup;
        bool withMenu;
        UINT defaultItem;  // 0: none
        bool defaultDisabled;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"default item", true, false, true, kShowId, false, {"double click", "command 1000"}},
        {"another default", true, false, true, kAboutId, false, {"double click", "command 1001"}},
        {"disabled icon", false, false, true, kShowId, false, {}},
        {"left popup", true, true, true, kShowId, false, {"double click"}},
        {"no menu", true, false, false, kShowId, false, {"double click"}},
        {"no default item", true, false, true, 0, false, {"double click"}},
        {"default item greyed", true, false, true, kShowId, true, {"double click"}},
    };
    auto icon = MakeIcon();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log().clear();
        icon->SetEnabled(c.enabled);
        icon->SetLeftPopup(c.leftPopup);
        icon->SetPopupMenu(c.withMenu ? menu_ : nullptr);
        SetMenuDefaultItem(menu_, c.defaultItem ? c.defaultItem : static_cast<UINT>(-1), FALSE);
        EnableMenuItem(menu_, kShowId, c.defaultDisabled ? MF_GRAYED : MF_ENABLED);
        SendMouse(*icon, WM_LBUTTONDBLCLK);
        EXPECT_EQ(Log(), c.expected);
    }
}

TEST_F(CoolTrayIconTest, MessagesForOtherIconsOrFromFreedHandlersAreSafe) {
    auto icon = MakeIcon();
    auto other = MakeIcon();
    other->OnDblClick = [&other] { other.reset(); };  // a handler that frees its own icon
    SendMouse(*other, WM_LBUTTONDBLCLK);
    EXPECT_EQ(other, nullptr);
    EXPECT_TRUE(Log().empty());  // its default item did not run on the freed icon
    SendMessageW(HandlerWindows()[0], kCallbackMessage, icon->Id() + 100, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Log().empty());
    SendMouse(*icon, WM_LBUTTONDBLCLK);
    EXPECT_EQ(Log(), (std::vector<std::string>{"double click", "command 1000"}));

    // A click handler that frees the last icon, from the double-click timer's tick.
    icon->OnDblClick = [] {};
    icon->OnClick = [&icon] { icon.reset(); };
    SendMouse(*icon, WM_LBUTTONDOWN);
    SendMouse(*icon, WM_LBUTTONUP);
    EXPECT_TRUE(RunMessagesUntil([&] { return icon == nullptr; }));
    EXPECT_TRUE(HandlerWindows().empty());
}

TEST_F(CoolTrayIconTest, SingleClicksWaitForAPossibleDoubleClick) {
    auto icon = MakeIcon();
    // A double click: its first click is never reported on its own.
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) SendMouse(*icon, message);
    // A single click: reported once the double-click time has passed.
    SendMouse(*icon, WM_LBUTTONDOWN);
    SendMouse(*icon, WM_LBUTTONUP);
    EXPECT_TRUE(RunMessagesUntil([] { return LogHas("click"); }));
    EXPECT_EQ(Log(), (std::vector<std::string>{"down left", "double click", "command 1000", "down left", "click"}));

    // Without a double-click handler a click is reported when the button goes up.
    Log().clear();
    icon->OnDblClick = nullptr;
    SendMouse(*icon, WM_LBUTTONDOWN);
    SendMouse(*icon, WM_LBUTTONUP);
    EXPECT_EQ(Log(), (std::vector<std::string>{"down left", "click"}));
}

TEST_F(CoolTrayIconTest, RightClickPopsTheMenuUpAndSendsTheChosenCommand) {
    auto icon = MakeIcon();
    SetTimer(nullptr, 0, 200, ChooseSecondCommand);
    SendMouse(*icon, WM_RBUTTONDOWN);
    EXPECT_EQ(Log(), (std::vector<std::string>{"down right", "init menu", "command 1001"}));
    RunPendingMessages();
    EXPECT_EQ(Log().back(), "null");  // the null message after the menu reached the owner

    Log().clear();
    icon->SetEnabled(false);
    SendMouse(*icon, WM_RBUTTONDOWN);
    icon->SetEnabled(true);
    icon->SetPopupMenu(nullptr);
    SendMouse(*icon, WM_RBUTTONDOWN);
    EXPECT_EQ(Log(), std::vector<std::string>{"down right"});
}

// A menu command that ends the program by destroying the owner frees the last icon while
// its menu code still runs.
TEST_F(CoolTrayIconTest, MenuCommandThatFreesTheIconEndsCleanly) {
    auto icon = MakeIcon();
    OnOwnerCommand() = [&](UINT) { icon.reset(); };
    SetTimer(nullptr, 0, 200, ChooseSecondCommand);
    SendMouse(*icon, WM_RBUTTONDOWN);
    EXPECT_EQ(icon, nullptr);
    EXPECT_EQ(Log(), (std::vector<std::string>{"down right", "init menu", "command 1001"}));
    EXPECT_TRUE(HandlerWindows().empty());
    EXPECT_EQ(shell_->Commands().back(), static_cast<DWORD>(NIM_DELETE));
}

TEST_F(CoolTrayIconTest, MinimiseToTrayHidesTheOwnerAndShowingBringsItBackNormal) {
    enum class Minimise { SystemCommand, ShowMinimised };
    enum class Restore { ShowMainWindow, DoubleClick, SystemCommand };
    struct Case {
        const char* name;
        bool toTray;
        Minimise minimise;
        bool startHidden;  // starting in the tray: minimised before it was ever shown
        Restore restore;
    };
    const Case cases[] = {
        {"to tray, minimise button", true, Minimise::SystemCommand, false, Restore::ShowMainWindow},
        {"to tray, double click", true, Minimise::SystemCommand, false, Restore::DoubleClick},
        {"to tray, restore command", true, Minimise::SystemCommand, false, Restore::SystemCommand},
        {"start in tray", true, Minimise::ShowMinimised, true, Restore::DoubleClick},
        {"start in tray, restore command", true, Minimise::ShowMinimised, true, Restore::SystemCommand},
        {"to taskbar", false, Minimise::SystemCommand, false, Restore::DoubleClick},
        {"start in taskbar", false, Minimise::ShowMinimised, true, Restore::ShowMainWindow},
    };
    auto icon = MakeIcon();
    icon->OnDblClick = [&icon] { icon->ShowMainWindow(); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowWindow(owner_, c.startHidden ? SW_HIDE : SW_SHOWNORMAL);
        icon->SetIconVisible(false);
        icon->SetMinimizeToTray(c.toTray);
        if (c.minimise == Minimise::SystemCommand) {
            SendMessageW(owner_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        } else {
            ShowWindow(owner_, SW_SHOWMINNOACTIVE);
        }
        RunPendingMessages();
        EXPECT_TRUE(IsIconic(owner_));
        EXPECT_EQ(IsWindowVisible(owner_) != FALSE, !c.toTray);
        EXPECT_EQ(shell_->Holds(*icon), c.toTray);  // minimising to the tray makes sure the icon shows

        switch (c.restore) {
            case Restore::ShowMainWindow:
                icon->ShowMainWindow();
                break;
            case Restore::DoubleClick:
                SendMouse(*icon, WM_LBUTTONDBLCLK);
                break;
            case Restore::SystemCommand:  // what a second start of the program sends
                SendMessageW(owner_, WM_SYSCOMMAND, SC_RESTORE, 0);
                break;
        }
        RunPendingMessages();
        EXPECT_TRUE(IsWindowVisible(owner_));
        EXPECT_FALSE(IsIconic(owner_));
        EXPECT_EQ(GetForegroundWindow(), owner_);
    }
}

// Hidden without an icon the window could not be brought back: it waits on the taskbar
// until the shell takes the icon (starting in the tray at logon), then goes to the tray.
TEST_F(CoolTrayIconTest, MinimiseToTrayWaitsForTheShellToTakeTheIcon) {
    shell_->RefuseAdds = 1000;
    auto icon = MakeIcon();
    icon->SetMinimizeToTray(true);
    ShowWindow(owner_, SW_SHOWMINNOACTIVE);
    RunPendingMessages();
    EXPECT_TRUE(IsIconic(owner_));
    EXPECT_TRUE(IsWindowVisible(owner_));
    EXPECT_FALSE(icon->IconVisible());

    shell_->RefuseAdds = 0;
    EXPECT_TRUE(RunMessagesUntil([&] { return !IsWindowVisible(owner_); }));
    EXPECT_TRUE(shell_->Holds(*icon));
    EXPECT_TRUE(IsIconic(owner_));
}

TEST_F(CoolTrayIconTest, ShowingTheOwnerBringsItToTheFront) {
    auto icon = MakeIcon();
    HWND other = CreateWindowExW(0, kOwnerClass, L"Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(other);
    ASSERT_EQ(GetForegroundWindow(), other);
    ShowWindow(owner_, SW_SHOWNOACTIVATE);
    RunPendingMessages();
    EXPECT_EQ(GetForegroundWindow(), owner_);

    // Starting in the tray it stays behind.
    ShowWindow(owner_, SW_HIDE);
    SetForegroundWindow(other);
    icon->SetMinimizeToTray(true);
    ShowWindow(owner_, SW_SHOWMINNOACTIVE);
    RunPendingMessages();
    EXPECT_FALSE(IsWindowVisible(owner_));
    EXPECT_EQ(GetForegroundWindow(), other);
    DestroyWindow(other);
}

TEST_F(CoolTrayIconTest, OwnerDestroyedFirstLeavesAnIdleIcon) {
    auto icon = MakeIcon();
    icon->SetMinimizeToTray(true);
    ASSERT_TRUE(shell_->Holds(*icon));
    DestroyWindow(owner_);
    EXPECT_EQ(icon->Owner(), nullptr);
    EXPECT_FALSE(shell_->Holds(*icon));
    EXPECT_FALSE(icon->IconVisible());
    icon->ShowMainWindow();
    icon->HideMainWindow();
    SendMouse(*icon, WM_LBUTTONDBLCLK);
    EXPECT_EQ(Log(), std::vector<std::string>{"double click"});  // no owner takes the default item
    icon.reset();
    EXPECT_TRUE(HandlerWindows().empty());
}

}  // namespace
}  // namespace tarvex
