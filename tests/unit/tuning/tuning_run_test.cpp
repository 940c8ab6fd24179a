// The one-click tuning against the in-memory registry, with scripted draws and recorded waits:
// what the pages show step by step, what ends up in the registry, and how a run ends.
#include "tuning/tuning_run.h"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <memory>
#include <tuple>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_registry.h"
#include "tuning/restart.h"

namespace tarvex {
namespace {

using testing::FakeRegistry;
using testing::FakeRegistryValue;

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCU = RegistryRoot::CurrentUser;
constexpr const char* kNt = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr const char* k9x = "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP";
constexpr const char* kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* kNtCard = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\1";
constexpr const char* kNtInterface = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}";
constexpr const char* k9xNet = "Enum\\Root\\Net\\0000";
constexpr const char* k9xNetTrans = "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000";

class ScriptedRandom final : public RandomSource {
public:
    void Randomize() override { ++reseeds; }
    int Random(int range) override {
        EXPECT_EQ(range, 100);
        if (draws.empty()) return 99;
        const int next = draws.front();
        draws.pop_front();
        return next;
    }
    std::deque<int> draws;
    int reseeds = 0;
};

class RecordingWaiter final : public Waiter {
public:
    void Wait(std::uint32_t milliseconds) override {
        waits.push_back(milliseconds);
        if (during) during();
    }
    std::vector<std::uint32_t> waits;
    std::function<void()> during;
};

class RecordingRestart final : public SystemRestart {
public:
    bool EnableShutdownPrivilege() override {
        calls.push_back("privilege");
        return true;
    }
    bool Reboot() override {
        calls.push_back("reboot");
        return true;
    }
    std::vector<std::string> calls;
};

// One line per visible step, for the parts that change during a run.
std::string Frame(const TuningRunModel& model) {
    std::string frame = model.Page() == RunPage::tsProgress ? "progress" : "welcome";
    frame += model.NavigationEnabled() ? " nav" : " -";
    frame += model.AccelerateEnabled() ? " acc" : " -";
    frame += model.ProgressBarVisible() ? " bar" : " -";
    frame += model.OKVisible() ? " ok" : " -";
    frame += model.WorkingVisible() ? " working" : " -";
    return frame;
}

// The values a sequence took, each run of equal values once.
template <typename T>
void AppendChanged(std::vector<T>& seen, const T& value) {
    if (seen.empty() || seen.back() != value) seen.push_back(value);
}

// A main window's worth of tuning state over one registry with one adapter of the family.
struct Rig {
    Rig(bool isNT, WindowsVersion version) {
        profile.IsNT = isNT;
        profile.Version = version;
        registry.CreateKey(HKCU, kInternet);
        if (isNT) {
            registry.SetValue(HKLM, kNtCard, "Description", FakeRegistryValue::Text("Card"));
            registry.SetValue(HKLM, kNtCard, "ServiceName", FakeRegistryValue::Text("{A}"));
            registry.SetValue(HKLM, kNtInterface, "MTU", FakeRegistryValue::Dword(1500));
        } else {
            registry.SetValue(HKLM, k9xNet, "DeviceDesc", FakeRegistryValue::Text("Card"));
            registry.SetValue(HKLM, k9xNetTrans, "MaxMTU", FakeRegistryValue::Text("1500"));
            registry.CreateKey(HKLM, k9x);
        }
        adapters.Read(*access, isNT);
        model.OnChange = [this] {
            AppendChanged(frames, Frame(model));
            AppendChanged(positions, model.ProgressBarPosition());
            for (std::size_t i = 0; i < 9; ++i) {
                AppendChanged(icons[i], model.Items()[i].Icon);
                AppendChanged(percents[i], model.Items()[i].Progress);
            }
        };
        model.OnBalloon = [this](const BalloonRequest& balloon) { balloons.push_back(balloon); };
        model.OnInformation = [this](std::string_view text) { messages.emplace_back(text); };
        model.OnError = [this](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const Error& e) {
                errors.emplace_back(e.what());
            }
            AppendChanged(frames, "error reported on " + Frame(model));
        };
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    void Accelerate(ConnectionScenario scenario) {
        model.CheckScenario(scenario);
        model.btnAccelerateClick();
    }
    std::optional<FakeRegistryValue> Value(RegistryRoot root, const char* key, const char* name) const {
        return registry.Value(root, key, name);
    }

