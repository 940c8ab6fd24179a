#include "links/url_builder.h"

#include <exception>
#include <initializer_list>

namespace tarvex {

namespace {

// Every web address of the program, in one place.
constexpr std::string_view kMakerSite = "https://www.quillmont.com";
constexpr std::string_view kMakerDomain = "quillmont.com";
constexpr std::string_view kProductSite = "https://www.quillmont.com/tarvex";
constexpr std::string_view kSocialPage = "https://www.quillmont.com/follow/social";
constexpr std::string_view kSocialPage2 = "https://www.quillmont.com/follow/microblog";
constexpr std::string_view kMailto = "mailto:";
// The update server speaks plain HTTP on port 80: the update component asks nothing else.
constexpr std::string_view kUpdateServer = "http://update.quillmont.com";
constexpr std::string_view kSupportMailUrl = "mailto:support@quillmont.com";

constexpr ProductEntry kTarvex{"ZV", kProductSite, "Software\\Quillmont\\Tarvex", "Tarvex"};

constexpr std::string_view kBrowserCommandKey = "\\http\\shell\\open\\command";
constexpr std::string_view kSetupExeNameValue = "SetupEXEName";

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (auto part : parts) out += part;
    return out;
}

}  // namespace

const ProductEntry& TarvexProduct() {
    return kTarvex;
}
std::string_view MakerSite() {
    return kMakerSite;
}
std::string_view MakerDomain() {
    return kMakerDomain;
}
std::string_view SupportMailUrl() {
    return kSupportMailUrl;
}
std::string_view SupportAddress() {
    return kSupportMailUrl.substr(kMailto.size());
}
std::string_view UpdateServer() {
    return kUpdateServer;
}

std::string DefaultTestAddress() {
    return std::string(kProductSite) + "/speedtest/download.bin";
}

int OsCode(WindowsVersion version) {
    switch (version) {
        case WindowsVersion::Win95:
        case WindowsVersion::Win95OSR2:
            return 1;
        case WindowsVersion::Win98SE:
            return 2;
        case WindowsVersion::Win98:
            return 3;
        case WindowsVersion::WinME:
            return 4;
        case WindowsVersion::WinNT4:
            return 5;
        case WindowsVersion::Win2000:
            return 6;
        case WindowsVersion::WinXP:
            return 7;
        case WindowsVersion::WinServer2003:
            return 8;
        case WindowsVersion::WinVista:
            return 11;
        case WindowsVersion::WinServer2008:
            return 12;
        case WindowsVersion::Win7:
            return 13;
        case WindowsVersion::WinServer2008R2:
            return 14;
        default:
            return 0;
    }
}

std::string SourceTagOf(std::string_view setupExeName) {
    if (setupExeName.size() <= 2) return {};
    std::string_view path = TrimBlanks(setupExeName);
    if (!path.empty() && path.front() == '"') {
        // A quoted path may be followed by arguments; without a closing quote the rest is the path.
        path.remove_prefix(1);
        path = path.substr(0, path.find('"'));
    }
    const auto separator = path.find_last_of("\\/:");
    const std::string_view fileName = separator == std::string_view::npos ? path : path.substr(separator + 1);
    const auto firstPoint = fileName.find('.');
    if (firstPoint == std::string_view::npos) return {};
    const auto secondPoint = fileName.find('.', firstPoint + 1);
    if (secondPoint == std::string_view::npos) return {};
    std::string tag(fileName.substr(firstPoint + 1, secondPoint - firstPoint - 1));
    // The download's copy number, as in "setup.spring[2].exe"; an unclosed "[" is kept.
    if (const auto open = tag.find('['); open != std::string::npos) {
        if (const auto close = tag.find(']', open); close != std::string::npos) tag.erase(open, close - open + 1);
    }
    return tag;
}

std::string SourceTag(RegistryAccess& registry, const ProductEntry& product) {
    try {
        registry.SetRootKey(RegistryRoot::CurrentUser);
        if (!registry.OpenKey(Join({"\\", product.RegistryKey}), false)) return {};
        std::string name = registry.ReadText(kSetupExeNameValue);
        registry.CloseKey();
        return SourceTagOf(name);
    } catch (const Error&) {
        return {};  // a value of another type is no tag
    }
}

