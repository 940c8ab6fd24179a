#pragma once
// A scripted interface table: tests set the rows (or a failing status) the next reads return;
// a row read alone is found by its index. Descriptions decode as Latin-1, which tells decoded
// text from raw bytes in a test.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/interface_table.h"

namespace tarvex::testing {

inline TMibIfRow MakeRow(std::string_view description, std::uint32_t in, std::uint32_t out, std::uint32_t index = 0) {
    TMibIfRow row;
    description = description.substr(0, row.bDescr.size());
    std::copy(description.begin(), description.end(), row.bDescr.begin());
    row.dwIndex = index;
    row.dwInOctets = in;
    row.dwOutOctets = out;
    return row;
}

class FakeInterfaceTable final : public InterfaceTable {
public:
    static constexpr std::uint32_t kNoSuchInterface = 2;  // a row read alone whose interface is gone

    TIfRows Rows;
    std::uint32_t Status = 0;  // anything but 0 reads no rows, no count and no row alone
    int Reads = 0;             // of the whole table
    int RowReads = 0;          // of one row alone
    // Interfaces counted that the table leaves out.
    std::uint32_t Uncounted = 0;

    // Moves a row's counters on, modulo 2^32 as the platform's do.
    void Add(std::size_t row, std::uint32_t in, std::uint32_t out) {
        Rows.at(row).dwInOctets += in;
        Rows.at(row).dwOutOctets += out;
    }

    std::uint32_t ReadInterfaceTable(TIfRows& rows) override {
        ++Reads;
        rows.clear();
        if (Status == 0) rows = Rows;
        return Status;
    }

    std::uint32_t CountInterfaces(std::uint32_t& count) override {
        count = Status == 0 ? static_cast<std::uint32_t>(Rows.size()) + Uncounted : 0;
        return Status;
    }

    std::uint32_t ReadInterfaceRow(TMibIfRow& row) override {
        ++RowReads;
        if (Status != 0) return Status;
        const auto found = std::find_if(Rows.begin(), Rows.end(),
                                        [&](const TMibIfRow& candidate) { return candidate.dwIndex == row.dwIndex; });
        if (found == Rows.end()) return kNoSuchInterface;
        row = *found;
        return 0;
    }

    std::string DecodeDescription(const std::array<char, kIfDescriptionSize>& bytes) override {
        std::string text;
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80) {
                text += c;
            } else {
                text += static_cast<char>(0xC0 | byte >> 6);
                text += static_cast<char>(0x80 | (byte & 0x3F));
            }
        }
        return text;
    }
};

}  // namespace tarvex::testing
