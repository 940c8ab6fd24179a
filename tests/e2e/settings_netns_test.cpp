// The program's settings across starts: what a close stores and the next start shows, the
// start in the tray or on the taskbar, an adapter or a position that no longer exists, the
// Run value, and the tray's "&Close" that stores nothing. In a network namespace, so that the
// adapter list is known: lo and tvx0 (run_in_netns.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/win32/menus.h"
#include "app/logon_task.h"
#include "app/navigation.h"
#include "app/win32/control_ids.h"
#include "e2e/support/e2e.h"
#include "platform/win32/logon_tasks.h"
#include "platform/win32/program_info.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

const RegistryKey kGeneral{HKEY_CURRENT_USER, L"Software\\Quillmont\\Tarvex\\Settings\\General"};
const RegistryKey kAdapters{HKEY_CURRENT_USER, L"Software\\Quillmont\\Tarvex\\Settings\\Adapters"};
const RegistryKey kUpdate{HKEY_CURRENT_USER, L"Software\\Quillmont\\Tarvex\\Settings\\Update"};
const RegistryKey kPosition{HKEY_CURRENT_USER, L"Software\\Quillmont\\Tarvex\\Settings\\Window Position"};
const RegistryKey kRun{HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run"};

class SettingsTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ForgetProgramSettings()); }
    void TearDown() override {
        if (tarvex_.Process.Running()) Close();
    }

    void Start(std::wstring_view personality = {}) {
        tarvex_ = StartTarvex({}, personality);  // its window shown: the settings are loaded
        window_ = tarvex_.MainWindow;
    }
    void Close() {
        ASSERT_TRUE(PostClose(window_));
        EXPECT_EQ(tarvex_.Process.WaitExit(20000), std::optional<DWORD>(0));
    }
    void ShowPage(NavItem item, int controlId) {
        ASSERT_TRUE(PostCommand(window_, CommandIdOf(item)));
        ASSERT_TRUE(WaitUntil([&] { return Control(controlId) && IsVisible(Control(controlId)); }, 5000));
    }
    HWND Control(int id) const { return FindChildById(window_, id); }
    void Type(int id, const std::wstring& text) {
        ASSERT_TRUE(Send(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())).has_value());
    }

    RunningTarvex tarvex_;
    HWND window_ = nullptr;
};

