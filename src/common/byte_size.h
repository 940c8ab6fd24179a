#pragma once
// Byte counts as the download progress shows them: "1.50 KB", "1,023.00 Bytes".
#include <cstdint>
#include <string>

namespace tarvex {

// The user's number separators (the Win32 adapter reads them from the locale).
struct NumberSeparators {
    std::string Thousands = ",";
    std::string Decimal = ".";
};

// Steps through the units Bytes..TB; empty for 0 or less. Counts of 1024 TB or more
// stay in TB.
std::string FormatByteSize(std::int64_t byteCount, const NumberSeparators& separators);

}  // namespace tarvex
