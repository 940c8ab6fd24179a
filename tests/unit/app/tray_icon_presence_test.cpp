#include "app/tray_icon_presence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvex {
namespace {

// Plays the shell against a fake notification area that takes icons only once it is ready,
// and a retry timer that fires once a second while the presence asks for it. Logs the
// shell calls with the second they happen in.
class FakeShell {
public:
    int ReadyAtSecond = 0;  // the shell takes icons from this second on (-1: never)
    bool HeldByShell = false;

    void Show() {
        if (presence_.Show()) Add();
    }
    void Hide() {
        if (presence_.Hide()) Delete();
    }
    void TaskbarCreated() {
        HeldByShell = false;  // a new shell starts empty
        if (presence_.TaskbarCreated()) {
            Delete();
            Add();
        }
    }
    // Lets seconds pass; the retry timer fires once a second while it runs.
    void Pass(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            ++now_;
            if (presence_.Retrying() && presence_.RetryElapsed()) Add();
        }
    }
    const TrayIconPresence& Presence() const { return presence_; }
    int Adds() const { return adds_; }
    std::vector<std::string> Log;

private:
    void Add() {
        ++adds_;
        const bool accepted = ReadyAtSecond >= 0 && now_ >= ReadyAtSecond && !HeldByShell;
        if (accepted) HeldByShell = true;
        Log.push_back("add@" + std::to_string(now_) + (accepted ? "" : " refused"));
        if (presence_.Added(accepted)) Delete();
    }
    void Delete() {
        HeldByShell = false;
        Log.push_back("delete@" + std::to_string(now_));
    }

    TrayIconPresence presence_;
    int now_ = 0;
    int adds_ = 0;
};

TEST(TrayIconPresenceTest, ShownOnlyOnceTheShellTookIt) {
    FakeShell shell;
    shell.Show();
    EXPECT_TRUE(shell.Presence().Shown());
    EXPECT_FALSE(shell.Presence().Retrying());
    shell.Show();  // asking again changes nothing
    shell.Hide();
    EXPECT_FALSE(shell.Presence().Shown());
    EXPECT_FALSE(shell.Presence().Wanted());
    shell.Hide();  // nothing left to delete
    EXPECT_EQ(shell.Log, (std::vector<std::string>{"add@0", "delete@0"}));
}

TEST(TrayIconPresenceTest, AtLogonAddingIsRetriedEverySecondUntilTheShellIsReady) {
    FakeShell shell;
    shell.ReadyAtSecond = 3;
    shell.Show();
    EXPECT_FALSE(shell.Presence().Shown());
    EXPECT_TRUE(shell.Presence().Wanted());
    EXPECT_TRUE(shell.Presence().Retrying());
    shell.Pass(10);
    EXPECT_TRUE(shell.Presence().Shown());
    EXPECT_FALSE(shell.Presence().Retrying());
    EXPECT_EQ(shell.Log, (std::vector<std::string>{"add@0 refused", "add@1 refused", "add@2 refused", "add@3"}));
}

TEST(TrayIconPresenceTest, RetriesEndAfterTheirTimeAndANewTaskbarStartsAgain) {
    FakeShell shell;
    shell.ReadyAtSecond = -1;
    shell.Show();
    shell.Pass(TrayIconPresence::kMaxRetries + 100);
    EXPECT_EQ(shell.Adds(), 1 + TrayIconPresence::kMaxRetries);
    EXPECT_FALSE(shell.Presence().Retrying());
    EXPECT_FALSE(shell.Presence().Shown());
    EXPECT_TRUE(shell.Presence().Wanted());

    // The shell comes after all and announces its taskbar.
    shell.ReadyAtSecond = 0;
    shell.Log.clear();
    shell.TaskbarCreated();
    ASSERT_TRUE(shell.Presence().Shown());
    EXPECT_EQ(shell.Log.back(), "add@" + std::to_string(TrayIconPresence::kMaxRetries + 100));
}

TEST(TrayIconPresenceTest, NewTaskbarReaddsOnlyAWantedIcon) {
    FakeShell shell;
    shell.TaskbarCreated();
    EXPECT_TRUE(shell.Log.empty());
    shell.Show();
    shell.Log.clear();
    shell.TaskbarCreated();
    EXPECT_EQ(shell.Log, (std::vector<std::string>{"delete@0", "add@0"}));
    EXPECT_TRUE(shell.Presence().Shown());

    // A new shell that is not ready yet: the retries start over.
    shell.ReadyAtSecond = 5;
    shell.TaskbarCreated();
    EXPECT_TRUE(shell.Presence().Retrying());
    shell.Pass(5);
    EXPECT_TRUE(shell.Presence().Shown());
    shell.Hide();
    EXPECT_FALSE(shell.HeldByShell);
}

TEST(TrayIconPresenceTest, HidingStopsTheRetries) {
    FakeShell shell;
    shell.ReadyAtSecond = 5;
    shell.Show();
    shell.Pass(1);
    shell.Hide();
    EXPECT_FALSE(shell.Presence().Retrying());
    shell.Pass(10);
    EXPECT_EQ(shell.Adds(), 2);
    EXPECT_FALSE(shell.HeldByShell);
}

// Hidden while the shell was still answering the add (its call runs the thread's sent
// messages): the icon the shell took is deleted again.
TEST(TrayIconPresenceTest, HiddenDuringTheAddIsDeletedAfterwards) {
    TrayIconPresence presence;
    ASSERT_TRUE(presence.Show());
    EXPECT_FALSE(presence.Show());  // a second request while the first is answered adds nothing
    EXPECT_FALSE(presence.Hide());  // the shell does not hold it yet
    EXPECT_TRUE(presence.Added(true));
    EXPECT_FALSE(presence.Shown());
    EXPECT_FALSE(presence.Retrying());
}

}  // namespace
}  // namespace tarvex
