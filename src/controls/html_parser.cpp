#include "controls/html_parser.h"

#include <array>
#include <stdexcept>
#include <utility>

namespace tarvex {
namespace {

constexpr bool IsAttributeSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Value of a hexadecimal or decimal digit, or -1.
int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a non-empty run of digits that makes up the whole text, up to `limit`.
std::optional<std::uint64_t> ReadDigits(std::string_view digits, bool hex, std::uint64_t limit) {
    if (digits.empty()) return std::nullopt;
    const std::uint64_t base = hex ? 16 : 10;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int d = DigitValue(c, hex);
        if (d < 0) return std::nullopt;
        value = value * base + static_cast<std::uint64_t>(d);
        if (value > limit) return std::nullopt;
    }
    return value;
}

struct NamedColor {
    std::string_view Name;
    TColor Value;
};

constexpr TColor Sys(unsigned index) {
    return kClSystemColor | index;
}

constexpr std::array<NamedColor, 52> kNamedColors{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clScrollBar", Sys(0)},
    {"clBackground", Sys(1)},
    {"clActiveCaption", Sys(2)},
    {"clInactiveCaption", Sys(3)},
    {"clMenu", Sys(4)},
    {"clWindow", Sys(5)},
    {"clWindowFrame", Sys(6)},
    {"clMenuText", Sys(7)},
    {"clWindowText", Sys(8)},
    {"clCaptionText", Sys(9)},
    {"clActiveBorder", Sys(10)},
    {"clInactiveBorder", Sys(11)},
    {"clAppWorkSpace", Sys(12)},
    {"clHighlight", Sys(13)},
    {"clHighlightText", Sys(14)},
    {"clBtnFace", Sys(15)},
    {"clBtnShadow", Sys(16)},
    {"clGrayText", Sys(17)},
    {"clBtnText", Sys(18)},
    {"clInactiveCaptionText", Sys(19)},
    {"clBtnHighlight", Sys(20)},
    {"cl3DDkShadow", Sys(21)},
    {"cl3DLight", Sys(22)},
    {"clInfoText", Sys(23)},
    {"clInfoBk", Sys(24)},
    {"clHotLight", Sys(26)},
    {"clGradientActiveCaption", Sys(27)},
    {"clGradientInactiveCaption", Sys(28)},
    {"clMenuHighlight", Sys(29)},
    {"clMenuBar", Sys(30)},
    {"clNone", kClNone},
    {"clDefault", kClDefault},
}};

void AssertPresent(const void* p) {
    if (p == nullptr) throw std::logic_error("Assertion failure");
}

// Appends a text node carrying the parent's style.
void AddTextNode(THtmlNode& parent, std::string_view text) {
    auto node = std::make_unique<THtmlNode>();
    node->AssignFont(parent.FontData);
    node->Text.assign(text);
    parent.AppendChild(std::move(node));
}

}  // namespace

std::string NormalizeCaptionLineBreaks(std::string_view text) {
    std::string result;
    result.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            result += "\r\n";
        } else {
            result += c;
        }
    }
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n')) result.pop_back();
    return result;
}

std::optional<std::int32_t> ParseHtmlInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        i += 1;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    const std::string_view digits = text.substr(i);
    if (hex) {
        // Hexadecimal fills all 32 bits; the sign then negates in two's complement.
        const auto value = ReadDigits(digits, true, 0xFFFFFFFFu);
        if (!value) return std::nullopt;
        std::uint32_t bits = static_cast<std::uint32_t>(*value);
        if (negative) bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }
    const std::uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
    const auto value = ReadDigits(digits, false, limit);
    if (!value) return std::nullopt;
    const auto signedValue = static_cast<std::int64_t>(*value);
    return static_cast<std::int32_t>(negative ? -signedValue : signedValue);
}

std::optional<TColor> ColorFromName(std::string_view name) {
    for (const auto& entry : kNamedColors) {
        if (AsciiEqualsIgnoreCase(entry.Name, name)) return entry.Value;
    }
    return std::nullopt;
}

