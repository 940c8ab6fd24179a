// Parse and lay out arbitrary captions at arbitrary widths and settings, then hit-test and
// collect paint items, checking the layout's invariants along the way.
// Input: byte 0 picks the width (x4), byte 1 the settings, the rest is the caption.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "../support/fuzz_check.h"
#include "../support/fake_text_measurer.h"
#include "controls/html_layout.h"
#include "controls/html_parser.h"

using tarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    if (size < 2) return 0;
    const int width = data[0] * 4;
    const std::uint8_t flags = data[1];
    const std::string_view caption(reinterpret_cast<const char*>(data + 2), size - 2);

    static testing::FakeTextMeasurer measurer(3);
    static const testing::FakeImageSource images(16, 16, 3);
    THtmlParser parser;
    parser.SetLinkColor(kClBlue);
    parser.SetLinkHoverColor(0x0000FF);
    parser.SetLinkHover((flags & 0x04) != 0);
    parser.SetLinkHoverUnderline((flags & 0x08) != 0);
    parser.SetFont({"MS Shell Dlg 2", kClBlack, 8, {}});
    THtmlRenderer renderer(&parser.Root(), measurer);
    renderer.Alignment = static_cast<THtmlAlignment>((flags & 0x03) % 3);
    renderer.SetWordBreak((flags & 0x10) == 0);
    renderer.SetAutoWidth((flags & 0x20) != 0);
    if ((flags & 0x40) != 0) renderer.SetImages(&images, 2);

    parser.Parse(caption);
    const THtmlRect bounds{0, 0, width, 1000};
    renderer.Layout(bounds);
    Check(renderer.ContentHeight() >= 2);
    Check(!(renderer.WordBreak() && renderer.AutoWidth()));

    int lastTop = 0;
    for (const auto& chunk : renderer.Chunks()) {
        Check(chunk.Node != nullptr);
        Check(chunk.Top >= lastTop);  // lines only go down
        lastTop = chunk.Top;
        if (renderer.WordBreak()) Check(chunk.Left == 0 || static_cast<long long>(chunk.Left) + chunk.Width <= width);
    }

    // Hit-test a few points, make the found link hot, and lay out again at another width.
    const THtmlPoint probes[] = {{0, 0}, {width / 2, 8}, {width - 1, 20}, {5, 40}};
    for (const auto& point : probes) {
        const THtmlNode* link = renderer.FindLink(point, width);
        if (link != nullptr) {
            Check(renderer.LinkText().rfind("link:", 0) == 0);
            renderer.SetHotNode(link);
        }
    }
    const auto items = renderer.PaintItems(bounds);
    Check(items.size() == renderer.Chunks().size());
    renderer.Layout({0, 0, width / 2, 1000});
    (void)renderer.PaintItems(bounds);

    // A reparse must leave nothing that points into the discarded tree.
    parser.Parse(caption.substr(caption.size() / 2));
    Check(renderer.HotNode() == nullptr);
    Check(renderer.Chunks().empty());
    renderer.Layout(bounds);
    return 0;
}
