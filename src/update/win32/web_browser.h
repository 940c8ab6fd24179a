#pragma once
// The embedded web browser of the update wizard's what's-new page: the system's WebBrowser
// object, in place in a child window of ours, which is its client site and its host-UI
// handler. As host it asks for no 3-D border, the dialog look without text selection, the
// themed look when the program's visual style is active, and shows no context menu.
//
// Where the object cannot be made (no OLE, no browser installed), the window says so in its
// own text instead, and Navigate does nothing.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/com.h"
#include "platform/win32/window.h"

namespace tarvex {

class WebBrowserSite;
// Lets go of the window's reference to its site.
struct WebBrowserSiteRelease {
    void operator()(WebBrowserSite* site) const noexcept;
};

class TWebBrowser final : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TWebBrowserHost";

    TWebBrowser();
    ~TWebBrowser() override;

    // Makes the window at `bounds` (device pixels) in `parent` and the browser in it.
    void Create(HWND parent, int id, const RECT& bounds);
    // True when the browser object is in place.
    bool Available() const;
    // What the window says when the browser could not be made.
    const std::wstring& Failure() const { return failure_; }
    // Starts loading `url`; false when there is no browser or it refused the address.
    bool Navigate(std::string_view url);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Embed();
    void Paint();

    // OLE for the browser's life on this thread: made before the site, ended after it.
    std::optional<OleSession> ole_;
    std::unique_ptr<WebBrowserSite, WebBrowserSiteRelease> site_;
    std::wstring failure_;
};

}  // namespace tarvex
