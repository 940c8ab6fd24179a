#include "measure/test_report.h"

#include <cmath>
#include <cstdio>

#include "links/url_builder.h"
#include "tuning/tuning_run.h"

namespace tarvex {
namespace {

// Numbers with a fixed number of decimals through the C runtime: the library's own floating-point
// formatting weighs heavily in the program.
std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Whole(double value) {
    return Fixed(std::round(value), 0);
}

}  // namespace

std::string SettingsInForce(const TuningProfile& profile, const std::optional<ModernSystem>& modern,
                            std::optional<int> autoTuningLevel) {
    if (modern)
        return "Receive window auto-tuning: " + DescribeModernValue(ModernSettingId::AutoTuningLevel, autoTuningLevel);
    const std::int32_t window = profile.IsNT ? profile.GlobalMaxTcpWindowSize : profile.DefaultRcvWindow;
    std::string text = "Receive window: " + (window < 0 ? std::string("Windows default") : std::to_string(window));
    text += ", RFC 1323 options: " +
            (profile.Tcp1323Opts < 0 ? std::string("Windows default") : std::to_string(profile.Tcp1323Opts));
    return text;
}

std::string ThroughputText(double bitsPerSecond) {
    if (bitsPerSecond >= 1e6) return Fixed(bitsPerSecond / 1e6, 1) + " Mbit/s";
    return Whole(bitsPerSecond / 1e3) + " kbit/s";
}

std::string ReportText(const std::string& address, const ConnectionFigures& figures,
                       const Recommendation& recommendation) {
    std::string text = "Test address: " + address + "\r\n";
    text += "Round trip: " + Fixed(figures.Rtt.MedianMs, 1) + " ms (spread " + Fixed(figures.Rtt.SpreadMs, 1) +
            " ms, " + std::to_string(figures.Rtt.Samples) + " connections)\r\n";
    text += "Throughput: " + ThroughputText(figures.BitsPerSecond) + " (" + std::to_string(figures.Bytes) +
            " bytes in " + Fixed(figures.Seconds, 1) + " s)\r\n";
    text += "Bandwidth-delay product: " + std::to_string(recommendation.Bdp) + " bytes\r\n";
    text += recommendation.Text + "\r\n";
    return text;
}

std::string JsonString(const std::string& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 15];
                } else {
                    out += c;  // UTF-8 passes as it is
                }
        }
    }
    return out + "\"";
}

std::string ReportJson(const std::string& address, const ConnectionFigures& figures,
                       const Recommendation& recommendation) {
    std::string json = "{\"address\":" + JsonString(address);
    json += ",\"rtt_ms\":" + Fixed(figures.Rtt.MedianMs, 3);
    json += ",\"rtt_spread_ms\":" + Fixed(figures.Rtt.SpreadMs, 3);
    json += ",\"rtt_samples\":" + std::to_string(figures.Rtt.Samples);
    json += ",\"throughput_bps\":" + Whole(figures.BitsPerSecond);
    json += ",\"bytes\":" + std::to_string(figures.Bytes);
    json += ",\"seconds\":" + Fixed(figures.Seconds, 3);
    json += ",\"bdp_bytes\":" + std::to_string(recommendation.Bdp);
    json += ",\"recommendation\":{";
    json += "\"text\":" + JsonString(recommendation.Text);
    if (recommendation.ReceiveWindow) json += ",\"receive_window\":" + std::to_string(*recommendation.ReceiveWindow);
    if (recommendation.ReceiveWindow)
        json += std::string(",\"window_scaling\":") + (recommendation.WindowScaling ? "true" : "false");
    if (recommendation.Scenario)
        json += ",\"scenario\":" + JsonString(kScenarioCaptions[static_cast<std::size_t>(*recommendation.Scenario)]);
    if (recommendation.AutoTuningLevel)
        json += ",\"autotuning_level\":" +
                JsonString(DescribeModernValue(ModernSettingId::AutoTuningLevel, recommendation.AutoTuningLevel));
    json += std::string(",\"window_not_the_limit\":") + (recommendation.WindowNotTheLimit ? "true" : "false");
    json += "}}";
    return json;
}

std::vector<TestComparison> CompareTests(const TestRecord& test, const TestRecord* previous) {
    const auto figure = [](const std::string& text, std::optional<std::string> change) {
        return change && !change->empty() ? text + " (" + *change + ")" : text;
    };
    const std::string rtt = Fixed(test.RttMs, 1) + " ms";
    const std::string throughput = ThroughputText(test.BitsPerSecond);
    if (!previous) return {{"Round trip", "", rtt}, {"Throughput", "", throughput}, {"Settings", "", test.Settings}};
    return {
        {"Round trip", Fixed(previous->RttMs, 1) + " ms", figure(rtt, PercentChange(previous->RttMs, test.RttMs))},
        {"Throughput", ThroughputText(previous->BitsPerSecond),
         figure(throughput, PercentChange(previous->BitsPerSecond, test.BitsPerSecond))},
        {"Settings", previous->Settings, test.Settings},
    };
}

std::string LoadTestAddress(RegistryAccess& registry) {
    std::string address;
    try {
        registry.SetRootKey(RegistryRoot::CurrentUser);
        if (registry.OpenKey(kConnectionTestKey, false) && registry.ValueExists("Address"))
            address = registry.ReadText("Address");
    } catch (const Error&) {
        address.clear();  // a value of another type counts as none
    }
    registry.CloseKey();
    return ParseTestAddress(address) ? address : DefaultTestAddress();
}

void SaveTestAddress(RegistryAccess& registry, const std::string& address) {
    registry.SetRootKey(RegistryRoot::CurrentUser);
    if (!registry.OpenKey(kConnectionTestKey, true)) throw RegistryAccess::SetDataError("Address");
    try {
        registry.WriteText("Address", address);
    } catch (...) {
        registry.CloseKey();
        throw;
    }
    registry.CloseKey();
}

std::string ErrorJson(const std::string& reason) {
    return "{\"error\":" + JsonString(reason) + "}";
}

}  // namespace tarvex
