#include "monitor/win32/connection_page.h"

#include <string>

#include "app/win32/control_ids.h"
#include "monitor/monitor_texts.h"

namespace tarvex {
namespace {

namespace t = monitor_texts;

constexpr int kGraphWidth = 293;
constexpr int kGraphHeight = 50;

}  // namespace

void TConnectionStatePage::CreateContent(const PageContext& context) {
    const Surface& at = context.Where;
    const int width = context.Width - 16;
    gbAdapter.Create(at, {.Id = ids::kGbAdapter, .Text = t::kAdapterGroup, .At = {8, 8, width, 68}});
    lblSelectAdapter.Create(at, {.Id = ids::kLblSelectAdapter, .Text = t::kSelectAdapter, .At = {18, 26, 300, 14}});
    cbAdapter.Create(at, {.Id = ids::kCbAdapter, .At = {18, 44, width - 20, 200}, .Style = WS_GROUP});
    cbAdapter.OnChange = [this] { meter_.SelectAdapter(cbAdapter.ItemIndex()); };

    gbStatistics.Create(at, {.Id = ids::kGbStatistics, .Text = t::kStatisticsGroup, .At = {8, 84, width, 112}});
    const std::pair<const char*, TLabel*> figures[] = {
        {t::kCurrentIncoming, &lblRateIn},     {t::kCurrentOutgoing, &lblRateOut},
        {t::kTotalThroughput, &lblRateTotal},  {t::kAverageIncoming, &lblAverageIn},
        {t::kAverageOutgoing, &lblAverageOut},
    };
    const int figureIds[] = {ids::kLblRateIn, ids::kLblRateOut, ids::kLblRateTotal, ids::kLblAverageIn,
                             ids::kLblAverageOut};
    int y = 104;
    for (size_t i = 0; i < std::size(figures); ++i, y += 18) {
        auto caption = std::make_unique<TLabel>();
        caption->Create(
            at,
            {.Id = ids::kFirstMonitorCaption + static_cast<int>(i), .Text = figures[i].first, .At = {18, y, 160, 14}});
        figureCaptions_.push_back(std::move(caption));
        figures[i].second->Create(at, {.Id = figureIds[i], .At = {190, y, width - 192, 14}, .Style = SS_ENDELLIPSIS});
    }

    // The graphs, each under its caption with its peak to its right.
    const struct {
        TLabel& Caption;
        const char* Text;
        TOverloadIndicator& Graph;
        int GraphId;
        TLabel& Peak;
        int PeakId;
        int Y;
    } graphs[] = {
        {lblIncomingData, t::kIncomingData, OverloadIndicatorIn, ids::kOverloadIndicatorIn, lblPeakIn, ids::kLblPeakIn,
         204},
        {lblOutgoingData, t::kOutgoingData, OverloadIndicatorOut, ids::kOverloadIndicatorOut, lblPeakOut,
         ids::kLblPeakOut, 278},
    };
    for (const auto& graph : graphs) {
        graph.Caption.Create(at, {.Id = ids::kFirstMonitorCaption + 8 + graph.GraphId - ids::kOverloadIndicatorIn,
                                  .Text = graph.Text,
                                  .At = {8, graph.Y, 200, 14},
                                  .Font = context.BoldFont});
        graph.Graph.Create(Handle(), graph.GraphId, at.Scale(8), at.Scale(graph.Y + 16), at.Scale(kGraphWidth),
                           at.Scale(kGraphHeight));
        graph.Graph.SetMaxValue(kGraphLayoutMaxValue);
        graph.Peak.Create(
            at, {.Id = graph.PeakId,
                 .At = {kGraphWidth + 16, graph.Y + 16 + (kGraphHeight - 14) / 2, width - kGraphWidth - 8, 14},
                 .Style = SS_ENDELLIPSIS});
    }

    // The links at the bottom right, each as wide as its text.
    const int linkY = context.Height - 24;
    for (auto [label, id, x] : {std::tuple{&lblStopCounter, ids::kLblStopCounter, context.Width - 200},
                                std::tuple{&lblResetCounters, ids::kLblResetCounters, context.Width - 100}}) {
        label->Create(Handle(), id, at.Scale(x), at.Scale(linkY), at.Scale(92), at.Scale(16));
        SendMessageW(label->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(at.Font), FALSE);
        label->SetWordBreak(false);
    }
    lblResetCounters.SetCaption(t::kResetCounters);
    lblStopCounter.OnLinkClick = [this](const std::string& id) { meter_.lblStopCounterLinkClick(id); };
    lblResetCounters.OnLinkClick = [this](const std::string& id) { meter_.lblResetCountersLinkClick(id); };

    for (const Bar& bar : pendingBars_) AppendBar(bar);
    pendingBars_.clear();
    UpdateView();
}

void TConnectionStatePage::AppendBar(const Bar& bar) {
    OverloadIndicatorIn.SetMaxValue(bar.In.MaxValue);
    OverloadIndicatorIn.SetPosition(bar.In.Position);
    OverloadIndicatorOut.SetMaxValue(bar.Out.MaxValue);
    OverloadIndicatorOut.SetPosition(bar.Out.Position);
}

void TConnectionStatePage::UpdateView() {
    // One bar per tick, whether the page shows or not.
    if (meter_.BarCount() != barsSeen_) {
        barsSeen_ = meter_.BarCount();
        const Bar bar{meter_.GraphIn(), meter_.GraphOut()};
        if (ContentCreated()) {
            AppendBar(bar);
        } else {
            pendingBars_.push_back(bar);
            if (pendingBars_.size() > kKeptBars) pendingBars_.pop_front();
        }
    }
    if (!ContentCreated()) return;

    if (meter_.AdapterListRevision() != adapterListShown_) {
        adapterListShown_ = meter_.AdapterListRevision();
        cbAdapter.SetItems(meter_.AdapterNames(), TComboBox::ItemFit::WidenList);
    }
    cbAdapter.SetItemIndex(meter_.SelectedAdapter());
    const MeterTexts& texts = meter_.Texts();
    lblRateIn.SetText(texts.lblRateIn);
    lblRateOut.SetText(texts.lblRateOut);
    lblRateTotal.SetText(texts.lblRateTotal);
    lblAverageIn.SetText(texts.lblAverageIn);
    lblAverageOut.SetText(texts.lblAverageOut);
    lblPeakIn.SetText(texts.lblPeakIn);
    lblPeakOut.SetText(texts.lblPeakOut);
    if (lblStopCounter.Caption() != meter_.StopCounterCaption()) lblStopCounter.SetCaption(meter_.StopCounterCaption());
}

}  // namespace tarvex
