#include "common/win32/date_time_win32.h"

#include <windows.h>

#include "common/date_time.h"

namespace tarvex {

double Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return EncodeDateTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
}

}  // namespace tarvex
