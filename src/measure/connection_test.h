#pragma once
// The connection test: round-trip time from TCP connection set-ups to the test host, download
// throughput from one HTTP GET of the test address, the bandwidth-delay product of the two, and
// what to set for it on the running Windows. The model runs the test over small ports, so that it
// is tested without a network; the Win32 window and the command line only show it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/life_guard.h"
#include "platform/registry_access.h"
#include "tuning/modern_tcp.h"
#include "tuning/tuning_profile.h"
#include "update/update_ports.h"

namespace tarvex {

// The command's caption on the welcome page and the RWIN/TTL tab.
inline constexpr char kTestConnectionCaption[] = "Test connection...";

// --- the figures and the rules --------------------------------------------------------------

inline constexpr int kRttSamples = 10;                                // connection set-ups timed
inline constexpr std::uint32_t kDownloadMs = 10000;                   // the download stops after this long
inline constexpr std::uint64_t kDownloadBytes = 64ull * 1024 * 1024;  // ... or this many bytes
inline constexpr std::uint32_t kStallMs = 5000;                       // no data for this long ends the test
inline constexpr std::int32_t kTestMss = 1460;                        // the segment of a 1500-byte Ethernet MTU

struct RttSummary {
    double MedianMs = 0;
    double SpreadMs = 0;  // the largest sample less the smallest
    int Samples = 0;
    friend bool operator==(const RttSummary&, const RttSummary&) = default;
};
// Nothing for no samples; an even count takes the mean of the middle two.
std::optional<RttSummary> SummariseRtt(std::vector<double> samplesMs);

// Bytes in flight on the path: throughput × round trip, rounded up.
std::uint64_t BandwidthDelayProduct(double bitsPerSecond, double rttMs);

struct ConnectionFigures {
    RttSummary Rtt;
    // The bytes after the first read over Seconds: those of the first read arrived before the
    // clock started.
    double BitsPerSecond = 0;
    std::uint64_t Bytes = 0;  // downloaded
    double Seconds = 0;       // from the first read's arrival to the last's
};

// Where the recommendation is for: the classic NT stack (XP, Server 2003), the 9x stack, or the
// modern stack of Vista and later (with the auto-tuning level in force, where it could be read).
struct RecommendContext {
    bool IsNT = true;
    std::optional<ModernSystem> Modern;
    std::optional<int> AutoTuningLevel;  // the level in force; nothing: unknown
};

struct Recommendation {
    std::uint64_t Bdp = 0;
    // Classic stacks: the receive window, a multiple of kTestMss no smaller than the BDP, window
    // scaling when it passes 65535, and the scenario that fits the figures.
    std::optional<std::int32_t> ReceiveWindow;
    bool WindowScaling = false;
    std::optional<ConnectionScenario> Scenario;
    // Vista and later: the auto-tuning level, and whether the window is not what limits the path.
    std::optional<int> AutoTuningLevel;
    bool WindowNotTheLimit = false;
    std::string Text;  // one paragraph the window and the command line show
};
Recommendation Recommend(const ConnectionFigures& figures, const RecommendContext& context);

// --- the test ---------------------------------------------------------------------------------

// Port: one timed TCP connection set-up, closed at once.
class ConnectProbe {
public:
    virtual ~ConnectProbe() = default;
    // Milliseconds from the start of the connect to its completion; an Error with the system's
    // reason when the host cannot be resolved or reached within `timeoutMs`.
    virtual double Connect(const std::string& host, std::uint16_t port, std::uint32_t timeoutMs) = 0;
};

// The clock and the message pump the test waits with.
class TestHost {
public:
    virtual ~TestHost() = default;
    virtual std::uint32_t TickCount() = 0;  // milliseconds
    virtual void ProcessMessages() = 0;     // lets Cancel be pressed
};

enum class TestStage { Idle, Connecting, Downloading, Done, Failed, Cancelled };

// An address the test may fetch: http or https only, and one that passes the program's address
// rule (IsWebAddress). The host and port it names, and the request to send.
struct TestAddress {
    std::string Host;
    std::uint16_t Port = 80;
    bool Https = false;
    HttpRequest Request;
};
std::optional<TestAddress> ParseTestAddress(std::string_view address);

class ConnectionTestModel {
public:
    // All borrowed; they must outlive the model.
    ConnectionTestModel(ConnectProbe& probe, HttpTransfer& transfer, TestHost& host);

    TestStage Stage() const { return stage_; }
    int ProgressPercent() const { return progress_; }
    std::string LiveText() const { return live_; }  // "Round trip: 52 ms", "Throughput: 12.3 Mbit/s"...
    const std::optional<ConnectionFigures>& Figures() const { return figures_; }
    const std::string& Error() const { return error_; }  // why the test ended without figures

    // Runs the whole test; returns when it is done, failed or cancelled. Only a test that
    // completed has figures.
    void Run(std::string_view address);
    void Cancel() { cancelRequested_ = true; }

    std::function<void()> OnChange;

private:
    // Each returns nothing when the test ended (stage and error set) or the model is gone.
    std::optional<RttSummary> MeasureRtt(const TestAddress& target, const LifeGuard::Token& alive);
    std::optional<ConnectionFigures> Download(const TestAddress& target, const LifeGuard::Token& alive);
    // Raise OnChange / pump messages; false when the model was destroyed meanwhile (or, after
    // pumping, the test was cancelled and has ended).
    bool Changed(const LifeGuard::Token& alive);
    bool Pumped(const LifeGuard::Token& alive);
    void End(TestStage stage, std::string error);

    ConnectProbe& probe_;
    HttpTransfer& transfer_;
    TestHost& host_;
    TestStage stage_ = TestStage::Idle;
    int progress_ = 0;
    std::string live_;
    std::optional<ConnectionFigures> figures_;
    std::string error_;
    bool cancelRequested_ = false;
    LifeGuard life_;  // the window that shows the test may close while it pumps messages
};

// --- the results kept -------------------------------------------------------------------------

inline constexpr char kTestsKey[] = "\\Software\\Quillmont\\Tarvex\\Tests";
inline constexpr std::size_t kTestLimit = 20;

struct TestRecord {
    std::uint32_t Id = 0;
    double Time = 0;  // local date-time
    std::string Host;
    double RttMs = 0;
    double BitsPerSecond = 0;
    std::string Settings;  // the settings in force, as the history shows them
    friend bool operator==(const TestRecord&, const TestRecord&) = default;
};
std::string EncodeTestRecord(const TestRecord& record);
std::optional<TestRecord> DecodeTestRecord(std::string_view bytes);

// The tests in the current user's registry, as the backups are kept: one REG_BINARY value per
// record and "Newest", the oldest beyond kTestLimit removed.
class TestLog {
public:
    explicit TestLog(RegistryAccess& registry) : registry_(registry) {}
    std::uint32_t Save(TestRecord record);  // its id; throws Error when it cannot be written
    std::vector<TestRecord> Records();      // newest first; damaged ones left out

private:
    RegistryAccess& registry_;
};

// "+12 %", "-3 %", "0 %": how `after` compares with `before`; empty when `before` is not positive.
std::string PercentChange(double before, double after);

}  // namespace tarvex
