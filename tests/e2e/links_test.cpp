// Web links open in the browser registered for http, with the exact address; where the
// registered command names no program in quotes, the shell opens the address instead. The
// About page's links go to the shell's handler of their scheme; every help command opens the
// help viewer on the help file beside the program, or says that the file is missing.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/win32/menus.h"
#include "app/navigation.h"
#include "app/win32/control_ids.h"
#include "e2e/support/e2e.h"
#include "platform/win32/unicode.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

const RegistryKey kHttpCommand{HKEY_CLASSES_ROOT, L"http\\shell\\open\\command"};
// What the shell runs for an address it opens itself.
const RegistryKey kShellCommands[] = {{HKEY_CLASSES_ROOT, L"https\\shell\\open\\command"},
                                      {HKEY_CLASSES_ROOT, L"mailto\\shell\\open\\command"}};
constexpr wchar_t kHelpWindowClass[] = L"HH Parent";
constexpr char kSite[] = "https://www.quillmont.com/tarvex";

class LinksTest : public testing::Test {
protected:
    void SetUp() override {
        const std::wstring exe = TarvexExe();
        folder_ = exe.substr(0, exe.find_last_of(L'\\') + 1);
        stub_ = folder_ + L"browser_stub.exe";
        log_ = folder_ + L"browser_stub.log";
        DeleteFileW(log_.c_str());
        ASSERT_TRUE(WriteString(kHttpCommand, L"", L"\"" + stub_ + L"\" -osint -url \"%1\""));
        for (const RegistryKey& key : kShellCommands)
            ASSERT_TRUE(WriteString(key, L"", L"\"" + stub_ + L"\" --shell \"%1\""));
        DeleteValue(kSettingsKey, L"SetupEXEName");
    }
    void TearDown() override {
        if (tarvex_.Process.Running()) {
            for (HWND help : FindTopWindows({.ClassName = kHelpWindowClass, .ProcessId = tarvex_.Process.Id()}))
                PostClose(help);
            PostClose(window_);
            tarvex_.Process.WaitExit(20000);
        }
        DeleteValue(kSettingsKey, L"SetupEXEName");
        DeleteFileW(log_.c_str());
    }

    void Start() {
        tarvex_ = StartTarvex();
        window_ = tarvex_.MainWindow;
    }

    // The lines the stub browser recorded.
    std::vector<std::string> Lines() const {
        std::ifstream in(WideToUtf8(log_), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // Waits for the next line of the stub and returns it ("" when none came).
    std::string NextLine() {
        const size_t wanted = seen_ + 1;
        WaitUntil([&] { return Lines().size() >= wanted; }, 10000);
        const auto lines = Lines();
        if (lines.size() < wanted) return {};
        seen_ = wanted;
        return lines[wanted - 1];
    }
    // The stub's command line as the registered browser, started with the address alone.
    std::string Browser(const std::string& address) const { return "browser_stub.exe\" " + address; }
    std::string Shell(const std::string& address) const { return "browser_stub.exe\" --shell \"" + address + "\""; }

    HWND Control(int id) const { return FindChildById(window_, id); }
    HWND WaitHelpWindow() const {
        // Titled as the help file names itself; the viewer may keep a closed window hidden.
        return WaitTopWindow({.ClassName = kHelpWindowClass,
                              .Title = L"Tarvex Help",
                              .ProcessId = tarvex_.Process.Id(),
                              .VisibleOnly = true},
                             10000);
    }

    std::wstring folder_, stub_, log_;
    size_t seen_ = 0;
    RunningTarvex tarvex_;
    HWND window_ = nullptr;
};

#define EXPECT_ENDS_WITH(text, end) \
    EXPECT_TRUE(std::string_view(text).ends_with(end)) << (text) << "\n  should end with\n" << (end)

// The menus' web links: the program's version and the running Windows (7: 13) in the tracking
// text, each item's own tag; Tell a Friend and the support page's "Ask Questions".
TEST_F(LinksTest, MenuItemsAndButtonsOpenTheirAddressInTheRegisteredBrowser) {
    Start();
    const std::string tracking = std::string(kSite) + "/go/?s=1|ZV|ZV";
    struct Case {
        NavItem Item;
        std::string Address;
    };
    const Case cases[] = {
        {NavItem::ItemVisitourWebSite, tracking + "13|0|2.0.1.70|13|"},
        {NavItem::ItemVisitourWebSite2, tracking + "15|0|2.0.1.70|13|"},
        {NavItem::ItemTellAFriend, std::string(kSite) + "/go/?Dest=ZVTellAFriend"},
        {NavItem::ItemTellAFriend2, std::string(kSite) + "/go/?Dest=ZVTellAFriend"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(PostCommand(window_, CommandIdOf(c.Item)));
        EXPECT_ENDS_WITH(NextLine(), Browser(c.Address));
    }

    // "&Ask Questions / Send Feedback" shows the support page, whose button opens the address.
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemAskQuestions)));
    ASSERT_TRUE(WaitUntil([&] { return Control(ids::kBtnAskQuestions) != nullptr; }, 5000));
    EXPECT_TRUE(Click(Control(ids::kBtnAskQuestions)));
    EXPECT_ENDS_WITH(NextLine(), Browser(std::string(kSite) + "/support/"));
}

