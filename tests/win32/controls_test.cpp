// The standard control wrappers on a parent Window: the user's actions, made with the messages
// Windows makes of them, raise each event once; the program's own setters raise nothing; a
// wrapper outlives its window; the parent finds the wrapper only for its own controls.
#include "platform/win32/controls.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "links/win32/auto_url_label.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"

namespace tarvex {
namespace {

// A form as the program makes one; its static controls can be drawn transparently, as on a
// page with a picture behind them.
class TestForm final : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TControlsTestForm";

    TestForm() {
        RegisterWindowClass(kClassName, CS_DBLCLKS, GetSysColorBrush(COLOR_BTNFACE));
        CreateHandle(kClassName, L"Controls", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 0, 480, 360, nullptr,
                     nullptr);
        ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    }
    Surface Where() const { return {Handle(), 96, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))}; }
    bool HollowStatics = false;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CTLCOLORSTATIC && HollowStatics) {
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        return Window::OnMessage(message, wParam, lParam);
    }
};

void RunPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Counts how often an event is raised.
struct Counter {
    int Count = 0;
    std::function<void()> Handler() {
        return [this] { ++Count; };
    }
};

class ControlsTest : public testing::Test {
protected:
    void TearDown() override { RunPendingMessages(); }
    TestForm form_;
};

TEST_F(ControlsTest, ClicksRaiseOnClickOnceAndSetCheckedRaisesNothing) {
    TButton button;
    TCheckBox check;
    TRadioButton radio;
    button.Create(form_.Where(), {.Id = 1, .Text = "Press", .At = {8, 8, 80, 24}});
    check.Create(form_.Where(), {.Id = 2, .Text = "Check", .At = {8, 40, 80, 17}});
    radio.Create(form_.Where(), {.Id = 3, .Text = "Radio", .At = {8, 64, 80, 17}});
    struct Case {
        TButton& Control;
        const char* Name;
    };
    for (const Case& c : {Case{button, "button"}, Case{check, "check box"}, Case{radio, "radio button"}}) {
        SCOPED_TRACE(c.Name);
        Counter clicks;
        c.Control.OnClick = clicks.Handler();
        SendMessageW(c.Control.Handle(), BM_CLICK, 0, 0);
        RunPendingMessages();
        EXPECT_EQ(clicks.Count, 1);
    }
    EXPECT_TRUE(check.Checked());
    EXPECT_TRUE(radio.Checked());

    Counter clicks;
    check.OnClick = clicks.Handler();
    radio.OnClick = clicks.Handler();
    check.SetChecked(false);
    radio.SetChecked(false);
    check.SetChecked(true);
    RunPendingMessages();
    EXPECT_EQ(clicks.Count, 0);
    EXPECT_TRUE(check.Checked());
    EXPECT_FALSE(radio.Checked());
}

TEST_F(ControlsTest, TypingRaisesOnChangeOnceAndSetTextSilentlyRaisesNothing) {
    TEdit edit;
    edit.Create(form_.Where(), {.Id = 1, .At = {8, 8, 120, 20}});
    Counter changes;
    edit.OnChange = changes.Handler();
    SendMessageW(edit.Handle(), WM_CHAR, L'x', 1);
    EXPECT_EQ(changes.Count, 1);
    EXPECT_EQ(edit.Text(), "x");

    edit.SetTextSilently("proxy.example:8080");
    EXPECT_EQ(changes.Count, 1);
    EXPECT_EQ(edit.Text(), "proxy.example:8080");
}

