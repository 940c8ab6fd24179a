#include "platform/os_version.h"

#include <windows.h>

#include <vector>

#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

std::optional<std::uint32_t> Kernel32ProductVersion() {
    wchar_t systemDir[MAX_PATH];
    const UINT length = GetSystemDirectoryW(systemDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    const std::wstring path = std::wstring(systemDir, length) + L"\\kernel32.dll";
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return std::nullopt;
    std::vector<std::byte> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || !info)
        return std::nullopt;
    return info->dwProductVersionMS;
}

}  // namespace

OsVersionInfo QueryOsVersion() {
    OsVersionInfo result;
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    bool extended = true;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        // Systems older than NT 4 SP6 only know the short record.
        extended = false;
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return result;
    }
#pragma GCC diagnostic pop
    result.Platform = static_cast<OsPlatform>(info.dwPlatformId);
    result.Major = info.dwMajorVersion;
    result.Minor = info.dwMinorVersion;
    result.Build = info.dwBuildNumber;
    result.ServicePack = WideToUtf8(info.szCSDVersion);
    if (extended) result.ProductType = info.wProductType;
    result.ServerR2 = GetSystemMetrics(SM_SERVERR2) != 0;
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    result.NativeX86 = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL;
    if (result.Platform == OsPlatform::Windows9x) result.Kernel32ProductVersionMS = Kernel32ProductVersion();
    return result;
}

}  // namespace tarvex
