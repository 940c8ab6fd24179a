#include "controls/html_layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include "support/fake_text_measurer.h"
#include "unit/controls/html_test_text.h"

namespace tarvex {
namespace {

using testing::FakeImageSource;
using testing::FakeTextMeasurer;

constexpr TColor kLinkHoverColor = 0x0000FF;

// The first side-panel label: per line an image, an indent to x 20, a link and a break.
constexpr const char* kSidePanelCaption =
    "<IMG src=\"idx:0\"><IND x=\"20\"><A href=\"#0\">Accelerate Internet Connection</A><BR>"
    "<IMG src=\"idx:1\"><IND x=\"20\"><A href=\"#1\">Advanced</A><BR>"
    "<IMG src=\"idx:2\"><IND x=\"20\"><A href=\"#2\">Connection State</A><BR>";

constexpr const char* kWelcomeCaption =
    "<B><FONT size=\"10\" color=\"#225ACA\">Welcome to Quillmont Tarvex</FONT></B><BR><BR>To optimize your "
    "system for a specific network scenario, select it from the list below and select \"Accelerate!\". If "
    "more than one description applies, select the scenario which is most important to you.<BR><BR><B>Select "
    "your connection type:</B>";

// Advance 1 pixel per character, line height twice the point size (8-point text: 16).
class HtmlLayoutTest : public ::testing::Test {
protected:
    HtmlLayoutTest() : renderer(&parser.Root(), measurer) {
        parser.SetFont({"MS Shell Dlg 2", kClBlack, 8, {}});
        parser.SetLinkColor(kClBlue);
        parser.SetLinkHoverColor(kLinkHoverColor);
    }

    void Layout(std::string_view caption, int width) {
        parser.Parse(caption);
        renderer.Layout({0, 0, width, 1000});
    }

    // "[content WxH] 'token'left,top,width,height ..."
    std::string Positions() const {
        std::string out =
            "[" + std::to_string(renderer.ContentWidth()) + "x" + std::to_string(renderer.ContentHeight()) + "]";
        for (const auto& c : renderer.Chunks()) {
            out += " '" + EscapeControls(c.Text) + "'" + std::to_string(c.Left) + "," + std::to_string(c.Top) + "," +
                   std::to_string(c.Width) + "," + std::to_string(c.Height);
        }
        return out;
    }

    const THtmlRenderChunk& ChunkWithText(std::string_view text) const {
        for (const auto& c : renderer.Chunks()) {
            if (c.Text == text) return c;
        }
        throw std::runtime_error("no chunk " + std::string(text));
    }

