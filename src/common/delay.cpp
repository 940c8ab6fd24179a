#include "common/delay.h"

namespace tarvex {

void Delay(std::uint32_t milliseconds, TickSource& ticks, MessagePump& pump) {
    const std::uint32_t start = ticks.TickCount();
    // The elapsed time is an unsigned difference, so the wrap after 49.7 days is harmless;
    // the comparison is signed, so waits of 2^31 ms or more look negative and end at once.
    const auto target = static_cast<std::int32_t>(milliseconds);
    for (;;) {
        const std::uint32_t now = ticks.TickCount();
        pump.ProcessMessages();
        pump.Sleep(1);
        if (static_cast<std::int32_t>(now - start) >= target) return;
    }
}

}  // namespace tarvex
