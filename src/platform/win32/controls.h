#pragma once
// Standard controls as objects. Each wrapper owns its child window and receives its own
// notifications: the parent (any Window) reflects WM_COMMAND, WM_NOTIFY, WM_DRAWITEM,
// WM_MEASUREITEM, WM_HSCROLL, WM_VSCROLL and WM_CTLCOLOR* to the control object that owns the child, which
// raises its event (OnClick, OnChange...). Controls are created from named arguments:
//
//     chkStartInTray.Create(surface, {.Id = ids::kChkStartInTray, .Text = texts::kStartInTray,
//                                     .At = {26, 88, 300, 17}});
//     chkStartInTray.OnClick = [this] { model_.SetStartInTray(chkStartInTray.Checked()); };
//
// Positions are 96-DPI pixels, scaled by the surface's DPI. A label, check box, radio button
// or button is made at least as wide as its text in its font.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// A font of a face, point size and weight at a DPI, owned by the caller.
HFONT CreatePointFont(const wchar_t* face, int points, int dpi, bool bold = false);

// The screen's DPI.
int ScreenDpi();

// A rectangle in 96-DPI pixels.
struct Bounds {
    int X = 0, Y = 0, Width = 0, Height = 0;
};

// Where controls are made: their parent, the DPI that scales positions, the default font.
struct Surface {
    HWND Parent = nullptr;
    int Dpi = 96;
    HFONT Font = nullptr;
    int Scale(int pixels) const { return MulDiv(pixels, Dpi, 96); }
    // The inverse, for measured sizes that place further controls.
    int Unscale(int pixels) const { return MulDiv(pixels, 96, Dpi); }
};

struct ControlArgs {
    int Id = 0;
    std::string Text;  // UTF-8
    Bounds At;
    DWORD Style = 0;  // added to the control kind's own styles; WS_CHILD | WS_VISIBLE always
    DWORD ExStyle = 0;
    HFONT Font = nullptr;  // null: the surface's font
};

// Ctrl+Tab or Ctrl+Shift+Tab pressed in a control that has pages (a tab control) or in a
// control on one of them: turns the page and returns true.
bool TurnPageOfFocus(const MSG& msg);

// The width in pixels that a text needs in a font, on one line (with a "&" prefix rule).
int TextWidth(HFONT font, std::string_view text, bool prefix);

class TControl {
public:
    TControl() = default;
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    // Creates the child window; throws Win32Error when the system refuses.
    void Create(const Surface& surface, const ControlArgs& args);

    HWND Handle() const noexcept { return hwnd_; }
    int Id() const noexcept { return id_; }
    std::string Text() const;
    void SetText(std::string_view text);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Visible() const;
    void SetVisible(bool visible);
    // The control's rectangle in its parent, in 96-DPI pixels.
    Bounds BoundsAt96() const;
    void SetBoundsAt96(const Bounds& bounds);
    // Moves the control, keeping its size.
    void MoveAt96(int x, int y);
    // The right edge in 96-DPI pixels, for placing what follows on the same row.
    int Right() const;
    HFONT Font() const;

    // The control object that owns a child window, or null.
    static TControl* FromHandle(HWND child) noexcept;
    // Hands a notification that a parent received to the control it concerns. Returns the
    // message's result when that control handled it.
    static std::optional<LRESULT> Reflect(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual const wchar_t* ClassName() const = 0;
    // Ctrl+Tab (Ctrl+Shift+Tab backwards) inside the control: true when it turned a page.
    friend bool TurnPageOfFocus(const MSG& msg);
    virtual bool TurnPage(bool) { return false; }
    virtual DWORD KindStyle() const { return 0; }
    virtual DWORD KindExStyle() const { return 0; }
    // The least width, in device pixels, that shows the text; 0 when the text may wrap or
    // the kind does not care.
    virtual int TextFitWidth() const { return 0; }
    // A notification reflected from the parent; nullopt leaves it to the parent. (A control
    // that measures its items while it is created does so before its wrapper owns it.)
    virtual std::optional<LRESULT> Reflected(UINT message, WPARAM wParam, LPARAM lParam);
    // A message to the control's own window, before its system class sees it; nullopt leaves
    // it to the class.
    virtual std::optional<LRESULT> OwnMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }
    virtual void AfterCreate() {}
    const Surface& Where() const { return surface_; }

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;
    HWND hwnd_ = nullptr;
    int id_ = 0;
    Surface surface_;
};

