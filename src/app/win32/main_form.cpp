#include "app/win32/main_form.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <string>

#include "app/main_form_texts.h"
#include "app/win32/about_page.h"
#include "app/win32/application.h"
#include "app/win32/control_ids.h"
#include "app/win32/menus.h"
#include "app/win32/settings_page.h"
#include "app/win32/support_page.h"
#include "app/autostart.h"
#include "app/run_at_startup.h"
#include "common/version_text.h"
#include "common/win32/date_time_win32.h"
#include "common/win32/window_utils.h"
#include "common/win32/byte_size_locale.h"
#include "links/win32/help.h"
#include "links/win32/link_platform.h"
#include "monitor/win32/connection_page.h"
#include "common/windows_version.h"
#include "platform/win32/program_info.h"
#include "platform/win32/file_bytes.h"
#include "platform/win32/logon_tasks.h"
#include "platform/win32/os_version.h"
#include "platform/win32/unicode.h"
#include "platform/win32/win32_error.h"
#include "resource_ids.h"
#include "tuning/win32/advanced_page.h"
#include "measure/apply_recommendation.h"
#include "measure/test_report.h"
#include "measure/win32/connection_test_window.h"
#include "measure/win32/test_platform.h"
#include "update/win32/wininet_transfer.h"
#include "tuning/modern_changes.h"
#include "tuning/win32/history_dialog.h"
#include "tuning/win32/netsh_tcp_settings.h"
#include "tuning/win32/wmi_tcp_settings.h"
#include "tuning/win32/progress_page.h"
#include "tuning/reg_file.h"
#include "tuning/restart.h"
#include "tuning/win32/welcome_page.h"
#include "update/scheduled_check.h"

