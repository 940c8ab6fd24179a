#include "tuning/parameter_store.h"

#include <optional>
#include <span>
#include <string>

#include "common/integer_text.h"

namespace tarvex {
namespace {

enum class Stored {
    Integer,        // REG_DWORD
    Text,           // REG_SZ, decimal digits
    RemovedOnWrite  // deleted by every write, never read
};

struct StoredValue {
    ProfileField Field;  // null for a value that only goes
    const char* Name;
    Stored Kind;
};

// A key and its values in the order they are read and written.
struct StoredKey {
    RegistryRoot Root;
    const char* Path;
    bool CreateOnWrite;
    std::span<const StoredValue> Values;
    std::span<const ProfileField> NotStored;  // the family keeps no such value: -1 whenever the key opens
};

using P = TuningProfile;

constexpr StoredValue kNtValues[] = {
    {&P::DefaultTTL, "DefaultTTL", Stored::Integer},
    {&P::GlobalMaxTcpWindowSize, "GlobalMaxTcpWindowSize", Stored::Integer},
    {&P::TcpWindowSize, "TcpWindowSize", Stored::Integer},
    {&P::KeepAliveTime, "KeepAliveTime", Stored::Integer},
    {&P::KeepAliveInterval, "KeepAliveInterval", Stored::Integer},
    {&P::SessionKeepAlive, "SessionKeepAlive", Stored::Integer},
    {&P::SackOpts, "SackOpts", Stored::Integer},
    {&P::TcpMaxDupAcks, "TcpMaxDupAcks", Stored::Integer},
    {&P::Tcp1323Opts, "Tcp1323Opts", Stored::Integer},
    {&P::TcpUseRFC1122UrgentPointer, "TcpUseRFC1122UrgentPointer", Stored::Integer},
    {&P::EnablePMTUDiscovery, "EnablePMTUDiscovery", Stored::Integer},
    {&P::EnablePMTUBHDetect, "EnablePMTUBHDetect", Stored::Integer},
};
constexpr ProfileField kNotStoredOnNt[] = {&P::DefaultRcvWindow, &P::MaxDupAcks, &P::BSDUrgent};

// Windows 98 and later keep most of these as text.
constexpr StoredValue k9xValues[] = {
    {&P::DefaultTTL, "DefaultTTL", Stored::Text},
    {&P::DefaultRcvWindow, "DefaultRcvWindow", Stored::Integer},
    {&P::KeepAliveTime, "KeepAliveTime", Stored::Text},
    {&P::KeepAliveInterval, "KeepAliveInterval", Stored::Text},
    {&P::SessionKeepAlive, "SessionKeepAlive", Stored::Text},
    {&P::SackOpts, "SackOpts", Stored::Text},
    {&P::Tcp1323Opts, "Tcp1323Opts", Stored::Text},
    {&P::BSDUrgent, "BSDUrgent", Stored::Integer},
    {&P::EnablePMTUDiscovery, "PMTUDiscovery", Stored::Text},
    {&P::EnablePMTUBHDetect, "PMTUBlackHoleDetect", Stored::Text},
};
constexpr ProfileField kNotStoredIn9xKey[] = {&P::TcpWindowSize, &P::TcpMaxDupAcks, &P::TcpUseRFC1122UrgentPointer};

// Windows 98 reads a window under this misspelt name; DefaultRcvWindow is the window the
// program sets there, so the other goes.
constexpr StoredValue k9xParameterValues[] = {
    {nullptr, "GlobalMaxTcpWindoSize", Stored::RemovedOnWrite},
    {&P::MaxDupAcks, "MaxDupAcks", Stored::Integer},
};
constexpr ProfileField kNotStoredIn9xParameters[] = {&P::GlobalMaxTcpWindowSize};

constexpr StoredValue kInternetValues[] = {
    {&P::MaxConnectionsPer1_0Server, "MaxConnectionsPer1_0Server", Stored::Integer},
    {&P::MaxConnectionsPerServer, "MaxConnectionsPerServer", Stored::Integer},
};

// The connection limits belong to the user's Internet settings, whose key is never created here.
constexpr StoredKey kInternetKey = {RegistryRoot::CurrentUser,
                                    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                                    false,
                                    kInternetValues,
                                    {}};

constexpr StoredKey kNtKeys[] = {
    {RegistryRoot::LocalMachine, "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", true, kNtValues,
     kNotStoredOnNt},
    kInternetKey,
};

constexpr StoredKey k9xKeys[] = {
    {RegistryRoot::LocalMachine, "\\SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP", true, k9xValues,
     kNotStoredIn9xKey},
    {RegistryRoot::LocalMachine, "\\SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP\\Parameters", false,
     k9xParameterValues, kNotStoredIn9xParameters},
    kInternetKey,
};

std::span<const StoredKey> KeysOf(const TuningProfile& profile) {
    if (profile.IsNT) return kNtKeys;
    return k9xKeys;
}

// A missing value fails to read as an integer and reads as empty text, so it too gives the default.
std::int32_t ReadValue(RegistryAccess& registry, const StoredValue& value) {
    try {
        if (value.Kind == Stored::Integer) return registry.ReadInteger(value.Name);
        return ParseInteger(registry.ReadText(value.Name)).value_or(kSystemDefault);
    } catch (const Error&) {
        return kSystemDefault;  // missing, of another type or unreadable
    }
}

void WriteValue(RegistryAccess& registry, const StoredValue& value, const TuningProfile& profile) {
    const std::int32_t number = value.Field ? profile.*value.Field : kSystemDefault;
    if (number == kSystemDefault) {
        registry.RemoveValue(value.Name);  // gone already is just as good
    } else if (value.Kind == Stored::Integer) {
        registry.WriteInteger(value.Name, number);
    } else {
        // A failing text write ends the write like an integer one: going on would let the run
        // report success with a value missing.
        registry.WriteText(value.Name, std::to_string(number));
    }
}

}  // namespace

void ReadProfile(RegistryAccess& registry, TuningProfile& profile) {
    profile.MTU = 576;  // the adapters' own MTU is read with the adapters
    for (const StoredKey& key : KeysOf(profile)) {
        registry.SetRootKey(key.Root);
        const bool opened = registry.OpenKey(key.Path, false);
        // A key that is not there holds no value: each is the system's default, never the
        // profile's zeros from before the first read, which a later write would store.
        for (const StoredValue& value : key.Values)
            if (value.Field) profile.*value.Field = opened ? ReadValue(registry, value) : kSystemDefault;
        for (const ProfileField field : key.NotStored) profile.*field = kSystemDefault;
        registry.CloseKey();
    }
}

void WriteProfile(RegistryAccess& registry, const TuningProfile& profile) {
    for (const StoredKey& key : KeysOf(profile)) {
        registry.SetRootKey(key.Root);
        if (!registry.OpenKey(key.Path, key.CreateOnWrite)) continue;
        for (const StoredValue& value : key.Values) WriteValue(registry, value, profile);
        registry.CloseKey();
    }
}

std::vector<ProfileValueLocation> ProfileValueLocations(bool isNT) {
    TuningProfile family;
    family.IsNT = isNT;
    std::vector<ProfileValueLocation> locations;
    for (const StoredKey& key : KeysOf(family))
        for (const StoredValue& value : key.Values)
            locations.push_back({key.Root, key.Path, value.Name, key.CreateOnWrite});
    return locations;
}

}  // namespace tarvex
