// One monitor tick (the selected row's read, statistics, label texts, graph values) over a
// table of a few interfaces with traffic, fresh and after a long run: the work per tick must
// not grow.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "../support/fake_interface_table.h"
#include "monitor/throughput_meter.h"

namespace {

using namespace tarvex;

// A table of four interfaces whose selected one moves on every read.
testing::FakeInterfaceTable BusyTable() {
    testing::FakeInterfaceTable table;
    table.Rows = {testing::MakeRow("Loopback", 0, 0, 1),
                  testing::MakeRow("Intel(R) PRO/1000 MT Network Connection", 0, 0, 2),
                  testing::MakeRow("WAN Miniport (PPPoE)", 0, 0, 3), testing::MakeRow("Wireless Adapter", 0, 0, 4)};
    return table;
}

void BM_MonitorTick(benchmark::State& state) {
    auto table = BusyTable();
    ThroughputMeter meter(table, ".");
    meter.Start();
    meter.SelectAdapter(1);
    // Ticks already run before the measurement: a long session must cost the same per tick.
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        table.Add(1, 1234567, 4321);
        meter.Tick();
    }
    std::uint32_t step = 1;
    for (auto _ : state) {
        table.Add(1, 1500 * step, 40 * step);
        step = step % 97 + 1;
        meter.Tick();
        benchmark::DoNotOptimize(meter.Texts().lblAverageIn.data());
    }
}
BENCHMARK(BM_MonitorTick)->Arg(0)->Arg(100000);

}  // namespace
