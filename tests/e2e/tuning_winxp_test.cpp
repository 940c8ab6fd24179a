// One-click tuning under Windows XP, whose presets differ from every other Windows, and a run
// whose writing fails.
#include "e2e/support/tuning.h"

namespace tarvex::e2e::tuning {
namespace {

TEST_F(TuningSuite, EveryScenarioOnWindowsXP) {
    RunEveryScenario(L"winxp", true, true);
}

// The TCP/IP key refuses changes: the run ends with the error reported, back on the welcome
// page with everything usable, and nothing claims success.
TEST_F(TuningSuite, AFailingWriteEndsTheRunUsable) {
    SeedAdapters(true);
    SeedKeptValues(true);
    const RegistryKey tcpip{HKEY_LOCAL_MACHINE, kNtTcpip};
    ASSERT_TRUE(DeleteValue(tcpip, L"DefaultTTL"));
    ASSERT_TRUE(SetKeyWritable(tcpip, false));
    ASSERT_NO_FATAL_FAILURE(Start(L"winxp"));

    Choose(ConnectionScenario::rbDialUpModem);
    ASSERT_TRUE(PostClick(Control(ids::kBtnAccelerate)));
    ASSERT_TRUE(WaitUntil([&] { return ActivePage() == L"tsProgress"; }, 5000));
    const HWND report = WaitTopWindow(
        {.ClassName = L"TBugReportDialog", .ProcessId = tarvex_.Process.Id(), .VisibleOnly = true}, kRunTimeoutMs);
    ASSERT_TRUE(report) << "no error was reported";
    EXPECT_EQ(WindowText(report), L"Bug Report");
    // The report is on the clipboard as the dialog opens.
    EXPECT_NE(ClipboardText().value_or(L"").find(L"Failed to set data for 'DefaultTTL'"), std::wstring::npos);
    EXPECT_EQ(ActivePage(), L"tsWelcome");
    SaveScreenshot(L"tuning-failed-write");
    ASSERT_TRUE(AnswerDialog(report, IDCANCEL));  // "Don't Send"
    ASSERT_TRUE(WaitWindowGone(report, kDialogTimeoutMs));

    EXPECT_TRUE(NavigationEnabled());
    EXPECT_TRUE(IsEnabled(Control(ids::kBtnAccelerate)));
    EXPECT_FALSE(ValueExists(tcpip, L"DefaultTTL"));
    EXPECT_EQ(ReadDword({HKEY_LOCAL_MACHINE, adapters_.front().MtuKey}, L"MTU"), std::optional<DWORD>(1400));
    ASSERT_TRUE(SetKeyWritable(tcpip, true));
}

TEST_F(TuningSuite, UndoAfterAccelerateGivesBackTheSeededRegistry) {
    AccelerateThenUndo(L"winxp", true);
}

TEST_F(TuningSuite, ExportedSettingsImportThroughTheRegistryEditorAndTheProgram) {
    ExportThenImport(L"winxp", true);
}

}  // namespace
}  // namespace tarvex::e2e::tuning
