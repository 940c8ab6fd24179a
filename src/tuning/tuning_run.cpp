#include "tuning/tuning_run.h"

#include "tuning/parameter_store.h"
#include "tuning/restart.h"

namespace tarvex {

void RefreshTuningValues(RegistryAccess& registry, AdaptersModel& adapters, TuningProfile& profile) {
    std::exception_ptr adaptersError;
    try {
        adapters.Read(registry, profile.IsNT);
    } catch (...) {
        adaptersError = std::current_exception();
    }
    ReadProfile(registry, profile);
    if (adaptersError) std::rethrow_exception(adaptersError);
}

TuningRunModel::TuningRunModel(TuningProfile& profile, AdaptersModel& adapters, RegistryAccess& registry,
                               Waiter& waiter, RandomSource& random, SystemRestart& restart)
    : profile_(profile), adapters_(adapters), registry_(registry), waiter_(waiter), random_(random), restart_(restart) {
    for (std::size_t i = 0; i < items_.size(); ++i) items_[i].Task = kProgressTasks[i];
}

void TuningRunModel::DoChange() {
    if (OnChange) OnChange();
}

bool TuningRunModel::WaitAlive(std::uint32_t milliseconds) {
    const auto alive = life_.Watch();
    waiter_.Wait(milliseconds);
    return static_cast<bool>(alive);
}

void TuningRunModel::CheckScenario(ConnectionScenario scenario) {
    if (checked_ == scenario) return;
    checked_ = scenario;
    accelerateEnabled_ = true;
    DoChange();
}

void TuningRunModel::btnAccelerateClick() {
    // The button is disabled during a run and after one; a click that still arrives is stale.
    if (!accelerateEnabled_ || !checked_ || running_) return;
    accelerateEnabled_ = false;
    if (*checked_ == ConnectionScenario::rbRestore) {
        Restore();
    } else {
        Run(*checked_);
    }
}

void TuningRunModel::Restore() {
    DoChange();
    try {
        if (OnBeforeWrite) OnBeforeWrite(BackupAction::RestoreDefaults);
        ApplyPreset(profile_, ConnectionScenario::rbRestore);
        WriteProfile(registry_, profile_);
    } catch (...) {
        Fail(std::current_exception());
        return;
    }
    if (OnWritten) OnWritten();
    if (OnInformation) OnInformation(kRestoredMessage);
}

void TuningRunModel::Run(ConnectionScenario scenario) {
    running_ = true;
    navigationEnabled_ = false;
    page_ = RunPage::tsProgress;
    progressBarVisible_ = true;
    okVisible_ = false;
    workingVisible_ = true;
    for (ProgressItem& item : items_) {
        item.Icon = TaskIcon::Pending;
        item.Progress.clear();
    }
    DoChange();

    // The list only entertains: the percentages are drawn, and the writing comes after it.
    for (std::size_t i = 0; i < items_.size(); ++i) {
        ProgressItem& item = items_[i];
        progressBarPosition_ = static_cast<int>(i + 1) * 10;
        item.Icon = TaskIcon::Working;
        DoChange();
        if (i + 1 == items_.size()) {
            item.Icon = TaskIcon::Complete;
            DoChange();
            break;
        }
        random_.Randomize();
        int start = 0;
        do {
            start = random_.Random(100);
        } while (start < 50);
        for (int percent = start; percent <= 100; ++percent) {
            item.Progress = std::to_string(percent) + "%";
            DoChange();
            if (!WaitAlive(20)) return;
        }
        item.Icon = TaskIcon::Done;
        DoChange();
        if (!WaitAlive(1000)) return;
    }

    try {
        // Before the profile changes: a run stopped here leaves even the memory as it was.
        if (OnBeforeWrite) OnBeforeWrite(BackupAction::Accelerate);
        ApplyPreset(profile_, scenario);
        WriteProfile(registry_, profile_);
        adapters_.SetAllMtu(profile_.MTU);
        adapters_.Write(registry_, profile_.IsNT);
    } catch (...) {
        Fail(std::current_exception());
        return;
    }
    if (OnWritten) OnWritten();

    running_ = false;
    progressBarVisible_ = false;
    okVisible_ = true;
    workingVisible_ = false;
    DoChange();
    if (OnBalloon) OnBalloon(BalloonRequest{std::string(kCompletedTitle), std::string(kCompletedText), 1, 10});
}

// A write that failed ends the run where it stands: back on the welcome page with everything
// usable, so the user can retry or leave; nothing tells of a success.
void TuningRunModel::Fail(std::exception_ptr error) {
    running_ = false;
    page_ = RunPage::tsWelcome;
    navigationEnabled_ = true;
    progressBarVisible_ = false;
    okVisible_ = false;
    workingVisible_ = false;
    accelerateEnabled_ = true;
    const auto alive = life_.Watch();
    DoChange();
    if (!alive || !OnError) std::rethrow_exception(error);
    OnError(error);
}

void TuningRunModel::btnOKClick() {
    if (page_ != RunPage::tsProgress || !okVisible_) return;
    page_ = RunPage::tsWelcome;
    navigationEnabled_ = true;
    const auto alive = life_.Watch();
    DoChange();
    if (!alive || !OnConfirm) return;
    OfferRestart(OnConfirm, restart_, profile_.IsNT);
}

}  // namespace tarvex
