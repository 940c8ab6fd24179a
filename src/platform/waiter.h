#pragma once
// Port: a wait of the user-interface thread that keeps its window alive. Tests record the waits
// instead of sleeping; the program uses PumpingWaiter.
#include <cstdint>

#include "common/delay.h"
#include "platform/clock.h"

namespace tarvex {

class Waiter {
public:
    virtual ~Waiter() = default;
    virtual void Wait(std::uint32_t milliseconds) = 0;
};

// The message-pumping delay over the tick and pump ports.
class PumpingWaiter final : public Waiter {
public:
    PumpingWaiter(TickSource& ticks, MessagePump& pump) : ticks_(ticks), pump_(pump) {}
    void Wait(std::uint32_t milliseconds) override { Delay(milliseconds, ticks_, pump_); }

private:
    TickSource& ticks_;
    MessagePump& pump_;
};

}  // namespace tarvex