namespace tarvex {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTEXTHELP | WS_EX_CONTROLPARENT;
constexpr COLORREF kWhite = RGB(255, 255, 255);
// Posted by Terminate, so that the window ends on a clean stack (the tray menu's command
// arrives from inside the icon's own handler).
constexpr UINT kTerminateMessage = WM_APP + 1;
// The About page's web-site link, as the web site knows it.
constexpr int kWebSiteLinkTag = 11;

// The page control's pages in index order: each page is one class and one row.
template <typename P>
std::unique_ptr<TPage> MakePage(TTarvexMainForm&) {
    return std::make_unique<P>();
}

struct PageRow {
    MainPage Page;
    const wchar_t* Name;
    std::unique_ptr<TPage> (*Make)(TTarvexMainForm& form);
};

const PageRow kPageTable[] = {
    {MainPage::Welcome, L"tsWelcome",
     [](TTarvexMainForm& form) -> std::unique_ptr<TPage> { return std::make_unique<TWelcomePage>(form.TuningRun()); }},
    {MainPage::Progress, L"tsProgress",
     [](TTarvexMainForm& form) -> std::unique_ptr<TPage> { return std::make_unique<TProgressPage>(form.TuningRun()); }},
    {MainPage::Advanced, L"tsAdvanced",
     [](TTarvexMainForm& form) -> std::unique_ptr<TPage> {
         return std::make_unique<TAdvancedPage>(form.AdvancedEditor(), form.Adapters(), form.Registry(),
                                                [&form] { return form.UndoAvailable(); });
     }},
    {MainPage::ConnectionState, L"tsConnectionState",
     [](TTarvexMainForm& form) -> std::unique_ptr<TPage> {
         return std::make_unique<TConnectionStatePage>(form.Meter());
     }},
    {MainPage::Settings, L"tsSettings",
     [](TTarvexMainForm& form) -> std::unique_ptr<TPage> { return std::make_unique<TSettingsPage>(form.Options()); }},
    {MainPage::About, L"tsAbout", MakePage<TAboutPage>},
    {MainPage::Support, L"tsSupport",
     [](TTarvexMainForm& form) -> std::unique_ptr<TPage> { return std::make_unique<TSupportPage>(form.Proxy()); }},
};
static_assert(std::size(kPageTable) == kMainPageCount);

constexpr wchar_t kRegFileFilter[] = L"Registration Files (*.reg)\0*.reg\0All Files (*.*)\0*.*\0";

// The open or save dialog for a registry file; the chosen path, or empty when cancelled.
std::wstring ChooseRegFile(HWND owner, bool save) {
    wchar_t path[MAX_PATH] = L"";
    if (save) {
        constexpr std::wstring_view kDefaultName = L"Tarvex.reg";
        std::copy(kDefaultName.begin(), kDefaultName.end(), path);
    }
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kRegFileFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"reg";
    dialog.Flags =
        OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    return chosen ? std::wstring(path) : std::wstring();
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

TTarvexMainForm::TTarvexMainForm() : meter_(ipHelper_, UserNumberSeparators().Decimal) {
    options_.OnMinimizeToTrayChange = [this](bool on) {
        if (CoolTrayIcon) CoolTrayIcon->SetMinimizeToTray(on);
    };
    tuningRun_.OnChange = [this] { TuningRunChanged(); };
    tuningRun_.OnBalloon = [this](const BalloonRequest& balloon) {
        CoolTrayIcon->DisplayBalloon(balloon.Title, balloon.Text, balloon.IconKind, balloon.TimeoutSeconds);
    };
    tuningRun_.OnInformation = [this](std::string_view text) {
        MessageBoxW(PromptOwner(), Utf8ToWide(text).c_str(), Application().Title.c_str(), MB_OK | MB_ICONINFORMATION);
    };
    tuningRun_.OnConfirm = [this](std::string_view question) {
        return MessageBoxW(PromptOwner(), Utf8ToWide(question).c_str(), Application().Title.c_str(),
                           MB_YESNO | MB_ICONQUESTION) == IDYES;
    };
    // A write that failed (or a backup that could not be made) is told with what it means for the
    // settings; anything else is a fault of the program.
    tuningRun_.OnError = [this](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const Error& e) {
            MessageBoxW(PromptOwner(), Utf8ToWide(e.what()).c_str(), Application().Title.c_str(), MB_OK | MB_ICONERROR);
        } catch (...) {
            ReportUnhandledError(std::current_exception());
        }
    };
    editor_.OnChange = [this] { Page(MainPage::Advanced).UpdateView(); };
    editor_.OnInformation = tuningRun_.OnInformation;
    // The backup comes before anything is written; one that cannot be saved stops the change.
    const auto beforeWrite = [this](BackupAction action) {
        pendingBackup_ = backups_.Record(action, profile_.IsNT, adapters_.Items());
    };
    const auto written = [this] { backups_.Completed(pendingBackup_); };
    tuningRun_.OnBeforeWrite = beforeWrite;
    tuningRun_.OnWritten = written;
    editor_.OnBeforeWrite = beforeWrite;
    editor_.OnWritten = written;
    backups_.OnChange = [this] { BackupsChanged(); };
    adapters_.OnChange = [this] { Page(MainPage::Advanced).UpdateView(); };
    meter_.OnChange = [this] { MeterChanged(); };
    proxy_.OnChange = [this] { Page(MainPage::Support).UpdateView(); };
    TimerBandwidth.OnTimer = [this] { TimerBandwidthTimer(); };
}

TTarvexMainForm::~TTarvexMainForm() = default;

void TTarvexMainForm::Create(int showCommand) {
    surface_.Dpi = ScreenDpi();
    font_.reset(CreatePointFont(L"Tahoma", 8, surface_.Dpi));
    boldFont_.reset(CreatePointFont(L"Tahoma", 8, surface_.Dpi, true));
    titleFont_.reset(CreatePointFont(L"Tahoma", 10, surface_.Dpi, true));
    surface_.Font = font_.get();

    RegisterWindowClass(kClassName, CS_DBLCLKS, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), Application().Icon);
    RECT frame{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    CreateHandle(kClassName, Application().Title.c_str(), kStyle | WS_CLIPCHILDREN, kExStyle, CW_USEDEFAULT,
                 CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr);
    surface_.Parent = Handle();
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    CreateFrame();
    CoolTrayIcon = std::make_unique<TCoolTrayIcon>(Handle());
    CoolTrayIcon->SetPopupMenu(trayMenu_.get());
    CoolTrayIcon->OnDblClick = [this] { CoolTrayIcon->ShowMainWindow(); };
    // Shown from the start, already with the icon and tip that the creation sequence gives it,
    // so that the shell is asked once.
    SetTrayIconLook();
    CoolTrayIcon->SetIconVisible(true);

    // A failing step ends the sequence there; the window opens all the same.
    creating_ = true;
    Guarded([this] { FormCreate(); });
    creating_ = false;
    if (terminatePending_) {
        // The program was told to end during its creation (an update's installer started):
        // it ends without showing itself.
        Terminate();
        return;
    }
    if (!startMinimized_) {
        ShowWindow(Handle(), showCommand);
    } else if (!options_.Options().MinimizeToTray) {
        ShowWindow(Handle(), SW_SHOWMINIMIZED);
    }  // else it stays hidden, with only its notification-area icon
    UpdateWindow(Handle());
}

void TTarvexMainForm::FormCreate() {
    os_ = QueryOsVersion();
    profile_.IsNT = IsNTFamily(os_);
    profile_.Version = ClassifyWindowsVersion(os_);
    modernSystem_ = ModernSystemOf(os_);
    if (modernSystem_) {
        if (UsesWmi(*modernSystem_)) {
            modernTcp_ = std::make_unique<WmiTcpSettings>(*modernSystem_);
        } else {
            modernTcp_ = std::make_unique<NetshTcpSettings>(*modernSystem_);
        }
    }
    tuningRun_.SetModern(modernTcp_.get(), modernSystem_);
    editor_.SetModern(modernTcp_.get(), modernSystem_);
    backups_.SetModern(modernTcp_.get(), modernSystem_);
    Application().HelpFile = DirectoryOf(ExecutablePath()) + "Tarvex.chm";
    UpdateURL() = std::string(UpdateServer()) + std::string(kUpdatePagePath);

    const std::string versionText = VersionText(OwnFileVersion());
    const std::wstring caption =
        Application().Title + L" " + Utf8ToWide(versionText) + L" (" + Utf8ToWide(WindowsReleaseName(os_)) + L")";
    SetWindowTextW(Handle(), caption.c_str());
    if (auto* about = dynamic_cast<TAboutPage*>(&Page(MainPage::About))) {
        about->SetVersionCaption(texts::kVersionPrefix + versionText);
        about->SetWebSiteUrl(UrlBuilder().GetUrl(UrlKind::WebSite, 0, kWebSiteLinkTag, ""));
    }

    SetTrayIconLook();
    backups_.SetContext({Now, WindowsReleaseName(os_), FullVersionText(OwnFileVersion())});
    BackupsChanged();

    ShowPage(MainPage::Welcome);

    // Two readings of the interface table, the first a reset, then the meter ticks.
    meter_.Start();

    LoadProgramSettings();

    editor_.Refresh(registry_);
}

namespace {

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, RECT*, LPARAM areas) {
    MONITORINFO info{sizeof info};
    if (GetMonitorInfoW(monitor, &info)) {
        auto& list = *reinterpret_cast<std::vector<WindowBounds>*>(areas);
        const WindowBounds area{info.rcWork.left, info.rcWork.top, info.rcWork.right - info.rcWork.left,
                                info.rcWork.bottom - info.rcWork.top};
        // The primary monitor first.
        if (info.dwFlags & MONITORINFOF_PRIMARY) {
            list.insert(list.begin(), area);
        } else {
            list.push_back(area);
        }
    }
    return TRUE;
}

}  // namespace

