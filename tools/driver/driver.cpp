#include "driver.h"

#include <aclapi.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/win32/unicode.h"

namespace tarvex::driver {

namespace {

constexpr size_t kMaxClassName = 257;
constexpr DWORD kTerminateWaitMs = 5000;

bool SameClass(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && _wcsnicmp(a.data(), b.data(), a.size()) == 0;
}

bool Matches(HWND window, const WindowQuery& query) {
    if (query.ProcessId != 0 && ProcessOf(window) != query.ProcessId) return false;
    if (query.VisibleOnly && !IsWindowVisible(window)) return false;
    if (query.ClassName && !SameClass(ClassName(window), *query.ClassName)) return false;
    if (query.Title && WindowText(window) != *query.Title) return false;
    return true;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// The text a control's item has, read by a length message and a copy message; both are system
// messages, so Windows (and Wine) carry the buffer across processes.
std::optional<std::wstring> ItemText(HWND control, UINT lengthMessage, UINT textMessage, int index) {
    const auto length = Send(control, lengthMessage, static_cast<WPARAM>(index));
    if (!length || *length < 0) return std::nullopt;
    std::wstring text(static_cast<size_t>(*length) + 1, L'\0');
    const auto copied = Send(control, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (!copied || *copied < 0) return std::nullopt;
    text.resize(std::min(static_cast<size_t>(*copied), text.size() - 1));
    return text;
}

std::vector<std::wstring> ItemTexts(HWND control, UINT countMessage, UINT lengthMessage, UINT textMessage) {
    std::vector<std::wstring> items;
    const int count = static_cast<int>(Send(control, countMessage).value_or(0));
    for (int i = 0; i < count; ++i) items.push_back(ItemText(control, lengthMessage, textMessage, i).value_or(L""));
    return items;
}

bool NotifyParent(HWND control, WORD code) {
    const HWND parent = GetParent(control);
    if (!parent) return false;
    const WPARAM wParam = MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), code);
    return Send(parent, WM_COMMAND, wParam, reinterpret_cast<LPARAM>(control)).has_value();
}

// A block of memory in the process that owns a window, for messages that take pointers the
// system does not carry across processes (list view items and columns).
class RemoteMemory {
public:
    RemoteMemory(HWND owner, size_t size) {
        process_.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(owner)));
        if (process_)
            address_ = VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteMemory() {
        if (address_) VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    explicit operator bool() const noexcept { return address_ != nullptr; }
    uint8_t* At(size_t offset) const noexcept { return static_cast<uint8_t*>(address_) + offset; }
    LPARAM Param() const noexcept { return reinterpret_cast<LPARAM>(address_); }
    bool Write(size_t offset, const void* data, size_t size) const {
        SIZE_T done = 0;
        return WriteProcessMemory(process_.get(), At(offset), data, size, &done) && done == size;
    }
    bool Read(size_t offset, void* data, size_t size) const {
        SIZE_T done = 0;
        return ReadProcessMemory(process_.get(), At(offset), data, size, &done) && done == size;
    }

private:
    UniqueKernelHandle process_;
    void* address_ = nullptr;
};

constexpr int kRemoteTextChars = 2048;

// Sends a message whose lParam is a struct that points at a text buffer, both in the owner's
// memory, and reads the text back. `prepare` fills the struct given the remote buffer address.
template <typename Struct, typename Prepare>
std::optional<std::wstring> RemoteText(HWND control, UINT message, WPARAM wParam, Prepare prepare) {
    RemoteMemory memory(control, sizeof(Struct) + kRemoteTextChars * sizeof(wchar_t));
    if (!memory) return std::nullopt;
    Struct request{};
    prepare(request, reinterpret_cast<wchar_t*>(memory.At(sizeof(Struct))), kRemoteTextChars);
    if (!memory.Write(0, &request, sizeof(request))) return std::nullopt;
    if (!Send(control, message, wParam, memory.Param())) return std::nullopt;
    std::wstring text(kRemoteTextChars, L'\0');
    if (!memory.Read(sizeof(Struct), text.data(), text.size() * sizeof(wchar_t))) return std::nullopt;
    text.resize(std::wcslen(text.c_str()));
    return text;
}

REGSAM ViewFlag(RegistryView view) {
    switch (view) {
        case RegistryView::Force64:
            return KEY_WOW64_64KEY;
        case RegistryView::Force32:
            return KEY_WOW64_32KEY;
        case RegistryView::Default:
            break;
    }
    return 0;
}

UniqueHkey OpenKey(const RegistryKey& key, REGSAM access) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(key.Root, key.SubKey.c_str(), 0, access | ViewFlag(key.View), &handle) != ERROR_SUCCESS) {
        return UniqueHkey();
    }
    return UniqueHkey(handle);
}