    THtmlParser parser;
    FakeTextMeasurer measurer;
    THtmlRenderer renderer;
};

TEST_F(HtmlLayoutTest, ChunkPositions) {
    struct Case {
        const char* Caption;
        int Width;
        bool WordBreak;
        const char* Positions;
    };
    const Case cases[] = {
        {"", 100, true, "[0x2]"},
        {"Hello", 100, true,
         "[5x18]"
         " 'Hello'0,0,5,16"},
        // An over-long first token stays on its line; the next one wraps with its blank.
        {"abcdefghijklmnop qr", 10, true, "[17x34] 'abcdefghijklmnop '0,0,17,16 'qr'0,16,2,16"},
        {"aaaa bbbb cccc", 10, true, "[10x34] 'aaaa '0,0,5,16 'bbbb '5,0,5,16 'cccc'0,16,4,16"},
        {"aaaa bbbb", 3, false, "[9x18] 'aaaa '0,0,5,16 'bbbb'5,0,4,16"},
        // Two breaks leave one empty line of the current font's height.
        {"a<BR><BR>b", 100, true, "[1x50] 'a'0,0,1,16 'b'0,32,1,16"},
        // A 10-point title beside 8-point text: same top; the next line starts below the title.
        {"<FONT size=\"10\">Title</FONT> text<BR>next", 100, true,
         "[10x38] 'Title'0,0,5,20 ' '5,0,1,16 'text'6,0,4,16 'next'0,20,4,16"},
        {"<FONT size=\"10\">Title</FONT> aaaa", 8, true, "[6x38] 'Title'0,0,5,20 ' '5,0,1,16 'aaaa'0,20,4,16"},
        // CR LF breaks, also straight after a word; LF alone is a character; a lone CR goes.
        {"word\r\nnext", 100, true, "[4x34] 'word'0,0,4,16 'next'0,16,4,16"},
        {"a\nb", 100, true, "[3x18] 'a\\n'0,0,2,16 'b'2,0,1,16"},
        {"a\rb c", 100, true, "[4x18] 'a'0,0,1,16 'b '1,0,2,16 'c'3,0,1,16"},
        {"Oops...\r\n", 100, true, "[7x18] 'Oops.'0,0,5,16 '.'5,0,1,16 '.'6,0,1,16"},
        // Indents are absolute positions; x 0 or a bad x keeps the tab as text.
        {"<ind x=20>a", 100, true, "[21x18] ''20,0,0,16 'a'20,0,1,16"},
        {"abc<ind x=2>d", 100, true, "[3x18] 'abc'0,0,3,16 ''2,0,0,16 'd'2,0,1,16"},
        {"<ind x=0>a", 100, true, "[2x18] '\\t'0,0,1,16 'a'1,0,1,16"},
        {"<ind x=-3>a", 100, true, "[2x18] '\\t'0,0,1,16 'a'1,0,1,16"},
        // Without an image list an image is measured as empty text.
        {"<img src=0>a", 100, true, "[1x18] ''0,0,0,16 'a'0,0,1,16"},
        {"a<div>b", 100, true, "[5x18] 'a'0,0,1,16 ' '1,0,1,16 '|'2,0,1,16 ' '3,0,1,16 'b'4,0,1,16"},
    };
    for (const auto& c : cases) {
        renderer.SetWordBreak(c.WordBreak);
        Layout(c.Caption, c.Width);
        EXPECT_EQ(Positions(), c.Positions) << "caption: " << EscapeControls(c.Caption);
    }
}

TEST_F(HtmlLayoutTest, SidePanelPutsImagesAtZeroAndLinksAtTwenty) {
    const FakeImageSource images(16, 16, 3);
    renderer.SetImages(&images, 2);
    Layout(kSidePanelCaption, 209);
    EXPECT_EQ(Positions(),
              "[50x56] ''0,0,16,18 ''20,0,0,16 'Accelerate '20,0,11,16 'Internet '31,0,9,16 'Connection'40,0,10,16"
              " ''0,18,16,18 ''20,18,0,16 'Advanced'20,18,8,16"
              " ''0,36,16,18 ''20,36,0,16 'Connection '20,36,11,16 'State'31,36,5,16");

    const auto items = renderer.PaintItems({0, 0, 209, 100});
    std::string images_drawn;
    for (const auto& item : items) {
        if (item.ImageIndex >= 0)
            images_drawn += std::to_string(item.ImageIndex) + "@" + std::to_string(item.Left) + " ";
    }
    EXPECT_EQ(images_drawn, "0@0 1@0 2@0 ");
}

TEST_F(HtmlLayoutTest, FindLinkHitEdges) {
    const FakeImageSource images(16, 16, 3);
    renderer.SetImages(&images, 2);
    Layout(kSidePanelCaption, 209);
    struct Case {
        int X, Y;
        const char* LinkText;
    };
    const Case cases[] = {
        {25, 20, "link:#1"},                // inside "Advanced" (20..28 x 18..34)
        {20, 18, "link:#1"},                // left and top edges are inside
        {27, 33, "link:#1"}, {28, 20, ""},  // right edge is outside
        {27, 34, ""},                       // bottom edge is outside, and the next line starts at 36
        {5, 5, ""},                         // an image is no link
        {45, 36, ""},                       // past the end of "State" (31..36)
        {32, 40, "link:#2"}, {-1, 0, ""},
    };
    for (const auto& c : cases) {
        renderer.FindLink({25, 2}, 209);  // LinkText must not survive into the next lookup
        const THtmlNode* node = renderer.FindLink({c.X, c.Y}, 209);
        const std::string expected = c.LinkText;
        EXPECT_EQ(renderer.LinkText(), expected) << c.X << "," << c.Y;
        EXPECT_EQ(node != nullptr, !expected.empty()) << c.X << "," << c.Y;
        if (node != nullptr) {
            EXPECT_EQ(node->Link, expected);
        }
    }
}

TEST_F(HtmlLayoutTest, AlignmentMovesWholeLines) {
    Layout(std::string(101, 'a'), 200);
    renderer.Alignment = THtmlAlignment::taCenter;
    EXPECT_EQ(renderer.PaintItems({0, 0, 200, 50})[0].Left, 50);
    EXPECT_NE(renderer.ChunkAt({50, 0}, 200), nullptr);
    EXPECT_NE(renderer.ChunkAt({150, 0}, 200), nullptr);
    EXPECT_EQ(renderer.ChunkAt({49, 0}, 200), nullptr);
    EXPECT_EQ(renderer.ChunkAt({151, 0}, 200), nullptr);
    renderer.Alignment = THtmlAlignment::taRightJustify;
    EXPECT_EQ(renderer.PaintItems({0, 0, 200, 50})[0].Left, 99);
    EXPECT_NE(renderer.ChunkAt({199, 0}, 200), nullptr);
    EXPECT_EQ(renderer.ChunkAt({98, 0}, 200), nullptr);

    // Each line is placed by its own width.
    Layout("aaaa bbbb cccc", 10);
    EXPECT_EQ(renderer.LineWidths(), (THtmlLineWidths{{0, 10}, {16, 4}}));
    const auto lefts = [&] {
        std::string out;
        for (const auto& item : renderer.PaintItems({0, 0, 10, 50})) out += std::to_string(item.Left) + " ";
        return out;
    };
    renderer.Alignment = THtmlAlignment::taCenter;
    EXPECT_EQ(lefts(), "0 5 3 ");
    renderer.Alignment = THtmlAlignment::taRightJustify;
    EXPECT_EQ(lefts(), "0 5 6 ");
    EXPECT_EQ(&ChunkWithText("cccc"), renderer.ChunkAt({6, 16}, 10));
    renderer.Alignment = THtmlAlignment::taLeftJustify;
    EXPECT_EQ(lefts(), "0 5 0 ");
}

TEST_F(HtmlLayoutTest, WelcomeCaption) {
    Layout(kWelcomeCaption, 120);
    const auto chunks = renderer.Chunks();
    ASSERT_FALSE(chunks.empty());
    // Title: 10 point, so 20 high; the two breaks leave one empty 16-pixel line after it.
    EXPECT_EQ(chunks.front().Text, "Welcome ");
    EXPECT_EQ(chunks.front().Height, 20);
    EXPECT_EQ(chunks.front().FontData.Color, 0xCA5A22u);
    EXPECT_EQ(ChunkWithText("To ").Top, 36);
    EXPECT_EQ(ChunkWithText("To ").Left, 0);
    // Wrapped lines never pass the right edge (no token here is wider than the label).
    for (const auto& c : chunks) EXPECT_LE(c.Left + c.Width, 120) << c.Text;
    // The last paragraph starts one empty line below the end of the first.
    const THtmlRenderChunk& select = ChunkWithText("Select ");
    EXPECT_EQ(select.Top, ChunkWithText("you.").Top + 32);
    EXPECT_TRUE(select.FontData.Style.Contains(TFontStyle::fsBold));
    EXPECT_EQ(chunks.back().Text, "type:");
    EXPECT_EQ(renderer.ContentHeight(), select.Top + 16 + 2);
}

TEST_F(HtmlLayoutTest, HotLinkIsDrawnInHoverFormAndNeverOutlivesItsTree) {
    parser.SetLinkHover(true);
    Layout("a <b><A href=\"#2\">go <u>now</u></A></b> z", 100);
    const THtmlNode* link = renderer.FindLink({ChunkWithText("now").Left, 0}, 100);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(renderer.LinkText(), "link:#2");
    EXPECT_TRUE(renderer.SetHotNode(link));
    EXPECT_FALSE(renderer.SetHotNode(link));  // moving within one link does not repaint

    // Everything inside the hot link takes the link node's hover font.
    std::string fonts;
    for (const auto& item : renderer.PaintItems({0, 0, 100, 50})) {
        fonts += (item.Font.Color == kLinkHoverColor ? "H" : "N");
        if (item.Font.Color == kLinkHoverColor) {
            EXPECT_TRUE(item.Font.Style.Empty()) << item.Chunk->Text;
        }
    }
    EXPECT_EQ(fonts, "NHHNN");  // "a ", "go ", "now", " ", "z"
    EXPECT_EQ(renderer.ChunkFont(ChunkWithText("now")).Color, kLinkHoverColor);
    EXPECT_EQ(renderer.ChunkFont(ChunkWithText("z")), (FontSpec{"MS Shell Dlg 2", kClBlack, 8, {}}));

    // A new width re-lays the same tree: the hot node stays.
    renderer.Layout({0, 0, 50, 1000});
    EXPECT_EQ(renderer.HotNode(), link);

    // A new parse discards the tree: until the next layout nothing points into it.
    parser.Parse("<A href=\"#2\">go</A>");
    EXPECT_EQ(renderer.HotNode(), nullptr);
    EXPECT_TRUE(renderer.Chunks().empty());
    EXPECT_TRUE(renderer.PaintItems({0, 0, 100, 50}).empty());
    EXPECT_EQ(renderer.FindLink({0, 0}, 100), nullptr);
    renderer.Layout({0, 0, 100, 1000});
    EXPECT_EQ(renderer.HotNode(), nullptr);
    EXPECT_TRUE(renderer.SetHotNode(renderer.FindLink({0, 0}, 100)));
    EXPECT_TRUE(renderer.SetHotNode(nullptr));  // leaving the label
}

TEST_F(HtmlLayoutTest, ImagesOutsideTheListTakeSpaceButDrawNothing) {
    const FakeImageSource images(16, 12, 2);
    renderer.SetImages(&images, 3);
    Layout("<img src=1><img src=2>x", 100);
    EXPECT_EQ(Positions(), "[33x18] ''0,0,16,15 ''16,0,16,15 'x'32,0,1,16");
    const auto items = renderer.PaintItems({0, 0, 100, 50});
    EXPECT_EQ(items[0].ImageIndex, 1);
    EXPECT_EQ(items[1].ImageIndex, -1);
    renderer.SetImages(nullptr, 0);
    EXPECT_EQ(renderer.PaintItems({0, 0, 100, 50})[0].ImageIndex, -1);
}

TEST_F(HtmlLayoutTest, ExtremeAndDeepCaptionsStayWithinRange) {
    renderer.SetWordBreak(false);
    Layout("<ind x=2147483647>ab<FONT size=2147483647>cd</FONT>", 100);
    EXPECT_EQ(renderer.ContentWidth(), INT_MAX);
    renderer.Alignment = THtmlAlignment::taCenter;
    EXPECT_EQ(renderer.PaintItems({0, 0, 100, 50}).size(), 3u);
    EXPECT_EQ(renderer.ChunkAt({0, 0}, 100), nullptr);

    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<u>";
    Layout(deep + "x", 100);
    ASSERT_EQ(renderer.Chunks().size(), 1u);
    EXPECT_EQ(renderer.Chunks()[0].Text, "x");
}

TEST_F(HtmlLayoutTest, WordBreakAndAutoWidthExcludeEachOther) {
    EXPECT_TRUE(renderer.WordBreak());
    renderer.SetAutoWidth(true);
    EXPECT_FALSE(renderer.WordBreak());
    renderer.SetAutoWidth(false);
    EXPECT_FALSE(renderer.WordBreak());
    renderer.SetWordBreak(true);
    EXPECT_FALSE(renderer.AutoWidth());
    renderer.SetAutoWidth(true);
    renderer.SetWordBreak(false);
    EXPECT_TRUE(renderer.AutoWidth());
}

TEST(HtmlLinkClickTest, PressResolvesTheIdentifier) {
    struct Case {
        const char* LinkText;
        const char* Identifier;
        bool Raise;
        bool Open;
    };
    const Case cases[] = {
        {"", "", false, false},
        {"link:#2", "#2", true, false},
        {"LINK:#0", "#0", true, false},
        {"link:", "", false, false},
        {"link:http://www.example.com/go/?s=1", "http://www.example.com/go/?s=1", true, true},
        {"link:mailto:support@example.com", "mailto:support@example.com", true, true},
        {"link:MAILTO:x", "MAILTO:x", true, true},
        {"link:C:\\Windows\\notepad.exe", "C:\\Windows\\notepad.exe", true, false},
        {"lnk:http://x", "", false, false},
    };
    for (const auto& c : cases) {
        const THtmlLinkClick click = ResolveLinkClick(c.LinkText);
        EXPECT_EQ(click.Identifier, c.Identifier) << c.LinkText;
        EXPECT_EQ(click.RaiseOnLinkClick, c.Raise) << c.LinkText;
        EXPECT_EQ(click.OpenWithShell, c.Open) << c.LinkText;
    }
    EXPECT_TRUE(IsLinkTarget("Link:"));
    EXPECT_FALSE(IsLinkTarget("link"));
}

TEST(HtmlLinkAddressTest, OnlyWebAndMailAddressesGoToTheShell) {
    const std::pair<std::string_view, bool> cases[] = {
        {"http://www.example.com/go/?s=1", true},
        {"https://example.com", true},
        {"HTTP://EXAMPLE.COM", true},
        {"HttpS://example.com/a#b", true},
        {"mailto:support@example.com", true},
        {"MailTo:support@example.com?subject=Hi%20there", true},
        {"http://xn--grsse-lva.example/\xC3\xA4", true},  // bytes past ASCII are no danger
        {"http:example.com", false},                      // no "//": no web address
        {"http:/example.com", false},
        {"http://", false},  // a scheme alone
        {"mailto:", false},
        {"http", false},
        {"", false},
        {" http://example.com", false},  // opened as checked, so blanks are not trimmed
        {"\thttp://example.com", false},
        {"http://example.com ", false},
        {"http://example.com/a b", false},
        {"http://example.com/\" --new-window C:\\x.exe", false},
        {"http://example.com/\r\nnext", false},
        {"http://example.com/\x7F", false},
        {std::string_view("http://example.com/\0x", 21), false},
        {"file:///C:/Windows/notepad.exe", false},
        {"FILE://server/share/x.exe", false},
        {"C:\\Windows\\notepad.exe", false},
        {"\\\\server\\share\\setup.exe", false},
        {"notepad.exe", false},
        {"javascript:alert(1)", false},
        {"ftp://example.com/", false},
        {"ms-settings:", false},
        {"xhttp://example.com", false},  // a scheme that only ends like one
        {"see http://example.com", false},
        {"#0", false},
    };
    for (const auto& [address, open] : cases) EXPECT_EQ(IsWebOrMailAddress(address), open) << address;
}

TEST(HtmlTokenTest, NextToken) {
    const FakeTextMeasurer measurer;
    struct Case {
        const char* Text;
        const char* Tokens;
    };
    const Case cases[] = {
        {"", ""},
        {"Welcome to the advanced", "Welcome |to |the |advanced|"},
        {"settings.", "settings.|"},
        {"you've", "you'|ve|"},
        {"end. Next", "end.| |Next|"},
        {"ab\r\ncd", "ab|\\r|\\n|cd|"},
        {"gr\xC3\xB6\xC3\x9F"
         "er als",
         "gr\xC3\xB6\xC3\x9F"
         "er |als|"},
        {"a\xE2\x80\x94"
         "b",
         "a\xE2\x80\x94|b|"},
        {"a\xFF"
         "b",
         "a\xFF|b|"},
        {"a\xE2\x80", "a\xE2|\x80|"},
        {"\xC0\xAF"
         "x",
         "\xC0|\xAF|x|"},
    };
    for (const auto& c : cases) {
        std::string_view rest = c.Text;
        std::string tokens;
        do {
            tokens += EscapeControls(THtmlRenderer::NextToken(rest, measurer));
            if (!tokens.empty()) tokens += '|';
        } while (!rest.empty());
        EXPECT_EQ(tokens, c.Tokens) << EscapeControls(c.Text);
    }
}

}  // namespace
}  // namespace tarvex