    FakeRegistry registry;
    std::unique_ptr<RegistryAccess> access = registry.NewAccess();
    TuningProfile profile;
    AdaptersModel adapters;
    RecordingWaiter waiter;
    ScriptedRandom random;
    RecordingRestart restart;
    TuningRunModel model{profile, adapters, *access, waiter, random, restart};

    std::vector<std::string> frames;
    std::vector<int> positions;
    std::array<std::vector<TaskIcon>, 9> icons;
    std::array<std::vector<std::string>, 9> percents;
    std::vector<BalloonRequest> balloons;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
};

std::vector<std::string> Percents(int from) {
    std::vector<std::string> texts = {""};
    for (int p = from; p <= 100; ++p) texts.push_back(std::to_string(p) + "%");
    return texts;
}

TEST(TuningRunTest, ARunShowsTheNineTasksThenWritesThePresetAndAnnouncesIt) {
    using V = FakeRegistryValue;
    struct Case {
        bool isNT;
        WindowsVersion version;
        ConnectionScenario scenario;
        std::vector<std::tuple<RegistryRoot, const char*, const char*, std::optional<V>>> stored;
    };
    const Case cases[] = {
        {true,
         WindowsVersion::WinXP,
         ConnectionScenario::rbLAN,
         {{HKLM, kNt, "DefaultTTL", V::Dword(128)},
          {HKLM, kNt, "GlobalMaxTcpWindowSize", V::Dword(372300)},
          {HKLM, kNt, "TcpWindowSize", V::Dword(372300)},
          {HKLM, kNt, "Tcp1323Opts", V::Dword(3)},
          {HKLM, kNt, "KeepAliveTime", std::nullopt},  // no preset sets it, and it read as default
          {HKCU, kInternet, "MaxConnectionsPerServer", V::Dword(8)},
          {HKLM, kNtInterface, "MTU", V::Dword(1500)}}},
        {true,
         WindowsVersion::Win7,
         ConnectionScenario::rbADSLPPPoE,
         {{HKLM, kNt, "DefaultTTL", V::Dword(64)},
          {HKLM, kNt, "GlobalMaxTcpWindowSize", V::Dword(255552)},
          {HKLM, kNt, "Tcp1323Opts", V::Dword(1)},
          {HKLM, kNtInterface, "MTU", V::Dword(1492)}}},
        {false,
         WindowsVersion::Win98SE,
         ConnectionScenario::rbDialUpModem,
         {{HKLM, k9x, "DefaultTTL", V::Text("64")},
          {HKLM, k9x, "DefaultRcvWindow", V::Dword(64240)},
          {HKLM, k9x, "PMTUDiscovery", V::Text("1")},
          {HKCU, kInternet, "MaxConnectionsPer1_0Server", V::Dword(10)},
          {HKLM, k9xNetTrans, "MaxMTU", V::Text("576")}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.scenario));
        Rig r(c.isNT, c.version);
        r.profile.KeepAliveTime = kSystemDefault;
        // Draws below 50 are thrown away; 99 comes when the script runs out.
        r.random.draws = {10, 49, 73, 50};
        bool writtenDuringTheList = false;
        r.waiter.during = [&] { writtenDuringTheList |= r.registry.ValueNames(HKCU, kInternet).size() > 0; };

        r.Accelerate(c.scenario);

        EXPECT_FALSE(writtenDuringTheList);
        for (const auto& [root, key, name, value] : c.stored) EXPECT_EQ(r.Value(root, key, name), value) << name;
        EXPECT_EQ(r.frames, (std::vector<std::string>{"welcome nav acc - - -", "progress - - bar - working",
                                                      "progress - - - ok -"}));
        EXPECT_EQ(r.positions, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90}));
        EXPECT_EQ(r.percents[0], Percents(73));
        EXPECT_EQ(r.percents[1], Percents(50));
        for (std::size_t i = 2; i < 8; ++i) EXPECT_EQ(r.percents[i], Percents(99)) << i;
        EXPECT_EQ(r.percents[8], std::vector<std::string>{""});  // the last task shows no percentage
        for (std::size_t i = 0; i < 8; ++i) {
            EXPECT_EQ(r.icons[i], (std::vector<TaskIcon>{TaskIcon::Pending, TaskIcon::Working, TaskIcon::Done})) << i;
        }
        EXPECT_EQ(r.icons[8], (std::vector<TaskIcon>{TaskIcon::Pending, TaskIcon::Working, TaskIcon::Complete}));
        EXPECT_EQ(r.random.reseeds, 8);
        // Per task: a 20 ms wait per percentage, then a second.
        std::vector<std::uint32_t> waits;
        for (const int from : {73, 50, 99, 99, 99, 99, 99, 99}) {
            waits.insert(waits.end(), static_cast<std::size_t>(101 - from), 20);
            waits.push_back(1000);
        }
        EXPECT_EQ(r.waiter.waits, waits);
        EXPECT_EQ(r.balloons, (std::vector<BalloonRequest>{{"Optimization Completed",
                                                            "Tarvex has optimized your internet connection settings. "
                                                            "Your computer is now quicker and more stable.",
                                                            1, 10}}));
        EXPECT_TRUE(r.errors.empty());
        EXPECT_EQ(r.adapters.Items().at(0).MtuText, std::to_string(r.profile.MTU));
    }
}

