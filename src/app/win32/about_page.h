#pragma once
// The About page: the product title, the version, the logo, the contact addresses and the
// legal notice.
#include <string>

#include "app/win32/page.h"
#include "platform/win32/pictures.h"

namespace tarvex {

class TAboutPage final : public TPage {
public:
    // The version label's text ("Version 2.01"); kept for when the page is made.
    void SetVersionCaption(std::string caption);

protected:
    void CreateContent(const PageContext& context) override;

private:
    std::string versionCaption_;
    Picture logo_;
    TLabel lblTitle, lblVersion, lblEmail, lblURL, bevel_;
    TMemo memoLegal_;
};

}  // namespace tarvex
