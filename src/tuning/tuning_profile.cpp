#include "tuning/tuning_profile.h"

#include <optional>

namespace tarvex {
namespace {

struct ScenarioPreset {
    std::int32_t MTU;
    // The receive window; none keeps the one last read or edited.
    std::optional<std::int32_t> Window;
};

ScenarioPreset PresetOf(ConnectionScenario scenario, bool windowsXP) {
    switch (scenario) {
        case ConnectionScenario::rbDialUpModem:
        case ConnectionScenario::rbDialUpISDN:
            return {576, 64240};
        case ConnectionScenario::rbADSL:
        case ConnectionScenario::rbCorporateLAN:
            return {1500, std::nullopt};
        case ConnectionScenario::rbADSLPPPoE:
            return {1492, 255552};
        case ConnectionScenario::rbLAN:
            return {1500, windowsXP ? 372300 : 256960};
        case ConnectionScenario::rbRestore:
            break;
    }
    return {};
}

}  // namespace

void ApplyPreset(TuningProfile& profile, ConnectionScenario scenario) {
    if (scenario == ConnectionScenario::rbRestore) {
        for (const ProfileField field : kManagedFields) profile.*field = kSystemDefault;
        return;
    }
    // Exactly Windows XP; Server 2003 and XP x64 (both NT 5.2) take the values of every other Windows.
    const bool windowsXP = profile.Version == WindowsVersion::WinXP;
    const ScenarioPreset preset = PresetOf(scenario, windowsXP);
    profile.MTU = preset.MTU;
    // The window kept is the one the family reads: the 9x family has no GlobalMaxTcpWindowSize.
    const std::int32_t window =
        preset.Window.value_or(profile.IsNT ? profile.GlobalMaxTcpWindowSize : profile.DefaultRcvWindow);
    profile.GlobalMaxTcpWindowSize = window;
    profile.DefaultTTL = windowsXP ? 128 : 64;
    profile.Tcp1323Opts = windowsXP ? 3 : 1;
    profile.EnablePMTUBHDetect = 0;
    profile.EnablePMTUDiscovery = 1;
    profile.TcpMaxDupAcks = 2;
    profile.MaxDupAcks = 2;
    profile.SackOpts = 1;
    profile.TcpWindowSize = window;
    profile.DefaultRcvWindow = window;
    profile.MaxConnectionsPer1_0Server = 10;
    profile.MaxConnectionsPerServer = 8;
}

}  // namespace tarvex
