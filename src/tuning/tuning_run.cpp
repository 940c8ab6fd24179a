#include "tuning/tuning_run.h"

#include "tuning/modern_changes.h"
#include "tuning/parameter_store.h"
#include "tuning/restart.h"

namespace tarvex {

std::string ModernUnreachableMessage(std::string_view reason) {
    return "The TCP settings of this version of Windows cannot be read or changed here, so Tarvex changed none of "
           "them. The registry values of earlier Windows versions were written as before; this Windows does not use "
           "most of them.\r\n\r\n" +
           std::string(reason);
}

std::string ModernRefusedMessage(const std::vector<std::string>& refusals) {
    std::string text = "Windows refused some of the changes; they were not made:";
    for (const std::string& refusal : refusals) text += "\r\n\r\n" + refusal;
    return text;
}

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
    for (const char* task : kProgressTasks) items_.push_back({task, TaskIcon::Pending, {}});
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
    std::string modernNote;
    try {
        if (OnBeforeWrite) OnBeforeWrite(BackupAction::RestoreDefaults);
        ApplyPreset(profile_, ConnectionScenario::rbRestore);
        WriteProfile(registry_, profile_);
        if (IsModern()) {
            // Every modern setting back to Windows' own default; one that Windows refuses does not
            // stop the others, and is told.
            std::vector<std::string> refusals;
            try {
                const std::vector<ModernInterface> interfaces = modernPort_->Interfaces();
                modernPort_->Read();
                for (const ModernChange& change :
                     PlanModernChanges(ModernPresetFor(ConnectionScenario::rbRestore, *modernSystem_), interfaces, {},
                                       std::nullopt)) {
                    try {
                        ApplyModernChange(*modernPort_, interfaces, change);
                    } catch (const Error& e) {
                        refusals.push_back(change.Text + ": " + e.what());
                    }
                }
                if (!refusals.empty()) modernNote = ModernRefusedMessage(refusals);
            } catch (const Error& e) {
                modernNote = ModernUnreachableMessage(e.what());
            }
        }
    } catch (...) {
        Fail(std::current_exception());
        return;
    }
    if (OnWritten) OnWritten();
    if (OnInformation)
        OnInformation(modernNote.empty() ? std::string(kRestoredMessage)
                                         : std::string(kRestoredMessage) + "\r\n\r\n" + modernNote);
}

void TuningRunModel::Run(ConnectionScenario scenario) {
    if (IsModern()) {
        RunModern(scenario);
        return;
    }
    BeginRun();
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
        WriteClassic(scenario);
    } catch (...) {
        Fail(std::current_exception());
        return;
    }
    if (OnWritten) OnWritten();

    EndRun();
    DoChange();
    if (OnBalloon) OnBalloon(BalloonRequest{std::string(kCompletedTitle), std::string(kCompletedText), 1, 10});
}

// The progress page with the navigation disabled, the bar and the working text.
void TuningRunModel::BeginRun() {
    running_ = true;
    navigationEnabled_ = false;
    page_ = RunPage::tsProgress;
    progressBarVisible_ = true;
    okVisible_ = false;
    workingVisible_ = true;
}

// Written: "OK" in place of the bar and the working text; the navigation waits for "OK".
void TuningRunModel::EndRun() {
    running_ = false;
    progressBarVisible_ = false;
    okVisible_ = true;
    workingVisible_ = false;
}

void TuningRunModel::WriteClassic(ConnectionScenario scenario) {
    ApplyPreset(profile_, scenario);
    WriteProfile(registry_, profile_);
    adapters_.SetAllMtu(profile_.MTU);
    adapters_.Write(registry_, profile_.IsNT);
}

// Vista and later: the list is the run's real steps. The modern settings first, each confirmed
// or refused on its own, then the classic values, which the Part's tuning still writes (this
// Windows ignores most of them, and the list says so).
void TuningRunModel::RunModern(ConnectionScenario scenario) {
    std::vector<ModernInterface> interfaces;
    std::string unreachable;
    try {
        modernPort_->Read();
        interfaces = modernPort_->Interfaces();
    } catch (const Error& e) {
        unreachable = e.what();
    }
    TuningProfile preset = profile_;
    ApplyPreset(preset, scenario);
    const std::vector<ModernChange> changes =
        unreachable.empty()
            ? PlanModernChanges(ModernPresetFor(scenario, *modernSystem_), interfaces, adapters_.Items(), preset.MTU)
            : std::vector<ModernChange>{};

    items_.clear();
    for (const ModernChange& change : changes) items_.push_back({change.Text, TaskIcon::Pending, {}});
    if (!unreachable.empty()) items_.push_back({std::string(kModernUnreachableTask), TaskIcon::Pending, {}});
    items_.push_back({std::string(kClassicValuesTask), TaskIcon::Pending, {}});
    items_.push_back({kProgressTasks.back(), TaskIcon::Pending, {}});
    BeginRun();
    progressBarPosition_ = 0;
    DoChange();
    if (!WaitAlive(200)) return;

    try {
        if (OnBeforeWrite) OnBeforeWrite(BackupAction::Accelerate);
    } catch (...) {
        Fail(std::current_exception());
        return;
    }
    const auto step = [&](std::size_t i) {
        progressBarPosition_ = static_cast<int>((i + 1) * kProgressBarMax / items_.size());
        items_[i].Icon = TaskIcon::Working;
        DoChange();
        return WaitAlive(100);
    };
    const auto finish = [&](std::size_t i, bool done, std::string_view text) {
        items_[i].Icon = done ? TaskIcon::Done : TaskIcon::Pending;
        items_[i].Progress = text;
        DoChange();
    };
    std::vector<std::string> refusals;
    std::size_t i = 0;
    for (const ModernChange& change : changes) {
        if (!step(i)) return;
        try {
            ApplyModernChange(*modernPort_, interfaces, change);
            finish(i, true, kStepDone);
        } catch (const Error& e) {
            refusals.push_back(change.Text + ": " + e.what());
            finish(i, false, kStepFailed);
        }
        ++i;
    }
    if (!unreachable.empty()) {
        if (!step(i)) return;
        finish(i++, false, kStepNotAvailable);
    }
    if (!step(i)) return;
    try {
        WriteClassic(scenario);
    } catch (...) {
        Fail(std::current_exception());
        return;
    }
    finish(i++, true, kStepDone);
    if (!step(i)) return;
    items_[i].Icon = TaskIcon::Complete;
    if (OnWritten) OnWritten();

    EndRun();
    const auto alive = life_.Watch();
    DoChange();
    if (!alive) return;
    if (!unreachable.empty() || !refusals.empty()) {
        // A refusal is never passed off as a success.
        if (OnInformation)
            OnInformation(unreachable.empty() ? ModernRefusedMessage(refusals) : ModernUnreachableMessage(unreachable));
        return;
    }
    if (OnBalloon) OnBalloon(BalloonRequest{std::string(kCompletedTitle), std::string(kModernCompletedText), 1, 10});
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
