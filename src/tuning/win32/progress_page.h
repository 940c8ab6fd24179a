#pragma once
// The progress page of a tuning run: the notice, the list of tasks with their icons and
// percentages, the progress bar, "Working. Please wait..." and "&OK". It mirrors the tuning
// run model.
#include "app/win32/page.h"
#include "platform/win32/pictures.h"
#include "tuning/tuning_run.h"

namespace tarvex {

class TProgressPage final : public TPage {
public:
    explicit TProgressPage(TuningRunModel& model) : model_(model) {}
    void UpdateView() override;

protected:
    void CreateContent(const PageContext& context) override;

private:
    TuningRunModel& model_;
    UniqueImageList images_;  // the 16-pixel strip: signal bars, hourglass, check mark
    TLabel lblOptimizing, txtWorking;
    TListView ListViewProgress;
    TProgressBar ProgressBarOptimize;  // a known end: the system bar, not the busy one
    TButton btnOK;
};

}  // namespace tarvex
