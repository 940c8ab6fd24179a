#pragma once
// The check at start-up: when the chosen interval has passed, ask the update server while the
// small "Update Check" window shows, and offer the wizard when there is an update. The windows,
// the prompt and the wizard come through ScheduledCheckHost.
#include <cstdint>
#include <string>
#include <string_view>

#include "update/web_update.h"

namespace tarvex {

// The update information page's path on the update host.
inline constexpr std::string_view kUpdatePagePath = "/assets/update/ZV/Tarvex2.asp";

inline constexpr std::string_view kCheckNewUpdateFound = "New Update found...";
inline constexpr std::string_view kCheckNoUpdates = "No updates available at this time.";
// The question asked when an update was found.
std::string UpdateNowQuestion();

class ScheduledCheckHost {
public:
    virtual ~ScheduledCheckHost() = default;
    virtual double Now() = 0;
    // The "Update Check" window: shown with its bar running and every other window of the
    // program disabled; closed (and the others enabled again) on every way out.
    virtual void ShowCheckWindow() = 0;
    virtual void SetCheckBottomText(std::string_view text) = 0;
    virtual void StopCheckAnimation() = 0;
    virtual void CloseCheckWindow() = 0;
    virtual bool AskYesNo(std::string_view question) = 0;  // true for Yes
    virtual void ShowUpdateWizard() = 0;
    virtual void Wait(std::uint32_t milliseconds) = 0;  // keeps messages running
};

// Runs the check when `interval` makes it due after `lastCheck`; then `lastCheck` becomes the
// time it finished and the result is true. A non-empty `address` replaces `updateUrl` first.
// An error out of the check closes the window, leaves `lastCheck` and goes on to the caller.
bool ScheduledUpdateCheck(std::string_view address, double& lastCheck, int interval, std::string& updateUrl,
                          UpdatePorts ports, ScheduledCheckHost& host);

}  // namespace tarvex
