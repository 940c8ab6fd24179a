#include "platform/win32/controls.h"

namespace tarvex {

HWND ControlFactory::Create(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                            int height, HWND parent, int id, DWORD exStyle) const {
    HWND control = CreateWindowExW(exStyle, className, text, style | WS_CHILD, Scale(x), Scale(y), Scale(width),
                                   Scale(height), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control && Font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
    return control;
}

HFONT CreatePointFont(const wchar_t* face, int points, int dpi, bool bold) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(points, dpi, 72);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

}  // namespace tarvex