void TTarvexMainForm::LoadProgramSettings() {
    SettingsLoadContext context;
    RECT window;
    GetWindowRect(Handle(), &window);
    context.LayoutBounds = {window.left, window.top, window.right - window.left, window.bottom - window.top};
    context.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    context.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&context.WorkAreas));
    const POINT minimum = MinimumSize();
    context.MinimumWidth = minimum.x;
    context.MinimumHeight = minimum.y;
    context.AdapterCount = static_cast<int>(meter_.AdapterNames().size());
    context.Now = Now();

    loadedSettings_ = LoadSettings(registry_, codePage_, context);
    const LoadedSettings& loaded = *loadedSettings_;
    const ProgramSettings& settings = loaded.Settings;
    MoveWindow(Handle(), settings.Window.Left, settings.Window.Top, settings.Window.Width, settings.Window.Height,
               FALSE);
    options_.Assign(settings.Options);
    meter_.SelectAdapter(settings.SelectedAdapter);
    proxy_.Assign({settings.ProxyServer, settings.ProxyUserName, settings.ProxyPassword});
    lastUpdateCheck_ = settings.LastUpdateCheck;
    startMinimized_ = loaded.StartMinimized;
    if (loaded.ScheduledCheckPending) {
        // Before the window first shows; the wizard it may open runs to its end here too.
        const bool checkRan =
            ScheduledUpdateCheck("", lastUpdateCheck_, settings.Options.UpdateInterval, UpdateContextOf());
        FinishScheduledCheck(registry_, loaded, checkRan, lastUpdateCheck_);
    }
    if (loaded.Failure) throw *loaded.Failure;
}

