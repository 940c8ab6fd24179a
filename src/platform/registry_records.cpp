#include "platform/registry_records.h"

namespace tarvex {

std::uint32_t AppendRecord(RegistryAccess& registry, std::string_view key, std::string_view prefix, std::size_t limit,
                           const std::function<std::string(std::uint32_t id)>& encode) {
    const auto name = [prefix](std::uint32_t id) { return std::string(prefix) + std::to_string(id); };
    std::uint32_t id = 0;
    try {
        registry.SetRootKey(RegistryRoot::CurrentUser);
        if (!registry.OpenKey(key, true)) throw RegistryAccess::SetDataError(kNewestRecordValue);
        std::uint32_t newest = 0;
        if (registry.ValueType(kNewestRecordValue) == kRegDword)
            newest = static_cast<std::uint32_t>(registry.ReadInteger(kNewestRecordValue));
        id = newest + 1;
        registry.WriteBinary(name(id), encode(id));
        try {
            registry.WriteInteger(kNewestRecordValue, static_cast<std::int32_t>(id));
        } catch (...) {
            registry.DeleteValue(name(id));
            throw;
        }
        // The oldest beyond the bound go; so do records left beyond it by an older count.
        for (std::uint32_t old = id > limit ? id - static_cast<std::uint32_t>(limit) : 0; old > 0; --old)
            if (!registry.DeleteValue(name(old))) break;
    } catch (...) {
        registry.CloseKey();
        throw;
    }
    registry.CloseKey();
    return id;
}

}  // namespace tarvex
