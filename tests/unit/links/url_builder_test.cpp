#include "links/url_builder.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/fake_registry.h"

namespace tarvex {
namespace {

using testing::FakeRegistry;
using testing::FakeRegistryValue;

constexpr std::string_view kSite = "https://www.quillmont.com/tarvex";
constexpr std::string_view kCommandKey = "http\\shell\\open\\command";

OsVersionInfo Windows7() {
    OsVersionInfo os;
    os.Platform = OsPlatform::WindowsNT;
    os.Major = 6;
    os.Minor = 1;
    os.Build = 7601;
    os.ProductType = 1;
    return os;
}

// The running system as a test sets it up; every shell start is recorded.
class TestPlatform final : public LinkPlatform {
public:
    std::optional<FileVersion> Version = FileVersion{5, 0, 1, 123};
    OsVersionInfo Os = Windows7();
    FakeRegistry Registry;
    bool ShellStarts = true;
    std::vector<std::pair<std::string, std::string>> Opened;  // file, parameters

    std::optional<FileVersion> ProgramFileVersion() override { return Version; }
    OsVersionInfo OsVersion() override { return Os; }
    std::unique_ptr<RegistryAccess> NewRegistryAccess() override { return Registry.NewAccess(); }
    bool ShellOpen(std::string_view file, std::string_view parameters) override {
        Opened.emplace_back(file, parameters);
        return ShellStarts;
    }

