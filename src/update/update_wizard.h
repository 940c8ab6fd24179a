#pragma once
// The update wizard's flow: its pages, buttons and texts, and how it answers the buttons and
// every event of its update component. The Win32 window mirrors this state.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/byte_size.h"
#include "update/web_update.h"

namespace tarvex {

enum class WizardPage : int {
    Welcome = 0,
    CheckProgress = 1,
    UpdatesAvailable = 2,
    UpdateProgress = 3,
    ReadyToInstall = 4
};
enum class CheckNotebookPage { Working, Error };

// What the window does beyond showing state.
class UpdateWizardHost {
public:
    virtual ~UpdateWizardHost() = default;
    virtual void Navigate(const std::string& url) = 0;  // the what's-new browser
    virtual void ShowMessage(std::string_view text) = 0;
    // The shell's "open" verb, owned by the wizard window; true when it started.
    virtual bool ShellOpen(std::string_view file, std::string_view parameters) = 0;
    virtual void Terminate() = 0;  // asks the application to end
    virtual void CloseWindow() = 0;
};

struct UpdateWizardState {
    WizardPage Page = WizardPage::Welcome;
    CheckNotebookPage Notebook = CheckNotebookPage::Working;
    bool BackEnabled = false;
    bool NextEnabled = true;
    bool CloseEnabled = true;
    bool CancelEnabled = true;  // "Cancel Update"
    bool TimerEnabled = false;  // the 200 ms start timer
    bool BarAnimating = false;  // pbCheckingForUpdates
    bool CheckingBarVisible = true;
    bool CheckStatusVisible = true;  // lblUpdateCheckStatus
    bool CouldNotConnectVisible = false;
    bool CouldNotConnectAtBar = false;  // moved up to where the bar stands
    bool NoUpdatesFoundVisible = false;
    bool VersionLabelsVisible = true;
    std::string CurrentVersionText = "--";
    std::string LatestVersionText = "--";
    std::string ClickNextInstallText;
    std::int64_t ProgressMax = 100;
    std::int64_t ProgressPosition = 0;
    std::string TotalProgressText = "0%";
    std::string FileSizeProgressText;
    std::string TransferRateText;
};

// "1 min 5 sec", "42 sec".
std::string TimeLeftText(std::int64_t seconds);
// The whole percentage of Downloaded in Total: "0%" without a total or anything received.
std::string PercentageText(std::int64_t total, std::int64_t downloaded);
std::string TransferRateText(double kbps);

class UpdateWizardModel {
public:
    static constexpr std::string_view kProgramName = "Tarvex";
    static constexpr std::string_view kCompany = "Quillmont";
    static constexpr std::string_view kClickNextInstall =
        "Click \"Next >\" if you wish to continue the update process.";
    static constexpr std::string_view kClickFinish = "Click \"Finish\" to close Update Wizard.";
    static constexpr std::string_view kCouldNotExecute = "Could not execute update file!";

    // Sets the component up as the wizard uses it and takes its events.
    UpdateWizardModel(TQmWebUpdate& update, UpdateWizardHost& host, NumberSeparators separators);
    UpdateWizardModel(const UpdateWizardModel&) = delete;
    UpdateWizardModel& operator=(const UpdateWizardModel&) = delete;

    const UpdateWizardState& State() const { return state_; }
    std::function<void()> OnChange;  // after every button, tick and component event

    // The page texts with the program's and the maker's names in place.
    static std::string WelcomeText();
    static std::string ReadyToInstallText();
    static std::string CheckProgressText();  // Label4

    bool AutoStart = false;
    // "Cancel Update" was pressed during the current download.
    bool CancelRequested() const { return cancelRequested_; }
    const std::string& DownloadedFile() const { return downloadedFile_; }
    const std::string& WhatsNewURL() const { return whatsNewUrl_; }

    void FormShow();
    void TimerTick();
    void NextClick();
    void BackClick();
    void CloseClick();
    void FormClose();  // closing by any means
    void CancelClick();
    void RestartClick();

private:
    void Changed();
    void ShowError();
    void ShowProgress(std::int64_t total, std::int64_t downloaded, double kbps, double secondsRemaining);

    TQmWebUpdate& update_;
    UpdateWizardHost& host_;
    NumberSeparators separators_;
    UpdateWizardState state_;
    bool cancelRequested_ = false;
    std::string downloadedFile_;
    std::string whatsNewUrl_;
};

}  // namespace tarvex
