// The figures of a connection test and what they call for: the round-trip summary, the
// bandwidth-delay product, and the setting of the running Windows that lets one connection fill
// the path.
#include <algorithm>
#include <cmath>
#include <limits>

#include "measure/connection_test.h"
#include "measure/connection_texts.h"
#include "measure/test_report.h"
#include "tuning/tuning_run.h"

namespace tarvex {
namespace {

namespace texts = connection_texts;

// At or below these a line is a modem's or an ISDN channel pair's, whatever its round trip.
constexpr double kModemBitsPerSecond = 64000;
constexpr double kIsdnBitsPerSecond = 160000;
// Below this round trip the test host is on the local network.
constexpr double kLanRttMs = 5;

// The classic stacks: a window beyond 65535 needs window scaling (RFC 1323), and the registry
// takes none beyond 0x3FFFFFFF.
constexpr std::uint64_t kUnscaledWindow = 65535;
constexpr std::uint64_t kLargestWindow = 0x3FFFFFFF;

// The auto-tuning levels as Windows numbers them (WMI's numbers, kAutoTuningChoices).
constexpr int kDisabled = 0;
constexpr int kHighlyRestricted = 1;
constexpr int kRestricted = 2;
constexpr int kNormal = 3;
constexpr int kExperimental = 4;
// Above this the normal level's window no longer covers the path.
constexpr std::uint64_t kNormalWindow = 16ull * 1024 * 1024;
constexpr std::uint64_t kExperimentalWindow = 1024ull * 1024 * 1024;

enum class Line { Modem, Isdn, Other };

Line LineOf(double bitsPerSecond) {
    if (bitsPerSecond <= kModemBitsPerSecond) return Line::Modem;
    if (bitsPerSecond <= kIsdnBitsPerSecond) return Line::Isdn;
    return Line::Other;
}

// The largest window a level lets auto-tuning reach; nothing where Windows documents none.
std::optional<std::uint64_t> WindowAllowed(int level) {
    switch (level) {
        case kDisabled:
            return kUnscaledWindow;
        case kNormal:
            return kNormalWindow;
        case kExperimental:
            return kExperimentalWindow;
        default:
            return std::nullopt;
    }
}

std::string LevelCaption(int level) {
    return DescribeModernValue(ModernSettingId::AutoTuningLevel, level);
}

std::string ClassicAdvice(const ConnectionFigures& figures, std::uint64_t bdp, Recommendation& recommendation) {
    const std::uint64_t mss = static_cast<std::uint64_t>(kTestMss);
    std::uint64_t segments = std::max<std::uint64_t>(1, bdp / mss + (bdp % mss != 0 ? 1 : 0));
    const bool capped = segments * mss > kLargestWindow;
    if (capped) segments = kLargestWindow / mss;
    const std::uint64_t window = segments * mss;
    recommendation.ReceiveWindow = static_cast<std::int32_t>(window);
    recommendation.WindowScaling = window > kUnscaledWindow;

    switch (LineOf(figures.BitsPerSecond)) {
        case Line::Modem:
            recommendation.Scenario = ConnectionScenario::rbDialUpModem;
            break;
        case Line::Isdn:
            recommendation.Scenario = ConnectionScenario::rbDialUpISDN;
            break;
        case Line::Other:
            recommendation.Scenario =
                figures.Rtt.MedianMs < kLanRttMs ? ConnectionScenario::rbLAN : ConnectionScenario::rbADSL;
            break;
    }
    return texts::ClassicWindow(window, segments, kTestMss, recommendation.WindowScaling, capped) +
           texts::Scenario(kScenarioCaptions[static_cast<std::size_t>(*recommendation.Scenario)]);
}

std::string ModernAdvice(const ConnectionFigures& figures, std::uint64_t bdp, const RecommendContext& context,
                         Recommendation& recommendation) {
    int level = kNormal;
    switch (LineOf(figures.BitsPerSecond)) {
        case Line::Modem:
            level = kHighlyRestricted;
            break;
        case Line::Isdn:
            level = kRestricted;
            break;
        case Line::Other:
            level = bdp > kNormalWindow ? kExperimental : kNormal;
            break;
    }
    recommendation.AutoTuningLevel = level;

    // Windows' default level is normal.
    std::optional<int> inForce = context.AutoTuningLevel;
    if (inForce == kWindowsDefault) inForce = kNormal;
    const std::optional<std::uint64_t> allowed = inForce ? WindowAllowed(*inForce) : std::nullopt;
    const bool covered = allowed && *allowed >= bdp;
    const bool same = inForce == level;
    recommendation.WindowNotTheLimit = covered || same;
    if (!recommendation.WindowNotTheLimit) return texts::SetLevel(LevelCaption(level));

    std::string text =
        covered ? texts::NotTheLimitAllowed(LevelCaption(*inForce)) : texts::NotTheLimitAlready(LevelCaption(*inForce));
    return text + (same ? texts::Leave(LevelCaption(level)) : texts::WouldBeEnough(LevelCaption(level)));
}

}  // namespace

std::optional<RttSummary> SummariseRtt(std::vector<double> samplesMs) {
    if (samplesMs.empty()) return std::nullopt;
    std::sort(samplesMs.begin(), samplesMs.end());
    const std::size_t count = samplesMs.size();
    RttSummary summary;
    summary.Samples = static_cast<int>(count);
    summary.MedianMs = count % 2 == 1 ? samplesMs[count / 2] : (samplesMs[count / 2 - 1] + samplesMs[count / 2]) / 2;
    summary.SpreadMs = samplesMs.back() - samplesMs.front();
    return summary;
}

std::uint64_t BandwidthDelayProduct(double bitsPerSecond, double rttMs) {
    // One division, so that whole figures stay whole (50 Mbit/s × 100 ms is 625,000 bytes, not
    // one more from the rounding of 0.1).
    const double bytes = bitsPerSecond * rttMs / 8000.0;
    if (!(bytes > 0)) return 0;
    if (bytes >= static_cast<double>(std::numeric_limits<std::uint64_t>::max() / 2))
        return std::numeric_limits<std::uint64_t>::max() / 2;
    return static_cast<std::uint64_t>(std::ceil(bytes));
}

Recommendation Recommend(const ConnectionFigures& figures, const RecommendContext& context) {
    Recommendation recommendation;
    recommendation.Bdp = BandwidthDelayProduct(figures.BitsPerSecond, figures.Rtt.MedianMs);
    recommendation.Text = texts::Path(ThroughputText(figures.BitsPerSecond), figures.Rtt.MedianMs, recommendation.Bdp);
    recommendation.Text += context.Modern ? ModernAdvice(figures, recommendation.Bdp, context, recommendation)
                                          : ClassicAdvice(figures, recommendation.Bdp, recommendation);
    return recommendation;
}

std::string PercentChange(double before, double after) {
    if (!(before > 0) || !std::isfinite(before) || !std::isfinite(after)) return {};
    const double percent = std::round((after - before) / before * 100);
    if (!std::isfinite(percent) || std::fabs(percent) > 1e12) return {};
    const long long whole = static_cast<long long>(percent);
    if (whole > 0) return "+" + std::to_string(whole) + " %";
    return std::to_string(whole) + " %";  // -0 rounds to "0"
}

}  // namespace tarvex
