#pragma once
// What the mouse does on the notification-area icon, apart from the shell: which events a
// mouse message raises, when a left click is a click of its own or the first half of a
// double click, and when the menu pops up or its default item runs.
//
// The answer to each message is the whole list of steps, worked out before any of them
// runs: an event handler may pump messages (a menu, a wait) or free the icon, and nothing
// here runs after it. The shell carries the steps out in order and stops when the icon is gone.
#include <vector>

namespace tarvex {

enum class TrayMouseButton { Left, Right, Middle };

// The mouse messages the shell sends for the icon.
enum class TrayMouseMessage { LeftDown, LeftUp, LeftDoubleClick, RightDown, RightUp, MiddleDown, MiddleUp };

struct TrayMouseStep {
    enum class Kind {
        StartClickTimer,  // one double-click time from now, ClickTimerElapsed is due
        StopClickTimer,
        MouseDown,  // raise the event for Button
        MouseUp,
        Click,
        DblClick,
        PopupMenu,       // pop the menu up at the cursor
        RunDefaultItem,  // the click action of the menu's default item
    };
    Kind What;
    TrayMouseButton Button = TrayMouseButton::Left;  // MouseDown and MouseUp only

    bool operator==(const TrayMouseStep&) const = default;
};

// The icon's settings as they stand when a message arrives.
struct TrayMouseSettings {
    bool Enabled = true;  // false: messages are ignored
    bool HasMenu = false;
    bool LeftPopup = false;  // a left button press opens the menu, and double clicks leave its default item alone
    bool HasDblClickHandler = false;
};

class TrayClickTracker {
public:
    std::vector<TrayMouseStep> Message(TrayMouseMessage message, const TrayMouseSettings& settings);
    std::vector<TrayMouseStep> ClickTimerElapsed();
    // The timer could not be started: the click then counts when the button goes up.
    void ClickTimerFailed() noexcept { timerRunning_ = false; }

private:
    // A left click is reported when its button goes up, or, while a double click could still
    // follow, once the double-click time has passed.
    bool timerRunning_ = false;
    bool clickStarted_ = false;  // the button went down and no double click took it
    bool clickReady_ = false;    // ... and up again, with the timer still running
};

}  // namespace tarvex
