#include "update/update_schedule.h"

#include <cmath>

#include "update/update_info.h"

namespace tarvex {

bool IsUpdateCheckDue(int interval, double now, double last) {
    switch (static_cast<UpdateInterval>(interval)) {
        case UpdateInterval::AtStart:
            return true;
        case UpdateInterval::Day:
            return now > last + 1;
        case UpdateInterval::ThreeDays:
            return now > last + 3;
        case UpdateInterval::Monday:
            return DayOfWeek(now) == 2 && std::floor(last) < std::floor(now);
        case UpdateInterval::FirstOfMonth:
            return DecodeDate(now).Day == 1 && now > last;
    }
    return false;
}

}  // namespace tarvex
