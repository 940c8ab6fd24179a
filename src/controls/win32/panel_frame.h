#pragma once
// What the program's own panels share: the frame of bevels and border, solid fills, and
// colours turned into GDI ones.
#include <windows.h>

#include "controls/html_parser.h"

namespace tarvex {

enum class TBevelCut { bvNone, bvLowered, bvRaised };

struct PanelFrame {
    TBevelCut BevelOuter = TBevelCut::bvRaised;
    TBevelCut BevelInner = TBevelCut::bvNone;
    int BevelWidth = 1;
    int BorderWidth = 0;
    TColor Color = kClSystemColor | COLOR_BTNFACE;
};

// The GDI colour of a stored colour; clNone and clDefault fall back to `fallback`.
COLORREF GdiColor(TColor color, COLORREF fallback);

void FillSolid(HDC dc, const RECT& rect, COLORREF color);

// Fills the rectangle with the frame's colour, then draws the outer bevel, the border and the
// inner bevel; returns what lies inside them (inset by the border and both bevel widths,
// whatever the bevels' styles).
RECT DrawPanelFrame(HDC dc, const RECT& client, const PanelFrame& frame);

}  // namespace tarvex
