#pragma once
// Markup of the HTML label: a forgiving little HTML dialect (A, FONT, BR, B, U, IND, DIV, IMG)
// parsed into a tree of styled nodes. Nothing here ever fails on bad markup: whatever is not
// recognised stays in the text as typed. Strings are UTF-8; tag and attribute names compare
// without regard to the case of the ASCII letters only.
//
// Typical use (the label does this on every caption, font or link-setting change):
//     THtmlParser parser;
//     parser.SetLinkColor(kClBlue);
//     parser.SetFont(labelFont);
//     parser.Parse(caption);
//     ... parser.Root() is the tree; THtmlRenderer (html_layout.h) lays it out.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ascii_text.h"

namespace tarvex {

// Colour value in the stored form $00BBGGRR (red in the low byte). A high byte of $FF marks a
// Windows system colour whose low byte is the system colour index; it is resolved when drawn.
using TColor = std::uint32_t;

inline constexpr TColor kClBlack = 0x000000;
inline constexpr TColor kClBlue = 0xFF0000;
inline constexpr TColor kClWhite = 0xFFFFFF;
inline constexpr TColor kClSilver = 0xC0C0C0;
inline constexpr TColor kClNone = 0x1FFFFFFF;
inline constexpr TColor kClDefault = 0x20000000;
inline constexpr TColor kClSystemColor = 0xFF000000;  // plus the system colour index

constexpr bool IsSystemColor(TColor color) {
    return (color & 0xFF000000u) == kClSystemColor;
}
constexpr int SystemColorIndex(TColor color) {
    return static_cast<int>(color & 0xFFu);
}

enum class TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A set of font styles.
class TFontStyles {
public:
    constexpr TFontStyles() = default;
    // Implicit on purpose: a single style reads as the set of that style.
    constexpr TFontStyles(TFontStyle style) : bits_(static_cast<std::uint8_t>(style)) {}

