#include "monitor/throughput_meter.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "monitor/monitor_texts.h"

namespace tarvex {
namespace {

// The graphs hold signed 32-bit values: a larger delta would wrap to a negative bar (or a
// negative maximum) instead of a full one.
std::int32_t GraphValue(std::uint32_t octets) {
    return static_cast<std::int32_t>(std::min<std::uint32_t>(octets, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

ThroughputMeter::ThroughputMeter(InterfaceTable& table, std::string decimalSeparator)
    : table_(table), decimalSeparator_(std::move(decimalSeparator)) {
    ShowNoAdapter();
}

void ThroughputMeter::ShowNoAdapter() {
    texts_.lblAdapterName = monitor_texts::kNoAdapterSelected;
    for (std::string* figure : {&texts_.lblRateIn, &texts_.lblRateOut, &texts_.lblRateTotal, &texts_.lblAverageIn,
                                &texts_.lblAverageOut, &texts_.lblPeakIn, &texts_.lblPeakOut}) {
        *figure = monitor_texts::kNoFigure;
    }
}

const char* ThroughputMeter::StopCounterCaption() const {
    return counting_ ? monitor_texts::kStopCounters : monitor_texts::kStartCounters;
}

void ThroughputMeter::Start() {
    Sample(true);
    Sample(true);
    Sample(false);
    timerEnabled_ = counting_;
    Changed(true);
}

void ThroughputMeter::SampleAdapters(bool reset) {
    Changed(Sample(reset));
}

void ThroughputMeter::ResetCounters() {
    const bool changed = Sample(true);
    Changed(Sample(false) || changed);
}

void ThroughputMeter::Tick() {
    // A tick that was already on its way when the counters stopped counts nothing.
    if (!counting_) return;
    Changed(Sample(false));
}

void ThroughputMeter::SelectAdapter(int index) {
    selected_ = index >= 0 && index < static_cast<int>(adapterNames_.size()) ? index : -1;
    // With nothing selected no adapter is monitored: the name and figures of the one that was
    // would tell otherwise until the user picks one.
    if (selected_ < 0) ShowNoAdapter();
    Changed(true);
}

void ThroughputMeter::lblStopCounterLinkClick(std::string_view linkId) {
    if (linkId != monitor_texts::kLinkId) return;
    if (counting_) {
        // The figures keep their last values.
        timerEnabled_ = false;
        counting_ = false;
    } else {
        // Counting always starts again from fresh statistics, not the stopped period's traffic.
        Sample(true);
        Sample(false);
        counting_ = true;
        timerEnabled_ = true;
    }
    Changed(true);
}

void ThroughputMeter::lblResetCountersLinkClick(std::string_view linkId) {
    if (linkId != monitor_texts::kLinkId) return;
    ResetCounters();
}

bool ThroughputMeter::Sample(bool reset) {
    // A failed read leaves no rows, which is all that matters here.
    if (reset || !ReadSelectedRow()) ReadWholeTable();
    return reset ? InitStatistics(rows_) : UpdateStatistics(rows_);
}

void ThroughputMeter::ReadWholeTable() {
    // The count first: an interface that comes between the two reads shows at the next tick.
    std::uint32_t count = 0;
    countAtWholeRead_.reset();
    if (table_.CountInterfaces(count) == 0) countAtWholeRead_ = count;
    table_.ReadInterfaceTable(rows_);
}

bool ThroughputMeter::ReadSelectedRow() {
    // A tick needs only the selected row: it is read alone while the system counts as many
    // interfaces as at the last whole read, so that every position still holds its interface.
    // (The count is compared with the count, not with the rows: Windows may count interfaces
    // that the table leaves out.) A count that moved, a read that failed or an interface that
    // went has the table read whole instead.
    if (selected_ < 0 || static_cast<std::size_t>(selected_) >= rows_.size() || !countAtWholeRead_) return false;
    std::uint32_t count = 0;
    if (table_.CountInterfaces(count) != 0 || count != *countAtWholeRead_) return false;
    TMibIfRow& selected = rows_[static_cast<std::size_t>(selected_)];
    TMibIfRow row;
    row.dwIndex = selected.dwIndex;
    if (table_.ReadInterfaceRow(row) != 0) return false;
    selected.dwInOctets = row.dwInOctets;
    selected.dwOutOctets = row.dwOutOctets;
    return true;
}

bool ThroughputMeter::InitStatistics(const TIfRows& rows) {
    // An empty table (no IP Helper, a failed read, no interfaces) leaves everything as it was.
    if (rows.empty()) return false;
    statistics_.clear();
    adapterNames_.clear();
    for (const TMibIfRow& row : rows) {
        statistics_.push_back(InitialStatistics(row.dwInOctets, row.dwOutOctets));
        adapterNames_.push_back(AdapterName(table_.DecodeDescription(row.bDescr)));
    }
    ++adapterListRevision_;
    selected_ = 0;  // a reset always falls back to the first adapter
    return true;
}

bool ThroughputMeter::UpdateStatistics(const TIfRows& rows) {
    const int i = selected_;
    if (i < 0 || i >= static_cast<int>(statistics_.size())) return false;
    const auto index = static_cast<std::size_t>(i);
    texts_.lblAdapterName = adapterNames_[index];

    // Rows are matched to records by position only. When the fresh table has no row at the
    // selected position (the table shrank since the reset, or the read failed), nothing was
    // measured on that adapter: the tick counts as one in which nothing moved, so the rates
    // drop to zero and the graphs go on, while the record keeps its counters, totals, peaks
    // and averages for when the row comes back.
    TStatistics& s = statistics_[index];
    const bool present = index < rows.size();
    AddSample(s, present ? rows[index].dwInOctets : s.LastInOctets,
              present ? rows[index].dwOutOctets : s.LastOutOctets);

    texts_.lblRateIn = s.CurrentIn != 0 ? Kb(s.CurrentIn) : monitor_texts::kZeroKb;
    graphIn_.Position = GraphValue(s.CurrentIn);
    texts_.lblRateOut = s.CurrentOut != 0 ? Kb(s.CurrentOut) : monitor_texts::kZeroKb;
    graphOut_.Position = GraphValue(s.CurrentOut);
    ++barCount_;

    // Added in 64 bits: two large deltas must not wrap to a small total.
    const std::uint64_t total = std::uint64_t{s.CurrentIn} + s.CurrentOut;
    texts_.lblRateTotal = total != 0 ? Kb(total) : monitor_texts::kZeroKb;

    // A zero peak leaves the graph's maximum as it was (the layout's 100 at first).
    texts_.lblPeakIn = s.PeakIn != 0 ? Kb(s.PeakIn) : monitor_texts::kZeroKb;
    if (s.PeakIn != 0) graphIn_.MaxValue = GraphValue(s.PeakIn);
    texts_.lblPeakOut = s.PeakOut != 0 ? Kb(s.PeakOut) : monitor_texts::kZeroKb;
    if (s.PeakOut != 0) graphOut_.MaxValue = GraphValue(s.PeakOut);

    // Averages count active ticks only; the integer division comes before the one by 1000.
    texts_.lblAverageIn = s.InSamples != 0 ? Kb(s.TotalIn / s.InSamples) : monitor_texts::kNoFigure;
    texts_.lblAverageOut = s.OutSamples != 0 ? Kb(s.TotalOut / s.OutSamples) : monitor_texts::kNoFigure;
    return true;
}

void ThroughputMeter::Changed(bool changed) {
    if (changed && OnChange) OnChange();
}

std::string ThroughputMeter::Kb(std::uint64_t octets) const {
    return FormatKb(octets, decimalSeparator_);
}

}  // namespace tarvex
