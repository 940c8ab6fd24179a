// What a finished test reports and what "Apply recommendation" writes: the command line's text and
// JSON, the history's comparison of two tests, and the recommendation through the backup and the
// registry or the modern stack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "measure/apply_recommendation.h"
#include "measure/test_report.h"
#include "support/fake_modern_tcp.h"
#include "support/fake_registry.h"

namespace tarvex {
namespace {

using testing::FakeModernTcp;
using testing::FakeRegistry;
using testing::FakeRegistryValue;

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr const char* kNt = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr const char* kNtCard = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\1";
constexpr const char* kNtInterface = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}";

ConnectionFigures Figures() {
    ConnectionFigures figures;
    figures.Rtt = {100.25, 3.5, 10};
    figures.BitsPerSecond = 48'300'000;
    figures.Bytes = 60'375'000;
    figures.Seconds = 10;
    return figures;
}

TEST(TestReportTest, JsonCarriesTheFiguresAndEscapesText) {
    Recommendation recommendation;
    recommendation.Bdp = 603750;
    recommendation.ReceiveWindow = 604440;
    recommendation.WindowScaling = true;
    recommendation.Scenario = ConnectionScenario::rbADSL;
    recommendation.Text = "Quote \" and back\\slash\r\nnew line \x01";
    EXPECT_EQ(ReportJson("http://10.77.0.2:8080/speedtest?bytes=1", Figures(), recommendation),
              "{\"address\":\"http://10.77.0.2:8080/speedtest?bytes=1\",\"rtt_ms\":100.250,\"rtt_spread_ms\":3.500,"
              "\"rtt_samples\":10,\"throughput_bps\":48300000,\"bytes\":60375000,\"seconds\":10.000,"
              "\"bdp_bytes\":603750,\"recommendation\":{\"text\":\"Quote \\\" and back\\\\slash\\r\\nnew line "
              "\\u0001\",\"receive_window\":604440,\"window_scaling\":true,\"scenario\":\"ADSL / Cable / LAN / "
              "Satellite / Other direct internet connection\",\"window_not_the_limit\":false}}");
    EXPECT_EQ(ErrorJson("host \"x\" unreachable"), "{\"error\":\"host \\\"x\\\" unreachable\"}");
    EXPECT_EQ(ThroughputText(850'400), "850 kbit/s");
    EXPECT_EQ(ThroughputText(48'300'000), "48.3 Mbit/s");
}

TEST(TestReportTest, TheHistoryComparesATestWithTheOneBeforeIt) {
    const TestRecord before{1, 46000.5, "10.77.0.2", 100, 5'000'000, "Receive window: 65535, RFC 1323 options: 0"};
    const TestRecord after{2, 46000.6, "10.77.0.2", 101, 48'300'000, "Receive window: 604440, RFC 1323 options: 1"};
    EXPECT_EQ(CompareTests(after, &before),
              (std::vector<TestComparison>{{"Round trip", "100.0 ms", "101.0 ms (+1 %)"},
                                           {"Throughput", "5.0 Mbit/s", "48.3 Mbit/s (+866 %)"},
                                           {"Settings", before.Settings, after.Settings}}));
    EXPECT_EQ(CompareTests(before, nullptr).at(1), (TestComparison{"Throughput", "", "5.0 Mbit/s"}));
}

TEST(TestReportTest, SettingsInForceAreWhatBearsOnTheFigures) {
    TuningProfile xp;
    xp.IsNT = true;
    xp.GlobalMaxTcpWindowSize = 256960;
    xp.Tcp1323Opts = -1;
    EXPECT_EQ(SettingsInForce(xp, std::nullopt, std::nullopt),
              "Receive window: 256960, RFC 1323 options: Windows default");
    const ModernSystem win10{ModernStack::Win10, false, "Windows 10"};
    EXPECT_EQ(SettingsInForce(xp, win10, 3), "Receive window auto-tuning: Normal");
    EXPECT_EQ(SettingsInForce(xp, win10, std::nullopt), "Receive window auto-tuning: unknown");
}

// "Apply recommendation" writes as "Accelerate!" does: the backup's moment first, then the values.
TEST(TestReportTest, ApplyingWritesTheWindowOrTheLevelAfterTheBackup) {
    FakeRegistry registry;
    registry.SetValue(HKLM, kNtCard, "ServiceName", FakeRegistryValue::Text("{A}"));
    registry.SetValue(HKLM, kNtInterface, "MTU", FakeRegistryValue::Dword(1400));
    auto access = registry.NewAccess();
    TuningProfile profile;
    profile.IsNT = true;
    profile.Version = WindowsVersion::WinXP;
    AdaptersModel adapters;
    adapters.Read(*access, true);
    std::vector<std::string> steps;
    const auto before = [&](BackupAction action) {
        steps.push_back(std::string(BackupActionText(action)) +
                        (registry.Value(HKLM, kNt, "TcpWindowSize") ? " after" : " before"));
    };
    const auto written = [&] { steps.push_back("written"); };

    Recommendation classic;
    classic.ReceiveWindow = 604440;
    classic.WindowScaling = true;
    classic.Scenario = ConnectionScenario::rbADSL;
    ASSERT_TRUE(CanApply(classic, nullptr));
    ApplyRecommendation(classic, profile, adapters, *access, nullptr, before, written);
    EXPECT_EQ(steps, (std::vector<std::string>{"Recommendation before", "written"}));
    for (const char* name : {"GlobalMaxTcpWindowSize", "TcpWindowSize"})
        EXPECT_EQ(registry.Value(HKLM, kNt, name), FakeRegistryValue::Dword(604440)) << name;
    EXPECT_EQ(registry.Value(HKLM, kNt, "Tcp1323Opts"), FakeRegistryValue::Dword(3));
    EXPECT_EQ(registry.Value(HKLM, kNtInterface, "MTU"), FakeRegistryValue::Dword(1500));

    // Vista and later: the level through the port; a level already in force is nothing to apply.
    FakeModernTcp port;
    Recommendation modern;
    modern.AutoTuningLevel = 4;
    steps.clear();
    ASSERT_TRUE(CanApply(modern, &port));
    EXPECT_FALSE(CanApply(modern, nullptr));
    ApplyRecommendation(modern, profile, adapters, *access, &port, before, written);
    EXPECT_EQ(port.Calls, std::vector<std::string>{"AutoTuningLevel=4"});
    EXPECT_EQ(steps.back(), "written");
    modern.WindowNotTheLimit = true;
    EXPECT_FALSE(CanApply(modern, &port));

    // A backup that cannot be made stops it with nothing written.
    port.Calls.clear();
    modern.WindowNotTheLimit = false;
    EXPECT_THROW(
        ApplyRecommendation(
            modern, profile, adapters, *access, &port, [](BackupAction) { throw Error("no backup"); }, written),
        Error);
    EXPECT_TRUE(port.Calls.empty());
}

}  // namespace
}  // namespace tarvex
