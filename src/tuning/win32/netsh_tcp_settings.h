#pragma once
// The modern TCP settings of Windows Vista and 7, which only netsh sets. netsh is run from the
// system folder that the system names (never a path from the environment), with arguments made
// of fixed words and numbers only. It prints the settings only in the user's language, so they
// read as unknown; a change counts as done when netsh ends with 0.
#include <vector>

#include "platform/modern_tcp_settings.h"
#include "tuning/modern_tcp.h"

namespace tarvex {

class NetshTcpSettings final : public ModernTcpSettings {
public:
    explicit NetshTcpSettings(ModernSystem system);

    // Every setting unknown; throws Error when netsh.exe is not there.
    ModernReading Read() override;
    // `netsh interface tcp set global <argument>=<word>`; kWindowsDefault is "default", for
    // auto-tuning "normal" (its documented default, since it has no "default" word).
    void Write(ModernSettingId id, int value) override;

    std::vector<ModernInterface> Interfaces() override;
    // `netsh interface ipv4 set subinterface <index> mtu=<mtu> store=persistent`, confirmed by the
    // IPv4 row's MTU where Windows has IP interface rows.
    void WriteMtu(const ModernInterface& where, int mtu) override;

private:
    ModernSystem system_;
};

}  // namespace tarvex
