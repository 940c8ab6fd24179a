#include "app/tray_icon_mouse.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarvex {
namespace {

using M = TrayMouseMessage;
constexpr int kDoubleClickMs = 500;

// A step of a sequence: a mouse message, or time passing (ms > 0).
struct Input {
    M message = M::LeftDown;
    int ms = 0;
};
Input Wait(int ms) {
    return {M::LeftDown, ms};
}

// Plays the shell: carries the steps out in order against a fake clock and a fake
// double-click timer that fires like a system timer (repeatedly, until stopped), logs the
// events, and stops carrying out steps once a handler has freed the icon.
class FakeShell {
public:
    TrayMouseSettings Settings;
    std::optional<std::string> FreeIconOn;  // the event whose handler frees the icon

    void Play(const std::vector<Input>& inputs) {
        for (const Input& input : inputs) {
            if (freed_) return;
            if (input.ms == 0) {
                Run(tracker_.Message(input.message, Settings));
                continue;
            }
            const int end = now_ + input.ms;
            while (timerDue_ && *timerDue_ <= end && !freed_) {
                now_ = *timerDue_;
                timerDue_ = now_ + kDoubleClickMs;
                Run(tracker_.ClickTimerElapsed());
            }
            now_ = end;
        }
    }
    const std::vector<std::string>& Log() const { return log_; }
    bool TimerRunning() const { return timerDue_.has_value(); }

private:
    static std::string Name(TrayMouseButton button) {
        return button == TrayMouseButton::Left ? "left" : button == TrayMouseButton::Right ? "right" : "middle";
    }
    void Run(const std::vector<TrayMouseStep>& steps) {
        using K = TrayMouseStep::Kind;
        for (const TrayMouseStep& step : steps) {
            std::string event;
            switch (step.What) {
                case K::StartClickTimer:
                    timerDue_ = now_ + kDoubleClickMs;
                    continue;
                case K::StopClickTimer:
                    timerDue_.reset();
                    continue;
                case K::MouseDown:
                    event = "down " + Name(step.Button);
                    break;
                case K::MouseUp:
                    event = "up " + Name(step.Button);
                    break;
                case K::Click:
                    event = "click@" + std::to_string(now_);
                    break;
                case K::DblClick:
                    event = "dblclick";
                    break;
                case K::PopupMenu:
                    event = "menu";
                    break;
                case K::RunDefaultItem:
                    event = "default item";
                    break;
            }
            log_.push_back(event);
            if (FreeIconOn && event.starts_with(*FreeIconOn)) {
                freed_ = true;
                timerDue_.reset();  // the timer dies with its icon
                return;
            }
        }
    }

