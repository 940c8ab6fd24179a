#pragma once
// Port: the system's ANSI code page, for data whose bytes are defined in it (the proxy
// password is scrambled as ANSI bytes). The Win32 adapter is platform/win32/ansi_code_page.h.
#include <string>
#include <string_view>

namespace tarvex {

class AnsiCodePage {
public:
    virtual ~AnsiCodePage() = default;
    // UTF-8 text as bytes of the code page; a character it cannot represent becomes the code
    // page's default character.
    virtual std::string FromUtf8(std::string_view text) = 0;
    // Bytes of the code page as UTF-8 text.
    virtual std::string ToUtf8(std::string_view bytes) = 0;
};

}  // namespace tarvex
