// The e2e driver against windows of this process and of a peer: this same executable started
// again with --driver-peer, which shows the same window of controls and serves it until closed.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "driver.h"

namespace tarvex::driver {
namespace {

constexpr wchar_t kPeerClass[] = L"DriverPeer";
constexpr wchar_t kPeerTitle[] = L"Driver peer";
constexpr int kPeerExitCode = 3;
constexpr DWORD kWaitMs = 10000;

enum : int {
    kGoId = 101,
    kOptionId,
    kComboId,
    kListBoxId,
    kListViewId,
    kTabId,
    kAskId,
    kHelloId,
    kOffId,
    kTaskId,
    kMenuId,
    kOpenId = 201,
    kExitId,
    kCloseId,
    kTaskApplyId = 1001,
};

bool quitOnDestroy = false;

void SetTitle(HWND window, const std::wstring& text) {
    SetWindowTextW(window, text.c_str());
}

void AskTask(HWND owner) {
    const std::array<TASKDIALOG_BUTTON, 1> buttons = {{{kTaskApplyId, L"Apply"}}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = owner;
    config.pszWindowTitle = L"Task";
    config.pszMainInstruction = L"Main instruction";
    config.pszContent = L"Content text";
    config.pButtons = buttons.data();
    config.cButtons = static_cast<UINT>(buttons.size());
    config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
    int pressed = 0;
    const HRESULT result = TaskDialogIndirect(&config, &pressed, nullptr, nullptr);
    SetTitle(owner, SUCCEEDED(result) ? L"task " + std::to_wstring(pressed) : L"task failed");
}

void ShowPopupMenu(HWND owner) {
    const HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kOpenId, L"&Open");
    AppendMenuW(menu, MF_STRING, kCloseId, L"&Close");
    const RECT rect = WindowRect(owner);
    const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD, rect.left + 20, rect.top + 20, 0, owner, nullptr);
    DestroyMenu(menu);
    SetTitle(owner, L"popup " + std::to_wstring(chosen));
}

// Every user action on the window is reported in its title, where the test reads it.
LRESULT CALLBACK ControlsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            const auto selection = [&](UINT getMessage) {
                return std::to_wstring(SendMessageW(GetDlgItem(window, id), getMessage, 0, 0));
            };
            if (id == kGoId && code == BN_CLICKED) SetTitle(window, L"clicked Go");
            if (id == kComboId && code == CBN_SELCHANGE) SetTitle(window, L"combo " + selection(CB_GETCURSEL));
            if (id == kListBoxId && code == LBN_SELCHANGE) SetTitle(window, L"list box " + selection(LB_GETCURSEL));
            if (id == kAskId && code == BN_CLICKED) {
                SetTitle(window, L"answer " + std::to_wstring(MessageBoxW(window, L"Proceed?", L"Question", MB_YESNO)));
            }
            if (id == kTaskId && code == BN_CLICKED) AskTask(window);
            if (id == kMenuId && code == BN_CLICKED) ShowPopupMenu(window);
            if (id == kOpenId && code == 0) SetTitle(window, L"menu " + std::to_wstring(id));
            return 0;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == TCN_SELCHANGE) {
                SetTitle(window, L"tab " + std::to_wstring(SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
            }
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if (header->code == LVN_ITEMCHANGED && (change->uNewState & LVIS_SELECTED)) {
                SetTitle(window, L"item " + std::to_wstring(change->iItem));
            }
            return 0;
        }
        case WM_DESTROY:
            if (quitOnDestroy) PostQuitMessage(kPeerExitCode);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND AddControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, int y) {
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 10, y, 200, 24, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

HWND CreateControlsWindow() {
    const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ControlsProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kPeerClass;
    RegisterClassW(&windowClass);

    const HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, kOpenId, L"&Open");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING | MF_GRAYED, kExitId, L"E&xit");
    const HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");

    const HWND window = CreateWindowExW(0, kPeerClass, kPeerTitle, WS_OVERLAPPEDWINDOW, 0, 0, 480, 400, nullptr, bar,
                                        GetModuleHandleW(nullptr), nullptr);
    AddControl(window, L"Button", L"Go", BS_PUSHBUTTON, kGoId, 10);
    AddControl(window, L"Button", L"Option", BS_AUTOCHECKBOX, kOptionId, 40);
    const HWND combo = CreateWindowExW(0, L"ComboBox", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 70, 200,
                                       120, window, reinterpret_cast<HMENU>(kComboId), nullptr, nullptr);
    for (const wchar_t* item : {L"Alpha", L"Beta", L"Gamma"}) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    const HWND listBox = AddControl(window, L"ListBox", nullptr, LBS_NOTIFY, kListBoxId, 100);
    for (const wchar_t* item : {L"One", L"Two"}) SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));

    const HWND listView =
        CreateWindowExW(0, WC_LISTVIEWW, nullptr, WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 220, 10, 240, 120,
                        window, reinterpret_cast<HMENU>(kListViewId), nullptr, nullptr);
    const std::array<const wchar_t*, 2> columns = {L"Name", L"Value"};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 100;
        column.pszText = const_cast<wchar_t*>(columns[i]);
        SendMessageW(listView, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    const std::array<std::array<const wchar_t*, 2>, 2> rows = {{{L"eth0", L"1500"}, {L"lo", L"65536"}}};
    for (int i = 0; i < 2; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(rows[i][0]);
        SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        item.iSubItem = 1;
        item.pszText = const_cast<wchar_t*>(rows[i][1]);
        SendMessageW(listView, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
    }

    const HWND tab = AddControl(window, WC_TABCONTROLW, nullptr, 0, kTabId, 140);
    for (const wchar_t* name : {L"A", L"B", L"C"}) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(name);
        SendMessageW(tab, TCM_INSERTITEMW, SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), reinterpret_cast<LPARAM>(&item));
    }
    AddControl(window, L"Button", L"Ask", BS_PUSHBUTTON, kAskId, 170);
    AddControl(window, L"Static", L"Hello", 0, kHelloId, 200);
    EnableWindow(AddControl(window, L"Button", L"Off", BS_PUSHBUTTON, kOffId, 230), FALSE);
    AddControl(window, L"Button", L"Task", BS_PUSHBUTTON, kTaskId, 260);
    AddControl(window, L"Button", L"Menu", BS_PUSHBUTTON, kMenuId, 290);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

