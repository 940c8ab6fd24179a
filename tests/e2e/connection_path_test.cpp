// The connection test of the shipped program across a path of known delay and rate: two network
// namespaces joined by tools/delay_line.py, the test server (tools/speed_server.py) in the far
// one, the program under Wine in the near one (tools/test_path.sh sets it up; the path's
// one-way delay and rate reach the suite as TVPATH_DELAY_MS and TVPATH_RATE_MBIT). The figures
// must match the path's, the recommendation must follow them, and a test that cannot complete
// ends in time, says why and keeps nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/navigation.h"
#include "app/win32/control_ids.h"
#include "app/win32/menus.h"
#include "e2e/support/e2e.h"
#include "platform/win32/unicode.h"

namespace tarvex::e2e {
namespace {

using namespace driver;

constexpr wchar_t kServer[] = L"http://10.77.0.2:8080";
const RegistryKey kTestsKey{HKEY_CURRENT_USER, L"Software\\Quillmont\\Tarvex\\Tests"};
const RegistryKey kAddressKey{HKEY_CURRENT_USER, L"Software\\Quillmont\\Tarvex\\Settings\\Connection Test"};

double PathValue(const wchar_t* name) {
    const auto value = EnvironmentValue(name);
    return value ? _wtof(value->c_str()) : 0;
}

// A number from the one-line JSON report ("name":123.4); NaN when it is not there.
double JsonNumber(const std::string& json, const std::string& name) {
    const auto at = json.find("\"" + name + "\":");
    if (at == std::string::npos) return NAN;
    return std::atof(json.c_str() + at + name.size() + 3);
}

struct Outcome {
    DWORD ExitCode = 0xFFFFFFFF;
    std::string Output;
    DWORD Milliseconds = 0;
};

// Tarvex.exe with `args`, its standard output read through a pipe, waited for.
Outcome RunTarvex(const std::wstring& args, std::wstring_view personality) {
    Outcome outcome;
    if (!SetWineVersion(personality)) return outcome;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return outcome;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::wstring commandLine = L"\"" + TarvexExe() + L"\" " + args;
    PROCESS_INFORMATION process{};
    const DWORD start = GetTickCount();
    const BOOL started =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (started) {
        // Read what is there until the program ends; a handle some other process inherited must
        // not keep the test waiting for the pipe's end.
        for (bool ended = false;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr)) break;
            if (available > 0) {
                char buffer[4096];
                DWORD read = 0;
                if (!ReadFile(readEnd, buffer, sizeof buffer < available ? sizeof buffer : available, &read, nullptr))
                    break;
                outcome.Output.append(buffer, read);
                continue;
            }
            if (ended) break;
            if (GetTickCount() - start > 120000) {
                TerminateProcess(process.hProcess, 1);
                break;
            }
            ended = WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0;
        }
        WaitForSingleObject(process.hProcess, 5000);
        GetExitCodeProcess(process.hProcess, &outcome.ExitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    outcome.Milliseconds = GetTickCount() - start;
    CloseHandle(readEnd);
    return outcome;
}

std::optional<DWORD> NewestTest() {
    return ReadDword(kTestsKey, L"Newest");
}

class ConnectionPathTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ForgetProgramSettings());
        rttMs_ = 2 * PathValue(L"TVPATH_DELAY_MS");
        rateBps_ = PathValue(L"TVPATH_RATE_MBIT") * 1e6;
        ASSERT_GT(rttMs_, 0) << "the suite runs across tools/test_path.sh";
        ASSERT_GT(rateBps_, 0);
        name_ = std::to_wstring(static_cast<int>(rttMs_ / 2)) + L"ms";
    }
    void TearDown() override {
        if (tarvex_.Process.Running()) {
            for (HWND dialog; (dialog = FindDialog(tarvex_.Process.Id()));) {
                AnswerDialog(dialog, IDNO);
                WaitWindowGone(dialog, 2000);
            }
            PostClose(tarvex_.MainWindow);
            tarvex_.Process.WaitExit(20000);
        }
    }

    // The test window, opened from the Accelerate menu.
    HWND OpenTestWindow() {
        PostCommand(tarvex_.MainWindow, CommandIdOf(NavItem::ItemTestConnection));
        return WaitTopWindow(
            {.ClassName = L"TConnectionTestWindow", .ProcessId = tarvex_.Process.Id(), .VisibleOnly = true}, 10000);
    }
    static std::wstring Text(HWND window, int id) { return WindowText(FindChildById(window, id)); }

    double rttMs_ = 0;
    double rateBps_ = 0;
    std::wstring name_;
    RunningTarvex tarvex_;
};