TEST(TuningRunTest, OKReturnsToTheWelcomePageAndOnlyYesRestarts) {
    struct Case {
        bool isNT;
        bool yes;
        std::vector<std::string> calls;
    };
    const Case cases[] = {{true, true, {"privilege", "reboot"}}, {false, true, {"reboot"}}, {true, false, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.isNT << c.yes);
        Rig r(c.isNT, c.isNT ? WindowsVersion::Win7 : WindowsVersion::Win98SE);
        r.Accelerate(ConnectionScenario::rbADSL);
        std::vector<std::string> asked;
        r.model.OnConfirm = [&](std::string_view question) {
            asked.push_back(Frame(r.model) + " | " + std::string(question));
            return c.yes;
        };

        r.model.btnOKClick();

        EXPECT_EQ(asked, std::vector<std::string>{"welcome nav - - ok - | " + std::string(kRestartQuestion)});
        EXPECT_EQ(r.restart.calls, c.calls);
        // The checked scenario stays checked, and checking it again does not allow a second run.
        r.model.CheckScenario(ConnectionScenario::rbADSL);
        EXPECT_FALSE(r.model.AccelerateEnabled());
        r.model.CheckScenario(ConnectionScenario::rbLAN);
        EXPECT_TRUE(r.model.AccelerateEnabled());
    }
}

TEST(TuningRunTest, AccelerateWaitsForAChoiceAndAClickOnTheCheckedOneChangesNothing) {
    Rig r(true, WindowsVersion::Win7);
    EXPECT_FALSE(r.model.AccelerateEnabled());
    EXPECT_EQ(r.model.Checked(), std::nullopt);
    r.model.btnAccelerateClick();  // disabled: nothing runs
    EXPECT_TRUE(r.frames.empty());
    r.model.CheckScenario(ConnectionScenario::rbCorporateLAN);
    EXPECT_TRUE(r.model.AccelerateEnabled());
    EXPECT_EQ(r.model.Checked(), ConnectionScenario::rbCorporateLAN);
    r.model.CheckScenario(ConnectionScenario::rbCorporateLAN);
    EXPECT_EQ(r.frames.size(), 1u);  // the second click raised nothing
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(r.model.Items()[i].Task, kProgressTasks[i]);
        EXPECT_EQ(r.model.Items()[i].Icon, TaskIcon::Pending);
    }
}

