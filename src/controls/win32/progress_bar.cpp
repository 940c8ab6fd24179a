#include "controls/win32/progress_bar.h"

namespace tarvex {

TDProgressBar::TDProgressBar() {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    hasRange32_ = InitCommonControlsEx(&classes) != FALSE;
    if (!hasRange32_) {
        // The basic set, which holds the progress bar of every common controls version.
        INITCOMMONCONTROLSEX basic{sizeof basic, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&basic);
    }
}

TDProgressBar::~TDProgressBar() = default;

void TDProgressBar::Create(const Surface& surface, const ControlArgs& args) {
    args_ = args;
    if (args_.At.Width <= 0) args_.At.Width = kDefaultWidth;
    if (args_.At.Height <= 0) args_.At.Height = surface.Unscale(GetSystemMetrics(SM_CYVSCROLL));
    TControl::Create(surface, args_);
}

void TDProgressBar::SendRange(int min, int max) {
    if (hasRange32_) {
        SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min), static_cast<LPARAM>(max));
    } else {
        SendMessageW(Handle(), PBM_SETRANGE, 0, MAKELPARAM(min, max));
    }
}

void TDProgressBar::AfterCreate() {
    SendRange(values_.Min, values_.Max);
    SendMessageW(Handle(), PBM_SETSTEP, static_cast<WPARAM>(values_.Step), 0);
    SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(values_.Position), 0);
}

int TDProgressBar::Min() const {
    if (Handle() && hasRange32_) return static_cast<int>(SendMessageW(Handle(), PBM_GETRANGE, TRUE, 0));
    return values_.Min;
}

int TDProgressBar::Max() const {
    if (Handle() && hasRange32_) return static_cast<int>(SendMessageW(Handle(), PBM_GETRANGE, FALSE, 0));
    return values_.Max;
}

void TDProgressBar::SetRange(int min, int max) {
    CheckProgressRange(kClassName, min, max, hasRange32_);
    const int oldMin = Min();
    if (min == oldMin && max == Max()) return;
    if (Handle()) {
        SendRange(min, max);
        if (min < oldMin) SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(min), 0);
    }
    values_.Min = min;
    values_.Max = max;
}

int TDProgressBar::Position() const {
    if (!Handle()) return values_.Position;
    if (hasRange32_) return static_cast<int>(SendMessageW(Handle(), PBM_GETPOS, 0, 0));
    return static_cast<int>(SendMessageW(Handle(), PBM_DELTAPOS, 0, 0));
}

void TDProgressBar::SetPosition(int position) {
    CheckProgressPosition(position, hasRange32_);
    if (Handle()) {
        SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
    } else {
        values_.Position = position;
    }
}

void TDProgressBar::SetStep(int step) {
    values_.Step = step;
    if (Handle()) SendMessageW(Handle(), PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void TDProgressBar::SetSpeed(unsigned milliseconds) {
    speed_ = milliseconds;
    if (timer_) timer_->Start(speed_);
}

void TDProgressBar::SetAnimate(bool on) {
    if (on == Animate()) return;
    if (!on) {
        timer_.reset();
        return;
    }
    auto timer = std::make_unique<Timer>();
    timer->OnTimer = [this] { StepAnimation(); };
    timer->Start(speed_);
    timer_ = std::move(timer);
}

void TDProgressBar::StepAnimation() {
    SetPosition(100);
}

void TDProgressBar::SetOrientation(TDProgressBarOrientation orientation) {
    if (orientation == orientation_) return;
    orientation_ = orientation;
    Recreate();
}

void TDProgressBar::SetSmooth(bool smooth) {
    if (smooth == smooth_) return;
    smooth_ = smooth;
    Recreate();
}

// The values live on in the object and go to the new window.
void TDProgressBar::Recreate() {
    if (!Handle()) return;
    values_.Min = Min();
    values_.Max = Max();
    values_.Position = Position();
    args_.At = BoundsAt96();
    const bool visible = Visible();
    DestroyWindow(Handle());
    TControl::Create(Where(), args_);
    if (!visible) SetVisible(false);
}

}  // namespace tarvex
