// The password transform: fixed outputs that pin the three constants, and the two directions
// as exact inverses over every short byte string and many random longer ones.
#include "app/password_scramble.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace tarvex {
namespace {

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        text += digits[static_cast<unsigned char>(c) >> 4];
        text += digits[static_cast<unsigned char>(c) & 15];
    }
    return text;
}

TEST(PasswordScrambleTest, KnownOutputs) {
    struct Case {
        std::string plain;
        std::uint16_t key;
        const char* scrambledHex;
    };
    const Case cases[] = {
        {"", kPasswordStartKey, ""},
        {"A", kPasswordStartKey, "e2"},                 // 'A' XOR 0xA3, the start value's high byte
        {"secret", kPasswordStartKey, "d05eaa7b2135"},  // the key moves by the multiplier and increment
        {"pw!x", kPasswordStartKey, "d37300f0"},        // '!' meets the key's high byte: a 0 byte
        {"secret", 0, "7330f87f9670"},                  // another start value
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plain);
        const std::string scrambled = ScramblePassword(c.plain, c.key);
        EXPECT_EQ(Hex(scrambled), c.scrambledHex);
        EXPECT_EQ(UnscramblePassword(scrambled, c.key), c.plain);
    }
}

TEST(PasswordScrambleTest, EveryStringOfUpToTwoBytesComesBack) {
    for (int first = 0; first < 256; ++first) {
        const std::string one(1, static_cast<char>(first));
        ASSERT_EQ(UnscramblePassword(ScramblePassword(one)), one);
        for (int second = 0; second < 256; ++second) {
            const std::string two{static_cast<char>(first), static_cast<char>(second)};
            ASSERT_EQ(UnscramblePassword(ScramblePassword(two)), two) << first << ' ' << second;
            ASSERT_EQ(ScramblePassword(UnscramblePassword(two)), two) << first << ' ' << second;
        }
    }
}

TEST(PasswordScrambleTest, RandomStringsAndKeysComeBackWholeInBothOrders) {
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 400);
    std::uniform_int_distribution<int> key(0, 0xFFFF);
    int zeros = 0;
    for (int round = 0; round < 5000; ++round) {
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : bytes) c = static_cast<char>(byte(random));
        const auto k = static_cast<std::uint16_t>(round % 2 ? key(random) : kPasswordStartKey);
        const std::string scrambled = ScramblePassword(bytes, k);
        ASSERT_EQ(scrambled.size(), bytes.size());
        ASSERT_EQ(UnscramblePassword(scrambled, k), bytes) << "round " << round;
        ASSERT_EQ(ScramblePassword(UnscramblePassword(bytes, k), k), bytes) << "round " << round;
        zeros += scrambled.find('\0') != std::string::npos;
    }
    EXPECT_GT(zeros, 0);  // the strings that a NUL-terminated text would cut are among them
}

TEST(PasswordScrambleTest, ThreeHundredCharactersComeBackWhole) {
    std::string password;
    for (int i = 0; i < 300; ++i) password += static_cast<char>('!' + i % 94);
    const std::string scrambled = ScramblePassword(password);
    EXPECT_NE(scrambled, password);
    EXPECT_EQ(UnscramblePassword(scrambled), password);
}

}  // namespace
}  // namespace tarvex
