// The logon task adapter against Wine's Task Scheduler: a task from the program's own
// definition registered, read back, replaced and deleted, under names of this run only.
// Nothing ever runs the tasks: no one logs on to the prefix.
#include "platform/win32/logon_tasks.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/logon_task.h"
#include "driver.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

// The current user as "COMPUTER\user", as a logon trigger names a local account.
std::string CurrentUserId() {
    wchar_t user[256] = L"";
    DWORD userSize = 256;
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD computerSize = MAX_COMPUTERNAME_LENGTH + 1;
    EXPECT_TRUE(GetUserNameW(user, &userSize));
    EXPECT_TRUE(GetComputerNameW(computer, &computerSize));
    return WideToUtf8(computer) + "\\" + WideToUtf8(user);
}

// A task name of this run, so that parallel runs never meet.
std::string UniqueTaskName() {
    static int count = 0;
    return LogonTaskName(CurrentUserId()) + " test " + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++count);
}

class LogonTasksAdapterTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& name : names_) tasks_.Delete(name);
    }
    // A fresh name, deleted after the test whatever happened.
    std::string NewName() { return names_.emplace_back(UniqueTaskName()); }

    Win32LogonTasks tasks_;
    std::string user_ = CurrentUserId();

private:
    std::vector<std::string> names_;
};

// Wine 8 keeps only part of a definition: it stores the registration info and the settings,
// but drops the triggers, the principal's details and the command. So these tests read back
// what it keeps.
TEST_F(LogonTasksAdapterTest, RegistersReadsBackAndDeletesTheLogonTask) {
    const std::string name = NewName();
    ASSERT_FALSE(tasks_.Exists(name));

    ASSERT_TRUE(tasks_.Register(name, LogonTaskXml(user_, "C:\\Program Files\\Tarvex\\Tarvex.exe", "")));
    EXPECT_TRUE(tasks_.Exists(name));
    const std::optional<std::string> definition = tasks_.Definition(name);
    ASSERT_TRUE(definition);
    EXPECT_NE(definition->find("<Description>Starts Tarvex when " + EscapeXmlText(user_) + " logs on.</Description>"),
              std::string::npos)
        << *definition;
    EXPECT_NE(definition->find("<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>"), std::string::npos) << *definition;

    EXPECT_TRUE(tasks_.Delete(name));
    EXPECT_FALSE(tasks_.Exists(name));
    EXPECT_FALSE(tasks_.Definition(name));
}

// Replace `from` by `to` in the definition, as an earlier version of it.
std::string Changed(std::string xml, const std::string& from, const std::string& to) {
    const size_t at = xml.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? xml : xml.replace(at, from.size(), to);
}

TEST_F(LogonTasksAdapterTest, RegisteringAgainReplacesTheDefinition) {
    const std::string name = NewName();
    const std::string xml = LogonTaskXml(user_, "C:\\Program Files\\Tarvex\\Tarvex.exe", "");
    // A non-ASCII letter: UTF-8 here, UTF-16 in the scheduler, UTF-8 again.
    const std::string earlier = Changed(Changed(xml, "<ExecutionTimeLimit>PT0S<", "<ExecutionTimeLimit>PT1H<"),
                                        "Starts Tarvex", "Startet T\xc3\xa4rvex");
    ASSERT_TRUE(tasks_.Register(name, earlier));
    std::optional<std::string> definition = tasks_.Definition(name);
    ASSERT_TRUE(definition);
    EXPECT_NE(definition->find(">Startet T\xc3\xa4rvex when "), std::string::npos) << *definition;
    EXPECT_NE(definition->find(">PT1H<"), std::string::npos) << *definition;

    ASSERT_TRUE(tasks_.Register(name, xml));
    definition = tasks_.Definition(name);
    ASSERT_TRUE(definition);
    EXPECT_NE(definition->find(">Starts Tarvex when "), std::string::npos) << *definition;
    EXPECT_NE(definition->find(">PT0S<"), std::string::npos) << *definition;
    EXPECT_EQ(definition->find("Startet"), std::string::npos) << *definition;
    EXPECT_EQ(definition->find(">PT1H<"), std::string::npos) << *definition;
    EXPECT_TRUE(tasks_.Delete(name));
    EXPECT_FALSE(tasks_.Exists(name));
}

