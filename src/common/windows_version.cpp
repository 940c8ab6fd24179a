#include "common/windows_version.h"

#include <array>

namespace tarvex {
namespace {

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

// The second character of the service pack text, trimmed (" A " gives "A", "B" alone gives "").
std::string SecondCharacter(const std::string& servicePack) {
    if (servicePack.size() < 2) return {};
    return Trim(servicePack.substr(1, 1));
}

bool IsWorkstation(const OsVersionInfo& os) {
    return os.ProductType && *os.ProductType == 1;
}

constexpr std::uint32_t kWindowsMeBuild = 0x045A0BB8;  // version 4.90, build 3000

// Windows 10 and 11 and the servers since 2016 all report version 10.0; the build tells them apart.
constexpr std::uint32_t kWindows11Build = 22000;
struct ServerRelease {
    std::uint32_t FirstBuild;
    const char* Name;
};
constexpr ServerRelease kServerReleases[] = {
    {26100, "Windows Server 2025"},
    {20348, "Windows Server 2022"},
    {17763, "Windows Server 2019"},
    {0, "Windows Server 2016"},  // 14393, and its previews before it
};

}  // namespace

WindowsVersion ClassifyWindowsVersion(const OsVersionInfo& os) {
    switch (os.Platform) {
        case OsPlatform::Win32s:
            return WindowsVersion::Win31;
        case OsPlatform::Windows9x:
            switch (os.Minor) {
                case 0:
                    return SecondCharacter(os.ServicePack) == "B" ? WindowsVersion::Win95OSR2 : WindowsVersion::Win95;
                case 10:
                    return SecondCharacter(os.ServicePack) == "A" ? WindowsVersion::Win98SE : WindowsVersion::Win98;
                case 90:
                    return os.Build == kWindowsMeBuild ? WindowsVersion::WinME : WindowsVersion::Unknown;
                default:
                    return WindowsVersion::Win9x;
            }
        case OsPlatform::WindowsNT:
            switch (os.Major) {
                case 3:
                    return WindowsVersion::WinNT35;
                case 4:
                    return WindowsVersion::WinNT4;
                case 5:
                    switch (os.Minor) {
                        case 0:
                            return WindowsVersion::Win2000;
                        case 1:
                            return WindowsVersion::WinXP;
                        case 2:
                            return WindowsVersion::WinServer2003;
                        default:
                            return WindowsVersion::WinNT;
                    }
                case 6:
                    if (os.Minor == 0)
                        return IsWorkstation(os) ? WindowsVersion::WinVista : WindowsVersion::WinServer2008;
                    return IsWorkstation(os) ? WindowsVersion::Win7 : WindowsVersion::WinServer2008R2;
                default:
                    return WindowsVersion::Unknown;
            }
    }
    return WindowsVersion::Unknown;
}

const char* WindowsVersionName(WindowsVersion version) {
    static constexpr std::array<const char*, 20> kNames = {
        "Unknown",
        "Windows 3.1",
        "Windows 95",
        "Windows 95 OSR 2",
        "Windows 98",
        "Windows 98 SE",
        "Windows Me",
        "Windows 9x",
        "Windows NT 3.5",
        "Windows NT 4",
        "Windows 2000",
        "Windows XP",
        "Windows NT",
        "Windows Server 2003",
        "Windows Vista",
        "Windows Server 2008",
        "Windows Server 2008 or Windows Vista SP1",
        "Windows 7",
        "Windows Server 2008 R2",
        "Windows 7 or Windows Server 2008 R2",
    };
    const auto index = static_cast<std::size_t>(version);
    return index < kNames.size() ? kNames[index] : kNames[0];
}

std::string WindowsReleaseName(const OsVersionInfo& os) {
    const std::string servicePack = Trim(os.ServicePack);
    if (os.Platform == OsPlatform::Windows9x) {
        if (os.Minor < 10) return servicePack == "B" || servicePack == "C" ? "Windows 95 OSR2" : "Windows 95";
        if (os.Minor < 90) {
            if (os.Kernel32ProductVersionMS == ((4u << 16) | 90u)) return "Windows ME";
            return servicePack == "A" || servicePack == "B" ? "Windows 98 SE" : "Windows 98";
        }
        if (os.Minor == 90) return "Windows ME";
        return {};
    }
    if (os.Platform != OsPlatform::WindowsNT) return {};
    // The true version: the one GetVersionExW reports stops at 6.2 for this program.
    const std::uint32_t major = os.TrueVersion ? os.TrueVersion->Major : os.Major;
    const std::uint32_t minor = os.TrueVersion ? os.TrueVersion->Minor : os.Minor;
    const std::uint32_t build = os.TrueVersion ? os.TrueVersion->Build : os.Build;
    const bool workstation = IsWorkstation(os);
    switch (major) {
        case 3:
            if (minor == 1 || minor == 5 || minor == 51) return "Windows NT 3." + std::to_string(minor);
            return {};
        case 4:
            return "Windows NT 4." + std::to_string(minor);
        case 5:
            if (minor == 0) return "Windows 2000";
            if (minor == 1) return "Windows XP";
            if (minor == 2) {
                if (os.ServerR2) return "Windows Server 2003 R2";
                if (!os.NativeX86 && workstation) return "Windows XP x64";
                return "Windows Server 2003";
            }
            return {};
        case 6:
            if (minor == 0) return workstation ? "Windows Vista" : "Windows Server 2008";
            if (minor == 1) return workstation ? "Windows 7" : "Windows Server 2008 R2";
            if (minor == 2) return workstation ? "Windows 8" : "Windows Server 2012";
            if (minor == 3) return workstation ? "Windows 8.1" : "Windows Server 2012 R2";
            return {};
        case 10:
            if (minor != 0) return {};
            if (workstation) return build < kWindows11Build ? "Windows 10" : "Windows 11";
            for (const auto& release : kServerReleases)
                if (build >= release.FirstBuild) return release.Name;
            return {};
        default:
            return {};
    }
}

}  // namespace tarvex
