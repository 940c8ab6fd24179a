// The "Bug Report" dialog under Wine: an error raised in a handler opens it with the report on
// the clipboard, errors while it is open open no second one, and the program goes on.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/error.h"
#include "controls/win32/bug_report_dialog.h"
#include "platform/win32/timer.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wstring(name) == TBugReportDialog::kClassName && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

// The visible "Bug Report" dialogs of this thread.
std::vector<HWND> OpenDialogs() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = WideToUtf8(chars);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

class Handler {
public:
    Handler() {
        SetUnhandledErrorHandler([](std::exception_ptr error) { ShowBugReport(error, "support@quillmont.com"); });
    }
    ~Handler() { SetUnhandledErrorHandler(nullptr); }
};

TEST(BugReportDialogTest, AnErrorInAHandlerShowsOneDialogAndTheProgramGoesOn) {
    Handler handler;
    // A timer that fails on every tick, as a broken periodic task would.
    Timer failing;
    int failures = 0;
    failing.OnTimer = [&failures] {
        ++failures;
        throw Error("Disk <B>full</B> on C:");
    };
    failing.Start(20);

    // Runs inside the dialog's loop: watches, then answers "Don't Send".
    Timer watcher;
    int ticks = 0;
    std::size_t mostDialogs = 0;
    int failuresWhileOpen = 0;
    std::string clipboard;
    std::wstring title;
    std::vector<std::wstring> texts;
    bool answered = false;
    watcher.OnTimer = [&] {
        if (!BugReportOpen()) return;
        const auto dialogs = OpenDialogs();
        mostDialogs = std::max(mostDialogs, dialogs.size());
        if (++ticks == 1) failuresWhileOpen = failures;
        if (ticks < 8 || answered) return;
        failuresWhileOpen = failures - failuresWhileOpen;
        failing.Stop();
        clipboard = ClipboardText();
        title = TextOf(dialogs.front());
        for (HWND child = GetWindow(dialogs.front(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            texts.push_back(TextOf(child));
        answered = true;
        SendMessageW(GetDlgItem(dialogs.front(), bug_report_ids::kDontSend), BM_CLICK, 0, 0);
    };
    watcher.Start(30);

    const DWORD start = GetTickCount();
    MSG msg;
    while (!answered || BugReportOpen()) {
        ASSERT_LT(GetTickCount() - start, 10000u) << "the dialog did not open or did not close";
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
    watcher.Stop();

    EXPECT_EQ(mostDialogs, 1u);
    EXPECT_GT(failuresWhileOpen, 2);  // the timer went on failing meanwhile, without a second dialog
    EXPECT_EQ(title, L"Bug Report");
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"Send Error Report"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"Don't Send"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"Email address (optional):"), texts.end());
    EXPECT_EQ(clipboard.rfind("Disk <B>full</B> on C:\r\n\r\nProgram version: ", 0), 0u) << clipboard;
    EXPECT_NE(clipboard.find("\r\nWindows: "), std::string::npos);
    EXPECT_NE(clipboard.find("win32_tests.exe+0x"), std::string::npos) << clipboard;
    EXPECT_TRUE(OpenDialogs().empty());

    // The program goes on: the next error opens the dialog again.
    bool reopened = false;
    watcher.OnTimer = [&] {
        if (!BugReportOpen()) return;
        reopened = true;
        PostMessageW(OpenDialogs().front(), WM_CLOSE, 0, 0);
    };
    watcher.Start(30);
    ReportUnhandledError(std::make_exception_ptr(Error("again")));
    EXPECT_TRUE(reopened);
    EXPECT_FALSE(BugReportOpen());
}

// Records the address instead of starting a mail program.
class RecordingDialog : public TBugReportDialog {
public:
    using TBugReportDialog::TBugReportDialog;
    std::vector<std::string> Opened;

protected:
    void OpenMail(const std::string& address) override { Opened.push_back(address); }
};

TEST(BugReportDialogTest, ShowsTheEscapedReportAndSendsItByMail) {
    BugReport report{"Bad <A href=\"x\">link</A>", {"a.exe+0x10", "b.dll+0x20"}, "2.0.1.70", "Windows 7"};
    RecordingDialog dialog(report, "support@quillmont.com");
    dialog.Create(nullptr);
    EXPECT_EQ(dialog.Caption(), BugReportCaption(report));
    SetWindowTextW(GetDlgItem(dialog.Handle(), bug_report_ids::kEmail), L"me@example.org");
    SendMessageW(GetDlgItem(dialog.Handle(), bug_report_ids::kSend), BM_CLICK, 0, 0);
    ASSERT_EQ(dialog.Opened.size(), 1u);
    EXPECT_EQ(dialog.Opened[0], BugReportMailto("support@quillmont.com", report, "me@example.org"));
    EXPECT_EQ(dialog.Opened[0].rfind("mailto:support@quillmont.com?subject=", 0), 0u);
}

TEST(BugReportDialogTest, StackLinesNameModulesAndOffsets) {
    const auto lines = CaptureStackLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().rfind("win32_tests.exe+0x", 0), 0u) << lines.front();
}

}  // namespace
}  // namespace tarvex
