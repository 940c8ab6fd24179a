// The HTML label window under Wine: painting into memory DIBs, links, hover, sizing, fonts.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/win32/html_label.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

// The parent paints two colours split at x 200, so a label straddling the split shows whether
// it takes the right strip of its parent's background.
constexpr COLORREF kParentLeft = RGB(200, 220, 240);
constexpr COLORREF kParentRight = RGB(240, 230, 200);
constexpr int kParentSplit = 200;
constexpr wchar_t kParentClass[] = L"HtmlLabelTestParent";

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(hwnd, &client);
        RECT left = client;
        left.right = kParentSplit;
        RECT right = client;
        right.left = kParentSplit;
        UniqueBrush leftBrush(CreateSolidBrush(kParentLeft));
        UniqueBrush rightBrush(CreateSolidBrush(kParentRight));
        FillRect(reinterpret_cast<HDC>(wParam), &left, leftBrush.get());
        FillRect(reinterpret_cast<HDC>(wParam), &right, rightBrush.get());
        return 1;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A 32-bit top-down DIB in a memory DC, read back pixel by pixel.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<const std::uint32_t*>(bits);
        previous_ = SelectObject(dc_.get(), bitmap_.get());
    }
    ~Canvas() { SelectObject(dc_.get(), previous_); }

    HDC Dc() const { return dc_.get(); }
    COLORREF Pixel(int x, int y) const {
        GdiFlush();
        const std::uint32_t v = bits_[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // Pixels inside (or, with inside false, outside) the box that satisfy the test.
    int Count(const RECT& box, bool inside, const std::function<bool(COLORREF)>& test) const {
        int count = 0;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const POINT p{x, y};
                if ((PtInRect(&box, p) != FALSE) == inside && test(Pixel(x, y))) ++count;
            }
        }
        return count;
    }

private:
    int width_;
    int height_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    const std::uint32_t* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// Text is antialiased: a pixel is ink of a colour when it is a blend of that colour over one of
// the parent's background colours, at least half of it the ink.
bool IsBlend(COLORREF pixel, COLORREF ink, COLORREF background) {
    const double p[3] = {double(GetRValue(pixel)) - GetRValue(background),
                         double(GetGValue(pixel)) - GetGValue(background),
                         double(GetBValue(pixel)) - GetBValue(background)};
    const double d[3] = {double(GetRValue(ink)) - GetRValue(background), double(GetGValue(ink)) - GetGValue(background),
                         double(GetBValue(ink)) - GetBValue(background)};
    const double length = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    if (length == 0) return false;
    const double share = (p[0] * d[0] + p[1] * d[1] + p[2] * d[2]) / length;
    double residual = 0;
    for (int i = 0; i < 3; ++i) residual += (p[i] - share * d[i]) * (p[i] - share * d[i]);
    return share >= 0.5 && residual < 24 * 24;
}

auto InkOf(COLORREF color) {
    return
        [color](COLORREF pixel) { return IsBlend(pixel, color, kParentLeft) || IsBlend(pixel, color, kParentRight); };
}

bool IsBackground(COLORREF pixel) {
    return pixel == kParentLeft || pixel == kParentRight;
}

auto IsColor(COLORREF color) {
    return [color](COLORREF pixel) { return pixel == color; };
}

// Records what the label would open instead of starting a browser.
class RecordingLabel : public TQmHtmlLabel {
public:
    std::vector<std::string> Opened;
    bool RealOpen = false;

protected:
    void OpenLink(const std::string& address) override {
        Opened.push_back(address);
        if (RealOpen) TQmHtmlLabel::OpenLink(address);
    }
};

// A 16 x 16 bitmap of one colour, selected nowhere, as an image list takes it.
UniqueBitmap SolidBitmap(COLORREF color) {
    HDC screen = GetDC(nullptr);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, 16, 16));
    ReleaseDC(nullptr, screen);
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    SelectObjectScope selected(dc.get(), bitmap.get());
    UniqueBrush brush(CreateSolidBrush(color));
    RECT all{0, 0, 16, 16};
    FillRect(dc.get(), &all, brush.get());
    return bitmap;
}

