#pragma once
// Every sentence the connection test says, in one place: the model's progress lines and errors
// and the recommendation's paragraph. English, with fixed separators, as the report is written.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tarvex::connection_texts {

// Thousands separated by commas: "603,750".
inline std::string Grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

// Whole milliseconds, with a decimal below 10 ms so that a LAN's round trip does not read "0 ms".
inline std::string RttText(double ms) {
    char text[32];
    if (ms < 9.95)
        std::snprintf(text, sizeof text, "%.1f ms", ms);
    else
        std::snprintf(text, sizeof text, "%.0f ms", std::round(ms));
    return text;
}

// --- the run ---------------------------------------------------------------------------------

inline constexpr std::string_view kUnusableAddress = "The test address must be an http or https address.";
inline constexpr std::string_view kNotFetched = "The test address could not be fetched.";
inline constexpr std::string_view kStopped = "The test server stopped sending.";
inline constexpr std::string_view kReadFailed = "The download from the test server failed.";
inline constexpr std::string_view kTooLittle = "The test server sent too little to measure.";
inline constexpr std::string_view kCancelled = "The test was cancelled.";
inline constexpr std::string_view kDownloading = "Downloading...";

inline std::string Connecting(std::string_view host) {
    return "Connecting to " + std::string(host) + "...";
}
inline std::string Unreachable(std::string_view host, std::string_view reason) {
    return "The test host " + std::string(host) + " could not be reached: " + std::string(reason);
}
inline std::string BadStatus(std::uint32_t status) {
    return "The test server answered with HTTP status " + std::to_string(status) + ".";
}
inline std::string RoundTrip(double medianMs) {
    return "Round trip: " + RttText(medianMs);
}
inline std::string Throughput(std::string_view rate) {
    return "Throughput: " + std::string(rate);
}
inline std::string Finished(double medianMs, std::string_view rate) {
    return RoundTrip(medianMs) + ", throughput: " + std::string(rate);
}

// --- the recommendation ------------------------------------------------------------------------

inline std::string Path(std::string_view rate, double rttMs, std::uint64_t bdp) {
    return "The path carries " + std::string(rate) + " with a round trip of " + RttText(rttMs) + ": " + Grouped(bdp) +
           " bytes in flight.";
}
inline std::string ClassicWindow(std::uint64_t window, std::uint64_t segments, std::uint32_t mss, bool scaling,
                                 bool capped) {
    std::string text = " A receive window of " + Grouped(window) + " bytes (" + Grouped(segments) + " \u00D7 " +
                       std::to_string(mss) + ")";
    if (capped) text += ", the largest the registry takes,";
    if (scaling) text += " with window scaling";
    return text + (capped ? " comes closest to filling it." : " lets one connection fill it.");
}
inline std::string Scenario(std::string_view caption) {
    return " Scenario: " + std::string(caption) + ".";
}
// The level's own limit is the program's reckoning, not a documented figure: the text says only
// what follows from it.
inline std::string NotTheLimitAllowed(std::string_view levelInForce) {
    return " The receive window is not what limits this connection: receive window auto-tuning at " +
           std::string(levelInForce) + " lets the window grow as far as this path needs.";
}
inline std::string NotTheLimitAlready(std::string_view level) {
    return " The receive window is not what limits this connection: receive window auto-tuning is already at " +
           std::string(level) + ".";
}
inline std::string Leave(std::string_view level) {
    return " Leave receive window auto-tuning at " + std::string(level) + ".";
}
inline std::string WouldBeEnough(std::string_view level) {
    return " Receive window auto-tuning at " + std::string(level) + " would be enough.";
}
inline std::string SetLevel(std::string_view level) {
    return " Set receive window auto-tuning to " + std::string(level) + " so that one connection can fill it.";
}

}  // namespace tarvex::connection_texts
