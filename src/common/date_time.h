#pragma once
// Date-times as the registry keeps them: days since 30 December 1899, the time of day as the
// fraction (local time).
namespace tarvex {

double EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int millisecond = 0);

}  // namespace tarvex
