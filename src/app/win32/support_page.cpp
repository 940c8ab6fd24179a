#include "app/win32/support_page.h"

#include <algorithm>

#include "app/main_form_texts.h"
#include "app/win32/control_ids.h"

namespace tarvex {

void TSupportPage::CreateContent(const PageContext& context) {
    const Surface& at = context.Where;
    const int width = context.Width;
    picture_ = LoadPicture(L"PICTURE_SUPPORT");
    AddPicture(picture_, at.Scale(width - 40), at.Scale(8));

    const DWORD centred = SS_CENTER;
    const DWORD flat = BS_FLAT;
    lblAskQuestions.Create(at, {.Id = ids::kLblAskQuestions,
                                .Text = texts::kAskQuestionsText,
                                .At = {16, 44, width - 32, 28},
                                .Style = centred});
    btnAskQuestions.Create(at, {.Id = ids::kBtnAskQuestions,
                                .Text = texts::kAskQuestions,
                                .At = {(width - 140) / 2, 76, 140, 25},
                                .Style = flat});
    btnAskQuestions.OnClick = [navigate = context.Navigate] { navigate(Route{MainCommand::AskQuestions}); };
    lblCheckUpdates.Create(at, {.Id = ids::kLblCheckUpdates,
                                .Text = texts::kCheckUpdatesText,
                                .At = {16, 116, width - 32, 28},
                                .Style = centred});
    btnCheckUpdates.Create(at, {.Id = ids::kBtnCheckUpdates,
                                .Text = texts::kCheckUpdates,
                                .At = {(width - 140) / 2, 148, 140, 25},
                                .Style = flat});
    // The same check as the Help menu's "Check for update": the wizard shows its progress.
    btnCheckUpdates.OnClick = [navigate = context.Navigate] { navigate(Route{MainCommand::CheckForUpdate}); };
    lblUpdateProgress.Create(
        at,
        {.Id = ids::kLblUpdateProgress, .At = {8, 184, width - 16, 19}, .Style = SS_LEFT | SS_SUNKEN | SS_CENTERIMAGE});

    const int top = 214;
    gbProxyDetails.Create(at,
                          {.Id = ids::kGbProxyDetails, .Text = texts::kProxyDetails, .At = {8, top, width - 16, 124}});
    // The boxes start after the widest caption, whatever the font makes of them.
    const std::array<const char*, 3> captions = {texts::kProxyServer, texts::kProxyUser, texts::kProxyPassword};
    int boxX = 124;
    for (size_t i = 0; i < captions.size(); ++i) {
        proxyLabels_[i].Create(at, {.Text = captions[i], .At = {20, top + 25 + static_cast<int>(i) * 26, 100, 14}});
        boxX = std::max(boxX, proxyLabels_[i].Right() + 4);
    }
    const std::array<TEdit*, 3> boxes = {&txtProxyServer, &txtProxyUser, &txtProxyPwd};
    const std::array<int, 3> boxIds = {ids::kTxtProxyServer, ids::kTxtProxyUser, ids::kTxtProxyPwd};
    for (size_t i = 0; i < boxes.size(); ++i) {
        boxes[i]->Create(at, {.Id = boxIds[i],
                              .At = {boxX, top + 22 + static_cast<int>(i) * 26, width - 24 - boxX, 20},
                              .Style = boxes[i] == &txtProxyPwd ? static_cast<DWORD>(ES_PASSWORD) : 0u});
    }
    SendMessageW(txtProxyPwd.Handle(), EM_SETPASSWORDCHAR, L'*', 0);
    lblProxyNote.Create(at, {.Id = ids::kLblProxyNote,
                             .Text = texts::kProxyNote,
                             .At = {boxX, top + 102, 240, 14},
                             .Font = context.BoldFont});

    txtProxyServer.OnChange = [this] { proxy_.SetServer(txtProxyServer.Text()); };
    txtProxyUser.OnChange = [this] { proxy_.SetUserName(txtProxyUser.Text()); };
    txtProxyPwd.OnChange = [this] { proxy_.SetPassword(txtProxyPwd.Text()); };
    UpdateView();
}

void TSupportPage::UpdateView() {
    if (!ContentCreated()) return;
    const ProxyDetails& details = proxy_.Details();
    // Only a box whose text differs is set, so that typing keeps its caret.
    for (auto [box, text] : {std::pair{&txtProxyServer, &details.Server}, std::pair{&txtProxyUser, &details.UserName},
                             std::pair{&txtProxyPwd, &details.Password}})
        if (box->Text() != *text) box->SetTextSilently(*text);
}

}  // namespace tarvex