// Deleting reports whether the task is gone, not who removed it: unchecking the box when the
// task was removed by hand is no failure. Each name is another task's, left alone.
TEST_F(LogonTasksAdapterTest, DeletingAMissingTaskSucceedsAndTouchesNoOther) {
    const std::string kept = NewName();
    ASSERT_TRUE(tasks_.Register(kept, LogonTaskXml(user_, "C:\\Tarvex.exe", "")));
    const std::string missing = NewName();
    EXPECT_TRUE(tasks_.Delete(missing));
    EXPECT_TRUE(tasks_.Delete(missing));
    EXPECT_FALSE(tasks_.Exists(missing));
    EXPECT_TRUE(tasks_.Exists(kept));
}

// An empty name would have the scheduler make one up (the caller could never find the task
// again), a backslash puts it into another folder; a definition that is not a task is refused.
TEST_F(LogonTasksAdapterTest, RefusesNamesOutsideTheRootFolderAndDefinitionsThatAreNoTask) {
    const std::string xml = LogonTaskXml(user_, "C:\\Tarvex.exe", "");
    for (const std::string& name : {std::string(), "TarvexTests\\" + UniqueTaskName()}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(tasks_.Register(name, xml));
        EXPECT_FALSE(tasks_.Exists(name));
        EXPECT_FALSE(tasks_.Definition(name));
        EXPECT_FALSE(tasks_.Delete(name));
    }
    const std::string name = NewName();
    for (const std::string& bad : {std::string(), std::string("not xml"), std::string("<Task>")}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(tasks_.Register(name, bad));
        EXPECT_FALSE(tasks_.Exists(name));
    }
}

// Each call joins and leaves a COM apartment of its own, or uses the one its thread is in.
TEST_F(LogonTasksAdapterTest, LeavesTheThreadsComStateAsItFoundIt) {
    const std::string name = NewName();
    ASSERT_TRUE(tasks_.Register(name, LogonTaskXml(user_, "C:\\Tarvex.exe", "")));
    // No apartment left behind: this thread can still join the multithreaded one.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    // Inside the thread's own apartment of the other model, the calls still work, and the
    // thread's apartment stays.
    EXPECT_TRUE(tasks_.Exists(name));
    EXPECT_TRUE(tasks_.Delete(name));
    EXPECT_FALSE(tasks_.Exists(name));
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);  // still in it
    CoUninitialize();
    CoUninitialize();
}

// Windows XP has no Task Scheduler 2.0, so creating its class fails. A copy of this program
// plays that Windows: Wine applies AppDefaults by file name, and there taskschd.dll is
// disabled. Every call must fail cleanly, so that the caller keeps to the Run key.
constexpr wchar_t kNoSchedulerPeer[] = L" --no-scheduler-peer";

// Exit code of the peer: a bit for each call that claimed success, over a base that shows the
// peer ran at all.
int RunNoSchedulerPeer() {
    Win32LogonTasks tasks;
    const std::string name = UniqueTaskName();
    int claims = 0;
    if (tasks.Register(name, LogonTaskXml(CurrentUserId(), "C:\\Tarvex.exe", ""))) claims |= 1;
    if (tasks.Exists(name)) claims |= 2;
    if (tasks.Definition(name)) claims |= 4;
    if (tasks.Delete(name)) claims |= 8;
    return 0x100 | claims;
}

// Decided before main: a peer never runs the tests.
[[maybe_unused]] const bool kIsNoSchedulerPeer = [] {
    if (std::wstring_view(GetCommandLineW()).find(kNoSchedulerPeer) != std::wstring_view::npos)
        ExitProcess(static_cast<UINT>(RunNoSchedulerPeer()));
    return false;
}();

TEST(LogonTasksWithoutSchedulerTest, EveryCallFailsAndNoneClaimsSuccess) {
    std::wstring own(MAX_PATH, L'\0');
    own.resize(GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size())));
    wchar_t temp[MAX_PATH];
    ASSERT_TRUE(GetTempPathW(MAX_PATH, temp));
    const std::wstring name = L"no_scheduler_peer_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring peer = temp + name;
    ASSERT_TRUE(CopyFileW(own.c_str(), peer.c_str(), FALSE));
    const driver::RegistryKey appDefaults{HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + name};
    struct Cleanup {
        const std::wstring& Peer;
        const driver::RegistryKey& Key;
        ~Cleanup() {
            driver::DeleteKeyTree(Key);
            DeleteFileW(Peer.c_str());
        }
    } cleanup{peer, appDefaults};
    ASSERT_TRUE(driver::WriteString(appDefaults, L"Version", L"winxp"));
    ASSERT_TRUE(driver::WriteString({HKEY_CURRENT_USER, appDefaults.SubKey + L"\\DllOverrides"}, L"taskschd", L""));

    const auto exitCode = driver::Launch(peer, kNoSchedulerPeer + 1).WaitExit(30000);
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0x100u);
}

}  // namespace
}  // namespace tarvex
