#include "tuning/win32/history_dialog.h"

#include "common/date_time.h"
#include "common/win32/window_utils.h"
#include "platform/win32/message_loop.h"

namespace tarvex {
namespace {

enum Id : int { kRecords = 100, kChanges, kRestore, kClose };

}  // namespace

THistoryDialog::THistoryDialog(std::function<std::vector<BackupRecord>()> history,
                               std::function<bool(std::uint32_t)> restore)
    : history_(std::move(history)), restore_(std::move(restore)) {}

void THistoryDialog::ShowModal(HWND owner) {
    owner_ = owner;
    RECT over = ScreenArea();
    if (owner) GetWindowRect(owner, &over);
    CreateDialogFrame(kClassName, L"History", kWidth, kHeight, over, owner);
    const int dpi = ScreenDpi();
    font_.reset(CreatePointFont(L"Tahoma", 8, dpi));
    const Surface at{Handle(), dpi, font_.get()};
    lblRecords.Create(at, {.Text = "Recorded before each change, newest first:", .At = {12, 10, 536, 14}});
    lvRecords.Create(at, {.Id = kRecords, .At = {12, 28, 536, 140}});
    lvRecords.AddColumn("Time", 120);
    lvRecords.AddColumn("Action", 120);
    lvRecords.AddColumn("Windows", 170);
    lvRecords.AddColumn("Version", 100);
    lblChanges.Create(at, {.Text = "What the change altered:", .At = {12, 178, 536, 14}});
    lvChanges.Create(at, {.Id = kChanges, .At = {12, 196, 536, 150}});
    lvChanges.AddColumn("Value", 250);
    lvChanges.AddColumn("Before", 135);
    lvChanges.AddColumn("After", 135);
    btnRestore.Create(at, {.Id = kRestore, .Text = "&Restore", .At = {392, 358, 75, 25}});
    btnClose.Create(at, {.Id = kClose, .Text = "&Close", .At = {473, 358, 75, 25}});
    lvRecords.OnChange = [this] { ShowChanges(); };
    btnRestore.OnClick = [this] {
        const int index = lvRecords.ItemIndex();
        if (index < 0 || index >= static_cast<int>(records_.size())) return;
        if (restore_(records_[static_cast<size_t>(index)].Id)) Reload();
    };
    btnClose.OnClick = [this] { Close(); };
    ApplyFormFont(Handle());
    Reload();

    if (owner_) EnableWindow(owner_, FALSE);
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    RunModalLoop(done_, Handle());
    Close();
}

void THistoryDialog::Reload() {
    records_ = history_();
    std::vector<std::vector<std::string>> rows;
    for (const BackupRecord& record : records_)
        rows.push_back({DateTimeText(record.Time), std::string(BackupActionText(record.Action)), record.WindowsRelease,
                        record.ProgramVersion});
    lvRecords.SetRows(rows);
    lvRecords.SetItemIndex(records_.empty() ? -1 : 0);
    ShowChanges();
}

void THistoryDialog::ShowChanges() {
    const int index = lvRecords.ItemIndex();
    std::vector<std::vector<std::string>> rows;
    if (index >= 0 && index < static_cast<int>(records_.size()))
        for (const ValueChange& change : RecordChanges(records_[static_cast<size_t>(index)]))
            rows.push_back({change.Value, change.Before, change.After});
    lvChanges.SetRows(rows);
    btnRestore.SetEnabled(index >= 0);
}

void THistoryDialog::Close() {
    if (done_) return;
    done_ = true;
    if (owner_) EnableWindow(owner_, TRUE);
    if (Handle()) ShowWindow(Handle(), SW_HIDE);  // destroyed with the object, off this window's own stack
}

LRESULT THistoryDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && !lParam)) {
        Close();
        return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
}

}  // namespace tarvex