    constexpr bool Contains(TFontStyle style) const { return (bits_ & static_cast<std::uint8_t>(style)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TFontStyles& Include(TFontStyle style) {
        bits_ = static_cast<std::uint8_t>(bits_ | static_cast<std::uint8_t>(style));
        return *this;
    }
    constexpr TFontStyles operator|(TFontStyles other) const { return FromBits(bits_ | other.bits_); }
    constexpr std::uint8_t Bits() const { return bits_; }
    static constexpr TFontStyles FromBits(unsigned bits) {
        TFontStyles s;
        s.bits_ = static_cast<std::uint8_t>(bits & 0x0Fu);
        return s;
    }
    friend constexpr bool operator==(TFontStyles, TFontStyles) = default;

private:
    std::uint8_t bits_ = 0;
};

constexpr TFontStyles operator|(TFontStyle a, TFontStyle b) {
    return TFontStyles(a) | TFontStyles(b);
}

// The plain font record exchanged with the platform: face, size in points, colour and style.
struct FontSpec {
    std::string Name;
    TColor Color = 0;
    int Size = 0;
    TFontStyles Style;

    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Text style of one node. A new one is all zero and empty.
struct TFontData {
    std::string Name;
    TColor Color = 0;
    int Size = 0;
    TFontStyles Style;
    TColor HoverColor = 0;   // colour while the enclosing link is under the mouse
    TFontStyles HoverStyle;  // style while the enclosing link is under the mouse

    // Copy Name, Size, Color and Style only; the hover fields are never copied.
    void Assign(const TFontData& source);
    void Assign(const FontSpec& source);
    // Set the font's name and size, then its colour and style from the normal or hover fields.
    void ApplyTo(FontSpec& font, bool hover) const;
    FontSpec ToFont(bool hover) const;
};

// One node of the tree: the root (the whole caption, styled with the label font), an element
// (one per recognised tag) or a text node (the text between tags). A node owns its children;
// Parent is a plain back reference kept up to date by AppendChild/RemoveChild/ClearChildren.
class THtmlNode {
public:
    THtmlNode() = default;
    THtmlNode(const THtmlNode&) = delete;
    THtmlNode& operator=(const THtmlNode&) = delete;
    virtual ~THtmlNode();

    std::string Text;  // literal text, or what an element contributes (BR, IND, DIV)
    TFontData FontData;
    std::string Link;     // empty, or "link:" followed by the href value
    int ImageIndex = -1;  // image of an IMG element; -1: none
    int Indent = 0;       // absolute x of an IND element; 0: none

    THtmlNode* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<THtmlNode>>& Children() const { return children_; }

    // Appends the child (setting its Parent) and returns it.
    THtmlNode* AppendChild(std::unique_ptr<THtmlNode> child);
    // Takes the child out of this node's list; nullptr when it is not a child of this node.
    std::unique_ptr<THtmlNode> RemoveChild(const THtmlNode* child);
    // Frees all descendants (without recursion, so any depth is safe) and bumps Revision.
    void ClearChildren();
    // Counts ClearChildren calls: a change tells holders of pointers into the old subtree
    // (the renderer's chunks and hot node) that those pointers are gone.
    std::uint64_t Revision() const { return revision_; }

    // Copies the source style in (TFontData::Assign).
    virtual void AssignFont(const TFontData& source);

private:
    THtmlNode* parent_ = nullptr;
    std::vector<std::unique_ptr<THtmlNode>> children_;
    std::uint64_t revision_ = 0;
};

struct THtmlAttribute {
    std::string Name;   // as typed; compare with AsciiEqualsIgnoreCase
    std::string Value;  // outer double quotes removed and "" turned into "
};

// A registered tag; the parser holds one per name and uses it for every element of that name.
class THtmlTag {
public:
    THtmlTag(std::string name, bool isContainer);
    THtmlTag(const THtmlTag&) = delete;
    THtmlTag& operator=(const THtmlTag&) = delete;
    virtual ~THtmlTag();

    const std::string& Name() const { return name_; }  // lower case
    bool IsContainer() const { return isContainer_; }  // has content and a closing tag

    virtual std::unique_ptr<THtmlNode> CreateNode() const;
    // Gives the element's node its effect; the node already carries its parent's style.
    virtual void Apply(std::string_view attributes, THtmlNode& node) const;

    // Splits attribute text into name=value items, in order. Items are separated by spaces,
    // tabs, CR and LF; quoted runs (either quote) stay in one item; items without "=" are dropped.
    static std::vector<THtmlAttribute> ParseAttributes(std::string_view attributes);

private:
    std::string name_;
    bool isContainer_;
};

class TLinkTag : public THtmlTag {
public:
    TLinkTag();
    void Apply(std::string_view attributes, THtmlNode& node) const override;

    // Copies of the label's link settings, written by THtmlParser.
    bool LinkHover = false;
    TColor LinkColor = 0;
    TColor LinkHoverColor = 0;
    bool LinkHoverUnderline = false;
};

class TFontTag : public THtmlTag {
public:
    TFontTag();
    void Apply(std::string_view attributes, THtmlNode& node) const override;
};

class TLineBreakTag : public THtmlTag {
public:
    TLineBreakTag();
    void Apply(std::string_view attributes, THtmlNode& node) const override;
};

class TBoldTag : public THtmlTag {
public:
    TBoldTag();
    void Apply(std::string_view attributes, THtmlNode& node) const override;
};

class TUnderlineTag : public THtmlTag {
public:
    TUnderlineTag();
    void Apply(std::string_view attributes, THtmlNode& node) const override;
};

class TIdentTag : public THtmlTag {
public:
    TIdentTag();
    void Apply(std::string_view attributes, THtmlNode& node) const override;
};

class TDivTag : public THtmlTag {
public:
    TDivTag();
    void Apply(std::string_view attributes, THtmlNode& node) const override;
};

class TImageTag : public THtmlTag {
public:
    TImageTag();
    void Apply(std::string_view attributes, THtmlNode& node) const override;
};

// Result of a tag lookup: the tag (or none) and the tag text between "<" and ">".
struct THtmlTagMatch {
    const THtmlTag* Tag = nullptr;
    std::string_view TagText;
    std::string_view Attributes;  // the tag text after the name and its blank; empty without
};

// Owns the tree and the tags. Root is the same object for the parser's whole life.
class THtmlParser {
public:
    THtmlParser();  // registers "a", "font", "br", "b", "u", "ind", "div", "img" in this order
    THtmlParser(const THtmlParser&) = delete;
    THtmlParser& operator=(const THtmlParser&) = delete;
    ~THtmlParser();

    THtmlNode& Root() { return *root_; }
    const THtmlNode& Root() const { return *root_; }
    const std::vector<std::unique_ptr<THtmlTag>>& Tags() const { return tags_; }
    const FontSpec& Font() const { return font_; }

    // Appends a tag to the search list; a null tag throws std::logic_error("Assertion failure").
    void AddTag(std::unique_ptr<THtmlTag> tag);
    // Copies the label font into Font and into the root's style.
    void SetFont(const FontSpec& font);
    // Rebuilds the tree under Root for the caption. Never fails; linear in the caption length.
    void Parse(std::string_view caption);
    // Looks up the tag whose text starts at `start` (just after "<" or "</") and ends at the
    // first ">" after it. No ">" or an unregistered name gives no tag.
    THtmlTagMatch FindTag(std::string_view caption, std::size_t start) const;

    // Link settings: stored and written into every TLinkTag; they reach the tree at the next Parse.
    // A new parser has colour 0 and both switches off; the label sets both colours to clBlue.
    TColor LinkColor() const { return linkColor_; }
    TColor LinkHoverColor() const { return linkHoverColor_; }
    bool LinkHover() const { return linkHover_; }
    bool LinkHoverUnderline() const { return linkHoverUnderline_; }
    void SetLinkColor(TColor color);
    void SetLinkHoverColor(TColor color);
    void SetLinkHover(bool on);
    void SetLinkHoverUnderline(bool on);

private:
    THtmlTagMatch FindTagEndingAt(std::string_view caption, std::size_t start, std::size_t close) const;
    void PushLinkSettings();

    std::unique_ptr<THtmlNode> root_;
    std::vector<std::unique_ptr<THtmlTag>> tags_;
    FontSpec font_;
    TColor linkColor_ = 0;
    TColor linkHoverColor_ = 0;
    bool linkHover_ = false;
    bool linkHoverUnderline_ = false;
};

// Integer attribute syntax: optional leading blanks, an optional sign, then decimal digits or
// hexadecimal digits after "$", "x" or "0x" (either case of x), and nothing after the digits.
// Decimal values must fit 32 bits signed; hexadecimal ones 32 bits (read as two's complement).
std::optional<std::int32_t> ParseHtmlInteger(std::string_view text);

// Colour syntax of FONT color: a named colour (case-insensitive), else an integer taken as the
// stored value, else "#RRGGBB" (hex digits, red and blue exchanged for storage). Else none.
std::optional<TColor> ParseHtmlColor(std::string_view text);

// One of the 52 named colours ("clBlack" ... "clMenuBar", "clNone", "clDefault"), any case.
std::optional<TColor> ColorFromName(std::string_view name);

// The caption as the label keeps it: every line break (CR LF, CR or LF) becomes CR LF, and
// trailing line breaks are removed.
std::string NormalizeCaptionLineBreaks(std::string_view text);

}  // namespace tarvex
