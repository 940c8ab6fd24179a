#include "controls/win32/overload_indicator.h"

#include <cstdint>

#include "platform/win32/unique_handle.h"

namespace tarvex {
namespace {

// A pixel of a 32-bit DIB: blue in the lowest byte, where a COLORREF keeps red.
std::uint32_t DibPixel(COLORREF color) {
    return static_cast<std::uint32_t>(GetRValue(color)) << 16 | static_cast<std::uint32_t>(GetGValue(color)) << 8 |
           GetBValue(color);
}

}  // namespace

TOverloadIndicator::TOverloadIndicator() = default;

// The timer stops before the window goes.
TOverloadIndicator::~TOverloadIndicator() {
    timer_.Stop();
}

void TOverloadIndicator::Create(HWND parent, int controlId, int x, int y, int width, int height) {
    RegisterWindowClass(kClassName, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
    CreateHandle(kClassName, L"", WS_CHILD | WS_VISIBLE, 0, x, y, width, height, parent,
                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)));
    timer_.OnTimer = [this] { Tick(); };
    timer_.Start(history_.TimerInterval());
}

RECT TOverloadIndicator::ClientRect() const {
    RECT client{0, 0, OverloadHistory::kDefaultWidth, kDefaultHeight};
    if (Handle()) GetClientRect(Handle(), &client);
    return client;
}

int TOverloadIndicator::InnerWidth() const {
    return OverloadInnerWidth(ClientRect().right, frame_.BevelWidth, frame_.BorderWidth);
}

RECT TOverloadIndicator::GraphArea() const {
    RECT area = ClientRect();
    const int inset = frame_.BorderWidth + 2 * frame_.BevelWidth;
    InflateRect(&area, -inset, -inset);
    return area;
}

void TOverloadIndicator::Invalidate() {
    if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TOverloadIndicator::SetFrame(const PanelFrame& frame) {
    frame_ = frame;
    Invalidate();
}

void TOverloadIndicator::SetBackgroundColor(TColor color) {
    backgroundColor_ = color;
    Invalidate();
}

void TOverloadIndicator::SetForegroundColor(TColor color) {
    foregroundColor_ = color;
    Invalidate();
}

void TOverloadIndicator::SetAutoQueryData(bool on) {
    autoQueryData_ = on;
    Invalidate();
}

void TOverloadIndicator::SetMaxValue(int value) {
    history_.MaxValue = value;
    Invalidate();
}

void TOverloadIndicator::SetMinValue(int value) {
    history_.MinValue = value;
    Invalidate();
}

void TOverloadIndicator::SetSpeedTPS(int speed) {
    history_.SetSpeedTPS(speed);
    if (timer_.Running()) timer_.Start(history_.TimerInterval());
}

void TOverloadIndicator::SetHistoryCapacity(int capacity) {
    history_.SetHistoryCapacity(capacity, InnerWidth());
    Invalidate();
}

void TOverloadIndicator::SetHistoryTickWidth(int tickWidth) {
    history_.SetHistoryTickWidth(tickWidth, InnerWidth());
    Invalidate();
}

void TOverloadIndicator::SetPosition(int value) {
    history_.Append(value);
    if (!Handle()) return;
    HDC dc = GetDC(Handle());
    if (!dc) return;
    DrawGraph(dc);
    ReleaseDC(Handle(), dc);
}

void TOverloadIndicator::DoDataNeed(int& position) {
    if (OnDataNeed) OnDataNeed(position);
}

void TOverloadIndicator::Tick() {
    if (!autoQueryData_ || !OnDataNeed) return;
    int value = 0;
    DoDataNeed(value);
    SetPosition(value);
}

void TOverloadIndicator::DrawGraph(HDC dc) {
    const RECT area = GraphArea();
    // The picture is as high as the area's bottom coordinate and is squeezed into the area.
    const int height = area.bottom;
    const int width = history_.PictureWidth();
    if (height <= 0 || area.right <= area.left || area.bottom <= area.top) return;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    void* bits = nullptr;
    UniqueMemoryDc memory(CreateCompatibleDC(dc));
    UniqueBitmap picture(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !picture || !bits) return;
    const bool enabled = Handle() == nullptr || IsWindowEnabled(Handle());
    history_.Render(static_cast<std::uint32_t*>(bits), height, DibPixel(GdiColor(foregroundColor_, RGB(0, 128, 0))),
                    DibPixel(GdiColor(backgroundColor_, RGB(255, 255, 255))), enabled);
    GdiFlush();
    SelectObjectScope selected(memory.get(), picture.get());
    const int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, memory.get(), 0, 0, width,
               height, SRCCOPY);
    SetStretchBltMode(dc, previousMode);
}

void TOverloadIndicator::PaintTo(HDC dc) {
    const RECT client = ClientRect();
    DrawPanelFrame(dc, client, frame_);
    history_.FitToFrame(client.right, frame_.BevelWidth, frame_.BorderWidth);
    DrawGraph(dc);
}

LRESULT TOverloadIndicator::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(Handle(), &paint);
            PaintTo(dc);
            EndPaint(Handle(), &paint);
            return 0;
        }
        case WM_ENABLE:
            Invalidate();
            return 0;
        case WM_DESTROY:
            timer_.Stop();
            return Default(message, wParam, lParam);
        default:
            return Window::OnMessage(message, wParam, lParam);
    }
}

}  // namespace tarvex
