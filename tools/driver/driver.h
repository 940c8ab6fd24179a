#pragma once
// Works a running program from outside: processes, windows and controls, dialogs, menus, the
// registry, screenshots and shared memory. End-to-end tests and tvdriver use it under Wine.
//
// Every call that talks to another process's window goes through SendMessageTimeoutW, so a hung
// or modal target makes a call fail instead of blocking the test. Functions that look something
// up return nullptr / std::nullopt / empty when it is not there; only Launch throws.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace tarvex::driver {

inline constexpr UINT kSendTimeoutMs = 5000;
inline constexpr DWORD kPollIntervalMs = 20;

// ---- Processes -------------------------------------------------------------------------------

// A process this driver started. The destructor ends it if it still runs, so a failing test
// never leaves a program behind.
class Process {
public:
    Process() = default;
    Process(UniqueKernelHandle process, DWORD id) noexcept;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    ~Process();

    DWORD Id() const noexcept { return id_; }
    HANDLE Handle() const noexcept { return process_.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(process_); }
    bool Running() const;
    // The exit code once the process has ended within the time, else nullopt.
    std::optional<DWORD> WaitExit(DWORD timeoutMs) const;
    // Ends the process and waits for it; true when it is gone (also when it had already ended).
    bool Terminate(UINT exitCode = 1);

private:
    UniqueKernelHandle process_;
    DWORD id_ = 0;
};

// Starts `exe` with `args` appended to its quoted path. Throws std::runtime_error on failure.
Process Launch(std::wstring exe, std::wstring args = {}, std::wstring workingDirectory = {});

// "/work/x/a.exe" -> "Z:\work\x\a.exe"; a path that does not start with '/' is returned as is.
std::wstring UnixToWinePath(std::wstring_view path);
// The value of an environment variable, nullopt when it is not set.
std::optional<std::wstring> EnvironmentValue(const wchar_t* name);

// Polls `condition` every kPollIntervalMs until it holds or the time is up; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// ---- Windows ---------------------------------------------------------------------------------

// What a top-level window must match; unset fields match anything. Class names compare without
// regard to case (as Windows does), titles exactly.
struct WindowQuery {
    std::optional<std::wstring> ClassName = std::nullopt;
    std::optional<std::wstring> Title = std::nullopt;
    DWORD ProcessId = 0;  // 0: any process
    bool VisibleOnly = false;
};

std::vector<HWND> FindTopWindows(const WindowQuery& query);
HWND FindTopWindow(const WindowQuery& query);
HWND WaitTopWindow(const WindowQuery& query, DWORD timeoutMs);
// Waits until `window` is destroyed or hidden.
bool WaitWindowGone(HWND window, DWORD timeoutMs);

// All descendants of `parent`, depth first in Z order.
std::vector<HWND> Descendants(HWND parent);
// The direct children of `parent` only.
std::vector<HWND> Children(HWND parent);
// The `index`-th descendant of that class.
HWND FindChildByClass(HWND parent, std::wstring_view className, size_t index = 0);
HWND FindChildById(HWND parent, int controlId);
// A descendant whose text is exactly `text`, optionally also of a class.
HWND FindChildByText(HWND parent, std::wstring_view text, std::wstring_view className = {});

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
LONG_PTR Style(HWND window);
LONG_PTR ExStyle(HWND window);
int ControlId(HWND window);
DWORD ProcessOf(HWND window);
bool IsEnabled(HWND window);
bool IsVisible(HWND window);  // the window and all its ancestors
bool IsMinimized(HWND window);
RECT WindowRect(HWND window);  // screen coordinates
RECT ClientRect(HWND window);
HWND ForegroundWindow();

// ---- Messages and actions --------------------------------------------------------------------

// SendMessageTimeoutW; nullopt when the target did not answer in time or is gone.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                            UINT timeoutMs = kSendTimeoutMs);
bool Post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Clicks a push button, check box or radio button like the user would (BM_CLICK); refuses a
// disabled control. Click waits for the click's handling; when that opens a modal dialog the call
// times out, so use PostClick there and wait for the dialog.
bool Click(HWND button, UINT timeoutMs = kSendTimeoutMs);
bool PostClick(HWND button);
// BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE; -1 when the control does not answer.
int CheckState(HWND button);
bool IsChecked(HWND button);
// Clicks the check box if its state differs; true when it ends up in `checked`.
bool SetChecked(HWND button, bool checked);

// WM_COMMAND as a menu item sends it (posted: the command may open a modal window).
bool PostCommand(HWND window, int commandId);
// WM_SYSCOMMAND (SC_MINIMIZE, SC_RESTORE, SC_CLOSE...), sent or posted.
bool SysCommand(HWND window, WPARAM command);
bool PostSysCommand(HWND window, WPARAM command);
bool PostClose(HWND window);

