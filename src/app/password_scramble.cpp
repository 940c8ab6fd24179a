#include "app/password_scramble.h"

namespace tarvex {
namespace {

enum class Direction { Scramble, Unscramble };

std::string Transform(std::string_view bytes, std::uint16_t key, Direction direction) {
    std::string result(bytes.size(), '\0');
    // 32-bit unsigned arithmetic: 16-bit operands would be promoted to int and could overflow.
    std::uint32_t k = key;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto in = static_cast<unsigned char>(bytes[i]);
        const auto out = static_cast<unsigned char>(in ^ (k >> 8));
        result[i] = static_cast<char>(out);
        const std::uint32_t scrambled = direction == Direction::Scramble ? out : in;
        k = ((k + scrambled) * kPasswordKeyMultiplier + kPasswordKeyIncrement) & 0xFFFFu;
    }
    return result;
}

}  // namespace

std::string ScramblePassword(std::string_view bytes, std::uint16_t key) {
    return Transform(bytes, key, Direction::Scramble);
}

std::string UnscramblePassword(std::string_view bytes, std::uint16_t key) {
    return Transform(bytes, key, Direction::Unscramble);
}

}  // namespace tarvex
