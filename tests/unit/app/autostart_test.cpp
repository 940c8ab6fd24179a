#include "app/autostart.h"

#include <gtest/gtest.h>

#include <map>

#include "app/logon_task.h"
#include "common/error.h"
#include "support/fake_registry.h"

namespace tarvex {
namespace {

using testing::FakeRegistry;

// The scheduler's root folder; can be told to refuse everything.
class FakeLogonTasks final : public LogonTasks {
public:
    bool Register(const std::string& name, const std::string& xml) override {
        if (refuse) return false;
        tasks[name] = xml;
        return true;
    }
    bool Exists(const std::string& name) override { return !refuse && tasks.count(name) != 0; }
    std::optional<std::string> Definition(const std::string& name) override {
        const auto found = tasks.find(name);
        return found == tasks.end() ? std::nullopt : std::optional(found->second);
    }
    bool Delete(const std::string& name) override {
        if (refuse) return false;
        tasks.erase(name);
        return true;
    }
    std::map<std::string, std::string> tasks;
    bool refuse = false;
};

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

AutostartTarget Target(std::uint32_t major, bool admin) {
    AutostartTarget target;
    target.Os.Major = major;
    target.Os.Minor = major == 5 ? 1 : 1;
    target.UserIsAdmin = admin;
    target.UserId = "PC\\ann";
    target.ExePath = "C:\\Tools\\Tarvex.exe";
    return target;
}

// Where the Run key can start the program it is the Run value; an elevated administrator on
// Vista and later gets the logon task, and the box shows whether the task is there.
TEST(AutostartTest, RunValueOrLogonTaskAsTheRunKeyCanStartTheProgram) {
    struct Case {
        const char* Name;
        std::uint32_t Major;
        bool Admin;
        bool Task;
    };
    const Case cases[] = {
        {"XP administrator", 5, true, false},
        {"7 user", 6, false, false},
        {"7 administrator", 6, true, true},
        {"11 administrator", 10, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FakeRegistry registry;
        FakeLogonTasks tasks;
        const auto run = registry.NewAccess();
        const AutostartTarget target = Target(c.Major, c.Admin);
        ApplyAutostart(*run, tasks, target, true);
        EXPECT_EQ(registry.Value(RegistryRoot::CurrentUser, kRun, "Tarvex").has_value(), !c.Task);
        EXPECT_EQ(tasks.tasks.count(LogonTaskName("PC\\ann")), c.Task ? 1u : 0u);
        EXPECT_EQ(AutostartRegistered(tasks, target), c.Task ? std::optional(true) : std::nullopt);
        ApplyAutostart(*run, tasks, target, false);
        EXPECT_FALSE(registry.Value(RegistryRoot::CurrentUser, kRun, "Tarvex").has_value());
        EXPECT_TRUE(tasks.tasks.empty());
        EXPECT_EQ(AutostartRegistered(tasks, target), c.Task ? std::optional(false) : std::nullopt);
    }
}

TEST(AutostartTest, ASchedulerThatRefusesIsReportedNotPassedOver) {
    FakeRegistry registry;
    FakeLogonTasks tasks;
    tasks.refuse = true;
    const auto run = registry.NewAccess();
    for (const bool on : {true, false}) {
        try {
            ApplyAutostart(*run, tasks, Target(6, true), on);
            ADD_FAILURE() << "a refused task passed for done";
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), kAutostartFailed);
        }
    }
}

}  // namespace
}  // namespace tarvex