std::optional<TColor> ParseHtmlColor(std::string_view text) {
    if (auto named = ColorFromName(text)) return named;
    if (auto value = ParseHtmlInteger(text)) return static_cast<TColor>(*value);
    if (!text.empty() && text.front() == '#') {
        const auto rgb = ReadDigits(text.substr(1), true, 0xFFFFFFFFu);
        if (!rgb) return std::nullopt;
        // Written as RRGGBB, stored as BBGGRR: exchange red and blue, keep the rest.
        const auto v = static_cast<TColor>(*rgb);
        return (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
    }
    return std::nullopt;
}

// ---- TFontData ----

void TFontData::Assign(const TFontData& source) {
    Name = source.Name;
    Size = source.Size;
    Color = source.Color;
    Style = source.Style;
}

void TFontData::Assign(const FontSpec& source) {
    Name = source.Name;
    Size = source.Size;
    Color = source.Color;
    Style = source.Style;
}

void TFontData::ApplyTo(FontSpec& font, bool hover) const {
    font.Name = Name;
    font.Size = Size;
    font.Color = hover ? HoverColor : Color;
    font.Style = hover ? HoverStyle : Style;
}

FontSpec TFontData::ToFont(bool hover) const {
    FontSpec font;
    ApplyTo(font, hover);
    return font;
}

// ---- THtmlNode ----

THtmlNode::~THtmlNode() {
    ClearChildren();
}

THtmlNode* THtmlNode::AppendChild(std::unique_ptr<THtmlNode> child) {
    AssertPresent(child.get());
    child->parent_ = this;
    children_.push_back(std::move(child));
    return children_.back().get();
}

std::unique_ptr<THtmlNode> THtmlNode::RemoveChild(const THtmlNode* child) {
    for (auto it = children_.begin(); it != children_.end(); ++it) {
        if (it->get() == child) {
            std::unique_ptr<THtmlNode> taken = std::move(*it);
            children_.erase(it);
            taken->parent_ = nullptr;
            return taken;
        }
    }
    return nullptr;
}

void THtmlNode::ClearChildren() {
    ++revision_;
    // Deeply nested markup makes deep trees: free them with a work list, not recursion.
    std::vector<std::unique_ptr<THtmlNode>> pending = std::move(children_);
    children_.clear();
    while (!pending.empty()) {
        std::unique_ptr<THtmlNode> node = std::move(pending.back());
        pending.pop_back();
        node->parent_ = nullptr;
        for (auto& child : node->children_) pending.push_back(std::move(child));
        node->children_.clear();
    }
}

void THtmlNode::AssignFont(const TFontData& source) {
    FontData.Assign(source);
}

// ---- THtmlTag ----

THtmlTag::THtmlTag(std::string name, bool isContainer) : name_(std::move(name)), isContainer_(isContainer) {}

THtmlTag::~THtmlTag() = default;

std::unique_ptr<THtmlNode> THtmlTag::CreateNode() const {
    return std::make_unique<THtmlNode>();
}

void THtmlTag::Apply(std::string_view /*attributes*/, THtmlNode& /*node*/) const {}

std::vector<THtmlAttribute> THtmlTag::ParseAttributes(std::string_view attributes) {
    std::vector<THtmlAttribute> result;
    std::size_t i = 0;
    const std::size_t n = attributes.size();
    while (i < n) {
        while (i < n && IsAttributeSeparator(attributes[i])) ++i;
        if (i >= n) break;
        const std::size_t start = i;
        while (i < n && !IsAttributeSeparator(attributes[i])) {
            const char c = attributes[i++];
            if (c == '"' || c == '\'') {
                // A quoted run keeps its separators; an unclosed quote runs to the end.
                while (i < n && attributes[i] != c) ++i;
                if (i < n) ++i;
            }
        }
        const std::string_view item = attributes.substr(start, i - start);
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos) continue;
        THtmlAttribute attribute;
        attribute.Name.assign(item.substr(0, eq));
        std::string_view value = item.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
            attribute.Value.reserve(value.size());
            for (std::size_t k = 0; k < value.size(); ++k) {
                attribute.Value.push_back(value[k]);
                if (value[k] == '"' && k + 1 < value.size() && value[k + 1] == '"') ++k;
            }
        } else {
            attribute.Value.assign(value);
        }
        result.push_back(std::move(attribute));
    }
    return result;
}

TLinkTag::TLinkTag() : THtmlTag("a", true) {}

