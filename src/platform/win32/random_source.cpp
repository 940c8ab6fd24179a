#include "platform/win32/random_source.h"

#include <windows.h>

namespace tarvex {

void ClockRandomSource::Randomize() {
    // The performance counter moves within a millisecond, so seeds taken in quick succession
    // still differ; the tick count stands in where there is no such counter.
    LARGE_INTEGER counter{};
    const auto seed = QueryPerformanceCounter(&counter) ? static_cast<unsigned>(counter.QuadPart) : GetTickCount();
    generator_.seed(seed);
}

int ClockRandomSource::Random(int range) {
    if (range <= 1) return 0;
    return std::uniform_int_distribution<int>(0, range - 1)(generator_);
}

}  // namespace tarvex
