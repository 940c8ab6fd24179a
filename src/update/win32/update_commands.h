#pragma once
// The program's two ways into an update: the scheduled check at start-up and the update wizard
// on request. Both ask the one address of the update information page, UpdateURL.
#include <functional>
#include <string>
#include <string_view>

#include "update/win32/wininet_transfer.h"

namespace tarvex {

// The update information page; the main window sets it when it is made.
std::string& UpdateURL();

struct UpdateContext {
    ProxySettings Proxy;              // the user's own proxy; empty: the system's Internet settings
    std::function<void()> Terminate;  // ends the program once a downloaded installer has started
};

// The wizard, modal, checking as soon as it shows. A non-empty `address` replaces UpdateURL
// first, for this and every later check.
void ShowUpdateWizard(std::string_view address, const UpdateContext& context);

// At start-up, when `interval` (an index of the interval list) makes a check due after
// `lastCheck`: the "Update Check" window while the server is asked, and the offer of the
// wizard when there is an update. Returns true when the check ran; `lastCheck` is then the time
// it ended. An error out of the check closes the window and goes on to the caller.
bool ScheduledUpdateCheck(std::string_view address, double& lastCheck, int interval, const UpdateContext& context);

}  // namespace tarvex
