#pragma once
// The welcome page's one-click tuning: the scenario choice, "Accelerate!", the progress page's
// list of nine tasks that a run walks through, the writing of the preset, the balloon at the end
// and "&OK" with the restart question. The pages only mirror this state.
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/life_guard.h"
#include "platform/modern_tcp_settings.h"
#include "platform/random_source.h"
#include "platform/registry_access.h"
#include "platform/system_restart.h"
#include "platform/waiter.h"
#include "tuning/adapters.h"
#include "tuning/backup.h"
#include "tuning/modern_tcp.h"
#include "tuning/tuning_profile.h"

namespace tarvex {

// The welcome page's radio buttons, top to bottom, in the order of ConnectionScenario.
inline constexpr std::array<const char*, 7> kScenarioCaptions = {
    "Internet Dial-Up Connection via Modem (28.8, 33.6 or 56 kbps)",
    "Internet Dial-Up Connection via ISDN",
    "ADSL / Cable / LAN / Satellite / Other direct internet connection",
    "ADSL / Cable / Satellite running PPPoE",
    "Home or Small Office LAN",
    "Corporate LAN (including LAN Proxy)",
    "Restore Defaults",
};
inline constexpr std::string_view kAccelerateCaption = "Accelerate!";
inline constexpr std::string_view kHelpCaption = "Help";

// The progress page: the text above the list, its columns and tasks.
inline constexpr std::string_view kOptimizingText =
    "Tarvex is now optimizing your Network Settings.\r\n\r\n"
    "Please do not interrupt or shut down your computer while Tarvex is optimizing.";
inline constexpr std::string_view kTaskColumn = "Task";
inline constexpr int kTaskColumnWidth = 304;
inline constexpr std::string_view kProgressColumn = "Progress";
inline constexpr int kProgressColumnWidth = 58;
inline constexpr std::array<const char*, 9> kProgressTasks = {
    "Analyzing existing network settings...",
    "Scanning...",
    "Computing TCP/IP transport settings..",
    "Optimizing Internet communication speed with your ISP",
    "Optimizing Internet communication speed from your ISP",
    "Optimizing handling of Internet delays",
    "Avoid slow sessions caused by nonstandard Internet hosts",
    "Finalizing...",
    "Complete!",
};
inline constexpr std::string_view kWorkingText = "Working. Please wait...";
inline constexpr std::string_view kOKCaption = "&OK";
inline constexpr std::string_view kRestoredMessage =
    "All Tarvex optimizations have been removed. \r\n"
    "You will need to restart the system so that it reverts to original settings.";
inline constexpr std::string_view kCompletedTitle = "Optimization Completed";
inline constexpr std::string_view kCompletedText =
    "Tarvex has optimized your internet connection settings. Your computer is now quicker and more stable.";
inline constexpr int kProgressBarMax = 90;

// On Windows Vista and later the list shows the changes the run really makes, each with its
// outcome, and the classic values as what they are there.
inline constexpr std::string_view kClassicValuesTask = "Classic registry values (not used here)";
inline constexpr std::string_view kModernUnreachableTask = "TCP settings of this Windows";
inline constexpr std::string_view kStepDone = "Done";
inline constexpr std::string_view kStepFailed = "Failed";
inline constexpr std::string_view kStepNotAvailable = "Not here";
inline constexpr std::string_view kModernCompletedText =
    "Tarvex has applied the TCP settings of this version of Windows.";
// Where the modern settings cannot be reached, or Windows refused some of them.
std::string ModernUnreachableMessage(std::string_view reason);
std::string ModernRefusedMessage(const std::vector<std::string>& refusals);
// A run that stopped at a value it could not write (`name` of `key`, from its root): what it
// changed before (each "KEY\\name", or a modern setting's step) and the way back.
std::string WriteFailedMessage(std::string_view key, std::string_view name, const std::vector<std::string>& changed,
                               std::string_view reason);

// The progress list's icons: their indexes in the 16-pixel image list.
enum class TaskIcon { Pending = 1, Done = 2, Working = 3, Complete = 5 };

struct ProgressItem {
    std::string Task;
    TaskIcon Icon = TaskIcon::Pending;
    std::string Progress;  // "57%" or empty
    friend bool operator==(const ProgressItem&, const ProgressItem&) = default;
};

enum class RunPage { tsWelcome, tsProgress };

// What the notification-area icon is asked to show.
struct BalloonRequest {
    std::string Title;
    std::string Text;
    int IconKind = 0;  // 1: information
    int TimeoutSeconds = 0;
    friend bool operator==(const BalloonRequest&, const BalloonRequest&) = default;
};

// Reads the adapters and then the profile from the registry. An adapter whose MTU cannot be
// read stops the adapter list there and its error is rethrown, but only after the profile has
// been read all the same: a profile left as created would give a later write zeros for the
// values no preset sets (a keep-alive time of 0 among them).
void RefreshTuningValues(RegistryAccess& registry, AdaptersModel& adapters, TuningProfile& profile);

class TuningRunModel {
public:
    // Everything is borrowed and must outlive the model; the profile and adapters are the
    // main window's.
    TuningRunModel(TuningProfile& profile, AdaptersModel& adapters, RegistryAccess& registry, Waiter& waiter,
                   RandomSource& random, SystemRestart& restart);