    TrayClickTracker tracker_;
    std::vector<std::string> log_;
    int now_ = 0;
    std::optional<int> timerDue_;
    bool freed_ = false;
};

TEST(TrayIconMouseTest, SequencesRaiseTheirEvents) {
    const TrayMouseSettings plain{.HasMenu = true};
    const TrayMouseSettings withDbl{.HasMenu = true, .HasDblClickHandler = true};
    const TrayMouseSettings leftPopup{.HasMenu = true, .LeftPopup = true, .HasDblClickHandler = true};
    const TrayMouseSettings noMenu{.HasDblClickHandler = true};
    const TrayMouseSettings disabled{.Enabled = false, .HasMenu = true, .HasDblClickHandler = true};
    // What the shell sends for a double click.
    const std::vector<Input> doubleClick{{M::LeftDown}, {M::LeftUp}, {M::LeftDoubleClick}, {M::LeftUp}};
    struct Case {
        const char* name;
        TrayMouseSettings settings;
        std::vector<Input> inputs;
        std::vector<std::string> expected;
        const char* freeIconOn = nullptr;
    };
    const Case cases[] = {
        {"single click, no double-click handler: at once",
         plain,
         {{M::LeftDown}, Wait(100), {M::LeftUp}, Wait(1000)},
         {"down left", "up left", "click@100"}},
        {"single click with a double-click handler: after the double-click time",
         withDbl,
         {{M::LeftDown}, Wait(100), {M::LeftUp}, Wait(1000)},
         {"down left", "up left", "click@500"}},
        {"double click: no click, the handler then the default item",
         withDbl,
         {{M::LeftDown}, {M::LeftUp}, Wait(200), {M::LeftDoubleClick}, {M::LeftUp}, Wait(1000)},
         {"down left", "up left", "dblclick", "default item", "up left"}},
        {"double click without a menu", noMenu, doubleClick, {"down left", "up left", "dblclick", "up left"}},
        {"button held past the double-click time: the click comes with its release",
         withDbl,
         {{M::LeftDown}, Wait(800), {M::LeftUp}, Wait(1000)},
         {"down left", "up left", "click@800"}},
        {"two slow clicks are two clicks",
         withDbl,
         {{M::LeftDown}, {M::LeftUp}, Wait(600), {M::LeftDown}, {M::LeftUp}, Wait(600)},
         {"down left", "up left", "click@500", "down left", "up left", "click@1100"}},
        {"right click with a menu",
         withDbl,
         {{M::RightDown}, {M::RightUp}, Wait(1000)},
         {"down right", "menu", "up right"}},
        {"right click without a menu", noMenu, {{M::RightDown}, {M::RightUp}}, {"down right", "up right"}},
        {"middle button", withDbl, {{M::MiddleDown}, {M::MiddleUp}, Wait(1000)}, {"down middle", "up middle"}},
        {"left popup: the left button opens the menu, a double click runs no default item",
         leftPopup,
         {{M::LeftDown}, {M::LeftUp}, {M::LeftDoubleClick}, {M::LeftUp}, Wait(1000)},
         {"down left", "menu", "up left", "dblclick", "up left"}},
        {"left popup, single click",
         leftPopup,
         {{M::LeftDown}, {M::LeftUp}, Wait(1000)},
         {"down left", "menu", "up left", "click@500"}},
        {"disabled icon: nothing at all",
         disabled,
         {{M::LeftDown}, {M::LeftUp}, {M::LeftDoubleClick}, {M::LeftUp}, {M::RightDown}, {M::MiddleDown}, Wait(1000)},
         {}},
        {"a double-click handler that frees the icon: no default item, no click later",
         withDbl,
         {{M::LeftDown}, {M::LeftUp}, {M::LeftDoubleClick}, {M::LeftUp}, Wait(1000)},
         {"down left", "up left", "dblclick"},
         "dblclick"},
        {"a mouse-down handler that frees the icon: no menu",
         withDbl,
         {{M::RightDown}, {M::RightUp}},
         {"down right"},
         "down right"},
        {"a click handler that frees the icon",
         withDbl,
         {{M::LeftDown}, {M::LeftUp}, Wait(2000)},
         {"down left", "up left", "click@500"},
         "click"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeShell shell;
        shell.Settings = c.settings;
        if (c.freeIconOn) shell.FreeIconOn = c.freeIconOn;
        shell.Play(c.inputs);
        EXPECT_EQ(shell.Log(), c.expected);
        EXPECT_FALSE(shell.TimerRunning());  // no timer outlives its click
    }
}

// Each message's steps are decided in full before any handler runs: a handler that pumps
// messages (the menu) sees the tracker in its final state.
TEST(TrayIconMouseTest, StepsComeInTheOrderTheShellMustRunThem) {
    using K = TrayMouseStep::Kind;
    const TrayMouseSettings leftPopup{.HasMenu = true, .LeftPopup = true, .HasDblClickHandler = true};
    TrayClickTracker tracker;
    EXPECT_EQ(tracker.Message(M::LeftDown, leftPopup),
              (std::vector<TrayMouseStep>{{K::StartClickTimer}, {K::MouseDown}, {K::PopupMenu}}));
    // The timer elapses inside the open menu, before the button goes up: no click yet.
    EXPECT_EQ(tracker.ClickTimerElapsed(), std::vector<TrayMouseStep>{{K::StopClickTimer}});
    EXPECT_EQ(tracker.Message(M::LeftUp, leftPopup), (std::vector<TrayMouseStep>{{K::MouseUp}, {K::Click}}));
    // The timer stops before the double-click event, so a handler that frees the icon leaves none.
    const TrayMouseSettings withDbl{.HasMenu = true, .HasDblClickHandler = true};
    tracker.Message(M::LeftDown, withDbl);
    tracker.Message(M::LeftUp, withDbl);
    EXPECT_EQ(tracker.Message(M::LeftDoubleClick, withDbl),
              (std::vector<TrayMouseStep>{{K::StopClickTimer}, {K::DblClick}, {K::RunDefaultItem}}));
}

TEST(TrayIconMouseTest, ClickWithoutATimerCountsOnRelease) {
    using K = TrayMouseStep::Kind;
    const TrayMouseSettings withDbl{.HasDblClickHandler = true};
    TrayClickTracker tracker;
    tracker.Message(M::LeftDown, withDbl);
    tracker.ClickTimerFailed();  // the system had no timer left
    EXPECT_EQ(tracker.Message(M::LeftUp, withDbl), (std::vector<TrayMouseStep>{{K::MouseUp}, {K::Click}}));
    // The next press tries the timer again.
    EXPECT_EQ(tracker.Message(M::LeftDown, withDbl).front(), TrayMouseStep{K::StartClickTimer});
}

}  // namespace
}  // namespace tarvex
