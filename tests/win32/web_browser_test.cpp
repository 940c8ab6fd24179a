// The what's-new page's browser: in place in its window, following the window's size, and
// taking addresses to load.
#include "update/win32/web_browser.h"

#include <gtest/gtest.h>

#include "driver.h"

namespace tarvex {
namespace {

TEST(WebBrowserTest, SitsInItsWindowAndLoadsAnAddress) {
    const HWND parent = CreateWindowExW(0, L"STATIC", L"Browser parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500,
                                        400, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent);
    {
        TWebBrowser browser;
        browser.Create(parent, 100, RECT{8, 8, 458, 265});
        ASSERT_TRUE(browser.Handle());
        ASSERT_TRUE(browser.Available()) << driver::WindowText(browser.Handle()).size()
                                         << " failure: " << browser.Failure().size();
        EXPECT_TRUE(browser.Failure().empty());
        // The browser's own window fills ours, also after a resize.
        const HWND inner = GetWindow(browser.Handle(), GW_CHILD);
        ASSERT_TRUE(inner);
        MoveWindow(browser.Handle(), 8, 8, 300, 200, TRUE);
        EXPECT_EQ(driver::ClientRect(inner).right, 300);
        EXPECT_TRUE(browser.Navigate("about:blank"));
    }
    // The browser went with its window, and the parent is untouched.
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
    DestroyWindow(parent);
}

}  // namespace
}  // namespace tarvex
