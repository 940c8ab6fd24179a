#include "common/win32/delay_win32.h"

#include <windows.h>

#include "common/delay.h"
#include "platform/win32/message_loop.h"

namespace tarvex {
namespace {

class SystemTicks final : public TickSource {
public:
    std::uint32_t TickCount() override { return GetTickCount(); }
};

class ThreadMessagePump final : public MessagePump {
public:
    // A WM_QUIT is left for the message loop that owns it.
    void ProcessMessages() override { ProcessPendingMessages(); }
    void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

}  // namespace

void Delay(std::uint32_t milliseconds) {
    SystemTicks ticks;
    ThreadMessagePump pump;
    Delay(milliseconds, ticks, pump);
}

}  // namespace tarvex
