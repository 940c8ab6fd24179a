#include "controls/html_layout.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <utility>

namespace tarvex {
namespace {

// Positions are summed in 64 bits (indents and sizes come from the caption) and stored
// clamped, so no input overflows.
int ClampToInt(std::int64_t v) {
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0u) == 0x80u;
}

// Decodes the character at the front of a non-empty string; `length` gets its byte count.
// Malformed, overlong or surrogate sequences give U+FFFD for their first byte alone.
char32_t DecodeFront(std::string_view text, std::size_t& length) {
    const auto b0 = static_cast<unsigned char>(text[0]);
    length = 1;
    if (b0 < 0x80u) return b0;
    // Sequence length, payload bits of the lead byte and the smallest value it may encode.
    std::size_t need = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b0 >= 0xC2u && b0 <= 0xDFu) {
        need = 1;
        cp = b0 & 0x1Fu;
        min = 0x80;
    } else if (b0 >= 0xE0u && b0 <= 0xEFu) {
        need = 2;
        cp = b0 & 0x0Fu;
        min = 0x800;
    } else if (b0 >= 0xF0u && b0 <= 0xF4u) {
        need = 3;
        cp = b0 & 0x07u;
        min = 0x10000;
    } else {
        return 0xFFFD;
    }
    if (text.size() <= need) return 0xFFFD;
    for (std::size_t i = 1; i <= need; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (!IsContinuation(b)) return 0xFFFD;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    length = need + 1;
    return cp;
}

}  // namespace

THtmlRenderer::THtmlRenderer(const THtmlNode* root, TextMeasurer& measurer) : root_(root), measurer_(measurer) {
    if (root_ != nullptr) layoutRevision_ = root_->Revision();
}

std::string_view THtmlRenderer::NextToken(std::string_view& rest, const TextMeasurer& measurer) {
    std::size_t end = 0;
    while (end < rest.size()) {
        // A carriage return always starts a token, so CR LF breaks the line after a word too.
        if (rest[end] == '\r' && end > 0) break;
        std::size_t length = 0;
        const char32_t ch = DecodeFront(rest.substr(end), length);
        end += length;
        if (!measurer.IsAlphaNumeric(ch)) break;
    }
    const std::string_view token = rest.substr(0, end);
    rest.remove_prefix(end);
    return token;
}

void THtmlRenderer::SetRoot(const THtmlNode* root) {
    root_ = root;
    chunks_.clear();
    hotNode_ = nullptr;
    linkText_.clear();
    layoutRevision_ = root_ != nullptr ? root_->Revision() : 0;
}

bool THtmlRenderer::Current() const {
    return root_ != nullptr && root_->Revision() == layoutRevision_;
}

std::span<const THtmlRenderChunk> THtmlRenderer::Chunks() const {
    if (!Current()) return {};
    return chunks_;
}

void THtmlRenderer::SetWordBreak(bool on) {
    wordBreak_ = on;
    if (on) autoWidth_ = false;
}

void THtmlRenderer::SetAutoWidth(bool on) {
    autoWidth_ = on;
    if (on) wordBreak_ = false;
}

void THtmlRenderer::SetImages(const THtmlImageSource* images, int imagePadding) {
    images_ = images;
    imagePadding_ = imagePadding;
}

const THtmlNode* THtmlRenderer::HotNode() const {
    if (hotNode_ == nullptr || root_ == nullptr || root_->Revision() != hotRevision_) return nullptr;
    return hotNode_;
}

bool THtmlRenderer::SetHotNode(const THtmlNode* node) {
    const bool changed = node != HotNode();
    hotNode_ = node;
    hotRevision_ = root_ != nullptr ? root_->Revision() : 0;
    return changed;
}

void THtmlRenderer::Layout(const THtmlRect& bounds) {
    chunks_.clear();
    contentWidth_ = 0;
    contentHeight_ = 0;
    if (root_ == nullptr) return;
    if (root_->Revision() != layoutRevision_) {
        // A new tree: the hot node belonged to the old one.
        hotNode_ = nullptr;
        linkText_.clear();
        layoutRevision_ = root_->Revision();
    }
    std::int64_t x = bounds.Left;
    std::int64_t y = bounds.Top;
    width64_ = 0;
    height64_ = 0;

    // Pre-order walk with an explicit stack: captions can nest elements arbitrarily deep.
    std::vector<const THtmlNode*> stack{root_};
    while (!stack.empty()) {
        const THtmlNode* node = stack.back();
        stack.pop_back();
        LayoutNode(*node, bounds, x, y);
        const auto& children = node->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(it->get());
    }
    height64_ += 2;
    contentWidth_ = ClampToInt(width64_);
    contentHeight_ = ClampToInt(height64_);
}

