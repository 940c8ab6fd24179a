#include "app/win32/main_form.h"

#include <string>

#include "app/win32/application.h"
#include "common/error.h"
#include "common/version_text.h"
#include "common/windows_version.h"
#include "platform/program_info.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTEXTHELP;

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

TTarvexMainForm::TTarvexMainForm() = default;
TTarvexMainForm::~TTarvexMainForm() = default;

void TTarvexMainForm::Create(int showCommand) {
    {
        HDC screen = GetDC(nullptr);
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    RegisterWindowClass(kClassName, CS_DBLCLKS, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)),
                        Application().Icon);
    RECT frame{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    CreateHandle(kClassName, Application().Title.c_str(), kStyle, kExStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                 frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr);
    if (!Handle()) throw Error("The main window could not be created");
    Application().MainWindow = Handle();

    LOGFONTW logFont{};
    logFont.lfHeight = -MulDiv(8, dpi_, 72);
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(logFont.lfFaceName, L"Tahoma");
    font_.reset(CreateFontIndirectW(&logFont));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

    // A failing step ends the sequence there; the window opens all the same.
    Guarded([this] { FormCreate(); });
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
}

void TTarvexMainForm::FormCreate() {
    os_ = QueryOsVersion();
    Application().HelpFile = DirectoryOf(ExecutablePath()) + "Tarvex.chm";

    const std::string versionText = VersionText(OwnFileVersion());
    const std::wstring caption =
        Application().Title + L" " + Utf8ToWide(versionText) + L" (" + Utf8ToWide(WindowsReleaseName(os_)) + L")";
    SetWindowTextW(Handle(), caption.c_str());
}

void TTarvexMainForm::FormClose() {}

LRESULT TTarvexMainForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = {Scale(kMinWidth), Scale(kMinHeight)};
            return 0;
        }
        case WM_CLOSE:
            if (!FormCloseQuery()) return 0;
            FormClose();
            DestroyWindow(Handle());
            return 0;
        case WM_DESTROY:
            Application().MainWindow = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return Window::OnMessage(message, wParam, lParam);
    }
}

}  // namespace tarvex
