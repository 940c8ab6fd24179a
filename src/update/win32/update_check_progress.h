#pragma once
// The small "Update Check" window that the scheduled check shows while it asks the update
// server: a busy bar between two lines of text, centred on the screen, not closable from its
// system menu.
#include <windows.h>

#include <string_view>

#include "controls/win32/progress_bar.h"
#include "platform/win32/controls.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"

namespace tarvex {

class TUpdateCheckProgress final : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TUpdateCheckProgress";
    static constexpr int kClientWidth = 215;
    static constexpr int kClientHeight = 79;

    // Makes the hidden window with its controls.
    void Create();
    // Disables Close in the system menu, starts the bar, shows the window and paints it at once.
    void Start();
    void SetBottomText(std::string_view text);
    void StopAnimation();

    TLabel lblTop, lblBottom;
    TDProgressBar pbCheckingForUpdates;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    UniqueFont font_;
};

}  // namespace tarvex
