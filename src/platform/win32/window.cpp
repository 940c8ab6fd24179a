#include "platform/win32/window.h"

#include <algorithm>
#include <string>

#include "common/error.h"
#include "platform/win32/controls.h"
#include "platform/win32/unicode.h"
#include "platform/win32/win32_error.h"

namespace tarvex {
namespace {

std::function<void(std::exception_ptr)>& Handler() {
    static std::function<void(std::exception_ptr)> handler;
    return handler;
}

}  // namespace

void SetUnhandledErrorHandler(std::function<void(std::exception_ptr)> handler) {
    Handler() = std::move(handler);
}

void ReportUnhandledError(std::exception_ptr error) noexcept {
    try {
        if (Handler()) {
            Handler()(error);
            return;
        }
        const std::wstring text = Utf8ToWide(DescribeError(error));
        MessageBoxW(GetActiveWindow(), text.c_str(), L"Bug Report", MB_OK | MB_ICONERROR);
    } catch (...) {
        // Reporting must never throw back into the platform.
    }
}

// A window normally ends before its object (DestroyWindow, or its parent's), and its
// WM_DESTROY reaches the object. An object that ends first has no derived part left to
// answer, so its window is detached before it is destroyed; such an object does its own
// clean-up in its destructor.
Window::~Window() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Window::RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background, HICON icon, HCURSOR cursor) {
    WNDCLASSEXW existing{sizeof existing};
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &existing)) return;
    WNDCLASSEXW wc{sizeof wc};
    wc.style = style;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    CheckWin32(RegisterClassExW(&wc), "RegisterClassExW");
}

HWND Window::CreateHandle(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y,
                          int width, int height, HWND parent, HMENU menuOrId) {
    return CheckWin32(CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menuOrId,
                                      GetModuleHandleW(nullptr), this),
                      "CreateWindowExW");
}

POINT CentredOn(const RECT& area, LONG width, LONG height) {
    return {std::max(0L, (area.left + area.right - width) / 2), std::max(0L, (area.top + area.bottom - height) / 2)};
}

HWND Window::CreateDialogFrame(const wchar_t* className, const wchar_t* title, int clientWidth, int clientHeight,
                               const RECT& area, HWND owner, DWORD style, DWORD exStyle) {
    RegisterWindowClass(className, CS_DBLCLKS, GetSysColorBrush(COLOR_BTNFACE));
    const int dpi = ScreenDpi();
    RECT frame{0, 0, MulDiv(clientWidth, dpi, 96), MulDiv(clientHeight, dpi, 96)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    const POINT at = CentredOn(area, width, height);
    return CreateHandle(className, title, style, exStyle, at.x, at.y, width, height, owner, nullptr);
}

RECT Window::ScreenArea() {
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam)) InvalidateRect(hwnd_, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        default:
            return Default(message, wParam, lParam);
    }
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        // A control object gets its own notifications first.
        if (const auto reflected = TControl::Reflect(hwnd, message, wParam, lParam)) {
            result = *reflected;
        } else {
            result = self->OnMessage(message, wParam, lParam);
        }
    } catch (...) {
        ReportUnhandledError(std::current_exception());
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace tarvex
