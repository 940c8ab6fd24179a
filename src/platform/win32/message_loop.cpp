#include "platform/win32/message_loop.h"

#include "platform/win32/controls.h"

namespace tarvex {

void DispatchThreadMessage(MSG& msg) {
    if (msg.hwnd && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
        if (TurnPageOfFocus(msg)) return;
        // Dialog navigation of the top-level window the key is meant for (main window,
        // dialogs, wizard): all of them are created with WS_EX_CONTROLPARENT.
        const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (root && (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && IsDialogMessageW(root, &msg))
            return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        DispatchThreadMessage(msg);
    }
    return true;
}

void RunModalLoop(const bool& done, HWND window) {
    MSG msg;
    while (!done && IsWindow(window)) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        DispatchThreadMessage(msg);
    }
}

namespace {

struct DisableContext {
    HWND Except;
    std::vector<HWND>* Disabled;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM lParam) {
    auto& context = *reinterpret_cast<DisableContext*>(lParam);
    if (window != context.Except && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        context.Disabled->push_back(window);
    }
    return TRUE;
}

}  // namespace

OtherWindowsDisabled::OtherWindowsDisabled(HWND except) {
    DisableContext context{except, &disabled_};
    EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&context));
}

OtherWindowsDisabled::~OtherWindowsDisabled() {
    for (HWND window : disabled_)
        if (IsWindow(window)) EnableWindow(window, TRUE);
}

}  // namespace tarvex