void TLinkTag::Apply(std::string_view attributes, THtmlNode& node) const {
    TFontData& font = node.FontData;
    font.Color = LinkColor;
    if (LinkHover) {
        font.HoverColor = LinkHoverColor;
        if (LinkHoverUnderline) font.HoverStyle = font.Style | TFontStyle::fsUnderline;
    } else {
        font.Style.Include(TFontStyle::fsUnderline);
        font.HoverStyle = font.Style;
        font.HoverColor = LinkColor;
    }
    std::string href;
    for (const auto& attribute : ParseAttributes(attributes)) {
        if (AsciiEqualsIgnoreCase(attribute.Name, "href")) href = attribute.Value;
    }
    node.Link = "link:" + href;
}

TFontTag::TFontTag() : THtmlTag("font", true) {}

void TFontTag::Apply(std::string_view attributes, THtmlNode& node) const {
    TFontData& font = node.FontData;
    for (const auto& attribute : ParseAttributes(attributes)) {
        if (AsciiEqualsIgnoreCase(attribute.Name, "color")) {
            if (auto color = ParseHtmlColor(attribute.Value)) font.Color = *color;
            font.HoverColor = font.Color;
        } else if (AsciiEqualsIgnoreCase(attribute.Name, "face")) {
            font.Name = attribute.Value;
        } else if (AsciiEqualsIgnoreCase(attribute.Name, "size")) {
            if (auto size = ParseHtmlInteger(attribute.Value)) font.Size = *size;
        }
    }
}

TLineBreakTag::TLineBreakTag() : THtmlTag("br", false) {}

void TLineBreakTag::Apply(std::string_view /*attributes*/, THtmlNode& node) const {
    node.Text = "\r\n";
}

TBoldTag::TBoldTag() : THtmlTag("b", true) {}

void TBoldTag::Apply(std::string_view /*attributes*/, THtmlNode& node) const {
    node.FontData.Style.Include(TFontStyle::fsBold);
}

TUnderlineTag::TUnderlineTag() : THtmlTag("u", true) {}

void TUnderlineTag::Apply(std::string_view /*attributes*/, THtmlNode& node) const {
    node.FontData.Style.Include(TFontStyle::fsUnderline);
}

TIdentTag::TIdentTag() : THtmlTag("ind", false) {}

void TIdentTag::Apply(std::string_view attributes, THtmlNode& node) const {
    node.Indent = 0;
    for (const auto& attribute : ParseAttributes(attributes)) {
        if (AsciiEqualsIgnoreCase(attribute.Name, "x")) {
            node.Text = "\t";
            node.Indent = ParseHtmlInteger(attribute.Value).value_or(-1);
            return;
        }
    }
}

TDivTag::TDivTag() : THtmlTag("div", false) {}

void TDivTag::Apply(std::string_view /*attributes*/, THtmlNode& node) const {
    node.Text = " | ";
    node.FontData.Color = kClSilver;
    node.FontData.HoverColor = kClSilver;
}

TImageTag::TImageTag() : THtmlTag("img", false) {}

void TImageTag::Apply(std::string_view attributes, THtmlNode& node) const {
    node.ImageIndex = -1;
    for (const auto& attribute : ParseAttributes(attributes)) {
        if (AsciiEqualsIgnoreCase(attribute.Name, "src")) {
            std::string_view value = attribute.Value;
            bool hasPrefix = false;
            for (std::size_t i = 0; i + 4 <= value.size() && !hasPrefix; ++i) {
                hasPrefix = AsciiEqualsIgnoreCase(value.substr(i, 4), "idx:");
            }
            // The prefix is taken to stand first: the first four characters go whatever they are.
            if (hasPrefix) value.remove_prefix(4);
            node.ImageIndex = ParseHtmlInteger(value).value_or(-1);
            return;
        }
    }
}

// ---- THtmlParser ----

THtmlParser::THtmlParser() : root_(std::make_unique<THtmlNode>()) {
    AddTag(std::make_unique<TLinkTag>());
    AddTag(std::make_unique<TFontTag>());
    AddTag(std::make_unique<TLineBreakTag>());
    AddTag(std::make_unique<TBoldTag>());
    AddTag(std::make_unique<TUnderlineTag>());
    AddTag(std::make_unique<TIdentTag>());
    AddTag(std::make_unique<TDivTag>());
    AddTag(std::make_unique<TImageTag>());
}

THtmlParser::~THtmlParser() = default;

