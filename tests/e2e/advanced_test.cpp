// The advanced editor in the shipped program, on the NT and the 9x family: what each tab shows
// of seeded registry values, a change on every tab written by "Apply", and "Refresh" after a
// change from outside.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win32/menus.h"
#include "app/navigation.h"
#include "app/win32/control_ids.h"
#include "e2e/support/e2e.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

constexpr wchar_t kNtTcpip[] = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr wchar_t kNtInterfaces[] = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
constexpr wchar_t kNtCards[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\";
constexpr wchar_t k9xMstcp[] = L"SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP";
constexpr wchar_t k9xParameters[] = L"SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP\\Parameters";
constexpr wchar_t k9xNet[] = L"Enum\\Root\\Net\\";
constexpr wchar_t k9xNetTrans[] = L"System\\CurrentControlSet\\Services\\Class\\NetTrans\\";
constexpr wchar_t kInternet[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

enum Tab { kWelcomeTab, kGeneralTab, kMtuTab, kRwinTtlTab, kHttpTab, kTcplwTab, kAckTab };

struct Family {
    const wchar_t* Personality;
    bool Nt;
};

class AdvancedTest : public testing::TestWithParam<Family> {
protected:
    bool Nt() const { return GetParam().Nt; }
    RegistryKey Stack() const { return {HKEY_LOCAL_MACHINE, Nt() ? kNtTcpip : k9xMstcp}; }
    RegistryKey Internet() const { return {HKEY_CURRENT_USER, kInternet}; }
    RegistryKey FirstAdapter() const { return {HKEY_LOCAL_MACHINE, firstAdapterKey_}; }

    // A window of 64240, TTL 128, both RFC 1323 options, SACK, path MTU discovery, two
    // duplicate ACKs, one connection limit, and the first adapter at an MTU of 1400.
    void Seed() {
        if (Nt()) {
            const auto service = ReadString({HKEY_LOCAL_MACHINE, std::wstring(kNtCards) + L"1"}, L"ServiceName");
            ASSERT_TRUE(service) << "the prefix lists no network card";
            firstAdapterKey_ = kNtInterfaces + *service;
            ASSERT_TRUE(WriteDword(FirstAdapter(), L"MTU", 1400));
            for (const auto& [name, value] : {std::pair{L"GlobalMaxTcpWindowSize", 64240},
                                              {L"DefaultTTL", 128},
                                              {L"Tcp1323Opts", 3},
                                              {L"SackOpts", 1},
                                              {L"TcpMaxDupAcks", 2},
                                              {L"EnablePMTUDiscovery", 1}})
                ASSERT_TRUE(WriteDword(Stack(), name, static_cast<DWORD>(value)));
        } else {
            ASSERT_TRUE(WriteString({HKEY_LOCAL_MACHINE, std::wstring(k9xNet) + L"0000"}, L"DeviceDesc", L"Adapter"));
            firstAdapterKey_ = std::wstring(k9xNetTrans) + L"0000";
            ASSERT_TRUE(WriteString(FirstAdapter(), L"MaxMTU", L"1400"));
            ASSERT_TRUE(WriteDword(Stack(), L"DefaultRcvWindow", 64240));
            for (const auto& [name, value] : {std::pair{L"DefaultTTL", L"128"},
                                              {L"Tcp1323Opts", L"3"},
                                              {L"SackOpts", L"1"},
                                              {L"PMTUDiscovery", L"1"}})
                ASSERT_TRUE(WriteString(Stack(), name, value));
            ASSERT_TRUE(WriteDword({HKEY_LOCAL_MACHINE, k9xParameters}, L"MaxDupAcks", 2));
        }
        ASSERT_TRUE(DeleteValue(Internet(), L"MaxConnectionsPer1_0Server"));
        ASSERT_TRUE(WriteDword(Internet(), L"MaxConnectionsPerServer", 6));
    }

    void Open() {
        tarvex_ = StartTarvex({}, GetParam().Personality);
        window_ = tarvex_.MainWindow;
        ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ToolButton2)));
        ASSERT_TRUE(WaitUntil([&] { return Control(ids::kPageControlAdvanced) != nullptr; }, 5000));
        tabs_ = Control(ids::kPageControlAdvanced);
    }

    void TearDown() override {
        if (tarvex_.Process.Running()) {
            PostClose(window_);
            tarvex_.Process.WaitExit(20000);
        }
    }

    HWND Control(int id) const { return FindChildById(window_, id); }
    std::wstring Text(int id) const { return WindowText(Control(id)); }
    bool Checked(int id) const { return IsChecked(Control(id)); }
    int TrackBarPosition(int id) const { return static_cast<int>(Send(Control(id), TBM_GETPOS).value_or(-1)); }

    void ShowTab(Tab tab, const std::wstring& family) {
        ASSERT_TRUE(TabSelect(tabs_, tab));
        SaveScreenshot(L"advanced-" + family + L"-" + std::to_wstring(tab), window_);
    }

    // A click on the upper (up) or lower (down) half of a spinner.
    void Spin(int id, bool up) {
        const HWND spinner = Control(id);
        const RECT client = ClientRect(spinner);
        const LPARAM at = MAKELPARAM(client.right / 2, up ? client.bottom / 4 : client.bottom * 3 / 4);
        ASSERT_TRUE(Post(spinner, WM_LBUTTONDOWN, MK_LBUTTON, at));
        ASSERT_TRUE(Post(spinner, WM_LBUTTONUP, 0, at));
        Send(spinner, WM_NULL);  // both handled
    }

    // One step of a track bar to the right, from the keyboard.
    void StepRight(int id) {
        const HWND bar = Control(id);
        ASSERT_TRUE(Post(bar, WM_KEYDOWN, VK_RIGHT, 1));
        ASSERT_TRUE(Post(bar, WM_KEYUP, VK_RIGHT, 0xC0000001));
        Send(bar, WM_NULL);
    }

    RunningTarvex tarvex_;
    HWND window_ = nullptr;
    HWND tabs_ = nullptr;
    std::wstring firstAdapterKey_;
};

