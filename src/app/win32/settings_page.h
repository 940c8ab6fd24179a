#pragma once
// The Program Options page: the " General " switches and the " Updates " schedule.
#include "app/program_options.h"
#include "app/win32/page.h"
#include "platform/win32/pictures.h"

namespace tarvex {

class TSettingsPage final : public TPage {
public:
    explicit TSettingsPage(ProgramOptionsModel& model) : model_(model) {}
    ~TSettingsPage() override;

protected:
    void CreateContent(const PageContext& context) override;

private:
    void UpdateView();

    ProgramOptionsModel& model_;
    Picture picture_;
    TGroupBox gbGeneral, gbUpdates;
    TCheckBox chkLoadAtWinStart, chkStartInTray, chkMinimizeToTray, chkCheckForUpdates;
    TComboBox cbCheckForUpdates;
};

}  // namespace tarvex
