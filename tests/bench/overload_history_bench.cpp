// One paint of the Connection State graph: 293 one-pixel bars, 46 pixels high, drawn into the
// off-screen picture. The cost must follow the width, not how many values were ever appended.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "controls/overload_history.h"

namespace {

using namespace tarvex;

void BM_OverloadPaint293(benchmark::State& state) {
    OverloadHistory graph;
    graph.SetHistoryCapacity(293, 293);
    graph.SetHistoryTickWidth(1, 293);
    for (std::int64_t i = 0; i < state.range(0); ++i) graph.Append(static_cast<int>((i * 37) % 120));
    constexpr int kHeight = 46;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(graph.PictureWidth()) * kHeight);
    for (auto _ : state) {
        graph.Render(pixels.data(), kHeight, 0x000080, 0xFFFFFF, true);
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}
// After 10 values, an hour and a day of one value per second.
BENCHMARK(BM_OverloadPaint293)->Arg(10)->Arg(3600)->Arg(86400);

// The same paint at other widths: the cost grows with the width.
void BM_OverloadPaintWidth(benchmark::State& state) {
    OverloadHistory graph;
    const int width = static_cast<int>(state.range(0));
    graph.SetHistoryTickWidth(1, width);
    for (int i = 0; i < width; ++i) graph.Append(i % 100);
    constexpr int kHeight = 46;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(graph.PictureWidth()) * kHeight);
    for (auto _ : state) {
        graph.Render(pixels.data(), kHeight, 0x000080, 0xFFFFFF, true);
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetComplexityN(width);
}
BENCHMARK(BM_OverloadPaintWidth)->RangeMultiplier(4)->Range(64, 4096)->Complexity(benchmark::oN);

}  // namespace
