#include "controls/win32/html_label.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/win32/unicode.h"
#include "platform/win32/shell.h"

namespace tarvex {
namespace {

// Font heights are kept within what GDI rasterises in reasonable time; a caption may ask for
// any size.
constexpr int kMaxFontHeight = 4096;

// The one place a link reaches the shell: only web and mail addresses get there.
void ShellOpen(HWND owner, const std::string& address) {
    if (!IsWebOrMailAddress(address)) return;
    // The result is not examined: a link that does not open leaves nothing to do.
    tarvex::ShellOpen(owner, address);
}

int PointsFromHeight(int height, int dpi) {
    return MulDiv(height, 72, dpi);
}

// Signed client coordinates of a mouse message (<windowsx.h> would clash with SelectFont).
int MouseX(LPARAM lParam) {
    return static_cast<short>(LOWORD(lParam));
}
int MouseY(LPARAM lParam) {
    return static_cast<short>(HIWORD(lParam));
}

}  // namespace

std::optional<COLORREF> ResolveColor(TColor color) {
    if (color == kClNone) return std::nullopt;
    if (color == kClDefault) return GetSysColor(COLOR_WINDOWTEXT);
    if (IsSystemColor(color)) return GetSysColor(SystemColorIndex(color));
    return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

// ---------------------------------------------------------------------------------------------

TGdiTextMeasurer::TGdiTextMeasurer() {
    HDC screen = GetDC(nullptr);
    dc_.reset(CreateCompatibleDC(screen));
    if (screen) {
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    if (dpi_ <= 0) dpi_ = 96;
    if (dc_) {
        SetBkMode(dc_.get(), TRANSPARENT);
        originalFont_ = GetCurrentObject(dc_.get(), OBJ_FONT);
    }
}

TGdiTextMeasurer::~TGdiTextMeasurer() {
    // The cached fonts are deleted after this; none may still be selected.
    if (dc_) SelectObject(dc_.get(), originalFont_);
}

HFONT TGdiTextMeasurer::Font(const FontSpec& font) {
    FontKey key{font.Name, font.Size, font.Style.Bits()};
    if (const auto found = fonts_.find(key); found != fonts_.end()) return found->second.get();
    if (fonts_.size() >= kMaxFonts) {
        if (dc_) SelectObject(dc_.get(), originalFont_);
        fonts_.clear();
    }
    LOGFONTW logFont{};
    // Negative sizes ask for a cell height, as a toolkit font with a negative size does.
    const long long height = std::llround(static_cast<double>(font.Size) * dpi_ / 72.0);
    logFont.lfHeight = static_cast<LONG>(std::clamp<long long>(-height, -kMaxFontHeight, kMaxFontHeight));
    logFont.lfWeight = font.Style.Contains(TFontStyle::fsBold) ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = font.Style.Contains(TFontStyle::fsItalic);
    logFont.lfUnderline = font.Style.Contains(TFontStyle::fsUnderline);
    logFont.lfStrikeOut = font.Style.Contains(TFontStyle::fsStrikeOut);
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfQuality = DEFAULT_QUALITY;
    const std::wstring face = Utf8ToWide(font.Name);
    lstrcpynW(logFont.lfFaceName, face.c_str(), LF_FACESIZE);
    UniqueFont created(CreateFontIndirectW(&logFont));
    if (!created) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return fonts_.emplace(std::move(key), std::move(created)).first->second.get();
}

void TGdiTextMeasurer::SelectFont(const FontSpec& font) {
    if (dc_) SelectObject(dc_.get(), Font(font));
}

int TGdiTextMeasurer::LineHeight() {
    TEXTMETRICW metrics{};
    if (!dc_ || !GetTextMetricsW(dc_.get(), &metrics)) return 0;
    return metrics.tmHeight;
}

TTextExtent TGdiTextMeasurer::Extent(std::string_view text) {
    if (text.empty()) return {0, LineHeight()};
    const std::wstring wide = Utf8ToWide(text);
    SIZE size{};
    if (!dc_ || !GetTextExtentPoint32W(dc_.get(), wide.data(), static_cast<int>(wide.size()), &size)) return {};
    return {size.cx, size.cy};
}

bool TGdiTextMeasurer::IsAlphaNumeric(char32_t ch) const {
    // Characters beyond the basic plane have no single UTF-16 unit to ask about; they end a word.
    if (ch > 0xFFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return false;
    return IsCharAlphaNumericW(static_cast<WCHAR>(ch)) != FALSE;
}

// ---------------------------------------------------------------------------------------------

int TImageListSource::Width() const {
    int width = 0;
    int height = 0;
    return list_ && ImageList_GetIconSize(list_, &width, &height) ? width : 0;
}

int TImageListSource::Height() const {
    int width = 0;
    int height = 0;
    return list_ && ImageList_GetIconSize(list_, &width, &height) ? height : 0;
}

int TImageListSource::Count() const {
    return list_ ? ImageList_GetImageCount(list_) : 0;
}

// ---------------------------------------------------------------------------------------------

TQmHtmlLabel::TQmHtmlLabel() : renderer_(&parser_.Root(), measurer_) {
    linkCursor_ = LoadCursorW(nullptr, IDC_HAND);
    parser_.SetLinkColor(kClBlue);
    parser_.SetLinkHoverColor(kClBlue);
    renderer_.SetWordBreak(true);
    font_.Name = kDefaultFontName;
    font_.Size = 8;
    font_.Color = kClSystemColor | COLOR_WINDOWTEXT;
    Rebuild(false);
    TQmStyle::Instance().RegisterListener(this, [this](TQmStyle&) { SetLabelType(labelType_); });
}

TQmHtmlLabel::~TQmHtmlLabel() {
    life_.End();
    TQmStyle::Instance().UnregisterListener(this);
    // Destroy the window while the parser and the renderer still exist.
    if (Handle()) DestroyWindow(Handle());
}

void TQmHtmlLabel::Create(HWND parent, int controlId, int x, int y, int width, int height) {
    if (Handle()) return;
    // No CS_DBLCLKS: every press of the button is a press, so a quick second click on a link
    // fires it again.
    RegisterWindowClass(kClassName, CS_HREDRAW | CS_VREDRAW);
    const std::wstring text = Utf8ToWide(caption_);
    CreateHandle(kClassName, text.c_str(), WS_CHILD | WS_VISIBLE, 0, x, y, width, height, parent,
                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)));
    Layout();
    ApplyAutoSize();
}

void TQmHtmlLabel::SetCaption(std::string caption) {
    caption_ = NormalizeCaptionLineBreaks(caption);
    if (Handle()) {
        const std::wstring text = Utf8ToWide(caption_);
        Default(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    Rebuild();
}

void TQmHtmlLabel::SetFont(const FontSpec& font) {
    font_ = font;
    windowFont_.reset();
    Rebuild();
}

void TQmHtmlLabel::SetAlignment(THtmlAlignment alignment) {
    renderer_.Alignment = alignment;
    Invalidate();
}

void TQmHtmlLabel::SetWordBreak(bool on) {
    renderer_.SetWordBreak(on);
    Layout();
    ApplyAutoSize();
    Invalidate();
}

void TQmHtmlLabel::SetAutoWidth(bool on) {
    renderer_.SetAutoWidth(on);
    Layout();
    ApplyAutoSize();
    Invalidate();
}

void TQmHtmlLabel::SetAutoHeight(bool on) {
    renderer_.AutoHeight = on;
    Layout();
    ApplyAutoSize();
    Invalidate();
}

void TQmHtmlLabel::SetLinkColor(std::uint32_t color) {
    parser_.SetLinkColor(color);
    Rebuild();
}

void TQmHtmlLabel::SetLinkHoverColor(std::uint32_t color) {
    parser_.SetLinkHoverColor(color);
    Rebuild();
}

void TQmHtmlLabel::SetLinkHover(bool on) {
    parser_.SetLinkHover(on);
    Rebuild();
}

void TQmHtmlLabel::SetLinkHoverUnderline(bool on) {
    parser_.SetLinkHoverUnderline(on);
    Rebuild();
}

void TQmHtmlLabel::SetImages(HIMAGELIST images, int imagePadding) {
    images_.SetList(images);
    renderer_.SetImages(images ? &images_ : nullptr, imagePadding);
    Rebuild();
}

void TQmHtmlLabel::SetLabelType(TQmLabelType type) {
    labelType_ = type;
    ApplyLabelType(type, TQmStyle::Instance(), font_);
    windowFont_.reset();
    Rebuild();
}

void TQmHtmlLabel::DoLinkClick(const std::string& linkId) {
    if (OnLinkClick) OnLinkClick(linkId);
}

void TQmHtmlLabel::OpenLink(const std::string& address) {
    ShellOpen(Handle() ? GetAncestor(Handle(), GA_ROOT) : nullptr, address);
}

void TQmHtmlLabel::Rebuild(bool repaint) {
    parser_.SetFont(font_);
    parser_.Parse(caption_);
    Layout();
    ApplyAutoSize();
    if (repaint) Invalidate();
}

RECT TQmHtmlLabel::ClientRect() const {
    RECT client{};
    if (Handle()) GetClientRect(Handle(), &client);
    return client;
}

void TQmHtmlLabel::Layout() {
    const RECT client = ClientRect();
    renderer_.Layout({client.left, client.top, client.right, client.bottom});
    lastLayoutWidth_ = client.right - client.left;
}

void TQmHtmlLabel::ApplyAutoSize() {
    if (!Handle() || !(renderer_.AutoHeight || renderer_.AutoWidth())) return;
    RECT frame{};
    GetWindowRect(Handle(), &frame);
    const int width = renderer_.AutoWidth() ? renderer_.ContentWidth() : frame.right - frame.left;
    const int height = renderer_.AutoHeight ? renderer_.ContentHeight() : frame.bottom - frame.top;
    if (width == frame.right - frame.left && height == frame.bottom - frame.top) return;
    // A new width re-wraps through WM_SIZE when WordBreak is on; the height then settles, as the
    // width no longer changes.
    SetWindowPos(Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TQmHtmlLabel::Invalidate() {
    if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TQmHtmlLabel::PaintTo(HDC dc) {
    const RECT client = ClientRect();
    PaintBackground(dc, client);
    PaintChunks(dc, client);
}

void TQmHtmlLabel::PaintBackground(HDC dc, const RECT& client) {
    HWND parent = Handle() ? GetParent(Handle()) : nullptr;
    if (!parent) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    // The parent paints its background in its own coordinates; shift the origin so that its
    // strip under the label lands in the label's client area.
    POINT origin{0, 0};
    MapWindowPoints(Handle(), parent, &origin, 1);
    POINT viewport{};
    GetViewportOrgEx(dc, &viewport);
    SetViewportOrgEx(dc, viewport.x - origin.x, viewport.y - origin.y, nullptr);
    SetBrushOrgEx(dc, viewport.x - origin.x, viewport.y - origin.y, nullptr);
    if (!SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0)) {
        // A parent without a background of its own: the brush it gives static controls, then
        // whatever it draws itself.
        auto brush = reinterpret_cast<HBRUSH>(
            SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Handle())));
        RECT area = client;
        OffsetRect(&area, origin.x, origin.y);
        FillRect(dc, &area, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
        SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    }
    RestoreDC(dc, saved);
}

void TQmHtmlLabel::PaintChunks(HDC dc, const RECT& client) {
    const int saved = SaveDC(dc);
    SetBkMode(dc, TRANSPARENT);
    const auto stockFont = GetStockObject(DEFAULT_GUI_FONT);
    for (const THtmlPaintItem& item : renderer_.PaintItems({client.left, client.top, client.right, client.bottom})) {
        const THtmlRenderChunk& chunk = *item.Chunk;
        if (!chunk.Text.empty()) {
            if (const auto color = ResolveColor(item.Font.Color)) {
                // The font cache may drop its fonts when asked for a new one: deselect first.
                SelectObject(dc, stockFont);
                SelectObject(dc, measurer_.Font(item.Font));
                SetTextColor(dc, *color);
                std::wstring text = Utf8ToWide(chunk.Text);
                RECT box{item.Left, chunk.Top, client.right, client.bottom};
                // DT_NOPREFIX: the text was measured with every "&" as a character, so it is drawn
                // as one; a label has no mnemonics.
                DrawTextExW(dc, text.data(), static_cast<int>(text.size()), &box, DT_SINGLELINE | DT_NOPREFIX, nullptr);
            }
        }
        if (item.ImageIndex >= 0 && images_.List()) {
            ImageList_Draw(images_.List(), item.ImageIndex, dc, item.Left, chunk.Top, ILD_TRANSPARENT);
        }
    }
    RestoreDC(dc, saved);
}

void TQmHtmlLabel::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    if (!dc) return;
    const RECT client = ClientRect();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    // Drawn off screen and copied in one go, so the background never shows without the text.
    UniqueMemoryDc buffer(CreateCompatibleDC(dc));
    UniqueBitmap bitmap(width > 0 && height > 0 ? CreateCompatibleBitmap(dc, width, height) : nullptr);
    if (buffer && bitmap) {
        SelectObjectScope selected(buffer.get(), bitmap.get());
        PaintTo(buffer.get());
        BitBlt(dc, 0, 0, width, height, buffer.get(), 0, 0, SRCCOPY);
    } else if (width > 0 && height > 0) {
        PaintTo(dc);
    }
    EndPaint(Handle(), &ps);
}

void TQmHtmlLabel::MouseMove(int x, int y) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
    }
    const RECT client = ClientRect();
    const THtmlNode* node = renderer_.FindLink({x, y}, client.right - client.left);
    cursor_ = node != nullptr && IsLinkTarget(node->Link) ? linkCursor_ : nullptr;
    SetCursor(cursor_ ? cursor_ : reinterpret_cast<HCURSOR>(GetClassLongPtrW(Handle(), GCLP_HCURSOR)));
    if (renderer_.SetHotNode(node)) Invalidate();
}

void TQmHtmlLabel::MouseLeave() {
    trackingLeave_ = false;
    cursor_ = nullptr;
    if (renderer_.SetHotNode(nullptr)) Invalidate();
}

void TQmHtmlLabel::LeftButtonDown(int x, int y) {
    const RECT client = ClientRect();
    renderer_.FindLink({x, y}, client.right - client.left);
    const THtmlLinkClick click = ResolveLinkClick(renderer_.LinkText());
    const HWND owner = GetAncestor(Handle(), GA_ROOT);
    const auto alive = life_.Watch();
    if (click.RaiseOnLinkClick) DoLinkClick(click.Identifier);
    if (!click.OpenWithShell) return;
    // The handler may have closed the window the label lives on; the address still opens.
    if (alive) {
        OpenLink(click.Identifier);
    } else {
        ShellOpen(IsWindow(owner) ? owner : nullptr, click.Identifier);
    }
}

void TQmHtmlLabel::SetFontFromHandle(HFONT font, bool repaint) {
    LOGFONTW logFont{};
    if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    if (!GetObjectW(font, sizeof logFont, &logFont)) return;
    FontSpec taken = font_;  // the colour stays
    taken.Name = WideToUtf8(logFont.lfFaceName);
    if (logFont.lfHeight < 0) {
        taken.Size = PointsFromHeight(-logFont.lfHeight, measurer_.Dpi());
    } else if (logFont.lfHeight > 0) {
        // A cell height: the point size is the character height, without the internal leading.
        UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
        TEXTMETRICW metrics{};
        if (dc) {
            SelectObjectScope selected(dc.get(), font);
            if (GetTextMetricsW(dc.get(), &metrics)) {
                taken.Size = PointsFromHeight(metrics.tmHeight - metrics.tmInternalLeading, measurer_.Dpi());
            }
        }
    }
    TFontStyles style;
    if (logFont.lfWeight >= FW_BOLD) style.Include(TFontStyle::fsBold);
    if (logFont.lfItalic) style.Include(TFontStyle::fsItalic);
    if (logFont.lfUnderline) style.Include(TFontStyle::fsUnderline);
    if (logFont.lfStrikeOut) style.Include(TFontStyle::fsStrikeOut);
    taken.Style = style;
    font_ = taken;
    windowFont_.reset();
    Rebuild(repaint);
}

HFONT TQmHtmlLabel::WindowFont() {
    if (!windowFont_) {
        // A font of its own: the measurer's fonts come and go with its cache.
        LOGFONTW logFont{};
        if (GetObjectW(measurer_.Font(font_), sizeof logFont, &logFont))
            windowFont_.reset(CreateFontIndirectW(&logFont));
    }
    return windowFont_.get();
}

LRESULT TQmHtmlLabel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint draws the background with the content
        case WM_PRINTCLIENT:
            PaintTo(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SIZE:
            if (renderer_.WordBreak() && LOWORD(lParam) != lastLayoutWidth_) {
                Layout();
                ApplyAutoSize();
            }
            return 0;
        case WM_MOVE:
            // The parent's background under the label is another one now.
            Invalidate();
            return 0;
        case WM_SETTEXT:
            SetCaption(lParam ? WideToUtf8(reinterpret_cast<const wchar_t*>(lParam)) : std::string());
            return TRUE;
        case WM_SETFONT:
            SetFontFromHandle(reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(WindowFont());
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && cursor_) {
                SetCursor(cursor_);
                return TRUE;
            }
            return Default(message, wParam, lParam);
        case WM_MOUSEMOVE:
            MouseMove(MouseX(lParam), MouseY(lParam));
            return 0;
        case WM_MOUSELEAVE:
            MouseLeave();
            return 0;
        case WM_LBUTTONDOWN:
            LeftButtonDown(MouseX(lParam), MouseY(lParam));
            return 0;
        default:
            return Window::OnMessage(message, wParam, lParam);
    }
}

}  // namespace tarvex
