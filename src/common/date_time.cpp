#include "common/date_time.h"

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

}  // namespace tarvex
