// The connection monitor's model over a scripted interface table: the figures of each tick,
// the adapter list and its selection, stop, start and reset, and tables that change under it.
#include "monitor/throughput_meter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "monitor/monitor_texts.h"
#include "support/fake_interface_table.h"

namespace tarvex {
namespace {

using testing::FakeInterfaceTable;
using testing::MakeRow;

MeterTexts Figures(std::string adapter, std::string rateIn, std::string rateOut, std::string rateTotal,
                   std::string averageIn, std::string averageOut, std::string peakIn, std::string peakOut) {
    return MeterTexts{adapter, rateIn, rateOut, rateTotal, averageIn, averageOut, peakIn, peakOut};
}

class ThroughputMeterTest : public ::testing::Test {
protected:
    ThroughputMeterTest() {
        table.Rows = {MakeRow("lo", 5000, 5000, 1), MakeRow("eth0  ", 100000, 20000, 2), MakeRow("eth0", 7, 9, 3),
                      MakeRow("wlan0", 0, 0, 4)};
        meter.OnChange = [this] { ++changes; };
    }

    // Starts as the main window does and forgets what that changed.
    void Start() {
        meter.Start();
        changes = 0;
    }

    FakeInterfaceTable table;
    ThroughputMeter meter{table, "."};
    int changes = 0;
};

TEST_F(ThroughputMeterTest, ShowsNoFiguresBeforeTheFirstSample) {
    EXPECT_EQ(meter.Texts(), Figures("No Adapter Selected", "---", "---", "---", "---", "---", "---", "---"));
    EXPECT_EQ(meter.SelectedAdapter(), -1);
    EXPECT_FALSE(meter.TimerEnabled());
    EXPECT_EQ(meter.GraphIn(), (GraphValues{0, 100}));
    EXPECT_EQ(meter.StopCounterTag(), 0);
    EXPECT_STREQ(meter.StopCounterCaption(), "<A href=\"#1\">Stop Counters</A>");
}

TEST_F(ThroughputMeterTest, StartBuildsTheListTwiceAndShowsTheResetTick) {
    meter.Start();
    EXPECT_EQ(table.Reads, 2);
    EXPECT_EQ(table.RowReads, 1);  // the tick after them reads the selected row alone
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(meter.AdapterNames(), (std::vector<std::string>{"lo", "eth0", "eth0", "wlan0"}));  // equal names stay
    EXPECT_EQ(meter.AdapterListRevision(), 2u);
    EXPECT_EQ(meter.SelectedAdapter(), 0);
    EXPECT_TRUE(meter.TimerEnabled());
    EXPECT_EQ(meter.Texts(), Figures("lo", "0.0 Kb", "0.0 Kb", "0.0 Kb", "---", "---", "0.0 Kb", "0.0 Kb"));
    EXPECT_EQ(meter.BarCount(), 1u);
    EXPECT_EQ(meter.GraphIn(), (GraphValues{0, 100}));
    ASSERT_EQ(meter.AdapterStatistics().size(), 4u);
    EXPECT_EQ(meter.AdapterStatistics()[1], InitialStatistics(100000, 20000));
}

TEST_F(ThroughputMeterTest, DescriptionsAreDecodedBeforeTheyAreStripped) {
    table.Rows = {MakeRow("\x01 Carte r\xE9seau \x7F ", 0, 0)};
    meter.Start();
    EXPECT_EQ(meter.AdapterNames(), std::vector<std::string>{"Carte r\xC3\xA9seau \x7F"});
}

TEST_F(ThroughputMeterTest, OneTickOfIncomingTraffic) {
    Start();
    table.Add(0, 1500, 0);
    meter.Tick();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(meter.Texts(), Figures("lo", "1.5 Kb", "0.0 Kb", "1.5 Kb", "1.5 Kb", "---", "1.5 Kb", "0.0 Kb"));
    EXPECT_EQ(meter.GraphIn(), (GraphValues{1500, 1500}));
    EXPECT_EQ(meter.GraphOut(), (GraphValues{0, 100}));  // no peak yet: the layout's maximum stays
    EXPECT_EQ(meter.BarCount(), 2u);
}

TEST_F(ThroughputMeterTest, AveragesCountActiveTicksOnlyAndTruncate) {
    Start();
    const std::uint32_t deltas[] = {2000, 0, 4000};
    const std::int32_t positions[] = {2000, 0, 4000};
    for (int i = 0; i < 3; ++i) {
        table.Add(0, deltas[i], 0);
        meter.Tick();
        EXPECT_EQ(meter.GraphIn().Position, positions[i]);
    }
    EXPECT_EQ(meter.Texts().lblAverageIn, "3 Kb");  // 6000 over two active ticks
    EXPECT_EQ(meter.Texts().lblPeakIn, "4 Kb");
    EXPECT_EQ(meter.Texts().lblRateIn, "4 Kb");
    EXPECT_EQ(meter.GraphIn().MaxValue, 4000);

    meter.ResetCounters();
    table.Add(0, 1, 0);
    meter.Tick();
    EXPECT_EQ(meter.GraphIn().MaxValue, 1);  // a reset does not lower it; the first peak after it does
    table.Add(0, 3000, 0);
    meter.Tick();
    EXPECT_EQ(meter.Texts().lblAverageIn, "1.5 Kb");  // 3001 / 2 = 1500 before the division by 1000
}

TEST_F(ThroughputMeterTest, CountersThatWrapBetweenTwoSamples) {
    table.Rows[0] = MakeRow("lo", 0xFFFFFFFFu - 295, 0xFFFFFFFFu);
    Start();
    table.Rows[0].dwInOctets = 200;
    table.Rows[0].dwOutOctets = 0;
    meter.Tick();
    EXPECT_EQ(meter.Texts(),
              Figures("lo", "0.496 Kb", "0.001 Kb", "0.497 Kb", "0.496 Kb", "0.001 Kb", "0.496 Kb", "0.001 Kb"));
}

TEST_F(ThroughputMeterTest, StopFreezesAndStartBeginsFromAFreshReset) {
    Start();
    meter.SelectAdapter(1);
    table.Add(1, 3000, 1000);
    meter.Tick();
    const MeterTexts frozen = meter.Texts();

    meter.lblStopCounterLinkClick("#1");
    EXPECT_EQ(changes, 3);
    EXPECT_FALSE(meter.TimerEnabled());
    EXPECT_EQ(meter.StopCounterTag(), 1);
    EXPECT_STREQ(meter.StopCounterCaption(), "<A href=\"#1\">Start Counters</A>");
    table.Add(1, 50000, 50000);
    meter.Tick();  // one already on its way
    EXPECT_EQ(meter.Texts(), frozen);
    EXPECT_EQ(changes, 3);

    const int reads = table.Reads, rowReads = table.RowReads;
    meter.lblStopCounterLinkClick("#1");
    EXPECT_EQ(table.Reads, reads + 1);  // a reset of the whole table, then its tick
    EXPECT_EQ(table.RowReads, rowReads + 1);
    EXPECT_EQ(changes, 4);
    EXPECT_TRUE(meter.TimerEnabled());
    EXPECT_EQ(meter.StopCounterTag(), 0);
    EXPECT_STREQ(meter.StopCounterCaption(), "<A href=\"#1\">Stop Counters</A>");
    EXPECT_EQ(meter.SelectedAdapter(), 0);  // the first adapter again, and nothing of the stopped period
    EXPECT_EQ(meter.Texts(), Figures("lo", "0.0 Kb", "0.0 Kb", "0.0 Kb", "---", "---", "0.0 Kb", "0.0 Kb"));
    EXPECT_EQ(meter.AdapterStatistics()[1], InitialStatistics(153000, 71000));
}

TEST_F(ThroughputMeterTest, ResetFallsBackToTheFirstAdapterAndKeepsTheTimer) {
    Start();
    meter.SelectAdapter(2);
    table.Add(2, 100, 100);
    meter.Tick();
    meter.lblStopCounterLinkClick("#1");
    table.Add(0, 700, 0);
    table.Add(2, 900, 0);

    meter.lblResetCountersLinkClick("#1");
    EXPECT_FALSE(meter.TimerEnabled());  // stopped stays stopped, showing the reset
    EXPECT_EQ(meter.SelectedAdapter(), 0);
    EXPECT_EQ(meter.Texts(), Figures("lo", "0.0 Kb", "0.0 Kb", "0.0 Kb", "---", "---", "0.0 Kb", "0.0 Kb"));
    for (std::size_t i = 0; i < table.Rows.size(); ++i) {
        EXPECT_EQ(meter.AdapterStatistics()[i], InitialStatistics(table.Rows[i].dwInOctets, table.Rows[i].dwOutOctets))
            << i;
    }
}

TEST_F(ThroughputMeterTest, OnlyTheSelectedRecordCountsSoASwitchCatchesUpInOneTick) {
    Start();
    for (int second = 0; second < 120; ++second) {
        table.Add(0, 10, 0);
        table.Add(3, 4000, 500);
        meter.Tick();
    }
    EXPECT_EQ(meter.AdapterStatistics()[3], InitialStatistics(0, 0));  // untouched while not selected

    meter.SelectAdapter(3);
    table.Add(0, 10, 0);
    table.Add(3, 4000, 500);
    meter.Tick();
    EXPECT_EQ(meter.Texts(),
              Figures("wlan0", "484 Kb", "60.5 Kb", "544.5 Kb", "484 Kb", "60.5 Kb", "484 Kb", "60.5 Kb"));
    EXPECT_EQ(meter.GraphIn(), (GraphValues{484000, 484000}));

    meter.SelectAdapter(0);  // resumes its record: one tick since the last one it counted
    table.Add(0, 10, 0);
    meter.Tick();
    EXPECT_EQ(meter.Texts().lblRateIn, "0.02 Kb");
    EXPECT_EQ(meter.AdapterStatistics()[0].InSamples, 121u);
}

TEST_F(ThroughputMeterTest, TicksReadTheSelectedRowAloneWhileTheTableKeepsItsSize) {
    table.Uncounted = 3;  // the count need not be the table's
    Start();
    meter.SelectAdapter(3);
    const int wholeReads = table.Reads;
    for (int second = 0; second < 5; ++second) {
        table.Add(3, 1000, 0);
        table.Add(0, 50, 50);
        meter.Tick();
    }
    EXPECT_EQ(table.Reads, wholeReads);
    EXPECT_EQ(table.RowReads, 6);
    EXPECT_EQ(meter.Texts(), Figures("wlan0", "1 Kb", "0.0 Kb", "1 Kb", "1 Kb", "---", "1 Kb", "0.0 Kb"));

    // An interface that comes: the table is read whole once, then the row alone again.
    table.Rows.push_back(MakeRow("ppp0", 0, 0, 9));
    table.Add(3, 2000, 0);
    meter.Tick();
    EXPECT_EQ(table.Reads, wholeReads + 1);
    EXPECT_EQ(meter.Texts().lblRateIn, "2 Kb");
    meter.Tick();
    EXPECT_EQ(table.Reads, wholeReads + 1);
    EXPECT_EQ(table.RowReads, 7);

    // The selected one goes and another takes its place: the row alone is not found, and the
    // whole table's row at that position counts, as on any read of the whole table.
    table.Rows[3] = MakeRow("wlan1", 300, 0, 12);
    meter.Tick();
    EXPECT_EQ(table.Reads, wholeReads + 2);
    EXPECT_EQ(meter.AdapterStatistics()[3].LastInOctets, 300u);
    table.Add(3, 700, 0);
    meter.Tick();
    EXPECT_EQ(table.Reads, wholeReads + 2);
    EXPECT_EQ(meter.Texts().lblRateIn, "0.7 Kb");
}

TEST_F(ThroughputMeterTest, RowsAreMatchedByPositionWhenTheTableShifts) {
    Start();
    meter.SelectAdapter(1);
    table.Rows.erase(table.Rows.begin());  // "lo" goes: position 1 now holds the second "eth0"
    meter.Tick();
    EXPECT_EQ(meter.Texts().lblAdapterName, "eth0");
    EXPECT_EQ(meter.AdapterStatistics()[1].CurrentIn, 7u - 100000u);
    EXPECT_EQ(meter.AdapterStatistics()[1].LastInOctets, 7u);
}

TEST_F(ThroughputMeterTest, AMissingRowCountsAsATickInWhichNothingMoved) {
    Start();
    meter.SelectAdapter(3);
    table.Add(3, 2500, 800);
    meter.Tick();
    const TStatistics before = meter.AdapterStatistics()[3];
    meter.SelectAdapter(0);  // a read in which its row moved, counted for another adapter
    table.Add(3, 5000, 5000);
    meter.Tick();
    meter.SelectAdapter(3);

    table.Rows.resize(2);  // the adapter went away: rates drop to zero, the rest stays
    meter.Tick();
    EXPECT_EQ(meter.Texts(), Figures("wlan0", "0.0 Kb", "0.0 Kb", "0.0 Kb", "2.5 Kb", "0.8 Kb", "2.5 Kb", "0.8 Kb"));
    EXPECT_EQ(meter.GraphIn(), (GraphValues{0, 2500}));
    EXPECT_EQ(meter.BarCount(), 4u);
    TStatistics idle = before;
    idle.CurrentIn = idle.CurrentOut = 0;
    EXPECT_EQ(meter.AdapterStatistics()[3], idle);

    table.Status = kInterfaceTableUnavailable;  // a failed read: no rows at all
    meter.Tick();
    EXPECT_EQ(meter.AdapterStatistics()[3], idle);
    EXPECT_EQ(meter.BarCount(), 5u);

    table.Status = 0;  // back: what moved meanwhile counts against the kept counters
    table.Rows.push_back(MakeRow("wlan0", 2500 + 600, 800));
    table.Rows.push_back(MakeRow("wlan0", 2500 + 600, 800));
    meter.Tick();
    EXPECT_EQ(meter.Texts().lblRateIn, "0.6 Kb");
    EXPECT_EQ(meter.Texts().lblAverageIn, "1.55 Kb");
}

TEST_F(ThroughputMeterTest, WithoutATableNothingIsSelectedAndTicksDoNothing) {
    table.Status = kInterfaceTableUnavailable;
    meter.Start();
    EXPECT_TRUE(meter.TimerEnabled());
    changes = 0;
    meter.Tick();
    meter.ResetCounters();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(meter.SelectedAdapter(), -1);
    EXPECT_TRUE(meter.AdapterNames().empty());
    EXPECT_EQ(meter.BarCount(), 0u);
    EXPECT_EQ(meter.Texts(), Figures("No Adapter Selected", "---", "---", "---", "---", "---", "---", "---"));

    // An empty table at a later reset leaves the list, its selection and the figures alone.
    table.Status = 0;
    meter.ResetCounters();
    meter.SelectAdapter(2);
    table.Rows.clear();
    const MeterTexts before = meter.Texts();
    meter.ResetCounters();
    EXPECT_EQ(meter.SelectedAdapter(), 2);
    EXPECT_EQ(meter.AdapterNames().size(), 4u);
    EXPECT_EQ(meter.AdapterListRevision(), 1u);
    EXPECT_EQ(meter.Texts().lblAverageIn, before.lblAverageIn);
}

TEST_F(ThroughputMeterTest, AStoredSelectionOutsideTheListSelectsNothing) {
    Start();
    for (int index : {4, 99, -1, -7}) {
        meter.SelectAdapter(index);
        EXPECT_EQ(meter.SelectedAdapter(), -1) << index;
    }
    // The adapter shown until then is no longer monitored.
    EXPECT_EQ(meter.Texts().lblAdapterName, "No Adapter Selected");
    EXPECT_EQ(meter.Texts().lblRateIn, "---");
    EXPECT_EQ(meter.Texts().lblPeakOut, "---");
    const MeterTexts before = meter.Texts();
    changes = 0;
    meter.Tick();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(meter.Texts(), before);
    meter.SelectAdapter(3);
    meter.Tick();
    EXPECT_EQ(meter.Texts().lblAdapterName, "wlan0");
}

TEST_F(ThroughputMeterTest, LinksAnswerOnlyTheirOwnId) {
    Start();
    const int reads = table.Reads;
    for (const char* id : {"", "#0", "#2", "#10", "#1 "}) {
        meter.lblStopCounterLinkClick(id);
        meter.lblResetCountersLinkClick(id);
    }
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(table.Reads, reads);
    EXPECT_TRUE(meter.TimerEnabled());
}

TEST_F(ThroughputMeterTest, HugeDeltasFillTheGraphsAndTheTotalDoesNotWrap) {
    Start();
    table.Add(0, 0xC0000000u, 0x80000000u);
    meter.Tick();
    constexpr std::int32_t kFull = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(meter.GraphIn(), (GraphValues{kFull, kFull}));
    EXPECT_EQ(meter.GraphOut(), (GraphValues{kFull, kFull}));
    EXPECT_EQ(meter.Texts().lblRateTotal, "5368709.12 Kb");  // 3 × 2^30 + 2^31, beyond 32 bits
}

TEST_F(ThroughputMeterTest, FiguresUseTheGivenDecimalSeparator) {
    ThroughputMeter german(table, ",");
    german.Start();
    table.Add(0, 1500, 12);
    german.Tick();
    EXPECT_EQ(german.Texts(),
              Figures("lo", "1,5 Kb", "0,012 Kb", "1,512 Kb", "1,5 Kb", "0,012 Kb", "1,5 Kb", "0,012 Kb"));
}

}  // namespace
}  // namespace tarvex
