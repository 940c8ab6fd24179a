#include "app/tray_icon_presence.h"

namespace tarvex {

bool TrayIconPresence::Show() noexcept {
    if (state_ == State::Shown || state_ == State::Adding) return false;
    state_ = State::Adding;
    retriesLeft_ = kMaxRetries;
    return true;
}

bool TrayIconPresence::Hide() noexcept {
    const bool held = state_ == State::Shown;
    state_ = State::Hidden;
    return held;
}

bool TrayIconPresence::Added(bool accepted) noexcept {
    if (state_ != State::Adding) return accepted && state_ == State::Hidden;
    if (accepted) {
        state_ = State::Shown;
    } else {
        state_ = retriesLeft_ > 0 ? State::Waiting : State::GaveUp;
    }
    return false;
}

bool TrayIconPresence::RetryElapsed() noexcept {
    if (state_ != State::Waiting) return false;
    --retriesLeft_;
    state_ = State::Adding;
    return true;
}

bool TrayIconPresence::TaskbarCreated() noexcept {
    if (state_ == State::Hidden || state_ == State::Adding) return false;
    state_ = State::Adding;
    retriesLeft_ = kMaxRetries;
    return true;
}

}  // namespace tarvex
