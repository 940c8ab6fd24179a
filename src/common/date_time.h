#pragma once
// Date-times as the registry keeps them: days since 30 December 1899, the time of day as the
// fraction (local time).
#include <string>

namespace tarvex {

double EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int millisecond = 0);

// The year, month and day of a date-time and its day of the week (Sunday 1 .. Saturday 7).
struct CivilDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};
CivilDate DecodeDate(double dateTime);
int DayOfWeek(double dateTime);
// "yyyy-mm-dd hh:nn", the time to the minute.
std::string DateTimeText(double dateTime);

}  // namespace tarvex
