#include "platform/registry_records.h"

#include <algorithm>
#include <limits>

namespace tarvex {
namespace {

std::string RecordName(std::string_view prefix, std::uint32_t id) {
    return std::string(prefix) + std::to_string(id);
}

// The id a value's name gives a record: the prefix (in any case, as the registry compares names)
// and a decimal number from 1, without leading zeros.
std::optional<std::uint32_t> RecordId(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 10) return std::nullopt;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(name[i]) != lower(prefix[i])) return std::nullopt;
    }
    const std::string_view digits = name.substr(prefix.size());
    if (digits.front() == '0') return std::nullopt;
    std::uint64_t id = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        id = id * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (id > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(id);
}

// The ids of the open key's records, lowest first.
std::vector<std::uint32_t> RecordIds(RegistryAccess& registry, std::string_view prefix) {
    std::vector<std::uint32_t> ids;
    for (const std::string& name : registry.ListValues())
        if (const auto id = RecordId(name, prefix)) ids.push_back(*id);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

std::optional<std::string> ReadRecord(RegistryAccess& registry, std::string_view prefix, std::uint32_t id) {
    const auto raw = registry.ReadRaw(RecordName(prefix, id));
    if (!raw || raw->Type != kRegBinary) return std::nullopt;
    return raw->Data;
}

}  // namespace

std::vector<StoredRecord> ReadRecords(RegistryAccess& registry, std::string_view key, std::string_view prefix,
                                      std::size_t limit) {
    std::vector<StoredRecord> records;
    try {
        registry.SetRootKey(RegistryRoot::CurrentUser);
        if (registry.OpenKey(key, false)) {
            const std::vector<std::uint32_t> ids = RecordIds(registry, prefix);
            for (auto id = ids.rbegin(); id != ids.rend() && records.size() < limit; ++id)
                records.push_back({*id, ReadRecord(registry, prefix, *id)});
        }
    } catch (...) {
        registry.CloseKey();
        throw;
    }
    registry.CloseKey();
    return records;
}

std::uint32_t AppendRecord(
    RegistryAccess& registry, std::string_view key, std::string_view prefix, std::size_t limit,
    const std::function<std::string(std::uint32_t id)>& encode,
    const std::function<std::optional<std::string>(std::string_view bytes, std::uint32_t id)>& renumber) {
    std::uint32_t id = 0;
    try {
        registry.SetRootKey(RegistryRoot::CurrentUser);
        if (!registry.OpenKey(key, true)) throw RegistryAccess::SetDataError(kNewestRecordValue);
        std::vector<std::uint32_t> ids = RecordIds(registry, prefix);
        if (!ids.empty() && ids.back() == std::numeric_limits<std::uint32_t>::max()) {
            // No id above the newest: the records that stay take 1, 2... in their order. Each new
            // id is at most its old one, and every record below it has moved already.
            if (ids.size() >= limit) ids.erase(ids.begin(), ids.end() - static_cast<std::ptrdiff_t>(limit - 1));
            std::uint32_t next = 0;
            for (const std::uint32_t old : ids) {
                ++next;
                if (old == next) continue;
                if (const auto bytes = ReadRecord(registry, prefix, old))
                    registry.WriteBinary(RecordName(prefix, next), renumber(*bytes, next).value_or(*bytes));
                registry.DeleteValue(RecordName(prefix, old));
            }
            ids = RecordIds(registry, prefix);
        }
        id = ids.empty() ? 1 : ids.back() + 1;
        registry.WriteBinary(RecordName(prefix, id), encode(id));
        try {
            registry.WriteInteger(kNewestRecordValue, static_cast<std::int32_t>(id));
        } catch (...) {
            registry.DeleteValue(RecordName(prefix, id));
            throw;
        }
        // The oldest beyond the bound go, also those an older bound left.
        ids.push_back(id);
        if (ids.size() > limit)
            for (auto old = ids.begin(); old != ids.end() - static_cast<std::ptrdiff_t>(limit); ++old)
                registry.DeleteValue(RecordName(prefix, *old));
        registry.Flush();
    } catch (...) {
        registry.CloseKey();
        throw;
    }
    registry.CloseKey();
    return id;
}

}  // namespace tarvex
