#include "app/tray_icon_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvex {
namespace {

std::u16string Repeat(std::size_t count, char16_t unit = u'x') {
    return std::u16string(count, unit);
}

// A text whose surrogate pair starts at unit `at`, so that a cut after `at` units would split it.
std::u16string PairAt(std::size_t at, std::size_t length) {
    std::u16string text = Repeat(length);
    text[at] = 0xD83D;
    text[at + 1] = 0xDE00;
    return text;
}

TEST(TrayIconRulesTest, TooltipAndBalloonCuts) {
    // Each input serves as hint, balloon text and balloon title at once; the results are prefixes of it.
    struct Case {
        const char* name;
        std::u16string input;
        bool showHint;
        std::size_t tipLength, textLength, titleLength;
        int iconKind, seconds;
        BalloonIcon icon;
        std::uint32_t timeoutMs;
    };
    const Case cases[] = {
        {"empty", u"", true, 0, 0, 0, 0, 0, BalloonIcon::None, 0},
        {"short", u"Tarvex", true, 6, 6, 6, 1, 10, BalloonIcon::Info, 10000},
        {"hint off", u"Tarvex", false, 0, 6, 6, 2, 1, BalloonIcon::Warning, 1000},
        {"title limit", Repeat(63), true, 63, 63, 63, 3, 30, BalloonIcon::Error, 30000},
        {"title plus one", Repeat(64), true, 64, 64, 63, 4, 5, BalloonIcon::User, 5000},
        {"tip limit", Repeat(127), true, 127, 127, 63, 5, 10, BalloonIcon::None, 10000},
        {"tip plus one", Repeat(128), true, 127, 128, 63, -1, -10, BalloonIcon::None, 0},
        {"text limit", Repeat(255), true, 127, 255, 63, 1, 0, BalloonIcon::Info, 0},
        {"300 units", Repeat(300), true, 127, 255, 63, 1, 4294967, BalloonIcon::Info, 4294967000u},
        {"huge time-out", u"a", true, 1, 1, 1, 1, 2147483647, BalloonIcon::Info, 4294967000u},
        {"pair across the title cut", PairAt(62, 70), true, 70, 70, 62, 0, 0, BalloonIcon::None, 0},
        {"pair across the tip cut", PairAt(126, 130), true, 126, 130, 63, 0, 0, BalloonIcon::None, 0},
        {"pair across the text cut", PairAt(254, 300), true, 127, 254, 63, 0, 0, BalloonIcon::None, 0},
        {"pair just inside", PairAt(125, 130), true, 127, 130, 63, 0, 0, BalloonIcon::None, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::u16string tip = TrayTooltip(c.input, c.showHint);
        EXPECT_EQ(tip, c.input.substr(0, c.tipLength));
        const BalloonContent balloon = MakeBalloon(c.input, c.input, c.iconKind, c.seconds);
        EXPECT_EQ(balloon.Text, c.input.substr(0, c.textLength));
        EXPECT_EQ(balloon.Title, c.input.substr(0, c.titleLength));
        EXPECT_EQ(balloon.Icon, c.icon);
        EXPECT_EQ(balloon.TimeoutMs, c.timeoutMs);
    }
}

}  // namespace
}  // namespace tarvex
