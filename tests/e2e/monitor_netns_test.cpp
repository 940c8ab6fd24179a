// The connection monitor on real counters: the suite runs in a network namespace of its own
// whose veth interface tvx0 (10.201.0.1) reaches only its peer 10.201.0.2 (run_in_netns.sh).
// Bytes sent there show in the program's figures; without IP Helper the program still starts.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/win32/menus.h"
#include "app/navigation.h"
#include "app/win32/control_ids.h"
#include "e2e/support/e2e.h"
#include "monitor/statistics.h"
#include "platform/win32/ip_helper.h"
#include "platform/win32/unicode.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

constexpr char kVeth[] = "tvx0";
constexpr char kPeerAddress[] = "10.201.0.2";

class MonitorTest : public testing::Test {
protected:
    void TearDown() override {
        if (tarvex_.Process.Running()) {
            PostClose(window_);
            tarvex_.Process.WaitExit(20000);
        }
    }

    void Open() {
        tarvex_ = StartTarvex();
        window_ = tarvex_.MainWindow;
        ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::btnConnectionState)));
        ASSERT_TRUE(WaitUntil([&] { return Control(ids::kCbAdapter) != nullptr; }, 5000));
    }

    HWND Control(int id) const { return FindChildById(window_, id); }
    std::wstring Text(int id) const { return WindowText(Control(id)); }

    // The veth's octets sent, as the table reads them in this namespace.
    static std::optional<std::uint32_t> VethOutOctets() {
        IPHelper helper;
        TIfRows rows;
        if (helper.ReadInterfaceTable(rows) != 0) return std::nullopt;
        for (const TMibIfRow& row : rows)
            if (AdapterName(helper.DecodeDescription(row.bDescr)) == kVeth) return row.dwOutOctets;
        return std::nullopt;
    }

    RunningTarvex tarvex_;
    HWND window_ = nullptr;
};

// UDP datagrams to the peer, sent as fast as the socket takes them.
void SendDatagrams(int count, int size) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(s, INVALID_SOCKET);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);  // discard
    to.sin_addr.s_addr = inet_addr(kPeerAddress);
    const std::vector<char> payload(static_cast<size_t>(size), 'x');
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(sendto(s, payload.data(), size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to), size);
    closesocket(s);
    WSACleanup();
}

TEST_F(MonitorTest, BytesSentOverTheVethShowInTheFigures) {
    ASSERT_TRUE(VethOutOctets()) << "no " << kVeth << " in this namespace";
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_TRUE(ComboSelectText(Control(ids::kCbAdapter), Utf8ToWide(kVeth)));
    // The next tick names the adapter in the side panel; then the counters run idle.
    ASSERT_TRUE(WaitUntil([&] { return Text(ids::kLblAdapterName) == Utf8ToWide(kVeth); }, 5000));
    Sleep(2200);
    EXPECT_EQ(Text(ids::kLblPeakOut), L"0.0 Kb");
    EXPECT_EQ(Text(ids::kLblAverageOut), L"---");

    const auto before = VethOutOctets();
    SendDatagrams(100, 1000);
    Sleep(50);
    const auto after = VethOutOctets();
    ASSERT_TRUE(before && after);
    const std::uint32_t sent = *after - *before;
    ASSERT_GE(sent, 100u * 1000u);

    // The burst falls into one tick, or, when a tick came in the middle of it, into two: the
    // average over the active ticks tells which, and the bytes add up either way.
    ASSERT_TRUE(WaitUntil([&] { return Text(ids::kLblAverageOut) != L"---"; }, 5000));
    Sleep(1500);
    const std::wstring peak = Text(ids::kLblPeakOut), average = Text(ids::kLblAverageOut);
    const std::wstring whole = Utf8ToWide(FormatKb(sent, "."));
    if (average == whole) {
        EXPECT_EQ(peak, whole);
    } else {
        EXPECT_EQ(average, Utf8ToWide(FormatKb(sent / 2, "."))) << "sent " << sent << ", peak " << peak;
    }
    EXPECT_EQ(Text(ids::kLblRateOut), L"0.0 Kb");  // quiet again since
    EXPECT_EQ(Text(ids::kLblRateOut2), L"0.0 Kb");
    SaveScreenshot(L"monitor-veth", window_);
}

TEST_F(MonitorTest, WithoutIpHelperTheProgramStartsWithNoAdapter) {
    // An empty override disables the library for the processes that start from now on.
    const RegistryKey overrides{HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides"};
    ASSERT_TRUE(WriteString(overrides, L"iphlpapi", L""));
    Open();
    DeleteValue(overrides, L"iphlpapi");
    ASSERT_TRUE(window_);
    Sleep(1500);
    EXPECT_EQ(ComboCount(Control(ids::kCbAdapter)), 0);
    EXPECT_EQ(Text(ids::kLblAdapterName), L"No Adapter Selected");
    for (const int id : {ids::kLblRateIn, ids::kLblRateOut, ids::kLblRateTotal, ids::kLblAverageIn, ids::kLblAverageOut,
                         ids::kLblPeakIn, ids::kLblPeakOut, ids::kLblRateIn2, ids::kLblRateOut2})
        EXPECT_EQ(Text(id), L"---") << id;
    SaveScreenshot(L"monitor-no-ip-helper", window_);
}

}  // namespace
}  // namespace tarvex::e2e
