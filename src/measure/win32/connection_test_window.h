#pragma once
// "Test connection": the round trip and the download of the test address, live, with a progress
// bar and "Cancel"; then the figures, the recommendation for the running Windows and "Apply
// recommendation". Modal over the main window; each test that completes is kept with the others.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "measure/connection_test.h"
#include "platform/win32/controls.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"

namespace tarvex {

class TConnectionTestWindow final : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TConnectionTestWindow";
    static constexpr int kWidth = 440;
    static constexpr int kHeight = 300;

    // What the window needs of the program, all asked once the test has figures.
    struct Hooks {
        std::function<RecommendContext()> Context;  // the running Windows and the level in force
        // Stores the test of the address with the settings in force.
        std::function<void(const std::string& address, const ConnectionFigures&)> Keep;
        std::function<bool(const Recommendation&)> CanApply;
        std::function<bool(const Recommendation&)> Apply;     // true when it was written
        std::function<void(const std::string&)> SaveAddress;  // a new address the user tested
    };

    TConnectionTestWindow(ConnectProbe& probe, HttpTransfer& transfer, TestHost& host, Hooks hooks);

    // Shows the window over `owner` and runs the test of `address` at once; returns when the
    // window is closed.
    void ShowModal(HWND owner, const std::string& address);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void RunTest(const std::string& address);
    void TestAgain();
    void UpdateView();
    void Finish();
    void Close();

    ConnectionTestModel model_;
    Hooks hooks_;
    std::optional<Recommendation> recommendation_;
    std::string address_;  // the one under test
    HWND owner_ = nullptr;
    bool running_ = false;
    bool done_ = false;
    bool closeAsked_ = false;
    UniqueFont font_, boldFont_;
    TLabel lblAddress, lblStage, lblLive, lblResult;
    TEdit txtAddress;
    TProgressBar pbTest;
    TButton btnTestAgain, btnApply, btnCancel;
};

}  // namespace tarvex
