#include "common/date_time.h"

#include <cmath>
#include <algorithm>
#include <cstdio>

namespace tarvex {
namespace {

// Days from 1 January 1970 to a date of the proleptic Gregorian calendar.
long long DaysFromCivil(long long year, int month, int day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const int shiftedMonth = month > 2 ? month - 3 : month + 9;
    const long long dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr long long kDaysFrom1899To1970 = 25569;

}  // namespace

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
    const double days = static_cast<double>(DaysFromCivil(year, month, day) + kDaysFrom1899To1970);
    const double time = ((hour * 60.0 + minute) * 60.0 + second + millisecond / 1000.0) / 86400.0;
    return days + time;
}

CivilDate DecodeDate(double dateTime) {
    // Days since 1 March of year 0 of the proleptic Gregorian calendar, then back to the civil date.
    const long long days = static_cast<long long>(std::floor(dateTime)) - kDaysFrom1899To1970 + 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
    return {year, month, day};
}

int DayOfWeek(double dateTime) {
    // Day 0, 30 December 1899, was a Saturday.
    const long long days = static_cast<long long>(std::floor(dateTime));
    return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

std::string DateTimeText(double dateTime) {
    const CivilDate date = DecodeDate(dateTime);
    const long long minutes = std::llround((dateTime - std::floor(dateTime)) * 24 * 60);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", date.Year, date.Month, date.Day,
                  static_cast<int>(std::min(minutes, 24LL * 60 - 1) / 60),
                  static_cast<int>(std::min(minutes, 24LL * 60 - 1) % 60));
    return text;
}

}  // namespace tarvex