void THtmlRenderer::LayoutNode(const THtmlNode& node, const THtmlRect& bounds, std::int64_t& x, std::int64_t& y) {
    measurer_.SelectFont(node.FontData.ToFont(&node == HotNode()));
    const std::int64_t lineHeight = measurer_.LineHeight();
    if (node.Text.empty() && node.ImageIndex < 0) return;

    std::string_view rest = node.Text;
    do {
        std::string_view token = NextToken(rest, measurer_);
        if (token == "\r") {
            // CR LF breaks the line. A lone CR is dropped; the text after it stays.
            if (!rest.empty() && rest.front() == '\n') {
                rest.remove_prefix(1);
                width64_ = std::max(width64_, x);
                x = bounds.Left;
                y = std::max(height64_, y + lineHeight);
            }
            continue;
        }
        if (token == "\t" && node.Indent > 0) {
            token = {};
            x = node.Indent;  // absolute, not an offset
        }
        std::int64_t w = 0;
        std::int64_t h = 0;
        if (node.ImageIndex >= 0 && images_ != nullptr) {
            w = images_->Width();
            h = static_cast<std::int64_t>(images_->Height()) + imagePadding_;
        } else {
            const TTextExtent extent = measurer_.Extent(token);
            w = extent.Width;
            h = extent.Height;
        }
        height64_ = std::max(height64_, y + h);
        if (wordBreak_ && x + w > bounds.Right && x > bounds.Left) {
            width64_ = std::max(width64_, x);
            x = bounds.Left;
            y = height64_;
            height64_ += h;
        }
        THtmlRenderChunk& chunk = chunks_.emplace_back();
        chunk.FontData.Assign(node.FontData);
        chunk.Left = ClampToInt(x);
        chunk.Top = ClampToInt(y);
        chunk.Text.assign(token);
        chunk.Width = ClampToInt(w);
        chunk.Height = ClampToInt(h);
        chunk.Node = &node;
        x += w;
        width64_ = std::max(width64_, x);
    } while (!rest.empty());
}

THtmlLineWidths THtmlRenderer::LineWidths() const {
    THtmlLineWidths widths;
    for (const auto& chunk : Chunks()) widths[chunk.Top] += chunk.Width;
    return widths;
}

int THtmlRenderer::ChunkLeft(const THtmlRenderChunk& chunk, int clientLeft, int clientRight,
                             const THtmlLineWidths& lineWidths) const {
    if (Alignment == THtmlAlignment::taLeftJustify) return chunk.Left;
    const auto found = lineWidths.find(chunk.Top);
    const std::int64_t lineWidth = found != lineWidths.end() ? found->second : 0;
    if (Alignment == THtmlAlignment::taCenter) {
        return ClampToInt((static_cast<std::int64_t>(clientLeft) + clientRight) / 2 - lineWidth / 2 + chunk.Left);
    }
    return ClampToInt(static_cast<std::int64_t>(clientRight) + chunk.Left - lineWidth);
}

FontSpec THtmlRenderer::ChunkFont(const THtmlRenderChunk& chunk) const {
    if (const THtmlNode* hot = HotNode()) {
        for (const THtmlNode* n = chunk.Node; n != nullptr; n = n->Parent()) {
            if (n == hot) return hot->FontData.ToFont(true);
        }
    }
    return chunk.FontData.ToFont(false);
}

std::vector<THtmlPaintItem> THtmlRenderer::PaintItems(const THtmlRect& client) const {
    std::vector<THtmlPaintItem> items;
    const auto chunks = Chunks();
    if (chunks.empty()) return items;
    const THtmlLineWidths lineWidths = Alignment == THtmlAlignment::taLeftJustify ? THtmlLineWidths{} : LineWidths();

    // Nodes drawn in hover form: the hot node and everything below it.
    std::unordered_set<const THtmlNode*> hotSubtree;
    const THtmlNode* hot = HotNode();
    if (hot != nullptr) {
        std::vector<const THtmlNode*> stack{hot};
        while (!stack.empty()) {
            const THtmlNode* node = stack.back();
            stack.pop_back();
            hotSubtree.insert(node);
            for (const auto& child : node->Children()) stack.push_back(child.get());
        }
    }

    items.reserve(chunks.size());
    for (const auto& chunk : chunks) {
        THtmlPaintItem& item = items.emplace_back();
        item.Chunk = &chunk;
        item.Left = ChunkLeft(chunk, client.Left, client.Right, lineWidths);
        item.Font = hotSubtree.contains(chunk.Node) ? hot->FontData.ToFont(true) : chunk.FontData.ToFont(false);
        const int index = chunk.Node->ImageIndex;
        if (images_ != nullptr && index >= 0 && index < images_->Count()) item.ImageIndex = index;
    }
    return items;
}

const THtmlRenderChunk* THtmlRenderer::ChunkAt(THtmlPoint point, int clientWidth) const {
    const auto chunks = Chunks();
    const THtmlLineWidths lineWidths = Alignment == THtmlAlignment::taLeftJustify ? THtmlLineWidths{} : LineWidths();
    for (const auto& chunk : chunks) {
        const std::int64_t left = ChunkLeft(chunk, 0, clientWidth, lineWidths);
        if (point.X >= left && point.X < left + chunk.Width && point.Y >= chunk.Top &&
            point.Y < static_cast<std::int64_t>(chunk.Top) + chunk.Height) {
            return &chunk;
        }
    }
    return nullptr;
}

const THtmlNode* THtmlRenderer::FindLink(THtmlPoint point, int clientWidth) {
    linkText_.clear();
    const THtmlRenderChunk* chunk = ChunkAt(point, clientWidth);
    if (chunk == nullptr) return nullptr;
    for (const THtmlNode* node = chunk->Node; node != nullptr; node = node->Parent()) {
        if (!node->Link.empty()) {
            linkText_ = node->Link;
            return node;
        }
    }
    return nullptr;
}

bool IsLinkTarget(std::string_view linkText) {
    return linkText.size() >= 5 && AsciiEqualsIgnoreCase(linkText.substr(0, 5), "link:");
}

THtmlLinkClick ResolveLinkClick(std::string_view linkText) {
    THtmlLinkClick click;
    if (!IsLinkTarget(linkText)) return click;
    click.Identifier.assign(linkText.substr(5));
    click.RaiseOnLinkClick = !click.Identifier.empty();
    click.OpenWithShell = IsWebOrMailAddress(click.Identifier);
    return click;
}

bool IsWebOrMailAddress(std::string_view address) {
    return IsShellAddress(address, {"http://", "https://", "mailto:"});
}

}  // namespace tarvex
