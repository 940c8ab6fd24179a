#pragma once
// An in-memory modern TCP stack behind the port: what Windows holds, what it refuses, and every
// write in order. Readable like WMI, or unreadable like netsh (every value unknown).
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/error.h"
#include "platform/modern_tcp_settings.h"

namespace tarvex::testing {

class FakeModernTcp final : public ModernTcpSettings {
public:
    bool Reachable = true;
    std::string UnreachableReason = "error 0x8004100E";
    bool Readable = true;
    std::map<ModernSettingId, int> Values;    // what Windows holds
    std::map<ModernSettingId, int> Defaults;  // what it takes for kWindowsDefault
    std::set<ModernSettingId> Refused;
    std::string RefusalReason = "Access is denied.";
    std::vector<ModernInterface> Ifaces;
    std::vector<std::string> Calls;  // "AutoTuningLevel=3", "MTU {GUID}=1500"

    ModernReading Read() override {
        Check();
        ModernReading reading;
        if (Readable)
            for (const auto& [id, value] : Values) reading.Values[static_cast<int>(id)] = value;
        return reading;
    }
    void Write(ModernSettingId id, int value) override {
        Check();
        Calls.push_back(std::string(ModernSettingOf(id).Key) + "=" + std::to_string(value));
        if (Refused.contains(id)) throw Error(RefusalReason);
        Values[id] = value == kWindowsDefault ? Defaults[id] : value;
    }
    std::vector<ModernInterface> Interfaces() override {
        Check();
        return Ifaces;
    }
    void WriteMtu(const ModernInterface& where, int mtu) override {
        Check();
        Calls.push_back("MTU " + where.AdapterKey + "=" + std::to_string(mtu));
        for (ModernInterface& item : Ifaces)
            if (item.Index == where.Index) item.Mtu = mtu;
    }

private:
    void Check() const {
        if (!Reachable) throw Error(UnreachableReason);
    }
};

// Windows as the program classifies it: a client or server of one generation.
inline ModernSystem System(ModernStack stack, bool server = false) {
    return {stack, server, server ? "Windows Server" : "Windows"};
}

}  // namespace tarvex::testing
