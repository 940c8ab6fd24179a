// One-click tuning under Windows 98: the 9x family's keys, texts and adapters.
#include "e2e/support/tuning.h"

namespace tarvex::e2e::tuning {
namespace {

TEST_F(TuningSuite, EveryScenarioOnWindows98) {
    RunEveryScenario(L"win98", false, false);
}

}  // namespace
}  // namespace tarvex::e2e::tuning
