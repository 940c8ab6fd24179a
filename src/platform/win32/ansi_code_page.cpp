#include "platform/win32/ansi_code_page.h"

#include <windows.h>

#include "platform/win32/unicode.h"

namespace tarvex {

std::string Win32AnsiCodePage::FromUtf8(std::string_view text) {
    const std::wstring wide = Utf8ToWide(text);
    if (wide.empty()) return {};
    // No best fit: a character the code page lacks becomes its default character, not a
    // look-alike that would then be scrambled as if the user had typed it.
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                            length, nullptr, nullptr);
    return bytes;
}

std::string Win32AnsiCodePage::ToUtf8(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
    return WideToUtf8(wide);
}

}  // namespace tarvex