// Combo boxes. Select sets the selection and notifies the parent with CBN_SELCHANGE as a user's
// choice does.
int ComboSelectedIndex(HWND combo);
int ComboCount(HWND combo);
std::vector<std::wstring> ComboItems(HWND combo);
bool ComboSelect(HWND combo, int index);
bool ComboSelectText(HWND combo, std::wstring_view text);

// List boxes. Select notifies the parent with LBN_SELCHANGE.
int ListBoxSelectedIndex(HWND listBox);
std::vector<std::wstring> ListBoxItems(HWND listBox);
bool ListBoxSelect(HWND listBox, int index);

// List views, read across processes through memory allocated in the owner process.
int ListViewCount(HWND listView);
int ListViewColumnCount(HWND listView);
std::vector<std::wstring> ListViewColumns(HWND listView);
std::optional<std::wstring> ListViewText(HWND listView, int item, int subItem = 0);
// Every item's texts, one row per item, one entry per column (at least one).
std::vector<std::vector<std::wstring>> ListViewRows(HWND listView);
int ListViewSelectedIndex(HWND listView);  // -1: none
UINT ListViewItemState(HWND listView, int item, UINT mask);
// Selects and focuses one item (the list view tells its parent with LVN_ITEMCHANGED).
bool ListViewSelect(HWND listView, int item);

// Tab controls. Select moves as a click on the tab does (with TCN_SELCHANGING/TCN_SELCHANGE).
int TabSelectedIndex(HWND tab);
int TabCount(HWND tab);
bool TabSelect(HWND tab, int index);

// ---- Dialogs (message boxes and task dialogs, class "#32770") --------------------------------

inline constexpr wchar_t kDialogClass[] = L"#32770";

struct DialogButton {
    int Id = 0;
    std::wstring Text;
    bool Enabled = false;
};

struct DialogContent {
    std::wstring Title;
    std::vector<std::wstring> Texts;  // the non-empty static and link texts, in Z order
    std::vector<DialogButton> Buttons;
};

// A visible dialog of that process (the first one in Z order, i.e. the topmost).
HWND FindDialog(DWORD processId);
HWND WaitDialog(DWORD processId, DWORD timeoutMs);
DialogContent ReadDialog(HWND dialog);
// Answers with IDOK, IDCANCEL, IDYES, IDNO... or a task dialog's button id: BM_CLICK on the
// button when it is a control, else TDM_CLICK_BUTTON. Posted; wait for the dialog to go.
bool AnswerDialog(HWND dialog, int buttonId);

// The clipboard's Unicode text, nullopt when it holds none or is not to be had.
std::optional<std::wstring> ClipboardText();

// ---- Menus -----------------------------------------------------------------------------------

struct MenuItem {
    UINT Id = 0;
    std::wstring Text;
    UINT Type = 0;   // MFT_*
    UINT State = 0;  // MFS_*
    std::vector<MenuItem> SubItems;
    bool IsSeparator() const noexcept { return (Type & MFT_SEPARATOR) != 0; }
    bool IsEnabled() const noexcept { return (State & MFS_DISABLED) == 0; }
    bool IsChecked() const noexcept { return (State & MFS_CHECKED) != 0; }
};

// Wine keeps menus per process: these read menus of this process only, and come back empty
// for another's. Work another process's menus with PostCommand or, for an open popup, PostKeys.
std::vector<MenuItem> MenuItems(HMENU menu);
// The items of a window's menu bar (GetMenu), with their submenus.
std::vector<MenuItem> MenuBarItems(HWND window);
// An open popup or track menu (class "#32768") of that process, and the menu it shows.
HWND FindPopupMenu(DWORD processId);
HWND WaitPopupMenu(DWORD processId, DWORD timeoutMs);
HMENU PopupMenuHandle(HWND popupMenuWindow);
// Posts key presses (WM_KEYDOWN and WM_KEYUP), e.g. VK_DOWN, VK_DOWN, VK_RETURN to an open popup
// menu to choose its second item, or VK_ESCAPE to close it.
bool PostKeys(HWND window, const std::vector<WORD>& virtualKeys);

// ---- Real input ------------------------------------------------------------------------------
// What messages cannot do, such as the notification area's own handling of a click on an icon:
// input through the X server, as a user's hand gives it. The virtual desktop covers the X screen
// from its origin, so screen coordinates are X coordinates.

