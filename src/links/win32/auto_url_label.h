#pragma once
// A hyperlink label: blue underlined text that opens its address with the shell when any
// mouse button goes down on it, or Enter or Space while it has the focus (it is a tab stop).
// The pointer over it is the program's hand, "AUTOURLLABELCURSOR".
#include "links/url_label.h"
#include "platform/win32/controls.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {

class TAutoURLLabel final : public TLabel {
public:
    static constexpr int kDefaultWidth = 100;

    // As TControl::Create; a width of 0 takes the label's default width.
    void Create(const Surface& surface, ControlArgs args);

    // Where the label leads: its caption until it is given an address of its own.
    const std::string& URL() const { return text_.Url(); }
    void SetURL(std::string_view url);

protected:
    DWORD KindStyle() const override { return TLabel::KindStyle() | SS_NOTIFY | WS_TABSTOP; }
    void AfterCreate() override;
    std::optional<LRESULT> OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Open() const;
    void PaintFocus() const;

    UrlLabelText text_;
    UniqueFont font_;
};

}  // namespace tarvex
