#pragma once
// Per-adapter traffic statistics and the texts the monitor shows them in.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// One record per adapter of the list. Every figure counts modulo 2^32, as the interface
// counters do.
struct TStatistics {
    std::uint32_t InSamples = 0;   // ticks since the reset whose incoming delta was not 0
    std::uint32_t OutSamples = 0;  // the same for outgoing
    std::uint32_t LastInOctets = 0;
    std::uint32_t LastOutOctets = 0;
    std::uint32_t TotalIn = 0;  // octets since the reset
    std::uint32_t TotalOut = 0;
    std::uint32_t CurrentIn = 0;  // the latest tick's delta
    std::uint32_t CurrentOut = 0;
    std::uint32_t PeakIn = 0;  // the largest delta since the reset
    std::uint32_t PeakOut = 0;
    friend bool operator==(const TStatistics&, const TStatistics&) = default;
};

using TStatArr = std::vector<TStatistics>;

// A fresh record for an interface whose counters read `inOctets` and `outOctets` now.
TStatistics InitialStatistics(std::uint32_t inOctets, std::uint32_t outOctets);

// One sample of the counters into the record: deltas modulo 2^32 (a counter that wrapped once
// since the previous sample still counts right), totals, active ticks and peaks.
void AddSample(TStatistics& record, std::uint32_t inOctets, std::uint32_t outOctets);

// The adapter list's text for a decoded description: every character of code 32 or less
// (blanks, control characters, the NUL fill) stripped from both ends.
std::string AdapterName(std::string_view description);

// Octets as thousands in the general format: shortest form, up to 15 significant digits, no
// thousands separator, `decimalSeparator` for the point, then " Kb". 1500 gives "1.5 Kb".
std::string FormatKb(std::uint64_t octets, std::string_view decimalSeparator);

}  // namespace tarvex
