#pragma once
// The proxy password as stored: its ANSI bytes through a byte-wise autokey transform, so that
// the registry holds no readable password. Not encryption: anyone with this code reverses it.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

inline constexpr std::uint16_t kPasswordStartKey = 41729;
inline constexpr std::uint16_t kPasswordKeyMultiplier = 39061;
inline constexpr std::uint16_t kPasswordKeyIncrement = 51846;

// Each byte XOR the high byte of the key; the key then moves on by the scrambled byte. The
// two are exact inverses of each other for every byte string, and keep its length.
std::string ScramblePassword(std::string_view bytes, std::uint16_t key = kPasswordStartKey);
std::string UnscramblePassword(std::string_view bytes, std::uint16_t key = kPasswordStartKey);

}  // namespace tarvex
