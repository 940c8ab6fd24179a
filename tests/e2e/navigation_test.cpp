// Every route of the main window's frame reaches its page, and the Program Options page
// follows its rules.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/win32/menus.h"
#include "app/navigation.h"
#include "app/win32/control_ids.h"
#include "e2e/support/e2e.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

class NavigationTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ForgetProgramSettings());  // each test starts as the first start
        tarvex_ = StartTarvex();
        window_ = tarvex_.MainWindow;
    }
    void TearDown() override {
        if (tarvex_.Process.Running()) {
            PostClose(window_);
            tarvex_.Process.WaitExit(20000);
        }
    }

    // The name of the page that is shown ("tsWelcome"...), empty when none is.
    std::wstring ActivePage() const {
        std::wstring shown;
        for (HWND page : Descendants(window_))
            if (ClassName(page) == L"TTabSheet" && IsVisible(page)) shown += WindowText(page);
        return shown;
    }
    bool WaitPage(const std::wstring& name) const {
        return WaitUntil([&] { return ActivePage() == name; }, 5000);
    }
    HWND Control(int id) const { return FindChildById(window_, id); }
    // Waits for the help viewer that a help command opened, and closes it.
    bool CloseHelpViewer() const {
        const HWND help =
            WaitTopWindow({.ClassName = L"HH Parent", .ProcessId = tarvex_.Process.Id(), .VisibleOnly = true}, 10000);
        return help && PostClose(help) && WaitWindowGone(help, 5000);
    }

    RunningTarvex tarvex_;
    HWND window_ = nullptr;
};