TEST(TuningRunTest, RestoreDefaultsRemovesEveryManagedValueAndLeavesTheMtu) {
    Rig r(true, WindowsVersion::Win7);
    for (const char* name : {"DefaultTTL", "KeepAliveTime", "TcpUseRFC1122UrgentPointer", "GlobalMaxTcpWindowSize"})
        r.registry.SetValue(HKLM, kNt, name, FakeRegistryValue::Dword(7));
    r.registry.SetValue(HKCU, kInternet, "MaxConnectionsPerServer", FakeRegistryValue::Dword(7));
    r.profile.MTU = 1492;

    r.Accelerate(ConnectionScenario::rbRestore);

    EXPECT_EQ(r.registry.ValueNames(HKLM, kNt), std::vector<std::string>{});
    EXPECT_EQ(r.registry.ValueNames(HKCU, kInternet), std::vector<std::string>{});
    EXPECT_EQ(r.Value(HKLM, kNtInterface, "MTU"), FakeRegistryValue::Dword(1500));
    EXPECT_EQ(r.profile.MTU, 1492);
    EXPECT_EQ(r.messages, std::vector<std::string>{"All Tarvex optimizations have been removed. \r\nYou will need to "
                                                   "restart the system so that it reverts to original settings."});
    EXPECT_EQ(r.frames, (std::vector<std::string>{"welcome nav acc - - -", "welcome nav - - - -"}));
    EXPECT_TRUE(r.waiter.waits.empty());
    EXPECT_TRUE(r.balloons.empty());
    r.model.CheckScenario(ConnectionScenario::rbRestore);
    EXPECT_FALSE(r.model.AccelerateEnabled());
}

// A removal the registry refuses is a failure, told as one: no word that the values are gone.
TEST(TuningRunTest, RestoreDefaultsThatCannotRemoveAValueSaysSo) {
    Rig r(true, WindowsVersion::WinXP);
    r.registry.SetValue(HKLM, kNt, "DefaultTTL", FakeRegistryValue::Dword(7));
    r.registry.FailWritesOf("DefaultTTL");

    r.Accelerate(ConnectionScenario::rbRestore);

    EXPECT_EQ(r.errors, std::vector<std::string>{"Failed to set data for 'DefaultTTL'"});
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.Value(HKLM, kNt, "DefaultTTL"), FakeRegistryValue::Dword(7));
}