// Windows XP's recommendation is a receive window: the bandwidth-delay product of the figures,
// rounded up to a whole number of 1460-byte segments, with scaling above 65535.
TEST_F(ConnectionPathTest, FiguresMatchThePathAndTheXpWindowIsItsBdp) {
    const Outcome outcome =
        RunTarvex(L"/test:" + std::wstring(kServer) + L"/speedtest?bytes=400000000 /json", L"winxp");
    std::printf("path %g ms, %g Mbit/s: %s\n", rttMs_, rateBps_ / 1e6, outcome.Output.c_str());
    ASSERT_EQ(outcome.ExitCode, 0u) << outcome.Output;
    const double rtt = JsonNumber(outcome.Output, "rtt_ms");
    const double throughput = JsonNumber(outcome.Output, "throughput_bps");
    const double bdp = JsonNumber(outcome.Output, "bdp_bytes");
    const double window = JsonNumber(outcome.Output, "receive_window");
    EXPECT_NEAR(rtt, rttMs_, rttMs_ * 0.10);
    EXPECT_NEAR(throughput, rateBps_, rateBps_ * 0.15);
    EXPECT_NEAR(bdp, throughput / 8 * rtt / 1000, bdp * 0.001);  // the report's figures are rounded
    EXPECT_EQ(window, std::ceil(bdp / 1460) * 1460);
    // The window follows the path: its own bandwidth-delay product, within the figures' tolerances.
    EXPECT_NEAR(window, rateBps_ / 8 * rttMs_ / 1000, rateBps_ / 8 * rttMs_ / 1000 * 0.25);
    EXPECT_NE(outcome.Output.find(window > 65535 ? "\"window_scaling\":true" : "\"window_scaling\":false"),
              std::string::npos);
    EXPECT_EQ(NewestTest(), std::optional<DWORD>(1)) << "the test is kept";
}

// Nothing the test could not finish is kept, and each ends in time with its reason.
TEST_F(ConnectionPathTest, AnUnreachableHostAStalledServerAndBadInputEndWithTheirReason) {
    struct Case {
        std::wstring Args;
        DWORD ExitCode;
        const char* Reason;
        DWORD WithinMs;
    };
    const Case cases[] = {
        {L"/test:http://10.77.0.2:8081/speedtest?bytes=1000000", 3, "could not be reached", 10000},
        {L"/test:" + std::wstring(kServer) + L"/speedtest?bytes=100000000&stall=200000", 3, "stopped sending", 20000},
        {L"/test:" + std::wstring(kServer) + L"/missing", 3, "HTTP status 404", 10000},
        {L"/test:file:///C:/windows/win.ini", 2, "must be an http or https address", 5000},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunTarvex(c.Args + L" /json /quiet", L"");
        EXPECT_EQ(outcome.ExitCode, c.ExitCode) << outcome.Output;
        EXPECT_NE(outcome.Output.find("{\"error\":"), std::string::npos) << outcome.Output;
        EXPECT_NE(outcome.Output.find(c.Reason), std::string::npos) << outcome.Output;
        EXPECT_LT(outcome.Milliseconds, c.WithinMs) << outcome.Output;
    }
    EXPECT_EQ(NewestTest(), std::nullopt);
}