TEST_F(NavigationTest, ToolbarAndMenuRoutesReachTheirPages) {
    EXPECT_EQ(ActivePage(), L"tsWelcome");
    struct Case {
        NavItem item;
        const wchar_t* page;
    };
    const Case cases[] = {
        {NavItem::ToolButton2, L"tsAdvanced"},
        {NavItem::ToolButton1, L"tsWelcome"},
        {NavItem::btnConnectionState, L"tsConnectionState"},
        {NavItem::btnSettings, L"tsSettings"},
        {NavItem::ItemAdvanced, L"tsAdvanced"},
        {NavItem::ItemConnectionState, L"tsConnectionState"},
        {NavItem::ItemProgramOptions, L"tsSettings"},
        {NavItem::ItemAskQuestions, L"tsSupport"},
        {NavItem::ItemAbout, L"tsAbout"},
        {NavItem::ItemAccelerateConnection, L"tsWelcome"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(PostCommand(window_, CommandIdOf(c.item)));
        EXPECT_TRUE(WaitPage(c.page)) << c.page << " after " << static_cast<int>(c.item) << ": " << ActivePage();
        SaveScreenshot(std::wstring(L"page-") + c.page, window_);
    }
    // Help opens a window of its own: the page stays.
    PostCommand(window_, CommandIdOf(NavItem::btnProgramHelp));
    EXPECT_TRUE(CloseHelpViewer());
    EXPECT_EQ(ActivePage(), L"tsWelcome");
}

// A press on line `line` of a three-line side-panel link label (link text from x 20); the
// label sizes itself to its lines plus 2 pixels.
void PressSideLink(HWND label, int line) {
    const int lineHeight = (ClientRect(label).bottom - 2) / 3;
    const LPARAM at = MAKELPARAM(40, line * lineHeight + lineHeight / 2);
    Post(label, WM_MOUSEMOVE, 0, at);
    Post(label, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Post(label, WM_LBUTTONUP, 0, at);
}

TEST_F(NavigationTest, SideLinksReachTheirPages) {
    const HWND label1 = Control(ids::kQmHtmlLabel1);
    const HWND label2 = Control(ids::kQmHtmlLabel2);
    ASSERT_TRUE(label1 && label2);
    struct Case {
        HWND label;
        int line;
        const wchar_t* page;
    };
    const Case cases[] = {
        {label1, 1, L"tsAdvanced"}, {label1, 2, L"tsConnectionState"}, {label2, 0, L"tsSettings"},
        {label2, 2, L"tsAbout"},    {label1, 0, L"tsWelcome"},
    };
    for (const auto& c : cases) {
        PressSideLink(c.label, c.line);
        EXPECT_TRUE(WaitPage(c.page)) << c.page << ": " << ActivePage();
    }
    // "Program Help" opens the help file, and below the last line there is no link at all.
    PressSideLink(label2, 1);
    EXPECT_TRUE(CloseHelpViewer());
    PressSideLink(label1, 3);
    Sleep(300);
    EXPECT_EQ(ActivePage(), L"tsWelcome");

    // The Change link of the connection group leads to the Connection State page.
    const HWND change = Control(ids::kLblChange);
    ASSERT_TRUE(change);
    Post(change, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
    EXPECT_TRUE(WaitPage(L"tsConnectionState")) << ActivePage();
    SaveScreenshot(L"side-links", window_);
}

TEST_F(NavigationTest, ToolbarShowsTheLargeButtonsAndMenuCaptions) {
    const HWND toolBarTop = Control(ids::kToolBarTop);
    ASSERT_TRUE(toolBarTop);
    EXPECT_EQ(Send(toolBarTop, TB_BUTTONCOUNT).value_or(0), 6);
    const HWND toolBarMenu = Control(ids::kToolBarMenu);
    ASSERT_TRUE(toolBarMenu);
    EXPECT_EQ(Send(toolBarMenu, TB_BUTTONCOUNT).value_or(0), 3);
    // Clicking a toolbar button reaches the same page as its menu item.
    ASSERT_TRUE(Post(toolBarTop, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 20)));
    ASSERT_TRUE(Post(toolBarTop, WM_LBUTTONUP, 0, MAKELPARAM(60, 20)));
    EXPECT_TRUE(WaitPage(L"tsAdvanced")) << ActivePage();
}

// The open menus of the program: one for a drop-down, two while its submenu is open too.
size_t OpenMenus(DWORD process) {
    return FindTopWindows({.ClassName = L"#32768", .ProcessId = process, .VisibleOnly = true}).size();
}

// While a drop-down of the menu toolbar is open, Left and Right walk between the drop-downs as
// on a menu bar (the last and the first are neighbours); inside a submenu Left closes it, and
// Right on an item with a submenu opens that. Keys go to the open menu as posted key messages.
TEST_F(NavigationTest, LeftAndRightWalkTheMenuToolbar) {
    const HWND toolBarMenu = Control(ids::kToolBarMenu);
    ASSERT_TRUE(toolBarMenu);
    const DWORD process = tarvex_.Process.Id();
    // Generous: with other suites loading both cores a menu has taken over 5 s to open.
    constexpr DWORD kMenuTimeoutMs = 20000;
    // The drop-down that is open: its button is shown pressed while its menu is up.
    const auto open = [&]() -> int {
        if (OpenMenus(process) == 0) return -1;
        for (int i = 0; i < 3; ++i)
            if (Send(toolBarMenu, TB_ISBUTTONPRESSED, ids::kMenuBarButtonBase + i).value_or(0)) return i;
        return -1;
    };
    // The open menu may be remade between finding it and posting to it: post to the one open then.
    const auto press = [&](WORD key) {
        EXPECT_TRUE(WaitUntil(
            [&] {
                const HWND menu = FindPopupMenu(process);
                return menu && PostKeys(menu, {key});
            },
            kMenuTimeoutMs));
    };
    const auto expectOpen = [&](int dropDown, size_t menus) {
        EXPECT_TRUE(WaitUntil([&] { return open() == dropDown && OpenMenus(process) == menus; }, kMenuTimeoutMs))
            << "expected drop-down " << dropDown << " with " << menus << " menus, have " << open() << " with "
            << OpenMenus(process);
    };

    ASSERT_TRUE(PostCommand(window_, ids::kMenuBarButtonBase));  // "&Accelerate"
    expectOpen(0, 1);
    press(VK_RIGHT);
    expectOpen(1, 1);  // "&Options"
    press(VK_RIGHT);
    expectOpen(2, 1);  // "&Help"
    SaveScreenshot(L"menu-help", nullptr);
    press(VK_RIGHT);
    expectOpen(0, 1);
    press(VK_LEFT);
    expectOpen(2, 1);

    // "&Help": down to "&Contact Us", which opens its submenu to the right.
    press(VK_DOWN);
    press(VK_DOWN);
    press(VK_RIGHT);
    expectOpen(2, 2);
    SaveScreenshot(L"menu-contact-us", nullptr);
    press(VK_LEFT);
    expectOpen(2, 1);
    press(VK_RIGHT);
    expectOpen(2, 2);
    press(VK_RIGHT);  // on "&Ask Questions / Send Feedback", which opens nothing
    expectOpen(0, 1);
    press(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return OpenMenus(process) == 0; }, kMenuTimeoutMs));
    EXPECT_EQ(open(), -1);

    // A drop-down reached by walking chooses as any: "&Options", "Program &Options".
    ASSERT_TRUE(PostCommand(window_, ids::kMenuBarButtonBase));
    expectOpen(0, 1);
    press(VK_RIGHT);
    expectOpen(1, 1);
    press(VK_DOWN);
    press(VK_RETURN);
    EXPECT_TRUE(WaitPage(L"tsSettings")) << ActivePage();
    EXPECT_TRUE(WaitUntil([&] { return OpenMenus(process) == 0; }, kMenuTimeoutMs));
}

