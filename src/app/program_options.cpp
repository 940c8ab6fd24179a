#include "app/program_options.h"

#include <utility>

namespace tarvex {

void ProgramOptionsModel::SetLoadAtWinStart(bool on) {
    options_.LoadAtWinStart = on;
    Changed(false);
}

void ProgramOptionsModel::SetStartInTray(bool on) {
    options_.StartInTray = on;
    if (!on || options_.MinimizeToTray) return Changed(false);
    options_.MinimizeToTray = true;
    Changed(true);
}

void ProgramOptionsModel::SetMinimizeToTray(bool on) {
    options_.MinimizeToTray = on;
    Changed(true);
}

void ProgramOptionsModel::SetCheckForUpdates(bool on) {
    options_.CheckForUpdates = on;
    Changed(false);
}

void ProgramOptionsModel::SetUpdateInterval(int index) {
    options_.UpdateInterval = index >= 0 && index < static_cast<int>(kUpdateIntervalTexts.size()) ? index : -1;
    Changed(false);
}

void ProgramOptionsModel::Assign(const ProgramOptions& options) {
    options_ = options;
    SetUpdateInterval(options.UpdateInterval);
    if (OnMinimizeToTrayChange) OnMinimizeToTrayChange(options_.MinimizeToTray);
}

void ProgramOptionsModel::Changed(bool minimizeToTraySet) {
    if (minimizeToTraySet && OnMinimizeToTrayChange) OnMinimizeToTrayChange(options_.MinimizeToTray);
    if (OnChange) OnChange();
}

void ProxyDetailsModel::Set(std::string& field, std::string text) {
    if (field == text) return;
    field = std::move(text);
    if (OnChange) OnChange();
}

void ProxyDetailsModel::SetServer(std::string text) {
    Set(details_.Server, std::move(text));
}

void ProxyDetailsModel::SetUserName(std::string text) {
    Set(details_.UserName, std::move(text));
}

void ProxyDetailsModel::SetPassword(std::string text) {
    Set(details_.Password, std::move(text));
}

void ProxyDetailsModel::Assign(ProxyDetails details) {
    if (details_ == details) return;
    details_ = std::move(details);
    if (OnChange) OnChange();
}

}  // namespace tarvex
