// The Program Options page's rules: each user action changes the model once, the view
// hears of it once, and the tray icon hears of each minimise-to-tray setting.
#include "app/program_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvex {
namespace {

struct Observed {
    int changes = 0;
    std::vector<bool> trayCalls;
};

void Observe(ProgramOptionsModel& model, Observed& seen) {
    model.OnChange = [&seen] { ++seen.changes; };
    model.OnMinimizeToTrayChange = [&seen](bool on) { seen.trayCalls.push_back(on); };
}

TEST(ProgramOptionsModelTest, StartInTrayPullsMinimizeToTrayAlongOnlyWhenChecked) {
    ProgramOptionsModel model;
    Observed seen;
    Observe(model, seen);

    model.SetStartInTray(true);
    EXPECT_TRUE(model.Options().MinimizeToTray);
    EXPECT_EQ(seen.trayCalls, std::vector<bool>{true});
    EXPECT_EQ(seen.changes, 1);

    model.SetStartInTray(false);  // unchecking leaves minimise-to-tray on
    EXPECT_TRUE(model.Options().MinimizeToTray);
    model.SetStartInTray(true);  // already on: the tray hears nothing new
    EXPECT_EQ(seen.trayCalls, std::vector<bool>{true});
    EXPECT_EQ(seen.changes, 3);

    model.SetMinimizeToTray(false);  // each click on the box reaches the tray at once
    model.SetMinimizeToTray(false);
    EXPECT_EQ(seen.trayCalls, (std::vector<bool>{true, false, false}));
}

TEST(ProgramOptionsModelTest, UpdateSwitchGreysTheIntervalAndKeepsItsChoice) {
    ProgramOptionsModel model;
    EXPECT_TRUE(model.UpdateIntervalEnabled());
    EXPECT_EQ(model.Options().UpdateInterval, kDefaultUpdateInterval);
    EXPECT_STREQ(kUpdateIntervalTexts[kDefaultUpdateInterval], "day");
    model.SetUpdateInterval(3);
    model.SetCheckForUpdates(false);
    EXPECT_FALSE(model.UpdateIntervalEnabled());
    EXPECT_EQ(model.Options().UpdateInterval, 3);
}

TEST(ProgramOptionsModelTest, IntervalOutsideTheListSelectsNothing) {
    ProgramOptionsModel model;
    for (int index : {-5, -1, 5, 1000}) {
        model.SetUpdateInterval(index);
        EXPECT_EQ(model.Options().UpdateInterval, -1) << index;
    }
    model.SetUpdateInterval(4);
    EXPECT_EQ(model.Options().UpdateInterval, 4);
}

TEST(ProgramOptionsModelTest, AssignTakesEverythingAndTellsTheTray) {
    ProgramOptionsModel model;
    Observed seen;
    Observe(model, seen);
    ProgramOptions stored{.LoadAtWinStart = true,
                          .StartInTray = true,
                          .MinimizeToTray = false,
                          .CheckForUpdates = false,
                          .UpdateInterval = 9};
    model.Assign(stored);
    stored.UpdateInterval = -1;
    EXPECT_EQ(model.Options(), stored);
    EXPECT_EQ(seen.trayCalls, std::vector<bool>{false});
    EXPECT_EQ(seen.changes, 1);
}

}  // namespace
}  // namespace tarvex