UpdateContext TTarvexMainForm::UpdateContextOf() {
    // The proxy details of the Support page, as they stand now.
    const ProxyDetails& proxy = proxy_.Details();
    return {{proxy.Server, proxy.UserName, proxy.Password}, [this] { Terminate(); }};
}

AutostartTarget TTarvexMainForm::AutostartOfThisUser() const {
    const bool admin = IsUserAdministrator(os_);
    // The user's name is asked for only where the logon task needs it.
    return {os_, admin, RunKeyCannotStartElevated(os_, admin) ? CurrentUserId() : std::string(), ExecutablePath()};
}

void TTarvexMainForm::SaveProgramSettings() {
    // A window whose creation failed before the load has nothing of the user's to save, and
    // its defaults must not replace what is stored.
    if (!loadedSettings_) return;
    ProgramSettings settings;
    WINDOWPLACEMENT placement{sizeof placement};
    GetWindowPlacement(Handle(), &placement);
    // The normal bounds come in workspace coordinates, which start at the work area.
    RECT normal = placement.rcNormalPosition;
    MONITORINFO monitor{sizeof monitor};
    if (GetMonitorInfoW(MonitorFromRect(&normal, MONITOR_DEFAULTTONEAREST), &monitor))
        OffsetRect(&normal, monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top);
    settings.Window = {normal.left, normal.top, normal.right - normal.left, normal.bottom - normal.top};
    settings.WindowMaximized = placement.showCmd == SW_SHOWMAXIMIZED || IsZoomed(Handle());
    settings.Options = options_.Options();
    settings.SelectedAdapter = meter_.SelectedAdapter();
    settings.ProxyServer = proxy_.Details().Server;
    settings.ProxyUserName = proxy_.Details().UserName;
    settings.ProxyPassword = proxy_.Details().Password;
    settings.LastUpdateCheck = lastUpdateCheck_;
    SaveSettings(registry_, codePage_, settings, *loadedSettings_, [this](bool on) {
        Win32RegistryAccess run;  // its own: the save keeps its key open meanwhile
        Win32LogonTasks tasks;
        ApplyAutostart(run, tasks, AutostartOfThisUser(), on);
    });
}

bool TTarvexMainForm::FormCloseQuery() {
    try {
        SaveProgramSettings();
    } catch (...) {
        ReportUnhandledError(std::current_exception());
        return false;
    }
    return true;
}

void TTarvexMainForm::MeterChanged() {
    if (meter_.TimerEnabled() != TimerBandwidth.Running()) {
        if (meter_.TimerEnabled()) {
            TimerBandwidth.Start(kBandwidthIntervalMs);
        } else {
            TimerBandwidth.Stop();
        }
    }
    const MeterTexts& texts = meter_.Texts();
    sidePanel_.ShowConnection(texts.lblAdapterName, texts.lblRateIn, texts.lblRateOut);
    Page(MainPage::ConnectionState).UpdateView();
}

void TTarvexMainForm::TimerBandwidthTimer() {
    // Off while it samples, and started afresh after: ticks never overlap or queue up.
    TimerBandwidth.Stop();
    meter_.Tick();
    if (meter_.TimerEnabled()) TimerBandwidth.Start(kBandwidthIntervalMs);
}

void TTarvexMainForm::TuningRunChanged() {
    SetNavigationEnabled(tuningRun_.NavigationEnabled());
    // The run moves between its pages; in between, the user's own choice of page stands.
    if (tuningRun_.Page() != shownRunPage_) {
        shownRunPage_ = tuningRun_.Page();
        ShowPage(shownRunPage_ == RunPage::tsProgress ? MainPage::Progress : MainPage::Welcome);
    }
    Page(MainPage::Welcome).UpdateView();
    Page(MainPage::Progress).UpdateView();
}

void TTarvexMainForm::BackupsChanged() {
    undoAvailable_ = backups_.HasBackup();
    EnableMenuItem(mainMenu_.get(), CommandIdOf(NavItem::ItemUndoLastChange),
                   MF_BYCOMMAND | (undoAvailable_ ? MF_ENABLED : MF_GRAYED));
    Page(MainPage::Advanced).UpdateView();
}

