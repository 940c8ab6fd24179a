#pragma once
// Layout and hit testing of the HTML label: turns the parser's tree (html_parser.h) into
// positioned chunks (one token of text, an indent or an image each), wraps words to the width,
// aligns whole lines and finds the link under a point. Text is measured through TextMeasurer,
// image sizes come from THtmlImageSource; both are supplied by the platform (GDI on Windows).
//
// The label's use of a renderer:
//     THtmlRenderer renderer(&parser.Root(), measurer);
//     parser.Parse(caption); renderer.Layout(clientRect);              // rebuild
//     for (const auto& item : renderer.PaintItems(clientRect)) ...     // paint
//     const THtmlNode* link = renderer.FindLink({x, y}, clientWidth); // mouse move / press
//     if (renderer.SetHotNode(link)) repaint;                         // changed: repaint
//     const THtmlLinkClick click = ResolveLinkClick(renderer.LinkText());  // left button down
//
// Tree lifetime: Parse replaces every node under the root. The renderer notices this through
// the root's Revision: from that Parse until the next Layout it reports no chunks, ChunkAt and
// FindLink find nothing, and HotNode() is none, so no pointer into the old tree is ever handed
// out or followed. Layout after a Parse starts with no hot node (the next mouse move finds the
// link again); Layout of the same tree (a new width) keeps the hot node.
// The root must outlive the renderer (the label declares the parser before the renderer).
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "controls/html_parser.h"

namespace tarvex {

struct THtmlPoint {
    int X = 0;
    int Y = 0;
};

struct THtmlRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

struct TTextExtent {
    int Width = 0;
    int Height = 0;
};

// Measuring surface. The Win32 adapter selects the font into a memory DC compatible with the
// screen (transparent background) and answers with GetTextMetricsW (tmHeight),
// GetTextExtentPoint32W and IsCharAlphaNumericW, converting UTF-8 to UTF-16 for the calls.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // Makes the font current for LineHeight and Extent.
    virtual void SelectFont(const FontSpec& font) = 0;
    // Line height of the current font.
    virtual int LineHeight() = 0;
    // Size of a UTF-8 string in the current font. An empty string must give width 0 and the
    // current line height.
    virtual TTextExtent Extent(std::string_view text) = 0;
    // Letter-or-digit test of one character.
    virtual bool IsAlphaNumeric(char32_t ch) const = 0;
};

// Sizes of the image list that IMG elements draw from (all images share one size).
class THtmlImageSource {
public:
    virtual ~THtmlImageSource() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int Count() const = 0;
};

enum class THtmlAlignment { taLeftJustify, taRightJustify, taCenter };

// One piece of laid-out output.
struct THtmlRenderChunk {
    TFontData FontData;  // the node's Name, Size, Color and Style; hover fields stay empty
    int Left = 0;        // client position before alignment
    int Top = 0;
    std::string Text;  // the token; empty for an image or an indent
    int Width = 0;
    int Height = 0;
    const THtmlNode* Node = nullptr;  // the node that produced it (not owned)
};

// What the painter needs for one chunk, in drawing order.
struct THtmlPaintItem {
    const THtmlRenderChunk* Chunk = nullptr;
    int Left = 0;         // drawing left after alignment; draw at (Left, Chunk->Top)
    FontSpec Font;        // font to draw the text with (hover form inside the hot link)
    int ImageIndex = -1;  // image to draw at (Left, Chunk->Top), enabled; -1: none
};

// Sum of chunk widths per line, keyed by the line's Top.
using THtmlLineWidths = std::map<int, std::int64_t>;

class THtmlRenderer {
public:
    THtmlRenderer(const THtmlNode* root, TextMeasurer& measurer);
    THtmlRenderer(const THtmlRenderer&) = delete;
    THtmlRenderer& operator=(const THtmlRenderer&) = delete;

    // Splits the first token off `rest`: it ends after the first character that is not a letter
    // or digit (that character included), else it is the whole rest; a carriage return always
    // starts a token of its own. UTF-8 sequences are whole characters; a byte that is not part
    // of a valid sequence is one character of its own.
    static std::string_view NextToken(std::string_view& rest, const TextMeasurer& measurer);

    const THtmlNode* Root() const { return root_; }
    void SetRoot(const THtmlNode* root);

    // Rebuilds the chunks and content size from the tree. Tokens flow left to right from
    // bounds.Left/Top; with WordBreak a token that would pass bounds.Right moves to a new line
    // (unless it starts one). CR LF starts a new line; a lone CR is dropped. Lines are
    // top-aligned: a line ends at the bottom of everything laid out so far. Without a root
    // there are no chunks and the content size is 0 x 0.
    void Layout(const THtmlRect& bounds);

