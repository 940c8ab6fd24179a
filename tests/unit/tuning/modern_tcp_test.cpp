// The modern TCP stack of Vista and later over an in-memory port: which Windows has what, the
// presets per scenario and Windows, the run's real steps, refusals, and the way back through
// backups, undo and registry files.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_modern_tcp.h"
#include "support/fake_registry.h"
#include "support/latin1_code_page.h"
#include "tuning/advanced_editor.h"
#include "tuning/advanced_texts.h"
#include "tuning/backup.h"
#include "tuning/modern_changes.h"
#include "tuning/modern_tcp.h"
#include "tuning/reg_file.h"
#include "tuning/tuning_run.h"

namespace tarvex {
namespace {

using testing::FakeModernTcp;
using testing::FakeRegistry;
using testing::FakeRegistryValue;
using testing::System;
using Id = ModernSettingId;

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCU = RegistryRoot::CurrentUser;
constexpr const char* kNt = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr const char* kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* kNtCard = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\1";
constexpr const char* kNtInterface =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{11111111-2222-3333-4444-555555555555}";
constexpr const char* kGuid = "{11111111-2222-3333-4444-555555555555}";

OsVersionInfo Nt(std::uint32_t major, std::uint32_t minor, std::uint32_t build, bool workstation,
                 std::optional<OsVersionInfo::NumberedVersion> trueVersion = std::nullopt) {
    OsVersionInfo os;
    os.Major = major;
    os.Minor = minor;
    os.Build = build;
    os.ProductType = static_cast<std::uint8_t>(workstation ? 1 : 3);
    os.TrueVersion = trueVersion;
    return os;
}

TEST(ModernTcpTest, TheModernStackIsVistaAndLaterByTheTrueVersion) {
    struct Case {
        OsVersionInfo Os;
        std::optional<ModernStack> Stack;
        bool Server;
        const char* Release;
    };
    OsVersionInfo win98;
    win98.Platform = OsPlatform::Windows9x;
    win98.Major = 4;
    win98.Minor = 10;
    const Case cases[] = {
        {win98, std::nullopt, false, ""},
        {Nt(5, 1, 2600, true), std::nullopt, false, ""},
        {Nt(5, 2, 3790, false), std::nullopt, false, ""},
        {Nt(6, 0, 6002, true), ModernStack::Vista, false, "Windows Vista"},
        {Nt(6, 1, 7601, false), ModernStack::Win7, true, "Windows Server 2008 R2"},
        // 8.1 and later report 6.2 to this program; the true version decides.
        {Nt(6, 2, 9200, true, {{6, 3, 9600}}), ModernStack::Win81, false, "Windows 8.1"},
        {Nt(6, 2, 9200, true, {{10, 0, 19045}}), ModernStack::Win10, false, "Windows 10"},
        {Nt(6, 2, 9200, true, {{10, 0, 22631}}), ModernStack::Win11, false, "Windows 11"},
        {Nt(6, 2, 9200, false, {{10, 0, 26100}}), ModernStack::Win10, true, "Windows Server 2025"},
    };
    for (const Case& c : cases) {
        const auto system = ModernSystemOf(c.Os);
        ASSERT_EQ(system.has_value(), c.Stack.has_value()) << c.Release;
        if (!system) continue;
        EXPECT_EQ(system->Stack, *c.Stack) << c.Release;
        EXPECT_EQ(system->Server, c.Server) << c.Release;
        EXPECT_EQ(system->Release, c.Release);
        EXPECT_EQ(UsesWmi(*system), *c.Stack >= ModernStack::Win8) << c.Release;
    }
}

// Every scenario on every Windows the table names: the value of each setting, or "-" where the
// preset leaves it.
TEST(ModernTcpTest, PresetsPerScenarioAndWindows) {
    struct Windows {
        const char* Name;
        ModernSystem System;
    };
    const Windows windows[] = {
        {"Vista", System(ModernStack::Vista)}, {"7", System(ModernStack::Win7)},
        {"8.1", System(ModernStack::Win81)},   {"10", System(ModernStack::Win10)},
        {"11", System(ModernStack::Win11)},    {"Server 2019", System(ModernStack::Win10, true)},
    };
    // Auto-tuning, congestion, ECN, timestamps, RSS, RSC, initial RTO.
    const auto expected = [](ConnectionScenario scenario, const ModernSystem& system) {
        const bool win8 = system.Stack >= ModernStack::Win8;
        if (scenario == ConnectionScenario::rbRestore) {
            const bool congestion = system.Server || system.Stack < ModernStack::Win10;
            return std::vector<std::string>{
                "-1", congestion ? "-1" : "-", "-1", "-1", "-1", win8 ? "-1" : "-", win8 ? "-1" : "-"};
        }
        const std::string tuning = scenario == ConnectionScenario::rbDialUpModem  ? "1"
                                   : scenario == ConnectionScenario::rbDialUpISDN ? "2"
                                                                                  : "3";
        return std::vector<std::string>{tuning, "-", "-1", "-1", "1", "-", win8 ? "-1" : "-"};
    };
    for (const Windows& w : windows) {
        for (int s = 0; s <= static_cast<int>(ConnectionScenario::rbRestore); ++s) {
            const auto scenario = static_cast<ConnectionScenario>(s);
            const ModernPreset preset = ModernPresetFor(scenario, w.System);
            std::vector<std::string> actual;
            for (const ModernSettingInfo& info : ModernSettings()) {
                const auto value = preset.Value(info.Id);
                actual.push_back(value ? std::to_string(*value) : "-");
                if (value) {
                    EXPECT_TRUE(CanWriteSetting(w.System, info.Id));
                    EXPECT_TRUE(IsValidValue(w.System, info.Id, *value));
                }
            }
            EXPECT_EQ(actual, expected(scenario, w.System)) << w.Name << ", scenario " << s;
        }
    }
}

TEST(ModernTcpTest, ValuesEachWindowsTakes) {
    const auto vista = System(ModernStack::Vista), win10 = System(ModernStack::Win10);
    EXPECT_TRUE(IsValidValue(vista, Id::CongestionProvider, 2));   // CTCP
    EXPECT_FALSE(IsValidValue(vista, Id::CongestionProvider, 3));  // DCTCP: netsh has no word for it
    EXPECT_TRUE(IsValidValue(System(ModernStack::Win8, true), Id::CongestionProvider, 3));
    EXPECT_FALSE(IsValidValue(vista, Id::InitialRto, 1000));  // 8 and later
    EXPECT_TRUE(IsValidValue(win10, Id::InitialRto, 300));
    EXPECT_FALSE(IsValidValue(win10, Id::InitialRto, 299));
    EXPECT_FALSE(IsValidValue(win10, Id::AutoTuningLevel, 5));
    EXPECT_FALSE(CanWriteSetting(win10, Id::CongestionProvider));
    EXPECT_TRUE(CanWriteSetting(System(ModernStack::Win10, true), Id::CongestionProvider));
    EXPECT_EQ(DescribeModernValue(Id::AutoTuningLevel, 1), "Highly restricted");
    EXPECT_EQ(DescribeModernValue(Id::InitialRto, 1000), "1000 ms");
    EXPECT_EQ(DescribeModernValue(Id::Timestamps, kWindowsDefault), "Windows default");
    EXPECT_EQ(DescribeModernValue(Id::Timestamps, std::nullopt), "unknown");
}

// A main window's worth of tuning on a modern Windows: one adapter whose key names an interface,
// the registry, the port and the backups, hooked together as the frame hooks them.
struct ModernRig {
    explicit ModernRig(ModernSystem system_) : system(std::move(system_)) {
        profile.IsNT = true;
        profile.Version = WindowsVersion::Win7;
        registry.CreateKey(HKCU, kInternet);
        registry.SetValue(HKLM, kNtCard, "Description", FakeRegistryValue::Text("Card"));
        registry.SetValue(HKLM, kNtCard, "ServiceName", FakeRegistryValue::Text(kGuid));
        registry.SetValue(HKLM, kNtInterface, "MTU", FakeRegistryValue::Dword(1500));
        port.Ifaces = {{kGuid, 7, "Ethernet", 1500}, {"{99999999-2222-3333-4444-555555555555}", 9, "Other", 1400}};
        port.Values = {{Id::AutoTuningLevel, 0},
                       {Id::EcnCapability, 1},
                       {Id::Timestamps, 1},
                       {Id::ReceiveSideScaling, 0},
                       {Id::ReceiveSegmentCoalescing, 1},
                       {Id::InitialRto, 1000},
                       {Id::CongestionProvider, 4}};
        port.Defaults = {{Id::AutoTuningLevel, 3},
                         {Id::EcnCapability, 0},
                         {Id::Timestamps, 0},
                         {Id::ReceiveSideScaling, 1},
                         {Id::ReceiveSegmentCoalescing, 1},
                         {Id::InitialRto, 3000},
                         {Id::CongestionProvider, 4}};
        adapters.Read(*access, true);
        model.SetModern(&port, system);
        backups.SetModern(&port, system);
        model.OnBeforeWrite = [this](BackupAction action) { pending = backups.Record(action, true, adapters.Items()); };
        model.OnWritten = [this] { backups.Completed(pending); };
        model.OnBalloon = [this](const BalloonRequest& balloon) { balloons.push_back(balloon.Text); };
        model.OnInformation = [this](std::string_view text) { messages.emplace_back(text); };
    }
    void Accelerate(ConnectionScenario scenario) {
        model.CheckScenario(scenario);
        model.btnAccelerateClick();
    }
    std::vector<std::string> Tasks() const {
        std::vector<std::string> tasks;
        for (const ProgressItem& item : model.Items()) tasks.push_back(item.Task + " | " + item.Progress);
        return tasks;
    }

