#include "tuning/win32/history_dialog.h"

#include "common/date_time.h"
#include "common/win32/window_utils.h"
#include "measure/test_report.h"
#include "platform/win32/message_loop.h"

namespace tarvex {
namespace {

enum Id : int { kRecords = 100, kChanges, kRestore, kClose };

}  // namespace

THistoryDialog::THistoryDialog(std::function<std::vector<BackupRecord>()> history,
                               std::function<std::vector<TestRecord>()> tests,
                               std::function<bool(std::uint32_t)> restore)
    : history_(std::move(history)), tests_(std::move(tests)), restore_(std::move(restore)) {}

void THistoryDialog::ShowModal(HWND owner) {
    owner_ = owner;
    RECT over = ScreenArea();
    if (owner) GetWindowRect(owner, &over);
    CreateDialogFrame(kClassName, L"History", kWidth, kHeight, over, owner);
    const int dpi = ScreenDpi();
    font_.reset(CreatePointFont(L"Tahoma", 8, dpi));
    const Surface at{Handle(), dpi, font_.get()};
    lblRecords.Create(
        at, {.Text = "Recorded before each change, and each connection test, newest first:", .At = {12, 10, 536, 14}});
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
        if (index < 0 || index >= static_cast<int>(rows_.size()) || rows_[static_cast<size_t>(index)].Test) return;
        if (restore_(records_[rows_[static_cast<size_t>(index)].Index].Id)) Reload();
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
    testRecords_ = tests_ ? tests_() : std::vector<TestRecord>{};
    // Both lists come newest first; merged by time, so that the tests stand before and after the
    // changes they measured.
    rows_.clear();
    std::size_t change = 0, test = 0;
    while (change < records_.size() || test < testRecords_.size()) {
        const bool takeTest = test < testRecords_.size() &&
                              (change == records_.size() || testRecords_[test].Time > records_[change].Time);
        rows_.push_back(takeTest ? Row{true, test++} : Row{false, change++});
    }
    std::vector<std::vector<std::string>> rows;
    for (const Row& row : rows_) {
        if (row.Test) {
            const TestRecord& record = testRecords_[row.Index];
            rows.push_back({DateTimeText(record.Time), "Connection test", record.Host, ""});
        } else {
            const BackupRecord& record = records_[row.Index];
            rows.push_back({DateTimeText(record.Time), std::string(BackupActionText(record.Action)),
                            record.WindowsRelease, record.ProgramVersion});
        }
    }
    lvRecords.SetRows(rows);
    lvRecords.SetItemIndex(rows_.empty() ? -1 : 0);
    ShowChanges();
}

void THistoryDialog::ShowChanges() {
    const int index = lvRecords.ItemIndex();
    std::vector<std::vector<std::string>> rows;
    const bool valid = index >= 0 && index < static_cast<int>(rows_.size());
    const bool test = valid && rows_[static_cast<size_t>(index)].Test;
    if (valid && test) {
        // The test before it is the next one in the list, which runs newest first.
        const std::size_t at = rows_[static_cast<size_t>(index)].Index;
        const TestRecord* previous = at + 1 < testRecords_.size() ? &testRecords_[at + 1] : nullptr;
        for (const TestComparison& line : CompareTests(testRecords_[at], previous))
            rows.push_back({line.Value, line.Before, line.After});
    } else if (valid) {
        for (const ValueChange& change : RecordChanges(records_[rows_[static_cast<size_t>(index)].Index]))
            rows.push_back({change.Value, change.Before, change.After});
    }
    lvChanges.SetRows(rows);
    btnRestore.SetEnabled(valid && !test);
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
