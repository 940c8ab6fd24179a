#pragma once
// What the running Windows reports about its version. The Win32 adapter
// (platform/win32/os_version.h) fills it from GetVersionExW, RtlGetVersion and their
// companions; tests build it by hand.
#include <cstdint>
#include <optional>
#include <string>

namespace tarvex {

enum class OsPlatform : std::uint32_t { Win32s = 0, Windows9x = 1, WindowsNT = 2 };

struct OsVersionInfo {
    OsPlatform Platform = OsPlatform::WindowsNT;
    std::uint32_t Major = 0;
    std::uint32_t Minor = 0;
    std::uint32_t Build = 0;                  // the raw build field; on 9x it also carries the version in its high word
    std::string ServicePack;                  // the CSD text as reported, untrimmed
    std::optional<std::uint8_t> ProductType;  // set when the extended query succeeded (1 = workstation)
    bool ServerR2 = false;                    // system metric 89 (SM_SERVERR2)
    bool NativeX86 = true;                    // processor architecture of the native system information
    std::optional<std::uint32_t> Kernel32ProductVersionMS;  // 9x only: kernel32.dll product version (high.low)
    // NT only: the version the system really runs (ntdll's RtlGetVersion). The fields above
    // come from GetVersionExW, which reports 6.2 on Windows 8.1 and later to a program whose
    // manifest names no Windows after 7; they stay the classification's input.
    struct NumberedVersion {
        std::uint32_t Major = 0;
        std::uint32_t Minor = 0;
        std::uint32_t Build = 0;
    };
    std::optional<NumberedVersion> TrueVersion;
};

}  // namespace tarvex
