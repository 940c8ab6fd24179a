// The main window at the DPI of the prefix it runs in (LogPixels; the suite runs at 96 and at
// 144): every page, visited as the user visits it, shows each text in full in its control,
// keeps its controls inside the page and apart, and paints all of its area. A picture of each
// page goes to the output folder, for looking at.
//
// Pages are rows of Views(); the advanced editor's tabs, the wizard and the dialogs join the
// table as they come.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/win32/application.h"
#include "app/win32/control_ids.h"
#include "app/win32/main_form.h"
#include "controls/win32/bug_report_dialog.h"
#include "driver.h"
#include "e2e/support/e2e.h"
#include "platform/win32/unicode.h"
#include "resource_ids.h"
#include "update/win32/update_check_progress.h"
#include "update/win32/update_wizard_window.h"
#include "update/win32/wininet_transfer.h"

namespace tarvex {
namespace {

// A window the test opens, and the window whose controls it checks.
struct View {
    std::string Name;
    std::function<HWND(TTarvexMainForm&)> Show;
};

std::vector<View> Views() {
    const std::pair<MainPage, const char*> pages[] = {
        {MainPage::Welcome, "tsWelcome"},   {MainPage::Progress, "tsProgress"},
        {MainPage::Advanced, "tsAdvanced"}, {MainPage::ConnectionState, "tsConnectionState"},
        {MainPage::Settings, "tsSettings"}, {MainPage::About, "tsAbout"},
        {MainPage::Support, "tsSupport"},
    };
    std::vector<View> views;
    for (const auto& [page, name] : pages) {
        views.push_back({name, [page](TTarvexMainForm& form) {
                             form.ShowPage(page);
                             return form.Page(page).Handle();
                         }});
    }
    // The advanced page's other tabs ("Welcome" shows with the page); the test's Windows is 7, so
    // the modern stack's tab is there too.
    const char* tabs[] = {"General", "MTU", "RWIN-TTL", "HTTP", "TCPLW", "ACK", "Modern-TCP"};
    for (int tab = 1; tab <= 7; ++tab) {
        views.push_back({std::string("tsAdvanced-") + tabs[tab - 1], [tab](TTarvexMainForm& form) {
                             form.ShowPage(MainPage::Advanced);
                             driver::TabSelect(driver::FindChildById(form.Handle(), ids::kPageControlAdvanced), tab);
                             return form.Page(MainPage::Advanced).Handle();
                         }});
    }
    views.push_back({"AdvPanelGroup",
                     [](TTarvexMainForm& form) { return driver::FindChildById(form.Handle(), ids::kAdvPanelGroup); }});
    return views;
}

// The DPI the suite was started for (the prefix's LogPixels).
int ExpectedDpi() {
    const auto value = driver::EnvironmentValue(L"TARVEX_LOG_PIXELS");
    return value ? _wtoi(value->c_str()) : 96;
}

void RunPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Lets the windows take their pending messages, paints included.
void Settle(HWND window) {
    for (int i = 0; i < 5; ++i) {
        RunPendingMessages();
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(10);
    }
}

// ---- What a control needs to show its text -----------------------------------------------

int Scaled(int pixels, int dpi) {
    return MulDiv(pixels, dpi, 96);
}

struct TextSize {
    int Width = 0;
    int Height = 0;  // of all lines
    int LineHeight = 0;
};

// The text in the control's own font, on one line or wrapped at `wrapWidth`.
TextSize MeasureText(HWND control, const std::wstring& text, UINT format, int wrapWidth = 0) {
    HDC dc = GetDC(control);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT rect{0, 0, wrapWidth, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE) | format);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return {rect.right - rect.left, rect.bottom - rect.top, static_cast<int>(metrics.tmHeight)};
}

// Half the width of a digit: the gap a check box or radio button leaves between its glyph and
// its text.
int GlyphGap(HWND control) {
    HDC dc = GetDC(control);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    INT digit = 0;
    GetCharWidth32W(dc, L'0', L'0', &digit);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return digit / 2;
}

RECT ClientRectOf(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

// The control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control) {
    RECT rect = driver::WindowRect(control);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int Width(const RECT& rect) {
    return rect.right - rect.left;
}
int Height(const RECT& rect) {
    return rect.bottom - rect.top;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool IsGroupBox(HWND window) {
    return driver::ClassName(window) == L"Button" && (driver::Style(window) & BS_TYPEMASK) == BS_GROUPBOX;
}

// Windows that hold controls of their own: the pages and the side panel's panels.
bool IsContainer(HWND window) {
    return (driver::ExStyle(window) & WS_EX_CONTROLPARENT) != 0;
}

class Faults {
public:
    explicit Faults(std::string view) : view_(std::move(view)) {}
    void Add(HWND control, const std::string& what) {
        std::ostringstream line;
        line << view_ << ": " << WideToUtf8(driver::ClassName(control)) << " #" << driver::ControlId(control) << " \""
             << WideToUtf8(driver::WindowText(control)) << "\" " << what << "\n";
        text_ += line.str();
    }
    const std::string& Text() const { return text_; }

private:
    std::string view_;
    std::string text_;
};

std::string Need(int needed, int has) {
    return "needs " + std::to_string(needed) + " px, has " + std::to_string(has);
}

// A check box, radio button, push button or group box: its text on one line beside its glyph,
// inside its frame, or in its caption gap.
void CheckButtonText(HWND button, int dpi, Faults& faults) {
    const std::wstring text = driver::WindowText(button);
    if (text.empty()) return;
    const RECT client = ClientRectOf(button);
    const TextSize size = MeasureText(button, text, 0);
    int needed = size.Width;
    switch (driver::Style(button) & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
        case BS_3STATE:
        case BS_AUTO3STATE:
            // The 13-pixel glyph (at 96 DPI), the gap, and a pixel either side of the text.
            needed += Scaled(13, dpi) + GlyphGap(button) + 2;
            break;
        case BS_GROUPBOX:
            needed += 2 * Scaled(8, dpi);  // the caption sits in a gap of the frame's top edge
            break;
        default:
            needed += 2 * Scaled(6, dpi);  // the frame, the focus rectangle and some air
            break;
    }
    if (needed > Width(client)) faults.Add(button, "cut off: text " + Need(needed, Width(client)));
    if ((driver::Style(button) & BS_TYPEMASK) != BS_GROUPBOX && size.LineHeight > Height(client))
        faults.Add(button, "cut off: line " + Need(size.LineHeight, Height(client)));
}

// A static text: one line that fits, or (two lines high or more) wrapped lines that fit.
void CheckStaticText(HWND label, Faults& faults) {
    const std::wstring text = driver::WindowText(label);
    const LONG_PTR style = driver::Style(label);
    const LONG_PTR kind = style & SS_TYPEMASK;
    if (text.empty() ||
        (kind != SS_LEFT && kind != SS_CENTER && kind != SS_RIGHT && kind != SS_LEFTNOWORDWRAP && kind != SS_SIMPLE))
        return;
    const UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    const RECT client = ClientRectOf(label);
    const TextSize line = MeasureText(label, text, prefix);
    const bool wraps = kind != SS_LEFTNOWORDWRAP && kind != SS_SIMPLE && Height(client) >= 2 * line.LineHeight;
    if (wraps) {
        const TextSize wrapped = MeasureText(label, text, prefix, Width(client));
        if (wrapped.Height > Height(client))
            faults.Add(label, "cut off: wrapped lines " + Need(wrapped.Height, Height(client)));
        return;
    }
    // An ellipsis label is made to shorten what does not fit (adapter names).
    if (!(style & SS_ELLIPSISMASK) && line.Width > Width(client))
        faults.Add(label, "cut off: text " + Need(line.Width, Width(client)));
    if (line.LineHeight > Height(client)) faults.Add(label, "cut off: line " + Need(line.LineHeight, Height(client)));
}

// A drop-down list shows each of its items in full: in its item area, or, where the open list
// was made wider than the control (no room for a wider control), in that list.
void CheckComboItems(HWND combo, int dpi, Faults& faults) {
    COMBOBOXINFO info{sizeof info};
    if (!GetComboBoxInfo(combo, &info)) return;
    const int listWidth =
        static_cast<int>(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0)) - 2 * GetSystemMetrics(SM_CXEDGE);
    const int has = std::max(Width(info.rcItem), listWidth);
    for (const std::wstring& item : driver::ComboItems(combo)) {
        const int needed = MeasureText(combo, item, DT_NOPREFIX).Width + Scaled(4, dpi);
        if (needed > has) faults.Add(combo, "cut off: item \"" + WideToUtf8(item) + "\" " + Need(needed, has));
    }
}

// A one-line edit box is high enough for a line of its text.
void CheckEditLine(HWND edit, Faults& faults) {
    if (driver::Style(edit) & ES_MULTILINE) return;
    const int line = MeasureText(edit, L"Xg", 0).LineHeight;
    const RECT client = ClientRectOf(edit);
    if (line > Height(client)) faults.Add(edit, "cut off: line " + Need(line, Height(client)));
}

void CheckText(HWND control, int dpi, Faults& faults) {
    const std::wstring className = driver::ClassName(control);
    if (className == L"Button") CheckButtonText(control, dpi, faults);
    if (className == L"Static") CheckStaticText(control, faults);
    if (className == L"ComboBox") CheckComboItems(control, dpi, faults);
    if (className == L"Edit") CheckEditLine(control, faults);
}

// Controls stay inside their parent; a control that starts inside a group box ends inside it;
// no two controls overlap (a group box only frames what it holds).
void CheckPlaces(HWND parent, const std::vector<HWND>& controls, Faults& faults) {
    const RECT area = ClientRectOf(parent);
    for (HWND control : controls) {
        const RECT rect = RectInParent(control);
        if (!Inside(rect, area)) faults.Add(control, "sticks out of its parent");
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const RECT a = RectInParent(controls[i]);
            const RECT b = RectInParent(controls[j]);
            RECT common{};
            if (!IntersectRect(&common, &a, &b)) continue;
            const bool aFrames = IsGroupBox(controls[i]) && !IsGroupBox(controls[j]);
            const bool bFrames = IsGroupBox(controls[j]) && !IsGroupBox(controls[i]);
            if (aFrames || bFrames) {
                const HWND frame = aFrames ? controls[i] : controls[j];
                const HWND held = aFrames ? controls[j] : controls[i];
                if (!Inside(RectInParent(held), RectInParent(frame))) faults.Add(held, "crosses its group box's frame");
                continue;
            }
            faults.Add(controls[i], "overlaps \"" + WideToUtf8(driver::WindowText(controls[j])) + "\"");
        }
    }
}

void CheckTree(HWND parent, int dpi, Faults& faults) {
    std::vector<HWND> visible;
    for (HWND child : driver::Children(parent)) {
        if (IsWindowVisible(child)) visible.push_back(child);
    }
    CheckPlaces(parent, visible, faults);
    for (HWND child : visible) {
        if (IsContainer(child)) {
            CheckTree(child, dpi, faults);
        } else {
            CheckText(child, dpi, faults);
        }
    }
}

// ---- The main window ---------------------------------------------------------------------

class MainWindowLayoutTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                                           ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
        InitCommonControlsEx(&controls);
        Application().Icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TARVEX));
        form_ = new TTarvexMainForm;
        form_->Create(SW_SHOWNORMAL);
        Settle(form_->Handle());
    }
    static void TearDownTestSuite() {
        DestroyWindow(form_->Handle());
        delete form_;
        form_ = nullptr;
        // The window's end posts the quit message that would end a program's loop.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    static HWND Show(const View& view) {
        const HWND root = view.Show(*form_);
        Settle(form_->Handle());
        return root;
    }

    static void SavePicture(const std::string& name, HWND window = nullptr) {
        const auto image = driver::CaptureOwnWindow(window ? window : form_->Handle());
        ASSERT_TRUE(image) << name;
        const std::wstring path = e2e::OutputDir() + L"\\" + Utf8ToWide(name) + L".png";
        EXPECT_TRUE(driver::WriteFileBytes(path, driver::EncodePng(*image))) << WideToUtf8(path);
    }

    static TTarvexMainForm* form_;
};

