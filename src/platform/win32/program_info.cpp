#include "platform/win32/program_info.h"

#include <windows.h>

#include <vector>

#include "platform/win32/unicode.h"

namespace tarvex {

std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return WideToUtf8(path);
        }
        path.resize(path.size() * 2);
    }
}

std::optional<FileVersion> ReadFileVersion(const std::string& path) {
    const std::wstring widePath = Utf8ToWide(path);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(widePath.c_str(), &handle);
    if (size == 0) return std::nullopt;
    std::vector<std::byte> data(size);
    if (!GetFileVersionInfoW(widePath.c_str(), 0, size, data.data())) return std::nullopt;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || !info ||
        infoSize < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    return FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS),
                       LOWORD(info->dwFileVersionLS)};
}

std::optional<FileVersion> OwnFileVersion() { return ReadFileVersion(ExecutablePath()); }

}  // namespace tarvex
