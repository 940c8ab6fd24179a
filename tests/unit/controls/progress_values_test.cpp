#include "controls/progress_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/error.h"

namespace tarvex {
namespace {

std::optional<std::string> RangeError(int min, int max, bool hasRange32) {
    try {
        CheckProgressRange("TDProgressBar", min, max, hasRange32);
        return std::nullopt;
    } catch (const Error& e) {
        return e.what();
    }
}

TEST(ProgressValuesTest, RangeChecks) {
    const std::string outOfRange = "TDProgressBar property out of range";
    const std::string notShort = "Value must be between 0 and 65535";
    EXPECT_EQ(RangeError(0, 100, true), std::nullopt);
    EXPECT_EQ(RangeError(5, 5, true), std::nullopt);
    EXPECT_EQ(RangeError(-70000, 70000, true), std::nullopt);
    EXPECT_EQ(RangeError(101, 100, true), outOfRange);
    EXPECT_EQ(RangeError(101, 100, false), outOfRange);  // the order is checked first
    EXPECT_EQ(RangeError(0, 65535, false), std::nullopt);
    EXPECT_EQ(RangeError(0, 65536, false), notShort);
    EXPECT_EQ(RangeError(-1, 10, false), notShort);
}

TEST(ProgressValuesTest, PositionChecks) {
    EXPECT_NO_THROW(CheckProgressPosition(-5, true));
    EXPECT_NO_THROW(CheckProgressPosition(65535, false));
    EXPECT_THROW(CheckProgressPosition(65536, false), Error);
    EXPECT_THROW(CheckProgressPosition(-1, false), Error);
}

TEST(ProgressValuesTest, Defaults) {
    const ProgressValues values;
    EXPECT_EQ(values.Min, 0);
    EXPECT_EQ(values.Max, 100);
    EXPECT_EQ(values.Position, 0);
    EXPECT_EQ(values.Step, 100);
}

}  // namespace
}  // namespace tarvex