int RunPeer() {
    quitOnDestroy = true;
    if (!CreateControlsWindow()) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

// The exit code tells the Windows version this process was started under.
int RunVersionPeer() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    return static_cast<int>(version.dwMajorVersion * 100 + version.dwMinorVersion);
}

// Decided before main: a peer never runs the tests.
[[maybe_unused]] const bool kIsPeer = [] {
    const std::wstring_view commandLine = GetCommandLineW();
    if (commandLine.find(L" --driver-peer-version") != std::wstring_view::npos) ExitProcess(RunVersionPeer());
    if (commandLine.find(L" --driver-peer") != std::wstring_view::npos) ExitProcess(RunPeer());
    return false;
}();

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

// Waits while dispatching this thread's messages, so posted actions reach windows of this process.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs) {
    return WaitUntil(
        [&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            return condition();
        },
        timeoutMs);
}

bool TitleBecomes(HWND window, const std::wstring& title) {
    return PumpUntil([&] { return WindowText(window) == title; });
}

void ExpectPeerMenuBar(const std::vector<MenuItem>& bar) {
    ASSERT_EQ(bar.size(), 1u);
    EXPECT_EQ(bar[0].Text, L"&File");
    ASSERT_EQ(bar[0].SubItems.size(), 3u);
    EXPECT_EQ(bar[0].SubItems[0].Id, static_cast<UINT>(kOpenId));
    EXPECT_EQ(bar[0].SubItems[0].Text, L"&Open");
    EXPECT_TRUE(bar[0].SubItems[0].IsEnabled());
    EXPECT_TRUE(bar[0].SubItems[1].IsSeparator());
    EXPECT_FALSE(bar[0].SubItems[2].IsEnabled());
}

// ---- Controls, in this process and in the peer --------------------------------------------

enum class Owner { ThisProcess, Peer };

