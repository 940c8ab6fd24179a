#include "controls/win32/bug_report_dialog.h"

#include <cstring>
#include <utility>

#include "build_version.h"
#include "common/error.h"
#include "common/windows_version.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/os_version.h"
#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"
#include "platform/win32/shell.h"

namespace tarvex {
namespace {

constexpr wchar_t kTitle[] = L"Bug Report";
constexpr char kEmailText[] = "Email address (optional):";
constexpr char kSendText[] = "Send Error Report";
constexpr char kDontSendText[] = "Don't Send";
constexpr char kHeaderTitle[] = "Bug Report";

// The dialog's client area at 96 DPI.
constexpr int kWidth = 420;
constexpr int kHeight = 336;
constexpr int kHeaderHeight = 60;

bool& DialogOpen() {
    static bool open = false;
    return open;
}

std::string ModuleName(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "?";
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    return WideToUtf8(name);
}

}  // namespace

std::vector<std::string> CaptureStackLines(unsigned skip) {
    // Present from Windows XP on, though not in every SDK's import library for it: looked up.
    using CaptureFn = USHORT(WINAPI*)(ULONG, ULONG, PVOID*, PULONG);
    const auto capture = LoadedSystemFunction<CaptureFn>(L"ntdll.dll", "RtlCaptureStackBackTrace");
    std::vector<std::string> lines;
    if (!capture) return lines;
    void* frames[62] = {};
    const USHORT count = capture(skip + 1, 62, frames, nullptr);
    for (USHORT i = 0; i < count; ++i) {
        MEMORY_BASIC_INFORMATION memory{};
        if (!VirtualQuery(frames[i], &memory, sizeof memory) || !memory.AllocationBase) {
            lines.push_back(FormatStackFrame("?", reinterpret_cast<std::uintptr_t>(frames[i])));
            continue;
        }
        const auto base = static_cast<HMODULE>(memory.AllocationBase);
        lines.push_back(FormatStackFrame(
            ModuleName(base), reinterpret_cast<std::uintptr_t>(frames[i]) - reinterpret_cast<std::uintptr_t>(base)));
    }
    return lines;
}

BugReport MakeBugReport(std::exception_ptr error) {
    BugReport report;
    report.Message = DescribeError(error);
    report.StackLines = CaptureStackLines(1);
    report.ProgramVersion = TARVEX_VERSION_TEXT;
    report.WindowsRelease = WindowsReleaseName(QueryOsVersion());
    return report;
}

bool CopyTextToClipboard(HWND owner, const std::string& text) {
    const std::wstring wide = Utf8ToWide(text);
    const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    if (void* target = GlobalLock(memory)) {
        std::memcpy(target, wide.c_str(), bytes);
        GlobalUnlock(memory);
    }
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    // The clipboard owns the memory once it took it.
    const bool taken = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!taken) GlobalFree(memory);
    return taken;
}

// ---------------------------------------------------------------------------------------------

TBugReportDialog::TBugReportDialog(BugReport report, std::string supportAddress)
    : report_(std::move(report)), supportAddress_(std::move(supportAddress)) {}

TBugReportDialog::~TBugReportDialog() {
    if (owner_ && !done_) EnableWindow(owner_, TRUE);
}

void TBugReportDialog::Create(HWND owner) {
    owner_ = owner;
    // Centred on the work area.
    RECT work{0, 0, 800, 600};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    CreateDialogFrame(kClassName, kTitle, kWidth, kHeight, work, owner);
    CreateContent();
}

void TBugReportDialog::CreateContent() {
    const int dpi = ScreenDpi();
    font_.reset(CreatePointFont(L"Tahoma", 8, dpi));
    const Surface surface{Handle(), dpi, font_.get()};
    const auto scale = [&surface](int pixels) { return surface.Scale(pixels); };

    header_.Create(Handle(), bug_report_ids::kHeader, 0, 0, scale(kWidth), scale(kHeaderHeight));
    title_.Create(header_.Handle(), bug_report_ids::kTitle, scale(16), scale(20), scale(kWidth - 32), scale(24));
    title_.SetLabelType(TQmLabelType::ltTitle);
    title_.SetCaption(std::string("<B>") + kHeaderTitle + "</B>");

    label_.Create(Handle(), bug_report_ids::kReport, scale(12), scale(kHeaderHeight + 10), scale(kWidth - 24),
                  scale(172));
    label_.SetFont({"Tahoma", kClBlack, 8, {}});
    label_.SetWordBreak(true);
    label_.SetCaption(BugReportCaption(report_));

    emailLabel_.Create(surface, {.Id = bug_report_ids::kEmailLabel, .Text = kEmailText, .At = {12, 250, 396, 14}});
    email_.Create(surface, {.Id = bug_report_ids::kEmail, .At = {12, 266, 396, 21}});
    dontSend_.Create(surface, {.Id = bug_report_ids::kDontSend, .Text = kDontSendText, .At = {318, 300, 90, 25}});
    send_.Create(
        surface,
        {.Id = bug_report_ids::kSend, .Text = kSendText, .At = {200, 300, 110, 25}, .Style = BS_DEFPUSHBUTTON});
    // A wider button (another font or DPI) keeps its gap to its neighbour.
    const Bounds dontSend = dontSend_.BoundsAt96();
    if (send_.Right() > dontSend.X - 8) send_.MoveAt96(dontSend.X - 8 - send_.BoundsAt96().Width, 300);

    send_.OnClick = [this] {
        OpenMail(MailAddress());
        Close();
    };
    dontSend_.OnClick = [this] { Close(); };
}

std::string TBugReportDialog::MailAddress() const {
    return BugReportMailto(supportAddress_, report_, email_.Handle() ? email_.Text() : std::string());
}

void TBugReportDialog::OpenMail(const std::string& address) {
    // Without a mail program nothing opens; the report is on the clipboard all the same.
    ShellOpen(Handle(), address);
}

void TBugReportDialog::Close() {
    done_ = true;
    if (owner_) EnableWindow(owner_, TRUE);
    if (Handle()) ShowWindow(Handle(), SW_HIDE);
}

void TBugReportDialog::ShowModal() {
    if (owner_) EnableWindow(owner_, FALSE);
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    SetFocus(send_.Handle());
    RunModalLoop(done_, Handle());
    Close();
}

LRESULT TBugReportDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // Esc and the close box end it like "Don't Send"; Enter sends.
            if (LOWORD(wParam) == IDCANCEL && !lParam) {
                Close();
                return 0;
            }
            return Window::OnMessage(message, wParam, lParam);
        case WM_CLOSE:
            Close();
            return 0;
        default:
            return Window::OnMessage(message, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------------------------

bool BugReportOpen() noexcept {
    return DialogOpen();
}

void ShowBugReport(std::exception_ptr error, const std::string& supportAddress) noexcept {
    // An error while the dialog is open (a timer failing every second, or the dialog itself)
    // is not shown: one dialog at a time, and never a dialog from inside the dialog.
    if (DialogOpen()) return;
    DialogOpen() = true;
    try {
        BugReport report = MakeBugReport(error);
        HWND owner = GetActiveWindow();
        TBugReportDialog dialog(std::move(report), supportAddress);
        dialog.Create(owner);
        CopyTextToClipboard(dialog.Handle(), BugReportText(dialog.Report()));
        dialog.ShowModal();
    } catch (...) {
        // Nothing more can be reported from here.
    }
    DialogOpen() = false;
}

}  // namespace tarvex
