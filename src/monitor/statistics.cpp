#include "monitor/statistics.h"

#include <cstdio>
#include <string>

namespace tarvex {

TStatistics InitialStatistics(std::uint32_t inOctets, std::uint32_t outOctets) {
    TStatistics record;
    record.LastInOctets = inOctets;
    record.LastOutOctets = outOctets;
    return record;
}

namespace {

// Unsigned 32-bit arithmetic is modulo 2^32, which is what the counters and totals need.
void AddDirection(std::uint32_t octets, std::uint32_t& last, std::uint32_t& current, std::uint32_t& total,
                  std::uint32_t& samples, std::uint32_t& peak) {
    current = octets - last;
    total += current;
    if (current != 0) ++samples;
    last = octets;
    if (current > peak) peak = current;
}

}  // namespace

void AddSample(TStatistics& record, std::uint32_t inOctets, std::uint32_t outOctets) {
    AddDirection(inOctets, record.LastInOctets, record.CurrentIn, record.TotalIn, record.InSamples, record.PeakIn);
    AddDirection(outOctets, record.LastOutOctets, record.CurrentOut, record.TotalOut, record.OutSamples,
                 record.PeakOut);
}

std::string AdapterName(std::string_view description) {
    // In UTF-8 no byte of a longer sequence is 32 or less, so bytes are characters here.
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!description.empty() && blank(description.front())) description.remove_prefix(1);
    while (!description.empty() && blank(description.back())) description.remove_suffix(1);
    return std::string(description);
}

std::string FormatKb(std::uint64_t octets, std::string_view decimalSeparator) {
    // The program never changes the C locale, so printf writes the point; the counts shown
    // (below 2^33) stay far below 10^15 thousands, so no exponent shows.
    char buffer[40];
    const int length = std::snprintf(buffer, sizeof buffer, "%.15g", static_cast<double>(octets) / 1000.0);
    std::string text;
    for (int i = 0; i < length && i < static_cast<int>(sizeof buffer) - 1; ++i) {
        if (buffer[i] == '.') {
            text += decimalSeparator;
        } else {
            text += buffer[i];
        }
    }
    return text + " Kb";
}

}  // namespace tarvex