void THtmlParser::AddTag(std::unique_ptr<THtmlTag> tag) {
    AssertPresent(tag.get());
    tags_.push_back(std::move(tag));
    PushLinkSettings();
}

void THtmlParser::SetFont(const FontSpec& font) {
    font_ = font;
    root_->FontData.Assign(font);
}

void THtmlParser::SetLinkColor(TColor color) {
    linkColor_ = color;
    PushLinkSettings();
}

void THtmlParser::SetLinkHoverColor(TColor color) {
    linkHoverColor_ = color;
    PushLinkSettings();
}

void THtmlParser::SetLinkHover(bool on) {
    linkHover_ = on;
    PushLinkSettings();
}

void THtmlParser::SetLinkHoverUnderline(bool on) {
    linkHoverUnderline_ = on;
    PushLinkSettings();
}

void THtmlParser::PushLinkSettings() {
    for (auto& tag : tags_) {
        if (auto* link = dynamic_cast<TLinkTag*>(tag.get())) {
            link->LinkColor = linkColor_;
            link->LinkHoverColor = linkHoverColor_;
            link->LinkHover = linkHover_;
            link->LinkHoverUnderline = linkHoverUnderline_;
        }
    }
}

THtmlTagMatch THtmlParser::FindTag(std::string_view caption, std::size_t start) const {
    if (start > caption.size()) return {};
    return FindTagEndingAt(caption, start, caption.find('>', start));
}

// `close` is the position of the first ">" at or after `start` (npos: none). The name is what
// stands before the first blank, so a tag name matches when the tag text starts with it and
// ends or goes on with a blank there; this keeps each lookup independent of the text's length.
THtmlTagMatch THtmlParser::FindTagEndingAt(std::string_view caption, std::size_t start, std::size_t close) const {
    if (close == std::string_view::npos) return {};
    THtmlTagMatch match;
    match.TagText = caption.substr(start, close - start);
    for (const auto& tag : tags_) {
        const std::string& name = tag->Name();
        const std::string_view text = match.TagText;
        if (text.size() < name.size() || !AsciiEqualsIgnoreCase(text.substr(0, name.size()), name)) continue;
        if (text.size() == name.size()) {
            match.Tag = tag.get();
            return match;
        }
        if (text[name.size()] == ' ') {
            match.Tag = tag.get();
            match.Attributes = text.substr(name.size() + 1);
            return match;
        }
    }
    return match;
}

void THtmlParser::Parse(std::string_view caption) {
    root_->ClearChildren();
    THtmlNode* current = root_.get();
    std::vector<const THtmlTag*> open;  // open containers, innermost last
    std::size_t pending = 0;            // start of text not yet in a node
    const std::size_t n = caption.size();
    // First ">" after the current "<". Positions only move forward, so keeping it between
    // lookups makes the whole scan linear however many "<" share one ">".
    std::size_t close = 0;

    const auto flushText = [&](std::size_t end) {
        if (end > pending) AddTextNode(*current, caption.substr(pending, end - pending));
    };

    for (std::size_t pos = 0; pos < n; ++pos) {
        if (caption[pos] != '<') continue;
        if (close != std::string_view::npos && close <= pos) close = caption.find('>', pos + 1);
        if (close == std::string_view::npos) break;  // no tag can follow: the rest is text

        const THtmlTag* element = open.empty() ? nullptr : open.back();
        if (element != nullptr && element->IsContainer() && pos + 2 < n && caption[pos + 1] == '/') {
            if (FindTagEndingAt(caption, pos + 2, close).Tag == element) {
                flushText(pos);
                pending = close + 1;
                pos = close;
                open.pop_back();
                current = current->Parent();
                continue;
            }
        }
        if (pos + 1 < n) {
            const THtmlTagMatch match = FindTagEndingAt(caption, pos + 1, close);
            if (match.Tag != nullptr) {
                flushText(pos);
                pending = close + 1;
                pos = close;
                auto created = match.Tag->CreateNode();
                AssertPresent(created.get());
                created->AssignFont(current->FontData);
                THtmlNode* node = current->AppendChild(std::move(created));
                match.Tag->Apply(match.Attributes, *node);
                if (match.Tag->IsContainer()) {
                    open.push_back(match.Tag);
                    current = node;
                }
            }
        }
    }
    flushText(n);
}

}  // namespace tarvex