    void SetSetupExeName(std::string_view name) {
        Registry.SetValue(RegistryRoot::CurrentUser, "Software\\Quillmont\\Tarvex", "SetupEXEName",
                          FakeRegistryValue::Text(name));
    }
    void SetBrowserCommand(std::string_view command) {
        Registry.SetValue(RegistryRoot::ClassesRoot, kCommandKey, "", FakeRegistryValue::Text(command));
    }
};

std::string Site(std::string_view rest) {
    return std::string(kSite) + std::string(rest);
}

TEST(UrlBuilder, WebSiteLinksCarryTheTrackingTextOfTheirElement) {
    TestPlatform platform;
    TUrlBuilder builder(TarvexProduct(), platform);
    EXPECT_EQ(builder.GetUrl(UrlKind::WebSite, 0, 13, ""), Site("/go/?s=1|ZV|ZV13|0|5.0.1.123|13|"));
    EXPECT_EQ(builder.GetUrl(UrlKind::WebSite, 0, 15, ""), Site("/go/?s=1|ZV|ZV15|0|5.0.1.123|13|"));
    EXPECT_EQ(builder.GetUrl(UrlKind::WebSite, 0, 11, ""), Site("/go/?s=1|ZV|ZV11|0|5.0.1.123|13|"));

    // The installer's tag fills the last field; a caller's own source takes its place.
    platform.SetSetupExeName("C:\\Downloads\\setup.spring[2].exe");
    EXPECT_EQ(builder.GetUrl(UrlKind::WebSite, 0, 13, ""), Site("/go/?s=1|ZV|ZV13|0|5.0.1.123|13|spring"));
    EXPECT_EQ(builder.GetUrl(UrlKind::WebSite, 7, 13, "news"), Site("/go/?s=1|ZV|ZV13|7|5.0.1.123|13|news"));

    // Version and system are read at each request.
    platform.Version.reset();
    platform.Os.Major = 5;
    platform.Os.Minor = 1;
    EXPECT_EQ(builder.GetUrl(UrlKind::WebSite, 0, 13, ""), Site("/go/?s=1|ZV|ZV13|0||7|spring"));
}

TEST(UrlBuilder, EveryKindHasItsAddress) {
    TestPlatform platform;
    platform.SetSetupExeName("setup.autumn.exe");
    TUrlBuilder builder(TarvexProduct(), platform);
    const std::pair<UrlKind, std::string> cases[] = {
        {UrlKind::Installed, "https://www.quillmont.com/products/installed.asp?s=ZV&v=5&a=autumn"},
        {UrlKind::WebSite, Site("/go/?s=1|ZV|ZV4|9|5.0.1.123|13|autumn")},
        {UrlKind::WebSiteDetails, Site("/go/?s=1|ZV|ZV4|9|5.0.1.123|13|autumn&d=ZVDetails")},
        {UrlKind::Support, Site("/support/")},
        {UrlKind::None, ""},
        {UrlKind::Uninstall, Site("/products/uninstall.asp?s=ZV&v=5.0.1.123&d=9")},
        {UrlKind::TellAFriend, Site("/go/?Dest=ZVTellAFriend")},
        {UrlKind::SocialPage, "https://www.quillmont.com/follow/social"},
        {UrlKind::FacebookShare, Site("/go/?Dest=ZVFacebookShare")},
        {UrlKind::SocialPage2, "https://www.quillmont.com/follow/microblog"},
        {UrlKind::TwitterShare, Site("/go/?Dest=ZVTwitterShare")},
        {static_cast<UrlKind>(3), ""},
        {static_cast<UrlKind>(15), ""},
    };
    for (const auto& [kind, url] : cases) {
        EXPECT_EQ(builder.GetUrl(kind, 9, 4, ""), url) << "kind " << static_cast<int>(kind);
    }
    // Without an installer's tag the installed-check link has no "&a=".
    platform.Registry.DeleteKey(RegistryRoot::CurrentUser, "Software\\Quillmont\\Tarvex");
    EXPECT_EQ(builder.GetUrl(UrlKind::Installed, 0, 0, ""),
              "https://www.quillmont.com/products/installed.asp?s=ZV&v=5");
    EXPECT_EQ(builder.WebDomain(), "quillmont.com");
}

TEST(UrlBuilder, ProductEntryAndTrackingFields) {
    const auto& product = TarvexProduct();
    EXPECT_EQ(product.Code, "ZV");
    EXPECT_EQ(product.Site, kSite);
    EXPECT_EQ(product.RegistryKey, "Software\\Quillmont\\Tarvex");
    EXPECT_EQ(product.DisplayName, "Tarvex");
    EXPECT_EQ(SupportMailUrl(), "mailto:support@quillmont.com");
    EXPECT_EQ(TrackingText(product, {-2, 0, "2.0.1.70", 0, "a b"}), "1|ZV|ZV-2|0|2.0.1.70|0|a b");
}

TEST(UrlBuilder, OsCodeOfEveryWindowsVersion) {
    const std::pair<WindowsVersion, int> cases[] = {
        {WindowsVersion::Unknown, 0},
        {WindowsVersion::Win31, 0},
        {WindowsVersion::Win95, 1},
        {WindowsVersion::Win95OSR2, 1},
        {WindowsVersion::Win98, 3},
        {WindowsVersion::Win98SE, 2},
        {WindowsVersion::WinME, 4},
        {WindowsVersion::Win9x, 0},
        {WindowsVersion::WinNT35, 0},
        {WindowsVersion::WinNT4, 5},
        {WindowsVersion::Win2000, 6},
        {WindowsVersion::WinXP, 7},
        {WindowsVersion::WinNT, 0},
        {WindowsVersion::WinServer2003, 8},
        {WindowsVersion::WinVista, 11},
        {WindowsVersion::WinServer2008, 12},
        {WindowsVersion::WinServer2008OrVistaSP1, 0},
        {WindowsVersion::Win7, 13},
        {WindowsVersion::WinServer2008R2, 14},
        {WindowsVersion::Win7OrServer2008R2, 0},
    };
    static_assert(std::size(cases) == 20);
    for (const auto& [version, code] : cases) {
        EXPECT_EQ(OsCode(version), code) << WindowsVersionName(version);
    }
}

TEST(UrlBuilder, SourceTagOfTheRecordedInstaller) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"setup.exe", ""},
        {"x.a[b]c.exe", "ac"},
        {"C:\\Downloads\\setup.spring[2].exe", "spring"},
        {"\"C:\\Program Files\\My.Downloads\\setup.autumn.exe\" /S /D=C:\\x.y.z", "autumn"},
        {"  \"C:\\dl\\setup.quoted.exe\"  ", "quoted"},
        {"\"C:\\dl\\setup.unclosed.exe", "unclosed"},  // no closing quote: the rest is the path
        {"C:\\my.folder\\setup.exe", ""},              // points of the folder do not count
        {"C:/dl/setup.slash.exe", "slash"},
        {"C:setup.drive.exe", "drive"},
        {"a.b", ""},  // three characters, one point
        {"ab", ""},   // two characters or fewer: no tag
        {"..", ""},
        {"x..exe", ""},  // nothing between the points
        {"x.[2].exe", ""},
        {"x.a[b.exe", "a[b"},               // an unclosed "[" stays
        {"x.a]b[c]d[e]f.exe", "a]bd[e]f"},  // only the first "[...]" goes
        {"setup", ""},
        {"   ", ""},
    };
    for (const auto& [name, tag] : cases) {
        EXPECT_EQ(SourceTagOf(name), tag) << name;
    }
}