class DriverControls : public testing::TestWithParam<Owner> {
protected:
    void SetUp() override {
        if (GetParam() == Owner::ThisProcess) {
            own_.reset(CreateControlsWindow());
            processId_ = GetCurrentProcessId();
        } else {
            peer_ = Launch(OwnPath(), L"--driver-peer");
            processId_ = peer_.Id();
        }
        window_ = WaitTopWindow({.ClassName = kPeerClass, .ProcessId = processId_, .VisibleOnly = true}, kWaitMs);
        ASSERT_NE(window_, nullptr);
    }

    HWND Control(int id) const { return FindChildById(window_, id); }

    UniqueWindow own_;
    Process peer_;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

TEST_P(DriverControls, FindsWindowsAndControls) {
    EXPECT_EQ(FindTopWindow({.ClassName = L"driverpeer", .Title = kPeerTitle, .ProcessId = processId_}), window_);
    EXPECT_EQ(FindTopWindow({.ClassName = kPeerClass, .Title = L"Other title", .ProcessId = processId_}), nullptr);
    EXPECT_EQ(WaitTopWindow({.ClassName = L"NoSuchClass"}, 100), nullptr);
    EXPECT_EQ(FindTopWindows({.ClassName = kPeerClass, .ProcessId = processId_}), std::vector<HWND>{window_});

    const HWND go = FindChildByText(window_, L"Go", L"Button");
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(ControlId(go), kGoId);
    EXPECT_EQ(Control(kGoId), go);
    EXPECT_EQ(FindChildByClass(window_, L"button", 1), Control(kOptionId));
    EXPECT_EQ(FindChildByText(window_, L"Go", L"Static"), nullptr);
    EXPECT_EQ(Control(9999), nullptr);
    EXPECT_EQ(Children(window_).size(), 11u);
    EXPECT_GE(Descendants(window_).size(), Children(window_).size());  // the list view's header too

    EXPECT_EQ(WindowText(Control(kHelloId)), L"Hello");
    EXPECT_EQ(ClassName(Control(kHelloId)), L"Static");
    EXPECT_EQ(ProcessOf(go), processId_);
    EXPECT_TRUE(Style(go) & WS_CHILD);
    EXPECT_TRUE(IsVisible(go));
    EXPECT_TRUE(IsEnabled(go));
    EXPECT_FALSE(IsEnabled(Control(kOffId)));
    const RECT rect = WindowRect(window_);
    EXPECT_EQ(rect.right - rect.left, 480);
    EXPECT_GT(ClientRect(window_).bottom, 0);
}

TEST_P(DriverControls, ClicksButtonsAndChecks) {
    EXPECT_FALSE(Click(Control(kOffId)));
    EXPECT_FALSE(PostClick(Control(kOffId)));
    ASSERT_TRUE(Click(Control(kGoId)));
    EXPECT_TRUE(TitleBecomes(window_, L"clicked Go"));

    const HWND option = Control(kOptionId);
    EXPECT_EQ(CheckState(option), BST_UNCHECKED);
    EXPECT_TRUE(SetChecked(option, true));
    EXPECT_TRUE(IsChecked(option));
    EXPECT_TRUE(SetChecked(option, true));
    EXPECT_TRUE(IsChecked(option));
    ASSERT_TRUE(PostClick(option));
    EXPECT_TRUE(PumpUntil([&] { return !IsChecked(option); }));
    EXPECT_EQ(CheckState(nullptr), -1);
}

TEST_P(DriverControls, ReadsAndSelectsLists) {
    const HWND combo = Control(kComboId);
    EXPECT_EQ(ComboItems(combo), (std::vector<std::wstring>{L"Alpha", L"Beta", L"Gamma"}));
    EXPECT_EQ(ComboCount(combo), 3);
    EXPECT_EQ(ComboSelectedIndex(combo), 0);
    EXPECT_TRUE(ComboSelect(combo, 2));
    EXPECT_EQ(ComboSelectedIndex(combo), 2);
    EXPECT_EQ(WindowText(window_), L"combo 2");
    EXPECT_TRUE(ComboSelectText(combo, L"Beta"));
    EXPECT_EQ(WindowText(window_), L"combo 1");
    EXPECT_FALSE(ComboSelect(combo, 3));
    EXPECT_FALSE(ComboSelectText(combo, L"Delta"));

    const HWND listBox = Control(kListBoxId);
    EXPECT_EQ(ListBoxItems(listBox), (std::vector<std::wstring>{L"One", L"Two"}));
    EXPECT_EQ(ListBoxSelectedIndex(listBox), LB_ERR);
    EXPECT_TRUE(ListBoxSelect(listBox, 1));
    EXPECT_EQ(ListBoxSelectedIndex(listBox), 1);
    EXPECT_EQ(WindowText(window_), L"list box 1");

    const HWND listView = Control(kListViewId);
    EXPECT_EQ(ListViewCount(listView), 2);
    EXPECT_EQ(ListViewColumns(listView), (std::vector<std::wstring>{L"Name", L"Value"}));
    EXPECT_EQ(ListViewRows(listView), (std::vector<std::vector<std::wstring>>{{L"eth0", L"1500"}, {L"lo", L"65536"}}));
    EXPECT_EQ(ListViewText(listView, 1, 1), L"65536");
    EXPECT_EQ(ListViewText(listView, 2, 0), std::nullopt);
    EXPECT_EQ(ListViewSelectedIndex(listView), -1);
    EXPECT_TRUE(ListViewSelect(listView, 1));
    EXPECT_EQ(ListViewSelectedIndex(listView), 1);
    EXPECT_EQ(ListViewItemState(listView, 1, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
    EXPECT_EQ(WindowText(window_), L"item 1");
    EXPECT_FALSE(ListViewSelect(listView, 5));

    const HWND tab = Control(kTabId);
    EXPECT_EQ(TabCount(tab), 3);
    EXPECT_EQ(TabSelectedIndex(tab), 0);
    EXPECT_TRUE(TabSelect(tab, 2));
    EXPECT_EQ(TabSelectedIndex(tab), 2);
    EXPECT_EQ(WindowText(window_), L"tab 2");
    EXPECT_FALSE(TabSelect(tab, 3));
}

TEST_P(DriverControls, ReadsMenusAndSendsCommands) {
    const auto bar = MenuBarItems(window_);
    if (GetParam() == Owner::Peer) {
        EXPECT_TRUE(bar.empty()) << "Wine now lets another process read a menu";
    } else {
        ExpectPeerMenuBar(bar);
    }
    ASSERT_TRUE(PostCommand(window_, kOpenId));
    EXPECT_TRUE(TitleBecomes(window_, L"menu 201"));

    ASSERT_TRUE(SysCommand(window_, SC_MINIMIZE));
    EXPECT_TRUE(IsMinimized(window_));
    ASSERT_TRUE(PostSysCommand(window_, SC_RESTORE));
    EXPECT_TRUE(PumpUntil([&] { return !IsMinimized(window_); }));
}

INSTANTIATE_TEST_SUITE_P(, DriverControls, testing::Values(Owner::ThisProcess, Owner::Peer),
                         [](const auto& info) { return info.param == Owner::Peer ? "Peer" : "ThisProcess"; });

// ---- The peer alone: dialogs and process ends ------------------------------------------------

class DriverPeer : public testing::Test {
protected:
    void SetUp() override {
        peer_ = Launch(OwnPath(), L"--driver-peer");
        window_ = WaitTopWindow({.ClassName = kPeerClass, .ProcessId = peer_.Id(), .VisibleOnly = true}, kWaitMs);
        ASSERT_NE(window_, nullptr);
    }

    Process peer_;
    HWND window_ = nullptr;
};

TEST_F(DriverPeer, ReadsAndAnswersMessageBox) {
    EXPECT_EQ(FindDialog(peer_.Id()), nullptr);
    // The message box's modal loop would keep a sent click from returning.
    ASSERT_TRUE(PostClick(FindChildById(window_, kAskId)));
    const HWND dialog = WaitDialog(peer_.Id(), kWaitMs);
    ASSERT_NE(dialog, nullptr);

    const DialogContent content = ReadDialog(dialog);
    EXPECT_EQ(content.Title, L"Question");
    EXPECT_EQ(content.Texts, std::vector<std::wstring>{L"Proceed?"});
    std::vector<int> ids;
    for (const auto& button : content.Buttons) ids.push_back(button.Id);
    EXPECT_EQ(ids, (std::vector<int>{IDYES, IDNO}));

    EXPECT_FALSE(AnswerDialog(dialog, IDCANCEL));  // not one of its buttons
    ASSERT_TRUE(AnswerDialog(dialog, IDNO));
    EXPECT_TRUE(WaitWindowGone(dialog, kWaitMs));
    EXPECT_TRUE(TitleBecomes(window_, L"answer 7"));
}

TEST_F(DriverPeer, ReadsAndAnswersTaskDialog) {
    ASSERT_TRUE(PostClick(FindChildById(window_, kTaskId)));
    const HWND dialog = WaitDialog(peer_.Id(), kWaitMs);
    ASSERT_NE(dialog, nullptr);

    const DialogContent content = ReadDialog(dialog);
    EXPECT_EQ(content.Title, L"Task");
    EXPECT_EQ(content.Texts, (std::vector<std::wstring>{L"Main instruction", L"Content text"}));
    ASSERT_TRUE(AnswerDialog(dialog, kTaskApplyId));
    EXPECT_TRUE(TitleBecomes(window_, L"task 1001"));
}

TEST_F(DriverPeer, ChoosesFromPopupMenuWithKeys) {
    EXPECT_EQ(FindPopupMenu(peer_.Id()), nullptr);
    ASSERT_TRUE(PostClick(FindChildById(window_, kMenuId)));
    const HWND popup = WaitPopupMenu(peer_.Id(), kWaitMs);
    ASSERT_NE(popup, nullptr);
    EXPECT_NE(PopupMenuHandle(popup), nullptr);
    ASSERT_TRUE(PostKeys(popup, {VK_DOWN, VK_DOWN, VK_RETURN}));
    EXPECT_TRUE(TitleBecomes(window_, L"popup " + std::to_wstring(kCloseId)));
}

TEST_F(DriverPeer, WaitsForExitAndEndsWhatItStarted) {
    EXPECT_TRUE(peer_.Running());
    EXPECT_EQ(peer_.WaitExit(0), std::nullopt);
    ASSERT_TRUE(PostClose(window_));
    EXPECT_EQ(peer_.WaitExit(kWaitMs), static_cast<DWORD>(kPeerExitCode));
    EXPECT_FALSE(peer_.Running());
    EXPECT_TRUE(peer_.Terminate());  // already gone

    // A second peer left running is ended when its owner goes out of scope.
    UniqueKernelHandle watch;
    {
        Process other = Launch(OwnPath(), L"--driver-peer");
        watch.reset(OpenProcess(SYNCHRONIZE, FALSE, other.Id()));
        ASSERT_TRUE(watch);
    }
    EXPECT_EQ(WaitForSingleObject(watch.get(), 0), WAIT_OBJECT_0);

    EXPECT_THROW(Launch(L"C:\\no\\such\\program.exe"), std::runtime_error);
}

// ---- Registry --------------------------------------------------------------------------------

class DriverRegistry : public testing::Test {
protected:
    void TearDown() override { DeleteKeyTree(key_); }
    const RegistryKey key_{HKEY_CURRENT_USER, L"Software\\TarvexDriverTest"};
};

TEST_F(DriverRegistry, WritesReadsAndDeletesValues) {
    EXPECT_FALSE(KeyExists(key_));
    EXPECT_EQ(ReadDword(key_, L"Number"), std::nullopt);
    EXPECT_TRUE(DeleteValue(key_, L"Number"));  // nothing to delete is no failure

    ASSERT_TRUE(WriteDword(key_, L"Number", 0xDEADBEEF));
    ASSERT_TRUE(WriteString(key_, L"Text", L"Grüße"));
    ASSERT_TRUE(WriteBinary(key_, L"Bytes", {0, 1, 0xFF}));
    ASSERT_TRUE(WriteBinary(key_, L"Empty", {}));
    EXPECT_TRUE(KeyExists(key_));
    EXPECT_EQ(ReadDword(key_, L"Number"), 0xDEADBEEFu);
    EXPECT_EQ(ReadString(key_, L"Text"), L"Grüße");
    EXPECT_EQ(ReadBinary(key_, L"Bytes"), (std::vector<uint8_t>{0, 1, 0xFF}));
    EXPECT_EQ(ReadBinary(key_, L"Empty"), std::vector<uint8_t>{});
    EXPECT_EQ(ValueType(key_, L"Bytes"), static_cast<DWORD>(REG_BINARY));

    // A value of another type reads as missing.
    EXPECT_EQ(ReadDword(key_, L"Text"), std::nullopt);
    EXPECT_EQ(ReadString(key_, L"Number"), std::nullopt);
    EXPECT_EQ(ReadBinary(key_, L"Text"), std::nullopt);

    EXPECT_TRUE(DeleteValue(key_, L"Number"));
    EXPECT_FALSE(ValueExists(key_, L"Number"));
    EXPECT_TRUE(ValueExists(key_, L"Text"));

    ASSERT_TRUE(WriteDword({key_.Root, key_.SubKey + L"\\Deeper\\Still"}, L"N", 1));
    EXPECT_TRUE(DeleteKeyTree(key_));
    EXPECT_FALSE(KeyExists(key_));
    EXPECT_TRUE(DeleteKeyTree(key_));
    EXPECT_FALSE(DeleteKeyTree({HKEY_CURRENT_USER, L""}));
}

TEST_F(DriverRegistry, ViewsReachTheSameKeyTheyWrote) {
    for (const RegistryView view : {RegistryView::Default, RegistryView::Force32, RegistryView::Force64}) {
        const RegistryKey key{HKEY_LOCAL_MACHINE, L"Software\\TarvexDriverTest", view};
        ASSERT_TRUE(WriteDword(key, L"View", static_cast<DWORD>(view)));
        EXPECT_EQ(ReadDword(key, L"View"), static_cast<DWORD>(view));
        EXPECT_TRUE(DeleteKeyTree(key));
        EXPECT_FALSE(KeyExists(key));
    }
}

TEST_F(DriverRegistry, WineVersionReachesNewProcesses) {
    const RegistryKey wine{HKEY_CURRENT_USER, L"Software\\Wine"};
    // The prefix is shared: put its setting back however the test ends.
    struct Restore {
        const RegistryKey& Key;
        std::optional<std::wstring> Previous;
        ~Restore() { Previous ? WriteString(Key, L"Version", *Previous) : DeleteValue(Key, L"Version"); }
    } restore{wine, ReadString(wine, L"Version")};
    const auto versionOfNewProcess = [] {
        return Launch(OwnPath(), L"--driver-peer-version").WaitExit(kWaitMs).value_or(0);
    };

    ASSERT_TRUE(SetWineVersion(L"winxp"));
    EXPECT_EQ(ReadString(wine, L"Version"), L"winxp");
    EXPECT_EQ(versionOfNewProcess(), 501u);
    ASSERT_TRUE(SetWineVersion(L"win2k"));
    EXPECT_EQ(versionOfNewProcess(), 500u);
    ASSERT_TRUE(SetWineVersion(L""));
    EXPECT_FALSE(ValueExists(wine, L"Version"));
    EXPECT_EQ(versionOfNewProcess(), 601u);  // Wine's default, Windows 7
}

// ---- Screenshots as PNG ----------------------------------------------------------------------

uint32_t BigEndianAt(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) << 24 | static_cast<uint32_t>(bytes[offset + 1]) << 16 |
           static_cast<uint32_t>(bytes[offset + 2]) << 8 | bytes[offset + 3];
}

struct Chunk {
    std::string Type;
    std::vector<uint8_t> Data;
};

// Splits a PNG into chunks, failing the test on a bad signature, length or CRC.
std::vector<Chunk> ReadChunks(const std::vector<uint8_t>& png) {
    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<Chunk> chunks;
    if (png.size() < 8 || !std::equal(signature.begin(), signature.end(), png.begin())) {
        ADD_FAILURE() << "no PNG signature";
        return chunks;
    }
    for (size_t at = 8; at < png.size();) {
        if (png.size() - at < 12 || png.size() - at - 12 < BigEndianAt(png, at)) {
            ADD_FAILURE() << "chunk runs past the end at " << at;
            break;
        }
        const size_t length = BigEndianAt(png, at);
        EXPECT_EQ(Crc32(png.data() + at + 4, length + 4), BigEndianAt(png, at + 8 + length)) << "CRC at " << at;
        chunks.push_back({std::string(png.begin() + at + 4, png.begin() + at + 8),
                          std::vector<uint8_t>(png.begin() + at + 8, png.begin() + at + 8 + length)});
        at += 12 + length;
    }
    return chunks;
}

// Inflates a zlib stream made of stored blocks only.
std::vector<uint8_t> InflateStored(const std::vector<uint8_t>& zlib) {
    std::vector<uint8_t> out;
    EXPECT_EQ((zlib.at(0) * 256 + zlib.at(1)) % 31, 0) << "zlib header check";
    EXPECT_EQ(zlib.at(0) & 0x0F, 8) << "deflate";
    size_t at = 2;
    for (bool last = false; !last;) {
        const uint8_t header = zlib.at(at);
        last = header & 1;
        EXPECT_EQ(header >> 1, 0) << "stored block";
        const size_t length = zlib.at(at + 1) | zlib.at(at + 2) << 8;
        EXPECT_EQ(length ^ 0xFFFF, static_cast<size_t>(zlib.at(at + 3) | zlib.at(at + 4) << 8));
        out.insert(out.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + length);
        at += 5 + length;
    }
    EXPECT_EQ(zlib.size(), at + 4);
    EXPECT_EQ(BigEndianAt(zlib, at), Adler32(out.data(), out.size()));
    return out;
}

TEST(DriverPng, ChecksumsMatchKnownValues) {
    const std::string digits = "123456789";
    const auto* bytes = reinterpret_cast<const uint8_t*>(digits.data());
    EXPECT_EQ(Crc32(bytes, digits.size()), 0xCBF43926u);
    EXPECT_EQ(Crc32(bytes + 4, 5, Crc32(bytes, 4)), 0xCBF43926u);
    EXPECT_EQ(Crc32(bytes, 0), 0u);
    const std::string word = "Wikipedia";
    EXPECT_EQ(Adler32(reinterpret_cast<const uint8_t*>(word.data()), word.size()), 0x11E60398u);
    const std::vector<uint8_t> ones(100000, 0xFF);  // sums past the 5552-byte run
    EXPECT_EQ(Adler32(ones.data(), ones.size()), Adler32(ones.data() + 50000, 50000, Adler32(ones.data(), 50000)));
    EXPECT_EQ(Adler32(ones.data(), ones.size()), 0x149A302Cu);
}

TEST(DriverPng, EncodesImagesThatDecodeToTheSamePixels) {
    // The larger one needs several stored blocks.
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {300, 200}}) {
        Image image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
        for (size_t i = 0; i < image.Rgb.size(); ++i) image.Rgb[i] = static_cast<uint8_t>(i * 7 + i / 3);

        const auto chunks = ReadChunks(EncodePng(image));
        ASSERT_EQ(chunks.size(), 3u);
        EXPECT_EQ(chunks[0].Type, "IHDR");
        EXPECT_EQ(chunks[1].Type, "IDAT");
        EXPECT_EQ(chunks[2].Type, "IEND");
        ASSERT_EQ(chunks[0].Data.size(), 13u);
        EXPECT_EQ(BigEndianAt(chunks[0].Data, 0), static_cast<uint32_t>(width));
        EXPECT_EQ(BigEndianAt(chunks[0].Data, 4), static_cast<uint32_t>(height));
        EXPECT_EQ(std::vector<uint8_t>(chunks[0].Data.begin() + 8, chunks[0].Data.end()),
                  (std::vector<uint8_t>{8, 2, 0, 0, 0}));

        const auto raw = InflateStored(chunks[1].Data);
        const size_t rowBytes = static_cast<size_t>(width) * 3;
        ASSERT_EQ(raw.size(), (rowBytes + 1) * height);
        std::vector<uint8_t> pixels;
        for (int y = 0; y < height; ++y) {
            EXPECT_EQ(raw[(rowBytes + 1) * y], 0) << "filter of row " << y;
            pixels.insert(pixels.end(), raw.begin() + (rowBytes + 1) * y + 1, raw.begin() + (rowBytes + 1) * (y + 1));
        }
        EXPECT_EQ(pixels, image.Rgb) << width << "x" << height;
    }
    EXPECT_TRUE(EncodePng({0, 0, {}}).empty());
    EXPECT_TRUE(EncodePng({2, 2, std::vector<uint8_t>(11)}).empty());
}

