#include <windows.h>

#include "common/delay.h"

namespace tarvex {
namespace {

class SystemTicks final : public TickSource {
public:
    std::uint32_t TickCount() override { return GetTickCount(); }
};

class ThreadMessagePump final : public MessagePump {
public:
    void ProcessMessages() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Leave the quit for the message loop that owns it.
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

}  // namespace

void Delay(std::uint32_t milliseconds) {
    SystemTicks ticks;
    ThreadMessagePump pump;
    Delay(milliseconds, ticks, pump);
}

}  // namespace tarvex