void TTarvexMainForm::UndoLastChange() {
    // A run in progress owns the values until it ends.
    if (tuningRun_.Running() || !undoAvailable_) return;
    std::vector<std::string> notes;
    try {
        notes = backups_.UndoLast();
    } catch (const std::exception& e) {
        MessageBoxW(PromptOwner(), Utf8ToWide(e.what()).c_str(), Application().Title.c_str(), MB_OK | MB_ICONERROR);
        return;
    }
    ValuesRestored(notes);
}

void TTarvexMainForm::ValuesRestored(const std::vector<std::string>& notes) {
    // The editor shows what the registry holds again; its failure is the refresh's own.
    Guarded([this] { editor_.Refresh(registry_); });
    // What could not be given back exactly is said, not passed over.
    if (!notes.empty()) {
        std::string text = "Some settings could not be given back exactly:";
        for (const std::string& note : notes) text += "\r\n\r\n" + note;
        tuningRun_.OnInformation(text);
    }
    OfferRestart(tuningRun_.OnConfirm, restart_, profile_.IsNT);
}

void TTarvexMainForm::ShowHistory() {
    THistoryDialog history([this] { return backups_.History(); }, [this] { return TestLog(registry_).Records(); },
                           [this](std::uint32_t id) {
                               if (tuningRun_.Running()) return false;
                               std::vector<std::string> notes;
                               try {
                                   notes = backups_.Restore(id);
                               } catch (const std::exception& e) {
                                   MessageBoxW(PromptOwner(), Utf8ToWide(e.what()).c_str(), Application().Title.c_str(),
                                               MB_OK | MB_ICONERROR);
                                   return false;
                               }
                               ValuesRestored(notes);
                               return true;
                           });
    history.ShowModal(Handle());
}

std::optional<int> TTarvexMainForm::AutoTuningLevelInForce() {
    if (!modernTcp_) return std::nullopt;
    try {
        return modernTcp_->Read().Value(ModernSettingId::AutoTuningLevel);
    } catch (const Error&) {
        return std::nullopt;
    }
}

void TTarvexMainForm::ShowConnectionTest() {
    if (tuningRun_.Running()) return;
    const ProxyDetails& proxy = proxy_.Details();
    WinsockConnectProbe probe;
    WinInetTransfer transfer({proxy.Server, proxy.UserName, proxy.Password}, kStallMs);
    Win32TestHost host;
    TConnectionTestWindow::Hooks hooks;
    hooks.Context = [this] { return RecommendContext{profile_.IsNT, modernSystem_, AutoTuningLevelInForce()}; };
    hooks.Keep = [this](const std::string& address, const ConnectionFigures& figures) {
        TestRecord record;
        record.Time = Now();
        const auto parsed = ParseTestAddress(address);
        record.Host = parsed ? parsed->Host : address;
        record.RttMs = figures.Rtt.MedianMs;
        record.BitsPerSecond = figures.BitsPerSecond;
        record.Settings = SettingsInForce(profile_, modernSystem_, AutoTuningLevelInForce());
        try {
            TestLog(registry_).Save(record);
        } catch (const Error&) {
            // The figures are on show all the same; only the history goes without them.
        }
    };
    hooks.CanApply = [this](const Recommendation& recommendation) {
        return CanApply(recommendation, modernTcp_.get());
    };
    hooks.Apply = [this](const Recommendation& recommendation) {
        try {
            ApplyRecommendation(
                recommendation, profile_, adapters_, registry_, modernTcp_.get(),
                [this](BackupAction action) {
                    pendingBackup_ = backups_.Record(action, profile_.IsNT, adapters_.Items());
                },
                [this] { backups_.Completed(pendingBackup_); });
        } catch (const std::exception& e) {
            MessageBoxW(PromptOwner(), Utf8ToWide(e.what()).c_str(), Application().Title.c_str(), MB_OK | MB_ICONERROR);
            return false;
        }
        Guarded([this] { editor_.Refresh(registry_); });
        // The classic stacks read the values when Windows starts.
        if (!recommendation.AutoTuningLevel) OfferRestart(tuningRun_.OnConfirm, restart_, profile_.IsNT);
        return true;
    };
    hooks.SaveAddress = [this](const std::string& address) {
        try {
            SaveTestAddress(registry_, address);
        } catch (const Error&) {
            // Tested all the same; the next test starts from the address kept before.
        }
    };
    TConnectionTestWindow window(probe, transfer, host, std::move(hooks));
    window.ShowModal(Handle(), LoadTestAddress(registry_));
}