// The window: live figures while it runs, the recommendation when it is done, Cancel within a
// second, and the history with the tests before and after a change.
TEST_F(ConnectionPathTest, TheWindowRunsCancelsAndTheHistoryShowsBeforeAndAfter) {
    ASSERT_TRUE(WriteString(kAddressKey, L"Address", std::wstring(kServer) + L"/speedtest?bytes=400000000"));
    tarvex_ = StartTarvex({}, L"winxp");

    HWND window = OpenTestWindow();
    ASSERT_TRUE(window) << "no test window";
    EXPECT_EQ(WindowText(window), L"Test connection");
    ASSERT_TRUE(WaitUntil([&] { return Text(window, 101).find(L"download") != std::wstring::npos; }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return Text(window, 102).find(L"bit/s") != std::wstring::npos; }, 10000));
    SaveScreenshot(L"test-window-running-" + name_, window);
    // Cancel: the test ends at once, says so, and keeps nothing.
    const HWND cancel = FindChildByText(window, L"Cancel");
    ASSERT_TRUE(cancel);
    const DWORD pressed = GetTickCount();
    ASSERT_TRUE(PostClick(cancel));
    ASSERT_TRUE(WaitUntil([&] { return Text(window, 101) == L"The test was cancelled."; }, 5000));
    EXPECT_LT(GetTickCount() - pressed, 1500u);
    EXPECT_EQ(NewestTest(), std::nullopt);

    // Again, to its end.
    ASSERT_TRUE(PostClick(FindChildByText(window, L"&Test again")));
    ASSERT_TRUE(WaitUntil([&] { return Text(window, 101) == L"The test is done."; }, 40000));
    EXPECT_NE(Text(window, 103).find(L"receive window"), std::wstring::npos) << WideToUtf8(Text(window, 103));
    SaveScreenshot(L"test-window-done-" + name_, window);
    EXPECT_EQ(NewestTest(), std::optional<DWORD>(1));

    // "Apply recommendation" writes the window as "Accelerate!" would, backup first, and offers
    // the restart; a second test then measures with it.
    const HWND apply = FindChildByText(window, L"A&pply recommendation");
    ASSERT_TRUE(apply && IsEnabled(apply));
    ASSERT_TRUE(PostClick(apply));
    const HWND restart = WaitDialog(tarvex_.Process.Id(), 10000);
    ASSERT_TRUE(restart) << "no restart question";
    ASSERT_TRUE(AnswerDialog(restart, IDNO));
    ASSERT_TRUE(WaitWindowGone(restart, 5000));
    const RegistryKey tcpip{HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters"};
    const auto written = ReadDword(tcpip, L"GlobalMaxTcpWindowSize");
    ASSERT_TRUE(written);
    EXPECT_EQ(*written % 1460, 0u);
    ASSERT_TRUE(PostClick(FindChildByText(window, L"&Test again")));
    ASSERT_TRUE(WaitUntil([&] { return Text(window, 101) == L"The test is done."; }, 40000));
    EXPECT_EQ(NewestTest(), std::optional<DWORD>(2));
    PostClose(window);
    ASSERT_TRUE(WaitWindowGone(window, 5000));

    ASSERT_TRUE(PostCommand(tarvex_.MainWindow, CommandIdOf(NavItem::ItemHistory)));
    const HWND history =
        WaitTopWindow({.ClassName = L"THistoryDialog", .ProcessId = tarvex_.Process.Id(), .VisibleOnly = true}, 10000);
    ASSERT_TRUE(history);
    const HWND records = FindChildByClass(history, L"SysListView32", 0);
    const HWND changes = FindChildByClass(history, L"SysListView32", 1);
    const auto rows = ListViewRows(records);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1], L"Connection test");
    EXPECT_EQ(rows[1][1], L"Recommendation");
    EXPECT_EQ(rows[2][1], L"Connection test");
    ASSERT_TRUE(ListViewSelect(records, 0));
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(changes) == 3; }, 5000));
    const auto lines = ListViewRows(changes);
    EXPECT_EQ(lines[0][0], L"Round trip");
    EXPECT_NE(lines[1][2].find(L" %)"), std::wstring::npos) << WideToUtf8(lines[1][2]);
    EXPECT_NE(lines[2][2].find(std::to_wstring(*written)), std::wstring::npos) << WideToUtf8(lines[2][2]);
    SaveScreenshot(L"history-tests-" + name_, history);
    PostClose(history);
}

}  // namespace
}  // namespace tarvex::e2e
