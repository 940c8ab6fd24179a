#include "update/win32/update_commands.h"

#include <optional>

#include "common/win32/date_time_win32.h"
#include "common/win32/delay_win32.h"
#include "controls/win32/message_prompt.h"
#include "update/scheduled_check.h"
#include "update/win32/update_check_progress.h"
#include "update/win32/update_platform.h"
#include "update/win32/update_wizard_window.h"
#include "platform/win32/message_loop.h"

namespace tarvex {
namespace {

// The scheduled check's windows: "Update Check" with the program's other windows disabled,
// the question, and the wizard.
class CheckWindows final : public ScheduledCheckHost {
public:
    explicit CheckWindows(const UpdateContext& context) : context_(context) {}
    ~CheckWindows() override { CloseCheckWindow(); }

    double Now() override { return tarvex::Now(); }
    void ShowCheckWindow() override {
        window_.emplace();
        window_->Create();
        others_.emplace(window_->Handle());
        window_->Start();
    }
    void SetCheckBottomText(std::string_view text) override { window_->SetBottomText(text); }
    void StopCheckAnimation() override { window_->StopAnimation(); }
    void CloseCheckWindow() override {
        others_.reset();
        window_.reset();
    }
    bool AskYesNo(std::string_view question) override {
        return MessagePrompt(question, MsgDlgType::mtInformation, mbYes | mbNo) == IDYES;
    }
    void ShowUpdateWizard() override { tarvex::ShowUpdateWizard("", context_); }
    void Wait(std::uint32_t milliseconds) override { Delay(milliseconds); }

private:
    const UpdateContext& context_;
    std::optional<TUpdateCheckProgress> window_;
    std::optional<OtherWindowsDisabled> others_;
};

}  // namespace

std::string& UpdateURL() {
    static std::string url;
    return url;
}

void ShowUpdateWizard(std::string_view address, const UpdateContext& context) {
    if (!address.empty()) UpdateURL() = address;
    WinInetTransfer transfer(context.Proxy);
    TfrmUpdateWizard wizard(transfer, context.Terminate);
    wizard.WebUpdate().ProductInfo.SetURL(UpdateURL());
    wizard.SetAutoStart();
    wizard.ShowModal();
}

bool ScheduledUpdateCheck(std::string_view address, double& lastCheck, int interval, const UpdateContext& context) {
    WinInetTransfer transfer(context.Proxy);
    Win32UpdateFileSystem files;
    Win32UpdateHost host;
    host.OnTerminate = context.Terminate;
    CheckWindows windows(context);
    return ScheduledUpdateCheck(address, lastCheck, interval, UpdateURL(), UpdatePorts{transfer, files, host}, windows);
}

}  // namespace tarvex
