#include "controls/overload_history.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tarvex {
namespace {

TEST(OverloadHistoryTest, StartsWithTheDefaults) {
    const OverloadHistory graph;
    EXPECT_EQ(graph.MaxValue, 100);
    EXPECT_EQ(graph.MinValue, 0);
    EXPECT_EQ(graph.SpeedTPS(), 2);
    EXPECT_EQ(graph.TimerInterval(), 500u);
    EXPECT_EQ(graph.HistoryCapacity(), 20);
    EXPECT_EQ(graph.HistoryTickWidth(), 1);
    EXPECT_EQ(graph.WriteIndex(), 1);
    EXPECT_EQ(graph.Position(), 50);
    EXPECT_EQ(graph.Values(), std::vector<int>(20, 0));
}

TEST(OverloadHistoryTest, RingKeepsTheNewestValuesOldestFirst) {
    OverloadHistory graph;
    graph.SetHistoryCapacity(4, 200);
    for (int v = 1; v <= 5; ++v) graph.Append(v);
    EXPECT_EQ(graph.Values(), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(graph.WriteIndex(), 2);
    EXPECT_EQ(graph.Position(), 5);
}

TEST(OverloadHistoryTest, CapacityAndTickWidthDecideEachOther) {
    struct Case {
        bool SetCapacity;  // else the tick width
        int Value;
        int InnerWidth;
        int Capacity;
        int TickWidth;
    } const cases[] = {
        {false, 2, 293, 146, 2},                        // 146.5 rounds to the even 146
        {false, 2, 291, 146, 2},                        // 145.5 rounds to the even 146
        {false, 1, 293, 293, 1},                        // the Connection State graphs
        {true, 293, 293, 293, 1}, {true, 4, 10, 4, 2},  // 2.5 rounds to 2
        {true, 4, 14, 4, 4},                            // 3.5 rounds to 4
        {true, 700, 293, 700, 1},                       // more than twice the width: bars stay one pixel wide
        {false, 0, 293, 293, 1},                        // no bar is narrower than a pixel
        {false, 5, 2, 1, 5},                            // a graph narrower than a bar keeps one
        {true, 0, 293, 1, 293},                         // and a history holds at least one value
    };
    for (const Case& c : cases) {
        OverloadHistory graph;
        graph.Append(7);
        if (c.SetCapacity) {
            graph.SetHistoryCapacity(c.Value, c.InnerWidth);
        } else {
            graph.SetHistoryTickWidth(c.Value, c.InnerWidth);
        }
        EXPECT_EQ(graph.HistoryCapacity(), c.Capacity) << c.Value << " on " << c.InnerWidth;
        EXPECT_EQ(graph.HistoryTickWidth(), c.TickWidth) << c.Value << " on " << c.InnerWidth;
        EXPECT_EQ(graph.WriteIndex(), 1);
        EXPECT_EQ(graph.Values(), std::vector<int>(static_cast<std::size_t>(c.Capacity), 0));
    }
}

TEST(OverloadHistoryTest, TimerIntervalFollowsTheSpeed) {
    const std::pair<int, unsigned> cases[] = {{1, 1000}, {2, 500}, {3, 333},
                                              {7, 143},  {200, 5}, {16, 62},  // 62.5 rounds to the even 62
                                              {0, 1000}, {255, 5}};
    for (const auto& [speed, interval] : cases) {
        OverloadHistory graph;
        graph.SetSpeedTPS(speed);
        EXPECT_EQ(graph.TimerInterval(), interval) << speed;
    }
}

TEST(OverloadHistoryTest, BarHeights) {
    OverloadHistory graph;
    EXPECT_EQ(graph.BarHeight(50, 48), 24);
    EXPECT_EQ(graph.BarHeight(150, 48), 48);  // above the range: full height
    EXPECT_EQ(graph.BarHeight(100, 48), 48);
    EXPECT_EQ(graph.BarHeight(0, 48), 0);
    EXPECT_EQ(graph.BarHeight(-20, 48), 0);
    EXPECT_EQ(graph.BarHeight(1, 50), 0);  // 0.5 rounds to the even 0
    EXPECT_EQ(graph.BarHeight(3, 50), 2);  // 1.5 rounds to 2
    graph.MinValue = 20;                   // narrows the range, is not subtracted
    EXPECT_EQ(graph.BarHeight(40, 48), 24);
    graph.MinValue = 100;  // a range of zero
    EXPECT_EQ(graph.BarHeight(1, 48), 48);
    EXPECT_EQ(graph.BarHeight(0, 48), 0);
    EXPECT_EQ(graph.BarHeight(-1, 48), 0);
    graph.MinValue = 200;  // an upside-down range draws nothing
    EXPECT_EQ(graph.BarHeight(50, 48), 0);
}

TEST(OverloadHistoryTest, AFrameChangeLaysTheHistoryOutAgain) {
    OverloadHistory graph;
    EXPECT_FALSE(graph.FitToFrame(200, 0, 0));
    graph.Append(9);
    EXPECT_TRUE(graph.FitToFrame(297, 1, 0));  // 297 - 4 = 293 bars of one pixel
    EXPECT_EQ(graph.HistoryCapacity(), 293);
    EXPECT_EQ(graph.Values(), std::vector<int>(293, 0));
    graph.Append(9);
    EXPECT_FALSE(graph.FitToFrame(297, 1, 0));
    EXPECT_EQ(graph.Values().back(), 9);
    EXPECT_TRUE(graph.FitToFrame(297, 1, 2));  // the border counts twice
    EXPECT_EQ(graph.HistoryCapacity(), 289);
    EXPECT_TRUE(graph.FitToFrame(400, 1, 2));  // widening clears
    EXPECT_EQ(graph.HistoryCapacity(), 392);
    EXPECT_EQ(graph.Values(), std::vector<int>(392, 0));
    // A history squeezed below a pixel per bar survives the next size change.
    graph.SetHistoryCapacity(1000, 392);
    EXPECT_TRUE(graph.FitToFrame(10, 0, 0));
    EXPECT_EQ(graph.HistoryCapacity(), 10);
}

TEST(OverloadHistoryTest, RendersTheBarsIntoThePicture) {
    OverloadHistory graph;
    graph.SetHistoryTickWidth(2, 8);  // 4 bars of 2 pixels
    for (const int v : {100, 50, 0, 150}) graph.Append(v);
    constexpr std::uint32_t kFg = 0x000080, kBg = 0xFFFFFF;
    const int height = 4;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(graph.PictureWidth() * height), 0xDEAD);
    graph.Render(pixels.data(), height, kFg, kBg, true);
    const std::vector<int> bars{4, 2, 0, 4};
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < height; ++y) {
            const bool inBar = y >= height - bars[static_cast<std::size_t>(x / 2)];
            EXPECT_EQ(pixels[static_cast<std::size_t>(y * 8 + x)], inBar ? kFg : kBg) << x << "," << y;
        }
    }
    graph.Render(pixels.data(), height, kFg, kBg, false);
    EXPECT_EQ(pixels, std::vector<std::uint32_t>(pixels.size(), kBg));
}

TEST(OverloadHistoryTest, RoundsHalvesToEven) {
    const std::pair<double, int> cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.4, 2}, {2.6, 3}};
    for (const auto& [v, rounded] : cases) EXPECT_EQ(RoundHalfEven(v), rounded) << v;
}

}  // namespace
}  // namespace tarvex
