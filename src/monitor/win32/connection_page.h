#pragma once
// The Connection State page: the adapter to monitor, the figures of the throughput meter, the
// two history graphs and the links that stop, start and reset the counting. It mirrors the
// meter, which the frame owns and ticks.
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "app/win32/page.h"
#include "controls/win32/html_label.h"
#include "controls/win32/overload_indicator.h"
#include "monitor/throughput_meter.h"

namespace tarvex {

class TConnectionStatePage final : public TPage {
public:
    explicit TConnectionStatePage(ThroughputMeter& meter) : meter_(meter) {}
    void UpdateView() override;

protected:
    void CreateContent(const PageContext& context) override;

private:
    // The bars that came before the page was first shown, so that its graphs open with the
    // recent history; no more than a graph shows.
    static constexpr std::size_t kKeptBars = 300;
    struct Bar {
        GraphValues In, Out;
    };
    void AppendBar(const Bar& bar);

    ThroughputMeter& meter_;
    std::deque<Bar> pendingBars_;
    std::uint64_t barsSeen_ = 0;
    std::uint32_t adapterListShown_ = 0;

    TGroupBox gbAdapter, gbStatistics;
    TLabel lblSelectAdapter, lblIncomingData, lblOutgoingData;
    std::vector<std::unique_ptr<TLabel>> figureCaptions_;
    TComboBox cbAdapter;
    TLabel lblRateIn, lblRateOut, lblRateTotal, lblAverageIn, lblAverageOut, lblPeakIn, lblPeakOut;
    TOverloadIndicator OverloadIndicatorIn, OverloadIndicatorOut;
    TQmHtmlLabel lblStopCounter, lblResetCounters;
};

}  // namespace tarvex
