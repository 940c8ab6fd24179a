// The program's settings in an in-memory registry: the first run, a save read back, every way
// a load or a save stops, the password's stored forms, the window's way back onto a monitor
// and the time of the last scheduled update check.
#include "app/settings_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/password_scramble.h"
#include "support/fake_registry.h"
#include "support/latin1_code_page.h"

namespace tarvex {

void PrintTo(const WindowBounds& b, std::ostream* out) {
    *out << "{" << b.Left << ", " << b.Top << ", " << b.Width << ", " << b.Height << "}";
}

namespace {

using testing::FakeRegistry;
using testing::FakeRegistryValue;
using testing::Latin1CodePage;

constexpr auto HKCU = RegistryRoot::CurrentUser;
const char* const kSettings = "Software\\Quillmont\\Tarvex\\Settings";
const char* const kPosition = "Software\\Quillmont\\Tarvex\\Settings\\Window Position";
const char* const kGeneral = "Software\\Quillmont\\Tarvex\\Settings\\General";
const char* const kAdapters = "Software\\Quillmont\\Tarvex\\Settings\\Adapters";
const char* const kUpdate = "Software\\Quillmont\\Tarvex\\Settings\\Update";

constexpr double kNow = 46000.25;        // 9 December 2025, 06:00
constexpr double kLastCheck = 45990.75;  // ten days earlier, 18:00

FakeRegistryValue Dword(std::int32_t value) {
    return FakeRegistryValue::Dword(static_cast<std::uint32_t>(value));
}
FakeRegistryValue Text(const std::string& text) {
    return FakeRegistryValue::Text(text);
}
FakeRegistryValue Date(double when) {
    std::string bytes(8, '\0');
    std::memcpy(bytes.data(), &when, 8);
    return FakeRegistryValue::Binary(bytes);
}

std::string Message(const std::optional<Error>& failure) {
    return failure ? failure->what() : "(no error)";
}

// Every value away from its default.
ProgramSettings Stored() {
    ProgramSettings s;
    s.Window = {120, 80, 700, 500};
    s.Options = {.LoadAtWinStart = true,
                 .StartInTray = true,
                 .MinimizeToTray = false,  // unchecked after "Start Tarvex in System Tray"
                 .CheckForUpdates = true,
                 .UpdateInterval = 3};
    s.SelectedAdapter = 2;
    s.ProxyServer = "proxy.example:8080";
    s.ProxyUserName = "J\xC3\xBCrgen";  // "Jürgen"
    s.ProxyPassword = "pw!x";           // its third byte scrambles to 0
    return s;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    SettingsStoreTest() {
        context_.LayoutBounds = {10, 20, 640, 480};
        context_.ScreenWidth = 1024;
        context_.ScreenHeight = 768;
        context_.WorkAreas = {{0, 0, 1024, 738}};
        context_.AdapterCount = 3;
        context_.Now = kNow;
    }

    LoadedSettings Load() {
        auto access = registry_.NewAccess();
        return LoadSettings(*access, codePage_, context_);
    }
    // The message of the error the save threw, or "(no error)". By default the save follows a
    // load that read every value.
    std::string Save(const ProgramSettings& settings, std::vector<bool>* autostart = nullptr,
                     const LoadedSettings& loaded = {}) {
        auto access = registry_.NewAccess();
        try {
            SaveSettings(*access, codePage_, settings, loaded, [&](bool on) {
                if (autostart) autostart->push_back(on);
            });
        } catch (const Error& e) {
            return e.what();
        }
        return "(no error)";
    }
    // Stored() written by the program, with the time of a scheduled check.
    void SeedStored() {
        ASSERT_EQ(Save(Stored()), "(no error)");
        registry_.SetValue(HKCU, kUpdate, "CheckForUpdatesDate", Date(kLastCheck));
    }
    std::optional<FakeRegistryValue> Value(const char* key, const char* name) const {
        return registry_.Value(HKCU, key, name);
    }

    FakeRegistry registry_;
    Latin1CodePage codePage_;
    SettingsLoadContext context_;
};

TEST_F(SettingsStoreTest, FirstRunCentresTheWindowAndKeepsEveryDefault) {
    const LoadedSettings loaded = Load();
    EXPECT_EQ(Message(loaded.Failure), "(no error)");
    EXPECT_EQ(loaded.Settings.Window, (WindowBounds{192, 144, 640, 480}));
    EXPECT_EQ(loaded.Settings.Options, ProgramOptions{});
    EXPECT_FALSE(loaded.Settings.Options.LoadAtWinStart || loaded.Settings.Options.StartInTray ||
                 loaded.Settings.Options.MinimizeToTray);
    EXPECT_TRUE(loaded.Settings.Options.CheckForUpdates);
    EXPECT_EQ(loaded.Settings.Options.UpdateInterval, 1);
    EXPECT_EQ(loaded.Settings.SelectedAdapter, 0);
    EXPECT_EQ(loaded.Settings.ProxyServer, "");
    EXPECT_EQ(loaded.Settings.ProxyUserName, "");
    EXPECT_EQ(loaded.Settings.ProxyPassword, "");
    EXPECT_FALSE(loaded.StartMinimized);
    EXPECT_FALSE(loaded.ScheduledCheckPending);          // no "Update" key, no check
    EXPECT_FALSE(registry_.KeyExists(HKCU, kSettings));  // loading creates nothing
}

TEST_F(SettingsStoreTest, CentringTruncatesAndStopsAtTheScreenEdge) {
    EXPECT_EQ(CentreOnScreen({5, 5, 641, 481}, 1024, 768), (WindowBounds{191, 143, 641, 481}));
    EXPECT_EQ(CentreOnScreen({5, 5, 1100, 900}, 1024, 768), (WindowBounds{0, 0, 1100, 900}));
    EXPECT_EQ(CentreOnScreen({5, 5, 1025, 769}, 1024, 768), (WindowBounds{0, 0, 1025, 769}));  // -1 div 2 is 0
}

TEST_F(SettingsStoreTest, SavedSettingsLoadBackWithTheirTypes) {
    std::vector<bool> autostart;
    ASSERT_EQ(Save(Stored(), &autostart), "(no error)");
    EXPECT_EQ(autostart, std::vector<bool>{true});

    EXPECT_EQ(Value(kPosition, "TarvexMainForm_Left"), Dword(120));
    EXPECT_EQ(Value(kPosition, "TarvexMainForm_Top"), Dword(80));
    EXPECT_EQ(Value(kPosition, "TarvexMainForm_Width"), Dword(700));
    EXPECT_EQ(Value(kPosition, "TarvexMainForm_Height"), Dword(500));
    EXPECT_EQ(Value(kGeneral, "LoadAtWinStart"), Dword(1));
    EXPECT_EQ(Value(kGeneral, "StartInTray"), Dword(1));
    EXPECT_EQ(Value(kGeneral, "MinimizeToTray"), Dword(0));
    EXPECT_EQ(Value(kAdapters, "SelectedAdapter"), Dword(2));
    EXPECT_EQ(Value(kUpdate, "ProxyServer"), Text("proxy.example:8080"));
    EXPECT_EQ(Value(kUpdate, "ProxyUserName"), Text("J\xC3\xBCrgen"));
    EXPECT_EQ(Value(kUpdate, "ProxyPassword"), FakeRegistryValue::Binary(std::string("\xD3\x73\x00\xF0", 4)));
    EXPECT_EQ(Value(kUpdate, "CheckForUpdates"), Dword(1));
    EXPECT_EQ(Value(kUpdate, "CheckForUpdatesInterval"), Dword(3));
    EXPECT_EQ(Value(kUpdate, "CheckForUpdatesDate"), std::nullopt);  // only a scheduled check writes it

    registry_.SetValue(HKCU, kUpdate, "CheckForUpdatesDate", Date(kLastCheck));
    const LoadedSettings loaded = Load();
    EXPECT_EQ(Message(loaded.Failure), "(no error)");
    ProgramSettings expected = Stored();
    expected.LastUpdateCheck = kLastCheck;
    EXPECT_EQ(loaded.Settings.Window, expected.Window);
    EXPECT_EQ(loaded.Settings.Options, expected.Options);
    EXPECT_EQ(loaded.Settings.SelectedAdapter, expected.SelectedAdapter);
    EXPECT_EQ(loaded.Settings.ProxyServer, expected.ProxyServer);
    EXPECT_EQ(loaded.Settings.ProxyUserName, expected.ProxyUserName);
    EXPECT_EQ(loaded.Settings.ProxyPassword, expected.ProxyPassword);
    EXPECT_EQ(loaded.Settings.LastUpdateCheck, kLastCheck);
    EXPECT_TRUE(loaded.StartMinimized);
    EXPECT_TRUE(loaded.ScheduledCheckPending);
    EXPECT_FALSE(loaded.LastUpdateCheckMissing);
    EXPECT_TRUE(loaded.Unread.empty());
}

TEST_F(SettingsStoreTest, PasswordsComeBackWholeOrWithTheCodePagesDefaultCharacter) {
    struct Case {
        std::string typed;
        std::string loaded;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"x", "x"},
        {std::string(300, 'k') + "!", std::string(300, 'k') + "!"},
        {"pw!x", "pw!x"},  // a scrambled 0 byte survives
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},                        // "Grüße": in the code page
        {"ok \xE2\x9C\x93", "ok ?"},  // "✓" is not: its default character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ProgramSettings settings = Stored();
        settings.ProxyPassword = c.typed;
        ASSERT_EQ(Save(settings), "(no error)");
        const LoadedSettings loaded = Load();
        EXPECT_EQ(Message(loaded.Failure), "(no error)");
        EXPECT_EQ(loaded.Settings.ProxyPassword, c.loaded);
        EXPECT_EQ(Value(kUpdate, "ProxyPassword")->Type, kRegBinary);
    }
}