// The installer's name, which setup records, ends the tracking text; a browser command
// without quotes leaves the address to the shell's own handler.
TEST_F(LinksTest, InstallerSourceAndUnquotedBrowserCommand) {
    ASSERT_TRUE(WriteString(kSettingsKey, L"SetupEXEName", L"\"C:\\Downloads\\setup.spring[2].exe\" /S"));
    Start();
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemVisitourWebSite)));
    EXPECT_ENDS_WITH(NextLine(), Browser(std::string(kSite) + "/go/?s=1|ZV|ZV13|0|2.0.1.70|13|spring"));

    ASSERT_TRUE(WriteString(kHttpCommand, L"", stub_ + L" -url %1"));
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemVisitourWebSite2)));
    EXPECT_ENDS_WITH(NextLine(), Shell(std::string(kSite) + "/go/?s=1|ZV|ZV15|0|2.0.1.70|13|spring"));
}

// The About page's two links: tab stops that open on any mouse button, Enter or Space; the web
// link carries its tag (11), the e-mail link its mailto: address.
TEST_F(LinksTest, AboutPageLinksOpenOnAnyButtonAndFromTheKeyboard) {
    Start();
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemAbout)));
    ASSERT_TRUE(WaitUntil([&] { return Control(ids::kLblURL) && IsVisible(Control(ids::kLblURL)); }, 5000));
    const HWND web = Control(ids::kLblURL);
    const HWND mail = Control(ids::kLblEmail);
    ASSERT_TRUE(mail);
    EXPECT_EQ(WindowText(web), L"www.quillmont.com/tarvex");
    EXPECT_EQ(WindowText(mail), L"support@quillmont.com");
    EXPECT_TRUE(Style(web) & WS_TABSTOP);
    EXPECT_TRUE(Style(mail) & WS_TABSTOP);
    SaveScreenshot(L"about-links", window_);

    const std::string webAddress = std::string(kSite) + "/go/?s=1|ZV|ZV11|0|2.0.1.70|13|";
    const std::string mailAddress = "mailto:support@quillmont.com";
    const auto centre = [](HWND label) {
        const RECT r = WindowRect(label);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    ASSERT_TRUE(XClick(centre(web), 3));  // the right button
    EXPECT_ENDS_WITH(NextLine(), Shell(webAddress));
    ASSERT_TRUE(XClick(centre(mail), 2));  // the middle button
    EXPECT_ENDS_WITH(NextLine(), Shell(mailAddress));
    ASSERT_TRUE(XClick(centre(mail), 1));
    EXPECT_ENDS_WITH(NextLine(), Shell(mailAddress));
    ASSERT_TRUE(Post(web, WM_KEYDOWN, VK_RETURN, 0));
    EXPECT_ENDS_WITH(NextLine(), Shell(webAddress));
    ASSERT_TRUE(Post(mail, WM_KEYDOWN, VK_SPACE, 0));
    EXPECT_ENDS_WITH(NextLine(), Shell(mailAddress));
}

