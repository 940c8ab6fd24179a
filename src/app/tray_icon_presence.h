#pragma once
// Whether the icon is in the notification area, apart from the shell. The icon counts as
// shown only once the shell has taken it. At logon the program may start before the shell
// is ready to take icons: a refused add is tried again once a second for a few minutes, and
// at once when the shell announces a new taskbar.
#include <cstdint>

namespace tarvex {

class TrayIconPresence {
public:
    static constexpr std::uint32_t kRetryIntervalMs = 1000;
    static constexpr int kMaxRetries = 300;  // five minutes: a slow logon, not a shell that never comes

    // Asked for and taken by the shell.
    bool Shown() const noexcept { return state_ == State::Shown; }
    bool Wanted() const noexcept { return state_ != State::Hidden; }
    // Whether the retry timer should run.
    bool Retrying() const noexcept { return state_ == State::Waiting; }

    // The icon is asked for. True: ask the shell to add it now, and tell Added the answer.
    bool Show() noexcept;
    // The icon is not wanted any more. True: the shell holds it, ask it to delete the icon.
    bool Hide() noexcept;
    // The shell's answer to an add. True: the icon was hidden while the shell took it (its
    // messages can run during the call), so ask the shell to delete it again.
    bool Added(bool accepted) noexcept;
    // The retry timer elapsed. True: ask the shell to add the icon now.
    bool RetryElapsed() noexcept;
    // The shell has a new taskbar. True: delete the icon, which the new shell may still hold
    // and then refuses to add, and add it again.
    bool TaskbarCreated() noexcept;

private:
    enum class State {
        Hidden,   // not asked for
        Adding,   // asked for, the shell's answer is due
        Shown,    // taken by the shell
        Waiting,  // refused, the retry timer runs
        GaveUp,   // refused every time; a new taskbar or another request tries again
    };
    State state_ = State::Hidden;
    int retriesLeft_ = 0;
};

}  // namespace tarvex
