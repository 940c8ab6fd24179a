#include "update/scheduled_check.h"

#include "update/update_schedule.h"

namespace tarvex {

std::string UpdateNowQuestion() {
    return "A new version of Tarvex is available as a downloadable update.\r\n\r\nWould you like to update now?";
}

bool ScheduledUpdateCheck(std::string_view address, double& lastCheck, int interval, std::string& updateUrl,
                          UpdatePorts ports, ScheduledCheckHost& host) {
    if (!address.empty()) updateUrl = address;
    TQmWebUpdate update(ports);
    update.ProductInfo.SetURL(updateUrl);
    update.Options = {.uoRunUpdate = false, .uoTerminate = false, .uoOverwrite = true};
    update.ProductInfo.DateFormat = "dd/mm/yyyy";
    update.ProductInfo.DateSeparator = '/';
    update.ProductInfo.Version.clear();
    update.ProductInfo.VersionFormat = TmxVersionFormat::vfFileVersion;
    if (!IsUpdateCheckDue(interval, host.Now(), lastCheck)) return false;

    host.ShowCheckWindow();
    try {
        if (update.CheckForUpdate()) {
            host.SetCheckBottomText(kCheckNewUpdateFound);
            // The window stays, showing the line above, while the prompt and the wizard are open.
            if (host.AskYesNo(UpdateNowQuestion())) host.ShowUpdateWizard();
        } else {
            host.SetCheckBottomText(kCheckNoUpdates);
            host.StopCheckAnimation();
            host.Wait(1000);
        }
    } catch (...) {
        host.CloseCheckWindow();
        throw;
    }
    host.CloseCheckWindow();
    lastCheck = host.Now();
    return true;
}

}  // namespace tarvex
