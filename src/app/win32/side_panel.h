#pragma once
// The side panel: three category panels with the program's links, the help and settings
// links, and the monitored connection's name and rates.
#include <functional>
#include <string>

#include "app/navigation.h"
#include "app/win32/panels.h"
#include "controls/win32/html_label.h"
#include "platform/win32/controls.h"

namespace tarvex {

class TSidePanel {
public:
    struct Fonts {
        HFONT Normal = nullptr;
        HFONT Bold = nullptr;
    };

    // Makes the panel in the frame at a rectangle in device pixels.
    void Create(const Surface& frame, const RECT& at, const Fonts& fonts, HIMAGELIST leftMenuImages);
    HWND Handle() const { return group_.Handle(); }
    // "Your connection": the monitored adapter and its current rates.
    void ShowConnection(const std::string& adapterName, const std::string& rateIn, const std::string& rateOut);

    std::function<void(const Route&)> OnRoute;

private:
    void CreateLinks(TQmHtmlLabel& label, HWND panel, int id, const char* caption, SideLabel which);
    void Navigate(const Route& route) {
        if (OnRoute) OnRoute(route);
    }

    Surface frame_;
    HIMAGELIST images_ = nullptr;
    TAdvPanelGroup group_;
    TQmHtmlLabel QmHtmlLabel1, QmHtmlLabel2, lblChangeAdapter;
    TLabel lblAdapterName, lblDownloading, lblRateIn2, lblSending, lblRateOut2;
};

}  // namespace tarvex
