#pragma once
// Containers of the main window: plain panels (the pages), and the side panel's group of
// collapsible category panels.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/pictures.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"

namespace tarvex {

// A child window with a solid background and pictures on it; its static controls and
// buttons are drawn over that background.
class TPanel : public Window {
public:
    void Create(const wchar_t* className, HWND parent, int x, int y, int width, int height, COLORREF background,
                int id = 0);
    COLORREF Background() const { return background_; }
    // Draws a picture (kept by the caller) on the background at a client position.
    void AddPicture(const Picture& picture, int x, int y) { pictures_.push_back({&picture, x, y}); }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void PaintBackground(HDC dc, const RECT& client);

private:
    struct PlacedPicture {
        const Picture* Picture;
        int X, Y;
    };
    COLORREF background_ = RGB(255, 255, 255);
    UniqueBrush brush_;
    std::vector<PlacedPicture> pictures_;
};

// One category panel of the side panel: a bold header over its content; a click on the
// header folds the content away or back.
class TAdvPanel : public TPanel {
public:
    static constexpr int kHeaderHeight = 23;

    void Create(HWND group, const std::wstring& caption, int width, int expandedHeight, COLORREF background,
                HFONT headerFont, int dpi);
    bool Collapsed() const { return collapsed_; }
    void SetCollapsed(bool collapsed);
    int CurrentHeight() const;
    int HeaderHeight() const { return MulDiv(kHeaderHeight, dpi_, 96); }
    std::function<void()> OnResize;  // the group re-stacks its panels

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintBackground(HDC dc, const RECT& client) override;

private:
    std::wstring caption_;
    HFONT headerFont_ = nullptr;
    int dpi_ = 96;
    int expandedHeight_ = 0;
    bool collapsed_ = false;
};

// The side panel: a gradient column that stacks its category panels with a margin.
class TAdvPanelGroup : public TPanel {
public:
    static constexpr int kMargin = 8;

    void Create(HWND parent, int x, int y, int width, int height, int dpi);
    TAdvPanel& AddPanel(const std::wstring& caption, int expandedHeight, COLORREF background, HFONT headerFont);
    void Arrange();
    int PanelWidth() const;

protected:
    void PaintBackground(HDC dc, const RECT& client) override;

private:
    int dpi_ = 96;
    std::vector<std::unique_ptr<TAdvPanel>> panels_;
};

}  // namespace tarvex
