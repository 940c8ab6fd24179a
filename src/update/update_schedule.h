#pragma once
// When the scheduled update check is due. The interval list's texts are the options page's
// (app/program_options.h, kUpdateIntervalTexts), in this order.

namespace tarvex {

// Index of the check interval as the settings store it; any other value means never.
enum class UpdateInterval : int { AtStart = 0, Day = 1, ThreeDays = 2, Monday = 3, FirstOfMonth = 4 };

// Whether a check is due at `now` after the last one at `last` (local date-times), by the
// interval's index. Comparisons are strict; the week starts on Sunday.
bool IsUpdateCheckDue(int interval, double now, double last);

}  // namespace tarvex
