#pragma once
// The interface table from IP Helper. The library is loaded by name at first use, so the
// program still starts on a Windows without it (its reads then give 50 and no rows), and kept
// until this object ends.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/interface_table.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {

class IPHelper final : public InterfaceTable {
public:
    // Whether "IPHLPAPI.DLL" is loaded with its "GetIfTable"; a failed load is tried again on
    // the next call.
    bool LoadIpHelper();
    // The table unsorted, read whole in two calls with a buffer of exactly the size the first
    // one asks for.
    std::uint32_t ReadInterfaceTable(TIfRows& rows) override;
    // From the system's ANSI code page.
    std::string DecodeDescription(const std::array<char, kIfDescriptionSize>& bytes) override;

private:
    using GetIfTableFunction = DWORD(WINAPI*)(void* table, ULONG* size, BOOL order);

    UniqueModule library_;
    GetIfTableFunction getIfTable_ = nullptr;
};

}  // namespace tarvex
