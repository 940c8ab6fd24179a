#include "app/win32/about_page.h"

#include "app/main_form_texts.h"
#include "app/win32/control_ids.h"

namespace tarvex {

void TAboutPage::SetVersionCaption(std::string caption) {
    versionCaption_ = std::move(caption);
    if (lblVersion.Handle()) lblVersion.SetText(versionCaption_);
}

void TAboutPage::CreateContent(const PageContext& context) {
    const Surface& at = context.Where;
    const int width = context.Width;
    lblTitle.Create(at, {.Id = ids::kLblTitle,
                         .Text = texts::kProductTitle,
                         .At = {8, 16, width - 16, 18},
                         .Style = SS_CENTER,
                         .Font = context.TitleFont});
    lblVersion.Create(
        at, {.Id = ids::kLblVersion, .Text = versionCaption_, .At = {8, 38, width - 16, 14}, .Style = SS_CENTER});
    logo_ = LoadPicture(L"LOGO");
    AddPicture(logo_, at.Scale((width - 64) / 2), at.Scale(60));
    lblEmail.Create(at, {.Id = ids::kLblEmail,
                         .Text = texts::kSupportAddress,
                         .At = {8, 134, width - 16, 14},
                         .Style = SS_CENTER,
                         .Font = context.LinkFont});
    lblURL.Create(at, {.Id = ids::kLblURL,
                       .Text = texts::kWebAddress,
                       .At = {8, 152, width - 16, 14},
                       .Style = SS_CENTER,
                       .Font = context.LinkFont});
    bevel_.Create(at, {.Id = ids::kBevelAbout, .At = {8, 178, width - 16, 2}, .Style = SS_ETCHEDHORZ});
    memoLegal_.Create(
        at, {.Id = ids::kMemoLegal, .Text = texts::kLegalNotice, .At = {8, 188, width - 16, context.Height - 196}});
}

}  // namespace tarvex
