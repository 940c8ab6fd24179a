// One-click tuning under Windows XP, whose presets differ from every other Windows, and a run
// whose writing fails.
#include "e2e/support/tuning.h"

namespace tarvex::e2e::tuning {
namespace {

TEST_F(TuningSuite, EveryScenarioOnWindowsXP) {
    RunEveryScenario(L"winxp", true, true);
}

// The TCP/IP key refuses changes: the run ends with a message that names the value, says what
// became of the settings and how to get them back; back on the welcome page with everything
// usable, and nothing claims success.
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
    const HWND message = WaitDialog(tarvex_.Process.Id(), kRunTimeoutMs);
    ASSERT_TRUE(message) << "no error was shown";
    const auto content = ReadDialog(message);
    std::wstring text;
    for (const std::wstring& part : content.Texts) text += part + L"\n";
    EXPECT_NE(text.find(L"Tarvex could not write the value \"DefaultTTL\" of HKEY_LOCAL_MACHINE\\" +
                        std::wstring(kNtTcpip) + L", so it stopped there."),
              std::wstring::npos)
        << text;
    EXPECT_NE(text.find(L"\"Undo last change\" in the Accelerate menu gives back the settings as they were before."),
              std::wstring::npos)
        << text;
    EXPECT_NE(text.find(L"Failed to set data for 'DefaultTTL'"), std::wstring::npos) << text;
    EXPECT_FALSE(FindTopWindow({.ClassName = L"TBugReportDialog", .ProcessId = tarvex_.Process.Id()}));
    EXPECT_EQ(ActivePage(), L"tsWelcome");
    SaveScreenshot(L"tuning-failed-write");
    ASSERT_TRUE(AnswerDialog(message, IDOK));
    ASSERT_TRUE(WaitWindowGone(message, kDialogTimeoutMs));

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
