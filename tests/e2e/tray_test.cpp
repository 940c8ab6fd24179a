// The notification-area icon: minimise to the tray, the double click that brings the window
// back, a second start that brings it back, and the tray menu's commands. Clicks on the icon
// and in its menu are real input (xdotool) on Wine's taskbar, where Tarvex's is the only icon.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/win32/menus.h"
#include "app/navigation.h"
#include "app/win32/control_ids.h"
#include "e2e/support/e2e.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

constexpr wchar_t kTrayWindowClass[] = L"TCoolTrayIconHandler";
constexpr int kLeftButton = 1;
constexpr int kRightButton = 3;

class TrayTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ForgetProgramSettings());  // each test starts as the first start
        tarvex_ = StartTarvex();
        window_ = tarvex_.MainWindow;
        tray_ = FindTopWindow({kTrayWindowClass, {}, tarvex_.Process.Id()});
        ASSERT_TRUE(tray_);
    }
    void TearDown() override {
        if (tarvex_.Process.Running()) {
            PostClose(window_);
            tarvex_.Process.WaitExit(20000);
        }
    }
    std::wstring ActivePage() const {
        for (HWND page : Descendants(window_))
            if (ClassName(page) == L"TTabSheet" && IsVisible(page)) return WindowText(page);
        return {};
    }
    void TurnMinimizeToTrayOn() {
        // The Program Options page makes its controls when it is first shown.
        ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::btnSettings)));
        ASSERT_TRUE(WaitUntil([&] { return ActivePage() == L"tsSettings"; }, 5000));
        const HWND check = FindChildById(window_, ids::kChkMinimizeToTray);
        ASSERT_TRUE(check);
        ASSERT_TRUE(Click(check));
        ASSERT_TRUE(IsChecked(check));
    }
    bool Hidden() const { return !IsWindowVisible(window_); }
    void MinimizeIntoTray() {
        ASSERT_TRUE(SysCommand(window_, SC_MINIMIZE));
        ASSERT_TRUE(WaitUntil([&] { return Hidden(); }, 5000));
    }
    void ClickIcon(int button, int count) {
        const auto icon = NotificationIconCenter();
        ASSERT_TRUE(icon) << "no taskbar";
        ASSERT_TRUE(XClick(*icon, button, count));
    }
    void DoubleClickIcon() { ClickIcon(kLeftButton, 2); }

    RunningTarvex tarvex_;
    HWND window_ = nullptr;
    HWND tray_ = nullptr;
};

TEST_F(TrayTest, MinimizeToTrayHidesAndDoubleClickBringsBack) {
    TurnMinimizeToTrayOn();
    MinimizeIntoTray();
    SaveScreenshot(L"tray-hidden");
    DoubleClickIcon();
    ASSERT_TRUE(WaitUntil([&] { return !Hidden() && !IsMinimized(window_); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ForegroundWindow() == window_; }, 5000));
    SaveScreenshot(L"tray-restored");
}

TEST_F(TrayTest, WithoutMinimizeToTrayTheWindowStaysOnTheTaskbar) {
    ASSERT_TRUE(SysCommand(window_, SC_MINIMIZE));
    ASSERT_TRUE(WaitUntil([&] { return IsMinimized(window_); }, 5000));
    EXPECT_TRUE(IsWindowVisible(window_));
    DoubleClickIcon();
    EXPECT_TRUE(WaitUntil([&] { return !IsMinimized(window_); }, 5000));
}

TEST_F(TrayTest, AboutFromTheTrayMenuShowsTheWindowOnTheAboutPage) {
    TurnMinimizeToTrayOn();
    MinimizeIntoTray();
    // The web-site item leaves the window hidden.
    PostCommand(window_, CommandIdOf(NavItem::ItemVisitourWebSite2));
    Sleep(300);
    EXPECT_TRUE(Hidden());
    PostCommand(window_, CommandIdOf(NavItem::ItemAbout2));
    // The window is shown first, then the page changes: wait for both.
    ASSERT_TRUE(WaitUntil([&] { return !Hidden() && !IsMinimized(window_) && ActivePage() == L"tsAbout"; }, 5000))
        << ActivePage();
    SaveScreenshot(L"tray-about", window_);
}

TEST_F(TrayTest, CloseEndsTheProgramAtOnce) {
    PostCommand(window_, CommandIdOf(NavItem::ItemClose));
    EXPECT_EQ(tarvex_.Process.WaitExit(10000), std::optional<DWORD>(0));
    EXPECT_FALSE(FindTopWindow({kTrayWindowClass, {}, tarvex_.Process.Id()}));
}

TEST_F(TrayTest, SecondStartBringsTheWindowBackFromTheTray) {
    TurnMinimizeToTrayOn();
    MinimizeIntoTray();
    auto second = LaunchTarvex();
    EXPECT_EQ(second.Process.WaitExit(20000), std::optional<DWORD>(0));
    ASSERT_TRUE(WaitUntil([&] { return !Hidden() && !IsMinimized(window_); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ForegroundWindow() == window_; }, 5000));
    EXPECT_EQ(FindTopWindows({kMainWindowClass}).size(), 1u);
    SaveScreenshot(L"tray-second-start");
}

TEST_F(TrayTest, RightClickOpensTheMenuAndCloseEndsTheProgram) {
    ClickIcon(kRightButton, 1);
    const HWND menu = WaitPopupMenu(tarvex_.Process.Id(), 5000);
    ASSERT_TRUE(menu) << "no menu after a right click on the icon";
    SaveScreenshot(L"tray-menu");
    // "&Close" is the menu's last item: a click on its text, just above the bottom border.
    const RECT frame = WindowRect(menu);
    ASSERT_TRUE(XClick({frame.left + 25, frame.bottom - 8}, kLeftButton));
    EXPECT_EQ(tarvex_.Process.WaitExit(10000), std::optional<DWORD>(0));
    EXPECT_FALSE(tarvex_.Process.Running());
}

}  // namespace
}  // namespace tarvex::e2e
