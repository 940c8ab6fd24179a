// The platform adapters of the common utilities against what Wine really reports.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/win32/single_instance.h"
#include "common/byte_size.h"
#include "common/delay.h"
#include "common/win32/window_utils.h"
#include "common/windows_version.h"
#include "platform/os_version.h"
#include "platform/program_info.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

TEST(OsVersionAdapterTest, ReadsWinesDefaultWindows7) {
    // The test prefix keeps Wine's default personality: a Windows 7 workstation.
    const OsVersionInfo os = QueryOsVersion();
    EXPECT_EQ(os.Platform, OsPlatform::WindowsNT);
    EXPECT_EQ(os.Major, 6u);
    EXPECT_EQ(os.Minor, 1u);
    EXPECT_EQ(os.Build, 7601u);
    EXPECT_EQ(os.ServicePack, "Service Pack 1");
    ASSERT_TRUE(os.ProductType.has_value());
    EXPECT_EQ(*os.ProductType, 1);
    ASSERT_TRUE(os.TrueVersion.has_value());  // RtlGetVersion agrees below Windows 8
    EXPECT_EQ(os.TrueVersion->Major, 6u);
    EXPECT_EQ(os.TrueVersion->Minor, 1u);
    EXPECT_EQ(os.TrueVersion->Build, 7601u);
    EXPECT_TRUE(os.NativeX86);
    EXPECT_EQ(ClassifyWindowsVersion(os), WindowsVersion::Win7);
    EXPECT_EQ(WindowsReleaseName(os), "Windows 7");
    EXPECT_TRUE(IsUserAdministrator(os));  // Wine always runs elevated
}

TEST(ProgramInfoAdapterTest, ExecutableAndVersions) {
    const std::string path = ExecutablePath();
    EXPECT_NE(path.find("win32_tests.exe"), std::string::npos) << path;
    EXPECT_FALSE(ReadFileVersion(path).has_value());  // the test program carries no version resource
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const auto kernel = ReadFileVersion(WideToUtf8(system) + "\\kernel32.dll");
    ASSERT_TRUE(kernel.has_value());
    EXPECT_GE(kernel->Major, 5);
    EXPECT_FALSE(ReadFileVersion("C:\\no\\such\\file.exe").has_value());
}

TEST(LocaleAdapterTest, EnglishSeparators) {
    const NumberSeparators separators = UserNumberSeparators();
    EXPECT_EQ(FormatByteSize(1023, separators), "1" + separators.Thousands + "023" + separators.Decimal + "00 Bytes");
}

TEST(DelayAdapterTest, RunsPendingMessagesAndWaits) {
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    const DWORD start = GetTickCount();
    Delay(0);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));  // the delay took it
    Delay(30);
    EXPECT_GE(GetTickCount() - start, 30u);
}

TEST(SingleInstanceTest, SecondCheckIsRefusedAndUnregistered) {
    const std::string path = "C:\\Tests\\Tarvex-" + std::to_string(GetCurrentProcessId()) + ".exe";
    const std::wstring tableName = L"JCLC:_TESTS_TARVEX-" + std::to_wstring(GetCurrentProcessId()) + L".EXE_All";
    auto first = std::make_unique<TJclAppInstances>(path, L"NoSuchWindowClass");
    EXPECT_EQ(first->ApplicationId(), WideToUtf8(tableName.substr(0, tableName.size() - 4)));
    EXPECT_TRUE(first->CheckSingleInstance(1));

    UniqueKernelHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, tableName.c_str()));
    ASSERT_TRUE(mapping);
    UniqueFileMapView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(InstanceTable)));
    const auto* table = static_cast<const InstanceTable*>(view.get());
    EXPECT_EQ(table->Limit, 1);
    EXPECT_EQ(table->Count, 1);
    {
        // Another letter case names the same objects.
        std::string lower = path;
        for (auto& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        TJclAppInstances second(lower, L"NoSuchWindowClass");
        EXPECT_FALSE(second.CheckSingleInstance(1));
        EXPECT_EQ(table->Count, 2);
    }
    EXPECT_EQ(table->Count, 1);
    EXPECT_EQ(table->ProcessIds[0], GetCurrentProcessId());

    TJclAppInstances elsewhere("C:\\Other\\Tarvex.exe", L"NoSuchWindowClass");
    EXPECT_TRUE(elsewhere.CheckSingleInstance(1));
    first.reset();
    EXPECT_EQ(table->Count, 0);
}

class TestWindowFixture : public testing::Test {
protected:
    void SetUp() override {
        window_ = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_TRUE(window_);
    }
    void TearDown() override { DestroyWindow(window_); }
    HWND window_ = nullptr;
};

std::wstring FaceOf(HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfFaceName;
}

TEST_F(TestWindowFixture, FormFontGivesTheMessageFaceAndKeepsSizes) {
    HWND withFont = CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD, 0, 0, 50, 20, window_, nullptr, nullptr, nullptr);
    HWND withoutFont = CreateWindowExW(0, L"BUTTON", L"c", WS_CHILD, 0, 0, 50, 20, window_, nullptr, nullptr, nullptr);
    LOGFONTW big{};
    big.lfHeight = -40;
    big.lfWeight = FW_BOLD;
    lstrcpyW(big.lfFaceName, L"Courier New");
    HFONT bigFont = CreateFontIndirectW(&big);
    SendMessageW(withFont, WM_SETFONT, reinterpret_cast<WPARAM>(bigFont), FALSE);

    ApplyFormFont(window_);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = 504;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
    EXPECT_EQ(FaceOf(window_), metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(FaceOf(withFont), metrics.lfMessageFont.lfFaceName);
    LOGFONTW changed{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(withFont, WM_GETFONT, 0, 0)), sizeof changed, &changed);
    EXPECT_EQ(changed.lfHeight, -40);
    EXPECT_EQ(changed.lfWeight, FW_BOLD);
    EXPECT_EQ(SendMessageW(withoutFont, WM_GETFONT, 0, 0), 0);  // it keeps following its parent
    ApplyFormFont(window_);  // a second time replaces, and frees, the fonts made the first time
    DeleteObject(bigFont);
}

TEST_F(TestWindowFixture, CloseCommandSwitch) {
    HMENU menu = GetSystemMenu(window_, FALSE);
    ASSERT_TRUE(menu);
    EnableCloseCommand(window_, false);
    EXPECT_EQ(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED), UINT(MF_DISABLED | MF_GRAYED));
    EnableCloseCommand(window_, true);
    EXPECT_EQ(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED), 0u);
}

}  // namespace
}  // namespace tarvex
