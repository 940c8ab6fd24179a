#pragma once
// The one main window of the program: the frame and the navigation. It holds the cool bar
// with the menu and the large toolbar, the side panel, the page control with its pages, the
// routes between them, and the notification-area icon. Each page is a class of its own
// (page.h); the frame only creates, shows and routes.
#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "app/navigation.h"
#include "app/autostart.h"
#include "app/program_options.h"
#include "app/settings_store.h"
#include "app/win32/cool_tray_icon.h"
#include "app/win32/menu_toolbar.h"
#include "app/win32/page.h"
#include "app/win32/panels.h"
#include "app/win32/side_panel.h"
#include "common/win32/delay_win32.h"
#include "monitor/throughput_meter.h"
#include "platform/os_version.h"
#include "platform/win32/controls.h"
#include "platform/win32/ansi_code_page.h"
#include "platform/win32/ip_helper.h"
#include "platform/win32/pictures.h"
#include "platform/win32/random_source.h"
#include "platform/win32/registry_access.h"
#include "platform/win32/system_restart.h"
#include "platform/win32/timer.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"
#include "tuning/adapters.h"
#include "tuning/advanced_editor.h"
#include "platform/modern_tcp_settings.h"
#include "tuning/backup.h"
#include "tuning/modern_tcp.h"
#include "tuning/tuning_profile.h"
#include "tuning/tuning_run.h"
#include "update/win32/update_commands.h"

namespace tarvex {

class TTarvexMainForm : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TTarvexMainForm";
    static constexpr int kClientWidth = 633;
    static constexpr int kClientHeight = 451;
    static constexpr int kMinWidth = 632;  // outer size limits
    static constexpr int kMinHeight = 451;
    static constexpr int kCoolBarHeight = 72;
    static constexpr int kSidePanelWidth = 225;
    static constexpr int kPageWidth = kClientWidth - kSidePanelWidth;
    static constexpr int kPageHeight = kClientHeight - kCoolBarHeight;

    TTarvexMainForm();
    ~TTarvexMainForm() override;

    // Creates the window and runs its creation sequence; the window opens even when a
    // step of the sequence fails.
    void Create(int showCommand);

    int Scale(int pixels) const { return surface_.Scale(pixels); }
    // The smallest outer size the window takes, in pixels at its DPI.
    POINT MinimumSize() const { return {Scale(kMinWidth), Scale(kMinHeight)}; }
    MainPage ActivePage() const { return activePage_; }
    void ShowPage(MainPage page);
    void ExecuteRoute(const Route& route);

    ProgramOptionsModel& Options() { return options_; }
    ProxyDetailsModel& Proxy() { return proxy_; }
    TuningRunModel& TuningRun() { return tuningRun_; }
    AdvancedEditorModel& AdvancedEditor() { return editor_; }
    AdaptersModel& Adapters() { return adapters_; }
    RegistryAccess& Registry() { return registry_; }
    // Whether "Undo last change" has a backup to write back.
    bool UndoAvailable() const { return undoAvailable_; }
    ThroughputMeter& Meter() { return meter_; }
    TPage& Page(MainPage page) { return *pages_[static_cast<size_t>(page)]; }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    // Saves the settings first; a failing save is reported and keeps the window open.
    bool FormCloseQuery();
    // Step 12 of the creation: the stored settings into the window and its models.
    void LoadProgramSettings();
    void SaveProgramSettings();
    // "Load Tarvex at Windows Startup" for the user running the program.
    AutostartTarget AutostartOfThisUser() const;
    void FormClose();
    void SetTrayIconLook();
    void FormDestroy();
    // Ends the program at once: the window is destroyed without its close handling.
    void Terminate();
    // The owner of a message box: the window the user works in.
    HWND PromptOwner() const;
    // What an update check needs of the window: the user's proxy and the way to end.
    UpdateContext UpdateContextOf();

    void CreateFrame();
    void CreateCoolBar();
    void CreatePages();
    void LayoutFrame();
    PageContext MakePageContext();
    bool OnCommand(int id);
    LRESULT OnNotify(NMHDR& header);
    // The frame's part of a tuning run: the navigation, the run's page, the pages' controls.
    void TuningRunChanged();
    void SetNavigationEnabled(bool enabled);
    // "Undo last change": the newest backup written back, then the restart offered.
    void UndoLastChange();
    // The TCP/IP values into a registry file, and such a file's values back, through the
    // open and save dialogs; an import is recorded like any change and offers the restart.
    void ShowHistory();
    // "Test connection": the test's window, the test kept, and "Apply recommendation" written as
    // "Accelerate!" writes.
    void ShowConnectionTest();
    std::optional<int> AutoTuningLevelInForce();
    void ExportSettings();
    void ImportSettings();
    // After the values changed from outside the editor: it shows them, then the restart.
    void ValuesRestored(const std::vector<std::string>& notes = {});
    void BackupsChanged();
    // The frame's part of the meter: TimerBandwidth, the side panel, the Connection State page.
    void MeterChanged();
    void TimerBandwidthTimer();

    OsVersionInfo os_;
    Surface surface_;
    UniqueFont font_, boldFont_, titleFont_;
    UniqueImageList imageList32_, imageList16LeftMenu_;
    UniqueMenu mainMenu_, trayMenu_;

    HWND coolBar_ = nullptr, toolBarTop_ = nullptr;
    TMenuToolBar toolBarMenu_;
    TSidePanel sidePanel_;
    TPanel pageControlMain_;
    std::array<std::unique_ptr<TPage>, kMainPageCount> pages_;
    MainPage activePage_ = MainPage::Welcome;

    ProgramOptionsModel options_;
    ProxyDetailsModel proxy_;
    Win32AnsiCodePage codePage_;
    // What the settings load read and gave, which the save compares with; none before it ran.
    std::optional<LoadedSettings> loadedSettings_;
    double lastUpdateCheck_ = 0.0;
    bool startMinimized_ = false;
    // The creation sequence runs (with the start-up update check, whose windows let messages
    // run); an exit asked for meanwhile waits for its end.
    bool creating_ = false;
    bool terminatePending_ = false;
    bool autostartReadBack_ = false;

    // The tuning: the profile and the adapter list live as long as the window.
    Win32RegistryAccess registry_;
    DelayWaiter waiter_;
    ClockRandomSource random_;
    Win32SystemRestart restart_;
    TuningProfile profile_;
    AdaptersModel adapters_;
    // Vista and later: the settings the modern stack honours, through netsh or WMI.
    std::optional<ModernSystem> modernSystem_;
    std::unique_ptr<ModernTcpSettings> modernTcp_;
    TuningRunModel tuningRun_{profile_, adapters_, registry_, waiter_, random_, restart_};
    AdvancedEditorModel editor_{profile_, adapters_};
    // Every write of the values above is recorded first, in the user's part of the registry.
    BackupKeeper backups_{registry_, {}};
    std::uint32_t pendingBackup_ = 0;
    bool undoAvailable_ = false;
    RunPage shownRunPage_ = RunPage::tsWelcome;

    // The connection monitor, sampling once a second.
    IPHelper ipHelper_;
    ThroughputMeter meter_;
    Timer TimerBandwidth;

    std::unique_ptr<TCoolTrayIcon> CoolTrayIcon;
};

}  // namespace tarvex
