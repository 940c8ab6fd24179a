#pragma once
// The one main window of the program.
#include <windows.h>

#include "platform/os_version.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"

namespace tarvex {

class TTarvexMainForm : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TTarvexMainForm";
    static constexpr int kClientWidth = 633;
    static constexpr int kClientHeight = 451;
    static constexpr int kMinWidth = 632;   // outer size limits
    static constexpr int kMinHeight = 451;

    TTarvexMainForm();
    ~TTarvexMainForm() override;

    // Creates the window and runs its creation sequence; the window opens even when a
    // step of the sequence fails.
    void Create(int showCommand);

    // Pixels at 96 DPI scaled to the DPI the program runs at.
    int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    bool FormCloseQuery() { return true; }
    void FormClose();

    OsVersionInfo os_;
    int dpi_ = 96;
    UniqueFont font_;
};

}  // namespace tarvex
