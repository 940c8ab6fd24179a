#pragma once
// Lets test failures show a tuning profile field by field.
#include <cstdint>
#include <ostream>
#include <utility>

#include "tuning/tuning_profile.h"

namespace tarvex {

inline void PrintTo(const TuningProfile& p, std::ostream* out) {
    const std::pair<const char*, std::int32_t> fields[] = {
        {"MTU", p.MTU},
        {"DefaultTTL", p.DefaultTTL},
        {"GlobalMaxTcpWindowSize", p.GlobalMaxTcpWindowSize},
        {"TcpWindowSize", p.TcpWindowSize},
        {"DefaultRcvWindow", p.DefaultRcvWindow},
        {"KeepAliveTime", p.KeepAliveTime},
        {"KeepAliveInterval", p.KeepAliveInterval},
        {"SessionKeepAlive", p.SessionKeepAlive},
        {"SackOpts", p.SackOpts},
        {"TcpMaxDupAcks", p.TcpMaxDupAcks},
        {"MaxDupAcks", p.MaxDupAcks},
        {"Tcp1323Opts", p.Tcp1323Opts},
        {"TcpUseRFC1122UrgentPointer", p.TcpUseRFC1122UrgentPointer},
        {"BSDUrgent", p.BSDUrgent},
        {"EnablePMTUDiscovery", p.EnablePMTUDiscovery},
        {"EnablePMTUBHDetect", p.EnablePMTUBHDetect},
        {"MaxConnectionsPer1_0Server", p.MaxConnectionsPer1_0Server},
        {"MaxConnectionsPerServer", p.MaxConnectionsPerServer},
    };
    for (const auto& [name, value] : fields) *out << name << "=" << value << " ";
    *out << "Version=" << static_cast<int>(p.Version) << " IsNT=" << p.IsNT;
}

}  // namespace tarvex
