#pragma once
// When the scheduled update check is due, and the texts of the interval list.
#include <array>
#include <string_view>

namespace tarvex {

// Index of the check interval as the settings store it; any other value means never.
enum class UpdateInterval : int { AtStart = 0, Day = 1, ThreeDays = 2, Monday = 3, FirstOfMonth = 4 };

inline constexpr std::array<std::string_view, 5> kUpdateIntervalTexts = {"time the program starts", "day", "3 days",
                                                                         "Monday", "first day of the month"};

// Whether a check is due at `now` after the last one at `last` (local date-times), by the
// interval's index. Comparisons are strict; the week starts on Sunday.
bool IsUpdateCheckDue(int interval, double now, double last);

}  // namespace tarvex
