#include "app/win32/settings_page.h"

#include <string>
#include <vector>

#include "app/main_form_texts.h"
#include "app/win32/control_ids.h"

namespace tarvex {

TSettingsPage::~TSettingsPage() {
    model_.OnChange = nullptr;
}

void TSettingsPage::CreateContent(const PageContext& context) {
    const Surface& at = context.Where;
    picture_ = LoadPicture(L"PICTURE_SETTINGS");
    AddPicture(picture_, at.Scale(context.Width - 40), at.Scale(8));

    gbGeneral.Create(at, {.Id = ids::kGbGeneral, .Text = texts::kGeneral, .At = {10, 40, 384, 105}});
    chkLoadAtWinStart.Create(
        at,
        {.Id = ids::kChkLoadAtWinStart, .Text = texts::kLoadAtWinStart, .At = {26, 64, 300, 17}, .Style = WS_GROUP});
    chkStartInTray.Create(at, {.Id = ids::kChkStartInTray, .Text = texts::kStartInTray, .At = {26, 88, 300, 17}});
    chkMinimizeToTray.Create(at,
                             {.Id = ids::kChkMinimizeToTray, .Text = texts::kMinimizeToTray, .At = {26, 112, 300, 17}});

    const Bounds updates{8, 160, 384, 81};
    gbUpdates.Create(at, {.Id = ids::kGbUpdates, .Text = texts::kUpdates, .At = updates});
    chkCheckForUpdates.Create(
        at,
        {.Id = ids::kChkCheckForUpdates, .Text = texts::kCheckForUpdates, .At = {24, 190, 196, 17}, .Style = WS_GROUP});
    // The list, as wide as its longest choice, follows the check box's text; where the group
    // has no room for it on that row, it goes below, under the text.
    cbCheckForUpdates.Create(at, {.Id = ids::kCbCheckForUpdates, .At = {222, 187, 160, 150}});
    cbCheckForUpdates.SetItems(std::vector<std::string>(kUpdateIntervalTexts.begin(), kUpdateIntervalTexts.end()));
    const int listX = chkCheckForUpdates.Right() + 4;
    if (listX + cbCheckForUpdates.BoundsAt96().Width <= updates.X + updates.Width - 10) {
        cbCheckForUpdates.MoveAt96(listX, 187);
    } else {
        cbCheckForUpdates.MoveAt96(42, 212);
    }

    chkLoadAtWinStart.OnClick = [this] { model_.SetLoadAtWinStart(chkLoadAtWinStart.Checked()); };
    chkStartInTray.OnClick = [this] { model_.SetStartInTray(chkStartInTray.Checked()); };
    chkMinimizeToTray.OnClick = [this] { model_.SetMinimizeToTray(chkMinimizeToTray.Checked()); };
    chkCheckForUpdates.OnClick = [this] { model_.SetCheckForUpdates(chkCheckForUpdates.Checked()); };
    cbCheckForUpdates.OnChange = [this] { model_.SetUpdateInterval(cbCheckForUpdates.ItemIndex()); };
    model_.OnChange = [this] { UpdateView(); };
    UpdateView();
}

void TSettingsPage::UpdateView() {
    const ProgramOptions& options = model_.Options();
    chkLoadAtWinStart.SetChecked(options.LoadAtWinStart);
    chkStartInTray.SetChecked(options.StartInTray);
    chkMinimizeToTray.SetChecked(options.MinimizeToTray);
    chkCheckForUpdates.SetChecked(options.CheckForUpdates);
    cbCheckForUpdates.SetItemIndex(options.UpdateInterval);
    cbCheckForUpdates.SetEnabled(model_.UpdateIntervalEnabled());
}

}  // namespace tarvex