// On the 9x family the presets that keep the window keep the one it reads (DefaultRcvWindow),
// and a run after a read that found no MSTCP key writes only what its preset sets.
TEST(TuningRunTest, A9xRunKeepsTheUsersWindowAndWritesNothingItsPresetLeavesAlone) {
    using V = FakeRegistryValue;
    struct Case {
        const char* name;
        bool mstcpKey, parametersKey;
        ConnectionScenario scenario;
        std::vector<std::pair<const char*, std::optional<V>>> stored;
    };
    const Case cases[] = {
        {"ADSL", true, true, ConnectionScenario::rbADSL, {{"DefaultRcvWindow", V::Dword(32120)}}},
        {"ADSL, no Parameters key", true, false, ConnectionScenario::rbADSL, {{"DefaultRcvWindow", V::Dword(32120)}}},
        {"corporate LAN", true, true, ConnectionScenario::rbCorporateLAN, {{"DefaultRcvWindow", V::Dword(32120)}}},
        {"modem, no MSTCP key",
         false,
         false,
         ConnectionScenario::rbDialUpModem,
         {{"DefaultRcvWindow", V::Dword(64240)},
          {"KeepAliveTime", std::nullopt},
          {"KeepAliveInterval", std::nullopt},
          {"SessionKeepAlive", std::nullopt},
          {"BSDUrgent", std::nullopt}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r(false, WindowsVersion::Win98SE);
        r.registry.DeleteKey(HKLM, k9x);
        if (c.mstcpKey) r.registry.SetValue(HKLM, k9x, "DefaultRcvWindow", V::Dword(32120));
        if (c.parametersKey) r.registry.CreateKey(HKLM, std::string(k9x) + "\\Parameters");
        RefreshTuningValues(*r.access, r.adapters, r.profile);

        r.Accelerate(c.scenario);

        EXPECT_TRUE(r.errors.empty());
        for (const auto& [name, value] : c.stored) EXPECT_EQ(r.Value(HKLM, k9x, name), value) << name;
    }
}

// A failed write ends the run with everything usable again and no word of success.
TEST(TuningRunTest, AFailedWriteEndsTheRunUsableAndReportsTheError) {
    struct Case {
        bool isNT;
        ConnectionScenario scenario;
        const char* failing;
    };
    const Case cases[] = {
        {true, ConnectionScenario::rbLAN, "DefaultTTL"},
        {true, ConnectionScenario::rbADSLPPPoE, "MTU"},  // the adapters, after the profile
        {false, ConnectionScenario::rbADSLPPPoE, "MaxMTU"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        Rig r(c.isNT, c.isNT ? WindowsVersion::Win7 : WindowsVersion::Win98SE);
        r.registry.FailWritesOf(c.failing);

        r.Accelerate(c.scenario);

        // The message names the value and ends with the registry's own words (what it says of
        // the settings is BackupTest's).
        ASSERT_EQ(r.errors.size(), 1u);
        EXPECT_TRUE(r.errors.front().starts_with("Tarvex could not write the value \"" + std::string(c.failing) + "\""))
            << r.errors.front();
        EXPECT_TRUE(r.errors.front().ends_with("Failed to set data for '" + std::string(c.failing) + "'"));
        EXPECT_EQ(r.frames,
                  (std::vector<std::string>{"welcome nav acc - - -", "progress - - bar - working",
                                            "welcome nav acc - - -", "error reported on welcome nav acc - - -"}));
        EXPECT_TRUE(r.balloons.empty());
        EXPECT_TRUE(r.messages.empty());
        EXPECT_FALSE(r.model.Running());
        r.model.btnOKClick();  // hidden: no restart question
        EXPECT_TRUE(r.restart.calls.empty());
    }
}

TEST(TuningRunTest, AFailedWriteWithoutAnErrorHandlerThrowsAfterEndingTheRun) {
    Rig r(true, WindowsVersion::Win7);
    r.model.OnError = nullptr;
    r.registry.FailWritesOf("DefaultTTL");
    EXPECT_THROW(r.Accelerate(ConnectionScenario::rbLAN), Error);
    EXPECT_TRUE(r.model.NavigationEnabled());
    EXPECT_EQ(r.model.Page(), RunPage::tsWelcome);
}

TEST(TuningRunTest, ARunAbandonedDuringAWaitStopsThereAndWritesNothing) {
    Rig r(true, WindowsVersion::Win7);
    r.random.draws = {60, 60, 60};
    r.waiter.during = [&r] {
        if (r.waiter.waits.size() == 3) r.model.Abandon();
    };
    r.Accelerate(ConnectionScenario::rbLAN);
    EXPECT_EQ(r.waiter.waits.size(), 3u);
    EXPECT_FALSE(r.Value(HKLM, kNt, "DefaultTTL"));
    EXPECT_EQ(r.Value(HKLM, kNtInterface, "MTU"), FakeRegistryValue::Dword(1500));
    EXPECT_TRUE(r.balloons.empty());
}

// An adapter's MTU of the wrong type stops the adapter list, not the reading of the profile:
// a run afterwards must not write the profile's initial zeros.
TEST(TuningRunTest, ARefreshStoppedByAnAdapterStillReadsTheProfile) {
    FakeRegistry registry;
    registry.SetValue(HKLM, kNtCard, "Description", FakeRegistryValue::Text("Card"));
    registry.SetValue(HKLM, kNtCard, "ServiceName", FakeRegistryValue::Text("{A}"));
    registry.SetValue(HKLM, kNtInterface, "MTU", FakeRegistryValue::Text("1500"));
    registry.SetValue(HKLM, kNt, "KeepAliveTime", FakeRegistryValue::Dword(7200000));
    const auto access = registry.NewAccess();
    TuningProfile profile;
    profile.IsNT = true;
    AdaptersModel adapters;
    try {
        RefreshTuningValues(*access, adapters, profile);
        ADD_FAILURE() << "the mistyped MTU went unnoticed";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'MTU'");
    }
    EXPECT_EQ(profile.KeepAliveTime, 7200000);
    EXPECT_EQ(profile.KeepAliveInterval, kSystemDefault);
    EXPECT_EQ(profile.MTU, 576);
    ASSERT_EQ(adapters.Items().size(), 1u);
    EXPECT_EQ(adapters.Items()[0].MtuText, "");
}

}  // namespace
}  // namespace tarvex