    // The welcome page.
    std::optional<ConnectionScenario> Checked() const { return checked_; }
    bool AccelerateEnabled() const { return accelerateEnabled_; }
    // The side panel and both tool bars, through which the pages are reached.
    bool NavigationEnabled() const { return navigationEnabled_; }
    RunPage Page() const { return page_; }
    // The progress page.
    const std::vector<ProgressItem>& Items() const { return items_; }
    bool ProgressBarVisible() const { return progressBarVisible_; }
    int ProgressBarPosition() const { return progressBarPosition_; }
    bool OKVisible() const { return okVisible_; }
    bool WorkingVisible() const { return workingVisible_; }
    bool Running() const { return running_; }

    // A click on a radio button; only one that is not checked yet enables "Accelerate!".
    void CheckScenario(ConnectionScenario scenario);
    // Runs the tuning for the checked scenario, or removes every managed value for
    // rbRestore. Pumps messages while it waits; returns at once when the model dies meanwhile.
    void btnAccelerateClick();
    // Back to the welcome page with the navigation enabled, then the restart question.
    void btnOKClick();
    // The window that shows the run is going: a run in progress stops at its next wait, and
    // nothing more is shown, asked or written.
    void Abandon() noexcept { life_.End(); }
    // Windows Vista and later: the run also sets the modern stack's settings through `port`
    // (borrowed; it must outlive the model).
    void SetModern(ModernTcpSettings* port, std::optional<ModernSystem> system) {
        modernPort_ = port;
        modernSystem_ = std::move(system);
    }
    bool IsModern() const { return modernPort_ && modernSystem_; }

    std::function<void()> OnChange;  // after every visible step
    std::function<void(const BalloonRequest&)> OnBalloon;
    std::function<void(std::string_view text)> OnInformation;  // a message box with OK
    std::function<bool(std::string_view question)> OnConfirm;  // Yes/No; true for Yes
    // The registry is about to be written by `action` (the backup's moment): an error it throws
    // ends the run as a failed write does, with nothing written. OnWritten follows a write that
    // succeeded.
    std::function<void(BackupAction action)> OnBeforeWrite;
    std::function<void()> OnWritten;
    // A failed write: the run has ended and the navigation is enabled again. A value that could
    // not be written comes as an Error with WriteFailedMessage. Unset: rethrown.
    std::function<void(std::exception_ptr)> OnError;

private:
    void DoChange();
    bool WaitAlive(std::uint32_t milliseconds);  // false when the model died during the wait
    void Restore();
    void Run(ConnectionScenario scenario);
    void RunModern(ConnectionScenario scenario);
    void WriteClassic(RegistryAccess& registry, ConnectionScenario scenario);
    void BeginRun();
    void EndRun();
    void Fail(std::exception_ptr error);

    TuningProfile& profile_;
    AdaptersModel& adapters_;
    RegistryAccess& registry_;
    Waiter& waiter_;
    RandomSource& random_;
    SystemRestart& restart_;

    std::optional<ConnectionScenario> checked_;
    bool accelerateEnabled_ = false;
    bool navigationEnabled_ = true;
    RunPage page_ = RunPage::tsWelcome;
    std::vector<ProgressItem> items_;
    bool progressBarVisible_ = false;
    int progressBarPosition_ = 0;
    bool okVisible_ = false;
    bool workingVisible_ = false;
    bool running_ = false;
    ModernTcpSettings* modernPort_ = nullptr;
    std::optional<ModernSystem> modernSystem_;
    LifeGuard life_;
};

}  // namespace tarvex
