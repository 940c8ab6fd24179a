// The UTF-8 and UTF-16 conversions on well-formed and malformed text.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

using namespace std::string_view_literals;

TEST(UnicodeTest, Utf8ToWide) {
    const struct {
        std::string_view Utf8;
        std::wstring_view Wide;
    } cases[] = {
        {""sv, L""sv},
        {"Tarvex"sv, L"Tarvex"sv},
        {"a\0b\0"sv, L"a\0b\0"sv},  // NULs are characters like any other
        {"Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC"sv, L"Gr\u00FC\u00DF \u20AC"sv},
        {"\xF0\x9F\x98\x80!"sv, L"\xD83D\xDE00!"sv},
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF"sv, L"\xFFFF\xDBFF\xDFFF"sv},  // the largest values
        // Malformed: one U+FFFD for each longest well-formed beginning, the rest kept.
        {"y\xFFz"sv, L"y\xFFFDz"sv},
        {"\x80\xBF"sv, L"\xFFFD\xFFFD"sv},  // continuations without a lead
        {"\xC3"sv, L"\xFFFD"sv},            // truncated at the end
        {"\xE2\x82x"sv, L"\xFFFDx"sv},      // truncated before a character
        {"\xF0\x9F\x98"sv, L"\xFFFD"sv},
        {"\xE2\x82\xE2\x82\xAC"sv, L"\xFFFD\x20AC"sv},          // truncated before a whole one
        {"\xC0\x80"sv, L"\xFFFD\xFFFD"sv},                      // overlong NUL
        {"\xE0\x80\xAF"sv, L"\xFFFD\xFFFD\xFFFD"sv},            // overlong "/"
        {"\xED\xA0\x80"sv, L"\xFFFD\xFFFD\xFFFD"sv},            // an encoded surrogate
        {"\xF4\x90\x80\x80"sv, L"\xFFFD\xFFFD\xFFFD\xFFFD"sv},  // past U+10FFFF
        {"\xF8\x88\x80\x80\x80"sv, L"\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD"sv},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.Utf8), c.Wide) << testing::PrintToString(std::string(c.Utf8));
    }
}

TEST(UnicodeTest, WideToUtf8) {
    const struct {
        std::wstring_view Wide;
        std::string_view Utf8;
    } cases[] = {
        {L""sv, ""sv},
        {L"Tarvex"sv, "Tarvex"sv},
        {L"a\0b\0"sv, "a\0b\0"sv},
        {L"Gr\u00FC\u00DF \u20AC"sv, "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC"sv},
        {L"\xD83D\xDE00!"sv, "\xF0\x9F\x98\x80!"sv},
        {L"\xFFFF\xDBFF\xDFFF"sv, "\xEF\xBF\xBF\xF4\x8F\xBF\xBF"sv},
        // Unpaired surrogates, wherever they stand, become U+FFFD.
        {L"\xD83D"sv, "\xEF\xBF\xBD"sv},
        {L"\xDE00z"sv, "\xEF\xBF\xBDz"sv},
        {L"y\xD83Dz"sv, "y\xEF\xBF\xBDz"sv},
        {L"\xDE00\xD83D"sv, "\xEF\xBF\xBD\xEF\xBF\xBD"sv},  // the wrong order
        {L"\xD83D\xD83D\xDE00"sv, "\xEF\xBF\xBD\xF0\x9F\x98\x80"sv},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideToUtf8(c.Wide), c.Utf8) << testing::PrintToString(std::wstring(c.Wide));
    }
}

TEST(UnicodeTest, WellFormedTextSurvivesTheRoundTrip) {
    std::wstring every;
    for (int c = 1; c < 0xD800; c += 7) every += static_cast<wchar_t>(c);
    for (int c = 0xE000; c <= 0xFFFF; c += 5) every += static_cast<wchar_t>(c);
    for (char32_t c = 0x10000; c <= 0x10FFFF; c += 4099) {
        every += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        every += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
    EXPECT_EQ(Utf8ToWide(WideToUtf8(every)), every);
}

}  // namespace
}  // namespace tarvex
