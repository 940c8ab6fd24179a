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

bool IPHelper::LoadIpHelper() {
    if (getIfTable_) return true;
    UniqueModule library(LoadLibraryW(L"IPHLPAPI.DLL"));
    const auto getIfTable = ModuleFunction<GetIfTableFunction>(library.get(), "GetIfTable");
    if (!getIfTable) return false;  // the library goes again; the next call tries anew
    library_ = std::move(library);
    getIfTable_ = getIfTable;
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
        std::memcpy(rows[i].bDescr.data(), source.bDescr, kIfDescriptionSize);
        rows[i].dwInOctets = source.dwInOctets;
        rows[i].dwOutOctets = source.dwOutOctets;
    }
    return NO_ERROR;
}

std::string IPHelper::DecodeDescription(const std::array<char, kIfDescriptionSize>& bytes) {
    // Each byte, or pair of a double-byte code page, gives at most one UTF-16 unit.
    wchar_t wide[kIfDescriptionSize];
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide,
                                           static_cast<int>(kIfDescriptionSize));
    return WideToUtf8(std::wstring_view(wide, length > 0 ? static_cast<std::size_t>(length) : 0));
}

}  // namespace tarvex
