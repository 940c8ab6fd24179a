#pragma once
// The Welcome page: the welcome text over the connection scenario choice, "Help" and
// "Accelerate!". The choice and the run live in the tuning run model.
#include <array>

#include "app/win32/page.h"
#include "controls/win32/html_label.h"
#include "tuning/tuning_run.h"

namespace tarvex {

class TWelcomePage final : public TPage {
public:
    explicit TWelcomePage(TuningRunModel& model) : model_(model) {}
    void UpdateView() override;

protected:
    void CreateContent(const PageContext& context) override;

private:
    TuningRunModel& model_;
    TQmHtmlLabel HTMLabel1;
    // rbDialUpModem, rbDialUpISDN, rbADSL, rbADSLPPPoE, rbLAN, rbCorporateLAN, rbRestore
    std::array<TRadioButton, kScenarioCaptions.size()> scenarioButtons_;
    TButton btnHelp, btnAccelerate, btnTestConnection;
};

}  // namespace tarvex
