#include "app/win32/panels.h"

#include "platform/win32/unicode.h"

#include <commctrl.h>
#include <windowsx.h>

#include <memory>

namespace tarvex {
namespace {

// Colours of the side panel, in the stored $00BBGGRR form.
constexpr COLORREF kGroupBackground = 15114618;
constexpr COLORREF kGradientEnd = 16244694;
constexpr COLORREF kHeaderText = 12999969;
constexpr COLORREF kHeaderBackground = 16244694;

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void VerticalGradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom) {
    TRIVERTEX vertices[2] = {
        {rect.left, rect.top, static_cast<COLOR16>(GetRValue(top) << 8), static_cast<COLOR16>(GetGValue(top) << 8),
         static_cast<COLOR16>(GetBValue(top) << 8), 0},
        {rect.right, rect.bottom, static_cast<COLOR16>(GetRValue(bottom) << 8),
         static_cast<COLOR16>(GetGValue(bottom) << 8), static_cast<COLOR16>(GetBValue(bottom) << 8), 0},
    };
    GRADIENT_RECT gradient{0, 1};
    GradientFill(dc, vertices, 2, &gradient, 1, GRADIENT_FILL_RECT_V);
}

}  // namespace

void TPanel::Create(const wchar_t* className, HWND parent, int x, int y, int width, int height, COLORREF background,
                    int id) {
    background_ = background;
    brush_.reset(CreateSolidBrush(background));
    RegisterWindowClass(className, CS_DBLCLKS);
    CreateHandle(className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, x, y,
                 width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void TPanel::PaintBackground(HDC dc, const RECT& client) {
    FillSolid(dc, client, background_);
    for (const auto& placed : pictures_) DrawPicture(dc, *placed.Picture, placed.X, placed.Y);
}

LRESULT TPanel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(Handle(), &client);
            PaintBackground(reinterpret_cast<HDC>(wParam), client);
            return 1;
        }
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(Handle(), &client);
            PaintBackground(reinterpret_cast<HDC>(wParam), client);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            SetBkColor(reinterpret_cast<HDC>(wParam), background_);
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<LRESULT>(brush_.get());
        default:
            return Window::OnMessage(message, wParam, lParam);
    }
}

void TAdvPanel::Create(HWND group, const std::wstring& caption, int width, int expandedHeight, COLORREF background,
                       HFONT headerFont, int dpi) {
    caption_ = caption;
    headerFont_ = headerFont;
    dpi_ = dpi;
    expandedHeight_ = expandedHeight;
    TPanel::Create(L"TAdvPanel", group, 0, 0, width, expandedHeight, background);
    SetWindowTextW(Handle(), caption.c_str());
}

int TAdvPanel::CurrentHeight() const {
    return collapsed_ ? HeaderHeight() : expandedHeight_;
}

void TAdvPanel::SetCollapsed(bool collapsed) {
    if (collapsed_ == collapsed) return;
    collapsed_ = collapsed;
    if (OnResize) OnResize();
}

void TAdvPanel::PaintBackground(HDC dc, const RECT& client) {
    TPanel::PaintBackground(dc, client);
    RECT header{client.left, client.top, client.right, client.top + HeaderHeight()};
    VerticalGradient(dc, header, RGB(255, 255, 255), kHeaderBackground);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kHeaderText);
    const HGDIOBJ previous = SelectObject(dc, headerFont_);
    RECT text = header;
    text.left += MulDiv(8, dpi_, 96);
    DrawTextW(dc, caption_.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    // The fold button: a chevron pointing up when open, down when folded.
    const int cx = header.right - MulDiv(14, dpi_, 96);
    const int cy = (header.top + header.bottom) / 2;
    const int arm = MulDiv(4, dpi_, 96);
    UniquePen pen(CreatePen(PS_SOLID, MulDiv(2, dpi_, 96), kHeaderText));
    SelectObjectScope penScope(dc, pen.get());
    const int direction = collapsed_ ? 1 : -1;
    POINT chevron[3] = {
        {cx - arm, cy - direction * arm / 2}, {cx, cy + direction * arm / 2}, {cx + arm, cy - direction * arm / 2}};
    Polyline(dc, chevron, 3);
    SelectObject(dc, previous);
}

LRESULT TAdvPanel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN && GET_Y_LPARAM(lParam) < HeaderHeight()) {
        SetCollapsed(!collapsed_);
        return 0;
    }
    return TPanel::OnMessage(message, wParam, lParam);
}

