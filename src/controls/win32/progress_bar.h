#pragma once
// The animated progress bar: the system's progress bar ("msctls_progress32") with the marquee
// style, whose Animate property keeps it moving on a timer as a busy indicator. Range, step and
// position are kept while no system window exists and sent to each window it gets, so they
// survive the re-creation that Orientation and Smooth cause.
//
//     TDProgressBar busy;
//     busy.Create(surface, {.Id = ids::kProgressCheck, .At = {16, 80, 150, 0}});  // height: the scroll arrow's
//     busy.SetStep(50);
//     busy.SetSpeed(50);
//     busy.SetAnimate(true);
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "controls/progress_values.h"
#include "platform/win32/controls.h"
#include "platform/win32/timer.h"

namespace tarvex {

enum class TDProgressBarOrientation { pbHorizontal, pbVertical };

class TDProgressBar : public TControl {
public:
    static constexpr char kClassName[] = "TDProgressBar";
    static constexpr int kDefaultWidth = 150;

    // Initialises the common controls' progress class; HasRange32 tells whether that worked.
    TDProgressBar();
    ~TDProgressBar() override;

    // A zero width or height takes the default: 150 wide, as high as a vertical scroll bar's arrow.
    void Create(const Surface& surface, const ControlArgs& args);

    bool HasRange32() const { return hasRange32_; }

    int Min() const;
    void SetMin(int min) { SetRange(min, Max()); }
    int Max() const;
    void SetMax(int max) { SetRange(Min(), max); }
    // Throws Error "TDProgressBar property out of range" when min exceeds max, and "Value must be
    // between 0 and 65535" for a 16-bit control; nothing changes then.
    void SetRange(int min, int max);
    int Position() const;
    void SetPosition(int position);
    int Step() const { return values_.Step; }
    void SetStep(int step);
    // The animation's interval in milliseconds.
    unsigned Speed() const { return speed_; }
    void SetSpeed(unsigned milliseconds);
    bool Animate() const { return timer_ != nullptr; }
    void SetAnimate(bool on);
    TDProgressBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TDProgressBarOrientation orientation);
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool smooth);

    // The animation timer, present only while Animate is on.
    const Timer* AnimationTimer() const { return timer_.get(); }

protected:
    const wchar_t* ClassName() const override { return PROGRESS_CLASSW; }
    DWORD KindStyle() const override { return PBS_MARQUEE; }
    void AfterCreate() override;
    // A timer tick: each position message moves the marquee on by one step.
    virtual void StepAnimation();

private:
    void SendRange(int min, int max);
    void Recreate();

    bool hasRange32_ = false;
    ProgressValues values_;
    unsigned speed_ = 50;
    TDProgressBarOrientation orientation_ = TDProgressBarOrientation::pbHorizontal;
    bool smooth_ = false;
    ControlArgs args_;
    std::unique_ptr<Timer> timer_;
};

}  // namespace tarvex
