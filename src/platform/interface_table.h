#pragma once
// Port: the operating system's table of network interfaces with their octet counters, read
// whole or one interface's row at a time. The Win32 adapter is platform/win32/ip_helper.h (IP
// Helper's GetIfTable, GetNumberOfInterfaces and GetIfEntry); tests script the rows.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvex {

inline constexpr std::size_t kIfDescriptionSize = 256;

// The fields of an interface row that the monitor reads.
struct TMibIfRow {
    // ANSI text in the system's code page, filled up with NUL bytes (not always NUL-ended).
    std::array<char, kIfDescriptionSize> bDescr{};
    std::uint32_t dwIndex = 0;      // the interface's index: which one it is, while it exists
    std::uint32_t dwInOctets = 0;   // counts modulo 2^32
    std::uint32_t dwOutOctets = 0;  // counts modulo 2^32
};

// In the order the table delivers them.
using TIfRows = std::vector<TMibIfRow>;

// The status of a read when the table cannot be had at all (ERROR_NOT_SUPPORTED).
inline constexpr std::uint32_t kInterfaceTableUnavailable = 50;

class InterfaceTable {
public:
    virtual ~InterfaceTable() = default;
    // Replaces `rows` with the whole table; 0 on success (the table may be empty),
    // kInterfaceTableUnavailable without the platform's service, otherwise the platform's
    // error. Any status but 0 leaves `rows` empty.
    virtual std::uint32_t ReadInterfaceTable(TIfRows& rows) = 0;
    // The number of interfaces the system counts now, which may take in some that the table
    // leaves out; the status as above (`count` is 0 unless 0).
    virtual std::uint32_t CountInterfaces(std::uint32_t& count) = 0;
    // The row of the interface whose index is `row.dwIndex`, read alone (far cheaper than the
    // whole table); the status as above, and `row` as it was unless 0.
    virtual std::uint32_t ReadInterfaceRow(TMibIfRow& row) = 0;
    // A description as UTF-8, decoded from the system's code page byte for byte: the NUL fill
    // comes back as NUL characters.
    virtual std::string DecodeDescription(const std::array<char, kIfDescriptionSize>& bytes) = 0;
};

}  // namespace tarvex
