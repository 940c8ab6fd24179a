#include "tuning/win32/ip_interfaces.h"

#include <winsock2.h>
#include <windows.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>
// The IP interface rows (Vista), which the headers give only for a Vista target.
#include <netioapi.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "common/error.h"
#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"
#include "platform/win32/win32_error.h"

namespace tarvex {
namespace {

using GetAdaptersAddressesFunction = ULONG(WINAPI*)(ULONG family, ULONG flags, void* reserved,
                                                    IP_ADAPTER_ADDRESSES* addresses, ULONG* size);
using InitializeIpInterfaceEntryFunction = VOID(WINAPI*)(MIB_IPINTERFACE_ROW* row);
using GetIpInterfaceEntryFunction = DWORD(WINAPI*)(MIB_IPINTERFACE_ROW* row);

// IP Helper for one call; null functions where this Windows lacks them.
struct IpHelperLibrary {
    UniqueModule Module = LoadSystemLibrary(L"iphlpapi.dll");
    GetAdaptersAddressesFunction GetAdaptersAddresses =
        ModuleFunction<GetAdaptersAddressesFunction>(Module.get(), "GetAdaptersAddresses");
    InitializeIpInterfaceEntryFunction InitializeIpInterfaceEntry =
        ModuleFunction<InitializeIpInterfaceEntryFunction>(Module.get(), "InitializeIpInterfaceEntry");
    GetIpInterfaceEntryFunction GetIpInterfaceEntry =
        ModuleFunction<GetIpInterfaceEntryFunction>(Module.get(), "GetIpInterfaceEntry");
};

std::optional<int> IpInterfaceMtu(const IpHelperLibrary& library, std::uint32_t index) {
    if (!library.InitializeIpInterfaceEntry || !library.GetIpInterfaceEntry) return std::nullopt;
    MIB_IPINTERFACE_ROW row{};
    library.InitializeIpInterfaceEntry(&row);
    row.Family = AF_INET;
    row.InterfaceIndex = index;
    if (library.GetIpInterfaceEntry(&row) != NO_ERROR) return std::nullopt;
    // A row that has not learnt its MTU yet says 0 or ~0: not a value to show.
    if (row.NlMtu == 0 || row.NlMtu > 0x7FFFFFFF) return std::nullopt;
    return static_cast<int>(row.NlMtu);
}

// The narrow "{GUID}" name, which is ASCII; bounded so that a missing NUL cannot run on.
std::string AdapterKeyOf(const char* name) {
    if (!name) return {};
    constexpr std::size_t kLongest = 256;
    std::size_t length = 0;
    while (length < kLongest && name[length] != '\0') ++length;
    return std::string(name, length);
}

}  // namespace

std::vector<ModernInterface> ListIpv4Interfaces() {
    const IpHelperLibrary library;
    if (!library.GetAdaptersAddresses) return {};

    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // The size asked for can grow between two calls when an adapter comes: ask a few times.
    ULONG size = 16 * 1024;
    std::vector<std::byte> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size, std::byte{0});
        result = library.GetAdaptersAddresses(AF_INET, kFlags, nullptr,
                                              reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result == ERROR_NO_DATA) return {};
    if (result != NO_ERROR) throw Win32Error("GetAdaptersAddresses", result);

    std::vector<ModernInterface> interfaces;
    // Only the fields that XP's shorter record has too are read.
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter;
         adapter = adapter->Next) {
        // An adapter without IPv4 bound has no IPv4 index.
        if (adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK || adapter->IfIndex == 0) continue;
        ModernInterface entry;
        entry.Index = adapter->IfIndex;
        entry.AdapterKey = AdapterKeyOf(adapter->AdapterName);
        if (adapter->FriendlyName) entry.Name = WideToUtf8(adapter->FriendlyName);
        entry.Mtu = IpInterfaceMtu(library, entry.Index);
        if (!entry.Mtu && adapter->Mtu > 0 && adapter->Mtu <= 0x7FFFFFFF) entry.Mtu = static_cast<int>(adapter->Mtu);
        interfaces.push_back(std::move(entry));
    }
    return interfaces;
}

std::optional<int> ReadIpInterfaceMtu(std::uint32_t index) {
    return IpInterfaceMtu(IpHelperLibrary(), index);
}

}  // namespace tarvex
