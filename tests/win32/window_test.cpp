// The base of every window: binding an object to its window, the guard around its message
// handler, and which of the two goes first at the end.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/window.h"

namespace tarvex {
namespace {

constexpr UINT kProbeMessage = WM_APP + 1;

// Logs the messages that reach its handler, and throws on one of them when asked.
class ProbeWindow : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TarvexWindowTestProbe";

    HWND Create(HWND parent = nullptr) {
        RegisterWindowClass(kClassName);
        const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW;
        return CreateHandle(kClassName, L"probe", style, 0, 0, 0, 100, 100, parent, nullptr);
    }

    std::vector<UINT> Messages;
    HWND HandleAtNcCreate = nullptr;
    UINT ThrowOn = 0;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        Messages.push_back(message);
        if (message == WM_NCCREATE) HandleAtNcCreate = Handle();
        if (message == ThrowOn) throw Error("probe failed on " + std::to_string(message));
        if (message == kProbeMessage) return 42;
        return Window::OnMessage(message, wParam, lParam);
    }
};

// Collects what reaches the application's handler for unhandled errors while it lives.
class ReportedErrors {
public:
    ReportedErrors() {
        SetUnhandledErrorHandler([this](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                Texts.push_back(e.what());
            }
        });
    }
    ~ReportedErrors() { SetUnhandledErrorHandler(nullptr); }
    std::vector<std::string> Texts;
};

TEST(WindowTest, ObjectIsBoundFromWmNcCreateOn) {
    ProbeWindow window;
    const HWND hwnd = window.Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(window.Handle(), hwnd);
    EXPECT_EQ(window.HandleAtNcCreate, hwnd);
    ASSERT_FALSE(window.Messages.empty());
    EXPECT_EQ(window.Messages.front(), static_cast<UINT>(WM_NCCREATE));  // earlier ones go to DefWindowProc
    EXPECT_NE(std::find(window.Messages.begin(), window.Messages.end(), static_cast<UINT>(WM_CREATE)),
              window.Messages.end());
    EXPECT_EQ(SendMessageW(hwnd, kProbeMessage, 0, 0), 42);

    // Classes without a control of their own keep the font they are given.
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), font);
}

TEST(WindowTest, ErrorInTheHandlerIsReportedAndTheWindowGoesOn) {
    ReportedErrors reported;
    ProbeWindow window;
    window.Create();
    window.ThrowOn = WM_USER;
    EXPECT_EQ(SendMessageW(window.Handle(), WM_USER, 0, 0), 0);
    EXPECT_EQ(reported.Texts, std::vector<std::string>{"probe failed on " + std::to_string(WM_USER)});
    EXPECT_TRUE(IsWindow(window.Handle()));
    EXPECT_EQ(SendMessageW(window.Handle(), kProbeMessage, 0, 0), 42);
}

TEST(WindowTest, RefusedCreationIsAnErrorAndLeavesNoHandle) {
    ReportedErrors reported;
    ProbeWindow window;
    window.ThrowOn = WM_NCCREATE;  // the guard answers 0: the system refuses the window
    EXPECT_THROW(window.Create(), Win32Error);
    EXPECT_EQ(window.Handle(), nullptr);
    EXPECT_EQ(reported.Texts.size(), 1u);

    // Refused before any message: the error carries the system's code.
    ProbeWindow orphan;
    const HWND noSuchParent = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7654320));
    DWORD code = 0;
    try {
        orphan.Create(noSuchParent);
    } catch (const Win32Error& e) {
        code = e.Code();
    }
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(orphan.Handle(), nullptr);
    EXPECT_TRUE(orphan.Messages.empty());
}

TEST(WindowTest, ObjectAndWindowEndInEitherOrder) {
    // The object goes first: it takes its window along.
    auto window = std::make_unique<ProbeWindow>();
    const HWND hwnd = window->Create();
    window.reset();
    EXPECT_FALSE(IsWindow(hwnd));

    // The window goes first: the object sees the end and keeps no handle.
    ProbeWindow survivor;
    DestroyWindow(survivor.Create());
    EXPECT_EQ(survivor.Handle(), nullptr);
    EXPECT_EQ(survivor.Messages.back(), static_cast<UINT>(WM_NCDESTROY));

    // A parent destroyed first takes its children's windows along.
    auto parent = std::make_unique<ProbeWindow>();
    parent->Create();
    ProbeWindow child;
    const HWND childHwnd = child.Create(parent->Handle());
    parent.reset();
    EXPECT_FALSE(IsWindow(childHwnd));
    EXPECT_EQ(child.Handle(), nullptr);
}

}  // namespace
}  // namespace tarvex