std::string TrackingText(const ProductEntry& product, const TrackingInput& input) {
    std::string text = "1|";
    text += product.Code;
    text += '|';
    text += product.Code;
    text += std::to_string(input.Tag);
    text += '|';
    text += std::to_string(input.Number);
    text += '|';
    text += input.FullVersion;
    text += '|';
    text += std::to_string(input.OsCode);
    text += '|';
    text += input.Source;
    return text;
}

std::optional<std::string> BrowserPathOfCommand(std::string_view command) {
    const auto open = command.find('"');
    if (open == std::string_view::npos) return std::nullopt;
    const auto close = command.find('"', open + 1);
    // An unclosed quote names no program we could trust to be whole.
    if (close == std::string_view::npos || close == open + 1) return std::nullopt;
    return std::string(command.substr(open + 1, close - open - 1));
}

std::string QuotedArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos) return std::string(argument);
    // Backslashes count only before a quote: there they are doubled, and the quote escaped.
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

void OpenInBrowser(LinkPlatform& platform, std::string_view address) {
    if (address.empty()) return;  // a browser started with nothing would open some other page
    std::string command;
    try {
        auto registry = platform.NewRegistryAccess();
        registry->SetRootKey(RegistryRoot::ClassesRoot);
        if (registry->OpenKey(kBrowserCommandKey, false)) command = registry->ReadText("");
    } catch (const std::exception&) {
        command.clear();
    }
    if (const auto browser = BrowserPathOfCommand(command)) {
        // The address reaches the browser as one argument even when it holds blanks or quotes.
        if (platform.ShellOpen(*browser, QuotedArgument(address))) return;
    }
    platform.ShellOpen(address, {});
}

std::string TUrlBuilder::Tracking(int number, int tag, std::string_view source) {
    TrackingInput input;
    input.Tag = tag;
    input.Number = number;
    input.FullVersion = FullVersionText(platform_.ProgramFileVersion());
    input.OsCode = OsCode(ClassifyWindowsVersion(platform_.OsVersion()));
    if (!source.empty()) {
        input.Source = source;
    } else {
        auto registry = platform_.NewRegistryAccess();
        input.Source = SourceTag(*registry, product_);
    }
    return TrackingText(product_, input);
}

std::string TUrlBuilder::GetUrl(UrlKind kind, int number, int tag, std::string_view source) {
    const std::string_view site = product_.Site;
    const std::string_view code = product_.Code;
    switch (kind) {
        case UrlKind::Installed: {
            std::string url = Join({kMakerSite, "/products/installed.asp?s=", code,
                                    "&v=", MajorVersionText(platform_.ProgramFileVersion())});
            auto registry = platform_.NewRegistryAccess();
            if (const auto sourceTag = SourceTag(*registry, product_); !sourceTag.empty())
                url += Join({"&a=", sourceTag});
            return url;
        }
        case UrlKind::WebSite:
            return Join({site, "/go/?s=", Tracking(number, tag, source)});
        case UrlKind::WebSiteDetails:
            return Join({site, "/go/?s=", Tracking(number, tag, source), "&d=", code, "Details"});
        case UrlKind::Support:
            return Join({site, "/support/"});
        case UrlKind::Uninstall:
            return Join({site, "/products/uninstall.asp?s=", code,
                         "&v=", FullVersionText(platform_.ProgramFileVersion()), "&d=", std::to_string(number)});
        case UrlKind::TellAFriend:
            return Join({site, "/go/?Dest=", code, "TellAFriend"});
        case UrlKind::SocialPage:
            return std::string(kSocialPage);
        case UrlKind::FacebookShare:
            return Join({site, "/go/?Dest=", code, "FacebookShare"});
        case UrlKind::SocialPage2:
            return std::string(kSocialPage2);
        case UrlKind::TwitterShare:
            return Join({site, "/go/?Dest=", code, "TwitterShare"});
        case UrlKind::None:
            break;
    }
    return {};  // kind 8 and the unused numbers
}

void TUrlBuilder::OpenUrl(UrlKind kind, int number, int tag, std::string_view source, std::string_view suffix) {
    std::string url = GetUrl(kind, number, tag, source);
    url += suffix;
    OpenInBrowser(platform_, url);
}

IUrlBuilder& GetUrlBuilder(const ProductEntry& product, LinkPlatform& platform) {
    // One user-interface thread makes every link, so the first call alone creates it.
    static TUrlBuilder builder(product, platform);
    return builder;
}

}  // namespace tarvex
