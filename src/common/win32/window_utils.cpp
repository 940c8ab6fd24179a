#include "common/win32/window_utils.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstddef>

#include "common/windows_version.h"
#include "platform/win32/os_version.h"
#include "platform/win32/system_function.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {
namespace {

// Controls do not own the fonts they are given: fonts made here are kept as a window
// property and freed when the window goes.
constexpr wchar_t kFormFontProperty[] = L"TarvexFormFont";

LRESULT CALLBACK FormFontOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        if (auto font = static_cast<HFONT>(RemovePropW(window, kFormFontProperty))) DeleteObject(font);
        RemoveWindowSubclass(window, FormFontOwnerProc, id);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// Sets a font on a window. An owned font is the window's to free (when the window goes
// or gets another font); a font that is not owned belongs to someone else, such as the
// form whose font a control follows.
void SetFont(HWND window, HFONT font, bool owned) {
    auto previous = static_cast<HFONT>(GetPropW(window, kFormFontProperty));
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (owned) {
        if (!previous) SetWindowSubclass(window, FormFontOwnerProc, 1, 0);
        SetPropW(window, kFormFontProperty, font);
    } else if (previous) {
        RemovePropW(window, kFormFontProperty);
    }
    if (previous) DeleteObject(previous);
}

struct ChildFontContext {
    HWND Form;
    HFONT FormFont;           // the form's new font
    const wchar_t* FaceName;  // its face
    HFONT PreviousFormFont;   // null when the form had none
};

BOOL CALLBACK ApplyFontToChild(HWND child, LPARAM lParam) {
    const auto* context = reinterpret_cast<const ChildFontContext*>(lParam);
    if (GetWindowThreadProcessId(child, nullptr) != GetWindowThreadProcessId(context->Form, nullptr)) return TRUE;
    const auto current = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    // A control that was never given a font, or has the form's, follows the form as a whole.
    if (!current || current == context->PreviousFormFont) {
        SetFont(child, context->FormFont, false);
        return TRUE;
    }
    // Any other font keeps its size and style and takes the form's face.
    LOGFONTW font{};
    if (GetObjectW(current, sizeof font, &font) != sizeof font) return TRUE;
    lstrcpynW(font.lfFaceName, context->FaceName, LF_FACESIZE);
    if (HFONT changed = CreateFontIndirectW(&font)) SetFont(child, changed, true);
    return TRUE;
}

}  // namespace

UINT NonClientMetricsSize(const OsVersionInfo& os) {
    return IsWindowsVistaOrLater(os) ? sizeof(NONCLIENTMETRICSW) : offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
}

void ApplyFormFont(HWND window) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = NonClientMetricsSize(QueryOsVersion());
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return;
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    if (!font) return;
    // The controls first: the form's previous font may be freed when the form gets the new one.
    ChildFontContext context{window, font, metrics.lfMessageFont.lfFaceName,
                             reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0))};
    EnumChildWindows(window, ApplyFontToChild, reinterpret_cast<LPARAM>(&context));
    SetFont(window, font, true);
}

void EnableCloseCommand(HWND window, bool enabled) {
    if (HMENU menu = GetSystemMenu(window, FALSE))
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enabled ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
}

bool IsUserAdministrator(const OsVersionInfo& os) {
    if (!IsWindowsVistaOrLater(os)) return false;
    UniqueModule shell(LoadLibraryW(L"shell32.dll"));
    if (!shell) return false;
    using IsUserAnAdminFn = BOOL(WINAPI*)();
    const auto isUserAnAdmin = ModuleFunction<IsUserAnAdminFn>(shell.get(), "IsUserAnAdmin");
    return isUserAnAdmin && isUserAnAdmin();
}

namespace {

HMODULE UxTheme() {
    static const HMODULE uxtheme = LoadSystemLibrary(L"uxtheme.dll").release();
    return uxtheme;
}

}  // namespace

bool VisualStylesAvailable() {
    return UxTheme() != nullptr;
}

bool VisualStylesInUse() {
    using BoolFunction = BOOL(WINAPI*)();
    const auto isAppThemed = ModuleFunction<BoolFunction>(UxTheme(), "IsAppThemed");
    const auto isThemeActive = ModuleFunction<BoolFunction>(UxTheme(), "IsThemeActive");
    return isAppThemed && isThemeActive && isAppThemed() && isThemeActive();
}

TimerResolution::TimerResolution() : granted_(timeBeginPeriod(1) == TIMERR_NOERROR) {}

TimerResolution::~TimerResolution() {
    if (granted_) timeEndPeriod(1);
}

}  // namespace tarvex

namespace tarvex {

void BringToForeground(HWND window) {
    const HWND foreground = GetForegroundWindow();
    if (foreground == window) return;
    const DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    if (foregroundThread != windowThread) {
        AttachThreadInput(foregroundThread, windowThread, TRUE);
        const bool granted = SetForegroundWindow(window);
        AttachThreadInput(foregroundThread, windowThread, FALSE);
        if (granted) SetForegroundWindow(window);
    } else {
        SetForegroundWindow(window);
    }
}

}  // namespace tarvex