TTarvexMainForm* MainWindowLayoutTest::form_ = nullptr;

TEST_F(MainWindowLayoutTest, RunsAtThePrefixDpi) {
    EXPECT_EQ(ScreenDpi(), ExpectedDpi());
}

TEST_F(MainWindowLayoutTest, EveryTextFitsAndEveryControlStaysInPlace) {
    const int dpi = ScreenDpi();
    for (const View& view : Views()) {
        const HWND root = Show(view);
        ASSERT_TRUE(root) << view.Name;
        EXPECT_TRUE(IsWindowVisible(root)) << view.Name;
        Faults faults(view.Name + " at " + std::to_string(dpi) + " DPI");
        CheckTree(root, dpi, faults);
        if (!Inside(RectInParent(root), ClientRectOf(GetParent(root)))) faults.Add(root, "sticks out of the window");
        EXPECT_EQ(faults.Text(), "");
        SavePicture(view.Name);
    }
}

// Each pixel of a view is painted when it shows: nothing of what was there before shows
// through (a group box, for one, paints only its frame, and its parent clips its children).
TEST_F(MainWindowLayoutTest, EveryViewPaintsAllOfItsArea) {
    constexpr COLORREF kMarker = RGB(255, 0, 255);
    for (const View& view : Views()) {
        const HWND root = Show(view);
        ASSERT_TRUE(root) << view.Name;
        ShowWindow(root, SW_HIDE);
        {
            const HWND parent = GetParent(root);
            HDC dc = GetDCEx(parent, nullptr, DCX_CACHE);  // children not clipped
            const RECT area = RectInParent(root);
            SetBkColor(dc, kMarker);
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
            ReleaseDC(parent, dc);
        }
        ShowWindow(root, SW_SHOW);
        Settle(form_->Handle());

        const auto image = driver::CaptureOwnWindow(form_->Handle());
        ASSERT_TRUE(image) << view.Name;
        RECT area = driver::WindowRect(root);
        const RECT window = driver::WindowRect(form_->Handle());
        OffsetRect(&area, -window.left, -window.top);
        int marked = 0;
        POINT first{-1, -1};
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                const uint8_t* pixel = &image->Rgb[(static_cast<size_t>(y) * image->Width + x) * 3];
                if (RGB(pixel[0], pixel[1], pixel[2]) != kMarker) continue;
                if (marked++ == 0) first = {x - area.left, y - area.top};
            }
        }
        EXPECT_EQ(marked, 0) << view.Name << ": unpainted pixels, the first at " << first.x << ", " << first.y;
    }
}