TEST_P(AdvancedTest, ShowsTheRegistryAppliesAChangeOnEveryTabAndRefreshes) {
    ASSERT_NO_FATAL_FAILURE(Seed());
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::wstring family = Nt() ? L"nt" : L"9x";

    // What the refresh at start shows.
    EXPECT_EQ(TabCount(tabs_), 7);
    EXPECT_EQ(TabSelectedIndex(tabs_), kWelcomeTab);
    SaveScreenshot(L"advanced-" + family + L"-0", window_);
    ShowTab(kGeneralTab, family);
    EXPECT_FALSE(Checked(ids::kRbEnableBlackHoleDetection));
    EXPECT_TRUE(Checked(ids::kRbEnableAutoMTUDetection));
    EXPECT_TRUE(Checked(ids::kChkSACK));
    ShowTab(kRwinTtlTab, family);
    EXPECT_TRUE(Checked(ids::kRbRWINCustom));
    EXPECT_EQ(Text(ids::kTxtRWIN), L"100");  // 64240 / 536 is 120, beyond the spinner's top
    EXPECT_EQ(Text(ids::kLblRWINValue), L"64320");
    EXPECT_TRUE(Checked(ids::kRbTTLCustom));
    EXPECT_EQ(Text(ids::kTxtTTL), L"128");
    ShowTab(kHttpTab, family);
    EXPECT_TRUE(Checked(ids::kChkHTTPConn));
    EXPECT_EQ(TrackBarPosition(ids::kTbHTTP10), 1);
    EXPECT_EQ(TrackBarPosition(ids::kTbHTTP11), 6);
    ShowTab(kTcplwTab, family);
    EXPECT_TRUE(Checked(ids::kChkTCPLW));
    EXPECT_EQ(ComboSelectedIndex(Control(ids::kCbTCPLW)), 3);
    ShowTab(kAckTab, family);
    EXPECT_TRUE(Checked(ids::kRbACKCustom));
    EXPECT_EQ(Text(ids::kTxtACK), L"2");
    ShowTab(kMtuTab, family);
    const HWND adapters = Control(ids::kListViewAdapters);
    ASSERT_GE(ListViewCount(adapters), 1);
    ASSERT_TRUE(ListViewSelect(adapters, 0));
    EXPECT_TRUE(WaitUntil([&] { return Checked(ids::kRbMTU); }, 2000));  // 1400 is not in the list

    // A change on every tab.
    ASSERT_TRUE(ComboSelect(Control(ids::kCbMTU), 3));  // 1492
    ASSERT_TRUE(TabSelect(tabs_, kGeneralTab));
    ASSERT_TRUE(Click(Control(ids::kRbEnableBlackHoleDetection)));
    ASSERT_TRUE(TabSelect(tabs_, kRwinTtlTab));
    Spin(ids::kUdRWIN, false);
    EXPECT_EQ(Text(ids::kTxtRWIN), L"99");
    EXPECT_EQ(Text(ids::kLblRWINValue), L"53064");
    ASSERT_TRUE(Click(Control(ids::kRbTTLDefault)));
    EXPECT_FALSE(IsEnabled(Control(ids::kTxtTTL)));
    ASSERT_TRUE(TabSelect(tabs_, kHttpTab));
    StepRight(ids::kTbHTTP10);
    EXPECT_EQ(Text(ids::kLblHTTP10), L"2");
    ASSERT_TRUE(TabSelect(tabs_, kTcplwTab));
    ASSERT_TRUE(Click(Control(ids::kChkTCPLW)));
    EXPECT_FALSE(IsEnabled(Control(ids::kCbTCPLW)));
    ASSERT_TRUE(TabSelect(tabs_, kAckTab));
    Spin(ids::kUdACK, true);
    EXPECT_EQ(Text(ids::kTxtACK), L"3");
    ASSERT_TRUE(Click(Control(ids::kBtnApply)));

    if (Nt()) {
        EXPECT_EQ(ReadDword(FirstAdapter(), L"MTU"), std::optional<DWORD>(1492));
        EXPECT_EQ(ReadDword(Stack(), L"EnablePMTUBHDetect"), std::optional<DWORD>(1));
        EXPECT_EQ(ReadDword(Stack(), L"GlobalMaxTcpWindowSize"), std::optional<DWORD>(53064));
        EXPECT_EQ(ReadDword(Stack(), L"TcpMaxDupAcks"), std::optional<DWORD>(3));
    } else {
        EXPECT_EQ(ReadString(FirstAdapter(), L"MaxMTU"), std::optional<std::wstring>(L"1492"));
        EXPECT_EQ(ReadString(Stack(), L"PMTUBlackHoleDetect"), std::optional<std::wstring>(L"1"));
        EXPECT_EQ(ReadDword(Stack(), L"DefaultRcvWindow"), std::optional<DWORD>(53064));
        EXPECT_EQ(ReadDword({HKEY_LOCAL_MACHINE, k9xParameters}, L"MaxDupAcks"), std::optional<DWORD>(3));
    }
    EXPECT_FALSE(ValueExists(Stack(), L"DefaultTTL"));
    EXPECT_FALSE(ValueExists(Stack(), L"Tcp1323Opts"));
    EXPECT_EQ(ReadDword(Internet(), L"MaxConnectionsPer1_0Server"), std::optional<DWORD>(2));
    EXPECT_EQ(ReadDword(Internet(), L"MaxConnectionsPerServer"), std::optional<DWORD>(6));
    EXPECT_FALSE(WaitDialog(tarvex_.Process.Id(), 500)) << "Apply asks nothing";

    // A change from outside shows after "Refresh".
    if (Nt()) {
        ASSERT_TRUE(WriteDword(Stack(), L"DefaultTTL", 64));
    } else {
        ASSERT_TRUE(WriteString(Stack(), L"DefaultTTL", L"64"));
    }
    ASSERT_TRUE(Click(Control(ids::kBtnRefresh)));
    ASSERT_TRUE(TabSelect(tabs_, kRwinTtlTab));
    EXPECT_TRUE(Checked(ids::kRbTTLCustom));
    EXPECT_FALSE(Checked(ids::kRbTTLDefault));
    EXPECT_EQ(Text(ids::kTxtTTL), L"64");
    EXPECT_TRUE(IsEnabled(Control(ids::kTxtTTL)));
}