UniqueHkey CreateKey(const RegistryKey& key) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(key.Root, key.SubKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | ViewFlag(key.View), nullptr,
                        &handle, nullptr) != ERROR_SUCCESS) {
        return UniqueHkey();
    }
    return UniqueHkey(handle);
}

std::optional<RegistryValue> QueryValue(const RegistryKey& key, std::wstring_view name) {
    const UniqueHkey handle = OpenKey(key, KEY_QUERY_VALUE);
    if (!handle) return std::nullopt;
    const std::wstring valueName(name);
    RegistryValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(handle.get(), valueName.c_str(), nullptr, &value.Type, nullptr, &size);
    // The value may grow between the two calls; ask again until the buffer fits.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        value.Data.resize(size);
        status = RegQueryValueExW(handle.get(), valueName.c_str(), nullptr, &value.Type, value.Data.data(), &size);
        if (status == ERROR_SUCCESS) {
            value.Data.resize(size);
            return value;
        }
    }
    return std::nullopt;
}

bool SetValue(const RegistryKey& key, std::wstring_view name, DWORD type, const void* data, size_t size) {
    const UniqueHkey handle = CreateKey(key);
    // RegSetValueExW adds a terminator to text whose count lacks one when the character past the
    // data is NUL; past this copy none is, so a seed is stored as exactly these bytes.
    std::vector<uint8_t> padded(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    padded.insert(padded.end(), 2, 0xFF);
    return handle && RegSetValueExW(handle.get(), std::wstring(name).c_str(), 0, type, padded.data(),
                                    static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

RECT ScreenRect() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// Draws into a 24-bit bitmap of that size with `draw` and returns the bitmap's pixels.
std::optional<Image> DrawnImage(int width, int height, const std::function<bool(HDC)>& draw) {
    if (width <= 0 || height <= 0) return std::nullopt;
    const WindowDc screenDc(nullptr);
    if (!screenDc.get()) return std::nullopt;
    const UniqueMemoryDc memoryDc(CreateCompatibleDC(screenDc.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueBitmap dib(CreateDIBSection(screenDc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memoryDc || !dib || !bits) return std::nullopt;
    {
        const SelectObjectScope select(memoryDc.get(), dib.get());
        if (!draw(memoryDc.get())) return std::nullopt;
    }
    GdiFlush();

    Image image{width, height, {}};
    image.Rgb.resize(static_cast<size_t>(width) * height * 3);
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = static_cast<const uint8_t*>(bits) + stride * y;
        uint8_t* target = image.Rgb.data() + static_cast<size_t>(width) * 3 * y;
        for (int x = 0; x < width; ++x) {  // the DIB holds blue, green, red
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    return image;
}

std::optional<Image> CaptureRect(RECT rect) {
    const RECT screen = ScreenRect();
    RECT area{};
    if (!IntersectRect(&area, &rect, &screen)) return std::nullopt;
    const WindowDc screenDc(nullptr);
    if (!screenDc.get()) return std::nullopt;
    return DrawnImage(area.right - area.left, area.bottom - area.top, [&](HDC target) {
        return BitBlt(target, 0, 0, area.right - area.left, area.bottom - area.top, screenDc.get(), area.left, area.top,
                      SRCCOPY | CAPTUREBLT) != FALSE;
    });
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char (&type)[5], const std::vector<uint8_t>& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

uint32_t LittleEndianAt(const std::vector<uint8_t>& bytes, size_t offset, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}

}  // namespace

// ---- Processes -------------------------------------------------------------------------------

Process::Process(UniqueKernelHandle process, DWORD id) noexcept : process_(std::move(process)), id_(id) {}

Process::Process(Process&& other) noexcept : process_(std::move(other.process_)), id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        if (Running()) Terminate();
        process_ = std::move(other.process_);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

Process::~Process() {
    if (Running()) Terminate();
}

bool Process::Running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitExit(DWORD timeoutMs) const {
    if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return code;
}

bool Process::Terminate(UINT exitCode) {
    if (!process_) return false;
    if (!Running()) return true;
    TerminateProcess(process_.get(), exitCode);
    return WaitForSingleObject(process_.get(), kTerminateWaitMs) == WAIT_OBJECT_0;
}

Process Launch(std::wstring exe, std::wstring args, std::wstring workingDirectory) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!args.empty()) commandLine += L" " + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &info)) {
        const DWORD error = GetLastError();
        throw std::runtime_error("cannot start " + WideToUtf8(exe) + " (error " + std::to_string(error) + ")");
    }
    const UniqueKernelHandle thread(info.hThread);
    return Process(UniqueKernelHandle(info.hProcess), info.dwProcessId);
}

std::wstring UnixToWinePath(std::wstring_view path) {
    if (path.empty() || path.front() != L'/') return std::wstring(path);
    std::wstring result = L"Z:" + std::wstring(path);
    std::replace(result.begin(), result.end(), L'/', L'\\');
    return result;
}

std::optional<std::wstring> EnvironmentValue(const wchar_t* name) {
    SetLastError(ERROR_SUCCESS);
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::wstring();
    }
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    if (length >= size) return std::nullopt;
    value.resize(length);
    return value;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollIntervalMs);
    }
    return true;
}

