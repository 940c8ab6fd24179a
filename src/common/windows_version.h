#pragma once
// Classification of the running Windows and the release name of the main window's caption.
#include <cstdint>
#include <string>

#include "platform/os_version.h"

namespace tarvex {

// One byte; the numbers are stored nowhere but are part of the tuning presets' rules.
enum class WindowsVersion : std::uint8_t {
    Unknown = 0,
    Win31 = 1,
    Win95 = 2,
    Win95OSR2 = 3,
    Win98 = 4,
    Win98SE = 5,
    WinME = 6,
    Win9x = 7,
    WinNT35 = 8,
    WinNT4 = 9,
    Win2000 = 10,
    WinXP = 11,
    WinNT = 12,
    WinServer2003 = 13,
    WinVista = 14,
    WinServer2008 = 15,
    WinServer2008OrVistaSP1 = 16,
    Win7 = 17,
    WinServer2008R2 = 18,
    Win7OrServer2008R2 = 19,
};

WindowsVersion ClassifyWindowsVersion(const OsVersionInfo& os);
const char* WindowsVersionName(WindowsVersion version);

// The release name shown in parentheses in the caption, from the true version where the
// port knows it; empty for anything unknown.
std::string WindowsReleaseName(const OsVersionInfo& os);

// The NT family is the NT platform, whatever its classification.
inline bool IsNTFamily(const OsVersionInfo& os) {
    return os.Platform == OsPlatform::WindowsNT;
}

// NT platform with a major version above 5.
inline bool IsWindowsVistaOrLater(const OsVersionInfo& os) {
    return IsNTFamily(os) && os.Major > 5;
}

}  // namespace tarvex
