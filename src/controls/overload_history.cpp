#include "controls/overload_history.h"

#include <algorithm>
#include <cmath>

namespace tarvex {

int RoundHalfEven(double v) {
    const double floor = std::floor(v);
    const double fraction = v - floor;
    double result = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0)) result = floor + 1;
    return static_cast<int>(result);
}

int OverloadInnerWidth(int clientWidth, int bevelWidth, int borderWidth) {
    return clientWidth - 2 * borderWidth - 4 * bevelWidth;
}

OverloadHistory::OverloadHistory() : history_(20, 0) {}

void OverloadHistory::SetSpeedTPS(int speed) {
    speed_ = std::clamp(speed, kMinSpeed, kMaxSpeed);
}

unsigned OverloadHistory::TimerInterval() const {
    return static_cast<unsigned>(RoundHalfEven(1000.0 / speed_));
}

void OverloadHistory::Append(int value) {
    history_[static_cast<std::size_t>(writeIndex_)] = value;
    writeIndex_ = (writeIndex_ + 1) % HistoryCapacity();
    position_ = value;
}

std::vector<int> OverloadHistory::Values() const {
    std::vector<int> values;
    values.reserve(history_.size());
    for (std::size_t j = 0; j < history_.size(); ++j)
        values.push_back(history_[(static_cast<std::size_t>(writeIndex_) + j) % history_.size()]);
    return values;
}

void OverloadHistory::Reset(int capacity) {
    history_.assign(static_cast<std::size_t>(std::max(capacity, 1)), 0);
    writeIndex_ = 0;
}

void OverloadHistory::SetHistoryCapacity(int capacity, int innerWidth) {
    Reset(capacity);
    tickWidth_ = std::max(1, RoundHalfEven(static_cast<double>(innerWidth) / HistoryCapacity()));
}

void OverloadHistory::SetHistoryTickWidth(int tickWidth, int innerWidth) {
    tickWidth_ = std::max(1, tickWidth);
    Reset(RoundHalfEven(static_cast<double>(innerWidth) / tickWidth_));
}

bool OverloadHistory::FitToFrame(int clientWidth, int bevelWidth, int borderWidth) {
    if (clientWidth == width_ && bevelWidth == bevelWidth_ && borderWidth == borderWidth_) return false;
    SetHistoryTickWidth(tickWidth_, OverloadInnerWidth(clientWidth, bevelWidth, borderWidth));
    width_ = clientWidth;
    bevelWidth_ = bevelWidth;
    borderWidth_ = borderWidth;
    return true;
}

int OverloadHistory::BarHeight(int value, int areaHeight) const {
    if (areaHeight <= 0) return 0;
    const double range = static_cast<double>(MaxValue) - MinValue;
    if (range == 0) return value > 0 ? areaHeight : 0;
    const double height = static_cast<double>(value) / range * areaHeight;
    if (height >= areaHeight) return areaHeight;
    if (height <= 0) return 0;
    return RoundHalfEven(height);
}

void OverloadHistory::Render(std::uint32_t* pixels, int height, std::uint32_t foreground, std::uint32_t background,
                             bool enabled) const {
    const int width = PictureWidth();
    if (height <= 0) return;
    std::fill(pixels, pixels + static_cast<std::size_t>(width) * height, background);
    if (!enabled) return;
    const std::size_t count = history_.size();
    for (std::size_t j = 0; j < count; ++j) {
        const int bar = BarHeight(history_[(static_cast<std::size_t>(writeIndex_) + j) % count], height);
        const int left = static_cast<int>(j) * tickWidth_;
        for (int y = height - bar; y < height; ++y) {
            std::uint32_t* row = pixels + static_cast<std::size_t>(y) * width;
            std::fill(row + left, row + left + tickWidth_, foreground);
        }
    }
}

}  // namespace tarvex