// The "Bug Report" dialog, a window of its own, with a long message and a full call stack.
TEST_F(MainWindowLayoutTest, BugReportDialogFitsItsTexts) {
    const int dpi = ScreenDpi();
    BugReport report{"Failed to set data for 'TcpWindowSize': <B>Access is denied.</B> (5)",
                     {},
                     "2.0.1.70",
                     "Windows 7 Service Pack 1"};
    for (int i = 0; i < 14; ++i) report.StackLines.push_back(FormatStackFrame("Tarvex.exe", 0x1a2b0u + 0x131u * i));
    TBugReportDialog dialog(report, "support@quillmont.com");
    dialog.Create(form_->Handle());
    ShowWindow(dialog.Handle(), SW_SHOWNORMAL);
    Settle(dialog.Handle());
    Faults faults("Bug Report at " + std::to_string(dpi) + " DPI");
    CheckTree(dialog.Handle(), dpi, faults);
    EXPECT_EQ(faults.Text(), "");
    // The report's lines, the stack's marker included, fit in the label.
    const TQmHtmlLabel& label = dialog.ReportLabel();
    EXPECT_LE(label.ContentHeight(), Height(ClientRectOf(label.Handle())));
    SavePicture("BugReport", dialog.Handle());
}

// The update wizard's pages, each as the wizard's own events and buttons bring it up (no
// server is asked: the component's events are raised directly), and the "Update Check" window.
TEST_F(MainWindowLayoutTest, UpdateWindowsFitTheirTexts) {
    const int dpi = ScreenDpi();
    WinInetTransfer transfer;
    TfrmUpdateWizard wizard(transfer, nullptr);
    TQmWebUpdate& update = wizard.WebUpdate();
    ShowWindow(wizard.Handle(), SW_SHOWNORMAL);
    const auto check = [&](const std::string& name) {
        Settle(wizard.Handle());
        Faults faults("Update Wizard " + name + " at " + std::to_string(dpi) + " DPI");
        CheckTree(wizard.Handle(), dpi, faults);
        EXPECT_EQ(faults.Text(), "");
        SavePicture("UpdateWizard-" + name, wizard.Handle());
    };
    check("Welcome");
    bool canUpdate = false;
    update.OnUpdateAvailable("2.0.1.70", "10.20.300.4000", "12/11/2026", "31/12/2030", canUpdate);
    check("UpdatesAvailable");
    // Next starts a download, which the component refuses at once: it has checked nothing.
    SendMessageW(driver::FindChildByText(wizard.Handle(), L"&Next >", L"Button"), BM_CLICK, 0, 0);
    update.OnDownload(73400320, 28734000, 1593.6, 2795.4);
    check("UpdateProgress");
    update.OnAfterDownload("C:\\Temp\\TarvexSetup.exe");
    check("ReadyToInstall");
    update.OnDownloadError();
    check("CouldNotConnect");
    update.OnNoUpdateFound();
    check("NoUpdate");

    TUpdateCheckProgress progress;
    progress.Create();
    progress.Start();
    progress.SetBottomText("No updates available at this time.");
    Settle(progress.Handle());
    Faults faults("Update Check at " + std::to_string(dpi) + " DPI");
    CheckTree(progress.Handle(), dpi, faults);
    EXPECT_EQ(faults.Text(), "");
    SavePicture("UpdateCheck", progress.Handle());
}

