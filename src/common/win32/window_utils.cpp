#include "common/win32/window_utils.h"

#include <commctrl.h>
#include <mmsystem.h>

#include "common/windows_version.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {
namespace {

// Controls do not own the fonts they are given: fonts made here are kept as a window
// property and freed when the window goes.
constexpr wchar_t kFormFontProperty[] = L"TarvexFormFont";

LRESULT CALLBACK FormFontOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        if (auto font = static_cast<HFONT>(RemovePropW(window, kFormFontProperty))) DeleteObject(font);
        RemoveWindowSubclass(window, FormFontOwnerProc, id);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// Sets a font on a window and makes the window the font's owner.
void SetOwnedFont(HWND window, HFONT font) {
    auto previous = static_cast<HFONT>(GetPropW(window, kFormFontProperty));
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SetPropW(window, kFormFontProperty, font);
    if (previous)
        DeleteObject(previous);
    else
        SetWindowSubclass(window, FormFontOwnerProc, 1, 0);
}

struct ChildFontContext {
    HWND Form;
    const wchar_t* FaceName;
};

BOOL CALLBACK ApplyFaceToChild(HWND child, LPARAM lParam) {
    const auto* context = reinterpret_cast<const ChildFontContext*>(lParam);
    const auto current = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    if (!current) return TRUE;  // a control without a font of its own takes its parent's
    LOGFONTW font{};
    if (GetObjectW(current, sizeof font, &font) != sizeof font) return TRUE;
    lstrcpynW(font.lfFaceName, context->FaceName, LF_FACESIZE);
    if (HFONT changed = CreateFontIndirectW(&font)) SetOwnedFont(child, changed);
    return TRUE;
}

}  // namespace

void ApplyFormFont(HWND window) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = 504;  // the Vista layout, with iPaddedBorderWidth
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return;
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    if (!font) return;
    SetOwnedFont(window, font);
    ChildFontContext context{window, metrics.lfMessageFont.lfFaceName};
    EnumChildWindows(window, ApplyFaceToChild, reinterpret_cast<LPARAM>(&context));
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
    const auto isUserAnAdmin =
        reinterpret_cast<IsUserAnAdminFn>(reinterpret_cast<void*>(GetProcAddress(shell.get(), "IsUserAnAdmin")));
    return isUserAnAdmin && isUserAnAdmin();
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