// ---- Windows ---------------------------------------------------------------------------------

std::vector<HWND> FindTopWindows(const WindowQuery& query) {
    std::vector<HWND> found;
    for (HWND window : TopWindows()) {
        if (Matches(window, query)) found.push_back(window);
    }
    return found;
}

HWND FindTopWindow(const WindowQuery& query) {
    for (HWND window : TopWindows()) {
        if (Matches(window, query)) return window;
    }
    return nullptr;
}

HWND WaitTopWindow(const WindowQuery& query, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(query)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitWindowGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> windows;
    if (parent) EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> windows;
    if (!parent) return windows;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        windows.push_back(child);
    }
    return windows;
}

HWND FindChildByClass(HWND parent, std::wstring_view className, size_t index) {
    for (HWND child : Descendants(parent)) {
        if (SameClass(ClassName(child), className) && index-- == 0) return child;
    }
    return nullptr;
}

HWND FindChildById(HWND parent, int controlId) {
    for (HWND child : Descendants(parent)) {
        if (GetDlgCtrlID(child) == controlId) return child;
    }
    return nullptr;
}

HWND FindChildByText(HWND parent, std::wstring_view text, std::wstring_view className) {
    for (HWND child : Descendants(parent)) {
        if (!className.empty() && !SameClass(ClassName(child), className)) continue;
        if (WindowText(child) == text) return child;
    }
    return nullptr;
}

std::wstring WindowText(HWND window) {
    const auto length = Send(window, WM_GETTEXTLENGTH);
    if (!length || *length < 0) return {};
    std::wstring text(static_cast<size_t>(*length) + 1, L'\0');
    const auto copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    if (!copied || *copied < 0) return {};
    text.resize(std::min(static_cast<size_t>(*copied), text.size() - 1));
    return text;
}

std::wstring ClassName(HWND window) {
    std::array<wchar_t, kMaxClassName> name{};
    const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return std::wstring(name.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

LONG_PTR Style(HWND window) {
    return GetWindowLongPtrW(window, GWL_STYLE);
}
LONG_PTR ExStyle(HWND window) {
    return GetWindowLongPtrW(window, GWL_EXSTYLE);
}
int ControlId(HWND window) {
    return GetDlgCtrlID(window);
}

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    if (!window || !GetWindowThreadProcessId(window, &processId)) return 0;
    return processId;
}

bool IsEnabled(HWND window) {
    return IsWindow(window) && IsWindowEnabled(window);
}
bool IsVisible(HWND window) {
    return IsWindowVisible(window) != FALSE;
}
bool IsMinimized(HWND window) {
    return IsIconic(window) != FALSE;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientRect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

HWND ForegroundWindow() {
    return GetForegroundWindow();
}

// ---- Messages and actions --------------------------------------------------------------------

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs) {
    if (!IsWindow(window)) return std::nullopt;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, timeoutMs, &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return IsWindow(window) && PostMessageW(window, message, wParam, lParam);
}

bool Click(HWND button, UINT timeoutMs) {
    return IsEnabled(button) && Send(button, BM_CLICK, 0, 0, timeoutMs).has_value();
}

bool PostClick(HWND button) {
    return IsEnabled(button) && Post(button, BM_CLICK);
}

int CheckState(HWND button) {
    return static_cast<int>(Send(button, BM_GETCHECK).value_or(-1));
}

bool IsChecked(HWND button) {
    return CheckState(button) == BST_CHECKED;
}

bool SetChecked(HWND button, bool checked) {
    // A three-state box may need two clicks to get from indeterminate to checked.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int state = CheckState(button);
        if (state < 0) return false;
        if ((state == BST_CHECKED) == checked) return true;
        if (!Click(button)) return false;
    }
    return IsChecked(button) == checked;
}

