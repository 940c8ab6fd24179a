#pragma once
// The About page: the product title, the version, the logo, the contact addresses and the
// legal notice.
#include <string>

#include "app/win32/page.h"
#include "links/win32/auto_url_label.h"
#include "platform/win32/pictures.h"

namespace tarvex {

class TAboutPage final : public TPage {
public:
    // The version label's text ("Version 2.01"); kept for when the page is made.
    void SetVersionCaption(std::string caption);
    // Where the web-site link leads (with the tracking text); kept for when the page is made.
    void SetWebSiteUrl(std::string url);

protected:
    void CreateContent(const PageContext& context) override;

private:
    std::string versionCaption_, webSiteUrl_;
    Picture logo_;
    TLabel lblTitle, lblVersion, bevel_;
    TAutoURLLabel AutoURLLabel2, lblURL;  // the e-mail address, the web site
    TMemo memoLegal_;
};

}  // namespace tarvex