// ---- Paths, environment and shared memory ------------------------------------------------------

TEST(DriverPaths, ConvertsUnixPathsToWinePaths) {
    const std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"/work/main/bin/Tarvex.exe", L"Z:\\work\\main\\bin\\Tarvex.exe"},
        {L"/tmp/a b/", L"Z:\\tmp\\a b\\"},
        {L"C:\\Apps\\Tarvex.exe", L"C:\\Apps\\Tarvex.exe"},
        {L"relative/x", L"relative/x"},
        {L"", L""},
    };
    for (const auto& [unix, wine] : cases) EXPECT_EQ(UnixToWinePath(unix), wine) << std::wstring(unix);

    SetEnvironmentVariableW(L"TARVEX_DRIVER_TEST", L"value");
    EXPECT_EQ(EnvironmentValue(L"TARVEX_DRIVER_TEST"), L"value");
    SetEnvironmentVariableW(L"TARVEX_DRIVER_TEST", nullptr);
    EXPECT_EQ(EnvironmentValue(L"TARVEX_DRIVER_TEST"), std::nullopt);
}

TEST(DriverSharedMemory, ReadsTheInstanceTable) {
    EXPECT_EQ(InstanceTableName(L"C:\\Apps\\Tarvex.exe"), L"JCLC:_APPS_TARVEX.EXE_All");
    EXPECT_EQ(InstanceTableName(L"c:\\apps\\tarvex.exe"), L"JCLC:_APPS_TARVEX.EXE_All");
    EXPECT_EQ(ReadInstanceTable(L"C:\\Apps\\Tarvex.exe"), std::nullopt);

    const UniqueKernelHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                        kInstanceTableBytes, L"JCLC:_APPS_TARVEX.EXE_All"));
    ASSERT_TRUE(mapping);
    {
        const UniqueFileMapView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, kInstanceTableBytes));
        ASSERT_TRUE(view);
        auto* bytes = static_cast<uint8_t*>(view.get());
        const std::array<uint8_t, 16> table = {1, 0, 2, 0, 0x10, 0x27, 0, 0, 0x20, 0x4E, 0, 0, 9, 9, 9, 9};
        std::copy(table.begin(), table.end(), bytes);
    }
    const auto read = ReadInstanceTable(L"C:\\Apps\\Tarvex.exe");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Limit, 1);
    EXPECT_EQ(read->Count, 2);
    EXPECT_EQ(read->ProcessIds, (std::vector<uint32_t>{10000, 20000}));

    EXPECT_EQ(PeekSharedMemory(L"JCLC:_APPS_TARVEX.EXE_All", 4), (std::vector<uint8_t>{1, 0, 2, 0}));
    EXPECT_EQ(PeekSharedMemory(L"NoSuchMapping", 4), std::nullopt);
}

TEST(DriverSharedMemory, ParsesOnlyWholeTablesAndCapsTheCount) {
    EXPECT_EQ(ParseInstanceTable(std::vector<uint8_t>(kInstanceTableBytes - 1)), std::nullopt);
    std::vector<uint8_t> bytes(kInstanceTableBytes, 0);
    bytes[2] = 0xFF;  // count 65535: more slots than the table has
    bytes[3] = 0xFF;
    const auto table = ParseInstanceTable(bytes);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->Count, 0xFFFF);
    EXPECT_EQ(table->ProcessIds.size(), 257u);
}

}  // namespace
}  // namespace tarvex::driver
