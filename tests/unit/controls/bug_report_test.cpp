#include "controls/bug_report.h"

#include <gtest/gtest.h>

#include "controls/html_parser.h"

namespace tarvex {
namespace {

// The text the label shows for a caption: every text node's text, line breaks as "\n".
void CollectText(const THtmlNode& node, std::string& text) {
    for (const auto& child : node.Children()) {
        text += child->Text == "\r\n" ? "\n" : child->Text;
        CollectText(*child, text);
    }
}

BugReport Sample() {
    return {"Access violation <B>at</B> <A href=\"x\">0</A> & more",
            {"Tarvex.exe+0x1a2b", "kernel32.dll+0x10", "Tarvex.exe+0x33", "a+0x1", "b+0x2", "c+0x3", "d+0x4", "e+0x5",
             "f+0x6", "g+0x7", "h+0x8", "i+0x9"},
            "2.0.1.70",
            "Windows XP Service Pack 3"};
}

TEST(BugReportTest, CaptionShowsMarkupOfTheMessageAsText) {
    const BugReport report = Sample();
    const std::string caption = BugReportCaption(report);
    THtmlParser parser;
    parser.Parse(caption);
    std::string shown;
    CollectText(parser.Root(), shown);
    const std::string zwnj = "\xE2\x80\x8C";
    EXPECT_EQ(shown, "Access violation <" + zwnj + "B>at<" + zwnj + "/B> <" + zwnj + "A href=\"x\">0<" + zwnj +
                         "/A> & more\n\nTarvex.exe+0x1a2b\nkernel32.dll+0x10\nTarvex.exe+0x33\na+0x1\nb+0x2\nc+0x3\n"
                         "d+0x4\ne+0x5\n[...]");
    // No element of the message made it into the tree: a flat row of texts and line breaks.
    for (const auto& child : parser.Root().Children()) {
        EXPECT_TRUE(child->Children().empty()) << child->Text;
        EXPECT_EQ(child->Link, "");
    }
}

TEST(BugReportTest, PlainReportAndMail) {
    BugReport report = Sample();
    report.StackLines.resize(2);
    const std::string text = BugReportText(report);
    EXPECT_EQ(text,
              "Access violation <B>at</B> <A href=\"x\">0</A> & more\r\n\r\nProgram version: 2.0.1.70\r\n"
              "Windows: Windows XP Service Pack 3\r\n\r\nCall stack:\r\nTarvex.exe+0x1a2b\r\nkernel32.dll+0x10\r\n");
    const std::string mail = BugReportMailto("support@quillmont.com", report, "me@example.org");
    EXPECT_EQ(mail.rfind("mailto:support@quillmont.com?subject=Tarvex%20Bug%20Report&body=Reply%20to%3A%20me%40example"
                         ".org%0D%0A%0D%0AAccess%20violation%20%3CB%3Eat",
                         0),
              0u)
        << mail;
    EXPECT_EQ(mail.find_first_of(" <>\"\r\n", 7), std::string::npos);
    EXPECT_EQ(BugReportMailto("s@x", report, "").find("Reply"), std::string::npos);
    EXPECT_EQ(PercentEncode("a-Z_9.~ /\xC3\xA9"), "a-Z_9.~%20%2F%C3%A9");
}

TEST(BugReportTest, StackFrames) {
    EXPECT_EQ(FormatStackFrame("Tarvex.exe", 0x1a2b), "Tarvex.exe+0x1a2b");
    EXPECT_EQ(FormatStackFrame("ntdll.dll", 0), "ntdll.dll+0x0");
}

}  // namespace
}  // namespace tarvex
