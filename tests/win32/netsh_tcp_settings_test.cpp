// The netsh adapter of the modern TCP settings against a recording netsh.exe (tools/netsh_stub)
// put in the prefix's system32 for each test, and the IPv4 interfaces as Wine's IP Helper gives
// them. Wine runs its own netsh for that path unless told to take the file there.
#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/error.h"
#include "driver.h"
#include "tuning/modern_tcp.h"
#include "tuning/win32/ip_interfaces.h"
#include "tuning/win32/netsh_tcp_settings.h"

namespace tarvex {
namespace {

constexpr wchar_t kStubFolder[] = L"C:\\netsh-stub";
constexpr wchar_t kCalls[] = L"C:\\netsh-stub\\calls.txt";
constexpr wchar_t kRefuse[] = L"C:\\netsh-stub\\refuse.txt";
const driver::RegistryKey kDllOverrides{HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides"};
const ModernSystem kWindows7{ModernStack::Win7, false, "Windows 7"};

std::wstring Folder(std::wstring path) {
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring OwnFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return Folder(path);
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    return std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH));
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    for (std::size_t space; (space = line.find(' ', at)) != std::string::npos; at = space + 1)
        words.push_back(line.substr(at, space - at));
    words.push_back(line.substr(at));
    return words;
}

class NetshTcpSettingsTest : public testing::Test {
protected:
    void SetUp() override {
        netsh_ = SystemFolder() + L"\\netsh.exe";
        original_ = netsh_ + L".original";
        // A run that ended without its TearDown left the stand-in there and Wine's file beside it.
        if (GetFileAttributesW(original_.c_str()) == INVALID_FILE_ATTRIBUTES) {
            ASSERT_TRUE(CopyFileW(netsh_.c_str(), original_.c_str(), TRUE));
        }
        ASSERT_TRUE(CopyFileW((OwnFolder() + L"\\bin\\netsh_stub.exe").c_str(), netsh_.c_str(), FALSE));
        override_ = driver::ReadString(kDllOverrides, L"netsh.exe");
        ASSERT_TRUE(driver::WriteString(kDllOverrides, L"netsh.exe", L"native"));
        CreateDirectoryW(kStubFolder, nullptr);
        DeleteFileW(kCalls);
        DeleteFileW(kRefuse);
    }
    void TearDown() override {
        EXPECT_TRUE(CopyFileW(original_.c_str(), netsh_.c_str(), FALSE));
        DeleteFileW(original_.c_str());
        if (override_)
            driver::WriteString(kDllOverrides, L"netsh.exe", *override_);
        else
            driver::DeleteValue(kDllOverrides, L"netsh.exe");
        DeleteFileW(kCalls);
        DeleteFileW(kRefuse);
    }

    // The argument words of each start of netsh, in order.
    static std::vector<std::vector<std::string>> Calls() {
        std::ifstream file(kCalls, std::ios::binary);
        std::vector<std::vector<std::string>> calls;
        for (std::string line; std::getline(file, line);) calls.push_back(Words(line));
        return calls;
    }
    // netsh refuses every command containing `match` with `code` and prints `text` (UTF-8 here).
    static void Refuse(const std::string& match, int code, const std::string& text) {
        std::ofstream(kRefuse, std::ios::binary) << match << "\r\n" << code << "\r\n" << text;
    }

