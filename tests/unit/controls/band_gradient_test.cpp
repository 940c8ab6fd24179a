#include "controls/band_gradient.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

constexpr TColor Rgb(int r, int g, int b) {
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

TEST(BandGradientTest, TopToBottomBandsOverlapAndEndAtTheEdge) {
    // 379 / 128 = 2.96: every band trunc 2 + 1 = 3 pixels high from nearest(i * 2.96).
    const auto bands = BandGradient({0, 0, 100, 379}, kClBlack, kClWhite, 128, GradientDirection::TopToBottom);
    ASSERT_EQ(bands.size(), 128u);
    for (std::size_t i = 0; i < bands.size(); ++i) {
        EXPECT_EQ(bands[i].Area.Left, 0);
        EXPECT_EQ(bands[i].Area.Right, 100);
        if (i + 1 < bands.size()) {
            EXPECT_EQ(bands[i].Area.Bottom - bands[i].Area.Top, 3) << i;
            EXPECT_GE(bands[i].Area.Bottom, bands[i + 1].Area.Top) << "gap after " << i;
        }
    }
    EXPECT_EQ(bands[1].Area.Top, 3);
    EXPECT_EQ(bands[2].Area.Top, 6);
    EXPECT_EQ(bands[127].Area, (GradientRect{0, 376, 100, 379}));
    // The last band stops one step short of the end colour: 127 * 255 / 128 = 253.0.
    EXPECT_EQ(bands[0].Color, kClBlack);
    EXPECT_EQ(bands[127].Color, Rgb(253, 253, 253));
}

TEST(BandGradientTest, LeftToRightBandsOfTheWizardPanel) {
    // 177 / 128 = 1.38: bands 2 pixels wide, the last from 176 to the edge.
    const auto bands = BandGradient({0, 0, 177, 50}, Rgb(215, 242, 255), kClWhite, 128, GradientDirection::LeftToRight);
    ASSERT_EQ(bands.size(), 128u);
    EXPECT_EQ(bands[0].Area, (GradientRect{0, 0, 2, 50}));
    EXPECT_EQ(bands[1].Area, (GradientRect{1, 0, 3, 50}));  // nearest(1.38) = 1: overlaps by a pixel
    EXPECT_EQ(bands[127].Area, (GradientRect{176, 0, 177, 50}));
    EXPECT_EQ(bands[0].Color, Rgb(215, 242, 255));
    // Red: 215 + nearest(127 * 40 / 128 = 39.69); green: 242 + nearest(127 * 13 / 128 = 12.9).
    EXPECT_EQ(bands[127].Color, Rgb(255, 255, 255));
    EXPECT_EQ(bands[64].Color, Rgb(235, 248, 255));  // 215 + 20, 242 + nearest(6.5) = 6
}

TEST(BandGradientTest, BandCountBelowOneCountsAsOne) {
    const auto bands = BandGradient({0, 0, 10, 10}, Rgb(1, 2, 3), kClWhite, 0, GradientDirection::TopToBottom);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0].Area, (GradientRect{0, 0, 10, 10}));
    EXPECT_EQ(bands[0].Color, Rgb(1, 2, 3));
}

TEST(BandGradientTest, ShaderHalvesAndColours) {
    const auto none = [](TColor c) { return c; };
    EXPECT_TRUE(ShaderBands({0, 0, 100, 100}, {kClNone, kClWhite}, false, none).empty());

    const auto single = ShaderBands({0, 0, 100, 100}, {kClBlue, kClBlack}, false, none);
    ASSERT_EQ(single.size(), 128u);
    EXPECT_EQ(single.front().Color, kClBlue);

    // A mirror without an end colour runs towards clNone's bytes: white.
    const auto halves = ShaderBands({0, 0, 101, 40}, {kClBlack, kClBlack, kClBlack, kClNone}, true, none);
    ASSERT_EQ(halves.size(), 256u);
    EXPECT_EQ(halves[127].Area.Right, 50);  // split at 101 div 2
    EXPECT_EQ(halves[128].Area.Left, 50);
    EXPECT_EQ(halves[255].Area.Right, 101);
    EXPECT_EQ(halves[127].Color, kClBlack);
    EXPECT_EQ(halves[255].Color, Rgb(253, 253, 253));

    const auto vertical = ShaderBands({0, 0, 30, 61}, {kClBlack, kClBlack, kClWhite, kClWhite}, false, none);
    EXPECT_EQ(vertical[127].Area.Bottom, 30);
    EXPECT_EQ(vertical[128].Area.Top, 30);

    // System colours are turned into RGB values first.
    const TColor btnFace = kClSystemColor | 15;
    const auto system = ShaderBands({0, 0, 10, 10}, {btnFace, btnFace}, false,
                                    [](TColor c) { return IsSystemColor(c) ? Rgb(240, 240, 240) : c; });
    EXPECT_EQ(system.front().Color, Rgb(240, 240, 240));
    EXPECT_EQ(system.back().Color, Rgb(240, 240, 240));
}

TEST(BandGradientTest, VersionText) {
    EXPECT_EQ(ComponentVersionText(0x01040000), "1.4.0.0");
    EXPECT_EQ(ComponentVersionText(0xFF0A0B0C), "255.10.11.12");
}

}  // namespace
}  // namespace tarvex
