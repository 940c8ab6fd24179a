// Program updates against the suite's own update server, which answers for our update host as
// its proxy: named in the prefix's Internet settings, or in the program's own proxy details.
// The scheduled check at start with its "Update Check" window and question, the wizard's
// download of the installer (the browser stub, which records its parameters) and its start,
// the checks that find nothing, and the wizard from the Help menu and the Support page.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/win32/menus.h"
#include "app/navigation.h"
#include "app/win32/control_ids.h"
#include "e2e/support/e2e.h"
#include "common/win32/date_time_win32.h"
#include "platform/win32/unicode.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

const RegistryKey kUpdateKey{HKEY_CURRENT_USER, L"Software\\Quillmont\\Tarvex\\Settings\\Update"};
const RegistryKey kInternetSettings{HKEY_CURRENT_USER,
                                    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"};
constexpr wchar_t kCheckWindowClass[] = L"TUpdateCheckProgress";
constexpr wchar_t kWizardClass[] = L"TfrmUpdateWizard";
// Long enough for a check that waits out a stalled server (30 s) and Wine's first start.
constexpr DWORD kCheckTimeoutMs = 90000;
constexpr double kLongAgo = 43831.0;  // 1 January 2020
constexpr wchar_t kNobodyListens[] = L"127.0.0.1:1";

std::vector<uint8_t> DateTimeBytes(double value) {
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

class UpdateTest : public testing::Test {
protected:
    void SetUp() override {
        const auto server = EnvironmentValue(L"TARVEX_UPDATE_SERVER");
        const auto faultFile = EnvironmentValue(L"TARVEX_UPDATE_FAULT_FILE");
        const auto log = EnvironmentValue(L"TARVEX_UPDATE_LOG");
        if (!server || !faultFile || !log) GTEST_SKIP() << "runs with the update server (ctest e2e.update_test)";
        server_ = *server;
        faultFile_ = UnixToWinePath(*faultFile);
        log_ = UnixToWinePath(*log);
        ASSERT_TRUE(ForgetProgramSettings());
        SetFault("");
        UseSystemProxy(true);
        wchar_t temp[MAX_PATH];
        temp_ = std::filesystem::path(std::wstring(temp, GetTempPathW(MAX_PATH, temp)));
        std::filesystem::remove(temp_ / "TarvexSetup.exe");
        std::filesystem::remove(temp_ / "browser_stub.log");
    }
    void TearDown() override {
        if (tarvex_.Process.Running()) {
            tarvex_.Process.Terminate();
            tarvex_.Process.WaitExit(10000);
        }
    }

    void SetFault(const std::string& words) {
        std::ofstream(std::filesystem::path(faultFile_), std::ios::binary | std::ios::trunc) << words;
    }
    // The prefix's Internet settings name the update server as proxy, or a loopback port where
    // nothing listens: no request of the program or its browser ever leaves this machine.
    void UseSystemProxy(bool server) {
        ASSERT_TRUE(WriteDword(kInternetSettings, L"ProxyEnable", 1));
        ASSERT_TRUE(WriteString(kInternetSettings, L"ProxyServer", server ? server_ : kNobodyListens));
    }
    // Checks at start by `interval` after `lastCheck`, through `proxy` when not empty.
    void StoreSchedule(DWORD interval, double lastCheck, const std::wstring& proxy = {}) {
        ASSERT_TRUE(WriteString(kUpdateKey, L"ProxyServer", proxy));
        ASSERT_TRUE(WriteString(kUpdateKey, L"ProxyUserName", proxy.empty() ? L"" : L"tester"));
        ASSERT_TRUE(WriteDword(kUpdateKey, L"CheckForUpdates", 1));
        ASSERT_TRUE(WriteDword(kUpdateKey, L"CheckForUpdatesInterval", interval));
        ASSERT_TRUE(WriteBinary(kUpdateKey, L"CheckForUpdatesDate", DateTimeBytes(lastCheck)));
    }
    std::optional<double> StoredLastCheck() const {
        const auto bytes = ReadBinary(kUpdateKey, L"CheckForUpdatesDate");
        if (!bytes || bytes->size() != sizeof(double)) return std::nullopt;
        double value;
        std::memcpy(&value, bytes->data(), sizeof value);
        return value;
    }
    std::string Requests() const { return FileBytes(log_); }
    std::string StubBytes() const {
        const std::wstring exe = TarvexExe();
        return FileBytes(exe.substr(0, exe.find_last_of(L'\\') + 1) + L"browser_stub.exe");
    }
    HWND WaitWindow(const wchar_t* className, DWORD timeoutMs = kCheckTimeoutMs) const {
        return WaitTopWindow({.ClassName = className, .ProcessId = tarvex_.Process.Id(), .VisibleOnly = true},
                             timeoutMs);
    }
    // The wizard's page shows: its title is visible.
    static bool WaitPage(HWND wizard, const wchar_t* title) {
        return WaitUntil(
            [&] {
                const HWND label = FindChildByText(wizard, title);
                return label && IsVisible(label);
            },
            kCheckTimeoutMs);
    }
    static bool Shows(HWND wizard, const wchar_t* text) {
        const HWND control = FindChildByText(wizard, text);
        return control && IsVisible(control);
    }
    static bool ButtonEnabled(HWND wizard, const wchar_t* caption) {
        const HWND button = FindChildByText(wizard, caption, L"Button");
        return button && IsEnabled(button);
    }
    static std::wstring Buttons(HWND wizard) {
        std::wstring states;
        for (const wchar_t* caption : {L"< &Back", L"&Next >", L"&Close"})
            states += std::wstring(caption) + (ButtonEnabled(wizard, caption) ? L" on; " : L" off; ");
        return states;
    }

    std::wstring server_, faultFile_, log_;
    std::filesystem::path temp_;
    RunningTarvex tarvex_;
};

// A check at every start finds version 9: "Update Check" asks, Yes opens the wizard, which
// shows both versions, downloads the installer and "Restart Program" starts it with the
// answer's parameters and ends the program. The last-check time moves, and the program asked
// its own update address with its version and build day.
TEST_F(UpdateTest, ScheduledCheckFindsAnUpdateAndTheWizardInstallsIt) {
    StoreSchedule(0, kLongAgo);
    tarvex_ = LaunchTarvex();
    const HWND check = WaitWindow(kCheckWindowClass);
    ASSERT_TRUE(check);
    EXPECT_EQ(WindowText(check), L"Update Check");
    const HWND prompt = WaitDialog(tarvex_.Process.Id(), kCheckTimeoutMs);
    ASSERT_TRUE(prompt);
    EXPECT_TRUE(Shows(check, L"New Update found..."));
    EXPECT_FALSE(FindTopWindow({.ClassName = kMainWindowClass, .ProcessId = tarvex_.Process.Id(), .VisibleOnly = true}))
        << "the main window shows only after the check";
    const DialogContent question = ReadDialog(prompt);
    EXPECT_NE(std::find(question.Texts.begin(), question.Texts.end(),
                        L"A new version of Tarvex is available as a downloadable update.\r\n\r\nWould you like to "
                        L"update now?"),
              question.Texts.end());
    SaveScreenshot(L"update-prompt");
    ASSERT_TRUE(AnswerDialog(prompt, IDYES));

    const HWND wizard = WaitWindow(kWizardClass);
    ASSERT_TRUE(wizard);
    EXPECT_EQ(WindowText(wizard), L"Update Wizard");
    EXPECT_FALSE(IsEnabled(check)) << "the wizard is modal over the check window";
    ASSERT_TRUE(WaitPage(wizard, L"List of available updates"));
    ASSERT_TRUE(WaitUntil([&] { return ButtonEnabled(wizard, L"&Next >"); }, 10000)) << Buttons(wizard);
    EXPECT_TRUE(ButtonEnabled(wizard, L"< &Back"));
    EXPECT_TRUE(Shows(wizard, L"Click \"Next >\" if you wish to continue the update process."));
    const HWND latest = FindChildByText(wizard, L"Latest available version:");
    ASSERT_TRUE(latest && IsVisible(latest));
    bool newVersionShown = false;
    for (HWND child : Descendants(wizard)) newVersionShown |= WindowText(child).rfind(L"9.0.0.1 (", 0) == 0;
    EXPECT_TRUE(newVersionShown);
    SaveScreenshot(L"wizard-update-available", wizard);

    ASSERT_TRUE(Click(FindChildByText(wizard, L"&Next >", L"Button")));
    ASSERT_TRUE(WaitPage(wizard, L"Ready to Install"));
    EXPECT_EQ(Buttons(wizard), L"< &Back off; &Next > off; &Close on; ");
    EXPECT_TRUE(FindChildByText(wizard, L"100%")) << "the download's last figures";
    SaveScreenshot(L"wizard-ready", wizard);
    EXPECT_EQ(FileBytes((temp_ / "TarvexSetup.exe").wstring()), StubBytes());

    ASSERT_TRUE(Click(FindChildByText(wizard, L"Restart Program", L"Button")));
    EXPECT_EQ(tarvex_.Process.WaitExit(30000), std::optional<DWORD>(0));
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(temp_ / "browser_stub.log"); }, 10000));
    EXPECT_NE(FileBytes((temp_ / "browser_stub.log").wstring()).find("/SILENT /UPDATE"), std::string::npos);
    const auto stored = StoredLastCheck();
    ASSERT_TRUE(stored);
    EXPECT_GT(*stored, kLongAgo);
    const std::string requests = Requests();
    // Wine's proxy request names the port.
    EXPECT_NE(requests.find("GET http://update.quillmont.com:80/assets/update/ZV/Tarvex2.asp?checktype=info&"
                            "v=2.0.1.70&d="),
              std::string::npos)
        << requests;
    EXPECT_NE(requests.find("GET http://update.quillmont.com:80/files/TarvexSetup.exe"), std::string::npos) << requests;
}

