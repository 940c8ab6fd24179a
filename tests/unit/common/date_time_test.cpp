#include "common/date_time.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

TEST(DateTimeTest, CountsDaysFromTheLastDaysOf1899) {
    struct Case {
        int Year, Month, Day, Hour, Minute;
        double Expected;
    };
    const Case cases[] = {
        {1899, 12, 30, 0, 0, 0.0},      {1899, 12, 31, 0, 0, 1.0},   {1900, 1, 1, 0, 0, 2.0},
        {1900, 3, 1, 0, 0, 61.0},       {2000, 1, 1, 0, 0, 36526.0}, {2000, 2, 29, 18, 0, 36585.75},
        {2026, 12, 10, 12, 0, 46366.5}, {1899, 12, 29, 0, 0, -1.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(EncodeDateTime(c.Year, c.Month, c.Day, c.Hour, c.Minute), c.Expected)
            << c.Year << "-" << c.Month << "-" << c.Day;
}

}  // namespace
}  // namespace tarvex
