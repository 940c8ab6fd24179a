#pragma once
// Decimal text as a 32-bit integer: an optional minus sign and digits, nothing else.
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvex {

inline std::optional<std::int32_t> ParseInteger(std::string_view text) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return value;
}

}  // namespace tarvex
