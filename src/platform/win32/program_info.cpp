#include "platform/win32/program_info.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"
#include "platform/win32/unique_handle.h"

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

std::optional<FileVersion> OwnFileVersion() {
    return ReadFileVersion(ExecutablePath());
}

std::string CurrentUserId() {
    // secur32 is loaded only for this, from the system folder: most starts never ask.
    if (const UniqueModule secur32 = LoadSystemLibrary(L"secur32.dll")) {
        using GetUserNameExWFunction = BOOLEAN(WINAPI*)(int format, wchar_t* name, ULONG* size);
        constexpr int kNameSamCompatible = 2;
        if (const auto getUserNameEx = ModuleFunction<GetUserNameExWFunction>(secur32.get(), "GetUserNameExW")) {
            wchar_t name[256];
            ULONG size = 256;
            if (getUserNameEx(kNameSamCompatible, name, &size)) return WideToUtf8(std::wstring_view(name, size));
        }
    }
    // Where that cannot answer: the session's own names for the domain and the user.
    auto variable = [](const wchar_t* name) {
        wchar_t value[256];
        const DWORD got = GetEnvironmentVariableW(name, value, 256);
        return got > 0 && got < 256 ? WideToUtf8(std::wstring_view(value, got)) : std::string();
    };
    return variable(L"USERDOMAIN") + "\\" + variable(L"USERNAME");
}

}  // namespace tarvex
