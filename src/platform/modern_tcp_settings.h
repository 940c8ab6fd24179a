#pragma once
// Port: the TCP settings of Windows Vista and later, which the stack takes from netsh or WMI
// rather than from the registry. The Win32 adapters are tuning/win32/netsh_tcp_settings.h
// (Vista and 7) and tuning/win32/wmi_tcp_settings.h (8 and later); tests use doubles.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tuning/modern_tcp.h"

namespace tarvex {

// An IPv4 interface of the running Windows.
struct ModernInterface {
    std::string AdapterKey;   // "{GUID}", as the registry's network cards name the adapter
    std::uint32_t Index = 0;  // the interface index
    std::string Name;         // the interface's friendly name, only to show
    std::optional<int> Mtu;   // nothing: not readable here
    friend bool operator==(const ModernInterface&, const ModernInterface&) = default;
};

// The global settings as read; nothing for a setting whose value Windows keeps where the
// program cannot read it (netsh prints it only in the user's language).
struct ModernReading {
    std::optional<int> Values[kModernSettingCount];
    std::optional<int> Value(ModernSettingId id) const { return Values[static_cast<int>(id)]; }
};

class ModernTcpSettings {
public:
    virtual ~ModernTcpSettings() = default;

    // The settings this Windows has. Throws Error with the platform's reason when they cannot be
    // reached at all (WMI's namespace missing, netsh not there).
    virtual ModernReading Read() = 0;
    // Sets one setting (kWindowsDefault: back to Windows' default) and confirms it: throws Error
    // with the platform's own reason when Windows refuses it, or when the value read back
    // differs from the one written.
    virtual void Write(ModernSettingId id, int value) = 0;

    // The IPv4 interfaces with their current MTU.
    virtual std::vector<ModernInterface> Interfaces() = 0;
    // Sets an interface's IPv4 MTU so that it lasts across restarts, and confirms it as Write does.
    virtual void WriteMtu(const ModernInterface& where, int mtu) = 0;
};

}  // namespace tarvex