    ModernSystem system;
    FakeRegistry registry;
    std::unique_ptr<RegistryAccess> access = registry.NewAccess();
    TuningProfile profile;
    AdaptersModel adapters;
    struct : Waiter {
        void Wait(std::uint32_t) override {}
    } waiter;
    struct : RandomSource {
        void Randomize() override {}
        int Random(int) override { return 99; }
    } random;
    struct : SystemRestart {
        bool EnableShutdownPrivilege() override { return true; }
        bool Reboot() override { return true; }
    } restart;
    FakeModernTcp port;
    TuningRunModel model{profile, adapters, *access, waiter, random, restart};
    BackupKeeper backups{*access, {}};
    std::uint32_t pending = 0;
    std::vector<std::string> balloons;
    std::vector<std::string> messages;
};

TEST(ModernTcpTest, ARunListsAndMakesTheRealChangesThenTheClassicValues) {
    ModernRig r(System(ModernStack::Win10));
    r.Accelerate(ConnectionScenario::rbADSLPPPoE);

    EXPECT_EQ(r.port.Calls, (std::vector<std::string>{"AutoTuningLevel=3", "EcnCapability=-1", "Timestamps=-1",
                                                      "ReceiveSideScaling=1", "InitialRto=-1",
                                                      std::string("MTU ") + kGuid + "=1492"}));
    EXPECT_EQ(r.Tasks(), (std::vector<std::string>{
                             "Receive window auto-tuning: Normal | Done",
                             "ECN capability: Windows default | Done",
                             "TCP timestamps: Windows default | Done",
                             "Receive-side scaling (RSS): Enabled | Done",
                             "Initial retransmission timeout: Windows default | Done",
                             "MTU of Ethernet: 1492 | Done",
                             std::string(kClassicValuesTask) + " | Done",
                             "Complete! | ",
                         }));
    EXPECT_EQ(r.model.Items().back().Icon, TaskIcon::Complete);
    EXPECT_EQ(r.registry.Value(HKLM, kNt, "GlobalMaxTcpWindowSize"), FakeRegistryValue::Dword(255552));
    EXPECT_EQ(r.registry.Value(HKLM, kNtInterface, "MTU"), FakeRegistryValue::Dword(1492));
    EXPECT_EQ(r.balloons, std::vector<std::string>{std::string(kModernCompletedText)});
    EXPECT_TRUE(r.messages.empty());
    EXPECT_TRUE(r.model.OKVisible());
}

TEST(ModernTcpTest, ARefusalIsReportedWithWindowsOwnReasonAndNeverAsSuccess) {
    ModernRig r(System(ModernStack::Win7));
    r.port.Refused = {Id::EcnCapability};
    r.port.RefusalReason = "netsh ended with code 1: The requested operation requires elevation.";
    r.Accelerate(ConnectionScenario::rbLAN);

    EXPECT_EQ(r.Tasks().at(1), "ECN capability: Windows default | Failed");
    EXPECT_EQ(r.Tasks().at(2), "TCP timestamps: Windows default | Done");  // the others still go
    EXPECT_TRUE(r.balloons.empty());
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_NE(r.messages[0].find("ECN capability: Windows default: netsh ended with code 1: The requested operation "
                                 "requires elevation."),
              std::string::npos);

    // Unreachable: nothing modern is touched, and the list and a message say so plainly.
    ModernRig w(System(ModernStack::Win10));
    w.port.Reachable = false;
    w.Accelerate(ConnectionScenario::rbLAN);
    EXPECT_TRUE(w.port.Calls.empty());
    EXPECT_EQ(w.Tasks(), (std::vector<std::string>{std::string(kModernUnreachableTask) + " | Not here",
                                                   std::string(kClassicValuesTask) + " | Done", "Complete! | "}));
    EXPECT_EQ(w.messages, std::vector<std::string>{ModernUnreachableMessage("error 0x8004100E")});
    EXPECT_EQ(w.registry.Value(HKLM, kNt, "GlobalMaxTcpWindowSize"), FakeRegistryValue::Dword(256960));
}

TEST(ModernTcpTest, RestoreDefaultsReturnsEveryWritableSettingToWindowsDefault) {
    ModernRig r(System(ModernStack::Win11));
    r.Accelerate(ConnectionScenario::rbRestore);
    // The congestion provider is read-only on a client of Windows 11; the MTU stays.
    EXPECT_EQ(r.port.Calls,
              (std::vector<std::string>{"AutoTuningLevel=-1", "EcnCapability=-1", "Timestamps=-1",
                                        "ReceiveSideScaling=-1", "ReceiveSegmentCoalescing=-1", "InitialRto=-1"}));
    EXPECT_EQ(r.messages, std::vector<std::string>{std::string(kRestoredMessage)});
}

// Undo gives back exactly what Windows held where it could be read; where it could not (netsh),
// each setting goes back to Windows' default, and the undo says so.
TEST(ModernTcpTest, UndoGivesBackTheReadValuesAndDefaultsTheUnknownOnesSayingSo) {
    for (const bool readable : {true, false}) {
        SCOPED_TRACE(readable);
        ModernRig r(System(readable ? ModernStack::Win10 : ModernStack::Win7));
        r.port.Readable = readable;
        const auto before = r.port.Values;
        r.Accelerate(ConnectionScenario::rbDialUpModem);
        r.port.Calls.clear();

        const std::vector<std::string> notes = r.backups.UndoLast();

        if (readable) {
            EXPECT_EQ(r.port.Values, before);
            EXPECT_TRUE(notes.empty());
            // The congestion provider is read-only on a client of Windows 10: left as it is.
            EXPECT_EQ(r.port.Calls,
                      (std::vector<std::string>{"AutoTuningLevel=0", "EcnCapability=1", "Timestamps=1",
                                                "ReceiveSideScaling=0", "ReceiveSegmentCoalescing=1", "InitialRto=1000",
                                                std::string("MTU ") + kGuid + "=1500"}));
        } else {
            EXPECT_EQ(r.port.Calls,
                      (std::vector<std::string>{"AutoTuningLevel=-1", "CongestionProvider=-1", "EcnCapability=-1",
                                                "Timestamps=-1", "ReceiveSideScaling=-1",
                                                std::string("MTU ") + kGuid + "=1500"}));
            ASSERT_EQ(notes.size(), 5u);
            EXPECT_EQ(notes[0],
                      "Receive window auto-tuning: its earlier value could not be read, so it was returned to Windows' "
                      "default.");
        }
        // The undo is itself recorded with its modern part, and the history shows what it changed.
        const auto history = r.backups.History();
        ASSERT_EQ(history.size(), 2u);
        EXPECT_EQ(history[0].Action, BackupAction::Undo);
        ASSERT_TRUE(history[1].ModernBefore.has_value());
        const auto changes = RecordChanges(history[1]);
        const auto mtu = std::find_if(changes.begin(), changes.end(), [](const ValueChange& change) {
            return change.Value == std::string("MTU ") + kGuid;
        });
        ASSERT_NE(mtu, changes.end());
        EXPECT_EQ(mtu->Before, "1500");
        EXPECT_EQ(mtu->After, "576");
    }
}

TEST(ModernTcpTest, RecordsWithTheModernPartSurviveTheirBytesAndDamageReadsAsNone) {
    BackupRecord record;
    record.Id = 3;
    record.Before = {};
    record.ModernBefore =
        ModernSnapshot{{"AutoTuningLevel", "", 3}, {"Timestamps", "", std::nullopt}, {"MTU", kGuid, 1500}};
    record.ModernAfter = ModernSnapshot{{"AutoTuningLevel", "", -1}};
    const std::string bytes = EncodeBackupRecord(record);
    EXPECT_EQ(bytes.substr(0, 4), "TVB2");
    EXPECT_EQ(DecodeBackupRecord(bytes), record);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_EQ(DecodeBackupRecord(bytes.substr(0, cut)), std::nullopt) << cut;
    // A setting the program does not manage is damage, not something to write back.
    record.ModernBefore->at(0).Key = "TcpChimney";
    EXPECT_EQ(DecodeBackupRecord(EncodeBackupRecord(record)), std::nullopt);
}

TEST(ModernTcpTest, RegistryFilesCarryTheModernSettingsAndRefuseOthers) {
    const ModernSnapshot modern{{"AutoTuningLevel", "", 2},
                                {"EcnCapability", "", kWindowsDefault},
                                {"Timestamps", "", std::nullopt},
                                {"MTU", kGuid, 1492}};
    testing::Latin1CodePage ansi;
    const RegFile file = ParseRegFile(ExportRegFile({}, modern), ansi);
    EXPECT_EQ(ModernImport(file), modern);
    EXPECT_TRUE(ManagedImport(file, true).empty());

    const auto import = [&](const std::string& line) {
        const std::string text =
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillmont\\Tarvex\\ModernTcp]\r\n" + line + "\r\n";
        return ModernImport(ParseRegFile(text, ansi));
    };
    EXPECT_EQ(import("\"Timestamps\"=dword:00000001"), (ModernSnapshot{{"Timestamps", "", 1}}));
    for (const char* hostile : {"\"TcpChimney\"=dword:00000001", "\"MTU ..\\\\x\"=dword:00000001",
                                "\"MTU {1111}\"=dword:00000001", "\"Timestamps\"=\"1\"", "\"Timestamps\"=hex:01"})
        EXPECT_THROW(import(hostile), Error) << hostile;
}

TEST(ModernTcpTest, TheEditorsTabReadsChoosesAndAppliesOnlyWhatTheUserChose) {
    ModernRig r(System(ModernStack::Win10));
    AdvancedEditorModel editor(r.profile, r.adapters);
    std::vector<std::string> messages;
    editor.OnInformation = [&](std::string_view text) { messages.emplace_back(text); };
    editor.SetModern(&r.port, r.system);
    EXPECT_FALSE(editor.Controls().WindowUsed);
    EXPECT_FALSE(editor.Controls().Tcp1323Used);
    editor.Refresh(*r.access);

    const ModernTab& tab = editor.Modern();
    ASSERT_TRUE(tab.Shown);
    ASSERT_EQ(tab.Rows.size(), 7u);
    EXPECT_EQ(tab.Status, advanced_texts::kModernRead);
    EXPECT_EQ(tab.Rows[0].Current, "Disabled");
    EXPECT_EQ(tab.Rows[0].Default, "Normal");
    EXPECT_FALSE(tab.Rows[1].Writable);  // congestion, on a client of Windows 10
    editor.SelectModern(1);
    EXPECT_FALSE(tab.ChoiceEnabled);
    editor.SelectModern(0);
    EXPECT_TRUE(tab.ChoiceEnabled);
    EXPECT_EQ(tab.Why, "Default: Normal. " + std::string(ModernSettingOf(Id::AutoTuningLevel).Why));
    editor.ChooseModern(3);  // "Windows default", then Disabled, Highly restricted, Restricted...
    EXPECT_EQ(tab.Rows[0].New, "Restricted");
    r.port.Refused = {Id::Timestamps};
    editor.SelectModern(3);
    editor.ChooseModern(0);

    // An MTU changed on the MTU tab goes to the interface as well; one left as read does not.
    r.adapters.Select(0);
    r.adapters.ChooseMtuIndex(3);

    editor.Apply(*r.access);
    EXPECT_EQ(r.port.Calls,
              (std::vector<std::string>{"AutoTuningLevel=2", "Timestamps=-1", std::string("MTU ") + kGuid + "=1492"}));
    EXPECT_EQ(tab.Rows[0].Current, "Restricted");
    EXPECT_EQ(tab.Rows[0].New, "");
    EXPECT_EQ(tab.Rows[3].New, "Windows default");  // refused: still to do
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("TCP timestamps: Access is denied."), std::string::npos);

    // Where the settings cannot be reached, the tab says why and offers nothing to set.
    r.port.Reachable = false;
    editor.Refresh(*r.access);
    EXPECT_EQ(tab.Status, advanced_texts::kModernUnreachable);
    for (const ModernRow& row : tab.Rows) EXPECT_EQ(row.Current, "unknown") << row.Caption;
    editor.SelectModern(0);
    EXPECT_FALSE(tab.ChoiceEnabled);
    EXPECT_EQ(tab.Why, "error 0x8004100E");
}

}  // namespace
}  // namespace tarvex
