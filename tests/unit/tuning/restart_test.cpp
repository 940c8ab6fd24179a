// The restart after a tuning run: what is asked, and what Windows is asked on each answer.
#include "tuning/restart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvex {
namespace {

class RecordingRestart final : public SystemRestart {
public:
    bool EnableShutdownPrivilege() override {
        calls.push_back("privilege");
        return privilegeEnabled;
    }
    bool Reboot() override {
        calls.push_back("reboot");
        return rebootAccepted;
    }
    bool privilegeEnabled = true;
    bool rebootAccepted = true;
    std::vector<std::string> calls;
};

TEST(RestartTest, RequestTakesThePrivilegeOnNtOnlyAndReportsWindowsAnswer) {
    struct Case {
        bool isNT;
        bool privilege;
        bool reboot;
        std::vector<std::string> calls;
        bool result;
    };
    const Case cases[] = {
        {true, true, true, {"privilege", "reboot"}, true},
        {true, true, false, {"privilege", "reboot"}, false},  // another program refused
        {true, false, true, {"privilege"}, false},            // no privilege: Windows is not asked
        {false, false, true, {"reboot"}, true},               // 9x has no privileges
        {false, true, false, {"reboot"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.isNT << c.privilege << c.reboot);
        RecordingRestart restart;
        restart.privilegeEnabled = c.privilege;
        restart.rebootAccepted = c.reboot;
        EXPECT_EQ(RequestRestart(restart, c.isNT), c.result);
        EXPECT_EQ(restart.calls, c.calls);
    }
}

TEST(RestartTest, TheQuestionAsksOnceAndOnlyYesRequestsTheRestart) {
    for (const bool yes : {true, false}) {
        RecordingRestart restart;
        restart.privilegeEnabled = false;  // a failed request stays silent
        std::vector<std::string> questions;
        OfferRestart(
            [&](std::string_view question) {
                questions.emplace_back(question);
                return yes;
            },
            restart, true);
        EXPECT_EQ(questions, std::vector<std::string>{"You will need to restart your system before the new settings "
                                                      "will take effect.\r\n\r\nWould you like Tarvex to restart "
                                                      "your computer now?"});
        EXPECT_EQ(restart.calls, yes ? std::vector<std::string>{"privilege"} : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace tarvex
