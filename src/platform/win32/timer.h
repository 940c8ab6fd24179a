#pragma once
// A timer owned by the object that sets it: it stops when the object dies, so no tick ever
// reaches freed memory. Ticks arrive through the thread's message loop (a thread timer,
// no window needed) and run OnTimer under the exception guard.
#include <windows.h>

#include <functional>

#include "common/life_guard.h"

namespace tarvex {

class Timer {
public:
    Timer() = default;
    ~Timer() { Stop(); }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // (Re)starts with an interval; throws Win32Error when the system has no timer left.
    void Start(UINT intervalMs);
    void Stop() noexcept;
    bool Running() const noexcept { return id_ != 0; }
    UINT Interval() const noexcept { return intervalMs_; }

    std::function<void()> OnTimer;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) noexcept;
    UINT_PTR id_ = 0;
    UINT intervalMs_ = 0;
};

}  // namespace tarvex
