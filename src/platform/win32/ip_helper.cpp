#include "platform/win32/ip_helper.h"

#include <iphlpapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"

namespace tarvex {

static_assert(sizeof(MIB_IFROW) == 860);
static_assert(sizeof(MIB_IFROW::bDescr) == kIfDescriptionSize);

namespace {

void CopyRow(const MIB_IFROW& source, TMibIfRow& row) {
    std::memcpy(row.bDescr.data(), source.bDescr, kIfDescriptionSize);
    row.dwIndex = source.dwIndex;
    row.dwInOctets = source.dwInOctets;
    row.dwOutOctets = source.dwOutOctets;
}

}  // namespace

bool IPHelper::LoadIpHelper() {
    if (getIfTable_) return true;
    UniqueModule library(LoadLibraryW(L"IPHLPAPI.DLL"));
    const auto getIfTable = ModuleFunction<GetIfTableFunction>(library.get(), "GetIfTable");
    const auto getNumberOfInterfaces =
        ModuleFunction<GetNumberOfInterfacesFunction>(library.get(), "GetNumberOfInterfaces");
    const auto getIfEntry = ModuleFunction<GetIfEntryFunction>(library.get(), "GetIfEntry");
    // Without one of them the library goes again; the next call tries anew.
    if (!getIfTable || !getNumberOfInterfaces || !getIfEntry) return false;
    library_ = std::move(library);
    getIfTable_ = getIfTable;
    getNumberOfInterfaces_ = getNumberOfInterfaces;
    getIfEntry_ = getIfEntry;
    return true;
}

std::uint32_t IPHelper::ReadInterfaceTable(TIfRows& rows) {
    rows.clear();
    if (!LoadIpHelper()) return kInterfaceTableUnavailable;

    ULONG size = 0;
    DWORD result = getIfTable_(nullptr, &size, FALSE);
    if (result != ERROR_INSUFFICIENT_BUFFER) return result;

    // Owned by the vector, so every way out of here frees it.
    std::vector<std::byte> buffer(size);
    result = getIfTable_(buffer.data(), &size, FALSE);
    if (result != NO_ERROR) return result;

    // Never more rows than the buffer holds, whatever the count says.
    constexpr std::size_t kHeader = offsetof(MIB_IFTABLE, table);
    const std::size_t filled = std::min<std::size_t>(size, buffer.size());
    const std::size_t room = filled >= kHeader ? (filled - kHeader) / sizeof(MIB_IFROW) : 0;
    const std::size_t count =
        room == 0 ? 0 : std::min<std::size_t>(reinterpret_cast<const MIB_IFTABLE*>(buffer.data())->dwNumEntries, room);
    rows.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        MIB_IFROW source;
        std::memcpy(&source, buffer.data() + kHeader + i * sizeof(MIB_IFROW), sizeof source);
        CopyRow(source, rows[i]);
    }
    return NO_ERROR;
}

std::uint32_t IPHelper::CountInterfaces(std::uint32_t& count) {
    count = 0;
    if (!LoadIpHelper()) return kInterfaceTableUnavailable;
    DWORD number = 0;
    const DWORD result = getNumberOfInterfaces_(&number);
    if (result == NO_ERROR) count = number;
    return result;
}

std::uint32_t IPHelper::ReadInterfaceRow(TMibIfRow& row) {
    if (!LoadIpHelper()) return kInterfaceTableUnavailable;
    MIB_IFROW entry{};
    entry.dwIndex = row.dwIndex;
    const DWORD result = getIfEntry_(&entry);
    if (result == NO_ERROR) CopyRow(entry, row);
    return result;
}

std::string IPHelper::DecodeDescription(const std::array<char, kIfDescriptionSize>& bytes) {
    // Each byte, or pair of a double-byte code page, gives at most one UTF-16 unit.
    wchar_t wide[kIfDescriptionSize];
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide,
                                           static_cast<int>(kIfDescriptionSize));
    return WideToUtf8(std::wstring_view(wide, length > 0 ? static_cast<std::size_t>(length) : 0));
}

}  // namespace tarvex
