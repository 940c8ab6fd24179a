#include "controls/html_parser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "unit/controls/html_test_text.h"

namespace tarvex {
namespace {

constexpr TColor kRootColor = 0x112233;
constexpr TColor kLinkColor = 12999969;  // the side panel's link colour
constexpr TColor kLinkHoverColor = 0x0000FF;

std::string Hex(TColor c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "$%06X", c);
    return buffer;
}

std::string Styles(TFontStyles s) {
    std::string out;
    if (s.Contains(TFontStyle::fsBold)) out += 'B';
    if (s.Contains(TFontStyle::fsItalic)) out += 'I';
    if (s.Contains(TFontStyle::fsUnderline)) out += 'U';
    if (s.Contains(TFontStyle::fsStrikeOut)) out += 'S';
    return out;
}

std::string Quote(const std::string& text) {
    return "\"" + EscapeControls(text) + "\"";
}

// A node as "(props children)": the text, then the style fields that differ from the parent's,
// the hover fields, link, image and indent where set. A node with nothing but text prints as
// its quoted text.
std::string Dump(const THtmlNode& node);

std::string DumpChildren(const THtmlNode& node) {
    std::string out;
    for (const auto& child : node.Children()) {
        if (!out.empty()) out += ' ';
        out += Dump(*child);
    }
    return out;
}

std::string Dump(const THtmlNode& node) {
    std::vector<std::string> props;
    const TFontData& f = node.FontData;
    const TFontData& p = node.Parent()->FontData;
    if (!node.Text.empty()) props.push_back(Quote(node.Text));
    if (f.Style != p.Style) props.push_back("s=" + Styles(f.Style));
    if (f.Color != p.Color) props.push_back("c=" + Hex(f.Color));
    if (f.Size != p.Size) props.push_back("z=" + std::to_string(f.Size));
    if (f.Name != p.Name) props.push_back("f=" + f.Name);
    if (f.HoverColor != 0) props.push_back("hc=" + Hex(f.HoverColor));
    if (!f.HoverStyle.Empty()) props.push_back("hs=" + Styles(f.HoverStyle));
    if (!node.Link.empty()) props.push_back("l=" + node.Link);
    if (node.ImageIndex >= 0) props.push_back("i=" + std::to_string(node.ImageIndex));
    if (node.Indent != 0) props.push_back("x=" + std::to_string(node.Indent));
    if (props.size() == 1 && !node.Text.empty() && node.Children().empty()) return props[0];
    std::string out = "(";
    for (const auto& prop : props) out += (out.size() > 1 ? " " : "") + prop;
    if (!node.Children().empty()) out += (out.size() > 1 ? " " : "") + DumpChildren(node);
    return out + ")";
}

class HtmlParserTest : public ::testing::Test {
protected:
    HtmlParserTest() {
        parser.SetFont({"Tahoma", kRootColor, 8, {}});
        parser.SetLinkColor(kLinkColor);
        parser.SetLinkHoverColor(kLinkHoverColor);
    }
    std::string Parse(const std::string& caption) {
        parser.Parse(caption);
        return DumpChildren(parser.Root());
    }
    THtmlParser parser;
};

struct TreeCase {
    const char* Caption;
    const char* Tree;
};

TEST_F(HtmlParserTest, GrammarAndClosingTags) {
    const TreeCase cases[] = {
        {"", ""},
        {"plain", "\"plain\""},
        {"<B>Select your connection type:</B>", "(s=B \"Select your connection type:\")"},
        {"<b>x</B>", "(s=B \"x\")"},
        {"x</b>", "\"x</b>\""},
        {"</B>", "\"</B>\""},
        {"<B>a<U>b</B>c</U>d", "(s=B \"a\" (s=BU \"b</B>c\") \"d\")"},
        {"<U><B>x</U></B>y", "(s=U (s=BU \"x</U>\") \"y\")"},
        {"<B>open", "(s=B \"open\")"},
        {"a<b>", "\"a\" (s=B)"},
        {"<b><b>x</b>y</b>z", "(s=B (\"x\") \"y\") \"z\""},
        {"<BR>x</BR>", "\"\\r\\n\" \"x</BR>\""},
        {"<P align=center>text</P>", "\"<P align=center>text</P>\""},
        {"a < b", "\"a < b\""},
        {"a <b", "\"a <b\""},
        {"<", "\"<\""},
        {"<>", "\"<>\""},
        {"<<b>x", "\"<\" (s=B \"x\")"},
        {"<b>>", "(s=B \">\")"},
        {"<BR/>", "\"<BR/>\""},
        {"<BR />", "\"\\r\\n\""},
        {"<BR\tclear=all>", "\"<BR\\tclear=all>\""},
        {"<bold>x", "\"<bold>x\""},
        {"<B x=1>y</B >z", "(s=B \"y\") \"z\""},
        {"<a href=\"x>y\">z</a>", "(s=U c=$C65D21 hc=$C65D21 hs=U l=link:\"x \"y\">z\")"},
        {"&amp;  two\tblanks", "\"&amp;  two\\tblanks\""},
        {"a\r\nb\nc", "\"a\\r\\nb\\nc\""},
        {"{[PROGRAM_NAME]}", "\"{[PROGRAM_NAME]}\""},
        {"<b></b>", "(s=B)"},
    };
    for (const auto& c : cases) EXPECT_EQ(Parse(c.Caption), c.Tree) << "caption: " << c.Caption;
}

TEST_F(HtmlParserTest, ElementEffects) {
    const TreeCase cases[] = {
        {"<FONT size=\"10\" color=\"#225ACA\">T</FONT>", "(c=$CA5A22 z=10 hc=$CA5A22 \"T\")"},
        {"<font color=red>x</font>", "(hc=$112233 \"x\")"},
        {"<font color=#GG0000>x</font>", "(hc=$112233 \"x\")"},
        {"<font color=#F00>x</font>", "(c=$000F00 hc=$000F00 \"x\")"},
        {"<font color=clRed color=junk>x</font>", "(c=$0000FF hc=$0000FF \"x\")"},
        {"<font face=\"Courier New\" size=abc>x</font>", "(f=Courier New \"x\")"},
        {"<font SIZE=\" 12\" Face=Arial>x</font>", "(z=12 f=Arial \"x\")"},
        {"<div>", "(\" | \" c=$C0C0C0 hc=$C0C0C0)"},
        {"<IMG src=\"idx:0\">", "(i=0)"},
        {"<img src=IDX:2>", "(i=2)"},
        {"<img src=3>", "(i=3)"},
        {"<img src=x10>", "(i=16)"},
        {"<img src=1 src=2>", "(i=1)"},
        {"<img>", "()"},
        {"<img src=abc>", "()"},
        {"<img src=xidx:5>", "()"},
        {"<img src=idx:>", "()"},
        {"<IND x=\"20\">", "(\"\\t\" x=20)"},
        {"<ind x=0>", "\"\\t\""},
        {"<ind x=abc>", "(\"\\t\" x=-1)"},
        {"<ind>", "()"},
        {"<ind y=1 x=5 x=9>", "(\"\\t\" x=5)"},
        {"<b><u>x</u></b>", "(s=B (s=BU \"x\"))"},
        {"<a>x</a>", "(s=U c=$C65D21 hc=$C65D21 hs=U l=link: \"x\")"},
        {"<a href=#1 HREF=#2>x</a>", "(s=U c=$C65D21 hc=$C65D21 hs=U l=link:#2 \"x\")"},
        {"<a href=\"#0\"><div></a>", "(s=U c=$C65D21 hc=$C65D21 hs=U l=link:#0 (\" | \" c=$C0C0C0 hc=$C0C0C0))"},
    };
    for (const auto& c : cases) EXPECT_EQ(Parse(c.Caption), c.Tree) << "caption: " << c.Caption;
}

TEST_F(HtmlParserTest, LinkHoverSettingsReachTheNextParse) {
    parser.Parse("<b><a href=#1>x</a></b>");
    parser.SetLinkHover(true);
    // Stored in every link tag at once, but the existing tree keeps its look.
    for (const auto& tag : parser.Tags()) {
        if (auto* link = dynamic_cast<const TLinkTag*>(tag.get())) {
            EXPECT_TRUE(link->LinkHover);
            EXPECT_EQ(link->LinkColor, kLinkColor);
            EXPECT_EQ(link->LinkHoverColor, kLinkHoverColor);
        }
    }
    EXPECT_EQ(DumpChildren(parser.Root()), "(s=B (s=BU c=$C65D21 hc=$C65D21 hs=BU l=link:#1 \"x\"))");

    // Hover without underline: the hover style stays empty, so a hovered link is drawn plain.
    EXPECT_EQ(Parse("<b><a href=#1>x</a></b>"), "(s=B (c=$C65D21 hc=$0000FF l=link:#1 \"x\"))");
    parser.SetLinkHoverUnderline(true);
    EXPECT_EQ(Parse("<b><a href=#1>x</a></b>"), "(s=B (c=$C65D21 hc=$0000FF hs=BU l=link:#1 \"x\"))");
}

TEST_F(HtmlParserTest, WelcomeCaption) {
    const std::string caption =
        "<B><FONT size=\"10\" color=\"#225ACA\">Welcome to Quillmont Tarvex</FONT></B><BR><BR>To optimize your "
        "system for a specific network scenario, select it from the list below and select \"Accelerate!\". If "
        "more than one description applies, select the scenario which is most important to you.<BR><BR><B>Select "
        "your connection type:</B>";
    EXPECT_EQ(Parse(caption),
              "(s=B (c=$CA5A22 z=10 hc=$CA5A22 \"Welcome to Quillmont Tarvex\")) \"\\r\\n\" \"\\r\\n\" \"To optimize "
              "your system for a specific network scenario, select it from the list below and select "
              "\"Accelerate!\". If more than one description applies, select the scenario which is most important "
              "to you.\" \"\\r\\n\" \"\\r\\n\" (s=B \"Select your connection type:\")");
    // Text nodes carry their parent's style after its effect.
    const THtmlNode& title = *parser.Root().Children()[0]->Children()[0]->Children()[0];
    EXPECT_EQ(title.FontData.Color, 0xCA5A22u);
    EXPECT_EQ(title.FontData.Size, 10);
    EXPECT_EQ(title.FontData.Style, TFontStyles(TFontStyle::fsBold));
    EXPECT_EQ(title.FontData.Name, "Tahoma");
    EXPECT_EQ(title.FontData.HoverColor, 0u);  // hover values are never inherited
}

TEST_F(HtmlParserTest, EveryParseReplacesTheTreeUnderTheSameRoot) {
    const THtmlNode* root = &parser.Root();
    parser.Parse("<b>one</b>");
    const auto revision = parser.Root().Revision();
    parser.SetFont({"Arial", 0x0000FF, 9, TFontStyle::fsItalic});
    EXPECT_EQ(Parse("two"), "\"two\"");
    EXPECT_EQ(&parser.Root(), root);
    EXPECT_NE(parser.Root().Revision(), revision);
    EXPECT_EQ(parser.Root().Children()[0]->FontData.Name, "Arial");
    EXPECT_EQ(parser.Root().Children()[0]->FontData.Style, TFontStyles(TFontStyle::fsItalic));
    EXPECT_EQ(parser.Font().Size, 9);
    EXPECT_EQ(Parse(""), "");
}

TEST_F(HtmlParserTest, TagsAndLookup) {
    std::string names;
    for (const auto& tag : parser.Tags()) names += tag->Name() + (tag->IsContainer() ? "+ " : " ");
    EXPECT_EQ(names, "a+ font+ br b+ u+ ind div img ");

    auto match = parser.FindTag("<FONT  color=red>", 1);
    ASSERT_NE(match.Tag, nullptr);
    EXPECT_EQ(match.Tag->Name(), "font");
    EXPECT_EQ(match.TagText, "FONT  color=red");
    EXPECT_EQ(match.Attributes, " color=red");
    EXPECT_EQ(parser.FindTag("<b", 1).Tag, nullptr);
    EXPECT_EQ(parser.FindTag("<bx>", 1).Tag, nullptr);
    EXPECT_EQ(parser.FindTag("<b>", 7).Tag, nullptr);

    EXPECT_THROW(parser.AddTag(nullptr), std::logic_error);
    EXPECT_EQ(parser.Tags().size(), 8u);
}

TEST(HtmlAttributesTest, Splitting) {
    struct Case {
        const char* Text;
        const char* Items;
    };
    const Case cases[] = {
        {"", ""},
        {"href=\"#0\"", "href=#0;"},
        {"a=1 b=2", "a=1;b=2;"},
        {"a=1\tb=2\r\nc=3", "a=1;b=2;c=3;"},
        {"a=\"x y\" b='p q'", "a=x y;b='p q';"},
        {"a=\"say \"\"hi\"\"\"", "a=say \"hi\";"},
        {"noeq A=1", "A=1;"},
        {"a = 1", "=;"},
        {"a=\"unclosed b=2", "a=\"unclosed b=2;"},
        {"a=\"", "a=\";"},
        {"a=\"\"", "a=;"},
        {"x=a\"b c\"d", "x=a\"b c\"d;"},
        {"x=a=b", "x=a=b;"},
        {"  /  ", ""},
    };
    for (const auto& c : cases) {
        std::string items;
        for (const auto& a : THtmlTag::ParseAttributes(c.Text)) items += a.Name + "=" + a.Value + ";";
        EXPECT_EQ(items, c.Items) << "attributes: " << c.Text;
    }
}

TEST(HtmlIntegerTest, Syntax) {
    struct Case {
        const char* Text;
        std::optional<std::int32_t> Value;
    };
    const Case cases[] = {
        {"0", 0},
        {"  42", 42},
        {"+7", 7},
        {"-7", -7},
        {"007", 7},
        {"$1F", 31},
        {"x1f", 31},
        {"X1F", 31},
        {"0x1F", 31},
        {"0X1f", 31},
        {"-$10", -16},
        {" -0x10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"$FFFFFFFF", -1},
        {"2147483648", {}},
        {"$100000000", {}},
        {"", {}},
        {" ", {}},
        {"-", {}},
        {"$", {}},
        {"0x", {}},
        {"x", {}},
        {"12 ", {}},
        {"12a", {}},
        {"\t5", {}},
        {"1 2", {}},
        {"+-1", {}},
        {"0x-1", {}},
        {"- 1", {}},
        {"$ 1", {}},
        {"1.5", {}},
        {"00000000000000000000001", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseHtmlInteger(c.Text), c.Value) << "text: '" << c.Text << "'";
}

TEST(HtmlColorTest, Syntax) {
    struct Case {
        const char* Text;
        std::optional<TColor> Value;
    };
    const Case cases[] = {
        {"CLRED", 0x0000FF},
        {"clblue", 0xFF0000},
        {"255", 0x0000FF},
        {"$FF", 0x0000FF},
        {"-1", 0xFFFFFFFF},
        {"#225ACA", 0xCA5A22},
        {"#ff0000", 0x0000FF},
        {"#F00", 0x000F00},
        {"#0", 0},
        {"#FF123456", 0xFF563412},
        {"#", {}},
        {"#GG0000", {}},
        {"# 12", {}},
        {"#123456789", {}},
        {"red", {}},
        {"clRedd", {}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseHtmlColor(c.Text), c.Value) << "text: '" << c.Text << "'";
}

TEST(HtmlColorTest, AllNamedColors) {
    const std::pair<const char*, TColor> named[] = {
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
        {"clScrollBar", 0xFF000000},
        {"clBackground", 0xFF000001},
        {"clActiveCaption", 0xFF000002},
        {"clInactiveCaption", 0xFF000003},
        {"clMenu", 0xFF000004},
        {"clWindow", 0xFF000005},
        {"clWindowFrame", 0xFF000006},
        {"clMenuText", 0xFF000007},
        {"clWindowText", 0xFF000008},
        {"clCaptionText", 0xFF000009},
        {"clActiveBorder", 0xFF00000A},
        {"clInactiveBorder", 0xFF00000B},
        {"clAppWorkSpace", 0xFF00000C},
        {"clHighlight", 0xFF00000D},
        {"clHighlightText", 0xFF00000E},
        {"clBtnFace", 0xFF00000F},
        {"clBtnShadow", 0xFF000010},
        {"clGrayText", 0xFF000011},
        {"clBtnText", 0xFF000012},
        {"clInactiveCaptionText", 0xFF000013},
        {"clBtnHighlight", 0xFF000014},
        {"cl3DDkShadow", 0xFF000015},
        {"cl3DLight", 0xFF000016},
        {"clInfoText", 0xFF000017},
        {"clInfoBk", 0xFF000018},
        {"clHotLight", 0xFF00001A},
        {"clGradientActiveCaption", 0xFF00001B},
        {"clGradientInactiveCaption", 0xFF00001C},
        {"clMenuHighlight", 0xFF00001D},
        {"clMenuBar", 0xFF00001E},
        {"clNone", 0x1FFFFFFF},
        {"clDefault", 0x20000000},
    };
    EXPECT_EQ(std::size(named), 52u);
    for (const auto& [name, value] : named) EXPECT_EQ(ColorFromName(name), value) << name;
    EXPECT_TRUE(IsSystemColor(0xFF00001A));
    EXPECT_EQ(SystemColorIndex(0xFF00001A), 26);
    EXPECT_FALSE(IsSystemColor(kClNone));
}

TEST(HtmlCaptionTest, LineBreaksBecomeCrLfAndTrailingOnesGo) {
    struct Case {
        const char* Text;
        const char* Caption;
    };
    const Case cases[] = {
        {"", ""},
        {"Oops...\r\n", "Oops..."},
        {"a\nb\rc\r\nd", "a\r\nb\r\nc\r\nd"},
        {"a\n\nb", "a\r\n\r\nb"},
        {"a\n\r\n\r", "a"},
        {"\r\n", ""},
        {"\na", "\r\na"},
        {"a<BR>", "a<BR>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizeCaptionLineBreaks(c.Text), c.Caption) << EscapeControls(c.Text);
    }
}

TEST(HtmlFontDataTest, AssignNeverCopiesHoverAndApplyToPicksTheForm) {
    TFontData source;
    source.Name = "Tahoma";
    source.Size = 10;
    source.Color = 0x123456;
    source.Style = TFontStyle::fsBold;
    source.HoverColor = 0xABCDEF;
    source.HoverStyle = TFontStyle::fsUnderline;
    TFontData target;
    target.HoverColor = 7;
    target.Assign(source);
    EXPECT_EQ(target.ToFont(false), (FontSpec{"Tahoma", 0x123456, 10, TFontStyle::fsBold}));
    EXPECT_EQ(target.HoverColor, 7u);
    EXPECT_TRUE(target.HoverStyle.Empty());
    EXPECT_EQ(source.ToFont(true), (FontSpec{"Tahoma", 0xABCDEF, 10, TFontStyle::fsUnderline}));

    TFontData fromFont;
    fromFont.Assign(FontSpec{"Arial", 5, 9, TFontStyle::fsItalic | TFontStyle::fsStrikeOut});
    EXPECT_EQ(fromFont.ToFont(false), (FontSpec{"Arial", 5, 9, TFontStyle::fsItalic | TFontStyle::fsStrikeOut}));
}

TEST(HtmlNodeTest, RemovedChildLosesItsParent) {
    THtmlNode root;
    THtmlNode* a = root.AppendChild(std::make_unique<THtmlNode>());
    root.AppendChild(std::make_unique<THtmlNode>());
    EXPECT_EQ(a->Parent(), &root);
    auto taken = root.RemoveChild(a);
    ASSERT_EQ(taken.get(), a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(root.Children().size(), 1u);
    EXPECT_EQ(root.RemoveChild(a), nullptr);
}

TEST(HtmlParserLimitsTest, HugeAndDeepCaptionsParse) {
    THtmlParser parser;
    // Every "<" without a later ">" is text: one text node, found in linear time.
    parser.Parse(std::string(100000, '<'));
    ASSERT_EQ(parser.Root().Children().size(), 1u);
    EXPECT_EQ(parser.Root().Children()[0]->Text.size(), 100000u);

    // Many "<" sharing one far ">": each is text except the last, whose tag text is empty.
    parser.Parse(std::string(100000, '<') + "b>x");
    ASSERT_EQ(parser.Root().Children().size(), 2u);
    EXPECT_EQ(parser.Root().Children()[0]->Text.size(), 99999u);

    // Deep nesting builds and frees without recursion.
    std::string deep;
    for (int i = 0; i < 200000; ++i) deep += "<b>";
    parser.Parse(deep + "x");
    const THtmlNode* node = &parser.Root();
    int depth = 0;
    while (!node->Children().empty()) {
        node = node->Children()[0].get();
        ++depth;
    }
    EXPECT_EQ(depth, 200001);
    parser.Parse("");
    EXPECT_TRUE(parser.Root().Children().empty());
}

}  // namespace
}  // namespace tarvex
