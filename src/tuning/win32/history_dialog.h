#pragma once
// The "History" of the TCP/IP values: the records kept before each change, newest first, what
// the selected one changed (value, before, after), and "Restore" to write its earlier state
// back. Modal over the main window.
#include <windows.h>

#include <functional>
#include <vector>

#include "platform/win32/controls.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"
#include "tuning/backup.h"

namespace tarvex {

class THistoryDialog final : public Window {
public:
    static constexpr wchar_t kClassName[] = L"THistoryDialog";
    static constexpr int kWidth = 560;
    static constexpr int kHeight = 400;

    // `history` reads the records afresh; `restore` writes one back and says whether it did.
    THistoryDialog(std::function<std::vector<BackupRecord>()> history, std::function<bool(std::uint32_t)> restore);

    void ShowModal(HWND owner);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Reload();
    void ShowChanges();
    void Close();

    std::function<std::vector<BackupRecord>()> history_;
    std::function<bool(std::uint32_t)> restore_;
    std::vector<BackupRecord> records_;
    HWND owner_ = nullptr;
    bool done_ = false;
    UniqueFont font_;
    TLabel lblRecords, lblChanges;
    TListView lvRecords, lvChanges;
    TButton btnRestore, btnClose;
};

}  // namespace tarvex
