#include "controls/win32/qm_panels.h"

#include <iterator>
#include <utility>

#include "platform/win32/unicode.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {
namespace {

TColor RgbOf(TColor color) {
    if (IsSystemColor(color)) return static_cast<TColor>(GetSysColor(SystemColorIndex(color)));
    return color;
}

RECT ClientOf(HWND window, int fallbackWidth, int fallbackHeight) {
    RECT client{0, 0, fallbackWidth, fallbackHeight};
    if (window) GetClientRect(window, &client);
    return client;
}

// Paints into an off-screen copy first, so that the panel never shows half a paint.
template <typename Paint>
void PaintBuffered(HWND window, Paint&& paint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    UniqueMemoryDc memory(CreateCompatibleDC(dc));
    UniqueBitmap buffer(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (memory && buffer) {
        SelectObjectScope selected(memory.get(), buffer.get());
        paint(memory.get());
        BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
    } else {
        paint(dc);
    }
    EndPaint(window, &ps);
}

COLORREF TopLeftPixel(const Picture& picture) {
    if (!picture.Bitmap) return 0;
    UniqueMemoryDc memory(CreateCompatibleDC(nullptr));
    SelectObjectScope selected(memory.get(), picture.Bitmap.get());
    return GetPixel(memory.get(), 0, 0);
}

Picture LoadNamed(const wchar_t* name) {
    return name ? LoadPicture(name) : Picture{};
}

}  // namespace

// ---- TQmShader --------------------------------------------------------------------------------

TQmShader::~TQmShader() = default;

void TQmShader::Create(HWND parent, int controlId, int x, int y, int width, int height) {
    RegisterWindowClass(kClassName, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
    CreateHandle(kClassName, Utf8ToWide(caption_).c_str(), WS_CHILD | WS_VISIBLE, 0, x, y, width, height, parent,
                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)));
}

template <typename T>
void TQmShader::Change(T& field, T value) {
    if (field == value) return;
    field = value;
    if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TQmShader::SetFromColor(TColor color) {
    Change(colors_.From, color);
}
void TQmShader::SetToColor(TColor color) {
    Change(colors_.To, color);
}
void TQmShader::SetFromColorMirror(TColor color) {
    Change(colors_.FromMirror, color);
}
void TQmShader::SetToColorMirror(TColor color) {
    Change(colors_.ToMirror, color);
}
void TQmShader::SetSteps(std::uint16_t steps) {
    Change(steps_, steps);
}
void TQmShader::SetDirection(bool leftToRight) {
    Change(direction_, leftToRight);
}
void TQmShader::SetAlignment(TAlignment alignment) {
    Change(alignment_, alignment);
}
void TQmShader::SetColor(TColor color) {
    Change(color_, color);
}
void TQmShader::SetFontColor(TColor color) {
    Change(fontColor_, color);
}

void TQmShader::SetCaption(const std::string& caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    if (!Handle()) return;
    SetWindowTextW(Handle(), Utf8ToWide(caption_).c_str());
    InvalidateRect(Handle(), nullptr, FALSE);
}

RECT TQmShader::ClientRect() const {
    return ClientOf(Handle(), 185, 41);
}

void TQmShader::PaintTo(HDC dc) {
    const RECT client = ClientRect();
    if (colors_.From == kClNone) FillSolid(dc, client, GdiColor(color_, GetSysColor(COLOR_BTNFACE)));
    const auto bands = ShaderBands({client.left, client.top, client.right, client.bottom}, colors_, direction_, RgbOf);
    for (const GradientBand& band : bands)
        FillSolid(dc, {band.Area.Left, band.Area.Top, band.Area.Right, band.Area.Bottom}, band.Color);

    const std::wstring caption = Utf8ToWide(caption_);
    if (caption.empty()) return;
    HFONT font = Handle() ? reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)) : nullptr;
    SelectObjectScope selected(dc, font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    const int mode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previous = SetTextColor(dc, GdiColor(fontColor_, GetSysColor(COLOR_BTNTEXT)));
    const UINT align = alignment_ == TAlignment::taLeftJustify    ? DT_LEFT
                       : alignment_ == TAlignment::taRightJustify ? DT_RIGHT
                                                                  : DT_CENTER;
    RECT box = client;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box, DT_SINGLELINE | DT_VCENTER | align);
    SetTextColor(dc, previous);
    SetBkMode(dc, mode);
}

LRESULT TQmShader::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            PaintBuffered(Handle(), [this](HDC dc) { PaintTo(dc); });
            return 0;
        case WM_PRINTCLIENT:
            PaintTo(reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            return Window::OnMessage(message, wParam, lParam);
    }
}

// ---- TQmHeader --------------------------------------------------------------------------------

const wchar_t* HeaderPictureName(THeaderStyle style) {
    switch (style) {
        case THeaderStyle::hsDarkBlue:
            return L"QM_HEADER_BKGND_3";
        case THeaderStyle::hsLightBlue:
            return L"QM_HEADER_BKGND_2";
        case THeaderStyle::hsVelmar:
            return L"QM_HEADER_BKGND_4";
        case THeaderStyle::hsNone:
            break;
    }
    return nullptr;
}

