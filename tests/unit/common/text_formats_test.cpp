#include <gtest/gtest.h>

#include <deque>

#include "common/byte_size.h"
#include "common/delay.h"
#include "common/version_text.h"

namespace tarvex {
namespace {

TEST(VersionTextTest, LettersFollowTheBuildNumber) {
    struct Case {
        FileVersion version;
        const char* text;
    };
    const Case cases[] = {
        {{2, 0, 1, 70}, "2.01"},   {{2, 0, 1, 73}, "2.01e"}, {{3, 1, 12, 4}, "3.112f"}, {{2, 0, 1, 10}, "2.01"},
        {{2, 0, 1, 20}, "2.01"},   {{2, 0, 1, 11}, "2.01c"}, {{2, 0, 1, 19}, "2.01k"},  {{2, 0, 1, 0}, "2.01"},
        {{10, 20, 0, 65535}, "10.200g"},
    };
    for (const auto& c : cases) EXPECT_EQ(VersionText(c.version), c.text);
    EXPECT_EQ(VersionText(std::nullopt), "");
}

TEST(VersionTextTest, FullAndMajorTexts) {
    EXPECT_EQ(FullVersionText(FileVersion{2, 0, 1, 70}), "2.0.1.70");
    EXPECT_EQ(MajorVersionText(FileVersion{2, 0, 1, 70}), "2");
    EXPECT_EQ(FullVersionText(std::nullopt), "");
    EXPECT_EQ(MajorVersionText(std::nullopt), "");
}

TEST(ByteSizeTest, StepsThroughTheUnits) {
    const NumberSeparators english;
    struct Case {
        std::int64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, ""},
        {-5, ""},
        {1, "1.00 Bytes"},
        {512, "512.00 Bytes"},
        {1023, "1,023.00 Bytes"},
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {1048575, "1,024.00 KB"},
        {1048576, "1.00 MB"},
        {1073741824, "1.00 GB"},
        {5LL << 40, "5.00 TB"},
        {1LL << 50, "1,024.00 TB"},  // no unit beyond TB
        {INT64_MAX, "8,388,608.00 TB"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatByteSize(c.bytes, english), c.text) << c.bytes;
}

TEST(ByteSizeTest, UsesTheLocaleSeparators) {
    const NumberSeparators german{".", ","};
    EXPECT_EQ(FormatByteSize(1023, german), "1.023,00 Bytes");
    EXPECT_EQ(FormatByteSize(1536, german), "1,50 KB");
    const NumberSeparators swiss{"'", "."};
    EXPECT_EQ(FormatByteSize(1234567LL * 1024 * 1024 * 1024, swiss), "1'205.63 TB");
}

// A tick source that advances by a fixed step per reading, from any start.
class FakeTicks : public TickSource {
public:
    FakeTicks(std::uint32_t start, std::uint32_t step) : now_(start), step_(step) {}
    std::uint32_t TickCount() override {
        const auto value = now_;
        now_ += step_;
        return value;
    }

private:
    std::uint32_t now_, step_;
};

class CountingPump : public MessagePump {
public:
    int Rounds = 0;
    int Sleeps = 0;
    void ProcessMessages() override { ++Rounds; }
    void Sleep(std::uint32_t ms) override {
        EXPECT_EQ(ms, 1u);
        ++Sleeps;
    }
};

TEST(DelayTest, RoundsUntilTheTimeHasPassed) {
    struct Case {
        std::uint32_t start, step, delay;
        int rounds;
    };
    const Case cases[] = {
        {1000, 10, 0, 1},                // at least one round
        {1000, 10, 1, 1},
        {1000, 10, 50, 5},               // each round reads 10 ms later
        {1000, 10, 51, 6},
        {0xFFFFFFF0u, 10, 50, 5},        // the tick count wraps during the wait
        {1000, 10, 0x80000000u, 1},      // 2^31 and more compare as negative
        {1000, 10, 0xFFFFFFFFu, 1},
    };
    for (const auto& c : cases) {
        FakeTicks ticks(c.start, c.step);
        CountingPump pump;
        Delay(c.delay, ticks, pump);
        EXPECT_EQ(pump.Rounds, c.rounds) << c.delay;
        EXPECT_EQ(pump.Sleeps, c.rounds);
    }
}

}  // namespace
}  // namespace tarvex
