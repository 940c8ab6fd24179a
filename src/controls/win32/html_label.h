#pragma once
// The HTML label control: a child window of class "TQmHtmlLabel" that shows a caption in the
// label markup (controls/html_parser.h), laid out by THtmlRenderer (controls/html_layout.h) and
// painted with GDI over its parent's background. A elements are links: hand cursor, hover look,
// and OnLinkClick on the press of the left button.
//
//     TQmHtmlLabel label;
//     label.Create(page, kIdWelcomeText, x, y, width, height);   // pixels already scaled
//     label.SetAutoHeight(true);
//     label.SetCaption("<B>Title</B><BR><BR>Text with a <A href=\"#1\">link</A>.");
//     label.OnLinkClick = [](const std::string& id) { if (id == "#1") ...; };
#include <windows.h>

#include <commctrl.h>

#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "controls/html_layout.h"
#include "controls/html_parser.h"
#include "common/life_guard.h"
#include "controls/qm_style.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"

namespace tarvex {

// The GDI colour of a stored colour value: system colours ($FF0000nn) come from GetSysColor,
// clDefault is the window text colour, other values keep their low 24 bits. clNone gives none:
// text in that colour is not drawn.
std::optional<COLORREF> ResolveColor(TColor color);

// Measures text with GDI on one memory DC compatible with the screen, kept for the measurer's
// life, and keeps the HFONTs it makes for the fonts it is given.
class TGdiTextMeasurer final : public TextMeasurer {
public:
    TGdiTextMeasurer();
    ~TGdiTextMeasurer() override;
    TGdiTextMeasurer(const TGdiTextMeasurer&) = delete;
    TGdiTextMeasurer& operator=(const TGdiTextMeasurer&) = delete;

    void SelectFont(const FontSpec& font) override;
    int LineHeight() override;
    TTextExtent Extent(std::string_view text) override;
    bool IsAlphaNumeric(char32_t ch) const override;

    // The HFONT for a font's face, size and style (its colour does not matter). It stays valid
    // until the next call: a full cache is emptied before a new font is made, so a DC that
    // draws with it must select something else before asking for the next font.
    HFONT Font(const FontSpec& font);
    // Screen pixels per logical inch, vertically: the scale of point sizes.
    int Dpi() const { return dpi_; }

private:
    struct FontKey {
        std::string Name;
        int Size = 0;
        std::uint8_t Style = 0;
        auto operator<=>(const FontKey&) const = default;
    };
    static constexpr std::size_t kMaxFonts = 16;

    UniqueMemoryDc dc_;
    HGDIOBJ originalFont_ = nullptr;
    int dpi_ = 96;
    std::map<FontKey, UniqueFont> fonts_;
};

// Image sizes of an HIMAGELIST for the layout. The list belongs to the window that shows it.
class TImageListSource final : public THtmlImageSource {
public:
    HIMAGELIST List() const { return list_; }
    void SetList(HIMAGELIST list) { list_ = list; }

    int Width() const override;
    int Height() const override;
    int Count() const override;

private:
    HIMAGELIST list_ = nullptr;
};

class TQmHtmlLabel : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TQmHtmlLabel";
    static constexpr const char* kDefaultFontName = "MS Shell Dlg 2";

    using TLinkClickEvent = std::function<void(const std::string& linkId)>;

    TQmHtmlLabel();
    ~TQmHtmlLabel() override;

    // Creates the child window; position and size in pixels, already scaled.
    void Create(HWND parent, int controlId, int x, int y, int width, int height);

    // The caption in the label markup (UTF-8). It is kept normalised (NormalizeCaptionLineBreaks)
    // and is also the window text. Setting it rebuilds, which clears the hover look.
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);

    // The label font; its colour is the text colour. WM_SETFONT sets face, size and style.
    const FontSpec& Font() const { return font_; }
    void SetFont(const FontSpec& font);

    THtmlAlignment Alignment() const { return renderer_.Alignment; }
    void SetAlignment(THtmlAlignment alignment);
    // WordBreak and AutoWidth exclude each other: turning one on turns the other off.
    bool WordBreak() const { return renderer_.WordBreak(); }
    void SetWordBreak(bool on);
    bool AutoWidth() const { return renderer_.AutoWidth(); }
    void SetAutoWidth(bool on);
    // The window's height follows the content while this is on.
    bool AutoHeight() const { return renderer_.AutoHeight; }
    void SetAutoHeight(bool on);

    TColor LinkColor() const { return parser_.LinkColor(); }
    void SetLinkColor(std::uint32_t color);
    TColor LinkHoverColor() const { return parser_.LinkHoverColor(); }
    void SetLinkHoverColor(std::uint32_t color);
    bool LinkHover() const { return parser_.LinkHover(); }
    void SetLinkHover(bool on);
    bool LinkHoverUnderline() const { return parser_.LinkHoverUnderline(); }
    void SetLinkHoverUnderline(bool on);
    // Shown over links from the next mouse move on; the hand cursor at first.
    HCURSOR LinkCursor() const { return linkCursor_; }
    void SetLinkCursor(HCURSOR cursor) { linkCursor_ = cursor; }

    // Images for IMG elements (not owned; may be null) and the pixels added below each image.
    HIMAGELIST Images() const { return images_.List(); }
    int ImagePadding() const { return renderer_.ImagePadding(); }
    void SetImages(HIMAGELIST images, int imagePadding);

    // A font preset of the shared style object; ltCustom leaves the font as it is.
    TQmLabelType LabelType() const { return labelType_; }
    void SetLabelType(TQmLabelType type);

    TLinkClickEvent OnLinkClick;

    int ContentWidth() const { return renderer_.ContentWidth(); }
    int ContentHeight() const { return renderer_.ContentHeight(); }
    const THtmlRenderer& Renderer() const { return renderer_; }
    const THtmlParser& Parser() const { return parser_; }
    // The link under the mouse, or none.
    const THtmlNode* HotNode() const { return renderer_.HotNode(); }
    // The cursor the label shows now: LinkCursor over a link, else null (the class cursor).
    HCURSOR Cursor() const { return cursor_; }

    // Paints the label as it looks on screen (its parent's background, then the content) into
    // a DC whose origin is the label's client origin.
    void PaintTo(HDC dc);

protected:
    // Raises OnLinkClick.
    virtual void DoLinkClick(const std::string& linkId);
    // Opens a web or mail address with the shell.
    virtual void OpenLink(const std::string& address);

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Rebuild(bool repaint = true);
    void Layout();
    void ApplyAutoSize();
    void Invalidate();
    RECT ClientRect() const;
    void PaintBackground(HDC dc, const RECT& client);
    void PaintChunks(HDC dc, const RECT& client);
    void Paint();
    void MouseMove(int x, int y);
    void MouseLeave();
    void LeftButtonDown(int x, int y);
    void SetFontFromHandle(HFONT font, bool repaint);
    HFONT WindowFont();

    // Declared before the renderer, which holds the parser's root and the measurer.
    THtmlParser parser_;
    TGdiTextMeasurer measurer_;
    TImageListSource images_;
    THtmlRenderer renderer_;

    std::string caption_;
    FontSpec font_;
    UniqueFont windowFont_;  // font_ as an HFONT for WM_GETFONT, made on request
    TQmLabelType labelType_ = TQmLabelType::ltCustom;
    HCURSOR linkCursor_ = nullptr;
    HCURSOR cursor_ = nullptr;
    int lastLayoutWidth_ = 0;
    bool trackingLeave_ = false;
    // A link handler may destroy the label it was raised from.
    LifeGuard life_;
};

}  // namespace tarvex
