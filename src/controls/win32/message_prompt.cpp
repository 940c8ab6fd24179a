#include "controls/win32/message_prompt.h"

#include <commctrl.h>

#include <array>
#include <string>
#include <vector>

#include "common/win32/window_utils.h"
#include "platform/win32/window.h"
#include "platform/win32/os_version.h"
#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

struct ButtonKind {
    MsgDlgButton Button;
    int Result;
    const wchar_t* Caption;
};

// In the order a prompt shows them.
constexpr std::array<ButtonKind, 8> kButtons = {{
    {mbYes, IDYES, L"&Yes"},
    {mbNo, IDNO, L"&No"},
    {mbOK, IDOK, L"OK"},
    {mbCancel, IDCANCEL, L"Cancel"},
    {mbAbort, IDABORT, L"&Abort"},
    {mbRetry, IDRETRY, L"&Retry"},
    {mbIgnore, IDIGNORE, L"&Ignore"},
    {mbClose, IDCLOSE, L"&Close"},
}};

// How a prompt of each type looks: its caption, and its icon as a message box and as a task
// dialog (none for the custom type).
struct TypeLook {
    const wchar_t* Caption;
    UINT MessageBoxIcon;
    const wchar_t* TaskDialogIcon;
};

TypeLook LookOf(MsgDlgType type) {
    switch (type) {
        case MsgDlgType::mtWarning:
            return {L"Warning", MB_ICONWARNING, TD_WARNING_ICON};
        case MsgDlgType::mtError:
            return {L"Error", MB_ICONERROR, TD_ERROR_ICON};
        case MsgDlgType::mtInformation:
            return {L"Information", MB_ICONINFORMATION, TD_INFORMATION_ICON};
        case MsgDlgType::mtConfirmation:
            return {L"Confirm", MB_ICONQUESTION, TD_INFORMATION_ICON};
        case MsgDlgType::mtCustom:
            break;
    }
    return {L"Tarvex", 0, nullptr};
}

// The message box's button set that holds the requested buttons.
UINT MessageBoxButtons(unsigned buttons) {
    if ((buttons & (mbYes | mbNo)) && (buttons & mbCancel)) return MB_YESNOCANCEL;
    if (buttons & (mbYes | mbNo)) return MB_YESNO;
    if (buttons & (mbAbort | mbIgnore)) return MB_ABORTRETRYIGNORE;
    if (buttons & mbRetry) return MB_RETRYCANCEL;
    if (buttons & mbCancel) return MB_OKCANCEL;
    return MB_OK;
}

// Moves the next message box of this thread so that its centre is on the centre of a window.
class CentreNextMessageBox {
public:
    explicit CentreNextMessageBox(HWND over) {
        over_ = over;
        hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    }
    ~CentreNextMessageBox() {
        if (hook_) UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }
    CentreNextMessageBox(const CentreNextMessageBox&) = delete;
    CentreNextMessageBox& operator=(const CentreNextMessageBox&) = delete;

private:
    // The box is placed as it is made, so that it never shows anywhere else.
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        wchar_t className[16] = L"";
        if (code == HCBT_CREATEWND && hook_ && GetClassNameW(reinterpret_cast<HWND>(wParam), className, 16) &&
            lstrcmpW(className, L"#32770") == 0) {
            CREATESTRUCTW& create = *reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
            RECT over;
            if (GetWindowRect(over_, &over)) {
                const POINT at = CentredOn(over, create.cx, create.cy);
                create.x = at.x;
                create.y = at.y;
            }
            const HHOOK hook = hook_;
            hook_ = nullptr;  // only the box; nothing it makes afterwards
            UnhookWindowsHookEx(hook);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND over_ = nullptr;
    static inline HHOOK hook_ = nullptr;
};

// Centres `window` over `over`, not starting left of or above the screen's origin.
void CentreOver(HWND window, HWND over) {
    RECT rect, overRect;
    if (!GetWindowRect(window, &rect) || !GetWindowRect(over, &overRect)) return;
    const POINT at = CentredOn(overRect, rect.right - rect.left, rect.bottom - rect.top);
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HRESULT CALLBACK PlaceTaskDialog(HWND dialog, UINT notification, WPARAM, LPARAM, LONG_PTR over) {
    if (notification == TDN_CREATED) CentreOver(dialog, reinterpret_cast<HWND>(over));
    return S_OK;
}

int TaskDialogPrompt(const std::wstring& text, MsgDlgType type, unsigned buttons, HWND active) {
    using TaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
    const auto taskDialogIndirect =
        LoadedSystemFunction<TaskDialogIndirectFunction>(L"comctl32.dll", "TaskDialogIndirect");
    if (!taskDialogIndirect) return -1;
    std::vector<TASKDIALOG_BUTTON> dialogButtons;
    for (const ButtonKind& kind : kButtons)
        if (buttons & kind.Button) dialogButtons.push_back({kind.Result, kind.Caption});
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = active;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    config.pfCallback = PlaceTaskDialog;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(active);
    const TypeLook look = LookOf(type);
    config.pszWindowTitle = look.Caption;
    config.pszMainIcon = look.TaskDialogIcon;
    config.pszContent = text.c_str();
    config.cButtons = static_cast<UINT>(dialogButtons.size());
    config.pButtons = dialogButtons.data();
    int pressed = 0;
    if (FAILED(taskDialogIndirect(&config, &pressed, nullptr, nullptr))) return -1;
    return pressed;
}

}  // namespace

int MessagePrompt(std::string_view text, MsgDlgType type, unsigned buttons, HWND owner) {
    const std::wstring wideText = Utf8ToWide(text);
    const TypeLook look = LookOf(type);
    const UINT style = look.MessageBoxIcon | MessageBoxButtons(buttons);
    const HWND active = GetActiveWindow();
    if (!active) return MessageBoxW(owner, wideText.c_str(), look.Caption, style);
    const OsVersionInfo os = QueryOsVersion();
    if (os.Platform == OsPlatform::WindowsNT && os.Major >= 6 && VisualStylesInUse()) {
        if (const int result = TaskDialogPrompt(wideText, type, buttons, active); result >= 0) return result;
    }
    const CentreNextMessageBox centre(active);
    return MessageBoxW(active, wideText.c_str(), look.Caption, style);
}

}  // namespace tarvex
