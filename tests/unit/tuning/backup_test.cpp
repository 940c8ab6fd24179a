// Backups against the in-memory registry: every change through the program's own paths
// ("Accelerate!", "Restore Defaults", "Apply"), then an undo, must give back the registry as it
// was, odd values and all; and a backup that cannot be saved must keep the change from running.
#include "tuning/backup.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_registry.h"
#include "tuning/advanced_editor.h"
#include "tuning/tuning_run.h"

namespace tarvex {
namespace {

using testing::FakeRegistry;
using testing::FakeRegistryValue;
using V = FakeRegistryValue;

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCU = RegistryRoot::CurrentUser;
constexpr const char* kNt = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr const char* kInterfaces = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
constexpr const char* kCards = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
constexpr const char* k9x = "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP";
constexpr const char* k9xParameters = "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP\\Parameters";
constexpr const char* k9xNet = "Enum\\Root\\Net";
constexpr const char* kNetTrans = "System\\CurrentControlSet\\Services\\Class\\NetTrans";
constexpr const char* kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class NoWait final : public Waiter {
public:
    void Wait(std::uint32_t) override {}
};
class NoRandom final : public RandomSource {
public:
    void Randomize() override {}
    int Random(int) override { return 99; }
};
class NoRestart final : public SystemRestart {
public:
    bool EnableShutdownPrivilege() override { return true; }
    bool Reboot() override { return true; }
};

// Text bytes as the registry keeps them but not well-formed: an odd length, no terminator.
V BrokenText() {
    V value = V::Binary(std::string("A\0B", 3), kRegSz);
    value.RawText = true;
    return value;
}

// Two adapters in the list (one without an MTU) and an adapter key that no card names, its MTU
// of the wrong type; every family value odd in its own way, some absent, and a value the
// program does not manage beside them.
void SeedNt(FakeRegistry& r) {
    r.SetValue(HKLM, kNt, "DefaultTTL", V::Text("99"));  // text where a number belongs
    r.SetValue(HKLM, kNt, "TcpWindowSize", V::Dword(17520));
    r.SetValue(HKLM, kNt, "KeepAliveTime", V::Text("%KEEP%", kRegExpandSz));
    r.SetValue(HKLM, kNt, "SackOpts", V::Binary(std::string(8, '\1'), kRegQword));
    r.SetValue(HKLM, kNt, "Tcp1323Opts", V::Binary("\x01\x02\x03"));
    r.SetValue(HKLM, kNt, "EnablePMTUDiscovery", BrokenText());
    r.SetValue(HKLM, kNt, "Hostname", V::Text("box"));
    r.SetValue(HKLM, std::string(kCards) + "\\1", "Description", V::Text("Card A"));
    r.SetValue(HKLM, std::string(kCards) + "\\1", "ServiceName", V::Text("{A}"));
    r.SetValue(HKLM, std::string(kCards) + "\\2", "Description", V::Text("Card B"));
    r.SetValue(HKLM, std::string(kCards) + "\\2", "ServiceName", V::Text("{B}"));
    r.SetValue(HKLM, std::string(kInterfaces) + "\\{A}", "MTU", V::Dword(1500));
    r.CreateKey(HKLM, std::string(kInterfaces) + "\\{B}");
    r.SetValue(HKLM, std::string(kInterfaces) + "\\{C}", "MTU", V::Text("1400"));
    r.SetValue(HKCU, kInternet, "MaxConnectionsPerServer", V::Dword(0xFFFFFFFF));
}

void Seed9x(FakeRegistry& r) {
    r.SetValue(HKLM, k9x, "DefaultTTL", V::Dword(64));  // a number where text belongs
    r.SetValue(HKLM, k9x, "DefaultRcvWindow", V::Text("abc"));
    r.SetValue(HKLM, k9x, "KeepAliveTime", V::Text("7200000"));
    r.SetValue(HKLM, k9x, "PMTUDiscovery", BrokenText());
    r.SetValue(HKLM, k9x, "Other", V::Text("kept"));
    r.SetValue(HKLM, k9xParameters, "GlobalMaxTcpWindoSize", V::Dword(8760));  // every write removes it
    r.SetValue(HKLM, k9xParameters, "MaxDupAcks", V::Dword(2));
    r.SetValue(HKLM, std::string(k9xNet) + "\\0000", "DeviceDesc", V::Text("Card A"));
    r.SetValue(HKLM, std::string(k9xNet) + "\\0001", "DeviceDesc", V::Text("Card B"));
    r.SetValue(HKLM, std::string(kNetTrans) + "\\0000", "MaxMTU", V::Text("1500"));
    r.CreateKey(HKLM, std::string(kNetTrans) + "\\0001");
    r.SetValue(HKLM, std::string(kNetTrans) + "\\0002", "MaxMTU", V::Dword(576));
    r.SetValue(HKCU, kInternet, "MaxConnectionsPer1_0Server", V::Text("4"));
}

using Contents = std::map<std::string, std::optional<FakeRegistryValue>>;

// The main window's tuning state with the backups hooked in as the program does it.
struct Rig {
    explicit Rig(bool isNT) {
        profile.IsNT = isNT;
        profile.Version = isNT ? WindowsVersion::WinXP : WindowsVersion::Win98SE;
        if (isNT) {
            SeedNt(registry);
        } else {
            Seed9x(registry);
        }
        const auto before = [this](BackupAction action) {
            pending = keeper.Record(action, profile.IsNT, adapters.Items());
        };
        const auto written = [this] { keeper.Completed(pending); };
        run.OnBeforeWrite = before;
        run.OnWritten = written;
        editor.OnBeforeWrite = before;
        editor.OnWritten = written;
        run.OnError = [this](std::exception_ptr error) { errors.push_back(DescribeError(error)); };
        editor.Refresh(*access);  // as the main window's creation does
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // The machine's registry and the user's, without the program's own records.
    Contents Machine() const { return registry.Contents(HKLM); }
    Contents User() const {
        Contents user = registry.Contents(HKCU);
        std::erase_if(user, [](const auto& entry) { return entry.first.starts_with("software\\quillmont"); });
        return user;
    }

    FakeRegistry registry;
    std::unique_ptr<RegistryAccess> access = registry.NewAccess();
    TuningProfile profile;
    AdaptersModel adapters;
    NoWait waiter;
    NoRandom random;
    NoRestart restart;
    TuningRunModel run{profile, adapters, *access, waiter, random, restart};
    AdvancedEditorModel editor{profile, adapters};
    int clock = 0;
    BackupKeeper keeper{*access, {[this] { return 40000.0 + ++clock; }, "Windows XP", "1.0.0.0"}};
    std::uint32_t pending = 0;
    std::vector<std::string> errors;
};

struct Action {
    const char* Name;
    std::function<void(Rig&)> Run;
};
const Action kActions[] = {
    {"Accelerate!",
     [](Rig& rig) {
         rig.run.CheckScenario(ConnectionScenario::rbLAN);
         rig.run.btnAccelerateClick();
     }},
    {"Restore Defaults",
     [](Rig& rig) {
         rig.run.CheckScenario(ConnectionScenario::rbRestore);
         rig.run.btnAccelerateClick();
     }},
    {"Apply",
     [](Rig& rig) {
         rig.editor.SetSACK(true);
         rig.editor.CheckTTLCustom();
         rig.editor.SetHTTPConn(true);
         rig.adapters.Select(1);
         rig.adapters.CheckMtu();
         rig.adapters.ChooseMtuIndex(3);
         rig.editor.Apply(*rig.access);
     }},
};

TEST(BackupTest, UndoGivesBackTheExactEarlierRegistryAndCanItselfBeUndone) {
    for (const bool isNT : {true, false}) {
        for (const Action& action : kActions) {
            SCOPED_TRACE(std::string(isNT ? "NT, " : "9x, ") + action.Name);
            Rig rig(isNT);
            const Contents machine = rig.Machine();
            const Contents user = rig.User();
            EXPECT_FALSE(rig.keeper.HasBackup());

            action.Run(rig);
            ASSERT_TRUE(rig.errors.empty()) << rig.errors.front();
            const Contents changedMachine = rig.Machine();
            const Contents changedUser = rig.User();
            EXPECT_NE(changedMachine, machine);  // else the undo shows nothing
            ASSERT_TRUE(rig.keeper.HasBackup());
            EXPECT_EQ(rig.keeper.History().front().Action, action.Name == std::string("Apply") ? BackupAction::Apply
                                                           : action.Name == std::string("Accelerate!")
                                                               ? BackupAction::Accelerate
                                                               : BackupAction::RestoreDefaults);

            rig.keeper.UndoLast();
            EXPECT_EQ(rig.Machine(), machine);
            EXPECT_EQ(rig.User(), user);

            rig.keeper.UndoLast();  // the undo's own record: back to the change
            EXPECT_EQ(rig.Machine(), changedMachine);
            EXPECT_EQ(rig.User(), changedUser);
            EXPECT_EQ(rig.keeper.History().size(), 3u);
        }
    }
}

TEST(BackupTest, AdaptersThatWentStayGoneAndThoseThatCameAreLeftAlone) {
    Rig rig(true);
    kActions[0].Run(rig);
    const std::string a = std::string(kInterfaces) + "\\{A}";
    const std::string b = std::string(kInterfaces) + "\\{B}";
    const std::string d = std::string(kInterfaces) + "\\{D}";
    ASSERT_EQ(rig.registry.Value(HKLM, b, "MTU"), V::Dword(1500));
    rig.registry.DeleteKey(HKLM, b);
    rig.registry.SetValue(HKLM, d, "MTU", V::Dword(1400));

    rig.keeper.UndoLast();
    EXPECT_EQ(rig.registry.Value(HKLM, a, "MTU"), V::Dword(1500));
    EXPECT_FALSE(rig.registry.KeyExists(HKLM, b));
    EXPECT_EQ(rig.registry.Value(HKLM, d, "MTU"), V::Dword(1400));
}

TEST(BackupTest, ABackupThatCannotBeSavedKeepsEveryActionFromChangingAnything) {
    for (const bool isNT : {true, false}) {
        for (const Action& action : kActions) {
            SCOPED_TRACE(std::string(isNT ? "NT, " : "9x, ") + action.Name);
            Rig rig(isNT);
            rig.registry.FailWritesOf("Backup1");
            const Contents machine = rig.Machine();
            const Contents user = rig.User();
            const TuningProfile profile = rig.profile;

            std::string error;
            try {
                action.Run(rig);
            } catch (const Error& e) {
                error = e.what();  // "Apply" lets it reach the application's handler
            }
            if (!rig.errors.empty()) error = rig.errors.front();
            EXPECT_EQ(error,
                      "The current TCP/IP settings could not be backed up, so nothing was changed.\r\n\r\n"
                      "Failed to set data for 'Backup1'");
            EXPECT_EQ(rig.Machine(), machine);
            EXPECT_EQ(rig.User(), user);
            EXPECT_EQ(rig.profile.DefaultTTL, profile.DefaultTTL);
            EXPECT_FALSE(rig.keeper.HasBackup());
        }
    }
}

TEST(BackupTest, AFailingRestoreStopsWithItsErrorAndTheNextUndoRetriesTheSameRecord) {
    Rig rig(true);
    const Contents machine = rig.Machine();
    kActions[0].Run(rig);
    const std::uint32_t accelerated = rig.keeper.History().front().Id;

    rig.registry.FailWritesOf("DefaultTTL");
    try {
        rig.keeper.UndoLast();
        ADD_FAILURE() << "the undo reported success";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'DefaultTTL'");
    }
    ASSERT_EQ(rig.keeper.History().size(), 1u);
    EXPECT_EQ(rig.keeper.History().front().Id, accelerated);

    rig.registry.AllowWritesOf("DefaultTTL");
    rig.keeper.UndoLast();
    EXPECT_EQ(rig.Machine(), machine);
}

TEST(BackupTest, KeepsTheNewestTwentyRecords) {
    Rig rig(true);
    for (int i = 0; i < 25; ++i) rig.keeper.Record(BackupAction::Apply, true, rig.adapters.Items());
    const std::vector<BackupRecord> history = rig.keeper.History();
    ASSERT_EQ(history.size(), kBackupLimit);
    EXPECT_EQ(history.front().Id, 25u);
    EXPECT_EQ(history.back().Id, 6u);
    EXPECT_EQ(rig.registry.ValueNames(HKCU, "Software\\Quillmont\\Tarvex\\Backups").size(), kBackupLimit + 1);
    EXPECT_LT(history.front().Time, 40000.0 + 26) << "each record has its own time";
    EXPECT_GT(history.front().Time, history.back().Time);
}

TEST(BackupTest, HistoryListsWhatEachChangeAlteredAndSkipsDamagedRecords) {
    Rig rig(true);
    kActions[0].Run(rig);
    const BackupRecord record = rig.keeper.History().front();
    EXPECT_EQ(record.WindowsRelease, "Windows XP");
    EXPECT_EQ(record.ProgramVersion, "1.0.0.0");
    const std::vector<ValueChange> changes = RecordChanges(record);
    const auto has = [&](const ValueChange& change) {
        return std::find(changes.begin(), changes.end(), change) != changes.end();
    };
    EXPECT_TRUE(has({"Parameters\\DefaultTTL", "\"99\"", "128"}));
    EXPECT_TRUE(has({"{B}\\MTU", "(not set)", "1500"}));
    EXPECT_TRUE(has({"Parameters\\Tcp1323Opts", "REG_BINARY: 01 02 03", "3"}));
    for (const ValueChange& change : changes) EXPECT_NE(change.Value, "{C}\\MTU") << "not written, not listed";

    rig.registry.SetValue(HKCU, "Software\\Quillmont\\Tarvex\\Backups", "Backup1", V::Binary("TVB1 broken"));
    EXPECT_FALSE(rig.keeper.HasBackup());
    EXPECT_THROW(rig.keeper.UndoLast(), Error);
}

TEST(BackupTest, RecordsSurviveTheirBytesAndNoCutOfThemReadsAsARecord) {
    Rig rig(false);
    kActions[2].Run(rig);
    const BackupRecord record = rig.keeper.History().front();
    ASSERT_TRUE(record.After.has_value());
    const std::string bytes = EncodeBackupRecord(record);
    EXPECT_EQ(DecodeBackupRecord(bytes), record);
    for (std::size_t size = 0; size < bytes.size(); ++size)
        EXPECT_EQ(DecodeBackupRecord(bytes.substr(0, size)), std::nullopt) << size;
    EXPECT_EQ(DecodeBackupRecord(bytes + "x"), std::nullopt);
}

TEST(BackupTest, OnlyTheFamilysValuesAndAdapterMtusAreManaged) {
    struct Case {
        bool isNT;
        RegistryRoot root;
        const char* path;
        const char* name;
        bool managed;
    };
    const Case cases[] = {
        {true, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", "DefaultTTL", true},
        {true, HKLM, "system\\currentcontrolset\\services\\tcpip\\parameters", "defaultttl", true},
        {true, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", "Hostname", false},
        {true, HKCU, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", "DefaultTTL", false},
        {true, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP", "DefaultTTL", false},
        {true, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}", "MTU", true},
        {true, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}\\x", "MTU", false},
        {true, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\", "MTU", false},
        {true, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}", "IPAddress", false},
        {true, HKCU, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "MaxConnectionsPerServer",
         true},
        {true, HKCU, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "ProxyServer", false},
        {false, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP\\Parameters", "GlobalMaxTcpWindoSize", true},
        {false, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP", "PMTUDiscovery", true},
        {false, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP", "EnablePMTUDiscovery", false},
        {false, HKLM, "\\System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000", "MaxMTU", true},
        {false, HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", "DefaultTTL", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindManagedValue(c.isNT, c.root, c.path, c.name).has_value(), c.managed)
            << (c.isNT ? "NT " : "9x ") << c.path << " " << c.name;
    }
}

TEST(BackupTest, DescribesValuesAsTheHistoryShowsThem) {
    const auto utf16 = [](std::string_view ascii) {
        std::string bytes;
        for (const char c : ascii) bytes += {c, '\0'};
        return bytes + std::string(2, '\0');
    };
    const std::pair<std::optional<RawRegistryValue>, std::string> cases[] = {
        {std::nullopt, "(not set)"},
        {RawRegistryValue{kRegDword, std::string("\xFF\xFF\xFF\xFF", 4)}, "4294967295"},
        {RawRegistryValue{kRegSz, utf16("64")}, "\"64\""},
        {RawRegistryValue{kRegExpandSz, utf16("%X%")}, "\"%X%\""},
        {RawRegistryValue{kRegSz, "A"}, "REG_SZ: 41"},
        {RawRegistryValue{kRegDword, "12"}, "REG_DWORD: 31 32"},
        {RawRegistryValue{99, std::string(17, '\0')}, "type 99: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ..."},
    };
    for (const auto& [value, shown] : cases) EXPECT_EQ(DescribeValue(value), shown);
}

}  // namespace
}  // namespace tarvex
