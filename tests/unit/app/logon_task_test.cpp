// The logon task that starts the elevated program: what its definition asks of the Task
// Scheduler, and that the user's name and the command cannot break out of their elements.
#include "app/logon_task.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvex {
namespace {

// The text between the first <tag> and its </tag>, or "(none)".
std::string Element(const std::string& xml, const std::string& tag) {
    const std::string open = "<" + tag + ">", close = "</" + tag + ">";
    const auto start = xml.find(open);
    if (start == std::string::npos) return "(none)";
    const auto end = xml.find(close, start);
    return end == std::string::npos ? "(unclosed)" : xml.substr(start + open.size(), end - start - open.size());
}

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(LogonTaskTest, RunsTheProgramElevatedAtThisUsersLogonWithoutLimits) {
    const std::string xml = LogonTaskXml("PC\\Anna", "C:\\Program Files\\Tarvex\\Tarvex.exe", "");
    EXPECT_EQ(Element(xml, "LogonTrigger"), "\n      <Enabled>true</Enabled>\n      <UserId>PC\\Anna</UserId>\n    ");
    EXPECT_EQ(Count(xml, "<UserId>PC\\Anna</UserId>"), 2);  // the trigger's and the principal's
    EXPECT_EQ(Element(xml, "RunLevel"), "HighestAvailable");
    EXPECT_EQ(Element(xml, "LogonType"), "InteractiveToken");
    EXPECT_EQ(Element(xml, "ExecutionTimeLimit"), "PT0S");  // not killed after three days
    EXPECT_EQ(Element(xml, "DisallowStartIfOnBatteries"), "false");
    EXPECT_EQ(Element(xml, "StopIfGoingOnBatteries"), "false");
    EXPECT_EQ(Element(xml, "MultipleInstancesPolicy"), "IgnoreNew");
    EXPECT_EQ(Element(xml, "Command"), "C:\\Program Files\\Tarvex\\Tarvex.exe");  // no quotes needed
    EXPECT_EQ(Element(xml, "Arguments"), "(none)");
    EXPECT_EQ(Element(LogonTaskXml("PC\\Anna", "C:\\T\\Tarvex.exe", "--tray"), "Arguments"), "--tray");
}

TEST(LogonTaskTest, NamesAndCommandsStayCharacterData) {
    const std::string xml = LogonTaskXml("PC\\A&B <x>", "C:\\Tools & \"More\"\\Tarvex.exe", "a<b");
    EXPECT_EQ(Element(xml, "Command"), "C:\\Tools &amp; &quot;More&quot;\\Tarvex.exe");
    EXPECT_EQ(Element(xml, "Arguments"), "a&lt;b");
    EXPECT_EQ(Count(xml, "<UserId>PC\\A&amp;B &lt;x&gt;</UserId>"), 2);
    EXPECT_EQ(Count(xml, "<"), Count(LogonTaskXml("u", "p", "a"), "<"));  // no element more or less

    struct Case {
        std::string text, escaped;
    };
    const std::vector<Case> cases = {
        {"plain \xC3\xBC", "plain \xC3\xBC"},
        {"&<>\"'", "&amp;&lt;&gt;&quot;&apos;"},
        {std::string("a\0b\x01\x1F\tc\r\n", 10), "ab\tc\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(EscapeXmlText(c.text), c.escaped);
}

TEST(LogonTaskTest, OneTaskPerUserUnderANameTheSchedulerTakes) {
    EXPECT_EQ(LogonTaskName("PC\\Anna"), "Tarvex (PC_Anna)");
    EXPECT_EQ(LogonTaskName("a/b:c*d?e\"f<g>h|i"), "Tarvex (a_b_c_d_e_f_g_h_i)");
    EXPECT_NE(LogonTaskName("PC\\Anna"), LogonTaskName("PC\\Ben"));
}

}  // namespace
}  // namespace tarvex
