// The notification-area icon: minimise to the tray, the double click that brings the window
// back, and the tray menu's commands.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/navigation.h"
#include "app/win32/control_ids.h"
#include "e2e/support/e2e.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

constexpr UINT kTrayCallback = WM_USER + 1024;
constexpr wchar_t kTrayWindowClass[] = L"TCoolTrayIconHandler";

int CommandId(NavItem item) { return kCommandBase + static_cast<int>(item); }

class TrayTest : public testing::Test {
protected:
    void SetUp() override {
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
        ASSERT_TRUE(PostCommand(window_, CommandId(NavItem::btnSettings)));
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
    // What the shell sends for a double click on the icon.
    void DoubleClickIcon() {
        Post(tray_, kTrayCallback, 1, WM_LBUTTONDOWN);
        Post(tray_, kTrayCallback, 1, WM_LBUTTONUP);
        Post(tray_, kTrayCallback, 1, WM_LBUTTONDBLCLK);
        Post(tray_, kTrayCallback, 1, WM_LBUTTONUP);
    }

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
    PostCommand(window_, CommandId(NavItem::ItemVisitourWebSite2));
    Sleep(300);
    EXPECT_TRUE(Hidden());
    PostCommand(window_, CommandId(NavItem::ItemAbout2));
    // The window is shown first, then the page changes: wait for both.
    ASSERT_TRUE(WaitUntil([&] { return !Hidden() && !IsMinimized(window_) && ActivePage() == L"tsAbout"; }, 5000))
        << ActivePage();
    SaveScreenshot(L"tray-about", window_);
}

TEST_F(TrayTest, CloseEndsTheProgramAtOnce) {
    PostCommand(window_, CommandId(NavItem::ItemClose));
    EXPECT_EQ(tarvex_.Process.WaitExit(10000), std::optional<DWORD>(0));
    EXPECT_FALSE(FindTopWindow({kTrayWindowClass, {}, tarvex_.Process.Id()}));
}

}  // namespace
}  // namespace tarvex::e2e
