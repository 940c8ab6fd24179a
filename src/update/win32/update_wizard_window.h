#pragma once
// The update wizard: five pages beside a gradient strip with its picture, over a bar of Back,
// Next and Close. Its state is UpdateWizardModel's, which turns the buttons and the update
// component's events into pages and button states; the window copies that state into its
// controls after every change.
//
//     TfrmUpdateWizard wizard(transfer, terminate);
//     wizard.WebUpdate().ProductInfo.SetURL(UpdateURL());
//     wizard.SetAutoStart();  // checks 200 ms after it shows
//     wizard.ShowModal();
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/win32/panels.h"
#include "controls/win32/html_label.h"
#include "controls/win32/progress_bar.h"
#include "controls/win32/qm_panels.h"
#include "platform/win32/controls.h"
#include "platform/win32/pictures.h"
#include "platform/win32/timer.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"
#include "update/update_wizard.h"
#include "update/web_update.h"
#include "update/win32/update_platform.h"
#include "update/win32/web_browser.h"
#include "platform/win32/message_loop.h"

namespace tarvex {

// The wizard's left strip: the gradient with the wizard's picture on it.
class TWizardStrip final : public TQmShader {
public:
    void Create(HWND parent, int x, int y, int width, int height, int pictureX, int pictureY);
    void PaintTo(HDC dc) override;

private:
    Picture picture_;
    int pictureX_ = 0, pictureY_ = 0;
};

// A panel in a thin silver frame.
class TFramedPanel final : public TPanel {
protected:
    void PaintBackground(HDC dc, const RECT& client) override;
};

class TfrmUpdateWizard final : public Window, private UpdateWizardHost {
public:
    static constexpr wchar_t kClassName[] = L"TfrmUpdateWizard";
    static constexpr int kClientWidth = 659;
    static constexpr int kClientHeight = 420;

    // `transfer` carries every request; `terminate` asks the program to end once the installer
    // has started.
    TfrmUpdateWizard(HttpTransfer& transfer, std::function<void()> terminate);
    ~TfrmUpdateWizard() override;

    TQmWebUpdate& WebUpdate() { return *webUpdate_; }
    const UpdateWizardModel& Model() const { return *model_; }
    // Starts checking 200 ms after the window shows.
    void SetAutoStart() { model_->AutoStart = true; }
    // Shows the wizard, with the program's other windows disabled, until it closes.
    void ShowModal();

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateContent();
    void UpdateView();
    void Close();
    // UpdateWizardHost
    void Navigate(const std::string& url) override;
    void ShowMessage(std::string_view text) override;
    bool ShellOpen(std::string_view file, std::string_view parameters) override;
    void Terminate() override;
    void CloseWindow() override;

    std::function<void()> terminate_;
    Win32UpdateFileSystem files_;
    Win32UpdateHost host_;
    std::unique_ptr<TQmWebUpdate> webUpdate_;
    std::unique_ptr<UpdateWizardModel> model_;
    bool closed_ = false;
    std::optional<OtherWindowsDisabled> others_;  // while shown modally
    int barMaximum_ = -1;

    UniqueFont font_, titleFont_, boldFont_;
    TWizardStrip strip_;
    std::array<TPanel, 5> pages_;
    std::array<TLabel, 5> titles_;
    TLabel bevel_;
    TButton btnBack, btnNext, btnClose;
    Timer timer_;
    // 0: welcome
    TQmHtmlLabel HTMLabelWelcome;
    TLabel lblClickNext;
    // 1: checking, with the notebook's "Working" and "Error" pages in one place
    TLabel Label4, lblUpdateCheckStatus, lblCouldNotConnect;
    TDProgressBar pbCheckingForUpdates;
    TFramedPanel pnlCouldNotConnect;
    Picture errorPicture_;
    // 2: the versions and the what's-new page
    TLabel lblCurrentVersion2, lblLatestVersion2, lblCurrentVersion, lblLatestVersion, lblClickNextInstall;
    TWebBrowser wbWhatsNew;
    TLabel pnlNoUpdatesFound;
    // 3: the download
    TLabel lblUpdateStatus, lblTotalProgress, lblTimeLeftCaption, lblRateCaption, lblFileSizeProgress, lblTransferRate;
    TGroupBox gbProgress;
    TProgressBar ProgressBar;
    TButton CancelButton;
    // 4: ready to install
    TQmHtmlLabel HTMLabelReadyToInstall;
    TButton RestartButton;
};

}  // namespace tarvex
