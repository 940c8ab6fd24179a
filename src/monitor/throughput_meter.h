#pragma once
// The connection monitor's state and rules: the adapter list built from the interface table,
// one statistics record per adapter, the figures and graph values of the selected adapter, and
// the counting switch. The frame owns it for the life of the program and drives its timer
// from TimerEnabled(); the Connection State page and the side panel copy its state on
// OnChange, raised once per operation that changed something.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/statistics.h"
#include "platform/interface_table.h"

namespace tarvex {

inline constexpr std::uint32_t kBandwidthIntervalMs = 1000;  // TimerBandwidth
inline constexpr std::int32_t kGraphLayoutMaxValue = 100;    // the graphs' maximum in the window layout

// The label texts; lblRateIn2 and lblRateOut2 in the side panel show lblRateIn and lblRateOut.
struct MeterTexts {
    std::string lblAdapterName;
    std::string lblRateIn;
    std::string lblRateOut;
    std::string lblRateTotal;
    std::string lblAverageIn;
    std::string lblAverageOut;
    std::string lblPeakIn;
    std::string lblPeakOut;
    friend bool operator==(const MeterTexts&, const MeterTexts&) = default;
};

// What a history graph is given: each tick sets Position, which appends one bar.
struct GraphValues {
    std::int32_t Position = 0;
    std::int32_t MaxValue = kGraphLayoutMaxValue;
    friend bool operator==(const GraphValues&, const GraphValues&) = default;
};

class ThroughputMeter {
public:
    // `decimalSeparator`: the user's locale's, for the figures.
    ThroughputMeter(InterfaceTable& table, std::string decimalSeparator);

    // cbAdapter's items and selection (-1: none). The items change only with
    // AdapterListRevision(), so a view refills the list only then.
    const std::vector<std::string>& AdapterNames() const { return adapterNames_; }
    std::uint32_t AdapterListRevision() const { return adapterListRevision_; }
    int SelectedAdapter() const { return selected_; }
    const TStatArr& AdapterStatistics() const { return statistics_; }

    const MeterTexts& Texts() const { return texts_; }
    const GraphValues& GraphIn() const { return graphIn_; }
    const GraphValues& GraphOut() const { return graphOut_; }
    // Bars appended so far: a view sets both graphs' Position once each time this moves on.
    std::uint64_t BarCount() const { return barCount_; }

    // lblStopCounter's Tag: 0 while counting, 1 while stopped.
    int StopCounterTag() const { return counting_ ? 0 : 1; }
    const char* StopCounterCaption() const;
    bool TimerEnabled() const { return timerEnabled_; }

    // The main window's creation: two readings of the table, the first a reset, then the
    // timer runs.
    void Start();
    // Reads the table and resets the statistics from it (`reset`) or counts one tick.
    void SampleAdapters(bool reset);
    // A reset followed at once by a tick, so the figures show the reset.
    void ResetCounters();
    // TimerBandwidth's tick; the timer is off while it runs.
    void Tick();
    // cbAdapter's choice or the stored one; an index outside the list selects nothing and
    // shows "No Adapter Selected" and no figures.
    void SelectAdapter(int index);
    // The two links under the graphs; ids other than "#1" do nothing.
    void lblStopCounterLinkClick(std::string_view linkId);
    void lblResetCountersLinkClick(std::string_view linkId);

    std::function<void()> OnChange;

private:
    void ShowNoAdapter();
    bool InitStatistics(const TIfRows& rows);
    bool UpdateStatistics(const TIfRows& rows);
    bool Sample(bool reset);
    void ReadWholeTable();
    bool ReadSelectedRow();
    void Changed(bool changed);
    std::string Kb(std::uint64_t octets) const;

    InterfaceTable& table_;
    std::string decimalSeparator_;
    // The latest whole read, its selected row refreshed by each tick since.
    TIfRows rows_;
    std::optional<std::uint32_t> countAtWholeRead_;  // the interfaces counted just before it
    std::vector<std::string> adapterNames_;
    std::uint32_t adapterListRevision_ = 0;
    int selected_ = -1;
    TStatArr statistics_;
    MeterTexts texts_;
    GraphValues graphIn_;
    GraphValues graphOut_;
    std::uint64_t barCount_ = 0;
    bool counting_ = true;
    bool timerEnabled_ = false;
};

}  // namespace tarvex
