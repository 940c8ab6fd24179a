#pragma once
// Case rules that fold only the ASCII letters, whatever the user's locale: for protocol words,
// markup names and addresses.
#include <initializer_list>
#include <string>
#include <string_view>

namespace tarvex {

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
inline std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = AsciiUpper(c);
    return upper;
}

constexpr bool AsciiEqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}
constexpr bool AsciiStartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiEqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// An address the shell may be handed: one of `schemes` (any case) with something after it,
// and no blank, control character or quote, which could split the command line of the handler
// the shell starts.
constexpr bool IsShellAddress(std::string_view address, std::initializer_list<std::string_view> schemes) {
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || byte == '"') return false;
    }
    for (const std::string_view scheme : schemes) {
        if (address.size() > scheme.size() && AsciiStartsWithIgnoreCase(address, scheme)) return true;
    }
    return false;
}

}  // namespace tarvex
