#include "update/win32/update_check_progress.h"

#include "common/win32/window_utils.h"
#include "platform/win32/unicode.h"
#include "update/update_check_texts.h"

namespace tarvex {

void TUpdateCheckProgress::Create() {
    // A tool window without an owner: centred on the screen.
    CreateDialogFrame(kClassName, Utf8ToWide(update_texts::kUpdateCheckCaption).c_str(), kClientWidth, kClientHeight,
                      ScreenArea(), nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW);
    const int dpi = ScreenDpi();
    font_.reset(CreatePointFont(L"MS Shell Dlg 2", 8, dpi));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    const Surface at{Handle(), dpi, font_.get()};
    lblTop.Create(at, {.Text = update_texts::kCheckingForUpdates, .At = {8, 8, 201, 15}, .Style = SS_CENTER});
    pbCheckingForUpdates.Create(at, {.At = {8, 32, 201, 17}});
    pbCheckingForUpdates.SetRange(0, 100);
    pbCheckingForUpdates.SetStep(50);
    pbCheckingForUpdates.SetSpeed(50);
    lblBottom.Create(at, {.Text = update_texts::kPleaseWait, .At = {8, 56, 201, 15}, .Style = SS_CENTER});
    ApplyFormFont(Handle());
}

void TUpdateCheckProgress::Start() {
    EnableCloseCommand(Handle(), false);
    pbCheckingForUpdates.SetAnimate(true);
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
}

void TUpdateCheckProgress::SetBottomText(std::string_view text) {
    lblBottom.SetText(text);
    UpdateWindow(lblBottom.Handle());
}

void TUpdateCheckProgress::StopAnimation() {
    pbCheckingForUpdates.SetAnimate(false);
}

LRESULT TUpdateCheckProgress::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Alt+F4 asks as the system menu's Close does; the check ends the window itself.
    if (message == WM_CLOSE) return 0;
    return Window::OnMessage(message, wParam, lParam);
}

}  // namespace tarvex
