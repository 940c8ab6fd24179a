#pragma once
// A page of the main window's page control. Its window exists from the start (hidden, so
// that the frame can show it at once); its controls are made the first time it is shown,
// so a start pays only for the page it shows.
//
// Adding a page: a class derived from TPage in its own file that makes its controls in
// CreateContent and keeps its state in a portable model, and one row in the main window's
// page table (main_form.cpp).
#include <windows.h>

#include <functional>

#include "app/navigation.h"
#include "app/win32/panels.h"
#include "platform/win32/controls.h"

namespace tarvex {

// What a page may use of the frame while it makes its controls.
struct PageContext {
    Surface Where;  // the page's window, the DPI, the normal font
    HFONT BoldFont = nullptr;
    HFONT TitleFont = nullptr;
    HIMAGELIST LeftMenuImages = nullptr;
    int Width = 0;  // the page's size in 96-DPI pixels
    int Height = 0;
    std::function<void(const Route&)> Navigate;  // a route of the frame (help, pages, ...)
};

class TPage : public TPanel {
public:
    static constexpr wchar_t kClassName[] = L"TTabSheet";

    // Makes the hidden page window; its window text is the page's name ("tsWelcome").
    void CreatePage(HWND pageControl, const wchar_t* name, int width, int height);
    // Shows the page, making its controls first if this is the first time.
    void Show(const PageContext& context);
    void Hide();
    bool ContentCreated() const { return contentCreated_; }
    // Copies the state of the page's model into its controls, once they exist; the frame calls
    // it when a model it owns changes.
    virtual void UpdateView() {}

protected:
    virtual void CreateContent(const PageContext&) {}

private:
    bool contentCreated_ = false;
};

}  // namespace tarvex
