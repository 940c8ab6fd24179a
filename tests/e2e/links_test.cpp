// Web links open in the browser registered for http, with the exact address; where the
// registered command names no program in quotes, the shell opens the address instead.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/navigation.h"
#include "e2e/support/e2e.h"
#include "platform/win32/unicode.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

const RegistryKey kHttpCommand{HKEY_CLASSES_ROOT, L"http\\shell\\open\\command"};

class LinksTest : public testing::Test {
protected:
    void SetUp() override {
        const std::wstring exe = TarvexExe();
        const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
        stub_ = folder + L"browser_stub.exe";
        log_ = folder + L"browser_stub.log";
        DeleteFileW(log_.c_str());
        saved_ = ReadString(kHttpCommand, L"");
        ASSERT_TRUE(WriteString(kHttpCommand, L"", L"\"" + stub_ + L"\" -osint -url \"%1\""));
        tarvex_ = StartTarvex();
        window_ = tarvex_.MainWindow;
    }
    void TearDown() override {
        if (tarvex_.Process.Running()) {
            PostClose(window_);
            tarvex_.Process.WaitExit(20000);
        }
        if (saved_) WriteString(kHttpCommand, L"", *saved_);
        DeleteFileW(log_.c_str());
    }

    // The lines the stub browser recorded.
    std::string Log() const {
        std::ifstream in(WideToUtf8(log_), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool WaitLines(size_t count) const {
        return WaitUntil(
            [&] {
                const std::string log = Log();
                return static_cast<size_t>(std::count(log.begin(), log.end(), '\n')) >= count;
            },
            10000);
    }

    std::wstring stub_, log_;
    std::optional<std::wstring> saved_;
    RunningTarvex tarvex_;
    HWND window_ = nullptr;
};

// The Help menu's and the tray menu's web-site items: the program's version and the running
// Windows (7: 13) in the tracking text, each item's own tag.
TEST_F(LinksTest, WebSiteItemsOpenTheirAddressInTheRegisteredBrowser) {
    ASSERT_TRUE(PostCommand(window_, kCommandBase + static_cast<int>(NavItem::ItemVisitourWebSite)));
    ASSERT_TRUE(WaitLines(1));
    ASSERT_TRUE(PostCommand(window_, kCommandBase + static_cast<int>(NavItem::ItemVisitourWebSite2)));
    ASSERT_TRUE(WaitLines(2));
    std::istringstream lines(Log());
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_NE(first.find("browser_stub.exe\" https://www.quillmont.com/tarvex/go/?s=1|ZV|ZV13|0|2.0.1.70|13|"),
              std::string::npos)
        << first;
    EXPECT_NE(second.find("https://www.quillmont.com/tarvex/go/?s=1|ZV|ZV15|0|2.0.1.70|13|"), std::string::npos)
        << second;
}

}  // namespace
}  // namespace tarvex::e2e
