#pragma once
// The base of every window of the program: one C++ object per window, a static window
// procedure that finds it, and a guard so that no exception unwinds into user32.
#include <windows.h>

#include <exception>
#include <functional>

namespace tarvex {

// Hands an error that nothing caught to the application's handler (the "Bug Report"
// dialog; a plain message box while none is set); the program goes on afterwards.
void ReportUnhandledError(std::exception_ptr error) noexcept;
void SetUnhandledErrorHandler(std::function<void(std::exception_ptr)> handler);

// Runs a callback from the platform under the guard.
template <typename Fn>
void Guarded(Fn&& fn) noexcept {
    try {
        fn();
    } catch (...) {
        ReportUnhandledError(std::current_exception());
    }
}

// Where a window of this size stands centred on `area`, never left of or above the screen's
// origin.
POINT CentredOn(const RECT& area, LONG width, LONG height);

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const noexcept { return hwnd_; }

    // Registers a class whose window procedure dispatches to Window objects (once per name);
    // throws Win32Error when the system refuses.
    static void RegisterWindowClass(const wchar_t* className, UINT style = CS_DBLCLKS, HBRUSH background = nullptr,
                                    HICON icon = nullptr, HCURSOR cursor = nullptr);

protected:
    // Creates the window of a registered class for this object; throws Win32Error when the
    // system refuses, so that no caller goes on with a window that is not there.
    HWND CreateHandle(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y,
                      int width, int height, HWND parent, HMENU menuOrId);
    // A dialog of the program (class registered with the dialog face colour; by default
    // caption, system menu, modal frame, dialog keys) whose client area is clientWidth x
    // clientHeight 96-DPI pixels at the screen's DPI, centred on `area` but never left of or
    // above the screen's origin. Throws Win32Error as CreateHandle does.
    static constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    static constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    HWND CreateDialogFrame(const wchar_t* className, const wchar_t* title, int clientWidth, int clientHeight,
                           const RECT& area, HWND owner, DWORD style = kDialogStyle, DWORD exStyle = kDialogExStyle);
    // The primary screen, for a dialog centred on it.
    static RECT ScreenArea();
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;  // WM_SETFONT/WM_GETFONT for classes that have no control of their own
};

}  // namespace tarvex
