#include "tuning/modern_changes.h"

#include "common/ascii_text.h"

namespace tarvex {
namespace {

std::string SettingText(ModernSettingId id, int value) {
    return std::string(ModernSettingOf(id).Caption) + ": " + DescribeModernValue(id, value);
}

}  // namespace

const ModernInterface* InterfaceOf(const std::vector<ModernInterface>& interfaces, std::string_view adapterKey) {
    if (adapterKey.empty()) return nullptr;
    for (const ModernInterface& item : interfaces)
        if (AsciiEqualsIgnoreCase(item.AdapterKey, adapterKey)) return &item;
    return nullptr;
}

std::vector<ModernChange> PlanModernChanges(const ModernPreset& preset, const std::vector<ModernInterface>& interfaces,
                                            const std::vector<AdapterItem>& adapters, std::optional<int> mtu) {
    std::vector<ModernChange> changes;
    for (const ModernSettingInfo& info : ModernSettings()) {
        if (const auto value = preset.Value(info.Id))
            changes.push_back({std::string(info.Key), {}, *value, SettingText(info.Id, *value)});
    }
    if (!mtu) return changes;
    for (const AdapterItem& adapter : adapters) {
        const ModernInterface* found = InterfaceOf(interfaces, adapter.AdapterKey);
        if (!found) continue;
        const std::string& name = found->Name.empty() ? adapter.Caption : found->Name;
        changes.push_back(
            {std::string(kModernMtuKey), found->AdapterKey, *mtu, "MTU of " + name + ": " + std::to_string(*mtu)});
    }
    return changes;
}

void ApplyModernChange(ModernTcpSettings& port, const std::vector<ModernInterface>& interfaces,
                       const ModernChange& change) {
    if (change.Key == kModernMtuKey) {
        const ModernInterface* found = InterfaceOf(interfaces, change.Interface);
        if (!found) throw Error("The network interface " + change.Interface + " is no longer there.");
        port.WriteMtu(*found, change.Value);
        return;
    }
    const auto id = ModernSettingByKey(change.Key);
    if (!id) throw Error("Tarvex does not manage the setting " + change.Key + ".");
    port.Write(*id, change.Value);
}

ModernSnapshot TakeModernSnapshot(ModernTcpSettings& port, const ModernSystem& system,
                                  const std::vector<AdapterItem>& adapters) {
    const ModernReading reading = port.Read();
    ModernSnapshot snapshot;
    for (const ModernSettingInfo& info : ModernSettings())
        if (HasSetting(system, info.Id)) snapshot.push_back({std::string(info.Key), {}, reading.Value(info.Id)});
    const std::vector<ModernInterface> interfaces = port.Interfaces();
    for (const AdapterItem& adapter : adapters)
        if (const ModernInterface* found = InterfaceOf(interfaces, adapter.AdapterKey))
            snapshot.push_back({std::string(kModernMtuKey), found->AdapterKey, found->Mtu});
    return snapshot;
}

ModernSnapshot ReadModernSnapshot(ModernTcpSettings& port, const ModernSnapshot& like) {
    const ModernReading reading = port.Read();
    const std::vector<ModernInterface> interfaces = port.Interfaces();
    ModernSnapshot snapshot;
    for (const ModernSavedValue& saved : like) {
        ModernSavedValue now{saved.Key, saved.Interface, std::nullopt};
        if (saved.Key == kModernMtuKey) {
            if (const ModernInterface* found = InterfaceOf(interfaces, saved.Interface)) now.Value = found->Mtu;
        } else if (const auto id = ModernSettingByKey(saved.Key)) {
            now.Value = reading.Value(*id);
        }
        snapshot.push_back(std::move(now));
    }
    return snapshot;
}

std::vector<std::string> RestoreModernSnapshot(ModernTcpSettings& port, const ModernSystem& system,
                                               const ModernSnapshot& snapshot) {
    std::vector<std::string> notes;
    if (snapshot.empty()) return notes;
    const std::vector<ModernInterface> interfaces = port.Interfaces();
    for (const ModernSavedValue& saved : snapshot) {
        if (saved.Key == kModernMtuKey) {
            const ModernInterface* found = InterfaceOf(interfaces, saved.Interface);
            if (!found) continue;  // an adapter removed since stays removed
            if (!saved.Value) {
                notes.push_back("The earlier MTU of " + (found->Name.empty() ? saved.Interface : found->Name) +
                                " was not known, so it was left as it is.");
                continue;
            }
            if (found->Mtu != saved.Value) port.WriteMtu(*found, *saved.Value);
            continue;
        }
        const auto id = ModernSettingByKey(saved.Key);
        if (!id || !CanWriteSetting(system, *id)) continue;
        if (saved.Value && !IsValidValue(system, *id, *saved.Value)) {
            notes.push_back(std::string(ModernSettingOf(*id).Caption) + " was recorded as " +
                            DescribeModernValue(*id, saved.Value) +
                            ", which this Windows does not take; it was left as it is.");
            continue;
        }
        port.Write(*id, saved.Value.value_or(kWindowsDefault));
        if (!saved.Value)
            notes.push_back(std::string(ModernSettingOf(*id).Caption) +
                            ": its earlier value could not be read, so it was returned to Windows' default.");
    }
    return notes;
}

std::string ModernValueName(const ModernSavedValue& value) {
    if (value.Key == kModernMtuKey) return std::string(kModernMtuKey) + " " + value.Interface;
    if (const auto id = ModernSettingByKey(value.Key)) return std::string(ModernSettingOf(*id).Caption);
    return value.Key;
}

}  // namespace tarvex
