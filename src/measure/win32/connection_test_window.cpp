#include "measure/win32/connection_test_window.h"

#include "common/win32/window_utils.h"
#include "measure/test_report.h"
#include "platform/win32/message_loop.h"

namespace tarvex {
namespace {

enum Id : int { kAddress = 100, kStage, kLive, kResult, kProgress, kTestAgain, kApply, kCancel };

constexpr char kCancelCaption[] = "Cancel";
constexpr char kCloseCaption[] = "&Close";

std::string StageText(TestStage stage) {
    switch (stage) {
        case TestStage::Idle:
        case TestStage::Connecting:
            return "Measuring the round trip to the test host...";
        case TestStage::Downloading:
            return "Measuring the download from the test address...";
        case TestStage::Done:
            return "The test is done.";
        case TestStage::Failed:
            return "The test could not be completed.";
        case TestStage::Cancelled:
            return "The test was cancelled.";
    }
    return {};
}

}  // namespace

TConnectionTestWindow::TConnectionTestWindow(ConnectProbe& probe, HttpTransfer& transfer, TestHost& host, Hooks hooks)
    : model_(probe, transfer, host), hooks_(std::move(hooks)) {}

void TConnectionTestWindow::ShowModal(HWND owner, const std::string& address) {
    owner_ = owner;
    RECT over = ScreenArea();
    if (owner) GetWindowRect(owner, &over);
    CreateDialogFrame(kClassName, L"Test connection", kWidth, kHeight, over, owner);
    const int dpi = ScreenDpi();
    font_.reset(CreatePointFont(L"Tahoma", 8, dpi));
    boldFont_.reset(CreatePointFont(L"Tahoma", 10, dpi, true));
    const Surface at{Handle(), dpi, font_.get()};
    lblAddress.Create(at, {.Text = "Test address:", .At = {12, 15, 80, 14}});
    txtAddress.Create(at, {.Id = kAddress,
                           .Text = address,
                           .At = {lblAddress.Right() + 6, 12, kWidth - 18 - lblAddress.Right(), 21},
                           .Style = ES_AUTOHSCROLL | WS_TABSTOP});
    lblStage.Create(at, {.Id = kStage, .At = {12, 38, kWidth - 24, 14}});
    lblLive.Create(at, {.Id = kLive, .At = {12, 56, kWidth - 24, 20}, .Font = boldFont_.get()});
    pbTest.Create(at, {.Id = kProgress, .At = {12, 80, kWidth - 24, 17}});
    pbTest.SetRange(0, 100);
    lblResult.Create(at, {.Id = kResult, .At = {12, 106, kWidth - 24, kHeight - 106 - 45}});
    btnTestAgain.Create(at, {.Id = kTestAgain, .Text = "&Test again", .At = {12, kHeight - 37, 90, 25}});
    btnApply.Create(
        at, {.Id = kApply, .Text = "A&pply recommendation", .At = {kWidth - 12 - 75 - 8 - 150, kHeight - 37, 150, 25}});
    btnTestAgain.OnClick = [this] { TestAgain(); };
    btnCancel.Create(at, {.Id = kCancel, .Text = kCancelCaption, .At = {kWidth - 12 - 75, kHeight - 37, 75, 25}});
    btnApply.OnClick = [this] {
        if (!recommendation_ || !hooks_.Apply) return;
        if (hooks_.Apply(*recommendation_)) {
            btnApply.SetEnabled(false);
            lblStage.SetText("The recommendation was applied.");
        }
    };
    btnCancel.OnClick = [this] {
        if (running_) {
            model_.Cancel();
        } else {
            Close();
        }
    };
    model_.OnChange = [this] { UpdateView(); };
    ApplyFormFont(Handle());
    SendMessageW(lblLive.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), FALSE);
    btnApply.SetEnabled(false);
    UpdateView();

    if (owner_) EnableWindow(owner_, FALSE);
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    UpdateWindow(Handle());
    RunTest(address);
    if (!done_) RunModalLoop(done_, Handle());
    Close();
}

// The test pumps the thread's messages while it waits, so "Cancel" works during it.
void TConnectionTestWindow::RunTest(const std::string& address) {
    recommendation_.reset();
    lblResult.SetText("");
    btnApply.SetEnabled(false);
    btnTestAgain.SetEnabled(false);
    txtAddress.SetEnabled(false);
    btnCancel.SetText(kCancelCaption);
    running_ = true;
    address_ = address;
    model_.Run(address);
    running_ = false;
    txtAddress.SetEnabled(true);
    btnTestAgain.SetEnabled(true);
    Finish();
    if (closeAsked_) Close();
}

// Another address is taken only as the program's rule allows, and kept for the next test.
void TConnectionTestWindow::TestAgain() {
    if (running_) return;
    const std::string address = txtAddress.Text();
    if (!ParseTestAddress(address)) {
        lblStage.SetText("The test address must be an http or https address.");
        return;
    }
    if (hooks_.SaveAddress) hooks_.SaveAddress(address);
    RunTest(address);
}

void TConnectionTestWindow::UpdateView() {
    lblStage.SetText(StageText(model_.Stage()));
    lblLive.SetText(model_.LiveText());
    pbTest.SetPosition(model_.ProgressPercent());
}

// The figures, what they mean for this Windows, and the test kept; or why there are none.
void TConnectionTestWindow::Finish() {
    UpdateView();
    btnCancel.SetText(kCloseCaption);
    if (model_.Stage() != TestStage::Done || !model_.Figures()) {
        lblResult.SetText(model_.Error());
        return;
    }
    const ConnectionFigures& figures = *model_.Figures();
    recommendation_ = Recommend(figures, hooks_.Context ? hooks_.Context() : RecommendContext{});
    if (hooks_.Keep) hooks_.Keep(address_, figures);
    lblLive.SetText("Round trip " + std::to_string(static_cast<int>(figures.Rtt.MedianMs + 0.5)) + " ms, " +
                    ThroughputText(figures.BitsPerSecond));
    lblResult.SetText(recommendation_->Text);  // the bandwidth-delay product is its first sentence
    btnApply.SetEnabled(hooks_.CanApply && hooks_.CanApply(*recommendation_));
}

void TConnectionTestWindow::Close() {
    if (running_) {
        // The test ends first; the window closes when it has.
        closeAsked_ = true;
        model_.Cancel();
        return;
    }
    if (done_) return;
    done_ = true;
    if (owner_) EnableWindow(owner_, TRUE);
    if (Handle()) ShowWindow(Handle(), SW_HIDE);  // destroyed with the object
}

LRESULT TConnectionTestWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && !lParam)) {
        Close();
        return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
}

}  // namespace tarvex
