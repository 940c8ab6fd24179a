#include "platform/win32/timer.h"

#include <map>

#include "platform/win32/win32_error.h"
#include "platform/win32/window.h"

namespace tarvex {
namespace {

// The running timers of the UI thread by their system id.
std::map<UINT_PTR, Timer*>& RunningTimers() {
    static std::map<UINT_PTR, Timer*> timers;
    return timers;
}

}  // namespace

void Timer::Start(UINT intervalMs) {
    Stop();
    id_ = CheckWin32(SetTimer(nullptr, 0, intervalMs, Tick), "SetTimer");
    intervalMs_ = intervalMs;
    RunningTimers()[id_] = this;
}

void Timer::Stop() noexcept {
    if (id_ == 0) return;
    KillTimer(nullptr, id_);
    RunningTimers().erase(id_);
    id_ = 0;
}

void CALLBACK Timer::Tick(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    const auto found = RunningTimers().find(id);
    if (found == RunningTimers().end()) {
        KillTimer(nullptr, id);  // a tick already queued when its timer stopped
        return;
    }
    Timer* timer = found->second;
    Guarded([timer] {
        if (timer->OnTimer) timer->OnTimer();
    });
}

}  // namespace tarvex
