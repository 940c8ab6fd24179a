#pragma once
// The values of the animated progress bar (TDProgressBar) and the checks its range and
// position pass before they reach the system control. Without 32-bit ranges the system
// control holds 16-bit values only.
#include <string>

namespace tarvex {

struct ProgressValues {
    int Min = 0;
    int Max = 100;
    int Position = 0;
    int Step = 100;
};

inline constexpr int kProgress16BitMax = 65535;

// Throws Error "<className> property out of range" when min exceeds max, and "Value must be
// between 0 and 65535" when an end does not fit a 16-bit range.
void CheckProgressRange(const std::string& className, int min, int max, bool hasRange32);
// Throws Error "Value must be between 0 and 65535" when a position does not fit.
void CheckProgressPosition(int position, bool hasRange32);

}  // namespace tarvex
