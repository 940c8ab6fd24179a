// The update component over WinInet against the project's update server
// (tools/update_server.py), directly and with the server as the proxy for our update host:
// each fault the server can produce ends the check or the download as it should, and none
// hangs. ctest starts the server (win32.update_server); elsewhere these tests are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "unit/update/update_fakes.h"
#include "update/web_update.h"
#include "update/win32/wininet_transfer.h"

namespace tarvex {
namespace {

using Strings = std::vector<std::string>;

std::string ServerAddress() {
    const char* address = std::getenv("TARVEX_UPDATE_SERVER");
    return address ? address : "";
}

struct ServerFixture {
    WinInetTransfer Transfer;
    testing::FakeFiles Files;
    testing::FakeHost Host;
    TQmWebUpdate Update{UpdatePorts{Transfer, Files, Host}};
    Strings Log;

    // `prefix` picks the server's fault ("/fault/404"); through the proxy, the update host's
    // name is asked for and the server answers for it.
    ServerFixture(const std::string& prefix, bool viaProxy)
        : Transfer(viaProxy ? ProxySettings{ServerAddress(), "", ""} : ProxySettings{}, 2000) {
        const std::string address = ServerAddress();
        const auto colon = address.rfind(':');
        if (viaProxy) {
            Update.ProductInfo.SetURL("update.example.test" + prefix + "/assets/update/ZV/Tarvex2.asp");
        } else {
            Update.ProductInfo.SetURL(address.substr(0, colon) + prefix + "/assets/update/ZV/Tarvex2.asp");
            Update.HTTPPort = static_cast<std::uint32_t>(std::stoul(address.substr(colon + 1)));
        }
        Update.Options = {.uoRunUpdate = false, .uoTerminate = false, .uoOverwrite = true};
        Update.OnDownloadError = [this] { Log.push_back("DownloadError"); };
        Update.OnNoUpdateFound = [this] { Log.push_back("NoUpdateFound"); };
        Update.OnUpdateAvailable = [this](auto&, auto&, auto&, auto&, bool&) { Log.push_back("UpdateAvailable"); };
    }
};

TEST(UpdateServer, ChecksEndAsTheAnswerSays) {
    if (ServerAddress().empty()) GTEST_SKIP() << "no update server";
    struct Case {
        std::string Fault;
        bool Found;
        Strings Log;
    } const cases[] = {
        {"", true, {"UpdateAvailable"}},
        {"no-update", false, {"NoUpdateFound"}},
        {"no-length", true, {"UpdateAvailable"}},
        {"bad-date", true, {"UpdateAvailable"}},  // the version alone decides
        {"redirect-other", true, {"UpdateAvailable"}},
        {"redirect-self", true, {"UpdateAvailable"}},
        {"404", false, {"DownloadError", "DownloadError"}},
        {"500", false, {"DownloadError", "DownloadError"}},
        {"close", false, {"DownloadError", "DownloadError"}},
        {"stall", false, {"DownloadError", "DownloadError"}},
        {"stall-body", false, {"DownloadError", "DownloadError"}},
        {"huge", false, {"DownloadError", "DownloadError"}},
        {"redirect-loop", false, {"DownloadError"}},
        {"lower-case", false, {"DownloadError"}},
        {"name-case", false, {"DownloadError"}},
        {"no-product", false, {"DownloadError"}},
        {"no-version", false, {"DownloadError"}},
    };
    for (const bool viaProxy : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.Fault + (viaProxy ? " (proxy)" : ""));
            ServerFixture f(c.Fault.empty() ? "" : "/fault/" + c.Fault, viaProxy);
            EXPECT_EQ(f.Update.CheckForUpdate(), c.Found);
            EXPECT_EQ(f.Log, c.Log);
        }
    }
}

TEST(UpdateServer, DownloadsTheInstallerExactlyOrNotAtAll) {
    if (ServerAddress().empty()) GTEST_SKIP() << "no update server";
    std::string installer(5 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < installer.size(); ++i) installer[i] = static_cast<char>(i * 7 % 251);
    const std::string file = "C:\\Users\\me\\Temp\\TarvexSetup.exe";
    struct Case {
        std::string Prefix;
        bool Downloads;
    } const cases[] = {
        {"", true},
        {"/installer-fault/no-length", false},
        {"/installer-fault/short", false},
        {"/installer-fault/404", false},
        {"/installer-fault/stall-body", false},
        {"/fault/hostile-name", false},
    };
    for (const bool viaProxy : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.Prefix + (viaProxy ? " (proxy)" : ""));
            ServerFixture f(c.Prefix, viaProxy);
            ASSERT_TRUE(f.Update.CheckForUpdate());
            f.Log.clear();
            std::int64_t lastDownloaded = -1;
            int moves = 0;
            f.Update.OnDownload = [&](std::int64_t, std::int64_t downloaded, double, double) {
                moves += downloaded > lastDownloaded;
                lastDownloaded = downloaded;
            };
            EXPECT_EQ(f.Update.Download(), c.Downloads);
            if (c.Downloads) {
                EXPECT_EQ(f.Files.Files.at(file), installer);
                EXPECT_GT(moves, 1000);
                EXPECT_TRUE(f.Log.empty());
            } else {
                EXPECT_FALSE(f.Files.FileExists(file));
                EXPECT_EQ(f.Log, Strings{"DownloadError"});
            }
        }
    }
}

}  // namespace
}  // namespace tarvex