// The About page's legal notice scrolls without smearing: after a scroll it looks as it does
// when painted afresh. The notice is made longer than the box first, so that it scrolls.
TEST_F(MainWindowLayoutTest, LegalNoticeScrollsCleanly) {
    form_->ShowPage(MainPage::About);
    const HWND memo = driver::FindChildById(form_->Page(MainPage::About).Handle(), ids::kMemoLegal);
    ASSERT_TRUE(memo);
    const std::wstring notice = driver::WindowText(memo);
    SetWindowTextW(memo, (notice + L"\r\n\r\n" + notice + L"\r\n\r\n" + notice).c_str());
    Settle(form_->Handle());

    const auto pixels = [memo] {
        const auto image = driver::CaptureOwnWindow(memo);
        return image ? image->Rgb : std::vector<uint8_t>();
    };
    for (const WPARAM step : {SB_LINEDOWN, SB_LINEDOWN, SB_PAGEDOWN, SB_LINEUP}) {
        SendMessageW(memo, WM_VSCROLL, step, 0);
        Settle(form_->Handle());
        const std::vector<uint8_t> scrolled = pixels();
        InvalidateRect(memo, nullptr, TRUE);
        Settle(form_->Handle());
        const std::vector<uint8_t> fresh = pixels();
        ASSERT_FALSE(fresh.empty());
        EXPECT_TRUE(scrolled == fresh) << "after scroll " << step;
    }
    EXPECT_GT(SendMessageW(memo, EM_GETFIRSTVISIBLELINE, 0, 0), 0);  // it did scroll
    SetWindowTextW(memo, notice.c_str());
}

