#include "tuning/win32/welcome_page.h"

#include <string>

#include "app/main_form_texts.h"
#include "app/win32/control_ids.h"
#include "measure/connection_test.h"

namespace tarvex {

void TWelcomePage::CreateContent(const PageContext& context) {
    const Surface& at = context.Where;
    HTMLabel1.Create(Handle(), ids::kHTMLabel1, at.Scale(16), at.Scale(16), at.Scale(context.Width - 32),
                     at.Scale(100));
    SendMessageW(HTMLabel1.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(at.Font), FALSE);
    HTMLabel1.SetAutoHeight(true);
    HTMLabel1.SetCaption(texts::kWelcome);

    // The choice follows the text, whatever height the text takes at this DPI and font.
    RECT label;
    GetWindowRect(HTMLabel1.Handle(), &label);
    int y = at.Unscale(label.bottom - label.top) + 16 + 8;
    for (size_t i = 0; i < scenarioButtons_.size(); ++i) {
        TRadioButton& button = scenarioButtons_[i];
        button.Create(at, {.Id = ids::kRbScenarioFirst + static_cast<int>(i),
                           .Text = kScenarioCaptions[i],
                           .At = {24, y, context.Width - 40, 17},
                           .Style = i == 0 ? static_cast<DWORD>(WS_GROUP) : 0});
        const auto scenario = static_cast<ConnectionScenario>(i);
        button.OnClick = [this, scenario] { model_.CheckScenario(scenario); };
        y += 21;
    }

    // "Help" then "Accelerate!", in the bottom right corner, in that tab order.
    const int buttonsY = context.Height - 39;
    const int accelerateX = context.Width - 16 - 90;
    btnHelp.Create(at, {.Id = ids::kBtnHelp,
                        .Text = std::string(kHelpCaption),
                        .At = {accelerateX - 8 - 75, buttonsY, 75, 25},
                        .Style = WS_GROUP});
    btnAccelerate.Create(at, {.Id = ids::kBtnAccelerate,
                              .Text = std::string(kAccelerateCaption),
                              .At = {accelerateX, buttonsY, 90, 25},
                              .Style = WS_GROUP});
    // The connection test, on the left, apart from the buttons that write.
    btnTestConnection.Create(at, {.Id = ids::kBtnTestConnection,
                                  .Text = kTestConnectionCaption,
                                  .At = {16, buttonsY, 110, 25},
                                  .Style = WS_GROUP});
    btnTestConnection.OnClick = [navigate = context.Navigate] { navigate(Route{MainCommand::TestConnection}); };
    btnAccelerate.OnClick = [this] { model_.btnAccelerateClick(); };
    btnHelp.OnClick = [navigate = context.Navigate] { navigate(Route{MainCommand::OpenHelp}); };
    UpdateView();
}

void TWelcomePage::UpdateView() {
    if (!ContentCreated()) return;
    const auto checked = model_.Checked();
    for (size_t i = 0; i < scenarioButtons_.size(); ++i)
        scenarioButtons_[i].SetChecked(checked && static_cast<size_t>(*checked) == i);
    btnAccelerate.SetEnabled(model_.AccelerateEnabled());
}

}  // namespace tarvex