// Every help command opens the help viewer on the help file beside the program.
TEST_F(LinksTest, EveryHelpCommandOpensTheHelpFile) {
    ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(folder_ + L"Tarvex.chm")));
    Start();
    // Waits for the viewer that `what` opened, and closes it.
    const auto expectHelp = [&](const char* what) {
        const HWND help = WaitHelpWindow();
        EXPECT_TRUE(help) << what;
        if (!help) return;
        if (std::string_view(what) == "toolbar") SaveScreenshot(L"help-window", help);
        PostClose(help);
        EXPECT_TRUE(WaitWindowGone(help, 5000)) << what;
    };
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::btnProgramHelp)));
    expectHelp("toolbar");
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemHelp)));
    expectHelp("Help menu");
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemHelp3)));
    expectHelp("notification-area menu");
    ASSERT_TRUE(Click(Control(ids::kBtnHelp)));
    expectHelp("welcome page");
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemAdvanced)));
    ASSERT_TRUE(WaitUntil([&] { return Control(ids::kBtnHelp2) && IsVisible(Control(ids::kBtnHelp2)); }, 5000));
    ASSERT_TRUE(Click(Control(ids::kBtnHelp2)));
    expectHelp("advanced page");
    // The side panel's "Program Help" (the second line of its second link label).
    const HWND label = Control(ids::kQmHtmlLabel2);
    const int lineHeight = (ClientRect(label).bottom - 2) / 3;
    const LPARAM at = MAKELPARAM(40, lineHeight + lineHeight / 2);
    Post(label, WM_MOUSEMOVE, 0, at);
    Post(label, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Post(label, WM_LBUTTONUP, 0, at);
    expectHelp("side panel");
    EXPECT_TRUE(tarvex_.Process.Running());
}

// A copy of the program without its help file says so, and goes on.
TEST_F(LinksTest, AMissingHelpFileIsToldNotFailed) {
    const std::filesystem::path alone = std::filesystem::path(OutputDir()) / "without-help";
    std::filesystem::create_directories(alone);
    std::filesystem::copy_file(std::filesystem::path(TarvexExe()), alone / "Tarvex.exe",
                               std::filesystem::copy_options::overwrite_existing);
    tarvex_ = RunningTarvex{Launch((alone / "Tarvex.exe").wstring()), nullptr};
    window_ = WaitTopWindow({.ClassName = kMainWindowClass, .ProcessId = tarvex_.Process.Id(), .VisibleOnly = true},
                            kStartTimeoutMs);
    ASSERT_TRUE(window_);
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemHelp)));
    const HWND dialog = WaitDialog(tarvex_.Process.Id(), 10000);
    ASSERT_TRUE(dialog);
    const DialogContent content = ReadDialog(dialog);
    EXPECT_EQ(content.Title, L"Tarvex");
    const bool named = std::any_of(content.Texts.begin(), content.Texts.end(), [](const std::wstring& text) {
        return text.find(L"without-help\\Tarvex.chm\" was not found") != std::wstring::npos;
    });
    EXPECT_TRUE(named) << (content.Texts.empty() ? "" : WideToUtf8(content.Texts.front()));
    SaveScreenshot(L"help-missing", dialog);
    EXPECT_TRUE(AnswerDialog(dialog, IDOK));
    EXPECT_TRUE(WaitWindowGone(dialog, 5000));
    EXPECT_TRUE(tarvex_.Process.Running());
}

}  // namespace
}  // namespace tarvex::e2e
