#include "update/update_wizard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unit/update/update_fakes.h"

namespace tarvex {
namespace {

using testing::UpdateFixture;

class RecordingWizardHost final : public UpdateWizardHost {
public:
    std::vector<std::string> Navigated, Messages;
    std::vector<std::pair<std::string, std::string>> Opened;
    bool ShellStarts = true;
    int Terminations = 0, Closes = 0;

    void Navigate(const std::string& url) override { Navigated.push_back(url); }
    void ShowMessage(std::string_view text) override { Messages.emplace_back(text); }
    bool ShellOpen(std::string_view file, std::string_view parameters) override {
        Opened.emplace_back(file, parameters);
        return ShellStarts;
    }
    void Terminate() override { ++Terminations; }
    void CloseWindow() override { ++Closes; }
};

struct WizardFixture : UpdateFixture {
    RecordingWizardHost WizardHost;
    UpdateWizardModel Wizard{Update, WizardHost, NumberSeparators{}};
    const UpdateWizardState& S() const { return Wizard.State(); }

    // Opened by the program: shown, the start timer's tick, the handed-on check.
    void OpenAndCheck() {
        Wizard.AutoStart = true;
        Wizard.FormShow();
        EXPECT_TRUE(S().TimerEnabled);
        Wizard.TimerTick();
        EXPECT_FALSE(S().TimerEnabled);
        EXPECT_EQ(S().Page, WizardPage::CheckProgress);
        EXPECT_TRUE(S().BarAnimating);
        EXPECT_TRUE(Server.Requests.empty());  // the tick returns before the check runs
        Host.RunQueue();
    }
};

TEST(UpdateWizardModel, SetsTheComponentUpAndStartsOnTheWelcomePage) {
    WizardFixture f;
    EXPECT_EQ(f.Update.Options, (TmxUpdateOptions{false, false, true}));
    EXPECT_EQ(f.Update.ProductInfo.VersionFormat, TmxVersionFormat::vfFileVersion);
    EXPECT_EQ(f.S().Page, WizardPage::Welcome);
    EXPECT_FALSE(f.S().BackEnabled);
    EXPECT_TRUE(f.S().NextEnabled);
    EXPECT_TRUE(f.S().CloseEnabled);
    EXPECT_FALSE(f.Wizard.AutoStart);
    EXPECT_EQ(f.S().CurrentVersionText, "--");
    EXPECT_EQ(f.S().TotalProgressText, "0%");

    // Not marked to start: the timer stays off and its tick does nothing.
    f.Wizard.FormShow();
    EXPECT_FALSE(f.S().TimerEnabled);
    f.Wizard.TimerTick();
    EXPECT_EQ(f.S().Page, WizardPage::Welcome);
    EXPECT_TRUE(f.Host.Queue.empty());
}

TEST(UpdateWizardModel, PageTextsNameTheProgramAndTheMaker) {
    for (const std::string& text : {UpdateWizardModel::WelcomeText(), UpdateWizardModel::ReadyToInstallText(),
                                    UpdateWizardModel::CheckProgressText()}) {
        EXPECT_EQ(text.find("{["), std::string::npos) << text;
    }
    EXPECT_NE(UpdateWizardModel::WelcomeText().find("your Quillmont products"), std::string::npos);
    EXPECT_NE(UpdateWizardModel::WelcomeText().find("available for Tarvex, this wizard"), std::string::npos);
    EXPECT_NE(UpdateWizardModel::ReadyToInstallText().find("restart Tarvex."), std::string::npos);
}

TEST(UpdateWizardModel, ReactionsToEveryEvent) {
    using Check = std::function<void(const WizardFixture&)>;
    struct Case {
        const char* Event;
        std::function<void(WizardFixture&)> Raise;
        Check Expect;
    } const cases[] = {
        {"BeforeGetInfo", [](WizardFixture& f) { f.Update.OnBeforeGetInfo(); },
         [](const WizardFixture& f) { EXPECT_EQ(f.S().Notebook, CheckNotebookPage::Working); }},
        {"AfterGetInfo", [](WizardFixture& f) { f.Update.OnAfterGetInfo(); },
         [](const WizardFixture& f) {
             EXPECT_EQ(f.S().Page, WizardPage::UpdatesAvailable);
             EXPECT_FALSE(f.S().BarAnimating);
         }},
        {"UpdateAvailable",
         [](WizardFixture& f) {
             bool canUpdate = false;
             f.Update.OnUpdateAvailable("5.0.1.123", "5.0.2.0", "21.11.2012", "01/02/2013", canUpdate);
             EXPECT_TRUE(canUpdate);
         },
         [](const WizardFixture& f) {
             EXPECT_EQ(f.S().Page, WizardPage::UpdatesAvailable);
             EXPECT_TRUE(f.S().BackEnabled);
             EXPECT_EQ(f.S().CurrentVersionText, "5.0.1.123 (21.11.2012)");
             EXPECT_EQ(f.S().LatestVersionText, "5.0.2.0 (01/02/2013)");
         }},
        {"BeforeShowInfo",
         [](WizardFixture& f) {
             bool show = true, check = true;
             f.Update.OnBeforeShowInfo(show, check, "http://h/x?checktype=whatsnew");
             EXPECT_FALSE(show);
         },
         [](const WizardFixture& f) {
             EXPECT_EQ(f.Wizard.WhatsNewURL(), "http://h/x?checktype=whatsnew");
             EXPECT_EQ(f.WizardHost.Navigated, std::vector<std::string>{"http://h/x?checktype=whatsnew"});
         }},
        {"NoUpdateFound", [](WizardFixture& f) { f.Update.OnNoUpdateFound(); },
         [](const WizardFixture& f) {
             EXPECT_EQ(f.S().Page, WizardPage::UpdatesAvailable);
             EXPECT_TRUE(f.S().NoUpdatesFoundVisible);
             EXPECT_FALSE(f.S().VersionLabelsVisible);
             EXPECT_EQ(f.S().ClickNextInstallText, "Click \"Finish\" to close Update Wizard.");
             EXPECT_FALSE(f.S().BackEnabled);
             EXPECT_FALSE(f.S().NextEnabled);
             EXPECT_TRUE(f.S().CloseEnabled);
         }},
        {"DownloadError", [](WizardFixture& f) { f.Update.OnDownloadError(); },
         [](const WizardFixture& f) {
             EXPECT_EQ(f.S().Page, WizardPage::CheckProgress);
             EXPECT_EQ(f.S().Notebook, CheckNotebookPage::Error);
             EXPECT_FALSE(f.S().CheckingBarVisible);
             EXPECT_FALSE(f.S().CheckStatusVisible);
             EXPECT_TRUE(f.S().CouldNotConnectVisible);
             EXPECT_TRUE(f.S().CouldNotConnectAtBar);
             EXPECT_TRUE(f.S().BackEnabled);
             EXPECT_FALSE(f.S().NextEnabled);
             EXPECT_TRUE(f.S().CloseEnabled);
         }},
        {"BeforeDownload", [](WizardFixture& f) { f.Update.OnBeforeDownload("C:\\t\\setup.exe"); },
         [](const WizardFixture& f) { EXPECT_FALSE(f.S().CloseEnabled); }},
        {"Download", [](WizardFixture& f) { f.Update.OnDownload(2048, 1024, 12.6, 65); },
         [](const WizardFixture& f) {
             EXPECT_EQ(f.S().ProgressMax, 2048);
             EXPECT_EQ(f.S().ProgressPosition, 1024);
             EXPECT_EQ(f.S().TotalProgressText, "50%");
             EXPECT_EQ(f.S().FileSizeProgressText, "1 min 5 sec (1.00 KB of 2.00 KB downloaded)");
             EXPECT_EQ(f.S().TransferRateText, "13 KB/s");
         }},
        {"AfterDownload",
         [](WizardFixture& f) {
             f.Update.OnBeforeDownload("C:\\t\\setup.exe");
             f.Update.OnAfterDownload("C:\\t\\setup.exe");
         },
         [](const WizardFixture& f) {
             EXPECT_TRUE(f.S().CloseEnabled);
             EXPECT_FALSE(f.S().BackEnabled);
             EXPECT_EQ(f.S().Page, WizardPage::ReadyToInstall);
             EXPECT_EQ(f.Wizard.DownloadedFile(), "C:\\t\\setup.exe");
         }},
        {"AfterDownload after a cancel",
         [](WizardFixture& f) {
             f.Wizard.CancelClick();
             f.Update.OnAfterDownload("C:\\t\\setup.exe");
         },
         [](const WizardFixture& f) {
             EXPECT_EQ(f.S().Page, WizardPage::UpdatesAvailable);
             EXPECT_TRUE(f.S().NextEnabled);
             EXPECT_TRUE(f.S().CancelEnabled);
             EXPECT_EQ(f.Wizard.DownloadedFile(), "");
         }},
        {"CannotExecute",
         [](WizardFixture& f) {
             f.Update.OnAfterGetInfo();
             f.Update.OnCannotExecute();
         },
         [](const WizardFixture& f) { EXPECT_EQ(f.S().Page, WizardPage::Welcome); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Event);
        WizardFixture f;
        int changes = 0;
        f.Wizard.OnChange = [&] { ++changes; };
        c.Raise(f);
        c.Expect(f);
        EXPECT_GT(changes, 0);
    }
}

TEST(UpdateWizardModel, FoundDownloadedAndRestarted) {
    WizardFixture f;
    f.Serve(UpdateFixture::NewerAnswer(), std::string(3000, 'i'));
    f.OpenAndCheck();
    EXPECT_EQ(f.S().Page, WizardPage::UpdatesAvailable);
    EXPECT_TRUE(f.S().BackEnabled);
    EXPECT_TRUE(f.S().NextEnabled);
    EXPECT_FALSE(f.S().BarAnimating);
    ASSERT_EQ(f.WizardHost.Navigated.size(), 1u);
    EXPECT_NE(f.WizardHost.Navigated[0].find("?checktype=whatsnew&v=5.0.1.123&d=41234"), std::string::npos);

    std::vector<bool> closeDuring;
    f.Host.OnMessages = [&] { closeDuring.push_back(f.S().CloseEnabled); };
    f.Wizard.NextClick();
    EXPECT_FALSE(closeDuring.empty());
    EXPECT_EQ(std::count(closeDuring.begin(), closeDuring.end(), true), 0);
    EXPECT_EQ(f.S().Page, WizardPage::ReadyToInstall);
    EXPECT_FALSE(f.S().NextEnabled);
    EXPECT_FALSE(f.S().BackEnabled);
    EXPECT_TRUE(f.S().CloseEnabled);
    EXPECT_EQ(f.S().TotalProgressText, "100%");
    EXPECT_EQ(f.Wizard.DownloadedFile(), "C:\\Users\\me\\Temp\\setup.exe");
    EXPECT_TRUE(f.Host.Opened.empty());  // the wizard starts the installer itself

    f.Wizard.RestartClick();
    EXPECT_EQ(f.WizardHost.Opened,
              (std::vector<std::pair<std::string, std::string>>{{"C:\\Users\\me\\Temp\\setup.exe", "/S"}}));
    EXPECT_EQ(f.WizardHost.Terminations, 1);
    EXPECT_TRUE(f.WizardHost.Messages.empty());
}

TEST(UpdateWizardModel, InstallerThatDoesNotStart) {
    WizardFixture f;
    f.Serve(UpdateFixture::NewerAnswer(), "MZ");
    f.OpenAndCheck();
    f.Wizard.NextClick();
    f.WizardHost.ShellStarts = false;
    f.Wizard.RestartClick();
    EXPECT_EQ(f.WizardHost.Messages, std::vector<std::string>{"Could not execute update file!"});
    EXPECT_EQ(f.WizardHost.Terminations, 0);
    EXPECT_EQ(f.S().Page, WizardPage::Welcome);
}

TEST(UpdateWizardModel, NoUpdateLeavesOnlyClose) {
    WizardFixture f;
    auto tags = UpdateFixture::NewerAnswer();
    tags["wuVersion"] = "5.0.1.123";
    tags.erase("wuDate");
    f.Serve(tags);
    f.OpenAndCheck();
    EXPECT_EQ(f.S().Page, WizardPage::UpdatesAvailable);
    EXPECT_TRUE(f.S().NoUpdatesFoundVisible);
    EXPECT_FALSE(f.S().BackEnabled);
    EXPECT_FALSE(f.S().NextEnabled);
    EXPECT_TRUE(f.S().CloseEnabled);
    f.Wizard.CloseClick();
    EXPECT_EQ(f.WizardHost.Closes, 1);
}

TEST(UpdateWizardModel, UnreachableServerThenBackAndAgain) {
    WizardFixture f;
    f.Server.Unreachable = true;
    f.OpenAndCheck();
    EXPECT_EQ(f.S().Page, WizardPage::CheckProgress);  // the error page is what remains
    EXPECT_EQ(f.S().Notebook, CheckNotebookPage::Error);
    EXPECT_TRUE(f.S().BackEnabled);
    EXPECT_FALSE(f.S().NextEnabled);

    f.Wizard.BackClick();
    EXPECT_EQ(f.S().Page, WizardPage::Welcome);
    EXPECT_FALSE(f.S().BackEnabled);
    EXPECT_TRUE(f.S().NextEnabled);

    f.Server.Unreachable = false;
    f.Serve(UpdateFixture::NewerAnswer());
    f.Wizard.NextClick();
    EXPECT_EQ(f.S().Page, WizardPage::CheckProgress);
    EXPECT_EQ(f.S().Notebook, CheckNotebookPage::Working);
    EXPECT_FALSE(f.S().CheckingBarVisible);  // hidden since the error
    f.Host.RunQueue();
    EXPECT_EQ(f.S().Page, WizardPage::UpdatesAvailable);
}

TEST(UpdateWizardModel, FailedDownloadShowsTheErrorPage) {
    WizardFixture f;
    f.Serve(UpdateFixture::NewerAnswer(), "MZ");
    f.Server.Answers["/files/setup.exe"].Length = 10;
    f.OpenAndCheck();
    f.Wizard.NextClick();
    EXPECT_EQ(f.S().Page, WizardPage::CheckProgress);
    EXPECT_EQ(f.S().Notebook, CheckNotebookPage::Error);
    EXPECT_TRUE(f.S().CloseEnabled);
}

TEST(UpdateWizardModel, CancelUpdateAndClosingWhileBusy) {
    WizardFixture f;
    f.Serve(UpdateFixture::NewerAnswer(), std::string(5000, 'i'));
    f.OpenAndCheck();
    f.Host.OnMessages = [&] {
        if (f.Update.Downloaded > 0 && !f.Wizard.CancelRequested()) {
            f.Wizard.CloseClick();  // refused while busy
            f.Wizard.CancelClick();
        }
    };
    f.Wizard.NextClick();
    EXPECT_TRUE(f.Wizard.CancelRequested());
    EXPECT_EQ(f.WizardHost.Closes, 0);
    EXPECT_FALSE(f.Update.Busy());
    EXPECT_FALSE(f.Files.FileExists("C:\\Users\\me\\Temp\\setup.exe"));
    // Back on the update, which can be fetched again, or the wizard closed.
    EXPECT_EQ(f.S().Page, WizardPage::UpdatesAvailable);
    EXPECT_TRUE(f.S().NextEnabled);
    EXPECT_TRUE(f.S().BackEnabled);
    EXPECT_TRUE(f.S().CloseEnabled);
    EXPECT_TRUE(f.S().CancelEnabled);

    // The next download is not cancelled: it completes to the install.
    f.Host.OnMessages = nullptr;
    f.Wizard.NextClick();
    EXPECT_FALSE(f.Wizard.CancelRequested());
    EXPECT_EQ(f.S().Page, WizardPage::ReadyToInstall);
    EXPECT_EQ(f.Wizard.DownloadedFile(), "C:\\Users\\me\\Temp\\setup.exe");

    // Closing the window during a transfer aborts it.
    WizardFixture g;
    g.Serve(UpdateFixture::NewerAnswer(), std::string(5000, 'i'));
    g.OpenAndCheck();
    g.Host.OnMessages = [&] {
        if (g.Update.Downloaded > 0) g.Wizard.FormClose();
    };
    g.Wizard.NextClick();
    EXPECT_LT(g.Update.Downloaded, 5000);
    EXPECT_FALSE(g.Files.FileExists("C:\\Users\\me\\Temp\\setup.exe"));
}

TEST(UpdateWizardModel, NextDuringACheckAbortsItAndAsksAgain) {
    WizardFixture f;
    f.Serve(UpdateFixture::NewerAnswer());
    f.Wizard.AutoStart = true;
    f.Wizard.TimerTick();
    bool pressed = false;
    f.Host.OnMessages = [&] {
        if (!pressed && f.Update.Busy()) {
            pressed = true;
            f.Wizard.NextClick();
        }
    };
    f.Host.RunQueue();  // the first check is aborted; the second, queued, is refused while busy or runs after
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(f.Update.Busy());
}

TEST(ProgressTexts, TimeLeftPercentageAndRate) {
    struct TimeCase {
        std::int64_t Seconds;
        std::string_view Text;
    } const times[] = {{59, "59 sec"}, {60, "1 min 0 sec"},    {65, "1 min 5 sec"}, {42, "42 sec"},
                       {0, "0 sec"},   {3725, "62 min 5 sec"}, {-3, "0 sec"}};
    for (const auto& c : times) EXPECT_EQ(TimeLeftText(c.Seconds), c.Text) << c.Seconds;

    struct PercentCase {
        std::int64_t Total, Downloaded;
        std::string_view Text;
    } const percentages[] = {{0, 0, "0%"},   {0, 500, "0%"}, {1000, 0, "0%"},      {1000, 999, "99%"},
                             {10, 7, "70%"}, {3, 1, "33%"},  {1000, 1000, "100%"}, {5000000000LL, 2500000000LL, "50%"}};
    for (const auto& c : percentages) EXPECT_EQ(PercentageText(c.Total, c.Downloaded), c.Text);

    EXPECT_EQ(TransferRateText(0), "0 KB/s");
    EXPECT_EQ(TransferRateText(12.5), "13 KB/s");
    EXPECT_EQ(TransferRateText(1e300 * 1e300), "0 KB/s");
}

}  // namespace
}  // namespace tarvex
