#include "tuning/tuning_run.h"

#include <algorithm>

#include "tuning/modern_changes.h"
#include "tuning/parameter_store.h"
#include "tuning/restart.h"

namespace tarvex {
namespace {

// The registry as a run writes it, keeping where each write went: the values it changed (by key
// and name) and the one that failed.
class WriteTrail final : public RegistryAccess {
public:
    explicit WriteTrail(RegistryAccess& registry) : registry_(registry) {}

    const std::vector<std::string>& Changed() const { return changed_; }
    // The key and the name of the value that failed.
    const std::optional<std::pair<std::string, std::string>>& Failed() const { return failed_; }

    void SetRootKey(RegistryRoot root) override {
        root_ = root;
        registry_.SetRootKey(root);
    }
    bool OpenKey(std::string_view path, bool canCreate) override {
        // A relative path continues from the open key, in that key's root.
        const bool fromRoot = path.starts_with('\\') || !open_;
        const RegistryRoot root = fromRoot ? root_ : open_->first;
        std::string key = fromRoot ? std::string(RegistryRootName(root)) : open_->second;
        if (!path.empty() && !path.starts_with('\\')) key += '\\';
        key += path;
        open_.reset();
        if (!registry_.OpenKey(path, canCreate)) return false;
        open_.emplace(root, std::move(key));
        return true;
    }
    void CloseKey() override {
        open_.reset();
        registry_.CloseKey();
    }
    bool ValueExists(std::string_view name) override { return registry_.ValueExists(name); }
    std::optional<std::uint32_t> ValueType(std::string_view name) override { return registry_.ValueType(name); }
    std::int32_t ReadInteger(std::string_view name) override { return registry_.ReadInteger(name); }
    std::string ReadText(std::string_view name) override { return registry_.ReadText(name); }
    double ReadDateTime(std::string_view name) override { return registry_.ReadDateTime(name); }
    std::string ReadBinary(std::string_view name) override { return registry_.ReadBinary(name); }
    std::optional<RawRegistryValue> ReadRaw(std::string_view name) override { return registry_.ReadRaw(name); }
    void WriteInteger(std::string_view name, std::int32_t value) override {
        Track(name, [&] { registry_.WriteInteger(name, value); });
    }
    void WriteText(std::string_view name, std::string_view text) override {
        Track(name, [&] { registry_.WriteText(name, text); });
    }
    void WriteDateTime(std::string_view name, double value) override {
        Track(name, [&] { registry_.WriteDateTime(name, value); });
    }
    void WriteBinary(std::string_view name, std::string_view bytes) override {
        Track(name, [&] { registry_.WriteBinary(name, bytes); });
    }
    void WriteRaw(std::string_view name, const RawRegistryValue& value) override {
        Track(name, [&] { registry_.WriteRaw(name, value); });
    }
    bool DeleteValue(std::string_view name) override {
        const bool gone = registry_.DeleteValue(name);
        if (gone) NoteChange(name);
        return gone;
    }
    std::vector<std::string> ListSubkeys() override { return registry_.ListSubkeys(); }
    std::vector<std::string> ListValues() override { return registry_.ListValues(); }
    void Flush() override { registry_.Flush(); }

private:
    std::string Key() const { return open_ ? open_->second : std::string(RegistryRootName(root_)); }
    std::string Where(std::string_view name) const { return Key() + "\\" + std::string(name); }
    // A write counts as a change when the value reads otherwise after it.
    template <typename Write>
    void Track(std::string_view name, Write write) {
        const auto read = [&]() -> std::optional<RawRegistryValue> {
            try {
                return registry_.ReadRaw(name);
            } catch (const Error&) {
                return std::nullopt;
            }
        };
        const auto before = read();
        try {
            write();
        } catch (const Error&) {
            failed_.emplace(Key(), name);
            throw;
        }
        if (read() != before) NoteChange(name);
    }
    // Listed once, however often it is written.
    void NoteChange(std::string_view name) {
        std::string where = Where(name);
        if (std::find(changed_.begin(), changed_.end(), where) == changed_.end()) changed_.push_back(std::move(where));
    }

    RegistryAccess& registry_;
    RegistryRoot root_ = RegistryRoot::CurrentUser;
    std::optional<std::pair<RegistryRoot, std::string>> open_;  // the open key's root and name
    std::vector<std::string> changed_;
    std::optional<std::pair<std::string, std::string>> failed_;
};

// Runs `write` over the registry; a value it cannot write ends it with WriteFailedMessage, which
// lists `changedBefore` (what the run changed already) and the values `write` changed.
template <typename Write>
void WriteTracked(RegistryAccess& registry, const std::vector<std::string>& changedBefore, Write write) {
    WriteTrail trail(registry);
    try {
        write(static_cast<RegistryAccess&>(trail));
    } catch (const Error& e) {
        if (!trail.Failed()) throw;
        std::vector<std::string> changed = changedBefore;
        changed.insert(changed.end(), trail.Changed().begin(), trail.Changed().end());
        throw Error(WriteFailedMessage(trail.Failed()->first, trail.Failed()->second, changed, e.what()));
    }
}

}  // namespace

std::string WriteFailedMessage(std::string_view key, std::string_view name, const std::vector<std::string>& changed,
                               std::string_view reason) {
    std::string text = "Tarvex could not write the value \"" + std::string(name) + "\" of " + std::string(key) +
                       ", so it stopped there.\r\n\r\n";
    if (changed.empty()) {
        text += "Your settings are unchanged: nothing was written before it.";
    } else {
        text += "These settings were changed before it:";
        for (const std::string& setting : changed) text += "\r\n    " + setting;
        text += "\r\nAll others are unchanged.";
    }
    text +=
        "\r\n\r\n\"Undo last change\" in the Accelerate menu gives back the settings as they were before.\r\n\r\n"
        "Windows' answer: " +
        std::string(reason);
    return text;
}

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
        WriteTracked(registry_, {}, [this](RegistryAccess& registry) { WriteProfile(registry, profile_); });
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
        WriteTracked(registry_, {}, [&](RegistryAccess& registry) { WriteClassic(registry, scenario); });
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

void TuningRunModel::WriteClassic(RegistryAccess& registry, ConnectionScenario scenario) {
    ApplyPreset(profile_, scenario);
    WriteProfile(registry, profile_);
    adapters_.SetAllMtu(profile_.MTU);
    adapters_.Write(registry, profile_.IsNT);
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
    std::vector<std::string> applied;
    std::size_t i = 0;
    for (const ModernChange& change : changes) {
        if (!step(i)) return;
        try {
            ApplyModernChange(*modernPort_, interfaces, change);
            applied.push_back(change.Text);
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
        WriteTracked(registry_, applied, [&](RegistryAccess& registry) { WriteClassic(registry, scenario); });
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
