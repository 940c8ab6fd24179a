// The presets of every scenario on Windows XP, on Windows 7 and on Windows 98 SE, against
// tables written out by hand, from a profile as the last registry read left it.
#include "tuning/tuning_profile.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "support/tuning_profile_printer.h"

namespace tarvex {
namespace {

using enum ConnectionScenario;

// Every value a field of its own, so that a preset that touches a field it should not shows.
TuningProfile LastRead(WindowsVersion version, bool isNT) {
    TuningProfile profile;
    profile.MTU = 1234;
    profile.DefaultTTL = 100;
    profile.GlobalMaxTcpWindowSize = 99999;
    profile.TcpWindowSize = 11111;
    profile.DefaultRcvWindow = 22222;
    profile.KeepAliveTime = 7200000;
    profile.KeepAliveInterval = 1000;
    profile.SessionKeepAlive = 3600000;
    profile.SackOpts = 0;
    profile.TcpMaxDupAcks = 3;
    profile.MaxDupAcks = 4;
    profile.Tcp1323Opts = 0;
    profile.TcpUseRFC1122UrgentPointer = 1;
    profile.BSDUrgent = 5;
    profile.EnablePMTUDiscovery = 0;
    profile.EnablePMTUBHDetect = 1;
    profile.MaxConnectionsPer1_0Server = 4;
    profile.MaxConnectionsPerServer = 2;
    profile.Version = version;
    profile.IsNT = isNT;
    return profile;
}

struct Expected {
    std::int32_t MTU, Window, TTL, Rfc1323;
};

// The last read with a scenario's preset: its MTU, window, TTL and RFC 1323 options, and the
// values every scenario sets alike.
TuningProfile WithPreset(TuningProfile profile, const Expected& e) {
    profile.MTU = e.MTU;
    profile.GlobalMaxTcpWindowSize = e.Window;
    profile.TcpWindowSize = e.Window;
    profile.DefaultRcvWindow = e.Window;
    profile.DefaultTTL = e.TTL;
    profile.Tcp1323Opts = e.Rfc1323;
    profile.EnablePMTUBHDetect = 0;
    profile.EnablePMTUDiscovery = 1;
    profile.TcpMaxDupAcks = 2;
    profile.MaxDupAcks = 2;
    profile.SackOpts = 1;
    profile.MaxConnectionsPer1_0Server = 10;
    profile.MaxConnectionsPerServer = 8;
    return profile;
}

TuningProfile Restored(TuningProfile profile) {
    profile.DefaultTTL = profile.GlobalMaxTcpWindowSize = profile.TcpWindowSize = profile.DefaultRcvWindow = -1;
    profile.KeepAliveTime = profile.KeepAliveInterval = profile.SessionKeepAlive = -1;
    profile.SackOpts = profile.TcpMaxDupAcks = profile.MaxDupAcks = profile.Tcp1323Opts = -1;
    profile.TcpUseRFC1122UrgentPointer = profile.BSDUrgent = -1;
    profile.EnablePMTUDiscovery = profile.EnablePMTUBHDetect = -1;
    profile.MaxConnectionsPer1_0Server = profile.MaxConnectionsPerServer = -1;
    return profile;
}

TEST(PresetTest, EveryScenarioOnXPOn7AndOn98SE) {
    struct Case {
        ConnectionScenario scenario;
        Expected xp, win7, win98se;
    };
    const Case cases[] = {
        {rbDialUpModem, {576, 64240, 128, 3}, {576, 64240, 64, 1}, {576, 64240, 64, 1}},
        {rbDialUpISDN, {576, 64240, 128, 3}, {576, 64240, 64, 1}, {576, 64240, 64, 1}},
        // Direct broadband and corporate LAN keep the window each family reads: the 9x family's
        // is DefaultRcvWindow (22222), never the GlobalMaxTcpWindowSize it has no use for.
        {rbADSL, {1500, 99999, 128, 3}, {1500, 99999, 64, 1}, {1500, 22222, 64, 1}},
        {rbADSLPPPoE, {1492, 255552, 128, 3}, {1492, 255552, 64, 1}, {1492, 255552, 64, 1}},
        {rbLAN, {1500, 372300, 128, 3}, {1500, 256960, 64, 1}, {1500, 256960, 64, 1}},
        {rbCorporateLAN, {1500, 99999, 128, 3}, {1500, 99999, 64, 1}, {1500, 22222, 64, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("scenario " + std::to_string(static_cast<int>(c.scenario)));
        const std::pair<TuningProfile, Expected> runs[] = {
            {LastRead(WindowsVersion::WinXP, true), c.xp},
            {LastRead(WindowsVersion::Win7, true), c.win7},
            {LastRead(WindowsVersion::Win98SE, false), c.win98se},
        };
        for (const auto& [before, expected] : runs) {
            TuningProfile profile = before;
            ApplyPreset(profile, c.scenario);
            EXPECT_EQ(profile, WithPreset(before, expected));
        }
    }
}

TEST(PresetTest, RestoreDefaultsRemovesEveryManagedValueAndKeepsMTU) {
    for (const auto& before : {LastRead(WindowsVersion::WinXP, true), LastRead(WindowsVersion::Win7, true),
                               LastRead(WindowsVersion::Win98SE, false)}) {
        TuningProfile profile = before;
        ApplyPreset(profile, rbRestore);
        EXPECT_EQ(profile, Restored(before));
        EXPECT_EQ(profile.MTU, 1234);
    }
}

TEST(PresetTest, ScenariosThatKeepTheWindowCarryItIntoAllThree) {
    for (const ConnectionScenario scenario : {rbADSL, rbCorporateLAN}) {
        for (const std::int32_t window : {-1, 64240}) {
            TuningProfile profile = LastRead(WindowsVersion::Win7, true);
            profile.GlobalMaxTcpWindowSize = window;
            ApplyPreset(profile, scenario);
            EXPECT_EQ(profile.GlobalMaxTcpWindowSize, window);
            EXPECT_EQ(profile.TcpWindowSize, window);
            EXPECT_EQ(profile.DefaultRcvWindow, window);
        }
    }
}

// Only value 11 takes the XP column: Server 2003 and XP x64 (NT 5.2), 2000, Vista and later,
// the 9x family and unknown systems all take the other.
TEST(PresetTest, OnlyWindowsXPTakesTheXPColumn) {
    for (int value = 0; value <= 19; ++value) {
        const auto version = static_cast<WindowsVersion>(value);
        TuningProfile profile = LastRead(version, value >= 8);
        ApplyPreset(profile, rbLAN);
        const bool xp = value == 11;
        EXPECT_EQ(profile.GlobalMaxTcpWindowSize, xp ? 372300 : 256960) << value;
        EXPECT_EQ(profile.DefaultTTL, xp ? 128 : 64) << value;
        EXPECT_EQ(profile.Tcp1323Opts, xp ? 3 : 1) << value;
    }
}

}  // namespace
}  // namespace tarvex
