// The smallest Win32 window program, built like Tarvex.exe: the baseline that the
// start-up benchmark compares against. Options add what the platform itself costs a
// program like Tarvex, so that share can be measured apart from Tarvex's own work:
//   EmptyWindow.exe [--comctl6] [--load=a.dll,b.dll,...] [--tray]
//   --comctl6  activates version 6 of the common controls (as Tarvex's manifest does) and
//              loads them
//   --load     loads these DLLs before the window is created
//   --tray     adds a notification-area icon before the window is shown
// The plain program imports only what it always did; everything else is loaded at run time.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "empty_window_ids.h"

namespace {

constexpr UINT kTrayIconId = 1;
bool trayIcon = false;

void DeleteTrayIcon(HWND hwnd);

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        if (trayIcon) DeleteTrayIcon(hwnd);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// "--name" anywhere on the command line.
bool HasOption(const wchar_t* commandLine, const wchar_t* option) {
    return wcsstr(commandLine, option) != nullptr;
}

// Version 6 of the common controls, through the same kind of manifest Tarvex.exe has.
void LoadCommonControls6(HINSTANCE instance) {
    wchar_t path[MAX_PATH];
    if (!GetModuleFileNameW(instance, path, MAX_PATH)) return;
    ACTCTXW context{sizeof context};
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path;
    context.lpResourceName = MAKEINTRESOURCEW(IDR_COMCTL6_MANIFEST);
    const HANDLE activation = CreateActCtxW(&context);
    if (activation == INVALID_HANDLE_VALUE) return;
    ULONG_PTR cookie = 0;
    // Kept active for the process, as a manifest would be.
    if (ActivateActCtx(activation, &cookie)) LoadLibraryW(L"comctl32.dll");
}

// "--load=a.dll,b.dll": loads each, in this order.
void LoadLibraries(const wchar_t* commandLine) {
    const wchar_t* list = wcsstr(commandLine, L"--load=");
    if (!list) return;
    list += 7;
    wchar_t name[MAX_PATH];
    while (*list && *list != L' ') {
        size_t length = 0;
        while (list[length] && list[length] != L',' && list[length] != L' ') ++length;
        if (length > 0 && length < MAX_PATH) {
            lstrcpynW(name, list, static_cast<int>(length) + 1);
            LoadLibraryW(name);
        }
        list += length;
        if (*list == L',') ++list;
    }
}

using NotifyIconFn = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);

NotifyIconFn NotifyIcon() {
    const HMODULE shell = LoadLibraryW(L"shell32.dll");
    return shell ? reinterpret_cast<NotifyIconFn>(reinterpret_cast<void*>(GetProcAddress(shell, "Shell_NotifyIconW")))
                 : nullptr;
}

void AddTrayIcon(HWND hwnd) {
    const auto notify = NotifyIcon();
    if (!notify) return;
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = hwnd;
    data.uID = kTrayIconId;
    data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = WM_APP;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(data.szTip, L"Empty", ARRAYSIZE(data.szTip));
    notify(NIM_ADD, &data);
}

void DeleteTrayIcon(HWND hwnd) {
    const auto notify = NotifyIcon();
    if (!notify) return;
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = hwnd;
    data.uID = kTrayIconId;
    notify(NIM_DELETE, &data);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
    const wchar_t* commandLine = GetCommandLineW();
    if (HasOption(commandLine, L"--comctl6")) LoadCommonControls6(instance);
    LoadLibraries(commandLine);
    trayIcon = HasOption(commandLine, L"--tray");

    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"EmptyWindow";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, L"EmptyWindow", L"Empty", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 649,
                                490, nullptr, nullptr, instance, nullptr);
    if (trayIcon) AddTrayIcon(hwnd);
    ShowWindow(hwnd, showCommand);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