TEST_F(SettingsTest, WhatACloseStoresTheNextStartShows) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // A first start: the defaults.
    ShowPage(NavItem::btnSettings, ids::kChkCheckForUpdates);
    EXPECT_FALSE(IsChecked(Control(ids::kChkLoadAtWinStart)));
    EXPECT_FALSE(IsChecked(Control(ids::kChkStartInTray)));
    EXPECT_FALSE(IsChecked(Control(ids::kChkMinimizeToTray)));
    EXPECT_TRUE(IsChecked(Control(ids::kChkCheckForUpdates)));
    EXPECT_EQ(ComboSelectedIndex(Control(ids::kCbCheckForUpdates)), 1);

    // Every option, the adapter and the proxy.
    ASSERT_TRUE(Click(Control(ids::kChkMinimizeToTray)));
    ASSERT_TRUE(Click(Control(ids::kChkCheckForUpdates)));
    ASSERT_TRUE(Click(Control(ids::kChkCheckForUpdates)));
    ASSERT_TRUE(ComboSelect(Control(ids::kCbCheckForUpdates), 3));
    ShowPage(NavItem::btnConnectionState, ids::kCbAdapter);
    ASSERT_TRUE(ComboSelectText(Control(ids::kCbAdapter), L"tvx0"));
    const int adapter = ComboSelectedIndex(Control(ids::kCbAdapter));
    ShowPage(NavItem::ItemAskQuestions, ids::kTxtProxyServer);
    Type(ids::kTxtProxyServer, L"proxy.example:8080");
    Type(ids::kTxtProxyUser, L"ann");
    Type(ids::kTxtProxyPwd, L"s3cr\u00e9t");
    ASSERT_TRUE(SetWindowPos(window_, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    Close();

    EXPECT_EQ(ReadDword(kPosition, L"TarvexMainForm_Left"), std::optional<DWORD>(40));
    EXPECT_EQ(ReadDword(kPosition, L"TarvexMainForm_Top"), std::optional<DWORD>(30));
    EXPECT_EQ(ValueType(kUpdate, L"ProxyPassword"), std::optional<DWORD>(REG_BINARY));  // scrambled

    ASSERT_NO_FATAL_FAILURE(Start());
    const RECT frame = WindowRect(window_);
    EXPECT_EQ(frame.left, 40);
    EXPECT_EQ(frame.top, 30);
    ShowPage(NavItem::btnSettings, ids::kChkCheckForUpdates);
    EXPECT_TRUE(IsChecked(Control(ids::kChkMinimizeToTray)));
    EXPECT_EQ(ComboSelectedIndex(Control(ids::kCbCheckForUpdates)), 3);
    ShowPage(NavItem::btnConnectionState, ids::kCbAdapter);
    EXPECT_EQ(ComboSelectedIndex(Control(ids::kCbAdapter)), adapter);
    ShowPage(NavItem::ItemAskQuestions, ids::kTxtProxyServer);
    EXPECT_EQ(WindowText(Control(ids::kTxtProxyServer)), L"proxy.example:8080");
    EXPECT_EQ(WindowText(Control(ids::kTxtProxyUser)), L"ann");
    EXPECT_EQ(WindowText(Control(ids::kTxtProxyPwd)), L"s3cr\u00e9t");
    SaveScreenshot(L"settings-restored", window_);
}

TEST_F(SettingsTest, StartInTrayHidesOrMinimisesAsMinimizeToTraySays) {
    for (const bool toTray : {true, false}) {
        SCOPED_TRACE(toTray ? "minimise to tray" : "minimise to the taskbar");
        // The whole group, as a close stores it: a value missing there would stop the load.
        ASSERT_TRUE(WriteDword(kGeneral, L"LoadAtWinStart", 0));
        ASSERT_TRUE(WriteDword(kGeneral, L"StartInTray", 1));
        ASSERT_TRUE(WriteDword(kGeneral, L"MinimizeToTray", toTray ? 1 : 0));
        tarvex_ = LaunchTarvex();
        window_ = WaitTopWindow({kMainWindowClass, {}, tarvex_.Process.Id()}, kStartTimeoutMs);
        ASSERT_TRUE(window_);
        ASSERT_TRUE(WaitUntil([&] { return NotificationIconCenter().has_value(); }, 10000));
        Sleep(1500);  // the taskbar shows a new button a little later
        if (toTray) {
            EXPECT_FALSE(IsWindowVisible(window_));
        } else {
            EXPECT_TRUE(IsWindowVisible(window_));
            EXPECT_TRUE(IsMinimized(window_));
        }
        SaveScreenshot(toTray ? L"settings-start-in-tray" : L"settings-start-minimised");
        Close();
        EXPECT_TRUE(ValueExists(kPosition, L"TarvexMainForm_Width"));  // bounds stored while hidden
    }
}

TEST_F(SettingsTest, AnAdapterOrAPositionThatIsGoneFallsBack) {
    ASSERT_TRUE(WriteDword(kAdapters, L"SelectedAdapter", 5));  // lo and tvx0 only
    ASSERT_TRUE(WriteDword(kPosition, L"TarvexMainForm_Left", 5000));
    ASSERT_TRUE(WriteDword(kPosition, L"TarvexMainForm_Top", 4000));
    ASSERT_TRUE(WriteDword(kPosition, L"TarvexMainForm_Width", 650));
    ASSERT_TRUE(WriteDword(kPosition, L"TarvexMainForm_Height", 500));
    ASSERT_NO_FATAL_FAILURE(Start());
    const RECT frame = WindowRect(window_);
    EXPECT_LE(frame.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(frame.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GE(frame.left, 0);
    ShowPage(NavItem::btnConnectionState, ids::kCbAdapter);
    EXPECT_EQ(ComboSelectedIndex(Control(ids::kCbAdapter)), -1);
    EXPECT_EQ(WindowText(Control(ids::kLblAdapterName)), L"No Adapter Selected");
    Close();
    EXPECT_EQ(ReadDword(kAdapters, L"SelectedAdapter"), std::optional<DWORD>(0xFFFFFFFFu));
}

TEST_F(SettingsTest, LoadAtWindowsStartupAddsAndRemovesTheRunValueOnWindowsXP) {
    DeleteValue(kRun, L"Tarvex");
    for (const bool on : {true, false}) {
        ASSERT_NO_FATAL_FAILURE(Start(L"winxp"));
        ShowPage(NavItem::btnSettings, ids::kChkLoadAtWinStart);
        ASSERT_TRUE(Click(Control(ids::kChkLoadAtWinStart)));
        ASSERT_EQ(IsChecked(Control(ids::kChkLoadAtWinStart)), on);
        Close();
        EXPECT_EQ(ValueExists(kRun, L"Tarvex"), on);
    }
}

// On Vista and later the program runs elevated for an administrator (Wine's user is one):
// the box stands for a logon task, which the next start reads back.
TEST_F(SettingsTest, LoadAtWindowsStartupIsALogonTaskForAnElevatedAdministrator) {
    Win32LogonTasks tasks;
    const std::string task = LogonTaskName(CurrentUserId());
    tasks.Delete(task);
    DeleteValue(kRun, L"Tarvex");
    ASSERT_NO_FATAL_FAILURE(Start());
    ShowPage(NavItem::btnSettings, ids::kChkLoadAtWinStart);
    ASSERT_FALSE(IsChecked(Control(ids::kChkLoadAtWinStart)));
    ASSERT_TRUE(Click(Control(ids::kChkLoadAtWinStart)));
    Close();
    EXPECT_TRUE(tasks.Exists(task));
    EXPECT_FALSE(ValueExists(kRun, L"Tarvex"));

    // The task's presence, not the stored option, is what the box shows.
    ASSERT_TRUE(WriteDword(kGeneral, L"LoadAtWinStart", 0));
    ASSERT_NO_FATAL_FAILURE(Start());
    ShowPage(NavItem::btnSettings, ids::kChkLoadAtWinStart);
    EXPECT_TRUE(IsChecked(Control(ids::kChkLoadAtWinStart)));
    ASSERT_TRUE(Click(Control(ids::kChkLoadAtWinStart)));
    Close();
    EXPECT_FALSE(tasks.Exists(task));
}

TEST_F(SettingsTest, CloseFromTheTrayMenuStoresNothing) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemClose)));
    EXPECT_EQ(tarvex_.Process.WaitExit(20000), std::optional<DWORD>(0));
    EXPECT_FALSE(KeyExists(kSettingsKey));
}

}  // namespace
}  // namespace tarvex::e2e