// Checks that find nothing (no newer version, a missing page, a server error, an answer
// without a version, a stalled server, a proxy that refuses), and one whose question is answered No:
// each ends with the window gone and the main window open, and moves the last-check time. A
// check that is not due asks nothing and stores nothing.
TEST_F(UpdateTest, ScheduledChecksThatFindNothingLetTheProgramStart) {
    struct Case {
        const char* Name;
        const char* Fault;
        bool SystemProxy;
        bool AnswerNo;
    };
    const Case cases[] = {
        {"no newer version", "no-update", true, false},
        {"404", "404", true, false},
        {"500", "500", true, false},
        {"name in other case", "name-case", true, false},
        {"stalled server", "stall", true, false},
        {"proxy refuses the connection", "", false, false},
        {"answered No", "", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_TRUE(ForgetProgramSettings());
        SetFault(c.Fault);
        UseSystemProxy(c.SystemProxy);
        StoreSchedule(0, kLongAgo);
        tarvex_ = LaunchTarvex();
        ASSERT_TRUE(WaitWindow(kCheckWindowClass));
        if (c.AnswerNo) {
            const HWND prompt = WaitDialog(tarvex_.Process.Id(), kCheckTimeoutMs);
            ASSERT_TRUE(prompt);
            ASSERT_TRUE(AnswerDialog(prompt, IDNO));
        }
        const HWND main = WaitWindow(kMainWindowClass);
        ASSERT_TRUE(main) << "the check did not end";
        EXPECT_FALSE(FindTopWindow({.ClassName = kCheckWindowClass, .ProcessId = tarvex_.Process.Id()}));
        EXPECT_FALSE(
            FindTopWindow({.ClassName = kWizardClass, .ProcessId = tarvex_.Process.Id(), .VisibleOnly = true}));
        EXPECT_TRUE(IsEnabled(main));
        const auto stored = StoredLastCheck();
        ASSERT_TRUE(stored);
        EXPECT_GT(*stored, kLongAgo);
        ASSERT_TRUE(PostClose(main));
        EXPECT_EQ(tarvex_.Process.WaitExit(20000), std::optional<DWORD>(0));
    }

    // Checked a minute ago, once a day: not due.
    ASSERT_TRUE(ForgetProgramSettings());
    SetFault("");
    UseSystemProxy(true);
    const double recent = Now() - 1.0 / 1440;
    StoreSchedule(1, recent);
    const std::string before = Requests();
    tarvex_ = LaunchTarvex();
    const HWND main = WaitWindow(kMainWindowClass);
    ASSERT_TRUE(main);
    EXPECT_EQ(Requests(), before);
    EXPECT_EQ(StoredLastCheck(), std::optional<double>(recent));
    ASSERT_TRUE(PostClose(main));
    EXPECT_EQ(tarvex_.Process.WaitExit(20000), std::optional<DWORD>(0));
}

// The Help menu's "Check for update" opens the wizard, which checks through the program's own
// proxy details at once (the system's proxy leads nowhere). A server error ends on the error page; Back and Next check
// again and find the update; a slow download shows its figures, "Cancel Update" stops it and leads back to the update,
// and fetched again it completes. The Support page's "Check for updates" opens the wizard too, and with nothing newer
// only Close is left.
TEST_F(UpdateTest, TheWizardFromTheHelpMenuAndTheSupportPage) {
    UseSystemProxy(false);
    ASSERT_TRUE(WriteString(kUpdateKey, L"ProxyServer", server_));
    ASSERT_TRUE(WriteString(kUpdateKey, L"ProxyUserName", L"tester"));
    ASSERT_TRUE(WriteDword(kUpdateKey, L"CheckForUpdates", 0));
    ASSERT_TRUE(WriteDword(kUpdateKey, L"CheckForUpdatesInterval", 1));
    tarvex_ = StartTarvex();
    const HWND main = tarvex_.MainWindow;

    SetFault("500");
    ASSERT_TRUE(PostCommand(main, CommandIdOf(NavItem::ItemCheckForUpdate)));
    HWND wizard = WaitWindow(kWizardClass);
    ASSERT_TRUE(wizard);
    EXPECT_FALSE(IsEnabled(main));
    ASSERT_TRUE(WaitUntil([&] { return Shows(wizard, L"Determing the available updates"); }, 10000));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Shows(wizard,
                         L"Could not connect to update server or there's no new version available.\r\n\r\n"
                         L"Please make sure you are connected to the Internet and that communication from "
                         L"Update Wizard has not been blocked by a firewall, for example.");
        },
        kCheckTimeoutMs));
    EXPECT_EQ(Buttons(wizard), L"< &Back on; &Next > off; &Close on; ");
    EXPECT_FALSE(Shows(wizard, L"Searching for updates..."));
    SaveScreenshot(L"wizard-error", wizard);

    // A slow installer: its figures move, and "Cancel Update" stops it where it is.
    SetFault("slow installer");
    ASSERT_TRUE(Click(FindChildByText(wizard, L"< &Back", L"Button")));
    ASSERT_TRUE(WaitPage(wizard, L"Welcome to Update Wizard"));
    EXPECT_EQ(Buttons(wizard), L"< &Back off; &Next > on; &Close on; ");
    SaveScreenshot(L"wizard-welcome", wizard);
    ASSERT_TRUE(Click(FindChildByText(wizard, L"&Next >", L"Button")));
    ASSERT_TRUE(WaitPage(wizard, L"List of available updates"));
    ASSERT_TRUE(WaitUntil([&] { return ButtonEnabled(wizard, L"&Next >"); }, 10000));
    ASSERT_TRUE(PostClick(FindChildByText(wizard, L"&Next >", L"Button")));
    ASSERT_TRUE(WaitPage(wizard, L"The updates are being downloaded"));
    // The percentage beside the bar, part-way.
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (HWND child : Descendants(wizard)) {
                const std::wstring text = WindowText(child);
                if (text.size() > 1 && text.back() == L'%' && text != L"0%" && text != L"100%") return true;
            }
            return false;
        },
        10000));
    EXPECT_EQ(Buttons(wizard), L"< &Back on; &Next > off; &Close off; ");
    SaveScreenshot(L"wizard-downloading", wizard);
    const HWND cancel = FindChildByText(wizard, L"Cancel Update", L"Button");
    ASSERT_TRUE(Click(cancel));
    EXPECT_FALSE(IsEnabled(cancel));
    // The aborted download takes its partial file away and leads back to the update.
    ASSERT_TRUE(WaitPage(wizard, L"List of available updates"));
    EXPECT_FALSE(std::filesystem::exists(temp_ / "TarvexSetup.exe"));
    EXPECT_EQ(Buttons(wizard), L"< &Back on; &Next > on; &Close on; ");

    // Fetched again, it completes to the install.
    SetFault("");
    ASSERT_TRUE(PostClick(FindChildByText(wizard, L"&Next >", L"Button")));
    ASSERT_TRUE(WaitPage(wizard, L"Ready to Install"));
    EXPECT_EQ(FileBytes((temp_ / "TarvexSetup.exe").wstring()), StubBytes());
    ASSERT_TRUE(Click(FindChildByText(wizard, L"&Close", L"Button")));
    ASSERT_TRUE(WaitWindowGone(wizard, 10000));
    EXPECT_TRUE(WaitUntil([&] { return IsEnabled(main); }, 5000));
    const std::string requests = Requests();
    EXPECT_NE(requests.find("GET http://update.quillmont.com:80/assets/update/ZV/Tarvex2.asp?checktype=info"),
              std::string::npos)
        << requests;

    SetFault("no-update");
    ASSERT_TRUE(PostCommand(main, CommandIdOf(NavItem::ItemAskQuestions)));  // the Support page
    HWND button = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            button = FindChildById(main, ids::kBtnCheckUpdates);
            return button && IsVisible(button);
        },
        10000));
    ASSERT_TRUE(PostClick(button));
    wizard = WaitWindow(kWizardClass);
    ASSERT_TRUE(wizard);
    ASSERT_TRUE(WaitUntil([&] { return Shows(wizard, L"There are no updates for your product at this time."); },
                          kCheckTimeoutMs));
    EXPECT_TRUE(Shows(wizard, L"List of available updates"));
    EXPECT_TRUE(Shows(wizard, L"Click \"Finish\" to close Update Wizard."));
    EXPECT_FALSE(Shows(wizard, L"Latest available version:"));
    EXPECT_EQ(Buttons(wizard), L"< &Back off; &Next > off; &Close on; ");
    SaveScreenshot(L"wizard-no-update", wizard);
    ASSERT_TRUE(PostClose(wizard));
    ASSERT_TRUE(WaitWindowGone(wizard, 10000));
    EXPECT_TRUE(WaitUntil([&] { return IsEnabled(main); }, 5000));
    EXPECT_FALSE(ReadBinary(kUpdateKey, L"CheckForUpdatesDate")) << "only the scheduled check stores its time";
    ASSERT_TRUE(PostClose(main));
    EXPECT_EQ(tarvex_.Process.WaitExit(20000), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace tarvex::e2e
