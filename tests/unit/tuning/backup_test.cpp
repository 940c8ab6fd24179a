// Backups against the in-memory registry: every change through the program's own paths
// ("Accelerate!", "Restore Defaults", "Apply"), then an undo, must give back the registry as it
// was, odd values and all; and a backup that cannot be saved must keep the change from running.
#include "tuning/backup.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "support/fake_registry.h"
#include "support/latin1_code_page.h"
#include "common/utf16_text.h"
#include "tuning/reg_file.h"
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

void RemoveValue(Rig& rig, const std::string& key, const std::string& name) {
    rig.access->SetRootKey(HKCU);
    ASSERT_TRUE(rig.access->OpenKey("\\" + key, false));
    rig.access->DeleteValue(name);
    rig.access->CloseKey();
}

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

TEST(BackupTest, AFailingRestoreNamesTheKeyWritesTheRestAndTheNextUndoFinishesIt) {
    Rig rig(true);
    const Contents machine = rig.Machine();
    kActions[0].Run(rig);
    const std::string b = std::string(kInterfaces) + "\\{B}";
    ASSERT_EQ(rig.registry.Value(HKLM, b, "MTU"), V::Dword(1500));  // to be removed again

    rig.registry.DenyWritesIn(HKLM, b);
    rig.registry.FailWritesOf("DefaultTTL");
    try {
        rig.keeper.UndoLast();
        ADD_FAILURE() << "the undo reported success";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Failed to set data for 'DefaultTTL' in "
                  "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\r\n"
                  "Failed to set data for 'MTU' in "
                  "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{B}"
                  "\r\n\r\nThe other values were given back. \"Undo last change\" tries again to give back the rest.");
    }
    // Everything else is back.
    Contents expected = machine;
    expected["system\\currentcontrolset\\services\\tcpip\\parameters\\defaultttl"] = V::Dword(128);
    expected["system\\currentcontrolset\\services\\tcpip\\parameters\\interfaces\\{b}\\mtu"] = V::Dword(1500);
    EXPECT_EQ(rig.Machine(), expected);
    ASSERT_EQ(rig.keeper.History().size(), 2u);
    EXPECT_EQ(rig.keeper.History().front().Action, BackupAction::Undo);

    // The next undo finishes this one, in its own record.
    rig.registry.AllowWritesIn(HKLM, b);
    rig.registry.AllowWritesOf("DefaultTTL");
    rig.keeper.UndoLast();
    EXPECT_EQ(rig.Machine(), machine);
    const std::vector<BackupRecord> history = rig.keeper.History();
    ASSERT_EQ(history.size(), 2u);
    ASSERT_TRUE(history.front().After.has_value());
    EXPECT_EQ(TakeSnapshot(*rig.access,
                           [&] {
                               std::vector<ManagedValue> where;
                               for (const SavedValue& saved : history.front().Before) where.push_back(saved.Where);
                               return where;
                           }()),
              *history.front().After);
}

// A value that a change did not touch is not written back: a key that refuses writes but holds
// what the record holds stands in no undo's way.
TEST(BackupTest, UndoWritesOnlyWhatDiffersFromWhatIsStored) {
    Rig rig(true);
    const Contents machine = rig.Machine();
    kActions[0].Run(rig);
    rig.registry.DenyWritesIn(HKLM, std::string(kInterfaces) + "\\{C}");
    std::vector<std::string> written;
    rig.registry.OnWrite = [&](RegistryRoot root, const std::string& path, std::string_view name) {
        if (root == HKLM) written.push_back(path + "\\" + std::string(name));
    };
    rig.keeper.UndoLast();
    EXPECT_EQ(rig.Machine(), machine);
    for (const std::string& value : written) EXPECT_EQ(value.find("{A}"), std::string::npos) << "unchanged: " << value;
}