TEST_F(SettingsStoreTest, PasswordOfEarlierVersionsInTextStillLoads) {
    struct Case {
        const char* what;
        std::optional<FakeRegistryValue> stored;
        std::string loaded;
        std::string failure;
    };
    // Earlier versions wrote the scrambled ANSI bytes read back as text in that code page.
    const auto legacy = [&](const std::string& password) {
        return Text(codePage_.ToUtf8(ScramblePassword(codePage_.FromUtf8(password))));
    };
    const std::vector<Case> cases = {
        {"REG_SZ", legacy("secret"), "secret", "(no error)"},
        {"REG_SZ beyond ASCII",
         legacy("Gr\xC3\xBC\xC3\x9F"
                "e"),
         "Gr\xC3\xBC\xC3\x9F"
         "e",
         "(no error)"},
        {"REG_EXPAND_SZ", FakeRegistryValue::Text(legacy("secret").Data, kRegExpandSz), "secret", "(no error)"},
        {"empty REG_SZ", Text(""), "", "(no error)"},
        {"empty REG_BINARY", FakeRegistryValue::Binary(""), "", "(no error)"},
        {"missing", std::nullopt, "", "(no error)"},
        {"REG_DWORD", Dword(7), "", "Invalid data type for 'ProxyPassword'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SeedStored();
        auto access = registry_.NewAccess();
        ASSERT_TRUE(access->OpenKey(std::string("\\") + kUpdate, false));
        access->DeleteValue("ProxyPassword");
        if (c.stored) registry_.SetValue(HKCU, kUpdate, "ProxyPassword", *c.stored);
        const LoadedSettings loaded = Load();
        EXPECT_EQ(Message(loaded.Failure), c.failure);
        EXPECT_EQ(loaded.Settings.ProxyPassword, c.loaded);
        EXPECT_EQ(loaded.Settings.ProxyUserName, Stored().ProxyUserName);  // read before it either way
    }
}

// The values of the groups after "Window Position", in the order they load.
enum class Field {
    LoadAtWinStart,
    StartInTray,
    MinimizeToTray,
    SelectedAdapter,
    ProxyServer,
    ProxyUserName,
    ProxyPassword,
    CheckForUpdates,
    CheckForUpdatesInterval,
    All,
};

// Stored() as a load that stopped at `failed` leaves it: the defaults from there on.
ProgramSettings LoadedUpTo(Field failed) {
    ProgramSettings s = Stored();
    const ProgramSettings defaults;
    const auto from = [&](Field f) { return failed <= f; };
    if (from(Field::LoadAtWinStart)) s.Options.LoadAtWinStart = defaults.Options.LoadAtWinStart;
    if (from(Field::StartInTray)) s.Options.StartInTray = defaults.Options.StartInTray;
    if (from(Field::MinimizeToTray))  // checked along with "Start Tarvex in System Tray"
        s.Options.MinimizeToTray = s.Options.StartInTray;
    if (from(Field::SelectedAdapter)) s.SelectedAdapter = defaults.SelectedAdapter;
    if (from(Field::ProxyServer)) s.ProxyServer = defaults.ProxyServer;
    if (from(Field::ProxyUserName)) s.ProxyUserName = defaults.ProxyUserName;
    if (from(Field::ProxyPassword)) s.ProxyPassword = defaults.ProxyPassword;
    if (from(Field::CheckForUpdates)) s.Options.CheckForUpdates = defaults.Options.CheckForUpdates;
    if (from(Field::CheckForUpdatesInterval)) s.Options.UpdateInterval = defaults.Options.UpdateInterval;
    return s;
}

TEST_F(SettingsStoreTest, MissingOrMistypedValueStopsTheLoadThere) {
    struct Case {
        const char* key;
        const char* name;
        std::optional<FakeRegistryValue> stored;  // nothing: the value is missing
        Field failed;
        const char* failure;
    };
    const std::vector<Case> cases = {
        {kGeneral, "LoadAtWinStart", std::nullopt, Field::LoadAtWinStart, "Failed to get data for 'LoadAtWinStart'"},
        {kGeneral, "StartInTray", Text("1"), Field::StartInTray, "Invalid data type for 'StartInTray'"},
        {kGeneral, "MinimizeToTray", std::nullopt, Field::MinimizeToTray, "Failed to get data for 'MinimizeToTray'"},
        {kGeneral, "MinimizeToTray", Date(1.0), Field::MinimizeToTray, "Invalid data type for 'MinimizeToTray'"},
        {kAdapters, "SelectedAdapter", std::nullopt, Field::SelectedAdapter,
         "Failed to get data for 'SelectedAdapter'"},
        {kAdapters, "SelectedAdapter", Text("2"), Field::SelectedAdapter, "Invalid data type for 'SelectedAdapter'"},
        {kUpdate, "ProxyServer", Dword(1), Field::ProxyServer, "Invalid data type for 'ProxyServer'"},
        {kUpdate, "ProxyUserName", FakeRegistryValue::Binary("user"), Field::ProxyUserName,
         "Invalid data type for 'ProxyUserName'"},
        {kUpdate, "ProxyPassword", Dword(1), Field::ProxyPassword, "Invalid data type for 'ProxyPassword'"},
        {kUpdate, "CheckForUpdates", std::nullopt, Field::CheckForUpdates, "Failed to get data for 'CheckForUpdates'"},
        {kUpdate, "CheckForUpdatesInterval", std::nullopt, Field::CheckForUpdatesInterval,
         "Failed to get data for 'CheckForUpdatesInterval'"},
        {kUpdate, "CheckForUpdatesInterval", FakeRegistryValue::Binary(std::string(4, '\0')),
         Field::CheckForUpdatesInterval, "Invalid data type for 'CheckForUpdatesInterval'"},
        // Texts that are missing read as empty, and a missing time as now: no failure.
        {kUpdate, "ProxyServer", std::nullopt, Field::All, "(no error)"},
        {kUpdate, "CheckForUpdatesDate", std::nullopt, Field::All, "(no error)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.stored ? " mistyped" : " missing"));
        registry_ = FakeRegistry();
        SeedStored();
        auto access = registry_.NewAccess();
        ASSERT_TRUE(access->OpenKey(std::string("\\") + c.key, false));
        access->DeleteValue(c.name);
        if (c.stored) registry_.SetValue(HKCU, c.key, c.name, *c.stored);

        const LoadedSettings loaded = Load();
        EXPECT_EQ(Message(loaded.Failure), c.failure);
        ProgramSettings expected = LoadedUpTo(c.failed);
        if (c.failed == Field::All && std::string(c.name) == "ProxyServer") expected.ProxyServer = "";
        EXPECT_EQ(loaded.Settings.Window, Stored().Window);  // loaded before the failure
        EXPECT_EQ(loaded.Settings.Options, expected.Options);
        EXPECT_EQ(loaded.Settings.SelectedAdapter, expected.SelectedAdapter);
        EXPECT_EQ(loaded.Settings.ProxyServer, expected.ProxyServer);
        EXPECT_EQ(loaded.Settings.ProxyUserName, expected.ProxyUserName);
        EXPECT_EQ(loaded.Settings.ProxyPassword, expected.ProxyPassword);
        // The window starts minimised and the scheduled check runs only after whole groups.
        EXPECT_EQ(loaded.StartMinimized, c.failed > Field::MinimizeToTray);
        EXPECT_EQ(loaded.ScheduledCheckPending, c.failed == Field::All);

        // Saved back unchanged, it leaves every stored value as it was, the one that failed
        // and those the load never reached included; the autostart entry too, unless its
        // value was read.
        auto stored = registry_.Contents(HKCU);
        if (c.failed == Field::All && !c.stored && std::string(c.name) == "ProxyServer")
            stored["software\\quillmont\\tarvex\\settings\\update\\proxyserver"] = Text("");  // read as empty
        std::vector<bool> autostart;
        EXPECT_EQ(Save(loaded.Settings, &autostart, loaded), "(no error)");
        EXPECT_EQ(registry_.Contents(HKCU), stored);
        EXPECT_EQ(autostart.size(), c.failed > Field::LoadAtWinStart ? 1u : 0u);
    }
}

TEST_F(SettingsStoreTest, AfterAFailedLoadWhatTheUserChangesIsSavedAndTheRestStays) {
    SeedStored();
    registry_.SetValue(HKCU, kGeneral, "StartInTray", Text("1"));
    registry_.SetValue(HKCU, kPosition, "TarvexMainForm_Width", Text("700"));
    const LoadedSettings loaded = Load();
    EXPECT_EQ(Message(loaded.Failure), "Invalid data type for 'StartInTray'");

    ProgramSettings changed = loaded.Settings;
    changed.ProxyServer = "other.example:3128";
    changed.Options.UpdateInterval = 0;
    changed.Window.Left += 50;   // read: written as it is anyway
    changed.Window.Height += 7;  // not read, but resized since
    std::vector<bool> autostart;
    ASSERT_EQ(Save(changed, &autostart, loaded), "(no error)");
    EXPECT_EQ(autostart, std::vector<bool>{true});
    EXPECT_EQ(Value(kGeneral, "LoadAtWinStart"), Dword(1));
    EXPECT_EQ(Value(kGeneral, "StartInTray"), Text("1"));
    EXPECT_EQ(Value(kGeneral, "MinimizeToTray"), Dword(0));
    EXPECT_EQ(Value(kAdapters, "SelectedAdapter"), Dword(2));
    EXPECT_EQ(Value(kUpdate, "ProxyServer"), Text("other.example:3128"));
    EXPECT_EQ(Value(kUpdate, "ProxyUserName"), Text("J\xC3\xBCrgen"));
    EXPECT_EQ(Value(kUpdate, "ProxyPassword"), FakeRegistryValue::Binary(std::string("\xD3\x73\x00\xF0", 4)));
    EXPECT_EQ(Value(kUpdate, "CheckForUpdates"), Dword(1));
    EXPECT_EQ(Value(kUpdate, "CheckForUpdatesInterval"), Dword(0));
    EXPECT_EQ(Value(kPosition, "TarvexMainForm_Left"), Dword(170));
    EXPECT_EQ(Value(kPosition, "TarvexMainForm_Width"), Text("700"));
    EXPECT_EQ(Value(kPosition, "TarvexMainForm_Height"), Dword(487));

    // Checking the option the load stopped at stores it, and what checking it checks too.
    changed.Options.StartInTray = true;
    changed.Options.MinimizeToTray = true;
    ASSERT_EQ(Save(changed, &autostart, loaded), "(no error)");
    EXPECT_EQ(Value(kGeneral, "StartInTray"), Dword(1));
    EXPECT_EQ(Value(kGeneral, "MinimizeToTray"), Dword(1));
    EXPECT_EQ(Load().Failure, std::nullopt);
}

TEST_F(SettingsStoreTest, MissingKeyKeepsItsGroupsDefaultsAndTheOthersLoad) {
    for (const char* key : {kGeneral, kAdapters, kUpdate}) {
        SCOPED_TRACE(key);
        registry_ = FakeRegistry();
        SeedStored();
        registry_.DeleteKey(HKCU, key);
        const LoadedSettings loaded = Load();
        EXPECT_EQ(Message(loaded.Failure), "(no error)");
        const ProgramSettings defaults, stored = Stored();
        const bool general = key != kGeneral, adapters = key != kAdapters, update = key != kUpdate;
        EXPECT_EQ(loaded.Settings.Options.StartInTray, general ? stored.Options.StartInTray : false);
        EXPECT_EQ(loaded.StartMinimized, general);
        EXPECT_EQ(loaded.Settings.SelectedAdapter, adapters ? stored.SelectedAdapter : defaults.SelectedAdapter);
        EXPECT_EQ(loaded.Settings.ProxyServer, update ? stored.ProxyServer : "");
        EXPECT_EQ(loaded.Settings.Options.UpdateInterval,
                  update ? stored.Options.UpdateInterval : defaults.Options.UpdateInterval);
        EXPECT_EQ(loaded.ScheduledCheckPending, update);
        EXPECT_EQ(loaded.Settings.Window, Stored().Window);
    }
}

TEST_F(SettingsStoreTest, MissingPositionValueStopsOnlyThePositionReads) {
    struct Case {
        const char* name;
        std::optional<FakeRegistryValue> stored;
        WindowBounds window;  // the layout's {10, 20, 640, 480} with what was read before
    };
    const std::vector<Case> cases = {
        {"TarvexMainForm_Left", std::nullopt, {10, 20, 640, 480}},
        {"TarvexMainForm_Top", Text("80"), {120, 20, 640, 480}},
        {"TarvexMainForm_Width", std::nullopt, {120, 80, 640, 480}},
        {"TarvexMainForm_Height", Date(2.0), {120, 80, 700, 480}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        registry_ = FakeRegistry();
        SeedStored();
        auto access = registry_.NewAccess();
        ASSERT_TRUE(access->OpenKey(std::string("\\") + kPosition, false));
        access->DeleteValue(c.name);
        if (c.stored) registry_.SetValue(HKCU, kPosition, c.name, *c.stored);
        const LoadedSettings loaded = Load();
        EXPECT_EQ(Message(loaded.Failure), "(no error)");  // silently
        EXPECT_EQ(loaded.Settings.Window, c.window);       // not centred: the key is there
        EXPECT_EQ(loaded.Settings.Options, Stored().Options);
        EXPECT_TRUE(loaded.ScheduledCheckPending);

        // The window saved where the load put it leaves the values it did not read alone.
        const auto before = registry_.Contents(HKCU);
        EXPECT_EQ(Save(loaded.Settings, nullptr, loaded), "(no error)");
        EXPECT_EQ(registry_.Contents(HKCU), before);
    }
}

TEST_F(SettingsStoreTest, IndexesOutsideTheirListsSelectNothingAndSaveAsMinusOne) {
    struct Case {
        int adapterCount;
        std::optional<int> storedAdapter;  // nothing: no "Adapters" key
        int adapter;
        int storedInterval;
        int interval;
    };
    const std::vector<Case> cases = {
        {3, 5, -1, 5, -1}, {3, 3, -1, -1, -1},          {3, -1, -1, -7, -1},        {3, 0, 0, 0, 0},
        {3, 2, 2, 4, 4},   {0, std::nullopt, -1, 1, 1}, {1, std::nullopt, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "adapters " << c.adapterCount << ", stored "
                                          << c.storedAdapter.value_or(-99) << " and " << c.storedInterval);
        registry_ = FakeRegistry();
        SeedStored();
        if (c.storedAdapter)
            registry_.SetValue(HKCU, kAdapters, "SelectedAdapter", Dword(*c.storedAdapter));
        else
            registry_.DeleteKey(HKCU, kAdapters);
        registry_.SetValue(HKCU, kUpdate, "CheckForUpdatesInterval", Dword(c.storedInterval));
        context_.AdapterCount = c.adapterCount;
        const LoadedSettings loaded = Load();
        EXPECT_EQ(loaded.Settings.SelectedAdapter, c.adapter);
        EXPECT_EQ(loaded.Settings.Options.UpdateInterval, c.interval);

        ASSERT_EQ(Save(loaded.Settings), "(no error)");
        EXPECT_EQ(Value(kAdapters, "SelectedAdapter"), Dword(c.adapter));
        EXPECT_EQ(Value(kUpdate, "CheckForUpdatesInterval"), Dword(c.interval));
    }
}

TEST_F(SettingsStoreTest, WindowOffEveryMonitorComesBackOntoTheNearest) {
    // A wide main monitor with the taskbar at the bottom, a smaller one to its left.
    const std::vector<WindowBounds> areas = {{0, 0, 1920, 1040}, {-1280, 0, 1280, 984}};
    struct Case {
        const char* what;
        WindowBounds window;
        WindowBounds expected;
    };
    const std::vector<Case> cases = {
        {"inside", {100, 100, 640, 480}, {100, 100, 640, 480}},
        {"on the left monitor", {-1000, 100, 640, 480}, {-1000, 100, 640, 480}},
        {"across both", {-300, 100, 640, 480}, {-300, 100, 640, 480}},
        {"32 pixels showing", {1888, 1008, 640, 480}, {1888, 1008, 640, 480}},
        {"31 pixels showing", {1889, 100, 640, 480}, {1280, 100, 640, 480}},
        {"below the taskbar", {100, 1030, 640, 480}, {100, 560, 640, 480}},
        {"far right", {5000, 300, 640, 480}, {1280, 300, 640, 480}},
        {"far left: the left monitor", {-4000, 300, 640, 480}, {-1280, 300, 640, 480}},
        {"far above both: the first listed", {-600, -3000, 640, 480}, {0, 0, 640, 480}},
        {"larger than the monitor", {3000, 3000, 2500, 1200}, {0, 0, 2500, 1200}},
        {"a tiny window wholly in", {1900, 1030, 10, 10}, {1900, 1030, 10, 10}},
        {"extreme values",
         {std::numeric_limits<int>::max(), std::numeric_limits<int>::min(), 640, 480},
         {1280, 0, 640, 480}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(BringOntoWorkArea(c.window, areas), c.expected);
    }
    EXPECT_EQ(BringOntoWorkArea({5000, 5000, 640, 480}, {}), (WindowBounds{5000, 5000, 640, 480}));

    // And so the load places a window saved on a monitor since unplugged, at the size it will
    // have: never below its minimum.
    context_.MinimumWidth = 632;
    context_.MinimumHeight = 451;
    const std::vector<Case> loads = {
        {"stored size", {2500, 200, 700, 500}, {324, 200, 700, 500}},
        {"below the minimum", {2500, 500, 300, 200}, {392, 287, 632, 451}},
        {"no size at all", {-900, 2000, -5, 0}, {0, 287, 632, 451}},
        {"on screen, grown", {10, 20, 100, 100}, {10, 20, 632, 451}},
    };
    for (const Case& c : loads) {
        SCOPED_TRACE(c.what);
        ProgramSettings settings = Stored();
        settings.Window = c.window;
        ASSERT_EQ(Save(settings), "(no error)");
        EXPECT_EQ(Load().Settings.Window, c.expected);
    }
}

TEST_F(SettingsStoreTest, LastCheckTimeFallsBackToNowWhenItDoesNotRead) {
    struct Case {
        const char* what;
        std::optional<FakeRegistryValue> stored;
        bool checksOn;
        double lastCheck;
        bool missing;
    };
    const std::vector<Case> cases = {
        {"stored", Date(kLastCheck), true, kLastCheck, false},
        {"missing", std::nullopt, true, kNow, true},
        {"4 bytes", FakeRegistryValue::Binary("abcd"), true, kNow, false},
        {"REG_SZ", Text("45990.75"), true, kNow, false},
        {"not a number", Date(std::numeric_limits<double>::quiet_NaN()), true, kNow, false},
        {"infinite", Date(std::numeric_limits<double>::infinity()), true, kNow, false},
        {"checks off: not read", Date(kLastCheck), false, kNow, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry_ = FakeRegistry();
        ProgramSettings settings = Stored();
        settings.Options.CheckForUpdates = c.checksOn;
        ASSERT_EQ(Save(settings), "(no error)");
        if (c.stored) registry_.SetValue(HKCU, kUpdate, "CheckForUpdatesDate", *c.stored);
        const LoadedSettings loaded = Load();
        EXPECT_EQ(Message(loaded.Failure), "(no error)");
        EXPECT_EQ(loaded.Settings.LastUpdateCheck, c.lastCheck);
        EXPECT_EQ(loaded.LastUpdateCheckMissing, c.missing);
        EXPECT_EQ(loaded.ScheduledCheckPending, c.checksOn);
    }
}

TEST_F(SettingsStoreTest, FinishingTheCheckStoresARunOrAFirstTimeOnly) {
    struct Case {
        const char* what;
        std::optional<FakeRegistryValue> stored;  // "CheckForUpdatesDate" before the start
        bool checksOn;
        bool ran;
        double afterCheck;  // what the scheduled check hands back
        std::optional<FakeRegistryValue> expected;
    };
    const double finished = kNow + 0.001;
    const FakeRegistryValue notANumber = Date(std::numeric_limits<double>::quiet_NaN());
    const FakeRegistryValue sevenBytes = FakeRegistryValue::Binary(std::string("\0\0\0\xA0\x6A\xE7\x40", 7));
    const std::vector<Case> cases = {
        {"no check due", Date(kLastCheck), true, false, kLastCheck, Date(kLastCheck)},
        {"a check ran", Date(kLastCheck), true, true, finished, Date(finished)},
        // With no time stored, "day" would never be due: now is kept as the first time.
        {"none stored, no check", std::nullopt, true, false, kNow, Date(kNow)},
        {"none stored, a check ran", std::nullopt, true, true, finished, Date(finished)},
        // A stored value that does not read as a time is replaced only by a check that ran.
        {"not a number, no check", notANumber, true, false, kNow, notANumber},
        {"7 bytes, no check", sevenBytes, true, false, kNow, sevenBytes},
        {"REG_SZ, no check", Text("45990.75"), true, false, kNow, Text("45990.75")},
        {"7 bytes, a check ran", sevenBytes, true, true, finished, Date(finished)},
        {"checks off", std::nullopt, false, false, kNow, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry_ = FakeRegistry();
        ProgramSettings settings = Stored();
        settings.Options.CheckForUpdates = c.checksOn;
        ASSERT_EQ(Save(settings), "(no error)");
        if (c.stored) registry_.SetValue(HKCU, kUpdate, "CheckForUpdatesDate", *c.stored);
        const LoadedSettings loaded = Load();
        auto access = registry_.NewAccess();
        FinishScheduledCheck(*access, loaded, c.ran, c.afterCheck);
        EXPECT_EQ(Value(kUpdate, "CheckForUpdatesDate"), c.expected);
    }

    // The write back fails loudly; nothing is written when no check ran.
    registry_ = FakeRegistry();
    SeedStored();
    registry_.FailWritesOf("CheckForUpdatesDate");
    const LoadedSettings loaded = Load();
    auto access = registry_.NewAccess();
    EXPECT_NO_THROW(FinishScheduledCheck(*access, loaded, false, kLastCheck));
    try {
        FinishScheduledCheck(*access, loaded, true, finished);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'CheckForUpdatesDate'");
    }
}

TEST_F(SettingsStoreTest, FailingWriteStopsTheSaveThere) {
    // In the order of writing.
    const std::vector<std::pair<const char*, const char*>> values = {
        {kPosition, "TarvexMainForm_Left"},   {kPosition, "TarvexMainForm_Top"}, {kPosition, "TarvexMainForm_Width"},
        {kPosition, "TarvexMainForm_Height"}, {kGeneral, "LoadAtWinStart"},      {kGeneral, "StartInTray"},
        {kGeneral, "MinimizeToTray"},         {kAdapters, "SelectedAdapter"},    {kUpdate, "ProxyServer"},
        {kUpdate, "ProxyUserName"},           {kUpdate, "ProxyPassword"},        {kUpdate, "CheckForUpdates"},
        {kUpdate, "CheckForUpdatesInterval"},
    };
    for (std::size_t failing = 0; failing < values.size(); ++failing) {
        const auto [failingKey, failingName] = values[failing];
        SCOPED_TRACE(failingName);
        registry_ = FakeRegistry();
        registry_.FailWritesOf(failingName);
        std::vector<bool> autostart;
        EXPECT_EQ(Save(Stored(), &autostart), std::string("Failed to set data for '") + failingName + "'");
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_EQ(Value(values[i].first, values[i].second).has_value(), i < failing) << values[i].second;
        // The autostart entry follows the box right after its value.
        EXPECT_EQ(autostart.size(), failing > 4 ? 1u : 0u);
    }
}

TEST_F(SettingsStoreTest, SaveSkipsGroupsWhoseKeyDoesNotOpenAndPositionsOfAMaximizedWindow) {
    registry_.SetValue(HKCU, kPosition, "TarvexMainForm_Left", Dword(33));
    registry_.CreateKey(HKCU, kGeneral);
    registry_.DenyOpen(HKCU, kGeneral);
    ProgramSettings settings = Stored();
    settings.WindowMaximized = true;
    std::vector<bool> autostart;
    ASSERT_EQ(Save(settings, &autostart), "(no error)");
    EXPECT_EQ(Value(kPosition, "TarvexMainForm_Left"), Dword(33));  // kept for the restored window
    EXPECT_EQ(Value(kPosition, "TarvexMainForm_Width"), std::nullopt);
    EXPECT_EQ(Value(kGeneral, "LoadAtWinStart"), std::nullopt);
    EXPECT_TRUE(autostart.empty());  // it belongs to the group
    EXPECT_EQ(Value(kAdapters, "SelectedAdapter"), Dword(2));
    EXPECT_EQ(Value(kUpdate, "CheckForUpdatesInterval"), Dword(3));
}

TEST_F(SettingsStoreTest, AutostartComesBetweenItsValueAndTheTrayValues) {
    auto access = registry_.NewAccess();
    std::vector<std::string> seen;
    ProgramSettings settings = Stored();
    settings.Options.LoadAtWinStart = false;
    SaveSettings(*access, codePage_, settings, {}, [&](bool on) {
        seen.push_back(std::string(on ? "on" : "off") + (Value(kGeneral, "LoadAtWinStart") ? " after" : " before") +
                       (Value(kGeneral, "StartInTray") ? ", tray written" : ""));
        // Using the settings' own registry object by mistake still leaves the rest in place.
        access->OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", true);
    });
    EXPECT_EQ(seen, std::vector<std::string>{"off after"});
    EXPECT_EQ(Value(kGeneral, "StartInTray"), Dword(1));
    EXPECT_EQ(Value(kGeneral, "MinimizeToTray"), Dword(0));
    EXPECT_TRUE(registry_.ValueNames(HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Run").empty());
}

}  // namespace
}  // namespace tarvex