class TButton : public TControl {
public:
    std::function<void()> OnClick;

protected:
    const wchar_t* ClassName() const override { return L"BUTTON"; }
    DWORD KindStyle() const override { return WS_TABSTOP | BS_PUSHBUTTON; }
    int TextFitWidth() const override;
    std::optional<LRESULT> Reflected(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void DoClick();
};

class TCheckBox : public TButton {
public:
    bool Checked() const;
    // Changes the mark without raising OnClick.
    void SetChecked(bool checked);

protected:
    DWORD KindStyle() const override { return WS_TABSTOP | BS_AUTOCHECKBOX; }
    int TextFitWidth() const override;
};

class TRadioButton : public TCheckBox {
protected:
    DWORD KindStyle() const override { return WS_TABSTOP | BS_AUTORADIOBUTTON; }
};

// A frame with a caption around other controls. It paints only its frame and caption, so it is
// transparent: a parent that clips its children still paints the background inside it.
class TGroupBox : public TControl {
protected:
    const wchar_t* ClassName() const override { return L"BUTTON"; }
    DWORD KindStyle() const override { return BS_GROUPBOX; }
    DWORD KindExStyle() const override { return WS_EX_TRANSPARENT; }
    int TextFitWidth() const override;
};

// A static text. Single-line labels grow to their text; a label that is two lines high or
// more wraps instead.
class TLabel : public TControl {
public:
    // Takes the height its text needs when wrapped at the label's width.
    void FitHeight();
    // Draws the text in this colour over the background its parent gives a plain label.
    void SetTextColor(COLORREF color);

protected:
    const wchar_t* ClassName() const override { return L"STATIC"; }
    DWORD KindStyle() const override { return SS_NOPREFIX; }
    int TextFitWidth() const override;
    std::optional<LRESULT> Reflected(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::optional<COLORREF> textColor_;
    bool askingParent_ = false;
};

class TEdit : public TControl {
public:
    // Sets the text without raising OnChange.
    void SetTextSilently(std::string_view text);
    std::function<void()> OnChange;

protected:
    const wchar_t* ClassName() const override { return L"EDIT"; }
    DWORD KindStyle() const override { return WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL; }
    std::optional<LRESULT> Reflected(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void DoChange();

private:
    bool silent_ = false;
};

// A read-only multi-line text with its own opaque background, so that scrolling never
// smears the page behind it.
class TMemo : public TControl {
protected:
    const wchar_t* ClassName() const override { return L"EDIT"; }
    DWORD KindStyle() const override {
        return WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
    }
    std::optional<LRESULT> Reflected(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class TComboBox : public TControl {
public:
    // How the widest item comes to show in full: in a wider control, or only in the open list
    // (where the control has no room to grow).
    enum class ItemFit { WidenControl, WidenList };
    // Fills the list, widening the control or its list until the widest item shows in full.
    void SetItems(const std::vector<std::string>& items, ItemFit fit = ItemFit::WidenControl);
    int ItemIndex() const;
    // Selects without raising OnChange; -1 selects nothing.
    void SetItemIndex(int index);
    std::function<void()> OnChange;

protected:
    const wchar_t* ClassName() const override { return WC_COMBOBOXW; }
    DWORD KindStyle() const override { return WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST; }
    std::optional<LRESULT> Reflected(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void DoChange();
};

// One row of a list view: its image (-1: none) and the texts of its columns.
struct ListRow {
    std::vector<std::string> Texts;
    int Image = -1;
    friend bool operator==(const ListRow&, const ListRow&) = default;
};

// A report-view list with whole-row selection.
class TListView : public TControl {
public:
    void AddColumn(std::string_view caption, int widthAt96);
    // The small images the rows show; the list does not own them.
    void SetImages(HIMAGELIST images);
    // Shows the rows. Only what differs from the rows shown is sent to the control, so a list
    // that follows a model on every change does not flicker.
    void SetRows(const std::vector<ListRow>& rows);
    void SetRows(const std::vector<std::vector<std::string>>& rows);
    int ItemIndex() const;
    // Selects without raising OnChange; -1 selects nothing.
    void SetItemIndex(int index);
    std::function<void()> OnChange;  // the selected row changed

protected:
    const wchar_t* ClassName() const override { return WC_LISTVIEWW; }
    DWORD KindStyle() const override { return WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS; }
    std::optional<LRESULT> Reflected(UINT message, WPARAM wParam, LPARAM lParam) override;
    void AfterCreate() override;
    virtual void DoChange();

private:
    void SetCell(int row, int column, const std::string& text, int image);

    bool silent_ = false;
    std::vector<ListRow> rows_;  // as shown
};

// The system's progress bar, for progress with a known end.
class TProgressBar : public TControl {
public:
    void SetRange(int minimum, int maximum);
    void SetPosition(int position);

protected:
    const wchar_t* ClassName() const override { return PROGRESS_CLASSW; }
};

// An up-down spinner; its number box is a TEdit made just before it (the buddy).
class TUpDown : public TControl {
public:
    void SetBuddy(const TEdit& buddy);
    int Position() const;
    // Sets the position without raising OnChange; the control keeps it within its range.
    void SetPosition(int position);
    void SetRange(int minimum, int maximum);
    // How far one click moves.
    void SetStep(int step);
    std::function<void()> OnChange;
    // Set, it decides every move: it gets the position a click is about to give (outside the
    // range too), the control itself stays, and the handler sets the position it wants.
    std::function<void(int position)> OnChanging;

protected:
    const wchar_t* ClassName() const override { return UPDOWN_CLASSW; }
    DWORD KindStyle() const override { return UDS_ARROWKEYS | UDS_SETBUDDYINT | UDS_NOTHOUSANDS; }
    std::optional<LRESULT> Reflected(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void DoChange();
};

class TTrackBar : public TControl {
public:
    int Position() const;
    // Sets the position without raising OnChange; the control keeps it within its range.
    void SetPosition(int position);
    void SetRange(int minimum, int maximum);
    std::function<void()> OnChange;

protected:
    const wchar_t* ClassName() const override { return TRACKBAR_CLASSW; }
    DWORD KindStyle() const override { return WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS; }
    std::optional<LRESULT> Reflected(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void DoChange();
};

}  // namespace tarvex
