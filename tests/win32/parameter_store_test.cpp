// The parameter store over the real registry adapter, in the keys the TCP/IP stack and the
// Internet settings read, checked with the driver's own registry reader.
#include "tuning/parameter_store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "platform/win32/registry_access.h"
#include "platform/win32/unicode.h"
#include "support/tuning_profile_printer.h"

namespace tarvex {
namespace {

using driver::RegistryKey;

const RegistryKey kNt{HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters"};
const RegistryKey k9x{HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP"};
const RegistryKey k9xParameters{HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP\\Parameters"};
const RegistryKey kInternet{HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"};

// Takes away what a test wrote into the prefix's keys, whatever became of the test.
struct CleanUp {
    ~CleanUp() {
        for (const wchar_t* name :
             {L"DefaultTTL", L"GlobalMaxTcpWindowSize", L"TcpWindowSize", L"KeepAliveTime", L"KeepAliveInterval",
              L"SessionKeepAlive", L"SackOpts", L"TcpMaxDupAcks", L"Tcp1323Opts", L"TcpUseRFC1122UrgentPointer",
              L"EnablePMTUDiscovery", L"EnablePMTUBHDetect"})
            driver::DeleteValue(kNt, name);
        for (const wchar_t* name :
             {L"DefaultTTL", L"DefaultRcvWindow", L"KeepAliveTime", L"KeepAliveInterval", L"SessionKeepAlive",
              L"SackOpts", L"Tcp1323Opts", L"BSDUrgent", L"PMTUDiscovery", L"PMTUBlackHoleDetect"})
            driver::DeleteValue(k9x, name);
        driver::DeleteKeyTree(k9xParameters);
        for (const wchar_t* name : {L"MaxConnectionsPer1_0Server", L"MaxConnectionsPerServer"})
            driver::DeleteValue(kInternet, name);
    }
};

// The home LAN preset on Windows 7 or 98 SE, from a registry without tuned values.
TuningProfile HomeLan(bool isNT) {
    TuningProfile profile;
    profile.IsNT = isNT;
    profile.Version = isNT ? WindowsVersion::Win7 : WindowsVersion::Win98SE;
    ApplyPreset(profile, ConnectionScenario::rbRestore);
    ApplyPreset(profile, ConnectionScenario::rbLAN);
    return profile;
}

TEST(ParameterStoreAdapterTest, NtFamilyWritesTheStacksKeyAndTheUsersConnectionLimits) {
    const CleanUp cleanUp;
    const TuningProfile written = HomeLan(true);
    Win32RegistryAccess registry;
    WriteProfile(registry, written);

    const std::pair<const wchar_t*, std::optional<DWORD>> expected[] = {
        {L"DefaultTTL", 64},        {L"GlobalMaxTcpWindowSize", 256960},
        {L"TcpWindowSize", 256960}, {L"KeepAliveTime", {}},
        {L"SackOpts", 1},           {L"TcpMaxDupAcks", 2},
        {L"Tcp1323Opts", 1},        {L"EnablePMTUDiscovery", 1},
        {L"EnablePMTUBHDetect", 0}, {L"DefaultRcvWindow", {}},
        {L"MaxDupAcks", {}},
    };
    for (const auto& [name, value] : expected) EXPECT_EQ(driver::ReadDword(kNt, name), value) << WideToUtf8(name);
    EXPECT_EQ(driver::ReadDword(kInternet, L"MaxConnectionsPer1_0Server"), DWORD{10});
    EXPECT_EQ(driver::ReadDword(kInternet, L"MaxConnectionsPerServer"), DWORD{8});
    EXPECT_TRUE(driver::ValueExists(kNt, L"Hostname"));  // Wine's own values stay

    TuningProfile read;
    read.IsNT = true;
    read.Version = written.Version;
    ReadProfile(registry, read);
    TuningProfile expectedRead = written;
    expectedRead.MTU = 576;
    expectedRead.DefaultRcvWindow = expectedRead.MaxDupAcks = -1;  // the NT family keeps neither
    EXPECT_EQ(read, expectedRead);

    TuningProfile restored = written;
    ApplyPreset(restored, ConnectionScenario::rbRestore);
    WriteProfile(registry, restored);
    for (const auto& [name, value] : expected) EXPECT_FALSE(driver::ValueExists(kNt, name)) << WideToUtf8(name);
    EXPECT_FALSE(driver::ValueExists(kInternet, L"MaxConnectionsPerServer"));
    EXPECT_TRUE(driver::ValueExists(kNt, L"Hostname"));
}

TEST(ParameterStoreAdapterTest, NineXFamilyWritesTextsAndRemovesTheMisspeltWindow) {
    const CleanUp cleanUp;
    ASSERT_TRUE(driver::WriteDword(k9xParameters, L"GlobalMaxTcpWindoSize", 65535));
    Win32RegistryAccess registry;
    WriteProfile(registry, HomeLan(false));

    EXPECT_EQ(driver::ValueType(k9x, L"DefaultTTL"), DWORD{REG_SZ});
    for (const auto& [name, text] : {std::pair{L"DefaultTTL", L"64"},
                                     {L"SackOpts", L"1"},
                                     {L"Tcp1323Opts", L"1"},
                                     {L"PMTUDiscovery", L"1"},
                                     {L"PMTUBlackHoleDetect", L"0"}})
        EXPECT_EQ(driver::ReadString(k9x, name), std::wstring(text)) << WideToUtf8(name);
    EXPECT_EQ(driver::ReadDword(k9x, L"DefaultRcvWindow"), DWORD{256960});
    EXPECT_EQ(driver::ReadDword(k9xParameters, L"MaxDupAcks"), DWORD{2});
    EXPECT_FALSE(driver::ValueExists(k9xParameters, L"GlobalMaxTcpWindoSize"));
    EXPECT_FALSE(driver::ValueExists(kNt, L"DefaultTTL"));
}

}  // namespace
}  // namespace tarvex
