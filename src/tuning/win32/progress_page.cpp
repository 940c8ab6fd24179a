#include "tuning/win32/progress_page.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "resource_ids.h"

namespace tarvex {

void TProgressPage::CreateContent(const PageContext& context) {
    const Surface& at = context.Where;
    constexpr int kListWidth = kTaskColumnWidth + kProgressColumnWidth + 4;  // the columns and the border
    const int left = (context.Width - kListWidth) / 2;

    lblOptimizing.Create(at, {.Id = ids::kLblOptimizing,
                              .Text = std::string(kOptimizingText),
                              .At = {8, 14, context.Width - 16, 56},
                              .Style = SS_CENTER});

    ListViewProgress.Create(at, {.Id = ids::kListViewProgress, .At = {left, 74, kListWidth, 180}, .Style = WS_GROUP});
    images_ = LoadImageStrip(IDB_IMAGELIST16_PROGRESS, 16);
    ListViewProgress.SetImages(images_.get());
    ListViewProgress.AddColumn(kTaskColumn, kTaskColumnWidth);
    ListViewProgress.AddColumn(kProgressColumn, kProgressColumnWidth);

    ProgressBarOptimize.Create(at, {.Id = ids::kProgressBarOptimize, .At = {left, 264, kListWidth, 17}});
    ProgressBarOptimize.SetRange(0, kProgressBarMax);
    txtWorking.Create(at, {.Id = ids::kTxtWorking, .Text = std::string(kWorkingText), .At = {left, 290, 200, 14}});
    btnOK.Create(at, {.Id = ids::kBtnOK,
                      .Text = std::string(kOKCaption),
                      .At = {left + kListWidth - 75, context.Height - 39, 75, 25},
                      .Style = WS_GROUP});
    btnOK.OnClick = [this] { model_.btnOKClick(); };
    UpdateView();
}

void TProgressPage::UpdateView() {
    if (!ContentCreated()) return;
    std::vector<ListRow> rows;
    rows.reserve(model_.Items().size());
    for (const ProgressItem& item : model_.Items())
        rows.push_back({{item.Task, item.Progress}, static_cast<int>(item.Icon)});
    ListViewProgress.SetRows(rows);
    ProgressBarOptimize.SetPosition(model_.ProgressBarPosition());
    ProgressBarOptimize.SetVisible(model_.ProgressBarVisible());
    txtWorking.SetVisible(model_.WorkingVisible());
    // "OK" takes the focus when it comes, so that Enter ends the run's page.
    const bool okShown = btnOK.Visible();
    btnOK.SetVisible(model_.OKVisible());
    if (model_.OKVisible() && !okShown && IsWindowVisible(Handle())) SetFocus(btnOK.Handle());
}

}  // namespace tarvex