void TTarvexMainForm::ExportSettings() {
    const std::wstring path = ChooseRegFile(Handle(), true);
    if (path.empty()) return;
    try {
        // The modern settings go with the registry values where they can be read at all.
        ModernSnapshot modern;
        if (modernTcp_ && modernSystem_) {
            try {
                modern = TakeModernSnapshot(*modernTcp_, *modernSystem_, adapters_.Items());
            } catch (const Error&) {
                modern.clear();
            }
        }
        ReplaceFileBytes(
            path,
            ExportRegFile(TakeSnapshot(registry_, ManagedValues(registry_, profile_.IsNT, adapters_.Items())), modern));
    } catch (const std::exception& e) {
        MessageBoxW(PromptOwner(), Utf8ToWide(e.what()).c_str(), Application().Title.c_str(), MB_OK | MB_ICONERROR);
    }
}

void TTarvexMainForm::ImportSettings() {
    if (tuningRun_.Running()) return;
    const std::wstring path = ChooseRegFile(Handle(), false);
    if (path.empty()) return;
    std::vector<std::string> notes;
    try {
        const RegFile file = ParseRegFile(ReadFileBytes(path, kMaxRegFileBytes), codePage_);
        // Both parts are checked before anything is written.
        const RegistrySnapshot values = ManagedImport(file, profile_.IsNT);
        notes = backups_.Import(values, profile_.IsNT, ModernImport(file));
    } catch (const std::exception& e) {
        MessageBoxW(PromptOwner(), Utf8ToWide(e.what()).c_str(), Application().Title.c_str(), MB_OK | MB_ICONERROR);
        return;
    }
    ValuesRestored(notes);
}

void TTarvexMainForm::SetNavigationEnabled(bool enabled) {
    EnableWindow(sidePanel_.Handle(), enabled);
    EnableWindow(toolBarTop_, enabled);
    EnableWindow(toolBarMenu_.Handle(), enabled);
}

void TTarvexMainForm::SetTrayIconLook() {
    CoolTrayIcon->SetIcon(Application().Icon);
    // The icon's tooltip names the program, as a user hovering over it expects.
    CoolTrayIcon->SetHint(WideToUtf8(Application().Title));
}

void TTarvexMainForm::FormClose() {
    // No tick may run while the window is destroyed.
    TimerBandwidth.Stop();
    TimerBandwidth.OnTimer = nullptr;
}

void TTarvexMainForm::FormDestroy() {
    TimerBandwidth.Stop();
    meter_.OnChange = nullptr;
    // A run that waits in a nested message loop ends there, with nothing shown or written.
    tuningRun_.Abandon();
    CoolTrayIcon.reset();  // takes the icon out of the notification area
    PostQuitMessage(0);
}

HWND TTarvexMainForm::PromptOwner() const {
    // A dialog of ours (History) may be the active window; a box owned by the main window
    // would leave that dialog usable beneath it.
    const HWND active = GetActiveWindow();
    return active ? active : Handle();
}

void TTarvexMainForm::Terminate() {
    // Asked for during the creation (whose windows may have closed their loops already, so the
    // message would wait until the window shows): the creation ends it.
    if (creating_) {
        terminatePending_ = true;
        return;
    }
    PostMessageW(Handle(), kTerminateMessage, 0, 0);
}

void TTarvexMainForm::CreateFrame() {
    imageList32_ = LoadImageStrip(IDB_IMAGELIST32, 32);
    imageList16LeftMenu_ = LoadImageStrip(IDB_IMAGELIST16_LEFTMENU, 16);
    mainMenu_ = BuildMenu(MainMenuEntries(), true);
    trayMenu_ = BuildMenu(TrayMenuEntries(), false);

    CreateCoolBar();
    const RECT side{0, Scale(kCoolBarHeight), Scale(kSidePanelWidth), Scale(kClientHeight)};
    sidePanel_.Create(surface_, side, {font_.get(), boldFont_.get()}, imageList16LeftMenu_.get());
    sidePanel_.OnRoute = [this](const Route& route) { ExecuteRoute(route); };
    CreatePages();
    LayoutFrame();
}

