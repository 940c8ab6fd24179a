#pragma once
// The interface table from IP Helper. The library is loaded by name at first use, so the
// program still starts on a Windows without it (its reads then give 50 and no rows), and kept
// until this object ends. Every Windows that has the library has the three functions used.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/interface_table.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {

class IPHelper final : public InterfaceTable {
public:
    // Whether "IPHLPAPI.DLL" is loaded with its "GetIfTable", "GetNumberOfInterfaces" and
    // "GetIfEntry"; a failed load is tried again on the next call.
    bool LoadIpHelper();
    // The table unsorted, read whole in two calls with a buffer of exactly the size the first
    // one asks for.
    std::uint32_t ReadInterfaceTable(TIfRows& rows) override;
    // GetNumberOfInterfaces.
    std::uint32_t CountInterfaces(std::uint32_t& count) override;
    // GetIfEntry of the row's index.
    std::uint32_t ReadInterfaceRow(TMibIfRow& row) override;
    // From the system's ANSI code page.
    std::string DecodeDescription(const std::array<char, kIfDescriptionSize>& bytes) override;

private:
    using GetIfTableFunction = DWORD(WINAPI*)(void* table, ULONG* size, BOOL order);
    using GetNumberOfInterfacesFunction = DWORD(WINAPI*)(DWORD* count);
    using GetIfEntryFunction = DWORD(WINAPI*)(void* row);  // MIB_IFROW

    UniqueModule library_;
    GetIfTableFunction getIfTable_ = nullptr;
    GetNumberOfInterfacesFunction getNumberOfInterfaces_ = nullptr;
    GetIfEntryFunction getIfEntry_ = nullptr;
};

}  // namespace tarvex
