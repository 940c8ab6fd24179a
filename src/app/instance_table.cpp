#include "app/instance_table.h"

#include <algorithm>

namespace tarvex {

std::string ApplicationId(std::string_view upperCasedExePath) {
    std::string id = "JCL";  // "Jcl" + path, all upper-cased
    id += upperCasedExePath;
    std::replace(id.begin(), id.end(), '\\', '_');
    return id;
}

bool RegisterInstance(InstanceTable& table, std::uint32_t processId, std::uint16_t limit) {
    if (table.Limit == 0) table.Limit = limit;
    // A count beyond the slots can only come from a damaged table; never trust it.
    table.Count = static_cast<std::uint16_t>(std::min<std::size_t>(table.Count, InstanceTable::kSlots));
    const bool allowed = table.Limit == 0 || table.Count < table.Limit;
    if (table.Count < InstanceTable::kSlots) table.ProcessIds[table.Count++] = processId;
    return allowed;
}

void UnregisterInstance(InstanceTable& table, std::uint32_t processId) {
    const std::size_t count = std::min<std::size_t>(table.Count, InstanceTable::kSlots);
    auto* const end = table.ProcessIds + count;
    auto* const found = std::find(table.ProcessIds, end, processId);
    if (found == end) return;
    std::copy(found + 1, end, found);
    table.Count = static_cast<std::uint16_t>(count - 1);
}

}  // namespace tarvex
