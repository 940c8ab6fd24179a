#pragma once
// Creating standard controls from layouts written in 96-DPI pixels.
#include <windows.h>

namespace tarvex {

struct ControlFactory {
    int Dpi = 96;
    HFONT Font = nullptr;

    int Scale(int pixels) const { return MulDiv(pixels, Dpi, 96); }
    // x, y, width and height at 96 DPI; the control gets the factory's font.
    HWND Create(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width, int height,
                HWND parent, int id, DWORD exStyle = 0) const;
};

// A font of a face, point size and weight at a DPI, owned by the caller.
HFONT CreatePointFont(const wchar_t* face, int points, int dpi, bool bold = false);

// The screen's DPI.
int ScreenDpi();

}  // namespace tarvex
