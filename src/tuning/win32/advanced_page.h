#pragma once
// The advanced editor: a tab per topic over the TCP/IP values and the adapters' MTU, with
// "Refresh", "Apply" and "Help". The editor and adapters models hold every control's state.
#include <functional>
#include <memory>
#include <vector>

#include "app/win32/page.h"
#include "app/win32/panels.h"
#include "controls/win32/html_label.h"
#include "platform/registry_access.h"
#include "platform/win32/pictures.h"
#include "tuning/adapters.h"
#include "tuning/advanced_editor.h"

namespace tarvex {

class TAdvancedPage final : public TPage {
public:
    // `undoAvailable` tells whether "Undo last change" has a backup to write back.
    TAdvancedPage(AdvancedEditorModel& editor, AdaptersModel& adapters, RegistryAccess& registry,
                  std::function<bool()> undoAvailable)
        : editor_(editor), adapters_(adapters), registry_(registry), undoAvailable_(std::move(undoAvailable)) {}
    void UpdateView() override;

protected:
    void CreateContent(const PageContext& context) override;

private:
    void CreateGeneralTab(const Surface& at, int width, int height);
    void CreateMtuTab(const Surface& at, int width, int height);
    void CreateRwinTtlTab(const Surface& at, int width);
    void CreateHttpTab(const Surface& at, int width, int height);
    void CreateTcplwTab(const Surface& at, int width, int height);
    void CreateAckTab(const Surface& at, int width, int height);
    void CreateModernTab(const Surface& at, int width, int height);
    // A greyed classic value's note, shown only where this Windows does not read the value.
    void CreateNotUsed(const Surface& at, TLabel& label, int id, int x, int y, int width);
    // A wrapping explanatory text of a tab, as high as its lines; returns its bottom.
    int AddText(const Surface& at, const char* text, int x, int y, int width);
    // A read-only number box with its spinner.
    static void CreateSpinner(const Surface& at, TEdit& box, TUpDown& spinner, int boxId, int spinnerId, int x, int y,
                              const PositionRange& range);

    AdvancedEditorModel& editor_;
    AdaptersModel& adapters_;
    RegistryAccess& registry_;
    std::function<bool()> undoAvailable_;
    UniqueImageList images_;  // the 16-pixel strip: image 0 is a network card

    TPageControl PageControlAdvanced;
    TButton btnUndoLastChange, btnRefresh, btnApply, btnHelp2, btnTestConnection2;
    std::function<void(const Route&)> navigate_;
    TQmHtmlLabel HTMLabelAdvanced;
    std::vector<std::unique_ptr<TLabel>> texts_;
    TGroupBox gbGeneral, gbMTU, gbRWIN, gbTTL, gbHTTP, gbTCPLW, gbACK;
    TCheckBox rbEnableBlackHoleDetection, rbEnableAutoMTUDetection, chkSACK, chkHTTPConn, chkTCPLW;
    TListView ListViewAdapters;
    TRadioButton rbMTUDefault, rbMTU, rbRWINDefault, rbRWINCustom, rbTTLDefault, rbTTLCustom, rbACKDefault, rbACKCustom;
    TComboBox cbMTU, cbTCPLW;
    TEdit txtRWIN, txtTTL, txtACK;
    TUpDown udRWIN, udTTL, udACK;
    TLabel lblTimes, lblRWINValueLbl, lblRWINValue, lblHTTP10Left, lblHTTP11Left, lblHTTP10, lblHTTP11;
    TTrackBar tbHTTP10, tbHTTP11;
    // "Modern TCP"
    TGroupBox gbModern;
    TLabel lblModernStatus, lblModernSetTo, lblModernWhy;
    TListView ListViewModern;
    TComboBox cbModern;
    int shownModernRow_ = -2;  // the row whose entries `cbModern` holds
    TLabel lblNotUsedRwin, lblNotUsedSack, lblNotUsedTcplw, lblNotUsedAck;
};

}  // namespace tarvex
