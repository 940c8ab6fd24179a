// The scheduled check's own windows: the "Update Check" window, the disabling of the program's
// other windows around it, and the prompt that asks whether to update.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "controls/win32/message_prompt.h"
#include "driver.h"
#include "platform/win32/unicode.h"
#include "update/win32/update_check_progress.h"
#include "platform/win32/message_loop.h"

namespace tarvex {
namespace {

using namespace driver;

// A plain top-level window of this thread, shown and active.
class PlainWindow {
public:
    PlainWindow() {
        window_ = CreateWindowExW(0, L"STATIC", L"Plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
        SetActiveWindow(window_);
    }
    ~PlainWindow() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }

private:
    HWND window_;
};

TEST(UpdateCheckWindowTest, ShowsItsTextsAndBusyBarAndCannotBeClosedByTheUser) {
    TUpdateCheckProgress window;
    window.Create();
    window.Start();
    const HWND handle = window.Handle();
    EXPECT_EQ(WindowText(handle), L"Update Check");
    EXPECT_TRUE(ExStyle(handle) & WS_EX_TOOLWINDOW);
    const RECT client = ClientRect(handle);
    EXPECT_EQ(client.right, MulDiv(TUpdateCheckProgress::kClientWidth, ScreenDpi(), 96));
    EXPECT_EQ(client.bottom, MulDiv(TUpdateCheckProgress::kClientHeight, ScreenDpi(), 96));
    EXPECT_TRUE(IsVisible(handle));
    EXPECT_EQ(window.lblTop.Text(), "Checking for application updates.");
    EXPECT_EQ(window.lblBottom.Text(), "Please wait...");
    EXPECT_TRUE(window.pbCheckingForUpdates.Animate());
    EXPECT_EQ(GetMenuState(GetSystemMenu(handle, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);

    SendMessageW(handle, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(handle));
    window.SetBottomText("No updates available at this time.");
    window.StopAnimation();
    EXPECT_EQ(window.lblBottom.Text(), "No updates available at this time.");
    EXPECT_FALSE(window.pbCheckingForUpdates.Animate());
}

TEST(UpdateCheckWindowTest, OtherWindowsComeBackEnabledHoweverTheCheckEnds) {
    PlainWindow other;
    const HWND alreadyDisabled =
        CreateWindowExW(0, L"STATIC", L"Off", WS_POPUP | WS_DISABLED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    TUpdateCheckProgress window;
    window.Create();
    try {
        const OtherWindowsDisabled disabled(window.Handle());
        EXPECT_FALSE(IsWindowEnabled(other.Handle()));
        EXPECT_TRUE(IsWindowEnabled(window.Handle()));
        throw std::runtime_error("the check failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(IsWindowEnabled(other.Handle()));
    EXPECT_FALSE(IsWindowEnabled(alreadyDisabled));  // it was not ours to enable
    DestroyWindow(alreadyDisabled);
}

// The peer that answers the prompt from another thread, as the user would.
struct Answer {
    int Button = 0;
    DialogContent Seen;
    RECT Where{};
};

DWORD WINAPI AnswerPrompt(void* parameter) {
    auto& answer = *static_cast<Answer*>(parameter);
    if (const HWND dialog = WaitDialog(GetCurrentProcessId(), 10000)) {
        // Where it settles once shown.
        WaitUntil([&] { return IsVisible(dialog); }, 5000);
        Sleep(200);
        answer.Seen = ReadDialog(dialog);
        answer.Where = WindowRect(dialog);
        AnswerDialog(dialog, answer.Button);
    }
    return 0;
}

int PromptAnswered(Answer& answer, const char* text, MsgDlgType type, unsigned buttons) {
    const HANDLE peer = CreateThread(nullptr, 0, AnswerPrompt, &answer, 0, nullptr);
    const int result = MessagePrompt(text, type, buttons);
    WaitForSingleObject(peer, 15000);
    CloseHandle(peer);
    return result;
}

TEST(MessagePromptTest, AsksWithTheTypesCaptionOverTheActiveWindowAndReturnsTheAnswer) {
    PlainWindow active;
    for (int button : {IDYES, IDNO}) {
        SetActiveWindow(active.Handle());  // a closed prompt need not give the activation back
        Answer answer{.Button = button};
        EXPECT_EQ(PromptAnswered(answer, "A new version is available.", MsgDlgType::mtInformation, mbYes | mbNo),
                  button);
        EXPECT_EQ(answer.Seen.Title, L"Information");
        bool shown = false;
        for (const auto& text : answer.Seen.Texts) shown |= text == L"A new version is available.";
        EXPECT_TRUE(shown);
        // Centred over the active window.
        const RECT over = WindowRect(active.Handle());
        EXPECT_LE(std::abs((answer.Where.left + answer.Where.right) - (over.left + over.right)), 2);
        EXPECT_LE(std::abs((answer.Where.top + answer.Where.bottom) - (over.top + over.bottom)), 2);
    }
}

}  // namespace
}  // namespace tarvex
