#include "controls/progress_values.h"

#include "common/error.h"

namespace tarvex {
namespace {

void Check16Bit(int value) {
    if (value < 0 || value > kProgress16BitMax)
        throw Error("Value must be between 0 and " + std::to_string(kProgress16BitMax));
}

}  // namespace

void CheckProgressRange(const std::string& className, int min, int max, bool hasRange32) {
    if (min > max) throw Error(className + " property out of range");
    if (!hasRange32) {
        Check16Bit(min);
        Check16Bit(max);
    }
}

void CheckProgressPosition(int position, bool hasRange32) {
    if (!hasRange32) Check16Bit(position);
}

}  // namespace tarvex
