#include "update/update_wizard.h"

#include <cmath>

namespace tarvex {
namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace

std::string TimeLeftText(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    if (seconds >= 60) return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " sec";
    return std::to_string(seconds) + " sec";
}

std::string PercentageText(std::int64_t total, std::int64_t downloaded) {
    if (total <= 0 || downloaded <= 0) return "0%";
    return std::to_string(downloaded * 100 / total) + "%";
}

std::string TransferRateText(double kbps) {
    return std::to_string(std::isfinite(kbps) ? std::llround(kbps) : 0LL) + " KB/s";
}

std::string UpdateWizardModel::WelcomeText() {
    const std::string text =
        "Update Wizard makes sure you have the most recent version of your {[COMPANY]} products at all "
        "times.<BR><BR>If an update is available for {[PROGRAM_NAME]}, this wizard will download and install it on "
        "your computer.<BR><BR><BR>Note: An Internet connection is required.";
    return ReplaceAll(ReplaceAll(text, "{[PROGRAM_NAME]}", kProgramName), "{[COMPANY]}", kCompany);
}

std::string UpdateWizardModel::ReadyToInstallText() {
    return ReplaceAll(
        "The software files were successfully downloaded to your computer. The wizard is ready to install the "
        "{[PROGRAM_NAME]} update.<BR><BR>Note: The update requires you to restart {[PROGRAM_NAME]}.",
        "{[PROGRAM_NAME]}", kProgramName);
}

std::string UpdateWizardModel::CheckProgressText() {
    return ReplaceAll("Update Wizard will now determine if there are updates available for your {[COMPANY]} product.",
                      "{[COMPANY]}", kCompany);
}

UpdateWizardModel::UpdateWizardModel(TQmWebUpdate& update, UpdateWizardHost& host, NumberSeparators separators)
    : update_(update), host_(host), separators_(std::move(separators)) {
    state_.ClickNextInstallText = kClickNextInstall;
    update_.Agent = "TWebUpdate";
    update_.HTTPPort = 80;
    update_.Options = {.uoRunUpdate = false, .uoTerminate = false, .uoOverwrite = true};
    update_.ProductInfo.DateFormat = "dd/mm/yyyy";
    update_.ProductInfo.DateSeparator = '/';
    update_.ProductInfo.PassParameters = {.ppVersion = true, .ppBuildDate = true};
    update_.ProductInfo.VersionFormat = TmxVersionFormat::vfFileVersion;

    update_.OnBeforeGetInfo = [this] {
        state_.Notebook = CheckNotebookPage::Working;
        Changed();
    };
    update_.OnAfterGetInfo = [this] {
        state_.Page = WizardPage::UpdatesAvailable;
        state_.BarAnimating = false;
        Changed();
    };
    update_.OnUpdateAvailable = [this](const std::string& currentVersion, const std::string& newVersion,
                                       const std::string& currentDate, const std::string& newDate, bool& canUpdate) {
        state_.Page = WizardPage::UpdatesAvailable;
        state_.BackEnabled = true;
        state_.CurrentVersionText = currentVersion + " (" + currentDate + ")";
        state_.LatestVersionText = newVersion + " (" + newDate + ")";
        canUpdate = true;
        Changed();
    };
    update_.OnBeforeShowInfo = [this](bool& showInfo, bool&, const std::string& infoUrl) {
        whatsNewUrl_ = infoUrl;
        host_.Navigate(infoUrl);
        showInfo = false;
        Changed();
    };
    update_.OnNoUpdateFound = [this] {
        state_.Page = WizardPage::UpdatesAvailable;
        state_.NoUpdatesFoundVisible = true;
        state_.VersionLabelsVisible = false;
        state_.ClickNextInstallText = kClickFinish;
        state_.BackEnabled = false;
        state_.NextEnabled = false;
        state_.CloseEnabled = true;
        Changed();
    };
    update_.OnDownloadError = [this] { ShowError(); };
    update_.OnBeforeDownload = [this](const std::string&) {
        state_.CloseEnabled = false;
        Changed();
    };
    update_.OnDownload = [this](std::int64_t total, std::int64_t downloaded, double kbps, double secondsRemaining) {
        ShowProgress(total, downloaded, kbps, secondsRemaining);
    };
    update_.OnAfterDownload = [this](const std::string& fileName) {
        state_.CloseEnabled = true;
        if (cancelRequested_) {
            state_.Page = WizardPage::UpdatesAvailable;
            state_.NextEnabled = true;
            state_.CancelEnabled = true;
        } else {
            state_.BackEnabled = false;
            state_.Page = WizardPage::ReadyToInstall;
            downloadedFile_ = fileName;
        }
        Changed();
    };
    update_.OnCannotExecute = [this] {
        state_.Page = WizardPage::Welcome;
        Changed();
    };
}

void UpdateWizardModel::Changed() {
    if (OnChange) OnChange();
}

void UpdateWizardModel::ShowError() {
    state_.Page = WizardPage::CheckProgress;
    state_.Notebook = CheckNotebookPage::Error;
    state_.CheckingBarVisible = false;
    state_.CheckStatusVisible = false;
    state_.CouldNotConnectAtBar = true;
    state_.CouldNotConnectVisible = true;
    state_.BackEnabled = true;
    state_.NextEnabled = false;
    state_.CloseEnabled = true;
    Changed();
}

void UpdateWizardModel::ShowProgress(std::int64_t total, std::int64_t downloaded, double kbps,
                                     double secondsRemaining) {
    state_.ProgressMax = total;
    state_.ProgressPosition = downloaded;
    state_.TotalProgressText = PercentageText(total, downloaded);
    const std::int64_t seconds = std::isfinite(secondsRemaining) ? std::llround(secondsRemaining) : 0;
    state_.FileSizeProgressText = TimeLeftText(seconds) + " (" + FormatByteSize(downloaded, separators_) + " of " +
                                  FormatByteSize(total, separators_) + " downloaded)";
    state_.TransferRateText = TransferRateText(kbps);
    Changed();
}

void UpdateWizardModel::FormShow() {
    if (AutoStart) state_.TimerEnabled = true;
    Changed();
}

void UpdateWizardModel::TimerTick() {
    state_.TimerEnabled = false;
    if (AutoStart) {
        state_.Page = WizardPage::CheckProgress;
        NextClick();
        return;
    }
    Changed();
}

void UpdateWizardModel::NextClick() {
    switch (state_.Page) {
        case WizardPage::Welcome:
            state_.Page = WizardPage::CheckProgress;
            break;
        case WizardPage::UpdatesAvailable:
            state_.Page = WizardPage::UpdateProgress;
            break;
        case WizardPage::UpdateProgress:
            state_.Page = WizardPage::ReadyToInstall;
            break;
        default:
            break;
    }
    if (state_.Page == WizardPage::CheckProgress) {
        state_.Notebook = CheckNotebookPage::Working;
        state_.BarAnimating = true;
        if (update_.Busy()) update_.Abort();
        Changed();
        update_.StartCheckThread();
    } else if (state_.Page == WizardPage::UpdateProgress) {
        state_.NextEnabled = false;
        // Each download is cancelled on its own: one cancelled before must not keep a later
        // one from its install.
        cancelRequested_ = false;
        Changed();
        if (!update_.Download() && cancelRequested_ && state_.Page == WizardPage::UpdateProgress) {
            // Stopped by "Cancel Update", which no event reports: back to the update, so that
            // it can be fetched again or the wizard closed.
            state_.Page = WizardPage::UpdatesAvailable;
            state_.NextEnabled = true;
            state_.CloseEnabled = true;
            state_.CancelEnabled = true;
            Changed();
        }
    } else {
        Changed();
    }
}

void UpdateWizardModel::BackClick() {
    switch (state_.Page) {
        case WizardPage::CheckProgress:
        case WizardPage::UpdatesAvailable:
            state_.BackEnabled = false;
            state_.NextEnabled = true;
            state_.Page = WizardPage::Welcome;
            break;
        case WizardPage::UpdateProgress:
            state_.Page = WizardPage::Welcome;
            break;
        default:
            break;
    }
    Changed();
}

void UpdateWizardModel::CloseClick() {
    if (!update_.Busy()) host_.CloseWindow();
}

void UpdateWizardModel::FormClose() {
    if (update_.Busy()) update_.Abort();
}

void UpdateWizardModel::CancelClick() {
    cancelRequested_ = true;
    state_.CancelEnabled = false;
    update_.Abort();
    Changed();
}

void UpdateWizardModel::RestartClick() {
    if (host_.ShellOpen(downloadedFile_, update_.Answer.RunParameters)) {
        host_.Terminate();
        return;
    }
    host_.ShowMessage(kCouldNotExecute);
    state_.Page = WizardPage::Welcome;
    Changed();
}

}  // namespace tarvex
