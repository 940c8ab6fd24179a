// IP Helper's interface table under Wine, whose rows are the network namespace's interfaces:
// each row read alone by its index matches the whole table's, traffic sent over the loopback
// interface shows in its row's counters, and in the monitor's figures when it reads through
// the adapter.
#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "monitor/statistics.h"
#include "monitor/throughput_meter.h"
#include "platform/win32/ip_helper.h"

namespace tarvex {
namespace {

constexpr int kDatagrams = 4;
constexpr int kDatagramBytes = 1000;

// Sends datagrams to a socket of its own on 127.0.0.1 and receives them back.
void SendOverLoopback() {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(s, INVALID_SOCKET);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<char> payload(kDatagramBytes, 'x');
    for (int i = 0; i < kDatagrams; ++i) {
        EXPECT_EQ(sendto(s, payload.data(), kDatagramBytes, 0, reinterpret_cast<sockaddr*>(&address), sizeof address),
                  kDatagramBytes);
        EXPECT_EQ(recv(s, payload.data(), kDatagramBytes, 0), kDatagramBytes);
    }
    closesocket(s);
    WSACleanup();
}

// The position of the loopback interface, which Wine names after the Linux one.
int LoopbackRow(IPHelper& helper, const TIfRows& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (AdapterName(helper.DecodeDescription(rows[i].bDescr)) == "lo") return static_cast<int>(i);
    }
    return -1;
}

TEST(IPHelperTest, ReadsEveryInterfaceWithItsDescription) {
    IPHelper helper;
    EXPECT_TRUE(helper.LoadIpHelper());
    EXPECT_TRUE(helper.LoadIpHelper());  // loaded once, then kept
    TIfRows rows(14);                    // stale rows of the array given in must go
    ASSERT_EQ(helper.ReadInterfaceTable(rows), 0u);

    DWORD count = 0;
    ASSERT_EQ(GetNumberOfInterfaces(&count), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(rows.size(), count);
    EXPECT_GE(LoopbackRow(helper, rows), 0);
    for (const TMibIfRow& row : rows) {
        const std::string text = helper.DecodeDescription(row.bDescr);
        EXPECT_EQ(text.size(), kIfDescriptionSize);  // the NUL fill decodes too
        EXPECT_FALSE(AdapterName(text).empty());
    }
}

TEST(IPHelperTest, CountsTheRowsAndReadsEachAloneByItsIndex) {
    IPHelper helper;
    TIfRows rows;
    ASSERT_EQ(helper.ReadInterfaceTable(rows), 0u);
    std::uint32_t count = 0;
    ASSERT_EQ(helper.CountInterfaces(count), 0u);
    EXPECT_EQ(count, rows.size());

    std::uint32_t highest = 0;
    for (const TMibIfRow& whole : rows) {
        TMibIfRow alone;
        alone.dwIndex = whole.dwIndex;
        ASSERT_EQ(helper.ReadInterfaceRow(alone), 0u) << whole.dwIndex;
        EXPECT_EQ(alone.dwIndex, whole.dwIndex);
        EXPECT_EQ(alone.bDescr, whole.bDescr);
        highest = std::max(highest, whole.dwIndex);
    }
    // No interface has this index: the row stays as it was.
    TMibIfRow missing;
    missing.dwIndex = highest + 1000;
    missing.dwInOctets = 77;
    EXPECT_NE(helper.ReadInterfaceRow(missing), 0u);
    EXPECT_EQ(missing.dwInOctets, 77u);
}

TEST(IPHelperTest, DecodesFromTheAnsiCodePage) {
    IPHelper helper;
    std::array<char, kIfDescriptionSize> bytes{};
    const char description[] = "NIC \xE9 \x80";
    std::copy(description, description + sizeof description - 1, bytes.begin());
    wchar_t wide[8];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, description, 7, wide, 8), 7);
    std::string expected = "NIC ";
    for (int i = 4; i < 7; ++i) {
        // UTF-8 of the code page's characters, by hand (all below U+0800 or U+20AC).
        const auto c = static_cast<unsigned>(wide[i]);
        if (c < 0x80) {
            expected += static_cast<char>(c);
        } else if (c < 0x800) {
            expected += static_cast<char>(0xC0 | c >> 6);
            expected += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            expected += static_cast<char>(0xE0 | c >> 12);
            expected += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            expected += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    EXPECT_EQ(AdapterName(helper.DecodeDescription(bytes)), expected);
    if (GetACP() == 1252) {
        EXPECT_EQ(expected, "NIC \xC3\xA9 \xE2\x82\xAC");
    }
}

TEST(IPHelperTest, LoopbackTrafficMovesTheCountersAndTheFigures) {
    IPHelper helper;
    TIfRows before;
    ASSERT_EQ(helper.ReadInterfaceTable(before), 0u);
    const int lo = LoopbackRow(helper, before);
    ASSERT_GE(lo, 0);

    ThroughputMeter meter(helper, ".");
    meter.Start();
    meter.SelectAdapter(lo);
    SendOverLoopback();
    TIfRows after;
    ASSERT_EQ(helper.ReadInterfaceTable(after), 0u);
    ASSERT_EQ(LoopbackRow(helper, after), lo);
    meter.Tick();

    // Other programs may use the loopback interface meanwhile: at least what was sent shows.
    constexpr std::uint32_t kSent = kDatagrams * kDatagramBytes;
    const auto index = static_cast<std::size_t>(lo);
    EXPECT_GE(after[index].dwInOctets - before[index].dwInOctets, kSent);
    EXPECT_GE(after[index].dwOutOctets - before[index].dwOutOctets, kSent);
    const TStatistics& record = meter.AdapterStatistics()[index];
    EXPECT_GE(record.CurrentIn, kSent);
    EXPECT_GE(record.CurrentOut, kSent);
    EXPECT_EQ(meter.Texts().lblAdapterName, "lo");
    EXPECT_EQ(meter.Texts().lblRateIn, FormatKb(record.CurrentIn, "."));
    EXPECT_EQ(meter.GraphIn().MaxValue, static_cast<std::int32_t>(record.PeakIn));
}

}  // namespace
}  // namespace tarvex
