// One-click tuning under Windows 7 (the modern stack, through Wine's own netsh, which changes
// nothing and ends with 0), and a run that ends with the restart the user agreed to.
#include "e2e/support/tuning.h"

namespace tarvex::e2e::tuning {
namespace {

TEST_F(TuningSuite, EveryScenarioOnWindows7) {
    RunEveryScenario(L"", true, false, true);
}

// Under Wine a restart ends the prefix's windowed programs and then runs the RunOnce
// entries, so an entry set here shows that Windows was asked.
TEST_F(TuningSuite, YesToTheRestartQuestionRestartsWindows) {
    SeedAdapters(true);
    const RegistryKey marker{HKEY_CURRENT_USER, L"Software\\TarvexTests"};
    ASSERT_TRUE(DeleteKeyTree(marker));
    ASSERT_TRUE(WriteString({HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
                            L"TarvexTestMarker",
                            L"reg add HKCU\\Software\\TarvexTests /v Restarted /t REG_DWORD /d 1 /f"));
    ASSERT_NO_FATAL_FAILURE(Start(L""));
    ASSERT_NO_FATAL_FAILURE(RunScenario(ConnectionScenario::rbADSLPPPoE, L"", true));
    ASSERT_NO_FATAL_FAILURE(PressOKAndAnswer(IDYES));
    EXPECT_TRUE(tarvex_.Process.WaitExit(30000).has_value()) << "the program was not ended by the restart";
    EXPECT_TRUE(WaitUntil([&] { return ReadDword(marker, L"Restarted") == std::optional<DWORD>(1); }, 30000))
        << "no restart ran the RunOnce entries";
}

TEST_F(TuningSuite, UndoAfterAccelerateGivesBackTheSeededRegistry) {
    AccelerateThenUndo(L"", true, true);
}

}  // namespace
}  // namespace tarvex::e2e::tuning
