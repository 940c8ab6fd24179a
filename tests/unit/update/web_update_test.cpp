#include "update/web_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "unit/update/update_fakes.h"

namespace tarvex {
namespace {

using testing::CannedAnswer;
using testing::FakeServer;
using testing::UpdateFixture;
using Strings = std::vector<std::string>;

constexpr std::string_view kQuery = "/assets/update/ZV/Tarvex2.asp?checktype=info&v=5.0.1.123&d=41234";

TEST(TQmWebUpdate, InitialProperties) {
    UpdateFixture f;
    TQmWebUpdate update(UpdatePorts{f.Server, f.Files, f.Host});
    EXPECT_EQ(update.ProductInfo.URL(), "http://");
    EXPECT_EQ(update.ProductInfo.Version, "1.0");
    EXPECT_EQ(update.ProductInfo.VersionFormat, TmxVersionFormat::vfFileVersion);
    EXPECT_EQ(update.ProductInfo.ExternalVersionFileName, "");
    EXPECT_EQ(update.ProductInfo.DateFormat, "dd/mm/yyyy");
    EXPECT_EQ(update.ProductInfo.DateSeparator, '/');
    EXPECT_EQ(update.ProductInfo.PassParameters, (TmxPassParameters{true, true}));
    EXPECT_EQ(update.TagInfo.ClientFileName, "wuClientSideName");
    EXPECT_EQ(update.Agent, "TWebUpdate");
    EXPECT_TRUE(update.UseWinTempDir);
    EXPECT_EQ(update.TempDirectory, ".");
    EXPECT_EQ(update.Options, (TmxUpdateOptions{true, true, true}));
    EXPECT_EQ(update.TargetFolder, "");
    EXPECT_EQ(update.HTTPPort, 80u);
    EXPECT_FALSE(update.Busy());
    EXPECT_EQ(update.StartTick, 0u);
}

TEST(TQmProductInfo, URLGetsHttpInFront) {
    struct Case {
        std::string_view Set, Reads;
    } const cases[] = {{"", "http://"},
                       {"host/x", "http://host/x"},
                       {"HTTP://Host/x", "HTTP://Host/x"},
                       {"https://host/x", "http://https://host/x"},
                       {"http:/", "http://http:/"}};
    for (const auto& c : cases) {
        TQmProductInfo info;
        info.SetURL(c.Set);
        EXPECT_EQ(info.URL(), c.Reads) << c.Set;
    }
}

TEST(CheckForUpdate, AsksWithTheQueryKeysOverOneGet) {
    struct Case {
        TmxPassParameters Pass;
        std::string_view Path;
    } const cases[] = {
        {{true, true}, kQuery},
        {{true, false}, "/assets/update/ZV/Tarvex2.asp?checktype=info&v=5.0.1.123"},
        {{false, true}, "/assets/update/ZV/Tarvex2.asp?checktype=info&d=41234"},
        {{false, false}, "/assets/update/ZV/Tarvex2.asp?checktype=info"},
    };
    for (const auto& c : cases) {
        UpdateFixture f;
        f.Serve(UpdateFixture::NewerAnswer());
        f.Update.ProductInfo.PassParameters = c.Pass;
        f.Update.UserName = "user";
        f.Update.Password = "secret";
        f.Update.HTTPPort = 8080;
        f.Update.CheckForUpdate();
        ASSERT_EQ(f.Server.Requests.size(), 1u);
        const HttpRequest& request = f.Server.Requests[0];
        EXPECT_EQ(request.ObjectPath, c.Path);
        EXPECT_EQ(request.ServerName, "update.example.test");
        EXPECT_EQ(request.Port, 8080);
        EXPECT_EQ(request.UserName, "user");
        EXPECT_EQ(request.Password, "secret");
        EXPECT_EQ(request.Agent, "TWebUpdate");
        EXPECT_EQ(f.Server.OpenResponses, 0);
    }
}

TEST(CheckForUpdate, CurrentVersionAndBuildDayByFormat) {
    UpdateFixture f;
    f.Serve(UpdateFixture::NewerAnswer());
    f.Host.Version = FileVersion{2, 0, 1, 70};
    f.Update.CheckForUpdate();
    EXPECT_EQ(f.Update.CurrentVersion, "2.0.1.70");
    EXPECT_EQ(f.Update.CurrentFileVersionMs, 0x00020000u);
    EXPECT_EQ(f.Update.CurrentFileVersionLs, 0x00010046u);
    EXPECT_EQ(f.Update.CurrentDate, 41234);

    // Without version information the previous version stays.
    f.Host.Version.reset();
    f.Update.CheckForUpdate();
    EXPECT_EQ(f.Update.CurrentVersion, "2.0.1.70");

    f.Update.ProductInfo.VersionFormat = TmxVersionFormat::vfStandard;
    f.Update.ProductInfo.Version = "1.2";
    f.Update.CheckForUpdate();
    EXPECT_EQ(f.Update.CurrentVersion, "1.2");
}

TEST(CheckForUpdate, MissingExternalVersionFileIsAnErrorAndLeavesItIdle) {
    UpdateFixture f;
    f.Serve(UpdateFixture::NewerAnswer());
    f.Update.ProductInfo.VersionFormat = TmxVersionFormat::vfExternalFileVersion;
    f.Update.ProductInfo.ExternalVersionFileName = "C:\\missing.dll";
    try {
        f.Update.CheckForUpdate();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Invalid version filename: 'C:\\missing.dll'");
    }
    EXPECT_FALSE(f.Update.Busy());
    EXPECT_TRUE(f.Server.Requests.empty());

    f.Host.ExistingFiles.insert("C:\\missing.dll");
    EXPECT_TRUE(f.Update.CheckForUpdate());
}

TEST(CheckForUpdate, EventsInOrder) {
    struct Case {
        const char* Name;
        std::function<void(UpdateFixture&)> Setup;
        bool Result;
        Strings Log;
    } const cases[] = {
        {"update found",
         [](UpdateFixture& f) { f.Serve(UpdateFixture::NewerAnswer()); },
         true,
         {"BeforeGetInfo", "AfterGetInfo", "UpdateAvailable 5.0.1.123 5.0.2.0 21.11.2012 01/02/2013",
          std::string(
              "ShowInfo "
              "http://update.example.test/assets/update/ZV/Tarvex2.asp?checktype=whatsnew&v=5.0.1.123&d=41234")}},
        {"same version, older date",
         [](UpdateFixture& f) {
             auto tags = UpdateFixture::NewerAnswer();
             tags["wuVersion"] = "5.0.1.123";
             tags["wuDate"] = "01/01/2012";
             f.Serve(tags);
         },
         false,
         {"BeforeGetInfo", "AfterGetInfo", "NoUpdateFound"}},
        {"unreachable: the error twice",
         [](UpdateFixture& f) { f.Server.Unreachable = true; },
         false,
         {"BeforeGetInfo", "DownloadError", "AfterGetInfo", "DownloadError"}},
        {"404",
         [](UpdateFixture& f) { f.Server.Answers["*"] = {.Status = 404, .Body = "missing"}; },
         false,
         {"BeforeGetInfo", "DownloadError", "AfterGetInfo", "DownloadError"}},
        {"no status",
         [](UpdateFixture& f) { f.Server.Answers["*"] = {.Status = std::nullopt}; },
         false,
         {"BeforeGetInfo", "DownloadError", "AfterGetInfo", "DownloadError"}},
        {"status 0: nothing answered",
         [](UpdateFixture& f) {
             f.Server.Answers["*"] = {.Status = 0, .Body = FakeServer::Page(UpdateFixture::NewerAnswer())};
         },
         false,
         {"BeforeGetInfo", "DownloadError", "AfterGetInfo", "DownloadError"}},
        {"server error page",
         [](UpdateFixture& f) {
             f.Server.Answers["*"] = {.Status = 500, .Body = FakeServer::Page(UpdateFixture::NewerAnswer())};
         },
         false,
         {"BeforeGetInfo", "DownloadError", "AfterGetInfo", "DownloadError"}},
        {"empty page",
         [](UpdateFixture& f) { f.Server.Answers["*"] = {.Body = ""}; },
         false,
         {"BeforeGetInfo", "DownloadError", "AfterGetInfo", "DownloadError"}},
        {"no product",
         [](UpdateFixture& f) {
             auto tags = UpdateFixture::NewerAnswer();
             tags.erase("wuProduct");
             f.Serve(tags);
         },
         false,
         {"BeforeGetInfo", "AfterGetInfo", "DownloadError"}},
        {"names in another case",
         [](UpdateFixture& f) {
             f.Serve({{"wuproduct", "Tarvex"}, {"WUVERSION", "9.0"}});
         },
         false,
         {"BeforeGetInfo", "AfterGetInfo", "DownloadError"}},
        {"no content length: still read",
         [](UpdateFixture& f) {
             f.Server.Answers["*"] = {.NoLength = true, .Body = FakeServer::Page(UpdateFixture::NewerAnswer())};
         },
         true,
         {"BeforeGetInfo", "AfterGetInfo", "UpdateAvailable 5.0.1.123 5.0.2.0 21.11.2012 01/02/2013",
          std::string(
              "ShowInfo "
              "http://update.example.test/assets/update/ZV/Tarvex2.asp?checktype=whatsnew&v=5.0.1.123&d=41234")}},
        {"a broken body",
         [](UpdateFixture& f) {
             f.Server.Answers["*"] = {.Body = FakeServer::Page(UpdateFixture::NewerAnswer()), .FailAfter = 60};
         },
         false,
         {"BeforeGetInfo", "DownloadError", "AfterGetInfo", "DownloadError"}},
        {"a very large answer",
         [](UpdateFixture& f) {
             f.Server.Answers["*"] = {.Body = FakeServer::Page(UpdateFixture::NewerAnswer()) +
                                              std::string(TQmWebUpdate::kMaxInfoBytes, ' ')};
         },
         false,
         {"BeforeGetInfo", "DownloadError", "AfterGetInfo", "DownloadError"}},
    };
    for (const auto& c : cases) {
        UpdateFixture f;
        c.Setup(f);
        EXPECT_EQ(f.Update.CheckForUpdate(), c.Result) << c.Name;
        EXPECT_EQ(f.Log, c.Log) << c.Name;
        EXPECT_FALSE(f.Update.Busy()) << c.Name;
        EXPECT_EQ(f.Server.OpenResponses, 0) << c.Name;
    }
}

TEST(IsNewVersion, EveryFormatWithTheDateComparison) {
    struct Case {
        TmxVersionFormat Format;
        std::string_view Current;  // for the formats that read ProductInfo.Version
        std::string_view Answer, Date;
        bool Newer;
    } const cases[] = {
        // Installed 5.0.1.123, built 21 November 2012.
        {TmxVersionFormat::vfFileVersion, "", "5.0.2.0", "", true},
        {TmxVersionFormat::vfFileVersion, "", "5.0.1.123", "", false},
        {TmxVersionFormat::vfFileVersion, "", "5.0.1.123", "31/12/2030", true},
        {TmxVersionFormat::vfFileVersion, "", "5.0.1.123", "2030-12-31", false},  // unreadable: 1 January 1980
        {TmxVersionFormat::vfFileVersion, "", "5.0.1.123", "21/11/2012", false},  // the same day is not later
        {TmxVersionFormat::vfFileVersion, "", "5.0.1.123", "22/11/2012", true},
        {TmxVersionFormat::vfFileVersion, "", "5.0", "01/01/2012", false},
        {TmxVersionFormat::vfFileVersion, "", "5,0,2,0", "", true},
        {TmxVersionFormat::vfFileVersion, "", "5.0.2.0.1", "", false},
        {TmxVersionFormat::vfFileVersion, "", "5.0.2.0.1", "31/12/2030", true},
        {TmxVersionFormat::vfFileVersion, "", "5.1", "", true},
        {TmxVersionFormat::vfFileVersion, "", "4.9.9.9", "31/12/2030", true},  // the date alone decides
        {TmxVersionFormat::vfFileVersion, "", "-6.0", "", false},              // negative never counts
        {TmxVersionFormat::vfFileVersion, "", "beta", "01/01/2000", false},
        {TmxVersionFormat::vfStandard, "1.2", "1.2.1", "", false},
        {TmxVersionFormat::vfStandard, "1.2.0", "1.2", "", true},
        {TmxVersionFormat::vfStandard, "1.2", "1.1", "31/12/2030", false},  // older: no date comparison
        {TmxVersionFormat::vfStandard, "1.2", "1.2", "31/12/2030", true},
        {TmxVersionFormat::vfString, "1.10", "1.9", "", true},
        {TmxVersionFormat::vfString, "b", "B", "", false},
        {TmxVersionFormat::vfNumber, "1.5", "1.25", "", false},
        {TmxVersionFormat::vfNumber, "2", "10", "", true},
        {TmxVersionFormat::vfNumber, "2", "ten", "31/12/2030", false},  // unreadable: no date comparison
    };
    for (const auto& c : cases) {
        UpdateFixture f;
        auto tags = UpdateFixture::NewerAnswer();
        tags["wuVersion"] = c.Answer;
        tags["wuDate"] = c.Date;
        f.Serve(tags);
        f.Update.ProductInfo.VersionFormat = c.Format;
        f.Update.ProductInfo.Version = c.Current;
        const std::string label = std::string(c.Current) + " / " + std::string(c.Answer) + " " + std::string(c.Date);
        EXPECT_EQ(f.Update.CheckForUpdate(), c.Newer) << label;
        EXPECT_EQ(std::count(f.Log.begin(), f.Log.end(), "NoUpdateFound"), c.Newer ? 0 : 1) << label;
    }
}

TEST(IsNewVersion, AnswerDateIsShownInTheUsersFormat) {
    UpdateFixture f;
    auto tags = UpdateFixture::NewerAnswer();
    tags["wuVersion"] = "5.0.1.123";
    tags["wuDate"] = "31/12/2030";
    f.Serve(tags);
    EXPECT_TRUE(f.Update.CheckForUpdate());
    EXPECT_EQ(f.Update.Answer.NewDate, "31.12.2030");
    EXPECT_EQ(f.Log[2], "UpdateAvailable 5.0.1.123 5.0.1.123 21.11.2012 31.12.2030");

    // Decided by the number alone, the date stays as the answer wrote it.
    f.Update.ProductInfo.VersionFormat = TmxVersionFormat::vfStandard;
    f.Update.ProductInfo.Version = "1.0";
    tags["wuVersion"] = "2.0";
    f.Serve(tags);
    f.Log.clear();
    EXPECT_TRUE(f.Update.CheckForUpdate());
    EXPECT_EQ(f.Log[2], "UpdateAvailable 1.0 2.0 21.11.2012 31/12/2030");
}

TEST(CheckForUpdate, OwnerMayRefuseAndShowURLOpensOnlyWebPages) {
    UpdateFixture f;
    auto tags = UpdateFixture::NewerAnswer();
    tags["wuShowURL"] = "http://update.example.test/news";
    f.Serve(tags);
    EXPECT_TRUE(f.Update.CheckForUpdate());
    EXPECT_EQ(f.Host.Opened,
              (std::vector<std::pair<std::string, std::string>>{{"http://update.example.test/news", ""}}));

    f.Host.Opened.clear();
    tags["wuShowURL"] = "C:\\Windows\\System32\\calc.exe";
    f.Serve(tags);
    EXPECT_TRUE(f.Update.CheckForUpdate());
    EXPECT_TRUE(f.Host.Opened.empty());

    f.Update.OnUpdateAvailable = [](auto&, auto&, auto&, auto&, bool& canUpdate) { canUpdate = false; };
    f.Log.clear();
    EXPECT_FALSE(f.Update.CheckForUpdate());
    EXPECT_EQ(f.Log, (Strings{"BeforeGetInfo", "AfterGetInfo"}));  // no ShowInfo
}

TEST(CheckForUpdate, RedirectionsAreFollowedButNotForever) {
    UpdateFixture f;
    f.Server.Answers[std::string(kQuery)] = {.Body =
                                                 FakeServer::Page({{"wuRedirection", "http://other.test/second.asp"}})};
    f.Server.Answers["/second.asp?checktype=info&v=5.0.1.123&d=41234"] = {
        .Body = FakeServer::Page(UpdateFixture::NewerAnswer())};
    EXPECT_TRUE(f.Update.CheckForUpdate());
    EXPECT_EQ(f.Update.RequestedAddresses(),
              (Strings{"http://update.example.test" + std::string(kQuery),
                       "http://other.test/second.asp?checktype=info&v=5.0.1.123&d=41234"}));
    EXPECT_EQ(f.Server.Requests[1].ServerName, "other.test");

    // An answer naming the exact address just asked for ends the chain.
    UpdateFixture self;
    auto tags = UpdateFixture::NewerAnswer();
    tags["wuRedirection"] = "http://update.example.test" + std::string(kQuery);
    self.Serve(tags);
    EXPECT_TRUE(self.Update.CheckForUpdate());
    EXPECT_EQ(self.Server.Requests.size(), 1u);

    // Two pages sending the check to each other, or every answer to a new place: cut.
    UpdateFixture loop;
    loop.Server.Answers["*"] = {.Body = FakeServer::Page({{"wuRedirection", "http://a.test/a.asp"}})};
    loop.Server.Answers["/a.asp?checktype=info&v=5.0.1.123&d=41234"] = {
        .Body = FakeServer::Page({{"wuRedirection", "http://b.test/b.asp"}})};
    EXPECT_FALSE(loop.Update.CheckForUpdate());
    EXPECT_EQ(loop.Server.Requests.size(), 1u + TQmWebUpdate::kMaxRedirections);
    EXPECT_EQ(loop.Log, (Strings{"BeforeGetInfo", "AfterGetInfo", "DownloadError"}));
}

TEST(CheckForUpdate, RefusedWhileBusy) {
    UpdateFixture f;
    f.Serve(UpdateFixture::NewerAnswer());
    std::vector<bool> inner;
    f.Host.OnMessages = [&] { inner.push_back(f.Update.CheckForUpdate() || f.Update.Download()); };
    EXPECT_TRUE(f.Update.CheckForUpdate());
    EXPECT_FALSE(inner.empty());
    EXPECT_EQ(std::count(inner.begin(), inner.end(), true), 0);
    EXPECT_EQ(f.Server.Requests.size(), 1u);
}

TEST(Transfer, ChunksMessagesAndAbort) {
    UpdateFixture f;
    const std::string page = FakeServer::Page(UpdateFixture::NewerAnswer()) + std::string(3000, ' ');
    f.Server.Answers["*"] = {.Body = page};
    int messagesBeforeConnect = -1;
    f.Server.BeforeEachRead = [&] {
        if (messagesBeforeConnect < 0) messagesBeforeConnect = f.Host.MessageRuns;
    };
    f.Update.CheckForUpdate();
    const std::size_t chunks = (page.size() + 1024) / 1025;
    EXPECT_EQ(f.Server.ReadSizes, std::vector<std::size_t>(chunks + 1, 1025));  // the last read finds the end
    EXPECT_EQ(messagesBeforeConnect, 2);                                        // before connecting, before a read
    EXPECT_EQ(f.Host.MessageRuns, 1 + 2 * static_cast<int>(chunks) + 1);
    EXPECT_EQ(f.Update.Downloaded, static_cast<std::int64_t>(page.size()));
    EXPECT_EQ(f.Update.TotalSize, static_cast<std::int64_t>(page.size()));

    // An abort from a message handler stops at the next read, without any event.
    UpdateFixture aborted;
    aborted.Server.Answers["*"] = {.Body = page};
    aborted.Host.OnMessages = [&] {
        if (aborted.Host.MessageRuns == 3) aborted.Update.Abort();
    };
    EXPECT_FALSE(aborted.Update.CheckForUpdate());
    EXPECT_EQ(aborted.Server.ReadSizes.size(), 1u);
    EXPECT_FALSE(aborted.Update.Succeeded);
    EXPECT_EQ(aborted.Log, (Strings{"BeforeGetInfo", "AfterGetInfo", "DownloadError"}));  // only the missing fields
    EXPECT_EQ(aborted.Server.OpenResponses, 0);
}

TEST(Transfer, PortNamedInTheAddress) {
    struct Case {
        std::string_view Address;
        std::string_view Server;
        std::uint16_t Port;
    } const cases[] = {
        {"http://host:8080/setup.exe", "host", 8080},  {"http://host/setup.exe", "host", 80},
        {"http://host:/setup.exe", "host:", 80},       {"http://host:99999/setup.exe", "host:99999", 80},
        {"http://host:+81/setup.exe", "host:+81", 80}, {"http://[::1]:8081/setup.exe", "[::1]", 8081},
    };
    for (const auto& c : cases) {
        UpdateFixture f;
        auto tags = UpdateFixture::NewerAnswer();
        tags["wuDownload"] = c.Address;
        f.Serve(tags, "MZ");
        ASSERT_TRUE(f.Update.CheckForUpdate());
        f.Update.Options = {.uoRunUpdate = false, .uoTerminate = false, .uoOverwrite = true};
        f.Update.Download();
        EXPECT_EQ(f.Server.Requests.back().ServerName, c.Server) << c.Address;
        EXPECT_EQ(f.Server.Requests.back().Port, c.Port) << c.Address;
    }
}

TEST(Transfer, ProgressFigures) {
    UpdateFixture f;
    f.Serve(UpdateFixture::NewerAnswer(), std::string(4096, 'x'));
    f.Update.CheckForUpdate();
    f.Host.TickStep = 250;  // each ask of the clock a quarter second later
    struct Figures {
        std::int64_t Total, Downloaded;
        double KBps, Remaining;
    };
    std::vector<Figures> figures;
    f.Update.OnDownload = [&](std::int64_t t, std::int64_t d, double k, double r) { figures.push_back({t, d, k, r}); };
    f.Update.Options = {.uoRunUpdate = false, .uoTerminate = false, .uoOverwrite = true};
    ASSERT_TRUE(f.Update.Download());
    ASSERT_EQ(figures.size(), 4u);
    EXPECT_EQ(figures[0].Total, 4096);
    EXPECT_EQ(figures[0].Downloaded, 1025);
    EXPECT_DOUBLE_EQ(figures[0].KBps, 1025 / 0.25 / 1024);
    EXPECT_DOUBLE_EQ(figures[0].Remaining, std::round((4096 - 1025) / 1024.0 / figures[0].KBps));
    EXPECT_EQ(figures[3].Downloaded, 4096);
    EXPECT_DOUBLE_EQ(figures[3].KBps, 4096 / 1.0 / 1024);
    EXPECT_EQ(figures[3].Remaining, 0);

    // No time passed yet: no rate, no time left, and no division by zero.
    f.Host.TickStep = 0;
    figures.clear();
    ASSERT_TRUE(f.Update.Download());
    EXPECT_EQ(figures[0].KBps, 0);
    EXPECT_EQ(figures[0].Remaining, 0);
}

struct DownloadFixture : UpdateFixture {
    explicit DownloadFixture(std::map<std::string, std::string> tags = NewerAnswer(),
                             std::string installer = std::string(5000, 'i')) {
        Serve(tags, std::move(installer));
        EXPECT_TRUE(Update.CheckForUpdate());
        Log.clear();
        Update.Options = {.uoRunUpdate = false, .uoTerminate = false, .uoOverwrite = true};
    }
    static constexpr std::string_view kTempFile = "C:\\Users\\me\\Temp\\setup.exe";
};

TEST(Download, WritesTheInstallerExactlyWhereItBelongs) {
    DownloadFixture f;
    f.Host.Tick = 5000;
    EXPECT_TRUE(f.Update.Download());
    EXPECT_EQ(f.Files.Files.at(std::string(DownloadFixture::kTempFile)), std::string(5000, 'i'));
    EXPECT_EQ(f.Update.LocalFileName, DownloadFixture::kTempFile);
    EXPECT_EQ(f.Update.StartTick, 5000u);
    EXPECT_EQ(f.Server.Requests.back().ObjectPath, "/files/setup.exe");
    EXPECT_EQ(f.Log, (Strings{"BeforeDownload C:\\Users\\me\\Temp\\setup.exe",
                              "AfterDownload C:\\Users\\me\\Temp\\setup.exe"}));
    EXPECT_FALSE(f.Host.TimerOn);
    EXPECT_FALSE(f.Update.Busy());

    struct Case {
        std::string TargetFolder;
        bool TargetExists, UseTemp;
        std::string Expected;
    } const cases[] = {
        {"D:\\Updates", true, true, "D:\\Updates\\setup.exe"},
        {"D:\\Updates\\", true, false, "D:\\Updates\\setup.exe"},
        {"D:\\Missing", false, true, "C:\\Users\\me\\Temp\\setup.exe"},
        {"", false, false, ".setup.exe"},  // TempDirectory joined as it stands
    };
    for (const auto& c : cases) {
        DownloadFixture g;
        g.Update.TargetFolder = c.TargetFolder;
        if (c.TargetExists) g.Files.Folders.insert(c.TargetFolder);
        g.Update.UseWinTempDir = c.UseTemp;
        EXPECT_TRUE(g.Update.Download()) << c.Expected;
        EXPECT_EQ(g.Update.LocalFileName, c.Expected);
        EXPECT_TRUE(g.Files.FileExists(c.Expected));
    }

    // The owner may place it elsewhere.
    DownloadFixture h;
    h.Update.OnGetClientFileName = [](std::string& name) { name = "E:\\mine.exe"; };
    EXPECT_TRUE(h.Update.Download());
    EXPECT_TRUE(h.Files.FileExists("E:\\mine.exe"));
}

TEST(Download, OverwriteRule) {
    struct Case {
        bool Option;
        std::optional<bool> Handler;  // what OnClientFileExists answers, if assigned
        bool Downloads;
    } const cases[] = {{true, {}, true}, {false, {}, false}, {false, true, true}, {true, false, false}};
    for (const auto& c : cases) {
        DownloadFixture f;
        f.Files.Files[std::string(DownloadFixture::kTempFile)] = "old";
        f.Update.Options.uoOverwrite = c.Option;
        std::optional<bool> offered;
        if (c.Handler) {
            f.Update.OnClientFileExists = [&](std::string&, bool& overwrite) {
                offered = overwrite;
                overwrite = *c.Handler;
            };
        }
        EXPECT_EQ(f.Update.Download(), c.Downloads);
        if (c.Handler) {
            EXPECT_EQ(offered, c.Option);
        }
        EXPECT_EQ(f.Files.Files.at(std::string(DownloadFixture::kTempFile)),
                  c.Downloads ? std::string(5000, 'i') : "old");
        if (!c.Downloads) {
            EXPECT_EQ(f.Log, Strings{"DownloadError"});
        }
    }
}

TEST(Download, HostileClientFileNamesAreRefused) {
    for (std::string name : {"..\\..\\Windows\\System32\\setup.exe", "C:\\Windows\\setup.exe", "NUL", "con.exe", "",
                             "sub/setup.exe", ".."}) {
        auto tags = UpdateFixture::NewerAnswer();
        tags["wuClientSideName"] = name;
        DownloadFixture f(tags);
        EXPECT_FALSE(f.Update.Download()) << name;
        EXPECT_EQ(f.Log, Strings{"DownloadError"}) << name;
        EXPECT_TRUE(f.Files.Files.empty()) << name;
        EXPECT_EQ(f.Server.Requests.size(), 1u) << name;  // only the check
    }
}

TEST(Download, FailedTransfersLeaveNoFile) {
    struct Case {
        const char* Name;
        CannedAnswer Installer;
        Strings Log;
    } const cases[] = {
        {"no content length", {.NoLength = true, .Body = "MZ..."}, {"BeforeDownload", "DownloadError"}},
        {"shorter than announced",
         {.Length = 5000, .Body = std::string(3000, 'i')},
         {"BeforeDownload", "DownloadError"}},
        {"longer than announced",
         {.Length = 2000, .Body = std::string(3000, 'i')},
         {"BeforeDownload", "DownloadError"}},
        {"404", {.Status = 404, .Body = "no"}, {"BeforeDownload", "DownloadError"}},
        {"500", {.Status = 500, .Body = "error page"}, {"BeforeDownload", "DownloadError"}},
        {"broken body", {.Body = std::string(5000, 'i'), .FailAfter = 2050}, {"BeforeDownload", "DownloadError"}},
    };
    for (const auto& c : cases) {
        DownloadFixture f;
        f.Server.Answers["/files/setup.exe"] = c.Installer;
        f.Update.OnBeforeDownload = [&](const std::string&) { f.Log.push_back("BeforeDownload"); };
        EXPECT_FALSE(f.Update.Download()) << c.Name;
        EXPECT_EQ(f.Log, c.Log) << c.Name;
        EXPECT_FALSE(f.Files.FileExists(DownloadFixture::kTempFile)) << c.Name;
        EXPECT_FALSE(f.Host.TimerOn) << c.Name;
        EXPECT_FALSE(f.Update.Busy()) << c.Name;
        EXPECT_EQ(f.Server.OpenResponses, 0) << c.Name;
    }
}

TEST(Download, AbortAndFileErrors) {
    DownloadFixture f;
    f.Host.OnMessages = [&] {
        if (f.Update.Downloaded > 2000) f.Update.Abort();
    };
    EXPECT_FALSE(f.Update.Download());
    EXPECT_TRUE(f.Log.size() == 1 && f.Log[0].starts_with("BeforeDownload"));  // no event for an abort
    EXPECT_FALSE(f.Files.FileExists(DownloadFixture::kTempFile));

    // A file that cannot be written still tells the owner the download failed.
    DownloadFixture g;
    g.Files.CreateFails = true;
    EXPECT_FALSE(g.Update.Download());
    EXPECT_EQ(g.Log.back(), "DownloadError");
    EXPECT_FALSE(g.Host.TimerOn);

    // So does a progress handler that throws; the error goes no further.
    DownloadFixture h;
    h.Update.OnDownload = [](auto, auto, auto, auto) { throw Error("handler"); };
    EXPECT_FALSE(h.Update.Download());
    EXPECT_EQ(h.Log.back(), "DownloadError");
    EXPECT_FALSE(h.Files.FileExists(DownloadFixture::kTempFile));
}

TEST(Download, RunsAndTerminatesByOptions) {
    struct Case {
        TmxUpdateOptions Options;
        bool ShellStarts, Result;
        std::size_t Opened;
        int Terminations;
        bool CannotExecute;
    } const cases[] = {
        {{true, true, true}, true, true, 1, 1, false},
        {{true, false, true}, true, true, 1, 0, false},
        {{false, true, true}, true, true, 0, 0, false},
        {{true, true, true}, false, false, 1, 0, true},
    };
    for (const auto& c : cases) {
        DownloadFixture f;
        f.Update.Options = c.Options;
        f.Host.ShellSucceeds = c.ShellStarts;
        EXPECT_EQ(f.Update.Download(), c.Result);
        ASSERT_EQ(f.Host.Opened.size(), c.Opened);
        if (c.Opened) {
            EXPECT_EQ(f.Host.Opened[0],
                      (std::pair<std::string, std::string>{std::string(DownloadFixture::kTempFile), "/S"}));
        }
        EXPECT_EQ(f.Host.Terminations, c.Terminations);
        EXPECT_EQ(f.Log.back() == "CannotExecute", c.CannotExecute);
        EXPECT_FALSE(f.Update.Busy());
    }
}

TEST(Download, NeedsACheckedAnswer) {
    UpdateFixture f;
    f.Serve(UpdateFixture::NewerAnswer(), "x");
    EXPECT_FALSE(f.Update.Download());  // no check yet
    EXPECT_TRUE(f.Log.empty());
    EXPECT_TRUE(f.Server.Requests.empty());
}

TEST(Download, ElapsedTimeWhileItRuns) {
    DownloadFixture f;
    std::vector<std::string> ticks;
    std::vector<bool> timerDuring;
    f.Update.OnTimer = [&](const std::string& text) { ticks.push_back(text); };
    f.Host.OnMessages = [&] {
        timerDuring.push_back(f.Host.TimerOn);
        f.Host.Tick += 1000;
        f.Update.ElapsedTick();
    };
    f.Host.Tick = 0xFFFFF000u;  // across the tick count's wrap
    EXPECT_TRUE(f.Update.Download());
    ASSERT_GE(ticks.size(), 3u);
    EXPECT_EQ(ticks[0], "00:00:01");
    EXPECT_EQ(ticks[2], "00:00:03");
    EXPECT_TRUE(std::all_of(timerDuring.begin() + 1, timerDuring.end(), [](bool on) { return on; }));
    EXPECT_FALSE(f.Host.TimerOn);
}

TEST(StartCheckThread, HandsTheCheckOnAndForgetsAGoneComponent) {
    UpdateFixture f;
    f.Serve(UpdateFixture::NewerAnswer());
    f.Update.StartCheckThread();
    EXPECT_TRUE(f.Update.CheckPending());
    EXPECT_TRUE(f.Server.Requests.empty());  // the caller returns first
    f.Host.RunQueue();
    EXPECT_FALSE(f.Update.CheckPending());
    EXPECT_EQ(f.Server.Requests.size(), 1u);

    testing::FakeHost host;
    {
        TQmWebUpdate gone(UpdatePorts{f.Server, f.Files, host});
        gone.StartCheckThread();
    }
    host.RunQueue();  // must not touch the freed component
    EXPECT_EQ(f.Server.Requests.size(), 1u);
}

// An owner may close (and free) the component from any event or from a message run during a
// transfer; the running operation then ends without touching it again.
TEST(TQmWebUpdate, AnOwnerMayFreeItFromAnyHandler) {
    struct Case {
        const char* Name;
        bool Download;  // during the download rather than the check
        std::function<void(TQmWebUpdate&, std::function<void()>)> Hook;
    } const cases[] = {
        {"BeforeGetInfo", false, [](TQmWebUpdate& u, std::function<void()> free) { u.OnBeforeGetInfo = free; }},
        {"AfterGetInfo", false, [](TQmWebUpdate& u, std::function<void()> free) { u.OnAfterGetInfo = free; }},
        {"DownloadError", false, [](TQmWebUpdate& u, std::function<void()> free) { u.OnDownloadError = free; }},
        {"progress", false,
         [](TQmWebUpdate& u, std::function<void()> free) {
             u.OnDownload = [free](auto, auto, auto, auto) { free(); };
         }},
        {"UpdateAvailable", false,
         [](TQmWebUpdate& u, std::function<void()> free) {
             u.OnUpdateAvailable = [free](auto&, auto&, auto&, auto&, bool&) { free(); };
         }},
        {"BeforeShowInfo", false,
         [](TQmWebUpdate& u, std::function<void()> free) {
             u.OnBeforeShowInfo = [free](bool&, bool&, auto&) { free(); };
         }},
        {"BeforeDownload", true,
         [](TQmWebUpdate& u, std::function<void()> free) { u.OnBeforeDownload = [free](auto&) { free(); }; }},
        {"download progress", true,
         [](TQmWebUpdate& u, std::function<void()> free) {
             u.OnDownload = [free](auto, auto, auto, auto) { free(); };
         }},
        {"AfterDownload", true,
         [](TQmWebUpdate& u, std::function<void()> free) { u.OnAfterDownload = [free](auto&) { free(); }; }},
    };
    for (const auto& c : cases) {
        testing::FakeServer server;
        testing::FakeFiles files;
        testing::FakeHost host;
        server.Answers["*"] = {.Body = FakeServer::Page(UpdateFixture::NewerAnswer())};
        server.Answers["/files/setup.exe"] = {.Body = std::string(3000, 'i')};
        if (std::string_view(c.Name) == "DownloadError") server.Unreachable = true;
        auto* update = new TQmWebUpdate(UpdatePorts{server, files, host});
        update->ProductInfo.SetURL("update.example.test/assets/update/ZV/Tarvex2.asp");
        update->Options = {.uoRunUpdate = false, .uoTerminate = false, .uoOverwrite = true};
        // The handler stored in the component only calls out: what frees it lives outside it.
        const std::function<void()> freeUpdate = [&update] {
            delete update;
            update = nullptr;
        };
        const auto free = [&freeUpdate] { freeUpdate(); };
        if (c.Download) {
            ASSERT_TRUE(update->CheckForUpdate()) << c.Name;
            c.Hook(*update, free);
            TQmWebUpdate* running = update;
            EXPECT_FALSE(running->Download()) << c.Name;
        } else {
            c.Hook(*update, free);
            TQmWebUpdate* running = update;
            EXPECT_FALSE(running->CheckForUpdate()) << c.Name;
        }
        EXPECT_EQ(update, nullptr) << c.Name;
        EXPECT_EQ(server.OpenResponses, 0) << c.Name;
        delete update;
    }

    // And from a message run while it reads.
    testing::FakeServer server;
    testing::FakeFiles files;
    testing::FakeHost host;
    server.Answers["*"] = {.Body = FakeServer::Page(UpdateFixture::NewerAnswer())};
    auto* update = new TQmWebUpdate(UpdatePorts{server, files, host});
    host.OnMessages = [&] {
        if (host.MessageRuns == 2) {
            delete update;
            update = nullptr;
        }
    };
    TQmWebUpdate* running = update;
    EXPECT_FALSE(running->CheckForUpdate());
    EXPECT_EQ(update, nullptr);
}

}  // namespace
}  // namespace tarvex
