#include "platform/win32/unicode.h"

// The conversions are our own rather than MultiByteToWideChar and WideCharToMultiByte:
// Windows XP drops invalid UTF-8 and writes unpaired surrogates out as invalid UTF-8, where
// later Windows put in U+FFFD, and the program must show the same text on all of them.
namespace tarvex {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Takes one character from the front of a non-empty text. A malformed sequence gives U+FFFD
// for its longest well-formed beginning (at least one byte), as the Unicode standard
// recommends: "\xE2\x82" is one U+FFFD, the overlong "\xC0\x80" two.
char32_t TakeCharacter(std::string_view& text) {
    const auto lead = static_cast<unsigned char>(text.front());
    text.remove_prefix(1);
    if (lead < 0x80) return lead;
    std::size_t continuations;
    char32_t value;
    // The range of the first continuation byte excludes overlong forms, surrogates and
    // values past U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuations = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuations = 2;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuations = 3;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return kReplacement;
    }
    for (std::size_t i = 0; i < continuations; ++i) {
        if (text.empty()) return kReplacement;
        const auto byte = static_cast<unsigned char>(text.front());
        if (byte < low || byte > high) return kReplacement;
        text.remove_prefix(1);
        value = value << 6 | (byte & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return value;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) {
    std::wstring result;
    result.reserve(text.size());
    while (!text.empty()) {
        const char32_t c = TakeCharacter(text);
        if (c < 0x10000) {
            result += static_cast<wchar_t>(c);
        } else {
            result += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            result += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return result;
}

std::string WideToUtf8(std::wstring_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char16_t>(text[i]);
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(static_cast<char16_t>(text[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(text[++i]) - 0xDC00);
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacement;
        }
        AppendUtf8(result, c);
    }
    return result;
}

}  // namespace tarvex
