#pragma once
// The TCP/IP stack of Windows Vista and later as a program can really tune it. Since Vista the
// receive window comes from receive-window auto-tuning and the stack no longer reads most of
// the classic registry values; what it honours is set through netsh (Vista and 7) or WMI's
// root\StandardCimv2 classes (8 and Server 2012 and later). This is the portable model of
// those settings: which Windows has each, its values, Windows' default, whether a client
// edition may write it, the presets per scenario, and the state a backup records.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os_version.h"
#include "tuning/tuning_profile.h"

namespace tarvex {

// The generations of the modern stack, oldest first; each server shares its client's.
enum class ModernStack : std::uint8_t { Vista, Win7, Win8, Win81, Win10, Win11 };

struct ModernSystem {
    ModernStack Stack = ModernStack::Vista;
    bool Server = false;
    std::string Release;  // "Windows 10", "Windows Server 2019"...
    friend bool operator==(const ModernSystem&, const ModernSystem&) = default;
};

// The modern stack of the running Windows; nothing on the 9x family and on NT before Vista
// (XP, Server 2003), whose stack reads the classic registry values. Taken from the true version,
// since the reported one stops at 6.2 for this program.
std::optional<ModernSystem> ModernSystemOf(const OsVersionInfo& os);

// Windows 8 and Server 2012 and later are set through WMI; Vista and 7 through netsh.
inline bool UsesWmi(const ModernSystem& system) {
    return system.Stack >= ModernStack::Win8;
}

// The settings, in the order the editor lists them and a run writes them.
enum class ModernSettingId : std::uint8_t {
    AutoTuningLevel,
    CongestionProvider,
    EcnCapability,
    Timestamps,
    ReceiveSideScaling,
    ReceiveSegmentCoalescing,
    InitialRto,
};
inline constexpr int kModernSettingCount = 7;

// A value that stands for Windows' own default, as -1 does for the classic values: netsh's
// "default" keyword (auto-tuning: "normal"), or on WMI the built-in template's value.
inline constexpr int kWindowsDefault = -1;

// One value of a setting with a fixed list. Values are WMI's numbers; NetshWord is what netsh
// takes for it on Vista and 7 (empty: netsh has no such value there).
struct ModernChoice {
    int Value;
    std::string_view Caption;
    std::string_view NetshWord;
};

struct ModernSettingInfo {
    ModernSettingId Id;
    std::string_view Key;            // the stable name in backups and registry files
    std::string_view Caption;        // as the editor shows it
    std::string_view Why;            // one line: what it does and when to change it
    std::string_view NetshArgument;  // `netsh interface tcp set global <argument>=...`; empty: none
    ModernStack Since;
    bool ReadOnlyOnClient10;                // Windows 10 and 11 client editions refuse it
    std::span<const ModernChoice> Choices;  // empty: a number from Min to Max
    int Min = 0;
    int Max = 0;
    std::string_view DefaultText;  // Windows' default as the help documents it; empty: not documented
};

std::span<const ModernSettingInfo> ModernSettings();
const ModernSettingInfo& ModernSettingOf(ModernSettingId id);
std::optional<ModernSettingId> ModernSettingByKey(std::string_view key);

// Whether the running Windows has the setting, and whether the program may write it there.
bool HasSetting(const ModernSystem& system, ModernSettingId id);
bool CanWriteSetting(const ModernSystem& system, ModernSettingId id);
// Whether `value` is one the setting takes on this Windows (kWindowsDefault always is).
bool IsValidValue(const ModernSystem& system, ModernSettingId id, int value);
// A value as the editor and the history show it: the choice's caption, the number, "Windows
// default", or "unknown" for nothing.
std::string DescribeModernValue(ModernSettingId id, std::optional<int> value);

// What a scenario sets on the modern stack; nothing for a setting it leaves as it is.
struct ModernPreset {
    std::optional<int> Values[kModernSettingCount];
    std::optional<int> Value(ModernSettingId id) const { return Values[static_cast<int>(id)]; }
};
// The scenario's column for this Windows; rbRestore returns every setting it has to Windows'
// default. Settings the Windows lacks or refuses are left out.
ModernPreset ModernPresetFor(ConnectionScenario scenario, const ModernSystem& system);

// One recorded modern value: a global setting (Key is its ModernSettingInfo::Key) or an
// interface's MTU (Key "MTU", Interface its adapter key, the "{GUID}" the registry names it by).
// No value: Windows keeps it where the program cannot read it.
struct ModernSavedValue {
    std::string Key;
    std::string Interface;
    std::optional<int> Value;
    friend bool operator==(const ModernSavedValue&, const ModernSavedValue&) = default;
};
using ModernSnapshot = std::vector<ModernSavedValue>;
inline constexpr std::string_view kModernMtuKey = "MTU";

}  // namespace tarvex
