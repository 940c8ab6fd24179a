#include "common/byte_size.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace tarvex {
namespace {

constexpr std::array<const char*, 5> kUnits = {" Bytes", " KB", " MB", " GB", " TB"};

// Two decimals with grouped thousands; x is never negative here.
std::string FormatTwoDecimals(double x, const NumberSeparators& separators) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", x);
    const std::string plain(buffer);
    const auto point = plain.find('.');
    const std::string whole = plain.substr(0, point);
    std::string grouped;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i != 0 && (whole.size() - i) % 3 == 0) grouped += separators.Thousands;
        grouped += whole[i];
    }
    return grouped + separators.Decimal + plain.substr(point + 1);
}

}  // namespace

std::string FormatByteSize(std::int64_t byteCount, const NumberSeparators& separators) {
    if (byteCount <= 0) return {};
    double x = static_cast<double>(byteCount);
    std::size_t unit = 0;
    // Step up while the next unit still has a whole part; TB is the largest unit.
    while (unit + 1 < kUnits.size() && std::trunc(x / 1024.0) != 0.0) {
        x /= 1024.0;
        ++unit;
    }
    return FormatTwoDecimals(x, separators) + kUnits[unit];
}

}  // namespace tarvex