TEST(UrlBuilder, SourceTagIsReadFromTheProductsKey) {
    FakeRegistry registry;
    auto read = [&] { return SourceTag(*registry.NewAccess(), TarvexProduct()); };
    EXPECT_EQ(read(), "");  // no key
    registry.CreateKey(RegistryRoot::CurrentUser, "Software\\Quillmont\\Tarvex");
    EXPECT_EQ(read(), "");  // no value
    registry.SetValue(RegistryRoot::CurrentUser, "Software\\Quillmont\\Tarvex", "SetupEXEName",
                      FakeRegistryValue::Dword(5));
    EXPECT_EQ(read(), "");  // another type
    registry.SetValue(RegistryRoot::CurrentUser, "Software\\Quillmont\\Tarvex", "SetupEXEName",
                      FakeRegistryValue::Text("setup.winter.exe", kRegExpandSz));
    EXPECT_EQ(read(), "winter");
    registry.DenyOpen(RegistryRoot::CurrentUser, "Software\\Quillmont\\Tarvex");
    EXPECT_EQ(read(), "");
    // Another user's key and another product's key are not read.
    registry.SetValue(RegistryRoot::LocalMachine, "Software\\Quillmont\\Tarvex", "SetupEXEName",
                      FakeRegistryValue::Text("setup.machine.exe"));
    registry.SetValue(RegistryRoot::CurrentUser, "Software\\Quillmont\\Other", "SetupEXEName",
                      FakeRegistryValue::Text("setup.other.exe"));
    EXPECT_EQ(read(), "");
}

TEST(UrlBuilder, BrowserPathOfTheRegisteredCommand) {
    const std::pair<std::string_view, std::optional<std::string>> cases[] = {
        {"\"C:\\Program Files\\Browser\\browser.exe\" -osint -url \"%1\"", "C:\\Program Files\\Browser\\browser.exe"},
        {"\"C:\\b.exe\"", "C:\\b.exe"},
        {"rundll32 url.dll,FileProtocolHandler %1", std::nullopt},
        {"C:\\b.exe \"%1\"", "%1"},  // the first quoted text, whatever it is
        {"", std::nullopt},
        {"\"\" %1", std::nullopt},
        {"\"C:\\unclosed.exe %1", std::nullopt},
    };
    for (const auto& [command, path] : cases) {
        EXPECT_EQ(BrowserPathOfCommand(command), path) << command;
    }
}

TEST(UrlBuilder, QuotedArgumentReadsBackAsOneArgument) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"https://x/go/?s=1|ZV|ZV13|0|5.0.1.123|13|", "https://x/go/?s=1|ZV|ZV13|0|5.0.1.123|13|"},
        {"https://x/?a=b c", "\"https://x/?a=b c\""},
        {"a\"b", "\"a\\\"b\""},
        {"a\\\"b c", "\"a\\\\\\\"b c\""},
        {"a\\b c\\", "\"a\\b c\\\\\""},
        {"", "\"\""},
    };
    for (const auto& [argument, written] : cases) {
        EXPECT_EQ(QuotedArgument(argument), written) << argument;
    }
}

