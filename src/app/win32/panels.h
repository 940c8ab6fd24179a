#pragma once
// Containers of the main window: plain panels (the pages), and the side panel's group of
// collapsible category panels.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/controls.h"
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

// Tabs over pages of controls: each tab owns a panel in the control's display area, and the
// chosen tab's panel shows. Ctrl+Tab and Ctrl+Shift+Tab turn the pages.
class TPageControl : public TControl {
public:
    // Adds a tab; its page's controls are made on the returned surface (96-DPI coordinates
    // from the page's top left).
    Surface AddTab(std::string_view caption);
    int TabCount() const { return static_cast<int>(pages_.size()); }
    int TabIndex() const;
    // Shows that tab's page without raising OnChange.
    void SetTabIndex(int index);
    // The page's size in 96-DPI pixels.
    int PageWidth() const;
    int PageHeight() const;
    std::function<void()> OnChange;

protected:
    const wchar_t* ClassName() const override { return WC_TABCONTROLW; }
    // Tabs that do not fit in one row take a second.
    DWORD KindStyle() const override { return WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TCS_MULTILINE; }
    DWORD KindExStyle() const override { return WS_EX_CONTROLPARENT; }
    std::optional<LRESULT> Reflected(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool TurnPage(bool backwards) override;
    void AfterCreate() override;

private:
    RECT DisplayArea() const;
    void LayoutPages();
    void ShowChosenPage();

    std::vector<std::unique_ptr<TPanel>> pages_;
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
