#pragma once
// The TCP/IP values the program manages, and the presets of the one-click tuning.
#include <array>
#include <cstdint>

#include "common/windows_version.h"

namespace tarvex {

// In every field but MTU: the system's own default, so the registry value is removed.
inline constexpr std::int32_t kSystemDefault = -1;

// All zero until the first read from the registry; IsNT and Version are set once at start.
struct TuningProfile {
    std::int32_t MTU = 0;  // for the adapters; not one of the managed values
    // The managed values, named after the registry values they are stored in.
    std::int32_t DefaultTTL = 0;
    std::int32_t GlobalMaxTcpWindowSize = 0;
    std::int32_t TcpWindowSize = 0;
    std::int32_t DefaultRcvWindow = 0;
    std::int32_t KeepAliveTime = 0;
    std::int32_t KeepAliveInterval = 0;
    std::int32_t SessionKeepAlive = 0;
    std::int32_t SackOpts = 0;
    std::int32_t TcpMaxDupAcks = 0;
    std::int32_t MaxDupAcks = 0;
    std::int32_t Tcp1323Opts = 0;
    std::int32_t TcpUseRFC1122UrgentPointer = 0;
    std::int32_t BSDUrgent = 0;
    std::int32_t EnablePMTUDiscovery = 0;
    std::int32_t EnablePMTUBHDetect = 0;
    std::int32_t MaxConnectionsPer1_0Server = 0;
    std::int32_t MaxConnectionsPerServer = 0;
    // The running Windows.
    WindowsVersion Version = WindowsVersion::Unknown;
    bool IsNT = false;

    friend bool operator==(const TuningProfile&, const TuningProfile&) = default;
};

using ProfileField = std::int32_t TuningProfile::*;

inline constexpr std::array<ProfileField, 17> kManagedFields = {
    &TuningProfile::DefaultTTL,
    &TuningProfile::GlobalMaxTcpWindowSize,
    &TuningProfile::TcpWindowSize,
    &TuningProfile::DefaultRcvWindow,
    &TuningProfile::KeepAliveTime,
    &TuningProfile::KeepAliveInterval,
    &TuningProfile::SessionKeepAlive,
    &TuningProfile::SackOpts,
    &TuningProfile::TcpMaxDupAcks,
    &TuningProfile::MaxDupAcks,
    &TuningProfile::Tcp1323Opts,
    &TuningProfile::TcpUseRFC1122UrgentPointer,
    &TuningProfile::BSDUrgent,
    &TuningProfile::EnablePMTUDiscovery,
    &TuningProfile::EnablePMTUBHDetect,
    &TuningProfile::MaxConnectionsPer1_0Server,
    &TuningProfile::MaxConnectionsPerServer,
};

// The choices of the welcome page, named after their radio buttons, top to bottom.
enum class ConnectionScenario {
    rbDialUpModem,
    rbDialUpISDN,
    rbADSL,
    rbADSLPPPoE,
    rbLAN,
    rbCorporateLAN,
    rbRestore,
};

// Fills the profile with the preset of `scenario` for the profile's Windows version; the
// keep-alive and urgent pointer values stay as they are, and direct broadband and corporate
// LAN keep the window the family reads (GlobalMaxTcpWindowSize on NT, DefaultRcvWindow on 9x).
// rbRestore sets every managed value to kSystemDefault instead and leaves MTU alone.
void ApplyPreset(TuningProfile& profile, ConnectionScenario scenario);

}  // namespace tarvex