// The program ended in the middle of an undo (after its record, before or among its writes):
// the next "Undo last change" finishes that undo instead of undoing it.
TEST(BackupTest, AnUndoCutShortIsFinishedByTheNextUndo) {
    struct Killed {};
    for (const int writesBeforeKill : {0, 3}) {
        SCOPED_TRACE(writesBeforeKill);
        Rig rig(true);
        const Contents machine = rig.Machine();
        kActions[0].Run(rig);
        int writes = 0;
        rig.registry.OnWrite = [&](RegistryRoot root, const std::string&, std::string_view) {
            if (root == HKLM && writes++ == writesBeforeKill) throw Killed{};
        };
        EXPECT_THROW(rig.keeper.UndoLast(), Killed);
        rig.registry.OnWrite = nullptr;

        // A new start of the program.
        BackupKeeper keeper(*rig.access, {[] { return 50000.0; }, "Windows XP", "1.0.0.0"});
        ASSERT_EQ(keeper.History().size(), 2u);
        keeper.UndoLast();
        EXPECT_EQ(rig.Machine(), machine);
        EXPECT_EQ(keeper.History().size(), 2u);
        keeper.UndoLast();  // and that undo, finished, can be undone like any
        EXPECT_NE(rig.Machine(), machine);
    }
}

