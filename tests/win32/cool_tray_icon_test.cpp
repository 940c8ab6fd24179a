// The notification-area icon without a notification area: its shared hidden window, the
// mouse messages the shell would send, and the owner window it minimises to the tray.
#include "app/win32/cool_tray_icon.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tarvex {
namespace {

constexpr wchar_t kOwnerClass[] = L"CoolTrayTestOwner";
constexpr UINT kShowId = 1000;
constexpr UINT kAboutId = 1001;

// What the owner window and the icon's events saw, in order.
std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) Log().push_back("command " + std::to_string(LOWORD(wParam)));
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

// Runs messages until the log holds `entry`, for at most a few seconds.
bool WaitForLogEntry(const std::string& entry) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        RunPendingMessages();
        for (const std::string& seen : Log()) {
            if (seen == entry) return true;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
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
    }
    void TearDown() override {
        RunPendingMessages();
        DestroyMenu(menu_);
        if (IsWindow(owner_)) DestroyWindow(owner_);
        Log().clear();
    }

    std::unique_ptr<TCoolTrayIcon> MakeIcon() {
        auto icon = std::make_unique<TCoolTrayIcon>(owner_);
        icon->SetPopupMenu(menu_);
        icon->SetIconVisible(true);  // fails quietly: there is no notification area here
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
        SendMessageW(HandlerWindows()[0], TCoolTrayIcon::kCallbackMessage, icon.Id(), mouseMessage);
    }

    HWND owner_ = nullptr;
    HMENU menu_ = nullptr;
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
    SendMessageW(HandlerWindows()[0], TCoolTrayIcon::kCallbackMessage, icon->Id() + 100, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Log().empty());
    SendMouse(*icon, WM_LBUTTONDBLCLK);
    EXPECT_EQ(Log(), (std::vector<std::string>{"double click", "command 1000"}));
}

TEST_F(CoolTrayIconTest, SingleClicksWaitForAPossibleDoubleClick) {
    auto icon = MakeIcon();
    // A double click: its first click is never reported on its own.
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) SendMouse(*icon, message);
    // A single click: reported once the double-click time has passed.
    SendMouse(*icon, WM_LBUTTONDOWN);
    SendMouse(*icon, WM_LBUTTONUP);
    EXPECT_TRUE(WaitForLogEntry("click"));
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
        EXPECT_EQ(icon->IconVisible(), c.toTray);  // minimising to the tray makes sure the icon shows

        switch (c.restore) {
            case Restore::ShowMainWindow:
                icon->ShowMainWindow();
                break;
            case Restore::DoubleClick:
                SendMouse(*icon, WM_LBUTTONDBLCLK);
                break;
            case Restore::SystemCommand:
                SendMessageW(owner_, WM_SYSCOMMAND, SC_RESTORE, 0);
                break;
        }
        RunPendingMessages();
        EXPECT_TRUE(IsWindowVisible(owner_));
        EXPECT_FALSE(IsIconic(owner_));
        EXPECT_EQ(GetForegroundWindow(), owner_);
    }
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
    ASSERT_TRUE(icon->IconVisible());
    DestroyWindow(owner_);
    EXPECT_EQ(icon->Owner(), nullptr);
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