void TAdvPanelGroup::Create(HWND parent, int x, int y, int width, int height, int dpi) {
    dpi_ = dpi;
    TPanel::Create(L"TAdvPanelGroup", parent, x, y, width, height, kGroupBackground);
}

int TAdvPanelGroup::PanelWidth() const {
    RECT client;
    GetClientRect(Handle(), &client);
    return client.right - 2 * MulDiv(kMargin, dpi_, 96);
}

TAdvPanel& TAdvPanelGroup::AddPanel(const std::wstring& caption, int expandedHeight, COLORREF background,
                                    HFONT headerFont) {
    auto panel = std::make_unique<TAdvPanel>();
    panel->Create(Handle(), caption, PanelWidth(), MulDiv(expandedHeight, dpi_, 96), background, headerFont, dpi_);
    panel->OnResize = [this] { Arrange(); };
    panels_.push_back(std::move(panel));
    Arrange();
    return *panels_.back();
}

void TAdvPanelGroup::Arrange() {
    const int margin = MulDiv(kMargin, dpi_, 96);
    int y = margin;
    for (const auto& panel : panels_) {
        SetWindowPos(panel->Handle(), nullptr, margin, y, PanelWidth(), panel->CurrentHeight(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(panel->Handle(), nullptr, TRUE);
        y += panel->CurrentHeight() + margin;
    }
}

void TAdvPanelGroup::PaintBackground(HDC dc, const RECT& client) {
    VerticalGradient(dc, client, RGB(255, 255, 255), kGradientEnd);
}

// Page control

Surface TPageControl::AddTab(std::string_view caption) {
    std::wstring text = Utf8ToWide(caption);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(Handle(), TCM_INSERTITEMW, pages_.size(), reinterpret_cast<LPARAM>(&item));
    auto page = std::make_unique<TPanel>();
    page->Create(L"TTabPage", Handle(), 0, 0, 0, 0, RGB(255, 255, 255));
    SetWindowTextW(page->Handle(), text.c_str());
    pages_.push_back(std::move(page));
    LayoutPages();
    ShowChosenPage();
    Surface surface = Where();
    surface.Parent = pages_.back()->Handle();
    surface.Font = Font();
    return surface;
}

void TPageControl::AfterCreate() {
    // Narrower than the default padding, so that a page's short tab captions share one row.
    SendMessageW(Handle(), TCM_SETPADDING, 0, MAKELPARAM(Where().Scale(4), Where().Scale(3)));
}

int TPageControl::TabIndex() const {
    return static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
}

void TPageControl::SetTabIndex(int index) {
    SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowChosenPage();
}

RECT TPageControl::DisplayArea() const {
    RECT area;
    GetClientRect(Handle(), &area);
    SendMessageW(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    return area;
}

int TPageControl::PageWidth() const {
    const RECT area = DisplayArea();
    return Where().Unscale(area.right - area.left);
}

int TPageControl::PageHeight() const {
    const RECT area = DisplayArea();
    return Where().Unscale(area.bottom - area.top);
}

void TPageControl::LayoutPages() {
    const RECT area = DisplayArea();
    for (const auto& page : pages_)
        MoveWindow(page->Handle(), area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

void TPageControl::ShowChosenPage() {
    const int chosen = TabIndex();
    // The chosen page first, so that the control never shows an empty area.
    if (chosen >= 0 && chosen < TabCount()) ShowWindow(pages_[static_cast<size_t>(chosen)]->Handle(), SW_SHOW);
    for (int i = 0; i < TabCount(); ++i)
        if (i != chosen) ShowWindow(pages_[static_cast<size_t>(i)]->Handle(), SW_HIDE);
}

std::optional<LRESULT> TPageControl::Reflected(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY || reinterpret_cast<const NMHDR*>(lParam)->code != TCN_SELCHANGE) return std::nullopt;
    ShowChosenPage();
    if (OnChange) OnChange();
    return 0;
}

bool TPageControl::TurnPage(bool backwards) {
    if (TabCount() == 0 || !IsWindowVisible(Handle())) return false;
    const int next = (TabIndex() + (backwards ? TabCount() - 1 : 1)) % TabCount();
    SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
    ShowChosenPage();
    // The keyboard stays on the tabs, as in any property sheet.
    SetFocus(Handle());
    if (OnChange) OnChange();
    return true;
}

}  // namespace tarvex