TEST_F(NavigationTest, StartInTrayChecksMinimizeToTray) {
    PostCommand(window_, CommandIdOf(NavItem::btnSettings));
    ASSERT_TRUE(WaitPage(L"tsSettings"));
    const HWND startInTray = Control(ids::kChkStartInTray);
    const HWND minimizeToTray = Control(ids::kChkMinimizeToTray);
    ASSERT_TRUE(startInTray && minimizeToTray);
    EXPECT_FALSE(IsChecked(minimizeToTray));
    ASSERT_TRUE(Click(startInTray));
    EXPECT_TRUE(IsChecked(startInTray));
    EXPECT_TRUE(IsChecked(minimizeToTray));
    ASSERT_TRUE(Click(startInTray));  // unchecking leaves the other checked
    EXPECT_FALSE(IsChecked(startInTray));
    EXPECT_TRUE(IsChecked(minimizeToTray));
    SaveScreenshot(L"options-start-in-tray", window_);
}

TEST_F(NavigationTest, UncheckingUpdatesGreysTheIntervalAndKeepsItsChoice) {
    PostCommand(window_, CommandIdOf(NavItem::ItemProgramOptions));
    ASSERT_TRUE(WaitPage(L"tsSettings"));
    const HWND check = Control(ids::kChkCheckForUpdates);
    const HWND list = Control(ids::kCbCheckForUpdates);
    ASSERT_TRUE(check && list);
    EXPECT_TRUE(IsChecked(check));
    EXPECT_EQ(ComboItems(list), (std::vector<std::wstring>{L"time the program starts", L"day", L"3 days", L"Monday",
                                                           L"first day of the month"}));
    EXPECT_EQ(ComboSelectedIndex(list), 1);
    ASSERT_TRUE(ComboSelect(list, 3));
    ASSERT_TRUE(Click(check));
    EXPECT_FALSE(IsEnabled(list));
    EXPECT_EQ(ComboSelectedIndex(list), 3);
    ASSERT_TRUE(Click(check));
    EXPECT_TRUE(IsEnabled(list));
    EXPECT_EQ(ComboSelectedIndex(list), 3);
}

}  // namespace
}  // namespace tarvex::e2e
