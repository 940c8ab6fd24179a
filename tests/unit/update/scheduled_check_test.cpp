#include "update/scheduled_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/date_time.h"
#include "unit/update/update_fakes.h"

namespace tarvex {
namespace {

using Strings = std::vector<std::string>;

class RecordingCheckHost final : public ScheduledCheckHost {
public:
    double Clock = EncodeDateTime(2026, 12, 10, 9, 0);
    bool Answer = true;
    Strings Steps;

    double Now() override { return Clock; }
    void ShowCheckWindow() override { Steps.push_back("show"); }
    void SetCheckBottomText(std::string_view text) override { Steps.push_back("text " + std::string(text)); }
    void StopCheckAnimation() override { Steps.push_back("stop"); }
    void CloseCheckWindow() override { Steps.push_back("close"); }
    bool AskYesNo(std::string_view question) override {
        Steps.push_back(question == UpdateNowQuestion() ? "ask" : "ask?");
        return Answer;
    }
    void ShowUpdateWizard() override { Steps.push_back("wizard"); }
    void Wait(std::uint32_t milliseconds) override { Steps.push_back("wait " + std::to_string(milliseconds)); }
};

struct CheckFixture {
    testing::FakeServer Server;
    testing::FakeFiles Files;
    testing::FakeHost Host;
    RecordingCheckHost Check;
    std::string UpdateUrl = "http://update.example.test/assets/update/ZV/Tarvex2.asp";
    double LastCheck = EncodeDateTime(2026, 12, 1);

    bool Run(int interval = 0, std::string_view address = "") {
        return ScheduledUpdateCheck(address, LastCheck, interval, UpdateUrl, UpdatePorts{Server, Files, Host}, Check);
    }
};

TEST(ScheduledUpdateCheck, StepsByOutcome) {
    const auto newer = testing::FakeServer::Page({{"wuProduct", "Tarvex"}, {"wuVersion", "9.0"}});
    const auto same = testing::FakeServer::Page({{"wuProduct", "Tarvex"}, {"wuVersion", "5.0.1.123"}});
    struct Case {
        const char* Name;
        std::string Page;  // empty: the server cannot be reached
        bool Answer;
        Strings Steps;
    } const cases[] = {
        {"update, Yes", newer, true, {"show", "text New Update found...", "ask", "wizard", "close"}},
        {"update, No", newer, false, {"show", "text New Update found...", "ask", "close"}},
        {"no update", same, true, {"show", "text No updates available at this time.", "stop", "wait 1000", "close"}},
        {"unreachable", "", true, {"show", "text No updates available at this time.", "stop", "wait 1000", "close"}},
    };
    for (const auto& c : cases) {
        CheckFixture f;
        f.Server.Unreachable = c.Page.empty();
        f.Server.Answers["*"] = {.Body = c.Page};
        f.Check.Answer = c.Answer;
        f.Check.Clock = EncodeDateTime(2026, 12, 10, 9, 0, 5);
        EXPECT_TRUE(f.Run()) << c.Name;
        EXPECT_EQ(f.Check.Steps, c.Steps) << c.Name;
        EXPECT_EQ(f.LastCheck, f.Check.Clock) << c.Name;  // moved whatever the outcome
        ASSERT_EQ(f.Server.Requests.size(), 1u) << c.Name;
        EXPECT_EQ(f.Server.Requests[0].ObjectPath, "/assets/update/ZV/Tarvex2.asp?checktype=info&v=5.0.1.123&d=41234");
    }
}

TEST(ScheduledUpdateCheck, NotDueShowsNothingAndKeepsTheLastCheck) {
    CheckFixture f;
    f.LastCheck = f.Check.Clock - 0.5;
    const double last = f.LastCheck;
    for (const int interval : {1, 2, 3, -1, 5}) {
        EXPECT_FALSE(f.Run(interval)) << interval;
    }
    EXPECT_TRUE(f.Check.Steps.empty());
    EXPECT_TRUE(f.Server.Requests.empty());
    EXPECT_EQ(f.LastCheck, last);
}

TEST(ScheduledUpdateCheck, AnAddressReplacesTheUpdateUrlForLaterChecksToo) {
    CheckFixture f;
    f.Run(0, "http://other.example.test/page.asp");
    EXPECT_EQ(f.UpdateUrl, "http://other.example.test/page.asp");
    f.Run(0);
    ASSERT_EQ(f.Server.Requests.size(), 2u);
    EXPECT_EQ(f.Server.Requests[1].ServerName, "other.example.test");
}

TEST(ScheduledUpdateCheck, AnErrorClosesTheWindowAndKeepsTheLastCheck) {
    CheckFixture f;
    f.Server.Answers["*"] = {.Body = testing::FakeServer::Page({{"wuProduct", "Tarvex"}, {"wuVersion", "9.0"}})};
    f.Check.Answer = true;
    const double last = f.LastCheck;
    struct WizardFails final {};
    class ThrowingHost final : public ScheduledCheckHost {
    public:
        explicit ThrowingHost(RecordingCheckHost& inner) : inner_(inner) {}
        double Now() override { return inner_.Now(); }
        void ShowCheckWindow() override { inner_.ShowCheckWindow(); }
        void SetCheckBottomText(std::string_view text) override { inner_.SetCheckBottomText(text); }
        void StopCheckAnimation() override { inner_.StopCheckAnimation(); }
        void CloseCheckWindow() override { inner_.CloseCheckWindow(); }
        bool AskYesNo(std::string_view question) override { return inner_.AskYesNo(question); }
        void ShowUpdateWizard() override { throw WizardFails{}; }
        void Wait(std::uint32_t milliseconds) override { inner_.Wait(milliseconds); }

    private:
        RecordingCheckHost& inner_;
    } host(f.Check);
    EXPECT_THROW(ScheduledUpdateCheck("", f.LastCheck, 0, f.UpdateUrl, UpdatePorts{f.Server, f.Files, f.Host}, host),
                 WizardFails);
    EXPECT_EQ(f.Check.Steps.back(), "close");
    EXPECT_EQ(f.LastCheck, last);
}

}  // namespace
}  // namespace tarvex
