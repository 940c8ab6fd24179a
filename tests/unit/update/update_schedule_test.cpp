#include "update/update_schedule.h"

#include <gtest/gtest.h>

#include "common/date_time.h"

namespace tarvex {
namespace {

double At(int day, int hour = 0, int minute = 0) {
    return EncodeDateTime(2026, 12, day, hour, minute);  // 7 December 2026 is a Monday
}

TEST(IsUpdateCheckDue, EveryRule) {
    struct Case {
        const char* Name;
        int Interval;
        double Now, Last;
        bool Due;
    } const cases[] = {
        {"at start: always", 0, At(10), At(10), true},
        {"at start: even a last check ahead", 0, At(10), At(20), true},
        {"day: 23:59 later", 1, At(10, 9, 59), At(9, 10, 0), false},
        {"day: 24:01 later", 1, At(10, 10, 1), At(9, 10, 0), true},
        {"day: exactly 24 hours is not yet", 1, At(10, 10, 0), At(9, 10, 0), false},
        {"3 days: exactly three", 2, At(12, 8), At(9, 8), false},
        {"3 days: a minute more", 2, At(12, 8, 1), At(9, 8), true},
        {"3 days: two days", 2, At(11, 23, 59), At(9, 0), false},
        {"Monday: first start of the day", 3, At(7, 8), At(6, 23, 59), true},
        {"Monday: second start the same Monday", 3, At(7, 18), At(7, 8), false},
        {"Monday: a Tuesday, however long ago", 3, At(8, 8), At(1, 8), false},
        {"Monday: a Sunday", 3, At(6, 8), At(1, 8), false},
        {"Monday: last check weeks ago", 3, At(14, 0, 1), At(1), true},
        {"first of month: any earlier moment", 4, EncodeDateTime(2027, 1, 1, 9), EncodeDateTime(2027, 1, 1, 8), true},
        {"first of month: the same moment", 4, EncodeDateTime(2027, 1, 1, 9), EncodeDateTime(2027, 1, 1, 9), false},
        {"first of month: another day", 4, At(2, 9), At(1, 1), false},
        {"first of month: December the first", 4, At(1, 0, 1), At(1), true},
        {"nothing selected", -1, At(10), At(1), false},
        {"past the list", 5, At(10), At(1), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUpdateCheckDue(c.Interval, c.Now, c.Last), c.Due) << c.Name;
    }
}

}  // namespace
}  // namespace tarvex
