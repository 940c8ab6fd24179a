#include "app/win32/application.h"

#include "platform/win32/message_loop.h"

namespace tarvex {

TApplication& Application() {
    static TApplication application;
    return application;
}

int TApplication::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchThreadMessage(msg);
    return 0;
}

}  // namespace tarvex