const wchar_t* HeaderPictureName(THeaderBackgroundStyle style) {
    switch (style) {
        case THeaderBackgroundStyle::hbsStripes1:
            return L"QM_HEADER_BACKGROUND_1";
        case THeaderBackgroundStyle::hbsStripes2:
            return L"QM_HEADER_BACKGROUND_2";
        case THeaderBackgroundStyle::hbsLines:
            return L"QM_HEADER_BACKGROUND_3";
        case THeaderBackgroundStyle::hbsCurves:
            return L"QM_HEADER_BACKGROUND_4";
        case THeaderBackgroundStyle::hbsWaves:
            return L"QM_HEADER_BACKGROUND_5";
        case THeaderBackgroundStyle::hbsNone:
            break;
    }
    return nullptr;
}

const wchar_t* HeaderPictureName(THeaderTexture texture) {
    static const wchar_t* const kNames[] = {nullptr,
                                            L"QM_HEADER_TEXTURE_GEOMETRIC",
                                            L"QM_HEADER_TEXTURE_GRAIN",
                                            L"QM_HEADER_TEXTURE_GRID",
                                            L"QM_HEADER_TEXTURE_GRID1",  // htGrid2
                                            L"QM_HEADER_TEXTURE_GRID2",  // htGrid3
                                            L"QM_HEADER_TEXTURE_LINES",
                                            L"QM_HEADER_TEXTURE_STRIPES",
                                            L"QM_HEADER_TEXTURE_PAPER",
                                            L"QM_HEADER_TEXTURE_SQUARE",
                                            L"QM_HEADER_TEXTURE_DOT",
                                            L"QM_HEADER_TEXTURE_METAL"};
    const auto index = static_cast<std::size_t>(texture);
    return index < std::size(kNames) ? kNames[index] : nullptr;
}

const wchar_t* HeaderPictureName(THeaderSeparator separator) {
    return separator == THeaderSeparator::hspShadow ? L"QM_SHADOW_DIVIDER_1" : nullptr;
}

TQmHeader::TQmHeader() {
    SetStyle(THeaderStyle::hsDarkBlue);
    SetBackgroundStyle(THeaderBackgroundStyle::hbsStripes1);
    SetHeaderTexture(THeaderTexture::htNone);
    SetHeaderSeparator(THeaderSeparator::hspShadow);
}

TQmHeader::~TQmHeader() = default;

void TQmHeader::Create(HWND parent, int controlId, int x, int y, int width, int height) {
    RegisterWindowClass(kClassName, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
    CreateHandle(kClassName, L"", WS_CHILD | WS_VISIBLE, 0, x, y, width, height, parent,
                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)));
}

void TQmHeader::Repaint() {
    if (Handle()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TQmHeader::SetStyle(THeaderStyle style) {
    style_ = style;
    strip_ = LoadNamed(HeaderPictureName(style));
    fillColor_ = TopLeftPixel(strip_);
    Repaint();
}

void TQmHeader::SetBackgroundStyle(THeaderBackgroundStyle style) {
    backgroundStyle_ = style;
    background_ = LoadNamed(HeaderPictureName(style));
    Repaint();
}

void TQmHeader::SetHeaderTexture(THeaderTexture texture) {
    texture_ = texture;
    texturePicture_ = LoadNamed(HeaderPictureName(texture));
    Repaint();
}

void TQmHeader::SetHeaderSeparator(THeaderSeparator separator) {
    separator_ = separator;
    separatorPicture_ = LoadNamed(HeaderPictureName(separator));
    Repaint();
}

RECT TQmHeader::ClientRect() const {
    return ClientOf(Handle(), 185, 41);
}

void TQmHeader::PaintTo(HDC dc) {
    const RECT client = ClientRect();
    const int width = client.right;
    const int height = client.bottom;
    if (strip_.Bitmap) {
        FillSolid(dc, client, fillColor_);
        UniqueMemoryDc memory(CreateCompatibleDC(dc));
        SelectObjectScope selected(memory.get(), strip_.Bitmap.get());
        const int mode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, height - strip_.Height, width, strip_.Height, memory.get(), 0, 0, strip_.Width, strip_.Height,
                   SRCCOPY);
        SetStretchBltMode(dc, mode);
    } else {
        // No strip: the panel's own face colour under the pictures.
        FillSolid(dc, client, GetSysColor(COLOR_BTNFACE));
    }
    if (background_.Width > 0) DrawPicture(dc, background_, 0, height - background_.Height);
    if (texturePicture_.Width > 0 && texturePicture_.Height > 0) {
        for (int y = 0; y < height; y += texturePicture_.Height)
            for (int x = 0; x < width; x += texturePicture_.Width) DrawPicture(dc, texturePicture_, x, y);
    }
    if (separatorPicture_.Width > 0) DrawPicture(dc, separatorPicture_, -100, height - separatorPicture_.Height);
}

LRESULT TQmHeader::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: {
            // Nothing is erased for the panel itself (the paint covers it); a child that asks
            // for the background under it (an HTML label) gets it painted.
            const auto dc = reinterpret_cast<HDC>(wParam);
            if (WindowFromDC(dc) != Handle()) PaintTo(dc);
            return 1;
        }
        case WM_PAINT:
            PaintBuffered(Handle(), [this](HDC dc) { PaintTo(dc); });
            return 0;
        case WM_PRINTCLIENT:
            PaintTo(reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            return Window::OnMessage(message, wParam, lParam);
    }
}

}  // namespace tarvex
