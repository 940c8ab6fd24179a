#pragma once
// The load history graph: a panel of class "TOverloadIndicator" that shows the recent values
// of one quantity as bars, the oldest at the left. Its rules live in OverloadHistory
// (controls/overload_history.h); this window draws its frame and copies the bars, drawn into
// an off-screen picture, to the screen in one go.
//
//     TOverloadIndicator graph;
//     graph.Create(page, kIdGraphIn, 8, 224, 297, 50);      // pixels already scaled
//     graph.SetFrame({.BevelOuter = TBevelCut::bvLowered, .BevelWidth = 1, .BorderWidth = 0});
//     graph.SetForegroundColor(0x800000);                     // clNavy
//     graph.SetHistoryCapacity(293);
//     graph.SetHistoryTickWidth(1);
//     graph.SetPosition(bytesThisSecond);                     // one bar more, drawn at once
#include <windows.h>

#include <functional>

#include "controls/overload_history.h"
#include "controls/win32/panel_frame.h"
#include "platform/win32/timer.h"
#include "platform/win32/window.h"

namespace tarvex {

class TOverloadIndicator : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TOverloadIndicator";
    static constexpr int kDefaultWidth = 200;
    static constexpr int kDefaultHeight = 50;

    // Asked on a timer tick for the next value while AutoQueryData is on.
    using TNeedDataEvent = std::function<void(int& position)>;

    TOverloadIndicator();
    ~TOverloadIndicator() override;

    // Creates the child window and starts the timer; position and size in pixels.
    void Create(HWND parent, int controlId, int x, int y, int width = kDefaultWidth, int height = kDefaultHeight);

    const PanelFrame& Frame() const { return frame_; }
    void SetFrame(const PanelFrame& frame);

    TColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(TColor color);
    TColor ForegroundColor() const { return foregroundColor_; }
    void SetForegroundColor(TColor color);
    bool AutoQueryData() const { return autoQueryData_; }
    void SetAutoQueryData(bool on);
    int MaxValue() const { return history_.MaxValue; }
    void SetMaxValue(int value);
    int MinValue() const { return history_.MinValue; }
    void SetMinValue(int value);
    int SpeedTPS() const { return history_.SpeedTPS(); }
    void SetSpeedTPS(int speed);
    int HistoryCapacity() const { return history_.HistoryCapacity(); }
    void SetHistoryCapacity(int capacity);
    int HistoryTickWidth() const { return history_.HistoryTickWidth(); }
    void SetHistoryTickWidth(int tickWidth);
    int Position() const { return history_.Position(); }
    // Appends the value and redraws the graph area at once.
    void SetPosition(int value);

    TNeedDataEvent OnDataNeed;

    const OverloadHistory& History() const { return history_; }
    const Timer& QueryTimer() const { return timer_; }
    // The graph area in client coordinates: inset by the border and two bevel widths.
    RECT GraphArea() const;

    // Paints the control as on screen into a DC whose origin is its client origin.
    void PaintTo(HDC dc);

protected:
    // Raises OnDataNeed.
    virtual void DoDataNeed(int& position);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    RECT ClientRect() const;
    int InnerWidth() const;
    void DrawGraph(HDC dc);
    void Tick();
    void Invalidate();

    OverloadHistory history_;
    PanelFrame frame_;
    TColor backgroundColor_ = kClWhite;
    TColor foregroundColor_ = 0x008000;  // clGreen
    bool autoQueryData_ = false;
    Timer timer_;
};

}  // namespace tarvex
