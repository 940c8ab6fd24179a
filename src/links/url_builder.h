#pragma once
// The product's web links: their addresses with the tracking text, and handing an address
// to the user's default browser. Everything the links need from the system (the program's
// file version, the running Windows, the registry, the shell) comes through LinkPlatform,
// so the rules here run and are tested on any host; the Win32 adapter supplies the real one.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/version_text.h"
#include "common/windows_version.h"
#include "platform/os_version.h"
#include "platform/registry_access.h"

namespace tarvex {

// The kind of link; the numbers are part of the interface (1 to 4 are not used).
enum class UrlKind : int {
    Installed = 0,       // maker's site /products/installed.asp
    WebSite = 5,         // product site /go/?s=<tracking text>
    WebSiteDetails = 6,  // the same with &d=<code>Details
    Support = 7,         // product site /support/
    None = 8,            // empty address
    Uninstall = 9,       // product site /products/uninstall.asp
    TellAFriend = 10,
    SocialPage = 11,
    FacebookShare = 12,
    SocialPage2 = 13,
    TwitterShare = 14,
};

struct ProductEntry {
    std::string_view Code;         // two letters, first in every tracking text
    std::string_view Site;         // the product's web site, without a trailing "/"
    std::string_view RegistryKey;  // under HKEY_CURRENT_USER
    std::string_view DisplayName;
};

// This program's own entry; every web address the program uses is set next to it.
const ProductEntry& TarvexProduct();
// The maker's addresses, for the About page and the unused kinds.
std::string_view MakerSite();       // "https://www.quillmont.com"
std::string_view MakerDomain();     // "quillmont.com"
std::string_view SupportMailUrl();  // "mailto:" and the support address
std::string_view SupportAddress();  // the support address alone
std::string_view UpdateServer();    // "http://update.quillmont.com", where the update pages are
// The connection test's own download under the product site, unless the user names another.
std::string DefaultTestAddress();

// What a link needs from the running system, asked at each request.
class LinkPlatform {
public:
    virtual ~LinkPlatform() = default;
    // The program file's own version; nothing when it carries none or cannot be read.
    virtual std::optional<FileVersion> ProgramFileVersion() = 0;
    virtual OsVersionInfo OsVersion() = 0;
    virtual std::unique_ptr<RegistryAccess> NewRegistryAccess() = 0;
    // The shell's "open" verb on `file` with `parameters` (empty: none), no working folder, a
    // normal window, the desktop window as owner. True when the shell started it.
    virtual bool ShellOpen(std::string_view file, std::string_view parameters) = 0;
};

// The number the web site knows the running Windows by; 0 for any it does not list.
int OsCode(WindowsVersion version);

// The installer's tag from the file name it recorded ("SetupEXEName"): the text between the
// first and second "." of the file name, without its first "[...]". Empty when there is none.
std::string SourceTagOf(std::string_view setupExeName);
// The same, read from the product's key; empty when the key or the value is missing or unreadable.
std::string SourceTag(RegistryAccess& registry, const ProductEntry& product);

struct TrackingInput {
    int Tag = 0;     // the window element the visitor came from
    int Number = 0;  // 0 in every use of this program
    std::string FullVersion;
    int OsCode = 0;
    std::string Source;  // the caller's source, else the installer's tag, else empty
};
// "1|ZV|ZV13|0|5.0.1.123|13|": format, code, code and tag, number, version, OS code, source.
std::string TrackingText(const ProductEntry& product, const TrackingInput& input);

// The browser program of a registered "http\shell\open\command" text: what stands between its
// first two double quotes. Nothing for a command without quotes, or with an empty quoted part.
std::optional<std::string> BrowserPathOfCommand(std::string_view command);
// `argument` written so that a program's command-line parser reads it back as one argument
// exactly as it is: unchanged when it holds no blank or double quote, quoted otherwise.
std::string QuotedArgument(std::string_view argument);
// Opens `address` in the registered browser, with the address as its one argument; without a
// registered browser, or when it does not start, the shell opens the address itself.
void OpenInBrowser(LinkPlatform& platform, std::string_view address);

class IUrlBuilder {
public:
    virtual ~IUrlBuilder() = default;
    // The address of `kind` for the builder's product; `number` and `source` enter only the
    // kinds that use them. Nothing in it is escaped.
    virtual std::string GetUrl(UrlKind kind, int number, int tag, std::string_view source) = 0;
    // GetUrl, then `suffix`, then OpenInBrowser.
    virtual void OpenUrl(UrlKind kind, int number, int tag, std::string_view source, std::string_view suffix) = 0;
    virtual std::string_view WebDomain() const = 0;
};

class TUrlBuilder final : public IUrlBuilder {
public:
    // Both must outlive the builder.
    TUrlBuilder(const ProductEntry& product, LinkPlatform& platform) : product_(product), platform_(platform) {}

    std::string GetUrl(UrlKind kind, int number, int tag, std::string_view source) override;
    void OpenUrl(UrlKind kind, int number, int tag, std::string_view source, std::string_view suffix) override;
    std::string_view WebDomain() const override { return MakerDomain(); }

private:
    std::string Tracking(int number, int tag, std::string_view source);

    const ProductEntry& product_;
    LinkPlatform& platform_;
};

// The process's one builder: made on the first call, for that call's product and platform
// (which must live until the process ends); later calls get it whatever they name. Links are
// built on the one user-interface thread only.
IUrlBuilder& GetUrlBuilder(const ProductEntry& product, LinkPlatform& platform);

}  // namespace tarvex
