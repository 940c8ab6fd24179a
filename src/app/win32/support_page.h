#pragma once
// The Support page: "Ask Questions", "Check for updates", the update progress line and the
// proxy details.
#include <array>

#include "app/program_options.h"
#include "app/win32/page.h"
#include "platform/win32/pictures.h"

namespace tarvex {

class TSupportPage final : public TPage {
public:
    explicit TSupportPage(ProxyDetailsModel& proxy) : proxy_(proxy) {}
    void UpdateView() override;

protected:
    void CreateContent(const PageContext& context) override;

private:
    ProxyDetailsModel& proxy_;
    Picture picture_;
    TLabel lblAskQuestions, lblCheckUpdates, lblUpdateProgress, lblProxyNote;
    TButton btnAskQuestions, btnCheckUpdates;
    TGroupBox gbProxyDetails;
    std::array<TLabel, 3> proxyLabels_;
    TEdit txtProxyServer, txtProxyUser, txtProxyPwd;
};

}  // namespace tarvex