// Wine's taskbar on the virtual desktop (class "Shell_TrayWnd"), nullptr when there is none.
HWND FindTaskbar();
// The middle of a notification-area icon on that taskbar, in screen coordinates; nullopt without
// a taskbar. Wine lines the icons up from the taskbar's right end, the first added rightmost,
// each a small icon plus a 2-pixel border on either side.
std::optional<POINT> NotificationIconCenter(size_t index = 0);
// Moves the pointer to a screen point and clicks `button` (1 left, 2 middle, 3 right) `count`
// times in quick succession (a double click for 2) with the host's xdotool. Wine starts the Unix
// program without a handle to wait on: wait for the click's effect. False when it did not start.
bool XClick(POINT at, int button, int count = 1);
// Presses keys on the focused window with xdotool, as "ctrl+Tab" or "ctrl+shift+Tab". Wait for
// their effect.
bool XKeys(std::wstring_view keys);

// ---- Registry --------------------------------------------------------------------------------

enum class RegistryView { Default, Force64, Force32 };

struct RegistryKey {
    HKEY Root = HKEY_CURRENT_USER;
    std::wstring SubKey;
    RegistryView View = RegistryView::Default;
};

bool KeyExists(const RegistryKey& key);
bool ValueExists(const RegistryKey& key, std::wstring_view name);
std::optional<DWORD> ValueType(const RegistryKey& key, std::wstring_view name);  // REG_*
// Each reader returns nullopt when the value is missing or of another type. Strings accept
// REG_SZ and REG_EXPAND_SZ (unexpanded) and lose their terminating zeros.
std::optional<DWORD> ReadDword(const RegistryKey& key, std::wstring_view name);
std::optional<std::wstring> ReadString(const RegistryKey& key, std::wstring_view name);
std::optional<std::vector<uint8_t>> ReadBinary(const RegistryKey& key, std::wstring_view name);
// Writers create the key as needed.
bool WriteDword(const RegistryKey& key, std::wstring_view name, DWORD value);
bool WriteString(const RegistryKey& key, std::wstring_view name, std::wstring_view value);
bool WriteBinary(const RegistryKey& key, std::wstring_view name, const std::vector<uint8_t>& value);
// Any type, the bytes as stored (texts in UTF-16 with their terminating zeros).
struct RegistryValue {
    DWORD Type = REG_NONE;
    std::vector<uint8_t> Data;
};
std::optional<RegistryValue> ReadValue(const RegistryKey& key, std::wstring_view name);
bool WriteValue(const RegistryKey& key, std::wstring_view name, DWORD type, const std::vector<uint8_t>& data);
// True when the value or key is gone afterwards (also when it was never there).
bool DeleteValue(const RegistryKey& key, std::wstring_view name);
bool DeleteKeyTree(const RegistryKey& key);
// Lets everyone only read the key (false) or do anything with it (true), as its one access rule.
bool SetKeyWritable(const RegistryKey& key, bool writable);

// The Windows version Wine reports to processes started from now on ("winxp", "win98", "vista"...);
// empty removes the setting (Wine's default, Windows 7).
bool SetWineVersion(std::wstring_view version);

// ---- Screenshots -----------------------------------------------------------------------------

struct Image {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Rgb;  // rows top to bottom, 3 bytes a pixel
};

// What the screen shows in the window's rectangle (clipped to the screen), or the whole screen,
// once the window has painted and the picture has stopped changing (for at most a second).
std::optional<Image> CaptureWindow(HWND window);
std::optional<Image> CaptureScreen();
// A window of this process (a top-level window or a control) as it is painted: its pending
// paints run, then its pixels are read from its own window DC, not from the screen, which Wine
// updates only when the thread waits. Works without a display too: Wine's null driver keeps
// the pixels of each window.
std::optional<Image> CaptureOwnWindow(HWND window);

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);
// An 8-bit RGB PNG whose zlib stream holds stored (uncompressed) deflate blocks.
std::vector<uint8_t> EncodePng(const Image& image);
bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
// Captures the window (the whole screen when nullptr) into a PNG file.
bool SaveScreenshot(HWND window, const std::wstring& path);

// ---- Shared memory ---------------------------------------------------------------------------

// A copy of the first `byteCount` bytes of a named file mapping, nullopt when it does not exist.
std::optional<std::vector<uint8_t>> PeekSharedMemory(const std::wstring& name, size_t byteCount);

// The single-instance table that the program keeps in shared memory.
struct InstanceTable {
    uint16_t Limit = 0;
    uint16_t Count = 0;
    std::vector<uint32_t> ProcessIds;  // the first Count slots (at most 257)
};

inline constexpr size_t kInstanceTableBytes = 1032;
// "JCL" + the full upper-cased executable path with '\' as '_' + "_All".
std::wstring InstanceTableName(std::wstring_view exePath);
std::optional<InstanceTable> ParseInstanceTable(const std::vector<uint8_t>& bytes);
std::optional<InstanceTable> ReadInstanceTable(std::wstring_view exePath);

}  // namespace tarvex::driver
