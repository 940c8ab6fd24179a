#pragma once
// The message-pumping wait over the system's tick count and the UI thread's queue.
#include <cstdint>

#include "platform/waiter.h"

namespace tarvex {

void Delay(std::uint32_t milliseconds);

// The same wait as the program's Waiter.
class DelayWaiter final : public Waiter {
public:
    void Wait(std::uint32_t milliseconds) override { Delay(milliseconds); }
};

}  // namespace tarvex