// A write that fails ends the run with a message naming the value and its key, listing exactly
// the values changed before it, and pointing to the undo, which gives them back.
TEST(BackupTest, AFailingWriteTellsWhatItChangedAndTheUndoGivesItBack) {
    struct Case {
        const char* what;
        std::function<void(FakeRegistry&)> fail;
        std::string failed;  // the key and the value's name, as the message names them
    };
    const Case cases[] = {
        {"the first key", [](FakeRegistry& r) { r.DenyWritesIn(HKLM, kNt); },
         "the value \"DefaultTTL\" of HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters"},
        // {A} holds the preset's MTU already, so {B} is the first adapter written.
        {"an adapter after the values", [](FakeRegistry& r) { r.FailWritesOf("MTU"); },
         "the value \"MTU\" of HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\"
         "Interfaces\\{B}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig(true);
        const Contents machine = rig.Machine();
        const Contents user = rig.User();
        c.fail(rig.registry);
        kActions[0].Run(rig);
        ASSERT_EQ(rig.errors.size(), 1u);
        const std::string& message = rig.errors.front();
        EXPECT_TRUE(message.starts_with("Tarvex could not write " + c.failed + ", so it stopped there.\r\n\r\n"))
            << message;
        EXPECT_NE(message.find("\r\n\r\n\"Undo last change\" in the Accelerate menu gives back the settings as they "
                               "were before.\r\n\r\nWindows' answer: Failed to set data for '"),
                  std::string::npos)
            << message;

        // The values listed are those that differ now, by key and name.
        std::set<std::string> listed;
        for (std::size_t at = message.find("\r\n    "); at != std::string::npos;
             at = message.find("\r\n    ", at + 1)) {
            const std::size_t end = message.find("\r\n", at + 6);
            std::string line = message.substr(at + 6, end - at - 6);
            std::transform(line.begin(), line.end(), line.begin(),
                           [](char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; });
            listed.insert(line);
        }
        std::set<std::string> changed;
        for (const auto& [root, before, after] : {std::tuple{"hkey_local_machine\\", machine, rig.Machine()},
                                                  std::tuple{"hkey_current_user\\", user, rig.User()}})
            for (const Contents* side : {&before, &after})
                for (const auto& [name, value] : *side) {
                    const auto was = before.find(name);
                    const auto is = after.find(name);
                    if ((was == before.end() ? std::nullopt : was->second) !=
                        (is == after.end() ? std::nullopt : is->second))
                        changed.insert(root + name);
                }
        EXPECT_EQ(listed, changed);
        EXPECT_EQ(message.find("Your settings are unchanged") != std::string::npos, changed.empty());

        rig.registry.AllowWritesOf("MTU");
        rig.registry.AllowWritesIn(HKLM, kNt);
        rig.keeper.UndoLast();
        EXPECT_EQ(rig.Machine(), machine);
        EXPECT_EQ(rig.User(), user);
    }
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

// Whatever "Newest" holds, and whatever ids the records have, a new record joins them: none is
// overwritten or left out of the history, and the undo takes the new one.
TEST(BackupTest, ANewRecordNeverHidesOrOverwritesOthers) {
    const std::string key = "Software\\Quillmont\\Tarvex\\Backups";
    struct Case {
        const char* what;
        std::optional<V> newest;
        bool newestKept;                 // when there is no other
        std::vector<std::uint32_t> ids;  // the three records' ids
    };
    const Case cases[] = {
        {"as written", std::nullopt, true, {1, 2, 3}},
        {"Newest at the end of the ids", V::Dword(0xFFFFFFFF), false, {1, 2, 3}},
        {"Newest as text", V::Text("3"), false, {1, 2, 3}},
        {"Newest as binary", V::Binary(std::string("\3\0\0\0", 4)), false, {1, 2, 3}},
        {"Newest behind the records", V::Dword(1), false, {1, 2, 3}},
        {"Newest gone", std::nullopt, false, {1, 2, 3}},
        {"records at the end of the ids", V::Dword(0xFFFFFFFF), false, {7, 0xFFFFFFFE, 0xFFFFFFFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig(true);
        for (int i = 0; i < 3; ++i) rig.keeper.Record(BackupAction::Apply, true, rig.adapters.Items());
        std::vector<std::string> kept;
        for (std::uint32_t id = 1; id <= 3; ++id) {
            auto record = *DecodeBackupRecord(rig.registry.Value(HKCU, key, "Backup" + std::to_string(id))->Data);
            RemoveValue(rig, key, "Backup" + std::to_string(id));
            record.Id = c.ids[id - 1];
            kept.push_back(EncodeBackupRecord(record));
            rig.registry.SetValue(HKCU, key, "Backup" + std::to_string(record.Id), V::Binary(kept.back()));
        }
        if (c.newest) {
            rig.registry.SetValue(HKCU, key, "Newest", *c.newest);
        } else if (!c.newestKept) {
            RemoveValue(rig, key, "Newest");
        }
        const Contents machine = rig.Machine();

        kActions[0].Run(rig);
        const std::vector<BackupRecord> history = rig.keeper.History();
        ASSERT_EQ(history.size(), 4u);
        EXPECT_EQ(history[0].Action, BackupAction::Accelerate);
        for (std::size_t i = 1; i < 4; ++i) {
            EXPECT_EQ(history[i].Action, BackupAction::Apply);
            EXPECT_LT(history[i].Id, history[i - 1].Id);
            EXPECT_LT(history[i].Time, history[i - 1].Time);
        }
        rig.keeper.UndoLast();
        EXPECT_EQ(rig.Machine(), machine);
        EXPECT_EQ(rig.keeper.History().size(), 5u);
    }
}

// A newest record that does not read leaves the undo saying so; it never undoes an earlier change.
TEST(BackupTest, ADamagedNewestRecordIsNotPassedOverByTheUndo) {
    const std::string key = "Software\\Quillmont\\Tarvex\\Backups";
    for (const bool truncated : {true, false}) {
        SCOPED_TRACE(truncated ? "truncated" : "another type");
        Rig rig(true);
        kActions[0].Run(rig);
        kActions[2].Run(rig);
        const Contents applied = rig.Machine();
        const std::string bytes = rig.registry.Value(HKCU, key, "Backup2")->Data;
        rig.registry.SetValue(HKCU, key, "Backup2",
                              truncated ? V::Binary(bytes.substr(0, bytes.size() / 2)) : V::Binary(bytes, kRegNone));
        try {
            rig.keeper.UndoLast();
            ADD_FAILURE() << "undone";
        } catch (const Error& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with(
                "The backup of the last change is damaged, so Tarvex cannot undo that change. Nothing was changed."))
                << e.what();
        }
        EXPECT_EQ(rig.Machine(), applied);
        EXPECT_EQ(rig.keeper.History().size(), 1u);  // the earlier one stays restorable
    }
}

// A record is the user's to write, the restore is the program's: a record that names any value
// but those the tuning writes is refused whole, and nothing of it is written.
TEST(BackupTest, ARecordNamingAnyOtherValueIsRefusedWhole) {
    const std::string key = "Software\\Quillmont\\Tarvex\\Backups";
    const ManagedValue planted[] = {
        {HKLM, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Planted", true},
        {HKCU, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Planted", true},
        {HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}\\Deeper", "MTU", true},
        {HKLM, std::string("\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\\0", 64), "MTU",
         false},
        {HKLM, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", "Planted", true},
        {HKCU, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", "DefaultTTL", true},
    };
    for (const ManagedValue& where : planted) {
        SCOPED_TRACE(where.Path + "\\" + where.Name);
        Rig rig(true);
        kActions[0].Run(rig);
        const Contents machine = rig.Machine();
        const Contents user = rig.User();
        auto record = DecodeBackupRecord(rig.registry.Value(HKCU, key, "Backup1")->Data);
        ASSERT_TRUE(record);
        record->Before.push_back({where, RawRegistryValue{kRegSz, std::string("x\0\0\0", 4)}});
        rig.registry.SetValue(HKCU, key, "Backup1", V::Binary(EncodeBackupRecord(*record)));
        EXPECT_FALSE(DecodeBackupRecord(EncodeBackupRecord(*record)));

        EXPECT_THROW(rig.keeper.UndoLast(), Error);
        EXPECT_EQ(rig.Machine(), machine);
        EXPECT_EQ(rig.User(), user);
    }
}

// The record is on disk before the first value it guards is written.
TEST(BackupTest, TheRecordIsFlushedBeforeTheFirstWrite) {
    for (const Action& action : kActions) {
        SCOPED_TRACE(action.Name);
        Rig rig(true);
        int machineWrites = 0;
        rig.registry.OnWrite = [&](RegistryRoot root, const std::string&, std::string_view) {
            if (root != HKLM || machineWrites++ > 0) return;
            EXPECT_TRUE(rig.registry.Value(HKCU, "Software\\Quillmont\\Tarvex\\Backups", "Backup1").has_value());
            EXPECT_FALSE(rig.registry.Unflushed(HKCU, "Software\\Quillmont\\Tarvex\\Backups"));
        };
        action.Run(rig);
        EXPECT_GT(machineWrites, 0);
    }
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

// --- registry files --------------------------------------------------------------------

std::string Utf16File(std::string_view text) {
    return "\xFF\xFE" + Utf8ToUtf16Le(text);
}

// Imports a file's bytes the way the program does: read, check, then write with a record.
void ImportFile(Rig& rig, std::string_view bytes) {
    testing::Latin1CodePage ansi;
    rig.keeper.Import(ManagedImport(ParseRegFile(bytes, ansi), rig.profile.IsNT), rig.profile.IsNT);
}

TEST(RegFileTest, ExportedValuesImportBackExactlyAndTheImportCanBeUndone) {
    for (const bool isNT : {true, false}) {
        SCOPED_TRACE(isNT ? "NT" : "9x");
        Rig rig(isNT);
        const Contents machine = rig.Machine();
        const Contents user = rig.User();
        const std::string file =
            ExportRegFile(TakeSnapshot(*rig.access, ManagedValues(*rig.access, isNT, rig.adapters.Items())));
        kActions[0].Run(rig);
        const Contents accelerated = rig.Machine();
        ASSERT_NE(accelerated, machine);

        ImportFile(rig, file);
        EXPECT_EQ(rig.Machine(), machine);
        EXPECT_EQ(rig.User(), user);
        EXPECT_EQ(rig.keeper.History().front().Action, BackupAction::Import);
        rig.keeper.UndoLast();
        EXPECT_EQ(rig.Machine(), accelerated);
    }
}

// An import that fails part-way keeps its record: the part written can be undone.
TEST(RegFileTest, AnImportThatFailsPartWayCanBeUndone) {
    Rig rig(true);
    const Contents machine = rig.Machine();
    const std::string file = Utf16File(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters]\r\n"
        "\"DefaultTTL\"=dword:00000040\r\n\"SackOpts\"=dword:00000001\r\n");
    rig.registry.FailWritesOf("SackOpts");
    EXPECT_THROW(ImportFile(rig, file), Error);
    ASSERT_EQ(rig.registry.Value(HKLM, kNt, "DefaultTTL"), V::Dword(64));
    ASSERT_EQ(rig.keeper.History().front().Action, BackupAction::Import);

    rig.registry.AllowWritesOf("SackOpts");
    rig.keeper.UndoLast();
    EXPECT_EQ(rig.Machine(), machine);
}

// An import writes and records only what it changes; a file that changes nothing says so and
// leaves no record (nor a restart to offer).
TEST(RegFileTest, AnImportRecordsOnlyWhatItChangesAndRefusesAFileThatChangesNothing) {
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string nt = "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters]\r\n";
    std::string missingAdapters;
    for (int i = 0; i < 200; ++i)
        missingAdapters +=
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{X" +
            std::to_string(i) + "}]\r\n\"MTU\"=dword:000005dc\r\n";
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> recorded;  // empty: nothing to import
    };
    const Case cases[] = {
        {"adapters this computer does not have", missingAdapters, {}},
        {"the values in force", nt + "\"TcpWindowSize\"=dword:00004470\r\n\"GlobalMaxTcpWindowSize\"=-\r\n", {}},
        {"one change among them",
         nt + "\"TcpWindowSize\"=dword:00004470\r\n\"DefaultTTL\"=dword:00000040\r\n" + missingAdapters,
         {"DefaultTTL"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig(true);
        const Contents machine = rig.Machine();
        try {
            ImportFile(rig, Utf16File(header + c.text));
            EXPECT_FALSE(c.recorded.empty()) << "imported";
        } catch (const Error& e) {
            EXPECT_TRUE(c.recorded.empty()) << e.what();
            EXPECT_EQ(std::string(e.what()),
                      "There is nothing to import: the file's values are those in force already, or belong to network "
                      "adapters this computer does not have. Nothing was changed.");
        }
        if (c.recorded.empty()) {
            EXPECT_EQ(rig.Machine(), machine);
            EXPECT_FALSE(rig.keeper.HasBackup());
            continue;
        }
        ASSERT_TRUE(rig.keeper.HasBackup());
        std::vector<std::string> recorded;
        const BackupRecord record = rig.keeper.History().front();
        for (const SavedValue& saved : record.Before) recorded.push_back(saved.Where.Name);
        EXPECT_EQ(recorded, c.recorded);
        rig.keeper.UndoLast();
        EXPECT_EQ(rig.Machine(), machine);
    }
}

TEST(RegFileTest, ExportIsTheRegistryEditorsUnicodeForm) {
    Rig rig(true);
    const std::string bytes =
        ExportRegFile(TakeSnapshot(*rig.access, ManagedValues(*rig.access, true, rig.adapters.Items())));
    ASSERT_TRUE(bytes.starts_with("\xFF\xFE"));
    const std::string text = Utf16LeToUtf8(bytes.substr(2)).value_or("");
    EXPECT_TRUE(
        text.starts_with("Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters]\r\n"
                         "\"DefaultTTL\"=\"99\"\r\n"
                         "\"GlobalMaxTcpWindowSize\"=-\r\n"
                         "\"TcpWindowSize\"=dword:00004470\r\n"
                         "\"KeepAliveTime\"=hex(2):25,00,4b,00,45,00,45,00,50,00,25,00,00,00\r\n"))
        << text;
    for (const char* line : {
             "\"SackOpts\"=hex(b):01,01,01,01,01,01,01,01\r\n",
             "\"Tcp1323Opts\"=hex:01,02,03\r\n",
             "\"EnablePMTUDiscovery\"=hex(1):41,00,42\r\n",
             "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{C}]\r\n"
             "\"MTU\"=\"1400\"\r\n",  // text where the family keeps a number: kept as text
             "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"
             "\"MaxConnectionsPer1_0Server\"=-\r\n\"MaxConnectionsPerServer\"=dword:ffffffff\r\n",
         })
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_TRUE(text.ends_with("\r\n\r\n"));
}

TEST(RegFileTest, ReadsTheAnsiFormAndTheRegistryEditorsLineWrapping) {
    Rig rig(false);
    const std::string file =
        "REGEDIT4\r\n\r\n; written by hand\r\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP]\r\n"
        "\"DefaultTTL\"=\"32\"\r\n"  // the later line wins
        "\"DefaultTTL\"=\"64\"\r\n"
        "\"KeepAliveTime\"=hex(2):25,\\\r\n  e9,25,00\r\n"  // ANSI bytes, with an e-acute
        "\"PMTUDiscovery\"=-\r\n"
        "\"BSDUrgent\" = dword:1\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\NetTrans\\0001]\r\n"
        "\"MaxMTU\"=\"1492\"\r\n";
    ImportFile(rig, file);
    const std::string k = std::string(k9x);
    EXPECT_EQ(rig.registry.Value(HKLM, k, "DefaultTTL"), V::Text("64"));
    EXPECT_EQ(rig.registry.Value(HKLM, k, "KeepAliveTime"), V::Text("%\xC3\xA9%", kRegExpandSz));
    EXPECT_EQ(rig.registry.Value(HKLM, k, "PMTUDiscovery"), std::nullopt);
    EXPECT_EQ(rig.registry.Value(HKLM, k, "BSDUrgent"), V::Dword(1));
    EXPECT_EQ(rig.registry.Value(HKLM, std::string(kNetTrans) + "\\0001", "MaxMTU"), V::Text("1492"));
    EXPECT_EQ(rig.registry.Value(HKLM, k, "Other"), V::Text("kept"));
}

TEST(RegFileTest, RefusesHostileFilesWithAMessageNamingWhatIsWrongAndChangesNothing) {
    const std::string nt = "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters]\r\n";
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    std::string hugeHex = "\"DefaultTTL\"=hex:00";
    for (std::size_t i = 0; i < kMaxRegValueBytes; ++i) hugeHex += ",00";
    struct Case {
        const char* what;
        std::string bytes;
        std::string error;
    };
    const std::string refused = ", which Tarvex does not manage. Nothing was imported.";
    const Case cases[] = {
        {"another key",
         Utf16File(header + nt +
                   "\"DefaultTTL\"=dword:40\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Run]\r\n\"x\"=\"evil\"\r\n"),
         "The file changes HKEY_LOCAL_MACHINE\\SOFTWARE\\Run" + refused},
        {"another value in a managed key", Utf16File(header + nt + "\"Hostname\"=\"evil\"\r\n"),
         "The file changes HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Hostname" +
             refused},
        {"the key's default value", Utf16File(header + nt + "@=\"x\"\r\n"),
         "The file changes HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\@" + refused},
        {"another root",
         Utf16File(header +
                   "[HKEY_USERS\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"),
         "The file changes HKEY_USERS\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings" +
             refused},
        {"the other family's key",
         Utf16File(header + "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP]\r\n"),
         "The file changes HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP" + refused},
        {"below an adapter",
         Utf16File(header + "[HKLM\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}\\x]\r\n"),
         "The file changes HKLM\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}\\x" + refused},
        {"a key removed",
         Utf16File(header + "[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters]\r\n"),
         "Line 3 of the file: the file removes the key "
         "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters."},
        {"a huge value", Utf16File(header + nt + hugeHex + "\r\n"), "Line 4 of the file: the value is too large."},
        {"a huge file", std::string(kMaxRegFileBytes + 1, 'x'), "The file is too large to hold TCP/IP settings."},
        {"an unclosed text", Utf16File(header + nt + "\"DefaultTTL\"=\"64\r\n"),
         "Line 4 of the file: a text value is not closed by its quote."},
        {"a bad dword", Utf16File(header + nt + "\"DefaultTTL\"=dword:1x\r\n"),
         "Line 4 of the file: a dword value needs one to eight hexadecimal digits."},
        {"a long dword", Utf16File(header + nt + "\"DefaultTTL\"=dword:123456789\r\n"),
         "Line 4 of the file: a dword value needs one to eight hexadecimal digits."},
        {"bad hex", Utf16File(header + nt + "\"DefaultTTL\"=hex:0g\r\n"),
         "Line 4 of the file: a hex value holds something other than bytes in hexadecimal."},
        {"an unknown form", Utf16File(header + nt + "\"DefaultTTL\"=qword:1\r\n"),
         "Line 4 of the file: the value's data is not in a form a registry file has."},
        {"a value before any key", Utf16File(header + "\"DefaultTTL\"=dword:1\r\n"),
         "Line 3 of the file: a value comes before any key."},
        {"an unclosed key", Utf16File(header + "[HKEY_LOCAL_MACHINE\\SYSTEM\r\n"),
         "Line 3 of the file: a key's name is not closed by ']'."},
        {"a name without quotes", Utf16File(header + nt + "DefaultTTL=dword:1\r\n"),
         "Line 4 of the file: a value's name must be \"quoted\" or @."},
        {"the ANSI header in UTF-16", Utf16File("REGEDIT4\r\n" + nt),
         "The file is not a registry file: it does not start with \"Windows Registry Editor Version 5.00\"."},
        {"the Unicode header in ANSI", header + nt,
         "The file is not a registry file: it does not start with \"REGEDIT4\"."},
        {"UTF-8 with its mark",
         "\xEF\xBB\xBF"
         "REGEDIT4\r\n",
         "The file is not a registry file: it does not start with \"REGEDIT4\"."},
        {"damaged UTF-16", Utf16File(header) + "x", "The file is not a registry file: its UTF-16 text is damaged."},
        {"nothing", "", "The file is not a registry file: it does not start with \"REGEDIT4\"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig(true);
        const Contents machine = rig.Machine();
        try {
            ImportFile(rig, c.bytes);
            ADD_FAILURE() << "imported";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
        EXPECT_EQ(rig.Machine(), machine);
        EXPECT_FALSE(rig.keeper.HasBackup());
    }
}

}  // namespace
}  // namespace tarvex
