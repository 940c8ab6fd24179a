#pragma once
// Ports for time: the 32-bit system tick count and the message-pumping wait.
#include <cstdint>

namespace tarvex {

class TickSource {
public:
    virtual ~TickSource() = default;
    virtual std::uint32_t TickCount() = 0;  // milliseconds since the system started, wraps after 49.7 days
};

class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual void ProcessMessages() = 0;  // runs every pending window message
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace tarvex