    std::span<const THtmlRenderChunk> Chunks() const;
    int ContentWidth() const { return contentWidth_; }
    int ContentHeight() const { return contentHeight_; }  // includes 2 pixels below the content
    THtmlLineWidths LineWidths() const;

    // Drawing left of a chunk for a client area spanning clientLeft..clientRight.
    int ChunkLeft(const THtmlRenderChunk& chunk, int clientLeft, int clientRight,
                  const THtmlLineWidths& lineWidths) const;
    // Everything PaintChunks needs, in order: the painter sets a clear brush, and for each item
    // draws non-empty text with DrawTextExW(DT_SINGLELINE) into (Left, Top, client.Right,
    // client.Bottom) in item.Font, then the image if ImageIndex >= 0, and restores its font.
    std::vector<THtmlPaintItem> PaintItems(const THtmlRect& client) const;
    // Font a chunk is drawn in: the hot node's hover font when the hot node is the chunk's node
    // or an ancestor of it (in every alignment), else the chunk's own font.
    FontSpec ChunkFont(const THtmlRenderChunk& chunk) const;

    // First chunk whose aligned box contains the point (left/top inside, right/bottom outside),
    // for a client area 0..clientWidth wide.
    const THtmlRenderChunk* ChunkAt(THtmlPoint point, int clientWidth) const;
    // The nearest node with a Link from the chunk at the point up through its parents, or none.
    // Stores that Link in LinkText (cleared first).
    const THtmlNode* FindLink(THtmlPoint point, int clientWidth);
    const std::string& LinkText() const { return linkText_; }

    // The link node under the mouse (see the tree lifetime note above).
    const THtmlNode* HotNode() const;
    // Returns true when the hot node changed (the label then repaints). nullptr clears it.
    bool SetHotNode(const THtmlNode* node);

    bool WordBreak() const { return wordBreak_; }
    bool AutoWidth() const { return autoWidth_; }
    void SetWordBreak(bool on);  // on turns AutoWidth off
    void SetAutoWidth(bool on);  // on turns WordBreak off
    bool AutoHeight = false;

    THtmlAlignment Alignment = THtmlAlignment::taLeftJustify;

    const THtmlImageSource* Images() const { return images_; }
    int ImagePadding() const { return imagePadding_; }
    // The image list (may be null, not owned) and the pixels added below each image.
    void SetImages(const THtmlImageSource* images, int imagePadding);

private:
    bool Current() const;
    void LayoutNode(const THtmlNode& node, const THtmlRect& bounds, std::int64_t& x, std::int64_t& y);

    const THtmlNode* root_;
    TextMeasurer& measurer_;
    std::vector<THtmlRenderChunk> chunks_;
    std::uint64_t layoutRevision_ = 0;  // root revision the chunks were made from
    int contentWidth_ = 0;
    int contentHeight_ = 0;
    std::int64_t width64_ = 0;  // content size while laying out, free of int overflow
    std::int64_t height64_ = 0;
    bool wordBreak_ = true;  // as a new label has it
    bool autoWidth_ = false;
    const THtmlImageSource* images_ = nullptr;
    int imagePadding_ = 0;
    const THtmlNode* hotNode_ = nullptr;
    std::uint64_t hotRevision_ = 0;
    std::string linkText_;
};

// True when a link value starts with "link:" (any case): such a link shows the link cursor.
bool IsLinkTarget(std::string_view linkText);

// True for the addresses a link may hand to the shell: "http://", "https://" or "mailto:" (the
// scheme in any letter case) at the very start, something after it, and no blank, control
// character or double quote anywhere. The shell runs whatever else it is given (a program
// path, file:, a scheme of another program), and a blank or quote could split the command
// line of the handler it starts; captions may carry text that did not come from the program.
bool IsWebOrMailAddress(std::string_view address);

// What a press on a link does, from FindLink's LinkText.
struct THtmlLinkClick {
    std::string Identifier;         // the href value; empty when the link has none
    bool RaiseOnLinkClick = false;  // call OnLinkClick(Identifier): a "link:" with a non-empty id
    bool OpenWithShell = false;     // then open Identifier (ShellExecuteW "open", SW_SHOWNORMAL):
                                    // it is a web or mail address (IsWebOrMailAddress)
};
THtmlLinkClick ResolveLinkClick(std::string_view linkText);

}  // namespace tarvex
