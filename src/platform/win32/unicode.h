#pragma once
// The one pair of conversions between the core's UTF-8 and the UTF-16 of Win32 calls. Both
// keep embedded NULs and put U+FFFD where the input is malformed (invalid or truncated UTF-8,
// unpaired surrogates), with the same result on every Windows.
#include <string>
#include <string_view>

namespace tarvex {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

}  // namespace tarvex
