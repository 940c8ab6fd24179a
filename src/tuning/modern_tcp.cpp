#include "tuning/modern_tcp.h"

#include <algorithm>

#include "common/windows_version.h"

namespace tarvex {
namespace {

constexpr std::uint32_t kWindows11Build = 22000;

// Auto-tuning's levels as WMI numbers them; netsh names the same five.
constexpr ModernChoice kAutoTuningChoices[] = {
    {0, "Disabled", "disabled"}, {1, "Highly restricted", "highlyrestricted"}, {2, "Restricted", "restricted"},
    {3, "Normal", "normal"},     {4, "Experimental", "experimental"},
};
// The providers as MSFT_NetTCPSetting documents their numbers; netsh on Vista and 7 knows the
// first two. Later releases report providers the documentation gives no number for (CUBIC since
// Windows 10 1709): they show as their number.
constexpr ModernChoice kCongestionChoices[] = {
    {0, "Default (none)", "none"},
    {2, "CTCP", "ctcp"},
    {3, "DCTCP", ""},
};
constexpr ModernChoice kOnOffChoices[] = {
    {0, "Disabled", "disabled"},
    {1, "Enabled", "enabled"},
};

constexpr ModernSettingInfo kSettings[] = {
    {ModernSettingId::AutoTuningLevel, "AutoTuningLevel", "Receive window auto-tuning",
     "Sets the receive window since Vista; disabled caps it at 64 KB without window scaling.", "autotuninglevel",
     ModernStack::Vista, false, kAutoTuningChoices, 0, 0, "Normal"},
    {ModernSettingId::CongestionProvider, "CongestionProvider", "Congestion provider",
     "How the sender grows its window; Windows picks it per edition and release.", "congestionprovider",
     ModernStack::Vista, true, kCongestionChoices, 0, 0, ""},
    {ModernSettingId::EcnCapability, "EcnCapability", "ECN capability",
     "Congestion marks instead of losses; some networks drop marked traffic.", "ecncapability", ModernStack::Vista,
     false, kOnOffChoices, 0, 0, ""},
    {ModernSettingId::Timestamps, "Timestamps", "TCP timestamps", "RFC 1323 timestamps on each segment.", "timestamps",
     ModernStack::Vista, false, kOnOffChoices, 0, 0, ""},
    {ModernSettingId::ReceiveSideScaling, "ReceiveSideScaling", "Receive-side scaling (RSS)",
     "Spreads received traffic over the processors.", "rss", ModernStack::Vista, false, kOnOffChoices, 0, 0, ""},
    {ModernSettingId::ReceiveSegmentCoalescing, "ReceiveSegmentCoalescing", "Receive segment coalescing (RSC)",
     "Lets the adapter join received segments, for less work per packet.", "", ModernStack::Win8, false, kOnOffChoices,
     0, 0, ""},
    {ModernSettingId::InitialRto,
     "InitialRto",
     "Initial retransmission timeout",
     "How long a new connection waits before it resends, in milliseconds.",
     "",
     ModernStack::Win8,
     false,
     {},
     300,
     3000,
     ""},
};

}  // namespace

std::optional<ModernSystem> ModernSystemOf(const OsVersionInfo& os) {
    if (!IsNTFamily(os)) return std::nullopt;
    const std::uint32_t major = os.TrueVersion ? os.TrueVersion->Major : os.Major;
    const std::uint32_t minor = os.TrueVersion ? os.TrueVersion->Minor : os.Minor;
    const std::uint32_t build = os.TrueVersion ? os.TrueVersion->Build : os.Build;
    if (major < 6) return std::nullopt;
    ModernSystem system;
    system.Server = os.ProductType && *os.ProductType != 1;
    if (major == 6) {
        system.Stack = minor == 0   ? ModernStack::Vista
                       : minor == 1 ? ModernStack::Win7
                       : minor == 2 ? ModernStack::Win8
                                    : ModernStack::Win81;
    } else {
        // 10.0 covers Windows 10 and 11 and the servers since 2016; anything later keeps 11's rules.
        system.Stack =
            major > 10 || (!system.Server && build >= kWindows11Build) ? ModernStack::Win11 : ModernStack::Win10;
    }
    system.Release = WindowsReleaseName(os);
    if (system.Release.empty()) system.Release = "Windows " + std::to_string(major) + "." + std::to_string(minor);
    return system;
}

std::span<const ModernSettingInfo> ModernSettings() {
    return kSettings;
}

const ModernSettingInfo& ModernSettingOf(ModernSettingId id) {
    return kSettings[static_cast<int>(id)];
}

std::optional<ModernSettingId> ModernSettingByKey(std::string_view key) {
    for (const ModernSettingInfo& info : kSettings)
        if (info.Key == key) return info.Id;
    return std::nullopt;
}

bool HasSetting(const ModernSystem& system, ModernSettingId id) {
    return system.Stack >= ModernSettingOf(id).Since;
}

bool CanWriteSetting(const ModernSystem& system, ModernSettingId id) {
    if (!HasSetting(system, id)) return false;
    const ModernSettingInfo& info = ModernSettingOf(id);
    return !(info.ReadOnlyOnClient10 && !system.Server && system.Stack >= ModernStack::Win10);
}

bool IsValidValue(const ModernSystem& system, ModernSettingId id, int value) {
    if (!HasSetting(system, id)) return false;
    if (value == kWindowsDefault) return true;
    const ModernSettingInfo& info = ModernSettingOf(id);
    if (info.Choices.empty()) return value >= info.Min && value <= info.Max;
    return std::any_of(info.Choices.begin(), info.Choices.end(), [&](const ModernChoice& choice) {
        return choice.Value == value && (UsesWmi(system) || !choice.NetshWord.empty());
    });
}

std::string DescribeModernValue(ModernSettingId id, std::optional<int> value) {
    if (!value) return "unknown";
    if (*value == kWindowsDefault) return "Windows default";
    const ModernSettingInfo& info = ModernSettingOf(id);
    for (const ModernChoice& choice : info.Choices)
        if (choice.Value == *value) return std::string(choice.Caption);
    if (id == ModernSettingId::InitialRto) return std::to_string(*value) + " ms";
    return std::to_string(*value);
}

// The modern column of each scenario. Why each value:
// - Auto-tuning: normal is Windows' default and lets the window grow to what the path needs;
//   set explicitly because a disabled level (left by an older tool or a user) caps the window
//   at 64 KB without scaling. On a modem or ISDN line the bandwidth-delay product is a few
//   kilobytes, so a window grown larger gains nothing and only fills the line's buffers:
//   highly restricted (modem) and restricted (ISDN) keep it small.
// - Congestion provider: left as it is. Windows chooses it per edition and release (CUBIC since
//   Windows 10 1709), client editions of 10 and 11 refuse changes, and no scenario has a
//   measured reason to differ.
// - ECN and timestamps: Windows' default. Some networks drop ECN-marked traffic, and neither
//   has a documented gain for any scenario here.
// - RSS: on. It spreads receive work over the processors and is on by default; a scenario only
//   ever gains from it.
// - RSC: left as it is; its effect depends on the adapter's driver.
// - Initial RTO: Windows' default; no scenario has a measured reason for another.
// - The MTU is the scenario's, set per adapter with the classic value (tuning/adapters.h).
ModernPreset ModernPresetFor(ConnectionScenario scenario, const ModernSystem& system) {
    ModernPreset preset;
    auto set = [&](ModernSettingId id, int value) {
        if (CanWriteSetting(system, id) && IsValidValue(system, id, value)) preset.Values[static_cast<int>(id)] = value;
    };
    if (scenario == ConnectionScenario::rbRestore) {
        for (const ModernSettingInfo& info : kSettings) set(info.Id, kWindowsDefault);
        return preset;
    }
    const int autoTuning = scenario == ConnectionScenario::rbDialUpModem  ? 1
                           : scenario == ConnectionScenario::rbDialUpISDN ? 2
                                                                          : 3;
    set(ModernSettingId::AutoTuningLevel, autoTuning);
    set(ModernSettingId::EcnCapability, kWindowsDefault);
    set(ModernSettingId::Timestamps, kWindowsDefault);
    set(ModernSettingId::ReceiveSideScaling, 1);
    set(ModernSettingId::InitialRto, kWindowsDefault);
    return preset;
}

}  // namespace tarvex
