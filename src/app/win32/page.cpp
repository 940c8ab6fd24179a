#include "app/win32/page.h"

namespace tarvex {

void TPage::CreatePage(HWND pageControl, const wchar_t* name, int width, int height) {
    Create(kClassName, pageControl, 0, 0, width, height, RGB(255, 255, 255));
    SetWindowTextW(Handle(), name);
    ShowWindow(Handle(), SW_HIDE);
}

void TPage::Show(const PageContext& context) {
    if (!contentCreated_) {
        // Marked first: a page whose content failed half-way is not made twice.
        contentCreated_ = true;
        PageContext own = context;
        own.Where.Parent = Handle();
        CreateContent(own);
    }
    ShowWindow(Handle(), SW_SHOW);
}

void TPage::Hide() {
    ShowWindow(Handle(), SW_HIDE);
}

}  // namespace tarvex
