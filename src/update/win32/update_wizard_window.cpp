#include "update/win32/update_wizard_window.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "common/win32/byte_size_locale.h"
#include "common/win32/window_utils.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

constexpr COLORREF kTitleColor = RGB(0, 51, 189);
constexpr COLORREF kStripFrom = RGB(215, 242, 255);
constexpr COLORREF kFrameColor = RGB(192, 192, 192);
constexpr int kStripWidth = 177;
// The pages start where the strip ends.
constexpr int kPageX = kStripWidth, kPageY = 16, kPageWidth = 474, kPageHeight = 349;
constexpr int kBarHeight = 41;
constexpr int kBarTop = TfrmUpdateWizard::kClientHeight - kBarHeight;
// The check page's notebook, and where its "Working" bar stands in it.
constexpr int kNotebookX = 8, kNotebookY = 88;
constexpr int kBarInNotebookY = 64;
constexpr int kErrorPanelX = kNotebookX + 48, kErrorPanelY = kNotebookY + 32;
// The what's-new page sits under the rows of the versions, which stay readable above it.
constexpr int kBrowserY = 88;

constexpr const char* kTitles[] = {"Welcome to Update Wizard", "Determing the available updates",
                                   "List of available updates", "The updates are being downloaded", "Ready to Install"};
constexpr char kClickNextToCheck[] = "Click \"Next >\" to start checking for available application updates.";
constexpr char kSearching[] = "Searching for updates...";
constexpr char kCouldNotConnect[] =
    "Could not connect to update server or there's no new version available.\r\n\r\nPlease make sure you are "
    "connected to the Internet and that communication from Update Wizard has not been blocked by a firewall, for "
    "example.";
constexpr char kNoUpdatesFound[] = "There are no updates for your product at this time.";
constexpr char kPleaseWaitDownload[] = "Please wait until the download is completed.";

enum Id : int {
    kBtnBack = 1,
    kBtnNext,
    kBtnClose,
    kCancelButton,
    kRestartButton,
    kWhatsNew,
};

// The progress bar counts in ints: a larger total is shown in millionths.
std::pair<int, int> BarRange(std::int64_t total, std::int64_t position) {
    if (total <= INT_MAX) return {static_cast<int>(std::max<std::int64_t>(total, 0)), static_cast<int>(position)};
    return {1000000, static_cast<int>(position * 1000000.0 / static_cast<double>(total))};
}

}  // namespace

void TWizardStrip::Create(HWND parent, int x, int y, int width, int height, int pictureX, int pictureY) {
    picture_ = LoadPicture(L"PICTURE_WIZARD");
    pictureX_ = pictureX;
    pictureY_ = pictureY;
    TQmShader::Create(parent, 0, x, y, width, height);
}

void TWizardStrip::PaintTo(HDC dc) {
    TQmShader::PaintTo(dc);
    DrawPicture(dc, picture_, pictureX_, pictureY_);
}

void TFramedPanel::PaintBackground(HDC dc, const RECT& client) {
    TPanel::PaintBackground(dc, client);
    const HBRUSH frame = CreateSolidBrush(kFrameColor);
    FrameRect(dc, &client, frame);
    DeleteObject(frame);
}

TfrmUpdateWizard::TfrmUpdateWizard(HttpTransfer& transfer, std::function<void()> terminate)
    : terminate_(std::move(terminate)) {
    CreateDialogFrame(kClassName, L"Update Wizard", kClientWidth, kClientHeight, ScreenArea(), nullptr);
    host_.Owner = Handle();
    host_.OnElapsedTick = [this] { webUpdate_->ElapsedTick(); };
    host_.OnTerminate = [this] { Terminate(); };
    // The program is ending: a running transfer stops and the wizard goes with it.
    host_.OnQuit = [this] {
        webUpdate_->Abort();
        Close();
    };
    webUpdate_ = std::make_unique<TQmWebUpdate>(UpdatePorts{transfer, files_, host_});
    UpdateWizardHost& wizardHost = *this;
    model_ = std::make_unique<UpdateWizardModel>(*webUpdate_, wizardHost, UserNumberSeparators());
    model_->OnChange = [this] { UpdateView(); };
    timer_.OnTimer = [this] { model_->TimerTick(); };
    CreateContent();
    UpdateView();
}

