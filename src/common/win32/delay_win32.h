#pragma once
// The message-pumping wait over the system's tick count and the UI thread's queue.
#include <cstdint>

namespace tarvex {

void Delay(std::uint32_t milliseconds);

}  // namespace tarvex
