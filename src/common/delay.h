#pragma once
// A wait that keeps the user interface alive: long operations run on the UI thread.
#include <cstdint>

#include "platform/clock.h"

namespace tarvex {

// Pumps messages and sleeps 1 ms per round until `milliseconds` have passed; at least one
// round, safe across the tick count's wrap. Waits of 2^31 ms or more end after one round.
void Delay(std::uint32_t milliseconds, TickSource& ticks, MessagePump& pump);

}  // namespace tarvex
