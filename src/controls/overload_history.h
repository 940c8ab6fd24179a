#pragma once
// The rules of the load history graph (TOverloadIndicator): its properties, the ring of past
// values, how the number of bars and their width decide each other from the graph's inner
// width, the timer interval, and the bars drawn into the off-screen picture. The Win32
// control (controls/win32/overload_indicator.h) paints the frame and copies the picture.
#include <cstdint>
#include <vector>

namespace tarvex {

// The integer nearest to v, a half going to the even neighbour.
int RoundHalfEven(double v);

class OverloadHistory {
public:
    static constexpr int kDefaultWidth = 200;
    static constexpr int kMinSpeed = 1;
    static constexpr int kMaxSpeed = 200;

    OverloadHistory();

    int MaxValue = 100;
    int MinValue = 0;

    // Ticks per second, 1 to 200 (values outside are brought into the range).
    int SpeedTPS() const { return speed_; }
    void SetSpeedTPS(int speed);
    // 1000 / SpeedTPS milliseconds, rounded half to even.
    unsigned TimerInterval() const;

    int Position() const { return position_; }
    // Stores the value in the slot of the write index (the oldest) and moves the index on.
    void Append(int value);

    int HistoryCapacity() const { return static_cast<int>(history_.size()); }
    int HistoryTickWidth() const { return tickWidth_; }
    // The 1-based slot of the next value, which is also the oldest.
    int WriteIndex() const { return writeIndex_ + 1; }
    // The values from the oldest to the newest.
    std::vector<int> Values() const;

    // A new, empty history of n bars (at least one); the bar width follows from the inner
    // width and stays at least one pixel, so that a history wider than the graph is drawn
    // squeezed rather than failing.
    void SetHistoryCapacity(int capacity, int innerWidth);
    // A new bar width (at least one pixel); the number of bars follows from the inner width,
    // at least one, and the history is emptied.
    void SetHistoryTickWidth(int tickWidth, int innerWidth);

    // Called at paint with the control's width and frame: when they differ from the ones the
    // history was laid out for, it is laid out again (and emptied). Returns whether it was.
    bool FitToFrame(int clientWidth, int bevelWidth, int borderWidth);

    // Height in pixels of the bar of a value in a graph area H pixels high:
    // round(v / (MaxValue - MinValue) * H), within 0..H. With a range of zero every value
    // above zero fills the height and the others show no bar.
    int BarHeight(int value, int areaHeight) const;

    // The off-screen picture's width: one bar width per value.
    int PictureWidth() const { return tickWidth_ * HistoryCapacity(); }
    // Draws the bars into a top-down 32-bit picture PictureWidth() wide and `height` high,
    // filled first with the background; a disabled graph shows only the background. The
    // colours are pixel values as the picture stores them.
    void Render(std::uint32_t* pixels, int height, std::uint32_t foreground, std::uint32_t background,
                bool enabled) const;

private:
    void Reset(int capacity);

    std::vector<int> history_;
    int writeIndex_ = 0;  // 0-based
    int position_ = 50;
    int tickWidth_ = 1;
    int speed_ = 2;
    int width_ = kDefaultWidth;
    int bevelWidth_ = 0;
    int borderWidth_ = 0;
};

// The width that decides the history: client width - 2 * border - 4 * bevel.
int OverloadInnerWidth(int clientWidth, int bevelWidth, int borderWidth);

}  // namespace tarvex
