#include "app/win32/about_page.h"

#include "app/main_form_texts.h"
#include "app/win32/control_ids.h"
#include "links/url_builder.h"

namespace tarvex {

void TAboutPage::SetVersionCaption(std::string caption) {
    versionCaption_ = std::move(caption);
    if (lblVersion.Handle()) lblVersion.SetText(versionCaption_);
}

void TAboutPage::SetWebSiteUrl(std::string url) {
    webSiteUrl_ = std::move(url);
    if (lblURL.Handle()) lblURL.SetURL(webSiteUrl_);
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
    // Each link only as wide as its text, centred, so that the hand shows over the text alone.
    const auto centredLink = [&](TAutoURLLabel& label, int id, std::string_view caption, int y) {
        label.Create(at, {.Id = id, .Text = std::string(caption), .At = {0, y, 0, 14}});
        const int linkWidth = at.Unscale(TextWidth(label.Font(), caption, false)) + 2;
        label.SetBoundsAt96({(width - linkWidth) / 2, y, linkWidth, 14});
    };
    centredLink(AutoURLLabel2, ids::kLblEmail, SupportAddress(), 134);
    AutoURLLabel2.SetURL(SupportMailUrl());
    const std::string_view site = TarvexProduct().Site;
    centredLink(lblURL, ids::kLblURL, site.substr(site.find("://") + 3), 152);
    if (!webSiteUrl_.empty()) lblURL.SetURL(webSiteUrl_);
    bevel_.Create(at, {.Id = ids::kBevelAbout, .At = {8, 178, width - 16, 2}, .Style = SS_ETCHEDHORZ});
    memoLegal_.Create(
        at, {.Id = ids::kMemoLegal, .Text = texts::kLegalNotice, .At = {8, 188, width - 16, context.Height - 196}});
}

}  // namespace tarvex