LPARAM MousePoint(int x, int y) {
    return MAKELPARAM(x, y);
}

class HtmlLabelTest : public ::testing::Test {
protected:
    static constexpr TColor kLinkColor = 0x00A000;   // green
    static constexpr TColor kHoverColor = 0x0000FF;  // red

    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kParentClass;
        RegisterClassW(&wc);
        parent_ = CreateWindowExW(0, kParentClass, L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(parent_);
    }
    void TearDown() override {
        label_.reset();
        DestroyWindow(parent_);
    }

    // A label at (x, y) in the parent, in black Tahoma 8 with green links.
    RecordingLabel& MakeLabel(int x, int y, int width, int height, const std::string& caption) {
        label_ = std::make_unique<RecordingLabel>();
        label_->Create(parent_, 100, x, y, width, height);
        label_->SetFont({"Tahoma", kClBlack, 8, {}});
        label_->SetLinkColor(kLinkColor);
        label_->SetCaption(caption);
        return *label_;
    }

    const THtmlRenderChunk& ChunkOf(const std::string& text) const {
        for (const auto& chunk : label_->Renderer().Chunks()) {
            if (chunk.Text == text) return chunk;
        }
        ADD_FAILURE() << "no chunk " << text;
        static const THtmlRenderChunk none;
        return none;
    }
    static RECT BoxOf(const THtmlRenderChunk& chunk) {
        return {chunk.Left, chunk.Top, chunk.Left + chunk.Width, chunk.Top + chunk.Height};
    }
    static POINT CenterOf(const THtmlRenderChunk& chunk) {
        return {chunk.Left + chunk.Width / 2, chunk.Top + chunk.Height / 2};
    }
    void MoveTo(POINT p) { SendMessageW(label_->Handle(), WM_MOUSEMOVE, 0, MousePoint(p.x, p.y)); }
    void PressAt(POINT p) { SendMessageW(label_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MousePoint(p.x, p.y)); }
    // Whether the label waits for a repaint; the pending area is then taken as painted.
    bool TakeInvalidation() {
        const bool pending = GetUpdateRect(label_->Handle(), nullptr, FALSE) != FALSE;
        ValidateRect(label_->Handle(), nullptr);
        return pending;
    }
    static int LineHeightOf(const wchar_t* face, int points, bool bold = false) {
        UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        UniqueFont font(CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0,
                                    DEFAULT_CHARSET, 0, 0, 0, 0, face));
        SelectObjectScope selected(dc.get(), font.get());
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc.get(), &metrics);
        return metrics.tmHeight;
    }
    static int TextWidthOf(const wchar_t* face, int points, const std::wstring& text) {
        UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
        UniqueFont font(CreateFontW(-MulDiv(points, GetDeviceCaps(dc.get(), LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0,
                                    0, DEFAULT_CHARSET, 0, 0, 0, 0, face));
        SelectObjectScope selected(dc.get(), font.get());
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    int WindowHeight() const {
        RECT r;
        GetWindowRect(label_->Handle(), &r);
        return r.bottom - r.top;
    }
    int WindowWidth() const {
        RECT r;
        GetWindowRect(label_->Handle(), &r);
        return r.right - r.left;
    }

    HWND parent_ = nullptr;
    std::unique_ptr<RecordingLabel> label_;
};

TEST_F(HtmlLabelTest, NewLabelHasItsInitialProperties) {
    RecordingLabel label;
    label.Create(parent_, 7, 0, 0, 100, 20);
    EXPECT_EQ(label.Font().Name, "MS Shell Dlg 2");
    EXPECT_EQ(label.Font().Size, 8);
    EXPECT_EQ(label.LinkColor(), kClBlue);
    EXPECT_EQ(label.LinkHoverColor(), kClBlue);
    EXPECT_FALSE(label.LinkHover());
    EXPECT_FALSE(label.LinkHoverUnderline());
    EXPECT_EQ(label.LinkCursor(), LoadCursorW(nullptr, IDC_HAND));
    EXPECT_TRUE(label.WordBreak());
    EXPECT_FALSE(label.AutoWidth());
    EXPECT_FALSE(label.AutoHeight());
    EXPECT_EQ(label.Alignment(), THtmlAlignment::taLeftJustify);
    EXPECT_EQ(label.LabelType(), TQmLabelType::ltCustom);
    EXPECT_EQ(label.Images(), nullptr);
    EXPECT_EQ(label.Caption(), "");
    wchar_t className[64] = {};
    GetClassNameW(label.Handle(), className, 64);
    EXPECT_STREQ(className, L"TQmHtmlLabel");
    EXPECT_EQ(GetDlgCtrlID(label.Handle()), 7);
}

TEST_F(HtmlLabelTest, PaintsLinkInLinkColourOverTheParentsBackground) {
    // The label straddles the parent's colour split at parent x 200, i.e. client x 50.
    auto& label = MakeLabel(150, 20, 200, 60, "Go <A href=\"#1\">there</A>");
    Canvas canvas(200, 60);
    label.PaintTo(canvas.Dc());

    const RECT link = BoxOf(ChunkOf("there"));
    const RECT plain = BoxOf(ChunkOf("Go "));
    EXPECT_GT(canvas.Count(link, true, InkOf(kLinkColor)), 10);
    EXPECT_EQ(canvas.Count(link, false, InkOf(kLinkColor)), 0);
    EXPECT_GT(canvas.Count(plain, true, InkOf(RGB(0, 0, 0))), 10);
    EXPECT_EQ(canvas.Count(link, true, InkOf(RGB(0, 0, 0))), 0);

    // Nothing but the parent's background outside the text, split where the parent's is.
    RECT text{0, 0, link.right, link.bottom};
    EXPECT_EQ(canvas.Count(text, false, [](COLORREF c) { return !IsBackground(c); }), 0);
    for (int x = 0; x < 200; x += 7) {
        EXPECT_EQ(canvas.Pixel(x, 55), x < 50 ? kParentLeft : kParentRight) << x;
    }
}

TEST_F(HtmlLabelTest, HoveredLinkTakesTheHoverColour) {
    auto& label = MakeLabel(0, 0, 200, 40, "<A href=\"#1\">one</A> <A href=\"#2\">two</A>");
    label.SetLinkHover(true);
    label.SetLinkHoverColor(kHoverColor);
    MoveTo(CenterOf(ChunkOf("one")));
    ASSERT_NE(label.HotNode(), nullptr);
    EXPECT_EQ(label.Cursor(), label.LinkCursor());

    Canvas canvas(200, 40);
    label.PaintTo(canvas.Dc());
    const RECT one = BoxOf(ChunkOf("one"));
    const RECT two = BoxOf(ChunkOf("two"));
    EXPECT_GT(canvas.Count(one, true, InkOf(kHoverColor)), 10);
    EXPECT_EQ(canvas.Count(one, true, InkOf(kLinkColor)), 0);
    EXPECT_GT(canvas.Count(two, true, InkOf(kLinkColor)), 10);
    EXPECT_EQ(canvas.Count(two, true, InkOf(kHoverColor)), 0);

    // Leaving the label clears the hover look.
    SendMessageW(label.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(label.HotNode(), nullptr);
    label.PaintTo(canvas.Dc());
    EXPECT_EQ(canvas.Count(one, true, InkOf(kHoverColor)), 0);
    EXPECT_GT(canvas.Count(one, true, InkOf(kLinkColor)), 10);
}

TEST_F(HtmlLabelTest, PressOnLinkRaisesOnLinkClickAndOpensOnlyAddresses) {
    struct Case {
        const char* Caption;
        bool WithHandler;
        std::vector<std::string> Clicked;
        std::vector<std::string> Opened;
    };
    const Case cases[] = {
        {"<A href=\"#2\">target</A>", true, {"#2"}, {}},
        {"<A>target</A>", true, {}, {}},
        {"<a href=\"http://example.test/x?a=1\">target</a>",
         true,
         {"http://example.test/x?a=1"},
         {"http://example.test/x?a=1"}},
        {"<A href=\"mailto:someone@example.test\">target</A>",
         true,
         {"mailto:someone@example.test"},
         {"mailto:someone@example.test"}},
        {"<A href=\"MAILTO:x\">target</A>", true, {"MAILTO:x"}, {"MAILTO:x"}},  // any case of the scheme
        // Anything but a web or mail address reaches OnLinkClick only.
        {"<A href=\"C:\\Windows\\notepad.exe\">target</A>", true, {"C:\\Windows\\notepad.exe"}, {}},
        {"<A href=\"file:///C:/x.exe\">target</A>", true, {"file:///C:/x.exe"}, {}},
        {"<A href=\"javascript:alert(1)\">target</A>", true, {"javascript:alert(1)"}, {}},
        {"<A href=\"http://example.test/\">target</A>", false, {}, {"http://example.test/"}},
        {"<A href=\"#1\">other</A> target", true, {}, {}},       // plain text next to a link
        {"<A href=\"#3\"><B>tar</B>get</A>", true, {"#3"}, {}},  // inside an element of the link
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Caption);
        auto& label = MakeLabel(0, 0, 300, 40, c.Caption);
        std::vector<std::string> clicked;
        if (c.WithHandler) label.OnLinkClick = [&](const std::string& id) { clicked.push_back(id); };
        const auto chunks = label.Renderer().Chunks();
        const auto target = std::find_if(chunks.begin(), chunks.end(), [](const THtmlRenderChunk& chunk) {
            return chunk.Text == "target" || chunk.Text == "tar";
        });
        ASSERT_NE(target, chunks.end());
        PressAt(CenterOf(*target));
        EXPECT_EQ(clicked, c.Clicked);
        EXPECT_EQ(label.Opened, c.Opened);
    }
}

TEST_F(HtmlLabelTest, RepaintsOncePerChangeOfLink) {
    auto& label = MakeLabel(0, 0, 300, 40, "<A href=\"#1\">first</A> <A>second</A> plain");
    const RECT first = BoxOf(ChunkOf("first"));
    const RECT second = BoxOf(ChunkOf("second"));
    const POINT plain = CenterOf(ChunkOf("plain"));
    TakeInvalidation();

    struct Step {
        POINT Point;
        bool Repaints;
        const char* Hot;  // link of the hot node, or null
    };
    const Step steps[] = {
        {{first.left + 1, first.top + 2}, true, "link:#1"},
        {{first.right - 2, first.bottom - 2}, false, "link:#1"},  // within the same link
        {{second.left + 1, second.top + 2}, true, "link:"},       // straight to the next link
        {{second.left + 3, second.top + 3}, false, "link:"},
        {plain, true, nullptr},
        {{plain.x + 1, plain.y}, false, nullptr},
        {{first.left + 2, first.top + 2}, true, "link:#1"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << step.Point.x << "," << step.Point.y);
        MoveTo(step.Point);
        EXPECT_EQ(TakeInvalidation(), step.Repaints);
        if (step.Hot) {
            ASSERT_NE(label.HotNode(), nullptr);
            EXPECT_EQ(label.HotNode()->Link, step.Hot);
            EXPECT_EQ(label.Cursor(), label.LinkCursor());
        } else {
            EXPECT_EQ(label.HotNode(), nullptr);
            EXPECT_EQ(label.Cursor(), nullptr);
        }
    }
    SendMessageW(label.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(TakeInvalidation());
    EXPECT_EQ(label.HotNode(), nullptr);
    SendMessageW(label.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(TakeInvalidation());
}

TEST_F(HtmlLabelTest, AutoHeightFollowsTheContent) {
    auto& label = MakeLabel(0, 0, 300, 50, "");
    label.SetAutoHeight(true);
    EXPECT_EQ(WindowHeight(), 2);

    const int line = LineHeightOf(L"Tahoma", 8);
    label.SetCaption("Oops...");
    EXPECT_EQ(WindowHeight(), line + 2);
    label.SetCaption("Oops...\r\n");
    EXPECT_EQ(WindowHeight(), line + 2);
    label.SetCaption("one<BR><BR>three");
    EXPECT_EQ(WindowHeight(), 3 * line + 2);
    label.SetCaption("<FONT size=\"10\"><B>Title</B></FONT> text<BR>next");
    EXPECT_EQ(WindowHeight(), LineHeightOf(L"Tahoma", 10, true) + line + 2);

    // A narrower window re-wraps the words, and the height follows.
    label.SetCaption("alpha beta gamma delta epsilon");
    EXPECT_EQ(WindowHeight(), line + 2);
    SetWindowPos(label.Handle(), nullptr, 0, 0, 40, WindowHeight(), SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(WindowHeight(), 5 * line + 2);
    EXPECT_EQ(ChunkOf("epsilon").Top, 4 * line);
}

TEST_F(HtmlLabelTest, AutoWidthAndWordBreakExcludeEachOther) {
    // The width is the widest line's, as the font measures it.
    auto& label = MakeLabel(0, 0, 300, 40, "some words here");
    label.SetAutoWidth(true);
    EXPECT_FALSE(label.WordBreak());
    EXPECT_EQ(WindowWidth(), TextWidthOf(L"Tahoma", 8, L"some words here"));
    label.SetCaption("some words here<BR>and a longer line below them");
    EXPECT_EQ(WindowWidth(), TextWidthOf(L"Tahoma", 8, L"and a longer line below them"));
    label.SetWordBreak(true);
    EXPECT_FALSE(label.AutoWidth());

    // Without word breaks the text runs past the right edge on one line.
    label.SetWordBreak(false);
    SetWindowPos(label.Handle(), nullptr, 0, 0, 30, 40, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ChunkOf("them").Top, ChunkOf("longer ").Top);
}

TEST_F(HtmlLabelTest, CaptionChangeRebuildsAndClearsHover) {
    auto& label = MakeLabel(0, 0, 300, 40, "<A href=\"#1\">first</A>");
    MoveTo(CenterOf(ChunkOf("first")));
    ASSERT_NE(label.HotNode(), nullptr);
    TakeInvalidation();

    label.SetCaption("<A href=\"#2\">second</A>\n");
    EXPECT_EQ(label.HotNode(), nullptr);
    EXPECT_TRUE(TakeInvalidation());
    EXPECT_EQ(label.Caption(), "<A href=\"#2\">second</A>");
    wchar_t text[64] = {};
    GetWindowTextW(label.Handle(), text, 64);
    EXPECT_STREQ(text, L"<A href=\"#2\">second</A>");
    ASSERT_EQ(label.Renderer().Chunks().size(), 1u);
    EXPECT_EQ(ChunkOf("second").Node->Parent()->Link, "link:#2");

    // The next move finds the link of the new tree; WM_SETTEXT is a caption change too.
    MoveTo(CenterOf(ChunkOf("second")));
    ASSERT_NE(label.HotNode(), nullptr);
    EXPECT_EQ(label.HotNode()->Link, "link:#2");
    SetWindowTextW(label.Handle(), L"x <A href=\"#3\">third</A>");
    EXPECT_EQ(label.HotNode(), nullptr);
    EXPECT_EQ(label.Caption(), "x <A href=\"#3\">third</A>");
    EXPECT_EQ(ChunkOf("third").Node->Parent()->Link, "link:#3");
}

TEST_F(HtmlLabelTest, CaptionLineBreaksBecomeCrLfAndTrailingOnesGo) {
    auto& label = MakeLabel(0, 0, 100, 20, "");
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"a\nb", "a\r\nb"},
        {"a\rb", "a\r\nb"},
        {"a\r\nb", "a\r\nb"},
        {"a\n\rb", "a\r\n\r\nb"},
        {"a\r\r\nb", "a\r\n\r\nb"},
        {"Oops...\r\n", "Oops..."},
        {"x\r\n\r\n\n\r", "x"},
        {"\r\n", ""},
        {"\r\nx", "\r\nx"},
        {"a<BR>\tb  c", "a<BR>\tb  c"},
    };
    for (const auto& [input, expected] : cases) {
        label.SetCaption(input);
        EXPECT_EQ(label.Caption(), expected) << input;
    }
}

TEST_F(HtmlLabelTest, AmpersandIsDrawnAsMeasured) {
    // "R&" is one token: its box is as wide as "R&" in the font, and the "&" must fill its right part.
    auto& label = MakeLabel(0, 0, 200, 30, "R&D");
    Canvas canvas(200, 30);
    label.PaintTo(canvas.Dc());
    const THtmlRenderChunk& token = ChunkOf("R&");
    const int ampersandLeft = token.Left + LineHeightOf(L"Tahoma", 8) / 2;  // past the "R"
    const RECT ampersand{ampersandLeft, token.Top, token.Left + token.Width, token.Top + token.Height};
    EXPECT_GT(canvas.Count(ampersand, true, InkOf(RGB(0, 0, 0))), 5);
    // Drawn without a mnemonic underline under the "D".
    const THtmlRenderChunk& d = ChunkOf("D");
    const RECT underline{d.Left, d.Top + d.Height - 2, d.Left + d.Width, d.Top + d.Height};
    EXPECT_EQ(canvas.Count(underline, true, InkOf(RGB(0, 0, 0))), 0);
}

TEST_F(HtmlLabelTest, SidePanelLineDrawsItsImageAndIndentsTheLink) {
    UniqueHandle<HandleTraits<HIMAGELIST, ImageList_Destroy>> images(ImageList_Create(16, 16, ILC_COLOR24, 2, 0));
    const COLORREF imageColors[] = {RGB(255, 0, 255), RGB(0, 255, 255)};
    for (COLORREF color : imageColors) ASSERT_GE(ImageList_Add(images.get(), SolidBitmap(color).get(), nullptr), 0);
    auto& label = MakeLabel(0, 0, 200, 60,
                            "<IMG src=\"idx:1\"><IND x=\"20\"><A href=\"#0\">Accelerate</A><BR>"
                            "<IMG src=\"7\"><IND x=\"20\"><A href=\"#1\">Missing</A>");
    label.SetImages(images.get(), 2);
    EXPECT_EQ(label.Images(), images.get());
    EXPECT_EQ(label.ImagePadding(), 2);
    Canvas canvas(200, 60);
    label.PaintTo(canvas.Dc());

    const RECT first{0, 0, 16, 16};
    EXPECT_EQ(canvas.Count(first, true, IsColor(imageColors[1])), 16 * 16);
    EXPECT_EQ(canvas.Count(first, false, IsColor(imageColors[1])), 0);
    EXPECT_EQ(canvas.Count({0, 0, 200, 60}, true, IsColor(imageColors[0])), 0);  // image 7 does not exist
    EXPECT_EQ(ChunkOf("Accelerate").Left, 20);
    EXPECT_EQ(ChunkOf("Missing").Left, 20);
    EXPECT_EQ(ChunkOf("Missing").Top, 18);  // the image and its padding set the first line's height
    label.SetImages(nullptr, 0);
    label.PaintTo(canvas.Dc());
    EXPECT_EQ(canvas.Count(first, true, IsColor(imageColors[1])), 0);
}

TEST_F(HtmlLabelTest, ColoursResolveSystemColoursAndDrawNothingForNone) {
    struct Case {
        TColor Stored;
        std::optional<COLORREF> Gdi;
    };
    const Case cases[] = {
        {0x00CA5A22, RGB(0x22, 0x5A, 0xCA)},
        {kClSystemColor | COLOR_HOTLIGHT, GetSysColor(COLOR_HOTLIGHT)},
        {kClSystemColor | COLOR_BTNFACE, GetSysColor(COLOR_BTNFACE)},
        {kClDefault, GetSysColor(COLOR_WINDOWTEXT)},
        {kClNone, std::nullopt},
        {0x12345678, RGB(0x78, 0x56, 0x34)},
    };
    for (const Case& c : cases) EXPECT_EQ(ResolveColor(c.Stored), c.Gdi) << std::hex << c.Stored;

    auto& label = MakeLabel(0, 0, 200, 30, "<FONT color=\"clHotLight\">hot</FONT><FONT color=\"clNone\">none</FONT>");
    Canvas canvas(200, 30);
    label.PaintTo(canvas.Dc());
    EXPECT_GT(canvas.Count(BoxOf(ChunkOf("hot")), true, InkOf(GetSysColor(COLOR_HOTLIGHT))), 5);
    EXPECT_EQ(canvas.Count(BoxOf(ChunkOf("none")), true, [](COLORREF c) { return !IsBackground(c); }), 0);
}

TEST_F(HtmlLabelTest, FontComesFromWmSetFontAndLabelTypes) {
    auto& label = MakeLabel(0, 0, 200, 30, "text");
    label.SetFont({"Tahoma", 0x123456, 8, {}});
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    UniqueFont font(CreateFontW(-MulDiv(12, dpi, 72), 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                                L"Courier New"));
    SendMessageW(label.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    const FontSpec expected{"Courier New", 0x123456, 12, TFontStyle::fsBold | TFontStyle::fsItalic};
    EXPECT_EQ(label.Font(), expected);
    EXPECT_EQ(ChunkOf("text").FontData.Size, 12);
    LOGFONTW current{};
    ASSERT_TRUE(
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(label.Handle(), WM_GETFONT, 0, 0)), sizeof current, &current));
    EXPECT_STREQ(current.lfFaceName, L"Courier New");
    EXPECT_EQ(current.lfHeight, -MulDiv(12, dpi, 72));

    // A font made with a cell height (a positive height) is as large as its character height.
    UniqueFont cell(CreateFontW(LineHeightOf(L"Tahoma", 12), 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET, 0,
                                0, 0, 0, L"Tahoma"));
    SendMessageW(label.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(cell.get()), TRUE);
    EXPECT_EQ(label.Font(), (FontSpec{"Tahoma", 0x123456, 12, TFontStyle::fsUnderline}));

    // Presets come from the shared style object, and a style change re-applies them.
    TQmStyle& style = TQmStyle::Instance();
    EXPECT_TRUE(style.IsRegistered(&label));
    label.SetLabelType(TQmLabelType::ltTitle);
    EXPECT_EQ(label.Font(), (FontSpec{"Tahoma", kClWhite, 12, TFontStyle::fsBold}));
    const int savedSize = style.TitleFontSize;
    style.TitleFontSize = 14;
    style.NotifyListeners();
    style.TitleFontSize = savedSize;
    EXPECT_EQ(label.Font().Size, 14);
    EXPECT_EQ(ChunkOf("text").FontData.Size, 14);
    label_.reset();
    EXPECT_FALSE(style.IsRegistered(&label));
}

TEST_F(HtmlLabelTest, CentredLinesAreHitWhereTheyAreDrawn) {
    auto& label = MakeLabel(0, 0, 300, 40, "<A href=\"#1\">centre</A>");
    label.SetAlignment(THtmlAlignment::taCenter);
    const THtmlRenderChunk& chunk = ChunkOf("centre");
    const int left = 150 - chunk.Width / 2;
    Canvas canvas(300, 40);
    label.PaintTo(canvas.Dc());
    const RECT drawn{left, chunk.Top, left + chunk.Width, chunk.Top + chunk.Height};
    EXPECT_GT(canvas.Count(drawn, true, InkOf(kLinkColor)), 10);
    EXPECT_EQ(canvas.Count(drawn, false, InkOf(kLinkColor)), 0);
    std::vector<std::string> clicked;
    label.OnLinkClick = [&](const std::string& id) { clicked.push_back(id); };
    PressAt({left + 1, chunk.Top + 1});
    PressAt({chunk.Left + 1, chunk.Top + 1});  // where a left-aligned line would be
    EXPECT_EQ(clicked, std::vector<std::string>{"#1"});
}

// The shell's handler of a URL scheme, replaced for the test's lifetime by one that writes
// the address it was given to a file; the prefix's own handler comes back afterwards.
class UrlHandlerOverride {
public:
    explicit UrlHandlerOverride(std::wstring scheme) : command_(std::move(scheme) + L"\\shell\\open\\command") {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        output_ = std::wstring(temp) + L"tarvex-label-open.txt";
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, command_.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                  OutParam(key_), nullptr),
                  ERROR_SUCCESS);
        previous_ = ReadDefault();
        WriteDefault(std::wstring(system) + L"\\cmd.exe /c echo %1>\"" + output_ + L"\"");
    }
    ~UrlHandlerOverride() {
        if (previous_) {
            WriteDefault(*previous_);
        } else {
            RegDeleteValueW(key_.get(), nullptr);
        }
        DeleteFileW(output_.c_str());
    }

    void Forget() const { DeleteFileW(output_.c_str()); }
    // The address the handler was started with; the handler runs in a process of its own.
    std::string WaitForOpened() const {
        std::string written;
        for (int i = 0; i < 200 && written.empty(); ++i) {
            Sleep(50);
            const UniqueFile file(
                CreateFileW(output_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            if (!file) continue;
            char buffer[256];
            DWORD read = 0;
            ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr);
            written.assign(buffer, read);
        }
        return written.substr(0, written.find_first_of(" \r\n"));
    }

private:
    std::optional<std::wstring> ReadDefault() const {
        wchar_t value[1024];
        DWORD size = sizeof value;
        DWORD type = 0;
        if (RegQueryValueExW(key_.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        return std::wstring(value, wcsnlen(value, size / sizeof(wchar_t)));
    }
    void WriteDefault(const std::wstring& value) const {
        RegSetValueExW(key_.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

    std::wstring command_;
    std::wstring output_;
    UniqueHkey key_;
    std::optional<std::wstring> previous_;
};

TEST_F(HtmlLabelTest, AddressLinkOpensThroughTheShell) {
    const UrlHandlerOverride handler(L"http");
    auto& label = MakeLabel(0, 0, 300, 40, "<A href=\"http://opened.example/page\">web</A>");
    label.RealOpen = true;
    PressAt(CenterOf(ChunkOf("web")));
    EXPECT_EQ(handler.WaitForOpened(), "http://opened.example/page");

    // A handler may close what the label lives on: the label goes, the address still opens.
    handler.Forget();
    label.SetCaption("<A href=\"http://after.example/close\">web</A>");
    const HWND handle = label.Handle();
    label.OnLinkClick = [this](const std::string&) { label_.reset(); };
    SendMessageW(handle, WM_LBUTTONDOWN, MK_LBUTTON, MousePoint(2, 2));
    EXPECT_EQ(label_, nullptr);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(handler.WaitForOpened(), "http://after.example/close");
}

TEST_F(HtmlLabelTest, OddCaptionsLayOutAndPaintSafely) {
    static constexpr char kBadBytes[] = "bad \xFF\xFE utf-8 \xE2\x82 and a nul \0 inside";
    const std::string captions[] = {
        "<FONT size=\"2000000000\">huge</FONT> <FONT size=\"-2000000000\">negative</FONT>",
        "<FONT face=\"" + std::string(200, 'F') + "\" size=\"0\">long face</FONT>",
        "<IND x=\"2147483647\">far<IND x=\"-5\">back<IMG src=\"-5\"><IMG src=\"99999\">",
        std::string(kBadBytes, sizeof kBadBytes - 1),
        "\xF0\x9F\x98\x80 emoji<A href=\"\">empty</A>&&&",
        std::string(5000, 'w') + " " + std::string(3000, '<'),
    };
    auto& label = MakeLabel(0, 0, 120, 40, "");
    label.SetAutoHeight(true);
    Canvas canvas(120, 40);
    for (const std::string& caption : captions) {
        label.SetCaption(caption);
        label.PaintTo(canvas.Dc());
        MoveTo({5, 5});
        PressAt({5, 5});
        EXPECT_GE(WindowHeight(), 2);
    }
    EXPECT_TRUE(label.Opened.empty());
}

}  // namespace
}  // namespace tarvex