void TTarvexMainForm::CreateCoolBar() {
    coolBar_ = CheckWin32(CreateWindowExW(0, REBARCLASSNAMEW, L"",
                                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                              RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                                          0, 0, Scale(kClientWidth), Scale(kCoolBarHeight), Handle(),
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids::kCoolBar1)),
                                          GetModuleHandleW(nullptr), nullptr),
                          "CreateWindowExW");

    // Band 1: the main menu as a row of captioned buttons.
    toolBarMenu_.Create({coolBar_, surface_.Dpi, font_.get()}, ids::kToolBarMenu, mainMenu_.get(),
                        ids::kMenuBarButtonBase);

    // Band 2: the large buttons with their tooltips.
    const DWORD toolBarStyle = WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | TBSTYLE_TOOLTIPS |
                               CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN;
    toolBarTop_ =
        CheckWin32(CreateWindowExW(0, TOOLBARCLASSNAMEW, L"ToolBarTop", toolBarStyle, 0, 0, Scale(400), Scale(43),
                                   coolBar_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids::kToolBarTop)),
                                   GetModuleHandleW(nullptr), nullptr),
                   "CreateWindowExW");
    SendMessageW(toolBarTop_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBarTop_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(imageList32_.get()));
    for (const auto& info : ToolBarTopButtons()) {
        TBBUTTON button{};
        if (info.Item == NavItem::Count) {
            button.iBitmap = Scale(info.ImageIndex);
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = info.ImageIndex;
            button.idCommand = CommandIdOf(info.Item);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
            button.iString = -1;
        }
        SendMessageW(toolBarTop_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageW(toolBarTop_, TB_SETBUTTONSIZE, 0, MAKELPARAM(Scale(39), Scale(38)));

    const std::array<std::pair<HWND, int>, 2> bands = {{{toolBarMenu_.Handle(), 21 + 2}, {toolBarTop_, 43}}};
    for (const auto& [child, height] : bands) {
        REBARBANDINFOW band{sizeof band};
        band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE;
        band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | RBBS_BREAK;
        band.hwndChild = child;
        band.cxMinChild = 0;
        band.cyMinChild = static_cast<UINT>(Scale(height));
        band.cx = static_cast<UINT>(Scale(kClientWidth));
        SendMessageW(coolBar_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
    }
}

void TTarvexMainForm::CreatePages() {
    pageControlMain_.Create(L"TPageControl", Handle(), Scale(kSidePanelWidth), Scale(kCoolBarHeight), Scale(kPageWidth),
                            Scale(kPageHeight), kWhite, ids::kPageControlMain);
    SetWindowTextW(pageControlMain_.Handle(), L"PageControlMain");
    for (const PageRow& row : kPageTable) {
        const auto index = static_cast<size_t>(row.Page);
        pages_[index] = row.Make(*this);
        pages_[index]->CreatePage(pageControlMain_.Handle(), row.Name, Scale(kPageWidth), Scale(kPageHeight));
        SetWindowLongPtrW(pages_[index]->Handle(), GWLP_ID, ids::kFirstPage + static_cast<int>(index));
    }
}

PageContext TTarvexMainForm::MakePageContext() {
    PageContext context;
    context.Where = surface_;
    context.BoldFont = boldFont_.get();
    context.TitleFont = titleFont_.get();
    context.LeftMenuImages = imageList16LeftMenu_.get();
    context.Width = kPageWidth;
    context.Height = kPageHeight;
    context.Navigate = [this](const Route& route) { ExecuteRoute(route); };
    return context;
}

void TTarvexMainForm::LayoutFrame() {
    RECT client;
    GetClientRect(Handle(), &client);
    const int top = Scale(kCoolBarHeight);
    const int side = Scale(kSidePanelWidth);
    MoveWindow(coolBar_, 0, 0, client.right, top, TRUE);
    MoveWindow(sidePanel_.Handle(), 0, top, side, client.bottom - top, TRUE);
    MoveWindow(pageControlMain_.Handle(), side, top, client.right - side, client.bottom - top, TRUE);
    for (auto& page : pages_) MoveWindow(page->Handle(), 0, 0, client.right - side, client.bottom - top, TRUE);
}

void TTarvexMainForm::ShowPage(MainPage page) {
    if (page == MainPage::Settings && !autostartReadBack_) {
        // Where the box stands for a logon task, the task's presence is what it shows. Asked
        // when the box is first shown, so that a start does not wait for the Task Scheduler.
        autostartReadBack_ = true;
        Win32LogonTasks tasks;
        if (const auto registered = AutostartRegistered(tasks, AutostartOfThisUser())) {
            ProgramOptions options = options_.Options();
            options.LoadAtWinStart = *registered;
            options_.Assign(options);
        }
    }
    activePage_ = page;
    const auto shown = static_cast<size_t>(page);
    // The new page first, so that the frame never shows an empty page control.
    pages_[shown]->Show(MakePageContext());
    for (size_t i = 0; i < pages_.size(); ++i)
        if (i != shown) pages_[i]->Hide();
}

void TTarvexMainForm::ExecuteRoute(const Route& route) {
    switch (route.Command) {
        case MainCommand::ShowPage:
            if (route.ShowWindowFirst) CoolTrayIcon->ShowMainWindow();
            // While a run holds the navigation (the notification-area menu still works), the
            // run's page stays: leaving it would leave no way back to its "OK".
            if (tuningRun_.NavigationEnabled()) ShowPage(route.Page);
            break;
        case MainCommand::ShowMainWindow:
            CoolTrayIcon->ShowMainWindow();
            break;
        case MainCommand::Terminate:
            Terminate();
            break;
        case MainCommand::OpenWebSite:
            UrlBuilder().OpenUrl(UrlKind::WebSite, 0, route.Tag, "", "");
            break;
        case MainCommand::TellAFriend:
            UrlBuilder().OpenUrl(UrlKind::TellAFriend, 0, route.Tag, "", "");
            break;
        case MainCommand::UndoLastChange:
            UndoLastChange();
            break;
        case MainCommand::ExportSettings:
            ExportSettings();
            break;
        case MainCommand::ImportSettings:
            ImportSettings();
            break;
        case MainCommand::ShowHistory:
            ShowHistory();
            break;
        case MainCommand::TestConnection:
            ShowConnectionTest();
            break;
        case MainCommand::OpenHelp:
            ShowHelp(Application().HelpFile, Handle());
            break;
        case MainCommand::AskQuestions:
            UrlBuilder().OpenUrl(UrlKind::Support, 0, route.Tag, "", "");
            break;
        case MainCommand::CheckForUpdate:
            ShowUpdateWizard("", UpdateContextOf());
            break;
    }
}

bool TTarvexMainForm::OnCommand(int id) {
    if (const auto item = NavItemOfCommand(id)) {
        ExecuteRoute(RouteOf(*item));
        return true;
    }
    if (const int dropDown = toolBarMenu_.DropDownOfCommand(id); dropDown >= 0) {
        toolBarMenu_.OpenDropDown(dropDown, Handle());
        return true;
    }
    return false;
}

LRESULT TTarvexMainForm::OnNotify(NMHDR& header) {
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        for (const auto& button : ToolBarTopButtons()) {
            if (button.Item != NavItem::Count && CommandIdOf(button.Item) == static_cast<int>(header.idFrom)) {
                lstrcpynW(info.szText, Utf8ToWide(button.Hint).c_str(), ARRAYSIZE(info.szText));
                return 0;
            }
        }
    }
    return 0;
}

LRESULT TTarvexMainForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = MinimumSize();
            return 0;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED && coolBar_) LayoutFrame();
            return 0;
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam))) return 0;
            break;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
        case WM_INITMENUPOPUP:
            toolBarMenu_.MenuOpened(reinterpret_cast<HMENU>(wParam));
            break;
        case WM_UNINITMENUPOPUP:
            toolBarMenu_.MenuClosed(reinterpret_cast<HMENU>(wParam));
            break;
        case WM_MEASUREITEM:
            if (MeasureMenuImage(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), 16)) return TRUE;
            break;
        case WM_DRAWITEM:
            if (DrawMenuImage(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam), imageList16LeftMenu_.get())) return TRUE;
            break;
        case WM_SYSCOMMAND:
            // Alt + a menu's letter opens that menu of the menu toolbar.
            if ((wParam & 0xFFF0) == SC_KEYMENU && lParam != 0 && IsWindowEnabled(toolBarMenu_.Handle()) &&
                toolBarMenu_.OpenByMnemonic(static_cast<wchar_t>(lParam), Handle()))
                return 0;
            break;
        case WM_CLOSE:
            if (!FormCloseQuery()) return 0;
            FormClose();
            DestroyWindow(Handle());
            return 0;
        case kTerminateMessage:
            DestroyWindow(Handle());
            return 0;
        case WM_DESTROY:
            FormDestroy();
            return 0;
        default:
            break;
    }
    return Window::OnMessage(message, wParam, lParam);
}

}  // namespace tarvex