    std::wstring netsh_;
    std::wstring original_;
    std::optional<std::wstring> override_;
};

std::vector<std::string> SetGlobal(const std::string& assignment) {
    return {"interface", "tcp", "set", "global", assignment};
}

TEST_F(NetshTcpSettingsTest, WritesEachSettingAsOneGlobalCommand) {
    struct Case {
        ModernSettingId Id;
        int Value;
        std::string Assignment;
    };
    const Case cases[] = {
        {ModernSettingId::AutoTuningLevel, 0, "autotuninglevel=disabled"},
        {ModernSettingId::AutoTuningLevel, 1, "autotuninglevel=highlyrestricted"},
        {ModernSettingId::AutoTuningLevel, 2, "autotuninglevel=restricted"},
        {ModernSettingId::AutoTuningLevel, 3, "autotuninglevel=normal"},
        {ModernSettingId::AutoTuningLevel, 4, "autotuninglevel=experimental"},
        {ModernSettingId::AutoTuningLevel, kWindowsDefault, "autotuninglevel=normal"},
        {ModernSettingId::CongestionProvider, 0, "congestionprovider=none"},
        {ModernSettingId::CongestionProvider, 2, "congestionprovider=ctcp"},
        {ModernSettingId::CongestionProvider, kWindowsDefault, "congestionprovider=default"},
        {ModernSettingId::EcnCapability, 1, "ecncapability=enabled"},
        {ModernSettingId::EcnCapability, 0, "ecncapability=disabled"},
        {ModernSettingId::EcnCapability, kWindowsDefault, "ecncapability=default"},
        {ModernSettingId::Timestamps, 1, "timestamps=enabled"},
        {ModernSettingId::Timestamps, kWindowsDefault, "timestamps=default"},
        {ModernSettingId::ReceiveSideScaling, 0, "rss=disabled"},
        {ModernSettingId::ReceiveSideScaling, kWindowsDefault, "rss=default"},
    };
    NetshTcpSettings settings(kWindows7);
    std::vector<std::vector<std::string>> expected;
    for (const Case& c : cases) {
        EXPECT_NO_THROW(settings.Write(c.Id, c.Value)) << c.Assignment;
        expected.push_back(SetGlobal(c.Assignment));
    }
    EXPECT_EQ(Calls(), expected);
}

TEST_F(NetshTcpSettingsTest, WritesTheMtuByInterfaceIndexToLast) {
    NetshTcpSettings settings(kWindows7);
    const ModernInterface where{"{4D36E972-E325-11CE-BFC1-08002BE10318}", 12, "Local Area Connection", 1500};
    settings.WriteMtu(where, 1400);
    const std::vector<std::vector<std::string>> expected = {
        {"interface", "ipv4", "set", "subinterface", "12", "mtu=1400", "store=persistent"}};
    EXPECT_EQ(Calls(), expected);
}

TEST_F(NetshTcpSettingsTest, ARefusalCarriesNetshsOwnWords) {
    const ModernInterface ethernet{"{4D36E972-E325-11CE-BFC1-08002BE10318}", 7, "Ethernet", 1500};
    struct Case {
        std::string Match;
        int Code;
        std::string Printed;
        std::function<void(NetshTcpSettings&)> Change;
        std::string Message;
    };
    const Case cases[] = {
        {"ecncapability=", 1,
         "\r\nSet global command failed on IPv4 Der Vorgang erfordert H\xC3\xB6herstufung.\r\n\r\n",
         [](NetshTcpSettings& s) { s.Write(ModernSettingId::EcnCapability, 1); },
         "Windows refused the change of ECN capability (netsh ended with code 1):\r\n\r\n"
         "Set global command failed on IPv4 Der Vorgang erfordert H\xC3\xB6herstufung."},
        {"autotuninglevel=", 1, "The requested operation requires elevation.\r\nLine two.",
         [](NetshTcpSettings& s) { s.Write(ModernSettingId::AutoTuningLevel, kWindowsDefault); },
         "Windows refused the change of receive window auto-tuning (netsh ended with code 1):\r\n\r\n"
         "The requested operation requires elevation.\r\nLine two."},
        {"timestamps=", 5, "", [](NetshTcpSettings& s) { s.Write(ModernSettingId::Timestamps, 0); },
         "Windows refused the change of TCP timestamps (netsh ended with code 5)."},
        {"subinterface 7 ", 1, "The parameter is incorrect.\r\n",
         [&](NetshTcpSettings& s) { s.WriteMtu(ethernet, 400); },
         "Windows refused the change of the MTU of Ethernet (netsh ended with code 1):\r\n\r\n"
         "The parameter is incorrect."},
    };
    NetshTcpSettings settings(kWindows7);
    for (const Case& c : cases) {
        Refuse(c.Match, c.Code, c.Printed);
        try {
            c.Change(settings);
            ADD_FAILURE() << "accepted: " << c.Match;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.Message);
        }
    }
    // What the refusal does not name goes through.
    EXPECT_NO_THROW(settings.Write(ModernSettingId::ReceiveSideScaling, 1));
    EXPECT_EQ(Calls().size(), std::size(cases) + 1);
}

TEST_F(NetshTcpSettingsTest, RefusesWhatNetshHasNoWordForWithoutRunningIt) {
    struct Case {
        ModernSystem System;
        ModernSettingId Id;
        int Value;
    };
    const ModernSystem vista{ModernStack::Vista, false, "Windows Vista"};
    const Case cases[] = {
        {kWindows7, ModernSettingId::ReceiveSegmentCoalescing, 1},
        {kWindows7, ModernSettingId::ReceiveSegmentCoalescing, kWindowsDefault},
        {vista, ModernSettingId::InitialRto, 1000},
        {kWindows7, ModernSettingId::InitialRto, kWindowsDefault},
        {kWindows7, ModernSettingId::CongestionProvider, 3},  // DCTCP: WMI's only
        {vista, ModernSettingId::AutoTuningLevel, 9},
    };
    for (const Case& c : cases) {
        NetshTcpSettings settings(c.System);
        EXPECT_THROW(settings.Write(c.Id, c.Value), Error) << ModernSettingOf(c.Id).Key << " " << c.Value;
    }
    EXPECT_TRUE(Calls().empty());
}

