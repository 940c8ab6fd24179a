// One-click tuning under Windows 98: the 9x family's keys, texts and adapters.
#include "e2e/support/tuning.h"

namespace tarvex::e2e::tuning {
namespace {

TEST_F(TuningSuite, EveryScenarioOnWindows98) {
    RunEveryScenario(L"win98", false, false);
}

// Closing the window in the middle of a run ends the program at once, with nothing written.
TEST_F(TuningSuite, ClosingDuringARunEndsTheProgramWithoutWriting) {
    SeedAdapters(false);
    ASSERT_TRUE(DeleteValue({HKEY_LOCAL_MACHINE, k9xMstcp}, L"DefaultTTL"));
    ASSERT_NO_FATAL_FAILURE(Start(L"win98"));
    Choose(ConnectionScenario::rbDialUpModem);
    ASSERT_TRUE(PostClick(Control(ids::kBtnAccelerate)));
    ASSERT_TRUE(WaitUntil([&] { return ActivePage() == L"tsProgress"; }, 5000));
    ASSERT_TRUE(PostClose(window_));
    EXPECT_EQ(tarvex_.Process.WaitExit(10000), std::optional<DWORD>(0));
    EXPECT_FALSE(ValueExists({HKEY_LOCAL_MACHINE, k9xMstcp}, L"DefaultTTL"));
    EXPECT_EQ(ReadString({HKEY_LOCAL_MACHINE, adapters_.front().MtuKey}, L"MaxMTU"),
              std::optional<std::wstring>(L"1400"));
}

TEST_F(TuningSuite, UndoAfterAccelerateGivesBackTheSeededRegistry) {
    AccelerateThenUndo(L"win98", false);
}

}  // namespace
}  // namespace tarvex::e2e::tuning