// On Windows Vista and later (the test's Windows is 7) the progress list names the changes a run
// really makes: each fits the "Task" column. Last, since the run leaves the window on its page.
TEST_F(MainWindowLayoutTest, TheModernRunsStepsFitTheirColumn) {
    const int dpi = ScreenDpi();
    form_->ShowPage(MainPage::Welcome);
    form_->TuningRun().CheckScenario(ConnectionScenario::rbADSLPPPoE);
    form_->TuningRun().btnAccelerateClick();  // to its end: the waits pump messages
    ASSERT_TRUE(form_->TuningRun().OKVisible());
    const HWND page = form_->Page(MainPage::Progress).Handle();
    Settle(form_->Handle());
    Faults faults("tsProgress after a modern run at " + std::to_string(dpi) + " DPI");
    CheckTree(page, dpi, faults);
    EXPECT_EQ(faults.Text(), "");
    const HWND list = driver::FindChildById(page, ids::kListViewProgress);
    ASSERT_TRUE(list);
    const int column = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    const auto rows = driver::ListViewRows(list);
    ASSERT_GT(rows.size(), 2u);
    for (const auto& row : rows) {
        // The text beside its 16-pixel icon, with the list's margins.
        const int needed =
            static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(row.at(0).c_str()))) +
            Scaled(16 + 12, dpi);
        EXPECT_LE(needed, column) << WideToUtf8(row.at(0));
    }
    SavePicture("tsProgress-modern");
}

}  // namespace
}  // namespace tarvex
