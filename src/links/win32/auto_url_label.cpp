#include "links/win32/auto_url_label.h"

#include "platform/win32/unicode.h"
#include "platform/win32/shell.h"

namespace tarvex {
namespace {

constexpr COLORREF kLinkColor = RGB(0, 0, 255);

// The program's hand pointer, loaded with the first label and freed when the program ends.
class LinkCursor {
public:
    LinkCursor()
        : cursor_(static_cast<HCURSOR>(
              LoadImageW(GetModuleHandleW(nullptr), L"AUTOURLLABELCURSOR", IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE))) {}
    ~LinkCursor() {
        if (cursor_) DestroyCursor(cursor_);
    }
    LinkCursor(const LinkCursor&) = delete;
    LinkCursor& operator=(const LinkCursor&) = delete;
    // The system's arrow where the resource could not be loaded.
    HCURSOR Get() const { return cursor_ ? cursor_ : LoadCursorW(nullptr, IDC_ARROW); }

private:
    HCURSOR cursor_;
};

HCURSOR HandCursor() {
    static const LinkCursor cursor;
    return cursor.Get();
}

}  // namespace

void TAutoURLLabel::Create(const Surface& surface, ControlArgs args) {
    if (args.At.Width == 0) args.At.Width = kDefaultWidth;
    TControl::Create(surface, args);
}

void TAutoURLLabel::AfterCreate() {
    // The window got its first caption before it was ours; later ones come as WM_SETTEXT.
    text_.SetCaption(Text());
    LOGFONTW underlined{};
    GetObjectW(Font() ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT), sizeof underlined,
               &underlined);
    underlined.lfUnderline = TRUE;
    font_.reset(CreateFontIndirectW(&underlined));
    if (font_) SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    SetTextColor(kLinkColor);
}

void TAutoURLLabel::SetURL(std::string_view url) {
    text_.SetUrl(url);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TAutoURLLabel::Open() const {
    if (text_.Caption().empty()) return;
    // Where nothing opens the address there is nothing to tell the user either.
    ShellOpen(nullptr, URL(), {}, SW_RESTORE);
}

void TAutoURLLabel::PaintFocus() const {
    if (GetFocus() != Handle()) return;
    RECT text{};
    const HDC dc = GetDC(Handle());
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    const std::wstring caption = Utf8ToWide(text_.Caption());
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    SelectObject(dc, previous);
    RECT client;
    GetClientRect(Handle(), &client);
    // Where the static control put the text: centred, right-aligned or at the left.
    const LONG style = GetWindowLongW(Handle(), GWL_STYLE) & SS_TYPEMASK;
    const LONG width = std::min(text.right, client.right);
    const LONG left = style == SS_CENTER ? (client.right - width) / 2 : style == SS_RIGHT ? client.right - width : 0;
    RECT focus{left, 0, left + width, std::min(text.bottom + 1, client.bottom)};
    DrawFocusRect(dc, &focus);
    ReleaseDC(Handle(), dc);
}

std::optional<LRESULT> TAutoURLLabel::OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT:
            // No text at all (a null pointer) is the empty caption.
            text_.SetCaption(lParam ? WideToUtf8(reinterpret_cast<const wchar_t*>(lParam)) : std::string());
            InvalidateRect(Handle(), nullptr, TRUE);
            return std::nullopt;
        case WM_SETCURSOR:
            if (text_.Caption().empty()) return std::nullopt;
            SetCursor(HandCursor());
            return TRUE;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            Open();
            return 0;
        case WM_GETDLGCODE:
            // A tab stop that takes Enter itself, unlike a plain static text.
            if (const auto* msg = reinterpret_cast<const MSG*>(lParam);
                msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
                return DLGC_WANTMESSAGE;
            return DLGC_WANTCHARS;
        case WM_KEYDOWN:
            if (wParam != VK_RETURN && wParam != VK_SPACE) return std::nullopt;
            Open();
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(Handle(), nullptr, TRUE);
            return std::nullopt;
        case WM_PAINT:
            DefSubclassProc(Handle(), message, wParam, lParam);
            PaintFocus();
            return 0;
        default:
            return std::nullopt;
    }
}

}  // namespace tarvex
