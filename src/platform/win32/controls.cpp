#include "platform/win32/controls.h"

#include <algorithm>

#include "platform/win32/unicode.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/window.h"

namespace tarvex {
namespace {

constexpr UINT_PTR kSubclassId = 0x54565843;  // one subclass of ours per control
// The owning object, found by the parent when it reflects a notification.
constexpr wchar_t kOwnerProperty[] = L"TarvexControl";

// Device pixels that a check box or radio button draws beside its text: the glyph (13 pixels
// at 96 DPI) and the gap after it.
int CheckGlyphWidth(const Surface& at) {
    return std::max(GetSystemMetrics(SM_CXMENUCHECK), at.Scale(13)) + at.Scale(6);
}

// Widens a window to `width` device pixels, keeping its place; `height` is its height (a combo
// box's: with its list open).
void Widen(HWND window, int width, int height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The child window a reflected message concerns.
HWND ReflectedChild(HWND parent, UINT message, LPARAM lParam) {
    switch (message) {
        case WM_MEASUREITEM: {
            // Sent before the item exists on screen, so it names the control only by its id.
            const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
            return item->CtlType == ODT_MENU ? nullptr : GetDlgItem(parent, static_cast<int>(item->CtlID));
        }
        case WM_COMMAND:
        case WM_HSCROLL:
        case WM_VSCROLL:
            return reinterpret_cast<HWND>(lParam);  // null for menus, accelerators, window scroll bars
        case WM_NOTIFY:
            return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            return item->CtlType == ODT_MENU ? nullptr : item->hwndItem;
        }
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<HWND>(lParam);
        default:
            return nullptr;
    }
}

}  // namespace

HFONT CreatePointFont(const wchar_t* face, int points, int dpi, bool bold) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(points, dpi, 72);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CheckWin32(CreateFontIndirectW(&font), "CreateFontIndirectW");
}

int ScreenDpi() {
    WindowDc screen(nullptr);
    return screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

int TextWidth(HFONT font, std::string_view text, bool prefix) {
    if (text.empty()) return 0;
    WindowDc screen(nullptr);
    if (!screen.get()) return 0;
    SelectObjectScope selected(screen.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    const std::wstring wide = Utf8ToWide(text);
    RECT rect{0, 0, 0, 0};
    DrawTextW(screen.get(), wide.c_str(), static_cast<int>(wide.size()), &rect,
              DT_CALCRECT | DT_SINGLELINE | (prefix ? 0 : DT_NOPREFIX));
    return rect.right - rect.left;
}

TControl::~TControl() {
    if (!hwnd_) return;
    RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
    RemovePropW(hwnd_, kOwnerProperty);
    DestroyWindow(hwnd_);
}

void TControl::Create(const Surface& surface, const ControlArgs& args) {
    surface_ = surface;
    id_ = args.Id;
    const std::wstring text = Utf8ToWide(args.Text);
    hwnd_ = CheckWin32(
        CreateWindowExW(args.ExStyle | KindExStyle(), ClassName(), text.c_str(),
                        WS_CHILD | WS_VISIBLE | KindStyle() | args.Style, surface.Scale(args.At.X),
                        surface.Scale(args.At.Y), surface.Scale(args.At.Width), surface.Scale(args.At.Height),
                        surface.Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.Id)),
                        GetModuleHandleW(nullptr), nullptr),
        "CreateWindowExW");
    if (!SetPropW(hwnd_, kOwnerProperty, this) ||
        !SetWindowSubclass(hwnd_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        DestroyWindow(std::exchange(hwnd_, nullptr));
        throw Error("The control could not be subclassed");
    }
    if (HFONT font = args.Font ? args.Font : surface.Font)
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    AfterCreate();
    // Text wider than the layout planned (another font, another DPI) widens the control.
    const int needed = TextFitWidth();
    RECT rect;
    GetWindowRect(hwnd_, &rect);
    if (needed > rect.right - rect.left) Widen(hwnd_, needed, rect.bottom - rect.top);
}

LRESULT CALLBACK TControl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR refData) noexcept {
    if (message == WM_NCDESTROY) {
        // The parent went first: the object stays, without a window.
        auto* self = reinterpret_cast<TControl*>(refData);
        RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        RemovePropW(hwnd, kOwnerProperty);
        self->hwnd_ = nullptr;
    } else {
        try {
            if (const auto result = reinterpret_cast<TControl*>(refData)->OwnMessage(message, wParam, lParam))
                return *result;
        } catch (...) {
            ReportUnhandledError(std::current_exception());
        }
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

TControl* TControl::FromHandle(HWND child) noexcept {
    // Only windows of this thread: a property of another process's window means nothing here.
    if (!child || GetWindowThreadProcessId(child, nullptr) != GetCurrentThreadId()) return nullptr;
    return static_cast<TControl*>(GetPropW(child, kOwnerProperty));
}

std::optional<LRESULT> TControl::Reflect(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
    TControl* control = FromHandle(ReflectedChild(parent, message, lParam));
    if (!control) return std::nullopt;
    return control->Reflected(message, wParam, lParam);
}

std::optional<LRESULT> TControl::Reflected(UINT, WPARAM, LPARAM) {
    return std::nullopt;
}

std::string TControl::Text() const {
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), length + 1)));
    return WideToUtf8(text);
}