TEST_F(ControlsTest, PickingAComboItemRaisesOnChangeOnce) {
    TComboBox combo;
    combo.Create(form_.Where(), {.Id = 1, .At = {8, 8, 60, 120}});
    combo.SetItems({"day", "3 days", "first day of the month"});
    Counter changes;
    combo.OnChange = changes.Handler();
    combo.SetItemIndex(0);
    combo.SetItemIndex(-1);
    EXPECT_EQ(changes.Count, 0);
    EXPECT_EQ(combo.ItemIndex(), -1);

    // By keyboard: Down on the closed list moves the choice to the next item.
    combo.SetItemIndex(0);
    SendMessageW(combo.Handle(), WM_KEYDOWN, VK_DOWN, 1);
    SendMessageW(combo.Handle(), WM_KEYUP, VK_DOWN, 0xC0000001);
    EXPECT_EQ(changes.Count, 1);
    EXPECT_EQ(combo.ItemIndex(), 1);

    // By mouse: the list drops down and the user clicks its third line.
    COMBOBOXINFO info{sizeof info};
    ASSERT_TRUE(GetComboBoxInfo(combo.Handle(), &info));
    SendMessageW(combo.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_TRUE(IsWindowVisible(info.hwndList));
    RECT third{};
    SendMessageW(info.hwndList, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&third));
    const LPARAM at = MAKELPARAM(third.left + 4, (third.top + third.bottom) / 2);
    SendMessageW(info.hwndList, WM_MOUSEMOVE, 0, at);
    SendMessageW(info.hwndList, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(info.hwndList, WM_LBUTTONUP, 0, at);
    RunPendingMessages();
    EXPECT_FALSE(IsWindowVisible(info.hwndList));
    EXPECT_EQ(combo.ItemIndex(), 2);
    EXPECT_EQ(changes.Count, 2);

    // The list is as wide as its longest item needs.
    RECT item = info.rcItem;
    ASSERT_TRUE(GetComboBoxInfo(combo.Handle(), &info));
    item = info.rcItem;
    EXPECT_GE(item.right - item.left,
              TextWidth(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), "first day of the month", false));
}

TEST_F(ControlsTest, SelectingAListRowRaisesOnChangeOnce) {
    TListView list;
    list.Create(form_.Where(), {.Id = 1, .At = {8, 8, 240, 120}});
    list.AddColumn("Adapter", 200);
    Counter changes;
    list.OnChange = changes.Handler();
    list.SetRows({{"eth0"}, {"eth1"}, {"lo"}});
    list.SetItemIndex(0);
    EXPECT_EQ(changes.Count, 0);
    EXPECT_EQ(list.ItemIndex(), 0);

    // Down moves the selection: one row loses it, one gains it, one change.
    SetFocus(list.Handle());
    SendMessageW(list.Handle(), WM_KEYDOWN, VK_DOWN, 1);
    SendMessageW(list.Handle(), WM_KEYUP, VK_DOWN, 0xC0000001);
    RunPendingMessages();
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(changes.Count, 1);

    list.SetItemIndex(2);
    list.SetItemIndex(-1);
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(changes.Count, 1);
}

