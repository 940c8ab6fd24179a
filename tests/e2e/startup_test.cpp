// Start-up of the shipped program: the command line, the single instance and the caption
// on several Windows personalities.
#include <gtest/gtest.h>

#include "app/win32/menus.h"
#include "app/navigation.h"
#include "e2e/support/e2e.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

constexpr DWORD kExitTimeoutMs = 20000;

void CloseAndWait(RunningTarvex& tarvex) {
    ASSERT_TRUE(PostClose(tarvex.MainWindow));
    EXPECT_EQ(tarvex.Process.WaitExit(kExitTimeoutMs), std::optional<DWORD>(0));
}

TEST(StartupTest, UninstallAsFirstArgumentEndsAtOnce) {
    auto tarvex = LaunchTarvex(L"--uninstall");
    EXPECT_EQ(tarvex.Process.WaitExit(kExitTimeoutMs), std::optional<DWORD>(0));
    EXPECT_FALSE(ReadInstanceTable(TarvexExe()).has_value());
    EXPECT_FALSE(FindTopWindow({kMainWindowClass}));
}

TEST(StartupTest, UninstallElsewhereOrInOtherCaseStartsNormally) {
    for (const wchar_t* args : {L"--UNINSTALL", L"--Uninstall", L"start --uninstall", L"--uninstall2"}) {
        SCOPED_TRACE(args);
        auto tarvex = StartTarvex(args);
        ASSERT_TRUE(tarvex.MainWindow);
        CloseAndWait(tarvex);
    }
}

TEST(StartupTest, SecondStartRestoresTheFirstWindowAndEnds) {
    auto first = StartTarvex();
    ASSERT_TRUE(SysCommand(first.MainWindow, SC_MINIMIZE));
    ASSERT_TRUE(WaitUntil([&] { return IsMinimized(first.MainWindow); }, 5000));

    auto second = LaunchTarvex();
    EXPECT_EQ(second.Process.WaitExit(kExitTimeoutMs), std::optional<DWORD>(0));
    EXPECT_TRUE(WaitUntil([&] { return !IsMinimized(first.MainWindow); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ForegroundWindow() == first.MainWindow; }, 5000));
    const auto table = ReadInstanceTable(TarvexExe());
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->Limit, 1);
    EXPECT_EQ(table->Count, 1);
    EXPECT_EQ(table->ProcessIds.front(), first.Process.Id());
    EXPECT_EQ(FindTopWindows({kMainWindowClass}).size(), 1u);
    SaveScreenshot(L"startup-second-start");
    CloseAndWait(first);
}

TEST(StartupTest, PathInOtherLetterCaseIsTheSameProgram) {
    auto first = StartTarvex();
    std::wstring other = TarvexExe();
    for (auto& c : other) c = static_cast<wchar_t>(iswupper(c) ? towlower(c) : towupper(c));
    auto second = Launch(other);
    EXPECT_EQ(second.WaitExit(kExitTimeoutMs), std::optional<DWORD>(0));
    const auto table = ReadInstanceTable(TarvexExe());
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->Count, 1);
    CloseAndWait(first);
}

TEST(StartupTest, CopyInAnotherFolderIsAnotherProgram) {
    auto first = StartTarvex();
    const std::wstring folder = OutputDir() + L"\\copy";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\Tarvex.exe";
    ASSERT_TRUE(CopyFileW(TarvexExe().c_str(), copy.c_str(), FALSE));
    auto second = Launch(copy);
    const HWND secondWindow = WaitTopWindow({kMainWindowClass, {}, second.Id(), true}, kStartTimeoutMs);
    EXPECT_TRUE(secondWindow);
    EXPECT_EQ(ReadInstanceTable(copy)->Count, 1);
    EXPECT_EQ(ReadInstanceTable(TarvexExe())->Count, 1);
    PostClose(secondWindow);
    EXPECT_EQ(second.WaitExit(kExitTimeoutMs), std::optional<DWORD>(0));
    CloseAndWait(first);
}

TEST(StartupTest, CaptionNamesVersionAndWindowsRelease) {
    struct Case {
        const wchar_t* personality;
        const wchar_t* caption;
    };
    const Case cases[] = {
        {L"", L"Tarvex 2.01 (Windows 7)"},
        {L"winxp", L"Tarvex 2.01 (Windows XP)"},
        {L"win2003", L"Tarvex 2.01 (Windows Server 2003)"},
        {L"vista", L"Tarvex 2.01 (Windows Vista)"},
        // From 8.1 on Windows reports 6.2 to this program; the caption names the true release.
        {L"win8", L"Tarvex 2.01 (Windows 8)"},
        {L"win81", L"Tarvex 2.01 (Windows 8.1)"},
        {L"win10", L"Tarvex 2.01 (Windows 10)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.personality);
        auto tarvex = StartTarvex({}, c.personality);
        EXPECT_EQ(WindowText(tarvex.MainWindow), c.caption);
        // The About page makes its controls when it is first shown.
        PostCommand(tarvex.MainWindow, CommandIdOf(NavItem::ItemAbout));
        EXPECT_TRUE(WaitUntil([&] { return FindChildByText(tarvex.MainWindow, L"Version 2.01") != nullptr; }, 5000));
        CloseAndWait(tarvex);
    }
    SetWineVersion(L"");
}

TEST(StartupTest, MainWindowFrame) {
    auto tarvex = StartTarvex();
    const RECT client = ClientRect(tarvex.MainWindow);
    EXPECT_EQ(client.right - client.left, 633);
    EXPECT_EQ(client.bottom - client.top, 451);
    const auto style = Style(tarvex.MainWindow);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    SaveScreenshot(L"startup-main-window", tarvex.MainWindow);
    CloseAndWait(tarvex);
}

}  // namespace
}  // namespace tarvex::e2e