void TControl::SetText(std::string_view text) {
    // Views copy their model on every change (the monitor's once a second): a text that stays
    // the same costs no repaint.
    if (Text() == text) return;
    SetWindowTextW(hwnd_, Utf8ToWide(text).c_str());
}

bool TControl::Enabled() const {
    return IsWindowEnabled(hwnd_);
}
void TControl::SetEnabled(bool enabled) {
    EnableWindow(hwnd_, enabled);
}
bool TControl::Visible() const {
    return IsWindowVisible(hwnd_);
}
void TControl::SetVisible(bool visible) {
    ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

HFONT TControl::Font() const {
    return reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
}

Bounds TControl::BoundsAt96() const {
    RECT rect;
    GetWindowRect(hwnd_, &rect);
    MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&rect), 2);
    return {surface_.Unscale(rect.left), surface_.Unscale(rect.top), surface_.Unscale(rect.right - rect.left),
            surface_.Unscale(rect.bottom - rect.top)};
}

void TControl::SetBoundsAt96(const Bounds& bounds) {
    SetWindowPos(hwnd_, nullptr, surface_.Scale(bounds.X), surface_.Scale(bounds.Y), surface_.Scale(bounds.Width),
                 surface_.Scale(bounds.Height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::MoveAt96(int x, int y) {
    SetWindowPos(hwnd_, nullptr, surface_.Scale(x), surface_.Scale(y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TControl::Right() const {
    const Bounds bounds = BoundsAt96();
    return bounds.X + bounds.Width;
}

// Buttons

// The frame, the focus rectangle and some air on either side.
int TButton::TextFitWidth() const {
    return TextWidth(Font(), Text(), true) + Where().Scale(16);
}

std::optional<LRESULT> TButton::Reflected(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return std::nullopt;
    DoClick();
    return 0;
}

void TButton::DoClick() {
    if (OnClick) OnClick();
}

bool TCheckBox::Checked() const {
    return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool checked) {
    SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int TCheckBox::TextFitWidth() const {
    return TextWidth(Font(), Text(), true) + CheckGlyphWidth(Where());
}

// The caption sits in a gap of the frame's top edge, indented from its corners.
int TGroupBox::TextFitWidth() const {
    return TextWidth(Font(), Text(), true) + Where().Scale(16);
}

int TLabel::TextFitWidth() const {
    // A label of two lines or more is meant to wrap.
    TEXTMETRICW metrics{};
    {
        WindowDc screen(nullptr);
        SelectObjectScope selected(screen.get(),
                                   Font() ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT));
        GetTextMetricsW(screen.get(), &metrics);
    }
    RECT rect;
    GetClientRect(Handle(), &rect);
    if (rect.bottom >= 2 * metrics.tmHeight) return 0;
    return TextWidth(Font(), Text(), false);
}

void TLabel::FitHeight() {
    RECT rect;
    GetClientRect(Handle(), &rect);
    const std::wstring text = Utf8ToWide(Text());
    {
        WindowDc screen(nullptr);
        SelectObjectScope selected(screen.get(),
                                   Font() ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT));
        DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &rect,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }
    Bounds bounds = BoundsAt96();
    bounds.Height = Where().Unscale(rect.bottom - rect.top) + 1;
    SetBoundsAt96(bounds);
}

void TLabel::SetTextColor(COLORREF color) {
    textColor_ = color;
    if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
}

std::optional<LRESULT> TLabel::Reflected(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_CTLCOLORSTATIC || !textColor_ || askingParent_) return std::nullopt;
    // The parent's answer for a plain label (its background), asked again with this label left
    // out, and then this label's colour over whatever text colour that answer chose.
    askingParent_ = true;
    const LRESULT brush = SendMessageW(GetParent(Handle()), message, wParam, lParam);
    askingParent_ = false;
    ::SetTextColor(reinterpret_cast<HDC>(wParam), *textColor_);
    return brush;
}

// Edits

void TEdit::SetTextSilently(std::string_view text) {
    silent_ = true;
    SetText(text);
    silent_ = false;
}

std::optional<LRESULT> TEdit::Reflected(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND || HIWORD(wParam) != EN_CHANGE) return std::nullopt;
    if (!silent_) DoChange();
    return 0;
}

void TEdit::DoChange() {
    if (OnChange) OnChange();
}

std::optional<LRESULT> TMemo::Reflected(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_CTLCOLORSTATIC) return std::nullopt;
    const HDC dc = reinterpret_cast<HDC>(wParam);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

// Combo box

void TComboBox::SetItems(const std::vector<std::string>& items, ItemFit fit) {
    SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
    int widest = 0;
    for (const std::string& item : items) {
        SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(item).c_str()));
        widest = std::max(widest, TextWidth(Font(), item, false));
    }
    // Beside the text: the 3-D border, the arrow button and some air.
    const int needed = widest + 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL) + Where().Scale(6);
    RECT closed, open;
    GetWindowRect(Handle(), &closed);
    SendMessageW(Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&open));
    if (needed <= closed.right - closed.left) return;
    if (fit == ItemFit::WidenControl) {
        Widen(Handle(), needed, open.bottom - open.top);
    } else {
        SendMessageW(Handle(), CB_SETDROPPEDWIDTH, static_cast<WPARAM>(needed), 0);
    }
}

