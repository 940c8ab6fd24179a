#pragma once
// What a finished connection test reports: the lines the command line prints, its JSON form, and
// the settings in force that each kept test records.
#include <optional>
#include <string>
#include <vector>

#include "measure/connection_test.h"
#include "tuning/modern_tcp.h"
#include "tuning/tuning_profile.h"

namespace tarvex {

// The settings that bear on the figures: on Vista and later the auto-tuning level ("unknown"
// where Windows keeps it out of reach), on the classic stacks the receive window and the RFC
// 1323 options as the registry holds them.
std::string SettingsInForce(const TuningProfile& profile, const std::optional<ModernSystem>& modern,
                            std::optional<int> autoTuningLevel);

// "12.3 Mbit/s", "850 kbit/s".
std::string ThroughputText(double bitsPerSecond);

// The command line's report: one line per figure, then the recommendation.
std::string ReportText(const std::string& address, const ConnectionFigures& figures,
                       const Recommendation& recommendation);
// The same as one JSON object: round-trip time in ms, throughput in bits per second, the
// bandwidth-delay product in bytes and the recommendation.
std::string ReportJson(const std::string& address, const ConnectionFigures& figures,
                       const Recommendation& recommendation);
// A test that could not run: {"error": "..."}.
std::string ErrorJson(const std::string& reason);

// What the history shows of a test: its figures and settings beside those of the test before it
// (nothing when it is the first), the figures with the difference in percent.
struct TestComparison {
    std::string Value;
    std::string Before;
    std::string After;
    friend bool operator==(const TestComparison&, const TestComparison&) = default;
};
std::vector<TestComparison> CompareTests(const TestRecord& test, const TestRecord* previous);

// The test address is a setting of the user's: "Address" under this key. One that the program's
// address rule refuses (or none) gives the product's own test address.
inline constexpr char kConnectionTestKey[] = "\\Software\\Quillmont\\Tarvex\\Settings\\Connection Test";
std::string LoadTestAddress(RegistryAccess& registry);
// Throws the registry's error when it cannot be written.
void SaveTestAddress(RegistryAccess& registry, const std::string& address);

// Text as a JSON string, quotes included; control characters and non-ASCII bytes as they must be.
std::string JsonString(const std::string& text);

}  // namespace tarvex
