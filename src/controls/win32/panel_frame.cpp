#include "controls/win32/panel_frame.h"

#include "platform/win32/unique_handle.h"

namespace tarvex {
namespace {

// One ring after another, from the outside in: top and left in the first colour, bottom and
// right in the second.
void DrawBevel(HDC dc, RECT& rect, TBevelCut cut, int width) {
    if (cut == TBevelCut::bvNone) {
        InflateRect(&rect, -width, -width);
        return;
    }
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF topLeft = cut == TBevelCut::bvRaised ? light : dark;
    const COLORREF bottomRight = cut == TBevelCut::bvRaised ? dark : light;
    for (int i = 0; i < width && rect.right > rect.left && rect.bottom > rect.top; ++i) {
        FillSolid(dc, {rect.left, rect.top, rect.right - 1, rect.top + 1}, topLeft);
        FillSolid(dc, {rect.left, rect.top, rect.left + 1, rect.bottom - 1}, topLeft);
        FillSolid(dc, {rect.right - 1, rect.top, rect.right, rect.bottom}, bottomRight);
        FillSolid(dc, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, bottomRight);
        InflateRect(&rect, -1, -1);
    }
}

}  // namespace

COLORREF GdiColor(TColor color, COLORREF fallback) {
    if (color == kClNone || color == kClDefault) return fallback;
    if (IsSystemColor(color)) return GetSysColor(SystemColorIndex(color));
    return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    // ExtTextOut with an opaque rectangle fills without making a brush.
    const COLORREF previous = SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, previous);
}

RECT DrawPanelFrame(HDC dc, const RECT& client, const PanelFrame& frame) {
    FillSolid(dc, client, GdiColor(frame.Color, GetSysColor(COLOR_BTNFACE)));
    RECT rect = client;
    DrawBevel(dc, rect, frame.BevelOuter, frame.BevelWidth);
    InflateRect(&rect, -frame.BorderWidth, -frame.BorderWidth);
    DrawBevel(dc, rect, frame.BevelInner, frame.BevelWidth);
    return rect;
}

}  // namespace tarvex
