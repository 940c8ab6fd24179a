#include <windows.h>

#include "common/win32/byte_size_locale.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

std::string LocaleText(LCTYPE type, const char* fallback) {
    wchar_t buffer[16];
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 16);
    return length > 1 ? WideToUtf8(std::wstring_view(buffer, static_cast<size_t>(length - 1))) : fallback;
}

}  // namespace

NumberSeparators UserNumberSeparators() {
    return NumberSeparators{LocaleText(LOCALE_STHOUSAND, ","), LocaleText(LOCALE_SDECIMAL, ".")};
}

}  // namespace tarvex
