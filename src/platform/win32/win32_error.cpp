#include "platform/win32/win32_error.h"

#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

std::string Describe(const char* call, DWORD code) {
    std::string text = std::string(call) + " failed (error " + std::to_string(code);
    const std::string system = SystemErrorText(code);
    if (!system.empty()) text += ": " + system;
    return text + ")";
}

}  // namespace

Win32Error::Win32Error(const char* call, DWORD code) : Error(Describe(call, code)), code_(code) {}

void ThrowLastError(const char* call) {
    const DWORD code = GetLastError();
    throw Win32Error(call, code);
}

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || !buffer) return {};
    std::wstring text(buffer, length);
    LocalFree(buffer);
    while (!text.empty() &&
           (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    return WideToUtf8(text);
}

}  // namespace tarvex
