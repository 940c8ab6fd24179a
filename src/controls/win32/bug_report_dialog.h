#pragma once
// The "Bug Report" dialog: the application's handler for errors that nothing caught. It puts
// the report on the clipboard as it opens, shows the message and the first lines of the call
// stack, and offers to hand the report to the user's mail program. The program goes on
// afterwards. One dialog at a time: errors while it is open (its own included) are not shown.
//
//     SetUnhandledErrorHandler([](std::exception_ptr error) { ShowBugReport(error, std::string(SupportAddress())); });
#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "controls/bug_report.h"
#include "controls/win32/html_label.h"
#include "controls/win32/qm_panels.h"
#include "platform/win32/controls.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"

namespace tarvex {

namespace bug_report_ids {
inline constexpr int kHeader = 100;
inline constexpr int kTitle = 101;
inline constexpr int kReport = 102;
inline constexpr int kEmailLabel = 103;
inline constexpr int kEmail = 104;
inline constexpr int kSend = IDOK;
inline constexpr int kDontSend = IDCANCEL;
}  // namespace bug_report_ids

// The calling thread's stack as "module+0xoffset" lines, innermost first, from `skip` frames
// above the caller on.
std::vector<std::string> CaptureStackLines(unsigned skip = 0);

// The report of an error at this point: its message, the call stack, the program's version
// and the Windows release.
BugReport MakeBugReport(std::exception_ptr error);

// Puts the text on the clipboard as Unicode text; false when the clipboard is not to be had.
bool CopyTextToClipboard(HWND owner, const std::string& text);

class TBugReportDialog : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TBugReportDialog";

    TBugReportDialog(BugReport report, std::string supportAddress);
    ~TBugReportDialog() override;

    // Makes the window (hidden) over the owner; throws Win32Error when the system refuses.
    void Create(HWND owner);
    // Shows the window and runs its loop until a button or the close box ends it; the owner is
    // disabled meanwhile.
    void ShowModal();

    const BugReport& Report() const { return report_; }
    std::string Caption() const { return label_.Caption(); }
    const TQmHtmlLabel& ReportLabel() const { return label_; }
    // The mailto: address "Send Error Report" opens.
    std::string MailAddress() const;

protected:
    // Hands the address to the shell.
    virtual void OpenMail(const std::string& address);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateContent();
    void Close();

    BugReport report_;
    std::string supportAddress_;
    HWND owner_ = nullptr;
    bool done_ = false;
    UniqueFont font_;
    TQmHeader header_;
    TQmHtmlLabel title_;
    TQmHtmlLabel label_;
    TLabel emailLabel_;
    TEdit email_;
    TButton send_;
    TButton dontSend_;
};

// The handler for errors that nothing caught: copies the report to the clipboard and shows the
// dialog, unless one is open already. Never throws.
void ShowBugReport(std::exception_ptr error, const std::string& supportAddress) noexcept;
// Whether a "Bug Report" dialog is open now.
bool BugReportOpen() noexcept;

}  // namespace tarvex
