// The program's own controls under Wine: the history graph, the shader and header panels and
// the animated progress bar, painted into memory DIBs and read back pixel by pixel.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/error.h"
#include "controls/band_gradient.h"
#include "controls/win32/overload_indicator.h"
#include "controls/win32/progress_bar.h"
#include "controls/win32/qm_panels.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {
namespace {

// A 32-bit top-down DIB in a memory DC.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<const std::uint32_t*>(bits);
        previous_ = SelectObject(dc_.get(), bitmap_.get());
        RECT all{0, 0, width, height};
        FillRect(dc_.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    ~Canvas() { SelectObject(dc_.get(), previous_); }
    HDC Dc() const { return dc_.get(); }
    COLORREF Pixel(int x, int y) const {
        GdiFlush();
        const std::uint32_t v = bits_[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    int width_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    const std::uint32_t* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// The pixel of a picture's premultiplied 32-bit DIB: colour and alpha.
struct Premultiplied {
    int R, G, B, A;
};
Premultiplied PicturePixel(const Picture& picture, int x, int y) {
    DIBSECTION section{};
    GetObjectW(picture.Bitmap.get(), sizeof section, &section);
    const auto* bits = static_cast<const std::uint8_t*>(section.dsBm.bmBits);
    const std::uint8_t* p = bits + (static_cast<std::size_t>(y) * picture.Width + x) * 4;
    return {p[2], p[1], p[0], p[3]};
}

// What AlphaBlend makes of a premultiplied pixel over a colour.
COLORREF Blend(Premultiplied source, COLORREF under) {
    const auto over = [&source](int s, int d) { return s + d * (255 - source.A) / 255; };
    return RGB(over(source.R, GetRValue(under)), over(source.G, GetGValue(under)), over(source.B, GetBValue(under)));
}

bool Near(COLORREF a, COLORREF b, int tolerance = 2) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string Hex(COLORREF c) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
}

class QmControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(parent_);
    }
    void TearDown() override { DestroyWindow(parent_); }
    HWND parent_ = nullptr;
};

// ---- TOverloadIndicator ---------------------------------------------------------------------

TEST_F(QmControlsTest, GraphPixelsMatchTheBars) {
    TOverloadIndicator graph;
    graph.Create(parent_, 1, 0, 0, 20, 10);
    graph.SetFrame({.BevelOuter = TBevelCut::bvNone, .BevelWidth = 0, .BorderWidth = 0});
    graph.SetForegroundColor(0x000080);  // clMaroon
    graph.SetHistoryTickWidth(2);        // 20 / 2: ten bars
    Canvas first(20, 10);
    graph.PaintTo(first.Dc());  // the first paint lays the history out for the width
    ASSERT_EQ(graph.HistoryCapacity(), 10);
    const int values[] = {0, 10, 20, 30, 40, 50, 60, 70, 100, 250};
    for (const int v : values) graph.SetPosition(v);
    Canvas canvas(20, 10);
    graph.PaintTo(canvas.Dc());
    for (int x = 0; x < 20; ++x) {
        const int bar = graph.History().BarHeight(values[x / 2], 10);
        for (int y = 0; y < 10; ++y) {
            const COLORREF expected = y >= 10 - bar ? RGB(128, 0, 0) : RGB(255, 255, 255);
            ASSERT_EQ(canvas.Pixel(x, y), expected) << x << "," << y;
        }
    }
    // A disabled graph shows the empty background.
    EnableWindow(graph.Handle(), FALSE);
    Canvas disabled(20, 10);
    graph.PaintTo(disabled.Dc());
    EXPECT_EQ(disabled.Pixel(17, 9), RGB(255, 255, 255));
}

TEST_F(QmControlsTest, ConnectionStateGraphDrawsFrameAndBars) {
    TOverloadIndicator graph;
    graph.Create(parent_, 1, 8, 224, 297, 50);
    graph.SetFrame({.BevelOuter = TBevelCut::bvLowered, .BevelWidth = 1, .BorderWidth = 0});
    graph.SetForegroundColor(0x800000);  // clNavy
    graph.SetHistoryCapacity(293);
    graph.SetHistoryTickWidth(1);
    graph.SetPosition(22);
    Canvas first(297, 50);
    graph.PaintTo(first.Dc());
    EXPECT_EQ(graph.HistoryCapacity(), 293);
    EXPECT_EQ(graph.History().Values(), std::vector<int>(293, 0));  // the width changed: cleared
    for (int i = 0; i < 293; ++i) graph.SetPosition(i % 2 ? 100 : 0);
    Canvas canvas(297, 50);
    graph.PaintTo(canvas.Dc());
    // Lowered: shadow top and left, highlight bottom and right.
    EXPECT_EQ(canvas.Pixel(0, 10), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(canvas.Pixel(100, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(canvas.Pixel(296, 10), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(canvas.Pixel(100, 49), GetSysColor(COLOR_BTNHIGHLIGHT));
    // The graph area from (2, 2) to (295, 48): the oldest bar (0) at the left, the newest (100)
    // at the right, full height.
    for (int y = 2; y < 48; ++y) {
        ASSERT_EQ(canvas.Pixel(2, y), RGB(255, 255, 255)) << y;
        ASSERT_EQ(canvas.Pixel(3, y), RGB(0, 0, 128)) << y;
        ASSERT_EQ(canvas.Pixel(293, y), RGB(0, 0, 128)) << y;
        ASSERT_EQ(canvas.Pixel(294, y), RGB(255, 255, 255)) << y;  // the newest, 0
    }
}

TEST_F(QmControlsTest, GraphTimerAsksForDataOnlyWhenAutoQueryIsOn) {
    TOverloadIndicator graph;
    graph.Create(parent_, 1, 0, 0);
    EXPECT_TRUE(graph.QueryTimer().Running());
    EXPECT_EQ(graph.QueryTimer().Interval(), 500u);
    graph.SetSpeedTPS(50);
    EXPECT_EQ(graph.QueryTimer().Interval(), 20u);
    int asked = 0;
    graph.OnDataNeed = [&asked](int& position) {
        ++asked;
        position = 77;
    };
    PumpFor(120);
    EXPECT_EQ(asked, 0);
    graph.SetAutoQueryData(true);
    PumpFor(200);
    EXPECT_GT(asked, 0);
    EXPECT_EQ(graph.Position(), 77);
    EXPECT_EQ(graph.History().Values().back(), 77);
}

// ---- TQmShader ----------------------------------------------------------------------------

TEST_F(QmControlsTest, ShaderPaintsTheBands) {
    TQmShader shader;
    shader.Create(parent_, 1, 0, 0, 177, 40);
    EXPECT_EQ(shader.Version(), "1.4.0.0");
    shader.SetFromColor(0xFFF2D7);
    shader.SetToColor(kClWhite);
    shader.SetDirection(true);
    Canvas canvas(177, 40);
    shader.PaintTo(canvas.Dc());
    const auto bands = BandGradient({0, 0, 177, 40}, 0xFFF2D7, kClWhite, 128, GradientDirection::LeftToRight);
    EXPECT_EQ(canvas.Pixel(0, 20), RGB(215, 242, 255));
    for (const GradientBand& band : bands) {
        // Bands overlap by a pixel: the later one shows at its own left edge.
        ASSERT_EQ(canvas.Pixel(band.Area.Left, 5), static_cast<COLORREF>(band.Color)) << band.Area.Left;
    }

    // Halves: top to bottom, the second half from the mirror colour towards white (clNone).
    shader.SetDirection(false);
    shader.SetFromColor(kClBlack);
    shader.SetToColor(kClBlack);
    shader.SetFromColorMirror(kClBlack);
    Canvas halves(177, 40);
    shader.PaintTo(halves.Dc());
    const auto halfBands = ShaderBands({0, 0, 177, 40}, {kClBlack, kClBlack, kClBlack, kClNone}, false, nullptr);
    for (int y = 0; y < 40; ++y) {
        // The band painted last over a row shows there.
        COLORREF expected = 0;
        for (const GradientBand& band : halfBands)
            if (y >= band.Area.Top && y < band.Area.Bottom) expected = band.Color;
        ASSERT_EQ(halves.Pixel(5, y), expected) << y;
    }
    EXPECT_EQ(halves.Pixel(5, 19), RGB(0, 0, 0));
    EXPECT_GT(GetRValue(halves.Pixel(5, 39)), 240);  // near white at the bottom

    // No gradient: the panel's colour and the caption over it.
    shader.SetFromColor(kClNone);
    shader.SetColor(0x203040);
    shader.SetFontColor(kClWhite);
    shader.SetCaption("WWWWWWWW");
    Canvas plain(177, 40);
    shader.PaintTo(plain.Dc());
    EXPECT_EQ(plain.Pixel(2, 2), RGB(0x40, 0x30, 0x20));
    int ink = 0;
    for (int x = 0; x < 177; ++x) ink += plain.Pixel(x, 20) != RGB(0x40, 0x30, 0x20);
    EXPECT_GT(ink, 10);  // centred caption drawn
}

TEST_F(QmControlsTest, ShaderRepaintsOnlyOnChange) {
    TQmShader shader;
    shader.Create(parent_, 1, 0, 0, 50, 50);
    ShowWindow(parent_, SW_SHOW);
    const auto pending = [&shader] {
        RECT r;
        return GetUpdateRect(shader.Handle(), &r, FALSE) != FALSE;
    };
    ValidateRect(shader.Handle(), nullptr);
    shader.SetFromColor(shader.FromColor());
    shader.SetSteps(shader.Steps());
    shader.SetDirection(shader.Direction());
    EXPECT_FALSE(pending());
    shader.SetSteps(30);
    EXPECT_TRUE(pending());
    ValidateRect(shader.Handle(), nullptr);
    shader.SetToColorMirror(kClWhite);
    EXPECT_TRUE(pending());
}

// ---- TQmHeader ----------------------------------------------------------------------------

TEST_F(QmControlsTest, HeaderLoadsItsPicturesOnceAndPaintsTheStrip) {
    TQmHeader header;
    EXPECT_EQ(header.StripPicture().Width, 1);
    EXPECT_EQ(header.StripPicture().Height, 96);
    EXPECT_EQ(header.BackgroundPicture().Width, 1329);
    EXPECT_EQ(header.BackgroundPicture().Height, 295);
    EXPECT_FALSE(header.TexturePicture().Bitmap);
    EXPECT_EQ(header.SeparatorPicture().Width, 918);
    EXPECT_EQ(header.FillColor(), RGB(61, 122, 199));

    // Every picture of the table is there at its size.
    const struct {
        THeaderTexture Texture;
        int Size;
    } textures[] = {{THeaderTexture::htGrain, 64},  {THeaderTexture::htGrid, 64},      {THeaderTexture::htGrid2, 56},
                    {THeaderTexture::htGrid3, 50},  {THeaderTexture::htLines, 64},     {THeaderTexture::htStripes, 64},
                    {THeaderTexture::htPaper, 100}, {THeaderTexture::htSquare, 20},    {THeaderTexture::htDot, 8},
                    {THeaderTexture::htMetal, 8},   {THeaderTexture::htGeometric, 200}};
    for (const auto& t : textures) {
        header.SetHeaderTexture(t.Texture);
        EXPECT_EQ(header.TexturePicture().Height, t.Size) << static_cast<int>(t.Texture);
    }
    const struct {
        THeaderBackgroundStyle Style;
        int Width, Height;
    } backgrounds[] = {{THeaderBackgroundStyle::hbsStripes2, 1329, 295},
                       {THeaderBackgroundStyle::hbsLines, 879, 250},
                       {THeaderBackgroundStyle::hbsCurves, 920, 260},
                       {THeaderBackgroundStyle::hbsWaves, 1300, 214}};
    for (const auto& b : backgrounds) {
        header.SetBackgroundStyle(b.Style);
        EXPECT_EQ(header.BackgroundPicture().Width, b.Width);
        EXPECT_EQ(header.BackgroundPicture().Height, b.Height);
    }
    const struct {
        THeaderStyle Style;
        int Width, Height;
        COLORREF Top;
    } strips[] = {{THeaderStyle::hsLightBlue, 6, 112, RGB(250, 250, 251)},
                  {THeaderStyle::hsVelmar, 4, 98, RGB(25, 93, 163)}};
    for (const auto& s : strips) {
        header.SetStyle(s.Style);
        EXPECT_EQ(header.StripPicture().Width, s.Width);
        EXPECT_EQ(header.StripPicture().Height, s.Height);
        EXPECT_EQ(header.FillColor(), s.Top);
    }

    // 73 high with the dark blue strip: it starts at y -23, so its top colour does not show.
    header.SetStyle(THeaderStyle::hsDarkBlue);
    header.SetBackgroundStyle(THeaderBackgroundStyle::hbsNone);
    header.SetHeaderTexture(THeaderTexture::htNone);
    header.SetHeaderSeparator(THeaderSeparator::hspNone);
    EXPECT_FALSE(header.BackgroundPicture().Bitmap);
    header.Create(parent_, 1, 0, 0, 200, 73);
    Canvas canvas(200, 73);
    header.PaintTo(canvas.Dc());
    UniqueMemoryDc strip(CreateCompatibleDC(nullptr));
    {
        SelectObjectScope selected(strip.get(), header.StripPicture().Bitmap.get());
        EXPECT_EQ(canvas.Pixel(100, 0), GetPixel(strip.get(), 0, 23));
        EXPECT_EQ(canvas.Pixel(7, 72), GetPixel(strip.get(), 0, 95));
    }
    EXPECT_NE(canvas.Pixel(100, 0), RGB(61, 122, 199));

    // Taller than the strip: the fill colour above it.
    SetWindowPos(header.Handle(), nullptr, 0, 0, 200, 120, SWP_NOZORDER | SWP_NOMOVE);
    Canvas tall(200, 120);
    header.PaintTo(tall.Dc());
    EXPECT_EQ(tall.Pixel(5, 5), RGB(61, 122, 199));
}

TEST_F(QmControlsTest, HeaderBlendsTexturesAndTheSeparator) {
    TQmHeader header;
    header.SetBackgroundStyle(THeaderBackgroundStyle::hbsNone);
    header.SetHeaderTexture(THeaderTexture::htDot);
    header.Create(parent_, 1, 0, 0, 200, 73);
    Canvas canvas(200, 73);
    header.PaintTo(canvas.Dc());
    UniqueMemoryDc strip(CreateCompatibleDC(nullptr));
    SelectObjectScope selected(strip.get(), header.StripPicture().Bitmap.get());
    // The 8 x 8 dot repeats every 8 pixels, blended over the strip.
    const Premultiplied dot = PicturePixel(header.TexturePicture(), 3, 3);
    ASSERT_GT(dot.A, 0);
    for (const POINT p : {POINT{3, 3}, POINT{11, 3}, POINT{195, 43}}) {
        const COLORREF under = GetPixel(strip.get(), 0, p.y + 23);
        EXPECT_TRUE(Near(canvas.Pixel(p.x, p.y), Blend(dot, under))) << p.x << "," << p.y;
    }
    // The shadow line lies on the bottom edge from x -100: its column 100 is the panel's column 0.
    const Premultiplied shadow = PicturePixel(header.SeparatorPicture(), 150, 11);
    ASSERT_GT(shadow.A, 0);
    const COLORREF under = GetPixel(strip.get(), 0, 95);
    EXPECT_TRUE(Near(canvas.Pixel(50, 72), Blend(shadow, under)))
        << Hex(canvas.Pixel(50, 72)) << " " << Hex(Blend(shadow, under));

    // No style: the face colour under the pictures, never a failure.
    header.SetStyle(THeaderStyle::hsNone);
    header.SetHeaderTexture(THeaderTexture::htNone);
    header.SetHeaderSeparator(THeaderSeparator::hspNone);
    Canvas none(200, 73);
    header.PaintTo(none.Dc());
    EXPECT_EQ(none.Pixel(0, 0), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(none.Pixel(199, 72), GetSysColor(COLOR_BTNFACE));
}

// ---- TDProgressBar ------------------------------------------------------------------------

// The position messages that reach a system progress bar. With the marquee style the system
// control moves its block on each one and keeps no position of its own that could be read
// back everywhere (Wine keeps the first), so the messages are what shows.
class PositionLog {
public:
    explicit PositionLog(HWND bar) : bar_(bar) {
        SetWindowSubclass(bar_, Proc, kId, reinterpret_cast<DWORD_PTR>(this));
    }
    ~PositionLog() { RemoveWindowSubclass(bar_, Proc, kId); }
    std::vector<int> Positions;

private:
    static constexpr UINT_PTR kId = 0x7E57;
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
        if (message == PBM_SETPOS) reinterpret_cast<PositionLog*>(data)->Positions.push_back(static_cast<int>(wParam));
        return DefSubclassProc(window, message, wParam, lParam);
    }
    HWND bar_;
};

TEST_F(QmControlsTest, ProgressBarKeepsItsValuesWithoutAndWithAWindow) {
    TDProgressBar bar;
    EXPECT_TRUE(bar.HasRange32());
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Step(), 100);
    EXPECT_EQ(bar.Speed(), 50u);
    bar.SetRange(10, 50);
    bar.SetPosition(20);
    bar.SetStep(7);
    EXPECT_EQ(bar.Min(), 10);
    EXPECT_EQ(bar.Position(), 20);
    bar.Create({parent_, 96, nullptr}, {.Id = 5, .At = {8, 8, 0, 0}});
    ASSERT_TRUE(bar.Handle());
    EXPECT_TRUE(GetWindowLongPtrW(bar.Handle(), GWL_STYLE) & PBS_MARQUEE);
    RECT rect;
    GetWindowRect(bar.Handle(), &rect);
    EXPECT_EQ(rect.right - rect.left, 150);
    EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYVSCROLL));
    EXPECT_EQ(SendMessageW(bar.Handle(), PBM_GETRANGE, TRUE, 0), 10);
    EXPECT_EQ(SendMessageW(bar.Handle(), PBM_GETRANGE, FALSE, 0), 50);

    // Min above Max: the error, and nothing changes.
    try {
        bar.SetRange(60, 50);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "TDProgressBar property out of range");
    }
    EXPECT_THROW(bar.SetMin(51), Error);
    EXPECT_EQ(bar.Min(), 10);
    EXPECT_EQ(bar.Max(), 50);

    {
        // Lowering Min below its old value moves the position there; raising it does not.
        PositionLog log(bar.Handle());
        bar.SetPosition(30);
        bar.SetMin(5);
        bar.SetMin(8);
        bar.SetMax(60);
        EXPECT_EQ(log.Positions, (std::vector<int>{30, 5}));
    }
    EXPECT_EQ(bar.Min(), 8);
    EXPECT_EQ(bar.Max(), 60);

    // A new window for a new orientation or smoothness, with the same values.
    const HWND before = bar.Handle();
    bar.SetOrientation(TDProgressBarOrientation::pbVertical);
    EXPECT_NE(bar.Handle(), before);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_EQ(bar.Min(), 8);
    EXPECT_EQ(bar.Max(), 60);
    const HWND second = bar.Handle();
    bar.SetOrientation(TDProgressBarOrientation::pbVertical);  // unchanged: the same window
    EXPECT_EQ(bar.Handle(), second);
    bar.SetSmooth(true);
    EXPECT_NE(bar.Handle(), second);
    EXPECT_EQ(SendMessageW(bar.Handle(), PBM_GETRANGE, FALSE, 0), 60);
    EXPECT_EQ(bar.Step(), 7);
}

TEST_F(QmControlsTest, ProgressBarAnimatesOnOneTimer) {
    TDProgressBar bar;
    bar.Create({parent_, 96, nullptr}, {.Id = 5, .At = {8, 8, 433, 17}});
    EXPECT_FALSE(bar.Animate());
    EXPECT_EQ(bar.AnimationTimer(), nullptr);
    PositionLog log(bar.Handle());
    bar.SetSpeed(30);
    bar.SetAnimate(true);
    const Timer* timer = bar.AnimationTimer();
    ASSERT_NE(timer, nullptr);
    bar.SetAnimate(true);
    EXPECT_EQ(bar.AnimationTimer(), timer);  // still the one timer
    EXPECT_EQ(timer->Interval(), 30u);
    bar.SetSpeed(50);
    EXPECT_EQ(timer->Interval(), 50u);  // at once
    PumpFor(300);
    // Each tick sends the position 100, which moves the marquee a step.
    EXPECT_GE(log.Positions.size(), 2u);
    EXPECT_EQ(std::count(log.Positions.begin(), log.Positions.end(), 100), static_cast<long>(log.Positions.size()));
    bar.SetAnimate(false);
    EXPECT_EQ(bar.AnimationTimer(), nullptr);
    const std::size_t ticks = log.Positions.size();
    PumpFor(120);
    EXPECT_EQ(log.Positions.size(), ticks);  // still
}

}  // namespace
}  // namespace tarvex