// Ctrl+Tab turns the tabs from the keyboard, as in any property sheet.
TEST_P(AdvancedTest, CtrlTabTurnsTheTabs) {
    if (!Nt()) GTEST_SKIP() << "the keyboard does not depend on the family";
    ASSERT_NO_FATAL_FAILURE(Open());
    // A click on the "Welcome" tab puts the keyboard there.
    const RECT frame = WindowRect(tabs_);
    ASSERT_TRUE(XClick({frame.left + 20, frame.top + 10}, 1));
    ASSERT_TRUE(
        WaitUntil([&] { return TabSelectedIndex(tabs_) == kWelcomeTab && ForegroundWindow() == window_; }, 3000));
    ASSERT_TRUE(XKeys(L"ctrl+Tab"));
    EXPECT_TRUE(WaitUntil([&] { return TabSelectedIndex(tabs_) == kGeneralTab; }, 3000));
    ASSERT_TRUE(XKeys(L"ctrl+shift+Tab"));
    EXPECT_TRUE(WaitUntil([&] { return TabSelectedIndex(tabs_) == kWelcomeTab; }, 3000));
}

// Windows XP for the NT family: from Vista on the stack no longer reads the window and the other
// greyed values, and the "Modern TCP" tab joins (modern_tcp_test.cpp).
INSTANTIATE_TEST_SUITE_P(Families, AdvancedTest, testing::Values(Family{L"winxp", true}, Family{L"win98", false}),
                         [](const auto& info) { return std::string(info.param.Nt ? "WindowsXP" : "Windows98"); });

}  // namespace
}  // namespace tarvex::e2e
