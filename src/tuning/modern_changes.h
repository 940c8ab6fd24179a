#pragma once
// Changes of the modern TCP stack through its port: what a scenario changes, the state a backup
// records before it, and the way back. Each write is confirmed by the port; a refusal carries
// Windows' own reason.
#include <optional>
#include <string>
#include <vector>

#include "platform/modern_tcp_settings.h"
#include "tuning/adapters.h"
#include "tuning/modern_tcp.h"

namespace tarvex {

// One change: a global setting (Key is its ModernSettingInfo::Key) or an interface's MTU (Key
// kModernMtuKey, Interface the adapter key).
struct ModernChange {
    std::string Key;
    std::string Interface;
    int Value = kWindowsDefault;
    std::string Text;  // as the progress list shows it: "Receive window auto-tuning: Normal"
    friend bool operator==(const ModernChange&, const ModernChange&) = default;
};

// The interface of an adapter of the list: the one whose adapter key is the same GUID.
const ModernInterface* InterfaceOf(const std::vector<ModernInterface>& interfaces, std::string_view adapterKey);

// A scenario's changes: the preset's settings in the model's order, then `mtu` for every adapter
// of the list that has an IPv4 interface (none when `mtu` is empty).
std::vector<ModernChange> PlanModernChanges(const ModernPreset& preset, const std::vector<ModernInterface>& interfaces,
                                            const std::vector<AdapterItem>& adapters, std::optional<int> mtu);
// Makes one change; throws the port's error. An MTU change for an interface that has gone throws.
void ApplyModernChange(ModernTcpSettings& port, const std::vector<ModernInterface>& interfaces,
                       const ModernChange& change);

// Every setting this Windows has, and the MTU of each listed adapter that has an interface:
// what any change of the program may touch. Throws when the settings cannot be reached.
ModernSnapshot TakeModernSnapshot(ModernTcpSettings& port, const ModernSystem& system,
                                  const std::vector<AdapterItem>& adapters);
// The same values again, for the record of what a change did.
ModernSnapshot ReadModernSnapshot(ModernTcpSettings& port, const ModernSnapshot& like);

// Writes a recorded state back: known values as they were, unknown settings to Windows' default;
// settings this Windows refuses and interfaces that have gone are left. Returns a line for each
// value not given back exactly, to tell the user. The first failing write throws.
std::vector<std::string> RestoreModernSnapshot(ModernTcpSettings& port, const ModernSystem& system,
                                               const ModernSnapshot& snapshot);

// A recorded value's name as the history lists it: the setting's caption, or "MTU {GUID}".
std::string ModernValueName(const ModernSavedValue& value);

}  // namespace tarvex