int TComboBox::ItemIndex() const {
    return static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int index) {
    SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::optional<LRESULT> TComboBox::Reflected(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE) return std::nullopt;
    DoChange();
    return 0;
}

void TComboBox::DoChange() {
    if (OnChange) OnChange();
}

// List view

void TListView::AddColumn(std::string_view caption, int widthAt96) {
    std::wstring text = Utf8ToWide(caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text.data();
    column.cx = Where().Scale(widthAt96);
    const int count = Header_GetItemCount(ListView_GetHeader(Handle()));
    SendMessageW(Handle(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&column));
}

void TListView::AfterCreate() {
    SendMessageW(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

void TListView::SetImages(HIMAGELIST images) {
    SendMessageW(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
}

void TListView::SetCell(int row, int column, const std::string& text, int image) {
    std::wstring wide = Utf8ToWide(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT | (column == 0 ? LVIF_IMAGE : 0);
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = wide.data();
    item.iImage = image >= 0 ? image : I_IMAGENONE;
    SendMessageW(Handle(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void TListView::SetRows(const std::vector<ListRow>& rows) {
    silent_ = true;
    if (rows.size() != rows_.size()) {
        SendMessageW(Handle(), LVM_DELETEALLITEMS, 0, 0);
        rows_.clear();
        for (size_t row = 0; row < rows.size(); ++row) {
            LVITEMW item{};
            item.mask = LVIF_IMAGE;
            item.iItem = static_cast<int>(row);
            item.iImage = rows[row].Image >= 0 ? rows[row].Image : I_IMAGENONE;
            SendMessageW(Handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            rows_.push_back({std::vector<std::string>(rows[row].Texts.size()), rows[row].Image});
        }
    }
    for (size_t row = 0; row < rows.size(); ++row) {
        const ListRow& want = rows[row];
        ListRow& shown = rows_[row];
        shown.Texts.resize(std::max(shown.Texts.size(), want.Texts.size()));
        for (size_t column = 0; column < shown.Texts.size(); ++column) {
            const std::string& text = column < want.Texts.size() ? want.Texts[column] : std::string();
            const bool imageChanged = column == 0 && want.Image != shown.Image;
            if (text == shown.Texts[column] && !imageChanged) continue;
            SetCell(static_cast<int>(row), static_cast<int>(column), text, column == 0 ? want.Image : -1);
            shown.Texts[column] = text;
        }
        shown.Image = want.Image;
    }
    silent_ = false;
}

void TListView::SetRows(const std::vector<std::vector<std::string>>& rows) {
    std::vector<ListRow> listRows;
    listRows.reserve(rows.size());
    for (const auto& texts : rows) listRows.push_back({texts, -1});
    SetRows(listRows);
}

int TListView::ItemIndex() const {
    return static_cast<int>(SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void TListView::SetItemIndex(int index) {
    silent_ = true;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageW(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (index >= 0) {
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
    silent_ = false;
}

std::optional<LRESULT> TListView::Reflected(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY) return std::nullopt;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code != LVN_ITEMCHANGED) return std::nullopt;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
    // Only a row that becomes selected is a change of choice.
    if (!silent_ && (change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) &&
        !(change->uOldState & LVIS_SELECTED))
        DoChange();
    return 0;
}

void TListView::DoChange() {
    if (OnChange) OnChange();
}

// Progress bar

void TProgressBar::SetRange(int minimum, int maximum) {
    SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
}

void TProgressBar::SetPosition(int position) {
    SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

// Up-down and track bar

void TUpDown::SetBuddy(const TEdit& buddy) {
    SendMessageW(Handle(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy.Handle()), 0);
}

int TUpDown::Position() const {
    return static_cast<int>(SendMessageW(Handle(), UDM_GETPOS32, 0, 0));
}

void TUpDown::SetPosition(int position) {
    SendMessageW(Handle(), UDM_SETPOS32, 0, position);
}

void TUpDown::SetRange(int minimum, int maximum) {
    SendMessageW(Handle(), UDM_SETRANGE32, minimum, maximum);
}

void TUpDown::SetStep(int step) {
    UDACCEL accel{0, static_cast<UINT>(step)};
    SendMessageW(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

std::optional<LRESULT> TUpDown::Reflected(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && OnChanging) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code != UDN_DELTAPOS) return std::nullopt;
        const auto* delta = reinterpret_cast<const NMUPDOWN*>(lParam);
        OnChanging(delta->iPos + delta->iDelta);
        return TRUE;  // the handler has set the position
    }
    // The control reports a finished move as a scroll message, SB_THUMBPOSITION first.
    if ((message != WM_VSCROLL && message != WM_HSCROLL) || LOWORD(wParam) != SB_THUMBPOSITION) return std::nullopt;
    DoChange();
    return 0;
}

bool TurnPageOfFocus(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_CONTROL) >= 0) return false;
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    for (HWND window = msg.hwnd; window; window = GetParent(window)) {
        if (TControl* control = TControl::FromHandle(window); control && control->TurnPage(backwards)) return true;
        if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)) break;
    }
    return false;
}

void TUpDown::DoChange() {
    if (OnChange) OnChange();
}

int TTrackBar::Position() const {
    return static_cast<int>(SendMessageW(Handle(), TBM_GETPOS, 0, 0));
}

void TTrackBar::SetPosition(int position) {
    SendMessageW(Handle(), TBM_SETPOS, TRUE, position);
}

void TTrackBar::SetRange(int minimum, int maximum) {
    SendMessageW(Handle(), TBM_SETRANGEMIN, FALSE, minimum);
    SendMessageW(Handle(), TBM_SETRANGEMAX, TRUE, maximum);
}

std::optional<LRESULT> TTrackBar::Reflected(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_HSCROLL && message != WM_VSCROLL) return std::nullopt;
    // Every step the user makes, by key, click or drag, ends in one of these.
    if (LOWORD(wParam) != SB_ENDSCROLL) DoChange();
    return 0;
}

void TTrackBar::DoChange() {
    if (OnChange) OnChange();
}

}  // namespace tarvex
