#pragma once
// The single-instance table shared by every running copy of one executable, and the
// names of the shared objects behind it.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

// The layout lives in shared memory and is read by other processes: keep it exact.
struct InstanceTable {
    static constexpr std::size_t kSlots = 257;
    std::uint16_t Limit;  // 0: no limit
    std::uint16_t Count;
    std::uint32_t ProcessIds[kSlots];
};
static_assert(sizeof(InstanceTable) == 1032);

// "Jcl" + the executable path, upper-cased as a whole, with "\" turned into "_".
std::string ApplicationId(std::string_view upperCasedExePath);
inline std::string InstanceTableName(std::string_view applicationId) { return std::string(applicationId) + "_All"; }
inline std::string InstanceLockName(std::string_view applicationId) { return std::string(applicationId) + "_Otx"; }

// Registers the process and says whether it may run. The first check stores the limit.
// A full table registers nothing more (no write goes past it); the limit still decides.
bool RegisterInstance(InstanceTable& table, std::uint32_t processId, std::uint16_t limit);

// Removes the process's first entry, keeping the order of the others; absent ids leave
// the table untouched.
void UnregisterInstance(InstanceTable& table, std::uint32_t processId);

}  // namespace tarvex