bool PostCommand(HWND window, int commandId) {
    return Post(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(commandId), 0), 0);
}

bool SysCommand(HWND window, WPARAM command) {
    return Send(window, WM_SYSCOMMAND, command).has_value();
}
bool PostSysCommand(HWND window, WPARAM command) {
    return Post(window, WM_SYSCOMMAND, command);
}
bool PostClose(HWND window) {
    return Post(window, WM_CLOSE);
}

int ComboSelectedIndex(HWND combo) {
    return static_cast<int>(Send(combo, CB_GETCURSEL).value_or(CB_ERR));
}
int ComboCount(HWND combo) {
    return static_cast<int>(Send(combo, CB_GETCOUNT).value_or(0));
}

std::vector<std::wstring> ComboItems(HWND combo) {
    return ItemTexts(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

bool ComboSelect(HWND combo, int index) {
    if (index < 0 || index >= ComboCount(combo)) return false;
    if (Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index)) != index) return false;
    return NotifyParent(combo, CBN_SELCHANGE);
}

bool ComboSelectText(HWND combo, std::wstring_view text) {
    const auto items = ComboItems(combo);
    const auto found = std::find(items.begin(), items.end(), text);
    return found != items.end() && ComboSelect(combo, static_cast<int>(found - items.begin()));
}

int ListBoxSelectedIndex(HWND listBox) {
    return static_cast<int>(Send(listBox, LB_GETCURSEL).value_or(LB_ERR));
}

