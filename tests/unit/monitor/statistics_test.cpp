// The monitor's arithmetic and texts: wrapping deltas, peaks and active ticks, adapter names
// from raw descriptions, and the " Kb" figures.
#include "monitor/statistics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tarvex {
namespace {

TEST(FormatKbTest, GeneralFormatInThousands) {
    struct Case {
        std::uint64_t octets;
        const char* text;
    };
    const Case cases[] = {
        {1500, "1.5 Kb"},
        {1000, "1 Kb"},
        {12, "0.012 Kb"},
        {1, "0.001 Kb"},
        {100, "0.1 Kb"},
        {1234567, "1234.567 Kb"},
        {1000000, "1000 Kb"},  // no thousands separator, no trailing zeros
        {4294967295u, "4294967.295 Kb"},
        {8589934590u, "8589934.59 Kb"},              // a sum of two 32-bit deltas
        {123456789012345u, "123456789012.345 Kb"},   // 15 significant digits
        {1234567890123456u, "1234567890123.46 Kb"},  // the 16th digit rounds away
    };
    for (const auto& c : cases) EXPECT_EQ(FormatKb(c.octets, "."), c.text) << c.octets;
}

TEST(FormatKbTest, TakesTheLocalesDecimalSeparator) {
    EXPECT_EQ(FormatKb(1500, ","), "1,5 Kb");
    EXPECT_EQ(FormatKb(1234567, ","), "1234,567 Kb");
    EXPECT_EQ(FormatKb(2000, ","), "2 Kb");
    EXPECT_EQ(FormatKb(12, "\xC2\xB7"),
              "0\xC2\xB7"
              "012 Kb");  // a separator of more than one byte
}

TEST(AdapterNameTest, StripsEveryCharacterUpToCode32FromBothEnds) {
    using namespace std::string_literals;
    struct Case {
        std::string description;
        std::string name;
    };
    const Case cases[] = {
        {"eth0"s + std::string(252, '\0'), "eth0"},
        {"Intel PRO/1000 MT   "s + std::string(236, '\0'), "Intel PRO/1000 MT"},  // inner blanks stay
        {"Intel PRO/1000 MT", "Intel PRO/1000 MT"},
        {" \t\r\n\x01\x1F lo \x20\x7F"s, "lo \x20\x7F"},  // 127 is above 32
        {"\0\0 x\0y \0"s, "x\0y"s},
        {std::string(256, '\0'), ""},
        {std::string(256, ' '), ""},
        {"\xC3\xA9th\xC3\xA9r \0"s, "\xC3\xA9th\xC3\xA9r"},
    };
    for (const auto& c : cases) EXPECT_EQ(AdapterName(c.description), c.name) << c.description;
    const std::string full(256, 'A');  // no NUL at all: listed whole
    EXPECT_EQ(AdapterName(full), full);
}

TEST(AddSampleTest, CountsDeltasModulo2To32) {
    TStatistics s = InitialStatistics(0xFFFFFFFFu - 295, 7);  // 296 below 2^32
    AddSample(s, 200, 7);
    EXPECT_EQ(s.CurrentIn, 496u);
    EXPECT_EQ(s.TotalIn, 496u);
    EXPECT_EQ(s.CurrentOut, 0u);
    EXPECT_EQ(s.InSamples, 1u);
    EXPECT_EQ(s.OutSamples, 0u);
    EXPECT_EQ(s.LastInOctets, 200u);

    // Totals wrap as the counters do; peaks compare unsigned, so a delta of 2^31 or more wins.
    AddSample(s, 200 + 0x80000000u, 7);
    AddSample(s, 200 + 0x80000000u + 0x7FFFFFFFu, 7);
    EXPECT_EQ(s.CurrentIn, 0x7FFFFFFFu);
    EXPECT_EQ(s.PeakIn, 0x80000000u);
    EXPECT_EQ(s.TotalIn, 496u + 0x80000000u + 0x7FFFFFFFu);  // modulo 2^32: 495
    EXPECT_EQ(s.InSamples, 3u);
}

TEST(AddSampleTest, IdleTicksChangeNothingButTheCurrentDelta) {
    TStatistics s = InitialStatistics(1000, 2000);
    AddSample(s, 1500, 2100);
    AddSample(s, 1500, 2100);
    EXPECT_EQ(s, (TStatistics{.InSamples = 1,
                              .OutSamples = 1,
                              .LastInOctets = 1500,
                              .LastOutOctets = 2100,
                              .TotalIn = 500,
                              .TotalOut = 100,
                              .CurrentIn = 0,
                              .CurrentOut = 0,
                              .PeakIn = 500,
                              .PeakOut = 100}));
}

}  // namespace
}  // namespace tarvex
