#include "platform/win32/os_version.h"

#include <windows.h>

#include <vector>

#include "platform/win32/system_function.h"
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

// RtlGetVersion is not capped by the manifest's list of known Windows versions as
// GetVersionExW is. ntdll exports it on every NT from 2000 on; looked up all the same.
std::optional<OsVersionInfo::NumberedVersion> TrueNtVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion = LoadedSystemFunction<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
    if (!rtlGetVersion) return std::nullopt;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion(&info) != 0 || info.dwPlatformId != VER_PLATFORM_WIN32_NT) return std::nullopt;
    return OsVersionInfo::NumberedVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
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
    if (result.Platform == OsPlatform::WindowsNT) result.TrueVersion = TrueNtVersion();
    return result;
}

}  // namespace tarvex
