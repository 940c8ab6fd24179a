#pragma once
// Records the program keeps in the current user's part of the registry (backups, connection
// tests): REG_BINARY values "<prefix><id>" of one key, with "Newest" naming the last id. The port
// has no key deletion, so records are values, and a bound keeps their number.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/registry_access.h"

namespace tarvex {

inline constexpr char kNewestRecordValue[] = "Newest";

// Stores the bytes `encode` gives for the next id under `key`, creating it, and removes the
// oldest beyond `limit` (and any an older bound left). Returns the id. Throws the registry's error;
// a record whose "Newest" could not follow it is taken back.
std::uint32_t AppendRecord(RegistryAccess& registry, std::string_view key, std::string_view prefix, std::size_t limit,
                           const std::function<std::string(std::uint32_t id)>& encode);

}  // namespace tarvex
