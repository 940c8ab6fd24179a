#pragma once
// The IPv4 interfaces of the running Windows, for the adapters of the modern TCP settings.
// IP Helper is loaded by name at run time from the system folder, so the program still starts
// where it is missing; GetAdaptersAddresses is there from XP SP1, the IP interface rows
// (GetIpInterfaceEntry) from Vista.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/modern_tcp_settings.h"

namespace tarvex {

// Every interface with IPv4 except the loopback one, with its index, "{GUID}" adapter name,
// friendly name and MTU: the IPv4 row's NlMtu where Windows has IP interface rows, else the
// adapter's own MTU. Empty when IP Helper cannot be loaded; throws Error when it fails.
std::vector<ModernInterface> ListIpv4Interfaces();

// The NlMtu of the IPv4 interface `index`; nothing where Windows has no IP interface rows
// (before Vista) or the row cannot be read.
std::optional<int> ReadIpInterfaceMtu(std::uint32_t index);

}  // namespace tarvex
