#pragma once
// The "History" of the TCP/IP values: the records kept before each change and the connection
// tests, newest first; what the selected change altered (value, before, after), or how the
// selected test compares with the one before it; and "Restore" to write a change's earlier state
// back. Modal over the main window.
#include <windows.h>

#include <functional>
#include <vector>

#include "platform/win32/controls.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"
#include "measure/connection_test.h"
#include "tuning/backup.h"

namespace tarvex {

class THistoryDialog final : public Window {
public:
    static constexpr wchar_t kClassName[] = L"THistoryDialog";
    static constexpr int kWidth = 560;
    static constexpr int kHeight = 400;

    // `history` and `tests` read the records afresh; `restore` writes one back and says whether it did.
    THistoryDialog(std::function<std::vector<BackupRecord>()> history, std::function<std::vector<TestRecord>()> tests,
                   std::function<bool(std::uint32_t)> restore);

    void ShowModal(HWND owner);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Reload();
    void ShowChanges();
    void Close();

    // A row of the list: a change's record or a test, by its index in its own list.
    struct Row {
        bool Test = false;
        std::size_t Index = 0;
    };

    std::function<std::vector<BackupRecord>()> history_;
    std::function<std::vector<TestRecord>()> tests_;
    std::function<bool(std::uint32_t)> restore_;
    std::vector<BackupRecord> records_;
    std::vector<TestRecord> testRecords_;
    std::vector<Row> rows_;
    HWND owner_ = nullptr;
    bool done_ = false;
    UniqueFont font_;
    TLabel lblRecords, lblChanges;
    TListView lvRecords, lvChanges;
    TButton btnRestore, btnClose;
};

}  // namespace tarvex
