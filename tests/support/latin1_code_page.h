#pragma once
// A stand-in for the system's ANSI code page: ISO 8859-1, where byte n is U+00nn, and '?'
// for every character beyond U+00FF, as a code page's default character.
#include <string>
#include <string_view>

#include "platform/ansi_code_page.h"

namespace tarvex::testing {

class Latin1CodePage final : public AnsiCodePage {
public:
    std::string FromUtf8(std::string_view text) override {
        std::string bytes;
        for (std::size_t i = 0; i < text.size();) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            if (length == 1)
                bytes += static_cast<char>(lead);
            else if (length == 2 && lead <= 0xC3 && i + 1 < text.size())
                bytes += static_cast<char>(((lead & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
            else
                bytes += '?';
            i += length;
        }
        return bytes;
    }
    std::string ToUtf8(std::string_view bytes) override {
        std::string text;
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80) {
                text += static_cast<char>(byte);
            } else {
                text += static_cast<char>(0xC0 | (byte >> 6));
                text += static_cast<char>(0x80 | (byte & 0x3F));
            }
        }
        return text;
    }
};

}  // namespace tarvex::testing
