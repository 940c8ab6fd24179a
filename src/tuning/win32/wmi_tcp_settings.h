#pragma once
// The TCP settings of Windows 8 and Server 2012 and later through WMI's root\StandardCimv2 (the
// NetTCPIP provider): the global settings in the TCP template InternetCustom, receive-side scaling
// and segment coalescing in MSFT_NetOffloadGlobalSetting, the IPv4 MTU in MSFT_NetIPInterface.
// Every write is read back. ole32 and oleaut32 are reached through LoadComApi and by name, so
// the program imports nothing from them that Windows XP lacks and pays nothing where this is
// not used.
#include <windows.h>
#include <wbemcli.h>

#include <functional>
#include <vector>

#include "platform/modern_tcp_settings.h"
#include "platform/win32/com.h"

namespace tarvex {

// A connection to root\StandardCimv2 ready for calls (its proxy security set); throws Error with
// the platform's reason where there is none. Called with the thread already in a COM apartment.
using WmiConnect = std::function<ComPtr<IWbemServices>()>;

// The local WMI service's root\StandardCimv2 namespace, as the current (elevated) user.
ComPtr<IWbemServices> ConnectStandardCimv2();

class WmiTcpSettings final : public ModernTcpSettings {
public:
    explicit WmiTcpSettings(ModernSystem system, WmiConnect connect = ConnectStandardCimv2);

    ModernReading Read() override;
    void Write(ModernSettingId id, int value) override;
    std::vector<ModernInterface> Interfaces() override;
    void WriteMtu(const ModernInterface& where, int mtu) override;

private:
    ModernSystem system_;
    WmiConnect connect_;
};

}  // namespace tarvex