TfrmUpdateWizard::~TfrmUpdateWizard() {
    model_->OnChange = nullptr;
}

void TfrmUpdateWizard::CreateContent() {
    const int dpi = ScreenDpi();
    font_.reset(CreatePointFont(L"Tahoma", 8, dpi));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    // The form font rule before any control is made, so that each is measured in the font it shows.
    ApplyFormFont(Handle());
    const auto formFont = reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
    LOGFONTW bold{};
    GetObjectW(formFont, sizeof bold, &bold);
    bold.lfWeight = FW_BOLD;
    boldFont_.reset(CreateFontIndirectW(&bold));
    LOGFONTW title{};
    title.lfHeight = -MulDiv(15, dpi, 96);
    title.lfWeight = FW_NORMAL;
    title.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(title.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    titleFont_.reset(CreateFontIndirectW(&title));
    const Surface window{Handle(), dpi, formFont};
    const auto scale = [&](int pixels) { return window.Scale(pixels); };

    strip_.Create(Handle(), 0, 0, scale(kStripWidth), scale(kClientHeight), scale(8), scale(16));
    strip_.SetFromColor(static_cast<TColor>(kStripFrom));
    strip_.SetToColor(static_cast<TColor>(RGB(255, 255, 255)));
    strip_.SetDirection(true);

    for (size_t i = 0; i < pages_.size(); ++i) {
        pages_[i].Create(L"TWizardPage", Handle(), scale(kPageX), scale(kPageY), scale(kPageWidth), scale(kPageHeight),
                         GetSysColor(COLOR_BTNFACE));
        titles_[i].Create(Surface{pages_[i].Handle(), dpi, formFont},
                          {.Text = kTitles[i], .At = {8, 4, kPageWidth - 16, 22}, .Font = titleFont_.get()});
        titles_[i].SetTextColor(kTitleColor);
    }
    const auto on = [&](size_t index) { return Surface{pages_[index].Handle(), dpi, formFont}; };

    // 0: welcome
    HTMLabelWelcome.Create(pages_[0].Handle(), 0, scale(8), scale(56), scale(459), scale(145));
    HTMLabelWelcome.SetWordBreak(true);
    HTMLabelWelcome.SetCaption(UpdateWizardModel::WelcomeText());
    lblClickNext.Create(on(0), {.Text = kClickNextToCheck, .At = {8, 320, 459, 14}});

    // 1: checking
    Label4.Create(on(1), {.Text = UpdateWizardModel::CheckProgressText(), .At = {8, 40, 459, 28}});
    pbCheckingForUpdates.Create(on(1), {.At = {kNotebookX + 8, kNotebookY + kBarInNotebookY, 433, 17}});
    pbCheckingForUpdates.SetRange(0, 100);
    pbCheckingForUpdates.SetStep(50);
    pbCheckingForUpdates.SetSpeed(50);
    lblUpdateCheckStatus.Create(on(1), {.Text = kSearching, .At = {kNotebookX + 8, kNotebookY + 88, 433, 14}});
    pnlCouldNotConnect.Create(L"TCouldNotConnect", pages_[1].Handle(), scale(kErrorPanelX), scale(kErrorPanelY),
                              scale(353), scale(137), GetSysColor(COLOR_BTNFACE));
    errorPicture_ = LoadPicture(L"PICTURE_WIZARD_ERROR");
    pnlCouldNotConnect.AddPicture(errorPicture_, scale(16), scale(16));
    lblCouldNotConnect.Create(Surface{pnlCouldNotConnect.Handle(), dpi, formFont},
                              {.Text = kCouldNotConnect, .At = {64, 16, 273, 105}});

    // 2: the versions and the what's-new page
    lblCurrentVersion2.Create(on(2), {.Text = "Current installed version:", .At = {8, 40, 130, 14}});
    lblLatestVersion2.Create(on(2), {.Text = "Latest available version:", .At = {8, 64, 130, 14}});
    // The values stand at 144, or further right where a caption needs more room in this font.
    const int valueX = std::max({144, lblCurrentVersion2.Right() + 6, lblLatestVersion2.Right() + 6});
    lblCurrentVersion.Create(on(2), {.Text = "--", .At = {valueX, 40, 457 - valueX, 14}, .Font = boldFont_.get()});
    lblLatestVersion.Create(on(2), {.Text = "--", .At = {valueX, 64, 457 - valueX, 14}, .Font = boldFont_.get()});
    wbWhatsNew.Create(pages_[2].Handle(), kWhatsNew,
                      RECT{scale(8), scale(kBrowserY), scale(8 + 449), scale(kBrowserY + 225)});
    SendMessageW(wbWhatsNew.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(formFont), FALSE);
    pnlNoUpdatesFound.Create(on(2), {.Text = kNoUpdatesFound,
                                     .At = {16, kBrowserY + 43, 433, 41},
                                     .Style = SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN});
    lblClickNextInstall.Create(on(2), {.At = {8, 320, 459, 14}});

    // 3: the download
    lblUpdateStatus.Create(on(3), {.Text = kPleaseWaitDownload, .At = {8, 40, 459, 14}});
    gbProgress.Create(on(3), {.At = {8, 79, 441, 82}});
    ProgressBar.Create(on(3), {.At = {8 + 16, 79 + 16, 385, 17}});
    lblTotalProgress.Create(on(3), {.Text = "0%", .At = {8 + 16 + 385, 79 + 18, 34, 14}, .Style = SS_RIGHT});
    lblTimeLeftCaption.Create(on(3), {.Text = "Estimated time left:", .At = {8 + 16, 79 + 40, 110, 14}});
    lblRateCaption.Create(on(3), {.Text = "Transfer rate:", .At = {8 + 16, 79 + 56, 110, 14}});
    lblFileSizeProgress.Create(on(3), {.At = {8 + 136, 79 + 40, 296, 14}});
    lblTransferRate.Create(on(3), {.At = {8 + 136, 79 + 56, 296, 14}});
    CancelButton.Create(on(3), {.Id = kCancelButton, .Text = "Cancel Update", .At = {320, 240, 123, 25}});
    CancelButton.OnClick = [this] { model_->CancelClick(); };

    // 4: ready to install
    HTMLabelReadyToInstall.Create(pages_[4].Handle(), 0, scale(8), scale(48), scale(459), scale(177));
    HTMLabelReadyToInstall.SetWordBreak(true);
    HTMLabelReadyToInstall.SetCaption(UpdateWizardModel::ReadyToInstallText());
    RestartButton.Create(on(4), {.Id = kRestartButton, .Text = "Restart Program", .At = {304, 240, 139, 25}});
    RestartButton.OnClick = [this] { model_->RestartClick(); };

    // The button bar, beside the strip.
    bevel_.Create(window, {.At = {kStripWidth, kBarTop, kClientWidth - kStripWidth, 2}, .Style = SS_ETCHEDHORZ});
    bevel_.SetBoundsAt96({kStripWidth, kBarTop, kClientWidth - kStripWidth, 2});  // a line, not a text to fit
    btnBack.Create(window, {.Id = kBtnBack, .Text = "< &Back", .At = {406, kBarTop + 8, 75, 25}});
    btnNext.Create(window, {.Id = kBtnNext, .Text = "&Next >", .At = {486, kBarTop + 8, 75, 25}});
    btnClose.Create(window, {.Id = kBtnClose, .Text = "&Close", .At = {574, kBarTop + 8, 75, 25}});
    btnBack.OnClick = [this] { model_->BackClick(); };
    btnNext.OnClick = [this] { model_->NextClick(); };
    btnClose.OnClick = [this] { model_->CloseClick(); };
}

void TfrmUpdateWizard::UpdateView() {
    const UpdateWizardState& state = model_->State();
    const auto shown = static_cast<size_t>(state.Page);
    // The new page shows before the old one goes, so that nothing flashes between them.
    ShowWindow(pages_[shown].Handle(), SW_SHOWNA);
    for (size_t i = 0; i < pages_.size(); ++i)
        if (i != shown) ShowWindow(pages_[i].Handle(), SW_HIDE);

    // A button about to be disabled hands the focus on first, so that the keyboard keeps working.
    const HWND focus = GetFocus();
    btnBack.SetEnabled(state.BackEnabled);
    btnNext.SetEnabled(state.NextEnabled);
    btnClose.SetEnabled(state.CloseEnabled);
    if (focus && !IsWindowEnabled(focus)) {
        for (TButton* button : {&btnNext, &btnClose, &btnBack}) {
            if (button->Enabled()) {
                SetFocus(button->Handle());
                break;
            }
        }
    }
    if (state.TimerEnabled && !timer_.Running()) {
        timer_.Start(200);
    } else if (!state.TimerEnabled) {
        timer_.Stop();
    }

    // 1: the notebook's "Working" page (bar and status, unless an error hid them) or its
    // "Error" page (the panel, moved up to where the bar stands).
    const bool working = state.Notebook == CheckNotebookPage::Working;
    pbCheckingForUpdates.SetVisible(working && state.CheckingBarVisible);
    lblUpdateCheckStatus.SetVisible(working && state.CheckStatusVisible);
    if (pbCheckingForUpdates.Animate() != state.BarAnimating) pbCheckingForUpdates.SetAnimate(state.BarAnimating);
    const Surface page{pages_[1].Handle(), ScreenDpi(), nullptr};
    SetWindowPos(pnlCouldNotConnect.Handle(), nullptr, page.Scale(kErrorPanelX),
                 page.Scale(state.CouldNotConnectAtBar ? kNotebookY + kBarInNotebookY : kErrorPanelY), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(pnlCouldNotConnect.Handle(), !working && state.CouldNotConnectVisible ? SW_SHOWNA : SW_HIDE);

    // 2
    lblCurrentVersion.SetText(state.CurrentVersionText);
    lblLatestVersion.SetText(state.LatestVersionText);
    for (TLabel* label : {&lblCurrentVersion2, &lblLatestVersion2, &lblCurrentVersion, &lblLatestVersion})
        label->SetVisible(state.VersionLabelsVisible);
    // The panel stands where the browser would show nothing.
    ShowWindow(wbWhatsNew.Handle(), state.NoUpdatesFoundVisible ? SW_HIDE : SW_SHOWNA);
    pnlNoUpdatesFound.SetVisible(state.NoUpdatesFoundVisible);
    lblClickNextInstall.SetText(state.ClickNextInstallText);

    // 3
    const auto [maximum, position] = BarRange(state.ProgressMax, state.ProgressPosition);
    if (maximum != barMaximum_) {
        barMaximum_ = maximum;
        ProgressBar.SetRange(0, maximum);
    }
    ProgressBar.SetPosition(position);
    lblTotalProgress.SetText(state.TotalProgressText);
    lblFileSizeProgress.SetText(state.FileSizeProgressText);
    lblTransferRate.SetText(state.TransferRateText);
    CancelButton.SetEnabled(state.CancelEnabled);
}

void TfrmUpdateWizard::ShowModal() {
    others_.emplace(Handle());
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    SetFocus(btnNext.Handle());
    model_->FormShow();
    RunModalLoop(closed_, Handle());
    Close();
}

void TfrmUpdateWizard::Close() {
    if (closed_) return;
    closed_ = true;
    timer_.Stop();
    others_.reset();  // the others first, so that one of them takes the activation
    ShowWindow(Handle(), SW_HIDE);
}

LRESULT TfrmUpdateWizard::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The close box, Alt+F4 and Esc: a running transfer is aborted, and the window goes all
    // the same.
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && !lParam)) {
        model_->FormClose();
        Close();
        return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
}

void TfrmUpdateWizard::Navigate(const std::string& url) {
    wbWhatsNew.Navigate(url);
}

void TfrmUpdateWizard::ShowMessage(std::string_view text) {
    MessageBoxW(Handle(), Utf8ToWide(text).c_str(), L"Tarvex", MB_OK);
}

bool TfrmUpdateWizard::ShellOpen(std::string_view file, std::string_view parameters) {
    return host_.ShellOpen(file, parameters);
}

void TfrmUpdateWizard::Terminate() {
    Close();
    if (terminate_) terminate_();
}

void TfrmUpdateWizard::CloseWindow() {
    Close();
}

}  // namespace tarvex