TEST_F(NetshTcpSettingsTest, ReadsEverySettingAsUnknown) {
    NetshTcpSettings settings(kWindows7);
    const ModernReading reading = settings.Read();
    for (const ModernSettingInfo& info : ModernSettings()) EXPECT_FALSE(reading.Value(info.Id)) << info.Key;
    EXPECT_TRUE(Calls().empty());
}

TEST_F(NetshTcpSettingsTest, WithoutNetshNothingReadsOrWrites) {
    ASSERT_TRUE(DeleteFileW(netsh_.c_str()));
    NetshTcpSettings settings(kWindows7);
    EXPECT_THROW(settings.Read(), Error);
    try {
        settings.Write(ModernSettingId::ReceiveSideScaling, 1);
        ADD_FAILURE() << "written without netsh";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("netsh.exe"), std::string::npos) << e.what();
    }
}

// The service names Wine gives the network cards in the registry, where the classic tuning
// finds each adapter's key.
std::set<std::string> NetworkCardServiceNames() {
    std::set<std::string> names;
    for (int card = 1;; ++card) {
        const driver::RegistryKey key{
            HKEY_LOCAL_MACHINE,
            L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\" + std::to_wstring(card)};
        const std::optional<std::wstring> name = driver::ReadString(key, L"ServiceName");
        if (!name) break;
        names.insert(std::string(name->begin(), name->end()));
    }
    return names;
}

TEST(Ipv4InterfacesTest, ListsEachAdapterByItsKeyWithoutTheLoopback) {
    ULONG size = 0;
    ASSERT_EQ(GetIfTable(nullptr, &size, FALSE), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::vector<BYTE> buffer(size);
    ASSERT_EQ(GetIfTable(reinterpret_cast<MIB_IFTABLE*>(buffer.data()), &size, FALSE), static_cast<DWORD>(NO_ERROR));
    const auto* table = reinterpret_cast<const MIB_IFTABLE*>(buffer.data());
    std::set<std::uint32_t> loopbacks;
    std::map<std::uint32_t, int> mtus;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IFROW& row = table->table[i];
        if (row.dwType == IF_TYPE_SOFTWARE_LOOPBACK) loopbacks.insert(row.dwIndex);
        mtus[row.dwIndex] = static_cast<int>(row.dwMtu);
    }
    ASSERT_FALSE(loopbacks.empty());

    const std::vector<ModernInterface> interfaces = NetshTcpSettings(kWindows7).Interfaces();
    ASSERT_FALSE(interfaces.empty());
    const std::set<std::string> cards = NetworkCardServiceNames();
    std::set<std::uint32_t> indexes;
    for (const ModernInterface& entry : interfaces) {
        SCOPED_TRACE(entry.Name);
        EXPECT_TRUE(indexes.insert(entry.Index).second);
        EXPECT_FALSE(loopbacks.count(entry.Index));
        EXPECT_FALSE(entry.Name.empty());
        ASSERT_EQ(entry.AdapterKey.size(), 38u);
        EXPECT_EQ(entry.AdapterKey.front(), '{');
        EXPECT_EQ(entry.AdapterKey.back(), '}');
        EXPECT_TRUE(cards.count(entry.AdapterKey)) << entry.AdapterKey;
        // Without IP interface rows (Wine) the adapter's MTU, which the interface table shows too.
        EXPECT_EQ(entry.Mtu, std::optional<int>(mtus.at(entry.Index)));
    }
}

TEST(Ipv4InterfacesTest, ReadsNoRowMtuWhereWindowsHasNoRows) {
    const HMODULE ipHelper = GetModuleHandleW(L"iphlpapi.dll");
    ASSERT_TRUE(ipHelper);
    if (GetProcAddress(ipHelper, "GetIpInterfaceEntry")) GTEST_SKIP() << "this Windows has IP interface rows";
    for (const ModernInterface& entry : ListIpv4Interfaces()) EXPECT_FALSE(ReadIpInterfaceMtu(entry.Index));
}

}  // namespace
}  // namespace tarvex