// A list that follows a model on every change: rows and images as given, the selection kept
// when only texts and images change, and no change event from any of it.
TEST_F(ControlsTest, ListRowsShowTheirImagesAndUpdateInPlace) {
    TListView list;
    list.Create(form_.Where(), {.Id = 1, .At = {8, 8, 240, 120}});
    list.AddColumn("Task", 150);
    list.AddColumn("Progress", 60);
    Counter changes;
    list.OnChange = changes.Handler();
    auto image = [&list](int row) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        SendMessageW(list.Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    };
    auto text = [&list](int row, int column) {
        wchar_t buffer[64] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = 64;
        SendMessageW(list.Handle(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return std::wstring(buffer);
    };

    list.SetRows(std::vector<ListRow>{{{"Scanning...", ""}, 1}, {{"Complete!", ""}, 1}});
    list.SetItemIndex(1);
    EXPECT_EQ(image(0), 1);
    list.SetRows(std::vector<ListRow>{{{"Scanning...", "57%"}, 3}, {{"Complete!", ""}, 5}});
    EXPECT_EQ(text(0, 1), L"57%");
    EXPECT_EQ(image(0), 3);
    EXPECT_EQ(image(1), 5);
    EXPECT_EQ(list.ItemIndex(), 1);
    list.SetRows(std::vector<ListRow>{{{"Scanning...", ""}, -1}});
    EXPECT_EQ(SendMessageW(list.Handle(), LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(text(0, 1), L"");
    EXPECT_LT(image(0), 0);
    EXPECT_EQ(changes.Count, 0);
}

TEST_F(ControlsTest, UpDownStepRaisesOnChangeOnceAndSetPositionRaisesNothing) {
    TEdit buddy;
    TUpDown upDown;
    buddy.Create(form_.Where(), {.Id = 1, .At = {8, 8, 80, 20}});
    upDown.Create(form_.Where(), {.Id = 2, .At = {88, 8, 16, 20}});
    upDown.SetBuddy(buddy);
    upDown.SetRange(0, 100);
    Counter changes;
    upDown.OnChange = changes.Handler();
    upDown.SetPosition(10);
    EXPECT_EQ(changes.Count, 0);
    EXPECT_EQ(upDown.Position(), 10);

    // A click on the upper arrow: one step up, reported when the button goes down.
    RECT arrows{};
    GetClientRect(upDown.Handle(), &arrows);
    const LPARAM at = MAKELPARAM(arrows.right / 2, arrows.bottom / 4);
    SendMessageW(upDown.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(upDown.Handle(), WM_LBUTTONUP, 0, at);
    RunPendingMessages();
    EXPECT_EQ(upDown.Position(), 11);
    EXPECT_EQ(buddy.Text(), "11");
    EXPECT_EQ(changes.Count, 1);
}

TEST_F(ControlsTest, TrackBarMoveRaisesOnChangeOnceAndSetPositionRaisesNothing) {
    TTrackBar track;
    track.Create(form_.Where(), {.Id = 1, .At = {8, 8, 200, 30}});
    track.SetRange(0, 10);
    Counter changes;
    track.OnChange = changes.Handler();
    track.SetPosition(4);
    EXPECT_EQ(changes.Count, 0);

    // Right moves one line: the bar reports the step, then the end of the move.
    SendMessageW(track.Handle(), WM_KEYDOWN, VK_RIGHT, 1);
    SendMessageW(track.Handle(), WM_KEYUP, VK_RIGHT, 0xC0000001);
    RunPendingMessages();
    EXPECT_EQ(track.Position(), 5);
    EXPECT_EQ(changes.Count, 1);
}

TEST_F(ControlsTest, AControlOutlivesItsWindow) {
    auto form = std::make_unique<TestForm>();
    auto button = std::make_unique<TButton>();
    button->Create(form->Where(), {.Id = 1, .Text = "Press", .At = {8, 8, 80, 24}});
    const HWND handle = button->Handle();
    ASSERT_EQ(TControl::FromHandle(handle), button.get());
    DestroyWindow(form->Handle());
    EXPECT_EQ(button->Handle(), nullptr);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(TControl::FromHandle(handle), nullptr);
    button.reset();  // nothing left to destroy
    form.reset();
}

DWORD WINAPI MakeForeignWindow(void* param) {
    // Carries the property the wrappers use, on a thread that owns no wrapper.
    auto* window = static_cast<HWND*>(param);
    *window = CreateWindowExW(0, L"BUTTON", L"foreign", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetPropW(*window, L"TarvexControl", reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1234)));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    DestroyWindow(*window);
    return 0;
}

TEST_F(ControlsTest, FromHandleFindsOnlyOurControls) {
    TLabel label;
    label.Create(form_.Where(), {.Id = 1, .Text = "Label", .At = {8, 8, 80, 14}});
    EXPECT_EQ(TControl::FromHandle(label.Handle()), &label);
    EXPECT_EQ(TControl::FromHandle(nullptr), nullptr);
    EXPECT_EQ(TControl::FromHandle(form_.Handle()), nullptr);
    const HWND plain =
        CreateWindowExW(0, L"BUTTON", L"plain", WS_CHILD, 0, 0, 10, 10, form_.Handle(), nullptr, nullptr, nullptr);
    EXPECT_EQ(TControl::FromHandle(plain), nullptr);

    HWND foreign = nullptr;
    DWORD threadId = 0;
    const HANDLE thread = CreateThread(nullptr, 0, MakeForeignWindow, &foreign, 0, &threadId);
    ASSERT_TRUE(thread);
    ASSERT_TRUE(driver::WaitUntil([&] { return foreign != nullptr; }, 5000));
    EXPECT_EQ(TControl::FromHandle(foreign), nullptr);
    PostThreadMessageW(threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
}

// An owner-drawn list box that records the measure and draw requests its parent reflects. Items
// of variable height are measured as they are added (a fixed height is measured while the list
// box is created, before any wrapper owns it).
class OwnerDrawnList final : public TControl {
public:
    int Measured = 0;
    int Drawn = 0;

protected:
    const wchar_t* ClassName() const override { return L"LISTBOX"; }
    DWORD KindStyle() const override { return LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS; }
    std::optional<LRESULT> Reflected(UINT message, WPARAM, LPARAM lParam) override {
        if (message == WM_MEASUREITEM) {
            ++Measured;
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 18;
            return TRUE;
        }
        if (message == WM_DRAWITEM) {
            ++Drawn;
            return TRUE;
        }
        return std::nullopt;
    }
};

TEST_F(ControlsTest, OwnerDrawRequestsReachTheControl) {
    OwnerDrawnList list;
    list.Create(form_.Where(), {.Id = 7, .At = {8, 8, 120, 80}});
    SendMessageW(list.Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"item"));
    EXPECT_EQ(list.Measured, 1);
    EXPECT_EQ(SendMessageW(list.Handle(), LB_GETITEMHEIGHT, 0, 0), 18);
    UpdateWindow(form_.Handle());
    RedrawWindow(list.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RunPendingMessages();
    EXPECT_GE(list.Drawn, 1);
}

// A read-only memo paints its own background: scrolled over a form that draws its statics
// transparently, it looks exactly as it does when painted afresh.
TEST_F(ControlsTest, MemoScrollsCleanlyOverATransparentForm) {
    form_.HollowStatics = true;
    TMemo memo;
    std::string text;
    for (int line = 1; line <= 40; ++line) text += "Line " + std::to_string(line) + " of the notice\r\n";
    memo.Create(form_.Where(), {.Id = 1, .Text = text, .At = {8, 8, 240, 120}});
    const auto pixels = [&] {
        const auto image = driver::CaptureOwnWindow(memo.Handle());
        return image ? image->Rgb : std::vector<uint8_t>();
    };
    pixels();
    for (const WPARAM step : {SB_LINEDOWN, SB_LINEDOWN, SB_PAGEDOWN, SB_LINEUP}) {
        SendMessageW(memo.Handle(), WM_VSCROLL, step, 0);
        const std::vector<uint8_t> scrolled = pixels();
        InvalidateRect(memo.Handle(), nullptr, TRUE);
        const std::vector<uint8_t> fresh = pixels();
        ASSERT_FALSE(fresh.empty());
        EXPECT_TRUE(scrolled == fresh) << "after scroll " << step;
    }
    EXPECT_GT(SendMessageW(memo.Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

// The hyperlink label: blue underlined, 100 pixels wide unless told, a tab stop; its address
// follows its caption until it is given one of its own.
TEST_F(ControlsTest, UrlLabelLooksLikeALinkAndItsAddressFollowsTheCaptionRule) {
    TAutoURLLabel label;
    label.Create(form_.Where(), {.Text = "a.example", .At = {8, 8, 0, 14}});
    EXPECT_EQ(label.BoundsAt96().Width, TAutoURLLabel::kDefaultWidth);
    EXPECT_TRUE(GetWindowLongPtrW(label.Handle(), GWL_STYLE) & WS_TABSTOP);
    LOGFONTW font{};
    GetObjectW(label.Font(), sizeof font, &font);
    EXPECT_TRUE(font.lfUnderline);
    {
        const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
        SendMessageW(form_.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                     reinterpret_cast<LPARAM>(label.Handle()));
        EXPECT_EQ(GetTextColor(dc.get()), RGB(0, 0, 255));
    }

    EXPECT_EQ(label.URL(), "a.example");
    label.SetText("www.example.org");
    EXPECT_EQ(label.URL(), "www.example.org");
    label.SetURL("https://www.example.org/go/?s=1");
    label.SetText("Our web site");
    EXPECT_EQ(label.URL(), "https://www.example.org/go/?s=1");
    EXPECT_EQ(label.Text(), "Our web site");
}

}  // namespace
}  // namespace tarvex