std::vector<std::wstring> ListBoxItems(HWND listBox) {
    return ItemTexts(listBox, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

bool ListBoxSelect(HWND listBox, int index) {
    const int count = static_cast<int>(Send(listBox, LB_GETCOUNT).value_or(0));
    if (index < 0 || index >= count) return false;
    if (Send(listBox, LB_SETCURSEL, static_cast<WPARAM>(index)) != index) return false;
    return NotifyParent(listBox, LBN_SELCHANGE);
}

int ListViewCount(HWND listView) {
    return static_cast<int>(Send(listView, LVM_GETITEMCOUNT).value_or(0));
}

int ListViewColumnCount(HWND listView) {
    const auto header = Send(listView, LVM_GETHEADER);
    if (!header || !*header) return 0;
    return std::max(0, static_cast<int>(Send(reinterpret_cast<HWND>(*header), HDM_GETITEMCOUNT).value_or(0)));
}

std::vector<std::wstring> ListViewColumns(HWND listView) {
    std::vector<std::wstring> columns;
    const int count = ListViewColumnCount(listView);
    for (int column = 0; column < count; ++column) {
        columns.push_back(RemoteText<LVCOLUMNW>(listView, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                                                [](LVCOLUMNW& request, wchar_t* buffer, int chars) {
                                                    request.mask = LVCF_TEXT;
                                                    request.pszText = buffer;
                                                    request.cchTextMax = chars;
                                                })
                              .value_or(L""));
    }
    return columns;
}

std::optional<std::wstring> ListViewText(HWND listView, int item, int subItem) {
    if (item < 0 || item >= ListViewCount(listView) || subItem < 0) return std::nullopt;
    return RemoteText<LVITEMW>(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                               [&](LVITEMW& request, wchar_t* buffer, int chars) {
                                   request.mask = LVIF_TEXT;
                                   request.iItem = item;
                                   request.iSubItem = subItem;
                                   request.pszText = buffer;
                                   request.cchTextMax = chars;
                               });
}

std::vector<std::vector<std::wstring>> ListViewRows(HWND listView) {
    std::vector<std::vector<std::wstring>> rows;
    const int columns = std::max(1, ListViewColumnCount(listView));
    const int count = ListViewCount(listView);
    for (int item = 0; item < count; ++item) {
        auto& row = rows.emplace_back();
        for (int column = 0; column < columns; ++column)
            row.push_back(ListViewText(listView, item, column).value_or(L""));
    }
    return rows;
}

int ListViewSelectedIndex(HWND listView) {
    return static_cast<int>(Send(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED).value_or(-1));
}

UINT ListViewItemState(HWND listView, int item, UINT mask) {
    return static_cast<UINT>(Send(listView, LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask).value_or(0));
}

bool ListViewSelect(HWND listView, int item) {
    if (item < 0 || item >= ListViewCount(listView)) return false;
    RemoteMemory memory(listView, sizeof(LVITEMW));
    if (!memory) return false;
    const auto setState = [&](WPARAM index, UINT state, UINT mask) {
        LVITEMW request{};
        request.state = state;
        request.stateMask = mask;
        return memory.Write(0, &request, sizeof(request)) &&
               Send(listView, LVM_SETITEMSTATE, index, memory.Param()).value_or(FALSE) != FALSE;
    };
    constexpr UINT kSelected = LVIS_SELECTED | LVIS_FOCUSED;
    return setState(static_cast<WPARAM>(-1), 0, LVIS_SELECTED) &&
           setState(static_cast<WPARAM>(item), kSelected, kSelected) &&
           Send(listView, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE).has_value();
}

int TabSelectedIndex(HWND tab) {
    return static_cast<int>(Send(tab, TCM_GETCURSEL).value_or(-1));
}
int TabCount(HWND tab) {
    return static_cast<int>(Send(tab, TCM_GETITEMCOUNT).value_or(0));
}

bool TabSelect(HWND tab, int index) {
    if (index < 0 || index >= TabCount(tab)) return false;
    return Send(tab, TCM_SETCURFOCUS, static_cast<WPARAM>(index)).has_value() && TabSelectedIndex(tab) == index;
}

// ---- Dialogs ---------------------------------------------------------------------------------

HWND FindDialog(DWORD processId) {
    return FindTopWindow({.ClassName = kDialogClass, .ProcessId = processId, .VisibleOnly = true});
}

HWND WaitDialog(DWORD processId, DWORD timeoutMs) {
    return WaitTopWindow({.ClassName = kDialogClass, .ProcessId = processId, .VisibleOnly = true}, timeoutMs);
}

DialogContent ReadDialog(HWND dialog) {
    DialogContent content;
    content.Title = WindowText(dialog);
    for (HWND child : Descendants(dialog)) {
        const std::wstring className = ClassName(child);
        if (SameClass(className, L"Button")) {
            content.Buttons.push_back({ControlId(child), WindowText(child), IsEnabled(child)});
        } else if (SameClass(className, L"Static") || SameClass(className, L"SysLink")) {
            if (std::wstring text = WindowText(child); !text.empty()) content.Texts.push_back(std::move(text));
        }
    }
    return content;
}

bool AnswerDialog(HWND dialog, int buttonId) {
    bool hasButtons = false;
    for (HWND child : Descendants(dialog)) {
        if (!SameClass(ClassName(child), L"Button")) continue;
        if (ControlId(child) == buttonId) return PostClick(child);
        hasButtons = true;
    }
    // A task dialog may draw its buttons itself; it answers TDM_CLICK_BUTTON instead.
    return !hasButtons && Post(dialog, TDM_CLICK_BUTTON, static_cast<WPARAM>(buttonId));
}

std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// ---- Menus -----------------------------------------------------------------------------------

namespace {

constexpr int kMaxMenuDepth = 8;

std::vector<MenuItem> ReadMenu(HMENU menu, int depth) {
    std::vector<MenuItem> items;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) continue;
        MenuItem item{info.wID, {}, info.fType, info.fState, {}};
        if (info.cch > 0) {
            std::wstring text(info.cch + 1, L'\0');
            info.dwTypeData = text.data();
            info.cch = static_cast<UINT>(text.size());
            if (GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
                text.resize(info.cch);
                item.Text = std::move(text);
            }
        }
        if (info.hSubMenu && depth < kMaxMenuDepth) item.SubItems = ReadMenu(info.hSubMenu, depth + 1);
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace

std::vector<MenuItem> MenuItems(HMENU menu) {
    return menu ? ReadMenu(menu, 0) : std::vector<MenuItem>{};
}

std::vector<MenuItem> MenuBarItems(HWND window) {
    return IsWindow(window) ? MenuItems(GetMenu(window)) : std::vector<MenuItem>{};
}

constexpr wchar_t kPopupMenuClass[] = L"#32768";

HWND FindPopupMenu(DWORD processId) {
    return FindTopWindow({.ClassName = kPopupMenuClass, .ProcessId = processId, .VisibleOnly = true});
}

HWND WaitPopupMenu(DWORD processId, DWORD timeoutMs) {
    return WaitTopWindow({.ClassName = kPopupMenuClass, .ProcessId = processId, .VisibleOnly = true}, timeoutMs);
}

bool PostKeys(HWND window, const std::vector<WORD>& virtualKeys) {
    for (const WORD key : virtualKeys) {
        const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        constexpr LPARAM kReleased = static_cast<LPARAM>(0xC0000000u);  // previous state down, key going up
        if (!Post(window, WM_KEYDOWN, key, scanCode | 1) || !Post(window, WM_KEYUP, key, scanCode | kReleased | 1)) {
            return false;
        }
    }
    return true;
}

HMENU PopupMenuHandle(HWND popupMenuWindow) {
    return reinterpret_cast<HMENU>(Send(popupMenuWindow, MN_GETHMENU).value_or(0));
}

// ---- Real input ------------------------------------------------------------------------------

namespace {

constexpr wchar_t kXdotool[] = L"/usr/bin/xdotool";
constexpr int kDoubleClickGapMs = 100;  // well inside the double-click time

}  // namespace

HWND FindTaskbar() {
    return FindTopWindow({.ClassName = L"Shell_TrayWnd", .VisibleOnly = true});
}

std::optional<POINT> NotificationIconCenter(size_t index) {
    const HWND taskbar = FindTaskbar();
    if (!taskbar) return std::nullopt;
    RECT client{};
    GetClientRect(taskbar, &client);
    MapWindowPoints(taskbar, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int width = GetSystemMetrics(SM_CXSMICON) + 4;
    return POINT{client.right - width * static_cast<int>(index) - width / 2, (client.top + client.bottom) / 2};
}

namespace {

// Starts the host's xdotool with these arguments.
bool RunXdotool(const std::wstring& arguments) {
    std::wstring command = L"\"" + UnixToWinePath(kXdotool) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return false;
    }
    // A Unix program comes back without handles; any that a later Wine might give are closed.
    const UniqueKernelHandle thread(info.hThread), process(info.hProcess);
    return true;
}

}  // namespace

bool XClick(POINT at, int button, int count) {
    return RunXdotool(L"mousemove " + std::to_wstring(at.x) + L" " + std::to_wstring(at.y) + L" click --repeat " +
                      std::to_wstring(count) + L" --delay " + std::to_wstring(kDoubleClickGapMs) + L" " +
                      std::to_wstring(button));
}

bool XKeys(std::wstring_view keys) {
    return RunXdotool(L"key " + std::wstring(keys));
}

// ---- Registry --------------------------------------------------------------------------------

bool KeyExists(const RegistryKey& key) {
    return static_cast<bool>(OpenKey(key, KEY_READ));
}

bool ValueExists(const RegistryKey& key, std::wstring_view name) {
    return ValueType(key, name).has_value();
}

std::optional<DWORD> ValueType(const RegistryKey& key, std::wstring_view name) {
    const UniqueHkey handle = OpenKey(key, KEY_QUERY_VALUE);
    DWORD type = REG_NONE;
    if (!handle ||
        RegQueryValueExW(handle.get(), std::wstring(name).c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return type;
}

std::optional<DWORD> ReadDword(const RegistryKey& key, std::wstring_view name) {
    const auto value = QueryValue(key, name);
    if (!value || value->Type != REG_DWORD || value->Data.size() != sizeof(DWORD)) return std::nullopt;
    return LittleEndianAt(value->Data, 0, sizeof(DWORD));
}

std::optional<std::wstring> ReadString(const RegistryKey& key, std::wstring_view name) {
    const auto value = QueryValue(key, name);
    if (!value || (value->Type != REG_SZ && value->Type != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring text(value->Data.size() / sizeof(wchar_t), L'\0');
    std::copy_n(value->Data.begin(), text.size() * sizeof(wchar_t), reinterpret_cast<uint8_t*>(text.data()));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::optional<std::vector<uint8_t>> ReadBinary(const RegistryKey& key, std::wstring_view name) {
    auto value = QueryValue(key, name);
    if (!value || value->Type != REG_BINARY) return std::nullopt;
    return std::move(value->Data);
}

bool WriteDword(const RegistryKey& key, std::wstring_view name, DWORD value) {
    return SetValue(key, name, REG_DWORD, &value, sizeof(value));
}

bool WriteString(const RegistryKey& key, std::wstring_view name, std::wstring_view value) {
    const std::wstring text(value);
    return SetValue(key, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

bool WriteBinary(const RegistryKey& key, std::wstring_view name, const std::vector<uint8_t>& value) {
    return SetValue(key, name, REG_BINARY, value.data(), value.size());
}

std::optional<RegistryValue> ReadValue(const RegistryKey& key, std::wstring_view name) {
    return QueryValue(key, name);
}

bool WriteValue(const RegistryKey& key, std::wstring_view name, DWORD type, const std::vector<uint8_t>& data) {
    return SetValue(key, name, type, data.data(), data.size());
}

bool DeleteValue(const RegistryKey& key, std::wstring_view name) {
    const UniqueHkey handle = OpenKey(key, KEY_SET_VALUE);
    if (!handle) return !KeyExists(key);
    const LSTATUS status = RegDeleteValueW(handle.get(), std::wstring(name).c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool DeleteKeyTree(const RegistryKey& key) {
    // An empty subkey would name the whole hive.
    if (key.SubKey.empty()) return false;
    {
        const UniqueHkey handle = OpenKey(key, KEY_ALL_ACCESS);
        if (!handle) return !KeyExists(key);
        if (RegDeleteTreeW(handle.get(), nullptr) != ERROR_SUCCESS) return false;
    }
    return RegDeleteKeyExW(key.Root, key.SubKey.c_str(), ViewFlag(key.View), 0) == ERROR_SUCCESS;
}

bool SetKeyWritable(const RegistryKey& key, bool writable) {
    const UniqueHkey handle = OpenKey(key, READ_CONTROL | WRITE_DAC);
    if (!handle) return false;
    EXPLICIT_ACCESSW entry{};
    entry.grfAccessPermissions = writable ? KEY_ALL_ACCESS : KEY_READ;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    entry.Trustee.ptstrName = const_cast<wchar_t*>(L"EVERYONE");
    PACL acl = nullptr;
    if (SetEntriesInAclW(1, &entry, nullptr, &acl) != ERROR_SUCCESS) return false;
    SECURITY_DESCRIPTOR descriptor;
    const bool set = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                     SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
                     RegSetKeySecurity(handle.get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    LocalFree(acl);
    return set;
}

bool SetWineVersion(std::wstring_view version) {
    const RegistryKey wine{HKEY_CURRENT_USER, L"Software\\Wine"};
    return version.empty() ? DeleteValue(wine, L"Version") : WriteString(wine, L"Version", version);
}

// ---- Screenshots -----------------------------------------------------------------------------

namespace {

constexpr DWORD kSettleIntervalMs = 50;
constexpr DWORD kSettleTimeoutMs = 1000;

// A window that has just been shown or changed paints its children a little later, and Wine
// copies a process's painting to the screen later still. Run the pending paints now, then take
// pictures until two in a row agree (an animation gives up after a second).
template <typename Rect>
std::optional<Image> CaptureSettled(HWND window, Rect rect) {
    if (window) {
        Send(window, WM_NULL);
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        Send(window, WM_NULL);
    }
    std::optional<Image> image = CaptureRect(rect());
    const ULONGLONG deadline = GetTickCount64() + kSettleTimeoutMs;
    while (image && GetTickCount64() < deadline) {
        Sleep(kSettleIntervalMs);
        std::optional<Image> next = CaptureRect(rect());
        const bool same =
            next && next->Width == image->Width && next->Height == image->Height && next->Rgb == image->Rgb;
        image = std::move(next);
        if (same) break;
    }
    return image;
}

}  // namespace

std::optional<Image> CaptureWindow(HWND window) {
    if (!IsWindow(window)) return std::nullopt;
    return CaptureSettled(window, [window] { return WindowRect(window); });
}

std::optional<Image> CaptureScreen() {
    return CaptureSettled(nullptr, ScreenRect);
}

std::optional<Image> CaptureOwnWindow(HWND window) {
    if (!IsWindow(window) || ProcessOf(window) != GetCurrentProcessId()) return std::nullopt;
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const RECT rect = WindowRect(window);
    HDC windowDc = GetWindowDC(window);
    if (!windowDc) return std::nullopt;
    auto image = DrawnImage(rect.right - rect.left, rect.bottom - rect.top, [&](HDC target) {
        return BitBlt(target, 0, 0, rect.right - rect.left, rect.bottom - rect.top, windowDc, 0, 0, SRCCOPY) != FALSE;
    });
    ReleaseDC(window, windowDc);
    return image;
}

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
    static const std::array<uint32_t, 256> kTable = [] {
        std::array<uint32_t, 256> table{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        return table;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = kTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler) {
    constexpr uint32_t kBase = 65521;
    constexpr size_t kRun = 5552;  // the most bytes before the sums can overflow 32 bits
    uint32_t a = adler & 0xFFFF;
    uint32_t b = adler >> 16;
    while (size > 0) {
        const size_t run = std::min(size, kRun);
        for (size_t i = 0; i < run; ++i) {
            a += data[i];
            b += a;
        }
        a %= kBase;
        b %= kBase;
        data += run;
        size -= run;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> EncodePng(const Image& image) {
    if (image.Width <= 0 || image.Height <= 0 ||
        image.Rgb.size() != static_cast<size_t>(image.Width) * image.Height * 3) {
        return {};
    }
    const size_t rowBytes = static_cast<size_t>(image.Width) * 3;
    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * image.Height);
    for (int y = 0; y < image.Height; ++y) {
        raw.push_back(0);  // filter: none
        const auto row = image.Rgb.begin() + static_cast<ptrdiff_t>(rowBytes * y);
        raw.insert(raw.end(), row, row + static_cast<ptrdiff_t>(rowBytes));
    }

    constexpr size_t kMaxStoredBlock = 65535;
    std::vector<uint8_t> zlib = {0x78, 0x01};
    for (size_t offset = 0; offset < raw.size(); offset += kMaxStoredBlock) {
        const size_t length = std::min(kMaxStoredBlock, raw.size() - offset);
        const bool last = offset + length == raw.size();
        zlib.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
        zlib.push_back(static_cast<uint8_t>(length));
        zlib.push_back(static_cast<uint8_t>(length >> 8));
        zlib.push_back(static_cast<uint8_t>(~length));
        zlib.push_back(static_cast<uint8_t>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<ptrdiff_t>(offset),
                    raw.begin() + static_cast<ptrdiff_t>(offset + length));
    }
    PutBigEndian(zlib, Adler32(raw.data(), raw.size()));

    std::vector<uint8_t> header;
    PutBigEndian(header, static_cast<uint32_t>(image.Width));
    PutBigEndian(header, static_cast<uint32_t>(image.Height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit depth, RGB, deflate, no filter, no interlace

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    const auto image = window ? CaptureWindow(window) : CaptureScreen();
    return image && WriteFileBytes(path, EncodePng(*image));
}

// ---- Shared memory ---------------------------------------------------------------------------

std::optional<std::vector<uint8_t>> PeekSharedMemory(const std::wstring& name, size_t byteCount) {
    const UniqueKernelHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str()));
    if (!mapping) return std::nullopt;
    const UniqueFileMapView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, byteCount));
    if (!view) return std::nullopt;
    const auto* bytes = static_cast<const uint8_t*>(view.get());
    return std::vector<uint8_t>(bytes, bytes + byteCount);
}

std::wstring InstanceTableName(std::wstring_view exePath) {
    const std::wstring path(exePath);
    std::wstring fullPath(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(fullPath.size()), fullPath.data(), nullptr);
    if (length >= fullPath.size()) {
        fullPath.resize(length);
        length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(fullPath.size()), fullPath.data(), nullptr);
    }
    fullPath.resize(length < fullPath.size() ? length : 0);
    if (fullPath.empty()) fullPath = path;

    // The whole id is upper case, "JCL" included: C:\Apps\Tarvex.exe gives "JCLC:_APPS_TARVEX.EXE".
    std::wstring id = L"Jcl" + fullPath;
    CharUpperBuffW(id.data(), static_cast<DWORD>(id.size()));
    std::replace(id.begin(), id.end(), L'\\', L'_');
    return id + L"_All";
}

std::optional<InstanceTable> ParseInstanceTable(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < kInstanceTableBytes) return std::nullopt;
    constexpr size_t kSlots = (kInstanceTableBytes - 4) / 4;
    InstanceTable table;
    table.Limit = static_cast<uint16_t>(LittleEndianAt(bytes, 0, 2));
    table.Count = static_cast<uint16_t>(LittleEndianAt(bytes, 2, 2));
    const size_t used = std::min<size_t>(table.Count, kSlots);
    for (size_t slot = 0; slot < used; ++slot) table.ProcessIds.push_back(LittleEndianAt(bytes, 4 + 4 * slot, 4));
    return table;
}

std::optional<InstanceTable> ReadInstanceTable(std::wstring_view exePath) {
    const auto bytes = PeekSharedMemory(InstanceTableName(exePath), kInstanceTableBytes);
    if (!bytes) return std::nullopt;
    return ParseInstanceTable(*bytes);
}

}  // namespace tarvex::driver
