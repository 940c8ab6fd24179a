// The advanced editor over the in-memory registry, on both families: what each tab shows after
// a refresh, the value labels and enabling rules as the user clicks, and what "Apply" leaves in
// the registry.
#include "tuning/advanced_editor.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/fake_registry.h"
#include "support/tuning_profile_printer.h"
#include "tuning/parameter_store.h"

namespace tarvex {

void PrintTo(const DefaultOrCustom& pair, std::ostream* out) {
    *out << (pair.Default ? "Default" : pair.Custom ? "Custom" : "neither");
}

void PrintTo(const AdvancedControls& c, std::ostream* out) {
    *out << "\n  General: BH=" << c.rbEnableBlackHoleDetection << " PMTU=" << c.rbEnableAutoMTUDetection
         << " SACK=" << c.chkSACK;
    *out << "\n  RWIN: ";
    PrintTo(c.rbRWIN, out);
    *out << " ud=" << c.udRWIN << " label='" << c.lblRWINValue << "' enabled=" << c.RWINEnabled << "\n  TTL: ";
    PrintTo(c.rbTTL, out);
    *out << " ud=" << c.udTTL << " enabled=" << c.TTLEnabled;
    *out << "\n  HTTP: chk=" << c.chkHTTPConn << " tb=" << c.tbHTTP10 << "/" << c.tbHTTP11 << " labels='" << c.lblHTTP10
         << "'/'" << c.lblHTTP11 << "' enabled=" << c.HTTPEnabled;
    *out << "\n  TCPLW: chk=" << c.chkTCPLW << " cb=" << c.cbTCPLW << " enabled=" << c.cbTCPLWEnabled << "\n  ACK: ";
    PrintTo(c.rbACK, out);
    *out << " ud=" << c.udACK << " enabled=" << c.ACKEnabled;
}

namespace {

using testing::FakeRegistry;
using testing::FakeRegistryValue;

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCU = RegistryRoot::CurrentUser;
const char* const kNt = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char* const k9x = "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char* const k9xParameters = "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP\\Parameters";
const char* const kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char* const kNtCards = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
const char* const kNtInterfaces = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";

std::string ErrorText(const std::function<void()>& run) {
    try {
        run();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

// A family's view of the profile: where the editor's window and duplicate-ACK count live.
struct Family {
    bool isNT;
    const char* name;
    ProfileField window;
    ProfileField dupAcks;
    const char* stackKey;
    const char* pmtuDiscovery;  // the registry value of EnablePMTUDiscovery
};
void PrintTo(const Family& family, std::ostream* out) {
    *out << family.name;
}
const Family kFamilies[] = {
    {true, "NT", &TuningProfile::GlobalMaxTcpWindowSize, &TuningProfile::TcpMaxDupAcks, kNt, "EnablePMTUDiscovery"},
    {false, "9x", &TuningProfile::DefaultRcvWindow, &TuningProfile::MaxDupAcks, k9x, "PMTUDiscovery"},
};

// What the registry typically holds after a preset: every value the editor shows is set.
TuningProfile Stored(const Family& family) {
    TuningProfile p;
    p.IsNT = family.isNT;
    p.Version = family.isNT ? WindowsVersion::Win7 : WindowsVersion::Win98SE;
    p.DefaultTTL = 64;
    p.GlobalMaxTcpWindowSize = 64240;
    p.TcpWindowSize = 64240;
    p.DefaultRcvWindow = 64240;
    p.KeepAliveTime = 7200000;
    p.KeepAliveInterval = 1000;
    p.SessionKeepAlive = 5;
    p.SackOpts = 1;
    p.TcpMaxDupAcks = 2;
    p.MaxDupAcks = 2;
    p.Tcp1323Opts = 1;
    p.TcpUseRFC1122UrgentPointer = 0;
    p.BSDUrgent = 1;
    p.EnablePMTUDiscovery = 1;
    p.EnablePMTUBHDetect = 0;
    p.MaxConnectionsPer1_0Server = 10;
    p.MaxConnectionsPerServer = 8;
    return p;
}

// What the controls show for Stored().
AdvancedControls ShownForStored() {
    AdvancedControls c;
    c.rbEnableBlackHoleDetection = false;
    c.rbEnableAutoMTUDetection = true;
    c.chkSACK = true;
    c.rbRWIN = {false, true};
    c.udRWIN = 100;  // 64240 / 536 gives 120, beyond the range
    c.lblRWINValue = "64320";
    c.RWINEnabled = true;
    c.rbTTL = {false, true};
    c.udTTL = 64;
    c.TTLEnabled = true;
    c.chkHTTPConn = true;
    c.tbHTTP10 = 10;
    c.tbHTTP11 = 8;
    c.lblHTTP10 = "10";
    c.lblHTTP11 = "8";
    c.HTTPEnabled = true;
    c.chkTCPLW = true;
    c.cbTCPLW = 1;
    c.cbTCPLWEnabled = true;
    c.rbACK = {false, true};
    c.udACK = 2;
    c.ACKEnabled = true;
    return c;
}

class AdvancedEditorTest : public ::testing::TestWithParam<Family> {
protected:
    AdvancedEditorTest() {
        // The keys that are written only when they exist, as on any installed Windows.
        registry.CreateKey(HKCU, kInternet);
        registry.CreateKey(HKLM, k9xParameters);
        profile.IsNT = family().isNT;
        profile.Version = family().isNT ? WindowsVersion::Win7 : WindowsVersion::Win98SE;
    }
    const Family& family() const { return GetParam(); }
    void Seed(const TuningProfile& stored) { WriteProfile(*registry.NewAccess(), stored); }
    void Refresh() { editor.Refresh(*registry.NewAccess()); }
    void Apply() { editor.Apply(*registry.NewAccess()); }
    // The profile as the registry holds it now.
    TuningProfile ReadBack() {
        TuningProfile read;
        read.IsNT = profile.IsNT;
        read.Version = profile.Version;
        ReadProfile(*registry.NewAccess(), read);
        return read;
    }
    std::int32_t& Window(TuningProfile& p) const { return p.*family().window; }
    std::int32_t& DupAcks(TuningProfile& p) const { return p.*family().dupAcks; }
    const AdvancedControls& Shown() const { return editor.Controls(); }

    FakeRegistry registry;
    TuningProfile profile;
    AdaptersModel adapters;
    AdvancedEditorModel editor{profile, adapters};
};

INSTANTIATE_TEST_SUITE_P(Families, AdvancedEditorTest, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& info) { return std::string(info.param.name); });

TEST(ReceiveWindowTest, MultiplierRoundsHalvesToTheEvenNeighbour) {
    struct Case {
        std::int32_t window;
        std::int32_t mtu;
        std::int64_t multiplier;
    };
    const Case cases[] = {
        {64240, 576, 120},  // 119.85
        {64320, 576, 120},
        {268, 576, 0},   // 0.5
        {804, 576, 2},   // 1.5
        {1340, 576, 2},  // 2.5
        {1876, 576, 4},  // 3.5
        {535, 576, 1},
        {0, 576, 0},
        {-1, 576, 0},       // -0.002
        {-268, 576, 0},     // -0.5
        {-804, 576, -2},    // -1.5
        {64240, 1500, 44},  // base 1460: exactly 44
        {INT32_MAX, 576, 4006499},
        {64240, 40, 0},  // no base
        {64240, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.window) + " / (" + std::to_string(c.mtu) + " - 40)");
        EXPECT_EQ(ReceiveWindowMultiplier(c.window, c.mtu), c.multiplier);
    }
    EXPECT_EQ(ReceiveWindow(576, 120), 64320);
    EXPECT_EQ(ReceiveWindow(1500, 44), 64240);
    EXPECT_EQ(ReceiveWindow(576, 4006533), 2147501688LL);  // beyond 32 bits, still exact
}

TEST_P(AdvancedEditorTest, RefreshShowsWhatTheRegistryHolds) {
    struct Case {
        const char* what;
        std::function<void(TuningProfile&)> stored;    // changes to Stored()
        std::function<void(AdvancedControls&)> shown;  // changes to ShownForStored()
    };
    const Case cases[] = {
        {"a preset's values", [](TuningProfile&) {}, [](AdvancedControls&) {}},
        {"every value removed", [](TuningProfile& p) { ApplyPreset(p, ConnectionScenario::rbRestore); },
         [](AdvancedControls& c) {
             c = AdvancedControls{};
             c.rbRWIN = c.rbTTL = c.rbACK = {true, false};
             c.RWINEnabled = c.TTLEnabled = c.ACKEnabled = false;
             c.udACK = 1;  // -1 shows the range's end
             c.lblHTTP10 = c.lblHTTP11 = "";
         }},
        {"black hole detection on, path MTU discovery and SACK off (0, not removed)",
         [](TuningProfile& p) {
             p.EnablePMTUBHDetect = 1;
             p.EnablePMTUDiscovery = 0;
             p.SackOpts = 0;
         },
         [](AdvancedControls& c) {
             c.rbEnableBlackHoleDetection = true;
             c.rbEnableAutoMTUDetection = false;
             c.chkSACK = false;
         }},
        {"TTL 16: Custom, the spinner stays", [](TuningProfile& p) { p.DefaultTTL = 16; },
         [](AdvancedControls& c) { c.udTTL = 32; }},
        {"TTL 256", [](TuningProfile& p) { p.DefaultTTL = 256; }, [](AdvancedControls& c) { c.udTTL = 256; }},
        {"TTL 300", [](TuningProfile& p) { p.DefaultTTL = 300; }, [](AdvancedControls& c) { c.udTTL = 256; }},
        {"TTL 100, off the spinner's steps", [](TuningProfile& p) { p.DefaultTTL = 100; },
         [](AdvancedControls& c) { c.udTTL = 100; }},
        {"window 2680: multiplier 5 in range",
         [](TuningProfile& p) { p.GlobalMaxTcpWindowSize = p.DefaultRcvWindow = 2680; },
         [](AdvancedControls& c) {
             c.udRWIN = 5;
             c.lblRWINValue = "2680";
         }},
        {"window 536: multiplier 1, where the spinner stands, so no value",
         [](TuningProfile& p) { p.GlobalMaxTcpWindowSize = p.DefaultRcvWindow = 536; },
         [](AdvancedControls& c) {
             c.udRWIN = 1;
             c.lblRWINValue = "---";
         }},
        {"window 0: Custom with multiplier 0",
         [](TuningProfile& p) { p.GlobalMaxTcpWindowSize = p.DefaultRcvWindow = 0; },
         [](AdvancedControls& c) {
             c.udRWIN = 1;
             c.lblRWINValue = "---";
         }},
        {"window -1: Windows Default", [](TuningProfile& p) { p.GlobalMaxTcpWindowSize = p.DefaultRcvWindow = -1; },
         [](AdvancedControls& c) {
             c.rbRWIN = {true, false};
             c.RWINEnabled = false;
             c.udRWIN = 1;
             c.lblRWINValue = "---";
         }},
        {"window below -1: neither button",
         [](TuningProfile& p) { p.GlobalMaxTcpWindowSize = p.DefaultRcvWindow = INT32_MIN; },
         [](AdvancedControls& c) {
             c.rbRWIN = {false, false};
             c.udRWIN = 1;
             c.lblRWINValue = "---";
         }},
        {"RFC 1323 options 3", [](TuningProfile& p) { p.Tcp1323Opts = 3; }, [](AdvancedControls& c) { c.cbTCPLW = 3; }},
        {"RFC 1323 options 7: enabled, no choice", [](TuningProfile& p) { p.Tcp1323Opts = 7; },
         [](AdvancedControls& c) { c.cbTCPLW = -1; }},
        {"RFC 1323 options removed", [](TuningProfile& p) { p.Tcp1323Opts = -1; },
         [](AdvancedControls& c) {
             c.chkTCPLW = false;
             c.cbTCPLW = -1;
             c.cbTCPLWEnabled = false;
         }},
        {"duplicate ACKs 0: Custom at the range's end", [](TuningProfile& p) { p.TcpMaxDupAcks = p.MaxDupAcks = 0; },
         [](AdvancedControls& c) { c.udACK = 1; }},
        {"duplicate ACKs 5", [](TuningProfile& p) { p.TcpMaxDupAcks = p.MaxDupAcks = 5; },
         [](AdvancedControls& c) { c.udACK = 3; }},
        {"duplicate ACKs removed", [](TuningProfile& p) { p.TcpMaxDupAcks = p.MaxDupAcks = -1; },
         [](AdvancedControls& c) {
             c.rbACK = {true, false};
             c.ACKEnabled = false;
             c.udACK = 1;
         }},
        {"one connection limit -1, the other 6",
         [](TuningProfile& p) {
             p.MaxConnectionsPer1_0Server = -1;
             p.MaxConnectionsPerServer = 6;
         },
         [](AdvancedControls& c) {
             c.tbHTTP10 = 1;
             c.tbHTTP11 = 6;
             c.lblHTTP10 = "1";  // the bar did not move, and still shows its position
             c.lblHTTP11 = "6";
         }},
        {"connection limits 1 and 20",
         [](TuningProfile& p) {
             p.MaxConnectionsPer1_0Server = 1;
             p.MaxConnectionsPerServer = 20;
         },
         [](AdvancedControls& c) {
             c.tbHTTP10 = 1;
             c.tbHTTP11 = 10;
             c.lblHTTP10 = "1";
             c.lblHTTP11 = "10";
         }},
        {"both connection limits removed",
         [](TuningProfile& p) { p.MaxConnectionsPer1_0Server = p.MaxConnectionsPerServer = -1; },
         [](AdvancedControls& c) {
             c.chkHTTPConn = false;
             c.tbHTTP10 = c.tbHTTP11 = 1;
             c.lblHTTP10 = c.lblHTTP11 = "";
             c.HTTPEnabled = false;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TuningProfile stored = Stored(family());
        c.stored(stored);
        FakeRegistry own;
        own.CreateKey(HKCU, kInternet);
        own.CreateKey(HKLM, k9xParameters);
        WriteProfile(*own.NewAccess(), stored);
        TuningProfile shownProfile;
        shownProfile.IsNT = family().isNT;
        AdaptersModel ownAdapters;
        AdvancedEditorModel ownEditor(shownProfile, ownAdapters);
        ownEditor.Refresh(*own.NewAccess());
        AdvancedControls expected = ShownForStored();
        c.shown(expected);
        EXPECT_EQ(ownEditor.Controls(), expected);
        EXPECT_TRUE(ownEditor.ApplyEnabled());
        EXPECT_EQ(shownProfile.MTU, 576);
    }
}

TEST_P(AdvancedEditorTest, TheRwinLabelFollowsTheSpinnerOnlyWhenItIsAboutToMoveToAnotherPositiveMultiplier) {
    Seed(Stored(family()));
    Refresh();
    ASSERT_EQ(Shown().udRWIN, 100);
    ASSERT_EQ(Shown().lblRWINValue, "64320");

    editor.udRWINChangingEx(101);  // up at the top: the label follows, the spinner stays
    EXPECT_EQ(Shown().udRWIN, 100);
    EXPECT_EQ(Shown().lblRWINValue, "54136");
    editor.udRWINChangingEx(100);  // no move, no new label
    EXPECT_EQ(Shown().lblRWINValue, "54136");
    editor.udRWINChangingEx(99);
    EXPECT_EQ(Shown().udRWIN, 99);
    EXPECT_EQ(Shown().lblRWINValue, "53064");

    // A stored window of -1: multiplier 0, Windows Default, the label keeps its text.
    TuningProfile removed = Stored(family());
    Window(removed) = -1;
    Seed(removed);
    Refresh();
    EXPECT_EQ(Shown().rbRWIN, (DefaultOrCustom{true, false}));
    EXPECT_EQ(Shown().udRWIN, 1);
    EXPECT_EQ(Shown().lblRWINValue, "53064");
    editor.udRWINChangingEx(0);  // down at the bottom
    EXPECT_EQ(Shown().udRWIN, 1);
    EXPECT_EQ(Shown().lblRWINValue, "53064");

    // A refresh that gives the multiplier the spinner already shows does not move it, but a
    // label that shows a window is brought in step with the registry.
    TuningProfile same = Stored(family());
    Window(same) = 536;
    Seed(same);
    Refresh();
    EXPECT_EQ(Shown().udRWIN, 1);
    EXPECT_EQ(Shown().lblRWINValue, "536");
    Seed(Stored(family()));  // 64240: the spinner at its top, 64320 shown
    Refresh();
    Window(same) = 53600;  // changed from outside to the window of the multiplier on show
    Seed(same);
    Refresh();
    EXPECT_EQ(Shown().udRWIN, 100);
    EXPECT_EQ(Shown().lblRWINValue, "53600");

    // After "Accelerate!" with an MTU of 1500 and before the next refresh, the base is 1460.
    ApplyPreset(profile, ConnectionScenario::rbLAN);
    editor.udRWINChangingEx(44);
    EXPECT_EQ(Shown().lblRWINValue, "64240");
}

TEST_P(AdvancedEditorTest, ApplyStoresWhatTheControlsShow) {
    struct Case {
        const char* what;
        std::function<void(TuningProfile&)> stored;      // changes to Stored()
        std::function<void(AdvancedEditorModel&)> user;  // between the refresh and "Apply"
        std::function<void(TuningProfile&)> readBack;    // changes to what an untouched Apply stores
    };
    const auto none = [](auto&) {};
    const Case cases[] = {
        {"untouched", none, none, none},
        {"window -1 stays removed", [](TuningProfile& p) { p.GlobalMaxTcpWindowSize = p.DefaultRcvWindow = -1; }, none,
         [](TuningProfile& p) { p.GlobalMaxTcpWindowSize = p.DefaultRcvWindow = -1; }},
        {"the spinner up at its top stores the label's 54136", none,
         [](AdvancedEditorModel& e) { e.udRWINChangingEx(101); },
         [](TuningProfile& p) { (p.IsNT ? p.GlobalMaxTcpWindowSize : p.DefaultRcvWindow) = 54136; }},
        {"RWIN Windows Default removes the window", none, [](AdvancedEditorModel& e) { e.CheckRWINDefault(); },
         [](TuningProfile& p) { (p.IsNT ? p.GlobalMaxTcpWindowSize : p.DefaultRcvWindow) = -1; }},
        {"TTL 16 stores the untouched spinner's 32", [](TuningProfile& p) { p.DefaultTTL = 16; }, none,
         [](TuningProfile& p) { p.DefaultTTL = 32; }},
        {"TTL 256 is kept", [](TuningProfile& p) { p.DefaultTTL = 256; }, none,
         [](TuningProfile& p) { p.DefaultTTL = 256; }},
        {"the TTL spinner stops at 256, and keeps it through Windows Default and back", none,
         [](AdvancedEditorModel& e) {
             e.udTTLChanging(192);
             e.udTTLChanging(224);
             e.udTTLChanging(256);
             e.udTTLChanging(288);
             e.CheckTTLDefault();
             e.CheckTTLCustom();
         },
         [](TuningProfile& p) { p.DefaultTTL = 256; }},
        {"one connection limit -1 and the other 6 store 1 and 6",
         [](TuningProfile& p) {
             p.MaxConnectionsPer1_0Server = -1;
             p.MaxConnectionsPerServer = 6;
         },
         none,
         [](TuningProfile& p) {
             p.MaxConnectionsPer1_0Server = 1;
             p.MaxConnectionsPerServer = 6;
         }},
        {"track bars moved, then \"Change values\" unchecked removes both", none,
         [](AdvancedEditorModel& e) {
             e.tbHTTP10Change(4);
             e.SetHTTPConn(false);
         },
         [](TuningProfile& p) { p.MaxConnectionsPer1_0Server = p.MaxConnectionsPerServer = -1; }},
        {"RFC 1323 options 3, \"Enable\" unchecked removes them", [](TuningProfile& p) { p.Tcp1323Opts = 3; },
         [](AdvancedEditorModel& e) { e.SetTCPLW(false); }, [](TuningProfile& p) { p.Tcp1323Opts = -1; }},
        {"RFC 1323 choice 2", none, [](AdvancedEditorModel& e) { e.ChooseTCPLW(2); },
         [](TuningProfile& p) { p.Tcp1323Opts = 2; }},
        {"General's boxes flipped: unchecked removes, checked stores 1", none,
         [](AdvancedEditorModel& e) {
             e.SetAutoMTUDetection(false);
             e.SetBlackHoleDetection(true);
             e.SetSACK(false);
         },
         [](TuningProfile& p) {
             p.EnablePMTUDiscovery = -1;
             p.EnablePMTUBHDetect = 1;
             p.SackOpts = -1;
         }},
        {"duplicate ACKs 3 go to the family's own value", none, [](AdvancedEditorModel& e) { e.udACKChanging(3); },
         [](TuningProfile& p) { (p.IsNT ? p.TcpMaxDupAcks : p.MaxDupAcks) = 3; }},
        {"duplicate ACKs Windows Default removes the family's own value", none,
         [](AdvancedEditorModel& e) { e.CheckACKDefault(); },
         [](TuningProfile& p) { (p.IsNT ? p.TcpMaxDupAcks : p.MaxDupAcks) = -1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRegistry own;
        own.CreateKey(HKCU, kInternet);
        own.CreateKey(HKLM, k9xParameters);
        TuningProfile stored = Stored(family());
        c.stored(stored);
        WriteProfile(*own.NewAccess(), stored);
        TuningProfile ownProfile;
        ownProfile.IsNT = family().isNT;
        ownProfile.Version = stored.Version;
        AdaptersModel ownAdapters;
        AdvancedEditorModel ownEditor(ownProfile, ownAdapters);
        ownEditor.Refresh(*own.NewAccess());
        c.user(ownEditor);
        ownEditor.Apply(*own.NewAccess());

        TuningProfile expected = Stored(family());
        c.stored(expected);
        // Untouched, Apply stores the shown window and removes the unchecked black hole
        // detection (0, the same as Windows' default).
        Window(expected) = 64320;
        expected.EnablePMTUBHDetect = -1;
        c.readBack(expected);
        TuningProfile read;
        read.IsNT = stored.IsNT;
        read.Version = stored.Version;
        ReadProfile(*own.NewAccess(), read);
        // What the family does not store reads as -1, whatever the profile held.
        if (expected.IsNT) {
            expected.DefaultRcvWindow = expected.MaxDupAcks = expected.BSDUrgent = -1;
        } else {
            expected.GlobalMaxTcpWindowSize = expected.TcpWindowSize = expected.TcpMaxDupAcks =
                expected.TcpUseRFC1122UrgentPointer = -1;
        }
        expected.MTU = 576;
        EXPECT_EQ(read, expected);
        EXPECT_EQ(ownProfile, expected);  // the profile holds what was written
    }
}

TEST_P(AdvancedEditorTest, AnUncheckedBoxRemovesItsValueRatherThanStoringZero) {
    Seed(Stored(family()));
    Refresh();
    editor.SetAutoMTUDetection(false);
    editor.SetTCPLW(false);
    Apply();
    EXPECT_FALSE(registry.Value(HKLM, family().stackKey, family().pmtuDiscovery));
    EXPECT_FALSE(registry.Value(HKLM, family().stackKey, "Tcp1323Opts"));
    EXPECT_FALSE(registry.Value(HKLM, family().stackKey, family().isNT ? "EnablePMTUBHDetect" : "PMTUBlackHoleDetect"));
    // The values the editor does not show are written back as read.
    EXPECT_EQ(registry.Value(HKLM, family().stackKey, "KeepAliveTime"),
              family().isNT ? FakeRegistryValue::Dword(7200000) : FakeRegistryValue::Text("7200000"));
}

// "Custom" while the label holds no window yet: the spinner was never moved off the multiplier
// the refresh gave it.
TEST_P(AdvancedEditorTest, ApplyWithoutACalculatedWindowKeepsTheStoredOneOrTakesTheShownMultiplier) {
    struct Case {
        const char* what;
        std::int32_t stored;
        bool checkCustom;
        bool accelerate;  // the LAN preset in between: MTU 1500, the window written
        std::int32_t applied;
    };
    const Case cases[] = {
        {"a stored 0 stays", 0, false, false, 0},
        {"a stored 700 (multiplier 1) stays", 700, false, false, 700},
        {"Windows Default changed to Custom: one multiplier of 536", -1, true, false, 536},
        {"the same after \"Accelerate!\" with MTU 1500: the preset's window stays", -1, true, true, 256960},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRegistry own;
        TuningProfile stored = Stored(family());
        Window(stored) = c.stored;
        WriteProfile(*own.NewAccess(), stored);
        TuningProfile ownProfile;
        ownProfile.IsNT = family().isNT;
        ownProfile.Version = stored.Version;
        AdaptersModel ownAdapters;
        AdvancedEditorModel ownEditor(ownProfile, ownAdapters);
        ownEditor.Refresh(*own.NewAccess());
        if (c.checkCustom) ownEditor.CheckRWINCustom();
        if (c.accelerate) {
            ApplyPreset(ownProfile, ConnectionScenario::rbLAN);
            WriteProfile(*own.NewAccess(), ownProfile);
        }
        ASSERT_EQ(ownEditor.Controls().lblRWINValue, "---");
        ASSERT_EQ(ownEditor.Controls().rbRWIN, (DefaultOrCustom{false, true}));
        ownEditor.Apply(*own.NewAccess());
        EXPECT_EQ(Window(ownProfile), c.applied);
        TuningProfile read = ownProfile;
        ReadProfile(*own.NewAccess(), read);
        EXPECT_EQ(Window(read), c.applied);
    }
}

// The base of the shown multiplier after "Accelerate!" is the preset's MTU.
TEST_P(AdvancedEditorTest, ApplyWithoutACalculatedWindowUsesTheCurrentMtu) {
    TuningProfile stored = Stored(family());
    Window(stored) = -1;
    Seed(stored);
    Refresh();
    profile.MTU = 1500;  // as "Accelerate!" leaves it, with the window still removed
    editor.CheckRWINCustom();
    Apply();
    EXPECT_EQ(Window(profile), 1460);
}

TEST_P(AdvancedEditorTest, TheAckTabReachesTheFamilysOwnValueOnly) {
    Seed(Stored(family()));
    Refresh();
    editor.udACKChanging(1);
    Apply();
    const TuningProfile read = ReadBack();
    EXPECT_EQ(family().isNT ? read.TcpMaxDupAcks : read.MaxDupAcks, 1);
    EXPECT_EQ(registry.Value(HKLM, family().isNT ? kNt : k9xParameters, family().isNT ? "TcpMaxDupAcks" : "MaxDupAcks"),
              FakeRegistryValue::Dword(1));
    // Neither family writes the other's value.
    if (family().isNT) {
        EXPECT_FALSE(registry.Value(HKLM, k9xParameters, "MaxDupAcks"));
    } else {
        EXPECT_FALSE(registry.KeyExists(HKLM, kNt));
    }
}

TEST_P(AdvancedEditorTest, EnablingFollowsWindowsDefaultAndTheCheckBoxes) {
    Seed(Stored(family()));
    Refresh();
    int changes = 0;
    editor.OnChange = [&] { ++changes; };

    editor.CheckRWINDefault();
    editor.CheckTTLDefault();
    editor.CheckACKDefault();
    EXPECT_FALSE(Shown().RWINEnabled);
    EXPECT_FALSE(Shown().TTLEnabled);
    EXPECT_FALSE(Shown().ACKEnabled);
    editor.CheckRWINDefault();  // the checked one: nothing changes
    EXPECT_EQ(Shown().rbRWIN, (DefaultOrCustom{true, false}));
    EXPECT_EQ(changes, 4);  // one per event

    editor.CheckRWINCustom();
    editor.CheckTTLCustom();
    editor.CheckACKCustom();
    EXPECT_TRUE(Shown().RWINEnabled);
    EXPECT_TRUE(Shown().TTLEnabled);
    EXPECT_TRUE(Shown().ACKEnabled);

    editor.SetTCPLW(false);
    EXPECT_FALSE(Shown().cbTCPLWEnabled);
    EXPECT_EQ(Shown().cbTCPLW, 1);  // the choice stays for when it comes back
    editor.SetTCPLW(true);
    EXPECT_TRUE(Shown().cbTCPLWEnabled);
    editor.ChooseTCPLW(4);  // no such entry
    EXPECT_EQ(Shown().cbTCPLW, 1);

    editor.SetHTTPConn(false);
    EXPECT_FALSE(Shown().HTTPEnabled);
    editor.tbHTTP10Change(11);
    EXPECT_EQ(Shown().tbHTTP10, 10);
    EXPECT_EQ(Shown().lblHTTP10, "10");
    editor.tbHTTP11Change(0);
    EXPECT_EQ(Shown().tbHTTP11, 1);
    EXPECT_EQ(Shown().lblHTTP11, "1");
    editor.SetHTTPConn(true);
    EXPECT_TRUE(Shown().HTTPEnabled);

    // Both limits removed: the refresh clears the labels and the box; checking it shows the
    // bars' positions again.
    TuningProfile removed = Stored(family());
    removed.MaxConnectionsPer1_0Server = removed.MaxConnectionsPerServer = -1;
    Seed(removed);
    Refresh();
    EXPECT_EQ(Shown().lblHTTP10, "");
    EXPECT_FALSE(Shown().HTTPEnabled);
    editor.SetHTTPConn(true);
    EXPECT_EQ(Shown().lblHTTP10, "10");
    EXPECT_EQ(Shown().lblHTTP11, "1");
}

TEST_P(AdvancedEditorTest, ApplyWritesTheAdaptersMtuFirstAndEndsAtAFailedWrite) {
    // One adapter whose MTU the tab changes to 1492.
    const std::string card = family().isNT ? std::string(kNtCards) + "\\1" : "Enum\\Root\\Net\\0000";
    const std::string mtuKey = family().isNT ? std::string(kNtInterfaces) + "\\{A}"
                                             : "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000";
    const char* mtuName = family().isNT ? "MTU" : "MaxMTU";
    registry.SetValue(HKLM, card, family().isNT ? "Description" : "DeviceDesc", FakeRegistryValue::Text("Card"));
    if (family().isNT) registry.SetValue(HKLM, card, "ServiceName", FakeRegistryValue::Text("{A}"));
    registry.CreateKey(HKLM, mtuKey);
    Seed(Stored(family()));
    Refresh();
    adapters.Select(0);
    adapters.CheckMtu();
    adapters.ChooseMtuIndex(3);
    editor.SetSACK(false);

    registry.FailWritesOf(mtuName);
    EXPECT_EQ(ErrorText([&] { Apply(); }), std::string("Failed to set data for '") + mtuName + "'");
    EXPECT_EQ(profile.SackOpts, 1);  // nothing taken from the controls yet
    EXPECT_TRUE(registry.Value(HKLM, family().stackKey, "SackOpts"));

    FakeRegistry failing;  // the same registry, with the profile's write failing instead
    failing.SetValue(HKLM, card, family().isNT ? "Description" : "DeviceDesc", FakeRegistryValue::Text("Card"));
    if (family().isNT) failing.SetValue(HKLM, card, "ServiceName", FakeRegistryValue::Text("{A}"));
    failing.CreateKey(HKLM, mtuKey);
    WriteProfile(*failing.NewAccess(), Stored(family()));
    failing.FailWritesOf("DefaultTTL");
    editor.udTTLChanging(128);
    EXPECT_EQ(ErrorText([&] { editor.Apply(*failing.NewAccess()); }), "Failed to set data for 'DefaultTTL'");
    EXPECT_EQ(failing.Value(HKLM, mtuKey, mtuName),
              family().isNT ? FakeRegistryValue::Dword(1492) : FakeRegistryValue::Text("1492"));
    EXPECT_EQ(profile.SackOpts, -1);  // the fields stay changed in memory
    EXPECT_EQ(profile.DefaultTTL, 128);
    EXPECT_TRUE(failing.Value(HKLM, family().stackKey, "SackOpts"));  // after the failed value: not written
}

TEST_P(AdvancedEditorTest, ARefreshStoppedByAnAdaptersMtuLeavesTheControlsAndDisablesApply) {
    int changes = 0;
    editor.OnChange = [&] { ++changes; };
    EXPECT_FALSE(editor.ApplyEnabled());
    Apply();  // before any refresh: nothing is written
    EXPECT_TRUE(registry.ValueNames(HKLM, family().stackKey).empty());

    Seed(Stored(family()));
    Refresh();
    ASSERT_TRUE(editor.ApplyEnabled());
    const AdvancedControls before = Shown();

    // An NT "MTU" of another type stops the refresh; the 9x family reads any "MaxMTU" as text.
    registry.SetValue(HKLM, std::string(kNtCards) + "\\1", "ServiceName", FakeRegistryValue::Text("{A}"));
    registry.SetValue(HKLM, std::string(kNtInterfaces) + "\\{A}", "MTU", FakeRegistryValue::Text("1500"));
    TuningProfile changed = Stored(family());
    changed.DefaultTTL = 128;
    Seed(changed);
    changes = 0;
    if (family().isNT) {
        EXPECT_EQ(ErrorText([&] { Refresh(); }), "Invalid data type for 'MTU'");
        EXPECT_EQ(Shown(), before);
        EXPECT_EQ(profile.DefaultTTL, 128);  // the profile is read all the same
        EXPECT_FALSE(editor.ApplyEnabled());
        editor.SetSACK(false);
        Apply();
        EXPECT_EQ(registry.Value(HKLM, kNt, "SackOpts"), FakeRegistryValue::Dword(1));
        EXPECT_EQ(registry.Value(HKLM, std::string(kNtInterfaces) + "\\{A}", "MTU"), FakeRegistryValue::Text("1500"));
        EXPECT_EQ(changes, 3);  // the view shows the disabled "Apply"
    } else {
        Refresh();
        EXPECT_EQ(Shown().udTTL, 128);
        EXPECT_TRUE(editor.ApplyEnabled());
    }
}

}  // namespace
}  // namespace tarvex
