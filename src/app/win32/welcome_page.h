#pragma once
// The Welcome page: the welcome text over the connection scenario choice.
#include "app/win32/page.h"
#include "controls/win32/html_label.h"

namespace tarvex {

class TWelcomePage final : public TPage {
protected:
    void CreateContent(const PageContext& context) override;

private:
    TQmHtmlLabel HTMLabel1;
};

}  // namespace tarvex
