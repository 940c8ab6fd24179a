#pragma once
// Records the program keeps in the current user's part of the registry (backups, connection
// tests): REG_BINARY values "<prefix><id>" of one key, the id in decimal. The port has no key
// deletion, so records are values, and a bound keeps their number. Which records there are comes
// from the values themselves, so no other value can hide one or make a new record take its name;
// "Newest" still names the last id, as older versions of the program read it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_access.h"

namespace tarvex {

inline constexpr char kNewestRecordValue[] = "Newest";

// A record as stored: nothing for a value of another type than REG_BINARY.
struct StoredRecord {
    std::uint32_t Id = 0;
    std::optional<std::string> Bytes;
};

// The newest `limit` records under `key`, newest first; none when the key does not open. A
// failing read throws the registry's error.
std::vector<StoredRecord> ReadRecords(RegistryAccess& registry, std::string_view key, std::string_view prefix,
                                      std::size_t limit);

// Stores the bytes `encode` gives for the next id (one above every record there) under `key`,
// creating it, removes the oldest beyond `limit` and flushes the key, so that the record is on
// disk before the caller goes on. Returns the id. When no id is left above the newest, the
// records kept are first numbered again from 1, each with the bytes `renumber` gives for its new
// id (its own bytes where it gives nothing). Throws the registry's error; a record whose
// "Newest" could not follow it is taken back.
std::uint32_t AppendRecord(
    RegistryAccess& registry, std::string_view key, std::string_view prefix, std::size_t limit,
    const std::function<std::string(std::uint32_t id)>& encode,
    const std::function<std::optional<std::string>(std::string_view bytes, std::uint32_t id)>& renumber);

}  // namespace tarvex
