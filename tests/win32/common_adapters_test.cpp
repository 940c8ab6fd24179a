// The platform adapters of the common utilities against what Wine really reports.
#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <string_view>

#include "common/byte_size.h"
#include "common/win32/byte_size_locale.h"
#include "common/win32/delay_win32.h"
#include "common/win32/window_utils.h"
#include "common/windows_version.h"
#include "driver.h"
#include "platform/win32/os_version.h"
#include "platform/win32/program_info.h"
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
    // The tests run the i686 build in a 32-bit prefix or the x86_64 build in a 64-bit one.
    EXPECT_EQ(os.NativeX86, sizeof(void*) == 4);
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

// The separators are the user's own choice in the Control Panel, read at the time of asking.
TEST(LocaleAdapterTest, FollowsTheUsersSeparators) {
    struct Setting {
        LCTYPE Type;
        wchar_t Saved[16];
    } settings[] = {{LOCALE_STHOUSAND, {}}, {LOCALE_SDECIMAL, {}}};
    for (auto& setting : settings) ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, setting.Type, setting.Saved, 16), 0);
    struct Restore {
        const Setting* Begin;
        const Setting* End;
        ~Restore() {
            for (const Setting* s = Begin; s != End; ++s) SetLocaleInfoW(LOCALE_USER_DEFAULT, s->Type, s->Saved);
        }
    } restore{std::begin(settings), std::end(settings)};

    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, L"'"));
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L"\u00B7"));  // a middle dot
    NumberSeparators separators = UserNumberSeparators();
    EXPECT_EQ(separators.Thousands, "'");
    EXPECT_EQ(separators.Decimal, "\xC2\xB7");
    EXPECT_EQ(FormatByteSize(1023, separators), "1'023" + separators.Decimal + "00 Bytes");

    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, L"."));
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
    separators = UserNumberSeparators();
    EXPECT_EQ(FormatByteSize(1023, separators), "1.023,00 Bytes");
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

class TestWindowFixture : public testing::Test {
protected:
    void SetUp() override {
        window_ = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                                  nullptr);
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

HFONT FontOf(HWND window) {
    return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
}

LOGFONTW LogFontOf(HWND window) {
    LOGFONTW font{};
    GetObjectW(FontOf(window), sizeof font, &font);
    return font;
}

HWND AddButton(HWND parent) {
    return CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr);
}

TEST_F(TestWindowFixture, FormFontGivesTheMessageFaceAndKeepsSizes) {
    HWND withFont = AddButton(window_);
    HWND withoutFont = AddButton(window_);
    HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 100, 50, window_, nullptr, nullptr, nullptr);
    HWND nested = AddButton(panel);
    LOGFONTW big{};
    big.lfHeight = -40;
    big.lfWeight = FW_BOLD;
    lstrcpyW(big.lfFaceName, L"Courier New");
    HFONT bigFont = CreateFontIndirectW(&big);
    SendMessageW(withFont, WM_SETFONT, reinterpret_cast<WPARAM>(bigFont), FALSE);

    ApplyFormFont(window_);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = NonClientMetricsSize(QueryOsVersion());
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
    const HFONT formFont = FontOf(window_);
    ASSERT_TRUE(formFont);
    EXPECT_EQ(FaceOf(window_), metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(LogFontOf(window_).lfHeight, metrics.lfMessageFont.lfHeight);
    EXPECT_EQ(FaceOf(withFont), metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(LogFontOf(withFont).lfHeight, -40);
    EXPECT_EQ(LogFontOf(withFont).lfWeight, FW_BOLD);
    // Controls never given a font follow the form as a whole, also inside a panel.
    EXPECT_EQ(FontOf(withoutFont), formFont);
    EXPECT_EQ(FontOf(panel), formFont);
    EXPECT_EQ(FontOf(nested), formFont);

    // A second time replaces, and frees, the fonts made the first time; the followers
    // follow the new font and the others keep their sizes.
    ApplyFormFont(window_);
    const HFONT secondFont = FontOf(window_);
    EXPECT_NE(secondFont, formFont);
    EXPECT_EQ(GetObjectType(formFont), 0u);
    EXPECT_EQ(FontOf(withoutFont), secondFont);
    EXPECT_EQ(FontOf(nested), secondFont);
    EXPECT_EQ(LogFontOf(withFont).lfHeight, -40);
    DestroyWindow(window_);  // the fonts go with their windows, the form's last
    window_ = nullptr;
    EXPECT_EQ(GetObjectType(secondFont), 0u);
    DeleteObject(bigFont);
}

// Windows XP and Server 2003 refuse the Vista size of NONCLIENTMETRICSW, which left the rule
// doing nothing there. A copy of this program runs the rule under each personality: Wine
// applies AppDefaults by file name, so the rest of the suite keeps its own.
constexpr wchar_t kFormFontPeer[] = L" --form-font-peer";

// Exit codes of the peer: 0 when the rule held.
enum FormFontPeerResult : int {
    kFontRuleHeld = 0,
    kNoWindow = 10,
    kMetricsRefused,
    kNoMessageFont,
    kChildNotFollowing
};

int RunFormFontPeer() {
    const OsVersionInfo os = QueryOsVersion();
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = NonClientMetricsSize(os);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return kMetricsRefused;
    HWND form =
        CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    if (!form) return kNoWindow;
    HWND child = AddButton(form);
    ApplyFormFont(form);
    int result = kFontRuleHeld;
    if (FaceOf(form) != metrics.lfMessageFont.lfFaceName || LogFontOf(form).lfHeight != metrics.lfMessageFont.lfHeight)
        result = kNoMessageFont;
    else if (!FontOf(form) || FontOf(child) != FontOf(form))
        result = kChildNotFollowing;
    DestroyWindow(form);
    // The personality's family in the hundreds, so the parent sees which Windows ran.
    return result + 100 * static_cast<int>(os.Major);
}

// Decided before main: a peer never runs the tests.
[[maybe_unused]] const bool kIsFormFontPeer = [] {
    if (std::wstring_view(GetCommandLineW()).find(kFormFontPeer) != std::wstring_view::npos)
        ExitProcess(static_cast<UINT>(RunFormFontPeer()));
    return false;
}();

std::wstring OwnExecutable() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

TEST(FormFontPersonalityTest, RuleHoldsOnXpServer2003AndVista) {
    wchar_t temp[MAX_PATH];
    ASSERT_TRUE(GetTempPathW(MAX_PATH, temp));
    const std::wstring name = L"form_font_peer_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring peer = temp + name;
    ASSERT_TRUE(CopyFileW(OwnExecutable().c_str(), peer.c_str(), FALSE));
    const driver::RegistryKey appDefaults{HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + name};
    struct Cleanup {
        const std::wstring& Peer;
        const driver::RegistryKey& Key;
        ~Cleanup() {
            driver::DeleteKeyTree(Key);
            DeleteFileW(Peer.c_str());
        }
    } cleanup{peer, appDefaults};

    const struct {
        const wchar_t* Personality;
        int Major;
    } cases[] = {{L"winxp", 5}, {L"win2003", 5}, {L"vista", 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Personality);
        ASSERT_TRUE(driver::WriteString(appDefaults, L"Version", c.Personality));
        const auto exitCode = driver::Launch(peer, kFormFontPeer + 1).WaitExit(30000);
        ASSERT_TRUE(exitCode.has_value());
        EXPECT_EQ(*exitCode, static_cast<DWORD>(100 * c.Major + kFontRuleHeld));
    }
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
