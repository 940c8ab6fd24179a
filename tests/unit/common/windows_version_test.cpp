#include "common/windows_version.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

struct VersionCase {
    OsPlatform platform;
    std::uint32_t major, minor, build;
    const char* servicePack;
    std::optional<std::uint8_t> productType;
    bool serverR2;
    bool nativeX86;
    std::optional<std::uint32_t> kernel32;
    WindowsVersion version;
    const char* releaseName;
    std::optional<OsVersionInfo::NumberedVersion> trueVersion;  // what RtlGetVersion reports
};

constexpr auto NT = OsPlatform::WindowsNT;
constexpr auto W9x = OsPlatform::Windows9x;
constexpr std::uint32_t kKernel490 = (4u << 16) | 90u;
constexpr std::uint32_t kKernel410 = (4u << 16) | 10u;

const VersionCase kCases[] = {
    {OsPlatform::Win32s, 3, 10, 0, "", {}, false, true, {}, WindowsVersion::Win31, ""},
    // 9x: the second character of the CSD text decides OSR 2 / SE; the release name
    // trims the whole text instead.
    {W9x, 4, 0, 950, "", {}, false, true, {}, WindowsVersion::Win95, "Windows 95"},
    {W9x, 4, 0, 1111, " B", {}, false, true, {}, WindowsVersion::Win95OSR2, "Windows 95 OSR2"},
    {W9x, 4, 0, 1212, " C", {}, false, true, {}, WindowsVersion::Win95, "Windows 95 OSR2"},
    {W9x, 4, 0, 1111, "B", {}, false, true, {}, WindowsVersion::Win95, "Windows 95 OSR2"},
    {W9x, 4, 10, 1998, "", {}, false, true, kKernel410, WindowsVersion::Win98, "Windows 98"},
    {W9x, 4, 10, 0x040A08AE, " A ", {}, false, true, kKernel410, WindowsVersion::Win98SE, "Windows 98 SE"},
    {W9x, 4, 10, 2222, " B", {}, false, true, kKernel410, WindowsVersion::Win98, "Windows 98 SE"},
    {W9x, 4, 10, 2222, "", {}, false, true, kKernel490, WindowsVersion::Win98, "Windows ME"},
    {W9x, 4, 90, 0x045A0BB8, "", {}, false, true, kKernel490, WindowsVersion::WinME, "Windows ME"},
    {W9x, 4, 90, 3000, "", {}, false, true, kKernel490, WindowsVersion::Unknown, "Windows ME"},
    {W9x, 4, 50, 0, "", {}, false, true, {}, WindowsVersion::Win9x, "Windows 98"},
    {W9x, 4, 95, 0, "", {}, false, true, {}, WindowsVersion::Win9x, ""},
    // NT
    {NT, 3, 1, 528, "", {}, false, true, {}, WindowsVersion::WinNT35, "Windows NT 3.1"},
    {NT, 3, 51, 1057, "Service Pack 5", {}, false, true, {}, WindowsVersion::WinNT35, "Windows NT 3.51"},
    {NT, 3, 2, 0, "", {}, false, true, {}, WindowsVersion::WinNT35, ""},
    {NT, 4, 0, 1381, "Service Pack 6", 1, false, true, {}, WindowsVersion::WinNT4, "Windows NT 4.0"},
    {NT, 5, 0, 2195, "Service Pack 4", 1, false, true, {}, WindowsVersion::Win2000, "Windows 2000"},
    {NT, 5, 1, 2600, "Service Pack 3", 1, false, true, {}, WindowsVersion::WinXP, "Windows XP"},
    {NT, 5, 2, 3790, "Service Pack 2", 3, false, true, {}, WindowsVersion::WinServer2003, "Windows Server 2003"},
    {NT, 5, 2, 3790, "Service Pack 2", 3, true, true, {}, WindowsVersion::WinServer2003, "Windows Server 2003 R2"},
    {NT, 5, 2, 3790, "Service Pack 2", 1, false, false, {}, WindowsVersion::WinServer2003, "Windows XP x64"},
    {NT, 5, 2, 3790, "", 3, false, false, {}, WindowsVersion::WinServer2003, "Windows Server 2003"},
    {NT, 5, 3, 0, "", 1, false, true, {}, WindowsVersion::WinNT, ""},
    {NT, 6, 0, 6002, "Service Pack 2", 1, false, true, {}, WindowsVersion::WinVista, "Windows Vista"},
    {NT, 6, 0, 6002, "Service Pack 2", 3, false, true, {}, WindowsVersion::WinServer2008, "Windows Server 2008"},
    {NT, 6, 0, 6002, "", {}, false, true, {}, WindowsVersion::WinServer2008, "Windows Server 2008"},
    {NT, 6, 1, 7601, "Service Pack 1", 1, false, true, {}, WindowsVersion::Win7, "Windows 7"},
    {NT, 6, 1, 7601, "Service Pack 1", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2008 R2"},
    {NT, 6, 2, 9200, "", 1, false, true, {}, WindowsVersion::Win7, "Windows 8"},
    {NT, 6, 2, 9200, "", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2012"},
    {NT, 6, 3, 9600, "", 1, false, true, {}, WindowsVersion::Win7, "Windows 8.1"},
    {NT, 6, 3, 9600, "", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2012 R2"},
    {NT, 6, 4, 9800, "", 1, false, true, {}, WindowsVersion::Win7, ""},
    {NT, 10, 0, 19045, "", 1, false, true, {}, WindowsVersion::Unknown, "Windows 10"},
    {NT, 11, 0, 30000, "", 1, false, true, {}, WindowsVersion::Unknown, ""},
    // Windows 8.1 and later report 6.2 to this program: the classification keeps that, the
    // release name takes the true version.
    {NT, 6, 2, 9200, "", 1, false, true, {}, WindowsVersion::Win7, "Windows 8", {{6, 2, 9200}}},
    {NT, 6, 2, 9200, "", 1, false, true, {}, WindowsVersion::Win7, "Windows 8.1", {{6, 3, 9600}}},
    {NT, 6, 2, 9200, "", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2012 R2", {{6, 3, 9600}}},
    {NT, 6, 2, 9200, "", 1, false, true, {}, WindowsVersion::Win7, "Windows 10", {{10, 0, 10240}}},
    {NT, 6, 2, 9200, "", 1, false, true, {}, WindowsVersion::Win7, "Windows 10", {{10, 0, 21999}}},
    {NT, 6, 2, 9200, "", 1, false, true, {}, WindowsVersion::Win7, "Windows 11", {{10, 0, 22000}}},
    {NT, 6, 2, 9200, "", 1, false, true, {}, WindowsVersion::Win7, "Windows 11", {{10, 0, 26100}}},
    {NT, 6, 2, 9200, "", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2016", {{10, 0, 10074}}},
    {NT, 6, 2, 9200, "", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2016", {{10, 0, 14393}}},
    {NT, 6, 2, 9200, "", 2, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2016", {{10, 0, 17762}}},
    {NT, 6, 2, 9200, "", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2019", {{10, 0, 17763}}},
    {NT, 6, 2, 9200, "", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2019", {{10, 0, 20347}}},
    {NT, 6, 2, 9200, "", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2022", {{10, 0, 20348}}},
    {NT, 6, 2, 9200, "", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2022", {{10, 0, 26099}}},
    {NT, 6, 2, 9200, "", 3, false, true, {}, WindowsVersion::WinServer2008R2, "Windows Server 2025", {{10, 0, 26100}}},
    {NT, 6, 2, 9200, "", 1, false, true, {}, WindowsVersion::Win7, "", {{10, 1, 30000}}},
    {NT, 6, 2, 9200, "", 1, false, true, {}, WindowsVersion::Win7, "", {{11, 0, 30000}}},
    // Below 8 both queries agree; the true version decides all the same.
    {NT, 5, 1, 2600, "Service Pack 3", 1, false, true, {}, WindowsVersion::WinXP, "Windows XP", {{5, 1, 2600}}},
    {NT, 6, 1, 7601, "Service Pack 1", 1, false, true, {}, WindowsVersion::Win7, "Windows 7", {{6, 1, 7601}}},
    {static_cast<OsPlatform>(3), 1, 0, 0, "", {}, false, true, {}, WindowsVersion::Unknown, ""},
};

TEST(WindowsVersionTest, ClassifiesAndNamesEveryRow) {
    for (const auto& c : kCases) {
        OsVersionInfo os;
        os.Platform = c.platform;
        os.Major = c.major;
        os.Minor = c.minor;
        os.Build = c.build;
        os.ServicePack = c.servicePack;
        os.ProductType = c.productType;
        os.ServerR2 = c.serverR2;
        os.NativeX86 = c.nativeX86;
        os.Kernel32ProductVersionMS = c.kernel32;
        os.TrueVersion = c.trueVersion;
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.platform) << " " << c.major << "." << c.minor << " '"
                                        << c.servicePack << "' true "
                                        << (c.trueVersion ? std::to_string(c.trueVersion->Major) + "." +
                                                                std::to_string(c.trueVersion->Minor) + "." +
                                                                std::to_string(c.trueVersion->Build)
                                                          : "-"));
        EXPECT_EQ(ClassifyWindowsVersion(os), c.version);
        EXPECT_EQ(WindowsReleaseName(os), c.releaseName);
    }
}

TEST(WindowsVersionTest, DisplayNames) {
    EXPECT_STREQ(WindowsVersionName(WindowsVersion::Unknown), "Unknown");
    EXPECT_STREQ(WindowsVersionName(WindowsVersion::Win95OSR2), "Windows 95 OSR 2");
    EXPECT_STREQ(WindowsVersionName(WindowsVersion::WinME), "Windows Me");
    EXPECT_STREQ(WindowsVersionName(WindowsVersion::WinXP), "Windows XP");
    EXPECT_STREQ(WindowsVersionName(WindowsVersion::WinServer2008OrVistaSP1),
                 "Windows Server 2008 or Windows Vista SP1");
    EXPECT_STREQ(WindowsVersionName(WindowsVersion::Win7OrServer2008R2), "Windows 7 or Windows Server 2008 R2");
    EXPECT_STREQ(WindowsVersionName(static_cast<WindowsVersion>(200)), "Unknown");
}

TEST(WindowsVersionTest, FamilyAndVistaTests) {
    OsVersionInfo os;
    os.Platform = OsPlatform::Windows9x;
    os.Major = 6;
    EXPECT_FALSE(IsNTFamily(os));
    EXPECT_FALSE(IsWindowsVistaOrLater(os));
    os.Platform = OsPlatform::WindowsNT;
    os.Major = 5;
    EXPECT_TRUE(IsNTFamily(os));
    EXPECT_FALSE(IsWindowsVistaOrLater(os));
    os.Major = 6;
    EXPECT_TRUE(IsWindowsVistaOrLater(os));
}

}  // namespace
}  // namespace tarvex
