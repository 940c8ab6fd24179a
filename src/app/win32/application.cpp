#include "app/win32/application.h"

namespace tarvex {

TApplication& Application() {
    static TApplication application;
    return application;
}

int TApplication::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab and arrow-key navigation between the controls of the main window's pages.
        if (MainWindow && IsDialogMessageW(MainWindow, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace tarvex