TEST(UrlBuilder, OpenInBrowserStartsTheRegisteredBrowserElseTheShell) {
    using Opened = std::vector<std::pair<std::string, std::string>>;
    {
        TestPlatform platform;
        platform.SetBrowserCommand("\"C:\\Browser\\b.exe\" --single-argument %1");
        OpenInBrowser(platform, "https://x/?s=1|a");
        EXPECT_EQ(platform.Opened, (Opened{{"C:\\Browser\\b.exe", "https://x/?s=1|a"}}));
    }
    {
        // A text that came from the registry cannot add arguments of its own.
        TestPlatform platform;
        platform.SetBrowserCommand("\"C:\\Browser\\b.exe\" %1");
        OpenInBrowser(platform, "https://x/?s=a\" --flag \"b");
        EXPECT_EQ(platform.Opened, (Opened{{"C:\\Browser\\b.exe", "\"https://x/?s=a\\\" --flag \\\"b\""}}));
    }
    {
        TestPlatform platform;
        platform.SetBrowserCommand("browser.exe %1");
        OpenInBrowser(platform, "https://x/");
        EXPECT_EQ(platform.Opened, (Opened{{"https://x/", ""}}));
    }
    {
        TestPlatform platform;  // no command registered
        OpenInBrowser(platform, "https://x/");
        EXPECT_EQ(platform.Opened, (Opened{{"https://x/", ""}}));
    }
    {
        TestPlatform platform;  // the command is unreadable
        platform.Registry.SetValue(RegistryRoot::ClassesRoot, kCommandKey, "", FakeRegistryValue::Dword(1));
        OpenInBrowser(platform, "https://x/");
        EXPECT_EQ(platform.Opened, (Opened{{"https://x/", ""}}));
    }
    {
        // A registered browser that is gone does not swallow the link.
        TestPlatform platform;
        platform.SetBrowserCommand("\"C:\\Gone\\b.exe\" %1");
        platform.ShellStarts = false;
        OpenInBrowser(platform, "https://x/");
        EXPECT_EQ(platform.Opened, (Opened{{"C:\\Gone\\b.exe", "https://x/"}, {"https://x/", ""}}));
    }
    {
        TestPlatform platform;
        platform.SetBrowserCommand("\"C:\\Browser\\b.exe\" %1");
        OpenInBrowser(platform, "");
        EXPECT_TRUE(platform.Opened.empty());
    }
}

TEST(UrlBuilder, OpenUrlAppendsTheSuffixAndOpensTheAddress) {
    TestPlatform platform;
    platform.SetBrowserCommand("\"C:\\Browser\\b.exe\" %1");
    TUrlBuilder builder(TarvexProduct(), platform);
    builder.OpenUrl(UrlKind::WebSite, 0, 15, "", "");
    builder.OpenUrl(UrlKind::TellAFriend, 0, 0, "", "#top");
    builder.OpenUrl(UrlKind::None, 0, 0, "", "");
    ASSERT_EQ(platform.Opened.size(), 2u);
    EXPECT_EQ(platform.Opened[0].second, Site("/go/?s=1|ZV|ZV15|0|5.0.1.123|13|"));
    EXPECT_EQ(platform.Opened[1].second, Site("/go/?Dest=ZVTellAFriend#top"));
}

TEST(UrlBuilder, OneBuilderPerProcess) {
    static TestPlatform first;
    static TestPlatform second;
    static constexpr ProductEntry other{"QQ", "https://other.example", "Software\\Quillmont\\Other", "Other"};
    IUrlBuilder& builder = GetUrlBuilder(TarvexProduct(), first);
    EXPECT_EQ(&GetUrlBuilder(other, second), &builder);
    EXPECT_EQ(builder.GetUrl(UrlKind::Support, 0, 0, ""), Site("/support/"));
    builder.OpenUrl(UrlKind::Support, 0, 0, "", "");
    EXPECT_EQ(first.Opened.size(), 1u);
    EXPECT_TRUE(second.Opened.empty());
}

}  // namespace
}  // namespace tarvex
