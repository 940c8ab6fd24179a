#pragma once
// The one main window of the program: the cool bar with the menu and the large toolbar,
// the side panel, and the page control with its seven pages.
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/navigation.h"
#include "app/program_options.h"
#include "app/win32/cool_tray_icon.h"
#include "app/win32/panels.h"
#include "controls/win32/html_label.h"
#include "platform/os_version.h"
#include "platform/win32/controls.h"
#include "platform/win32/pictures.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"

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

    TTarvexMainForm();
    ~TTarvexMainForm() override;

    // Creates the window and runs its creation sequence; the window opens even when a
    // step of the sequence fails.
    void Create(int showCommand);

    int Scale(int pixels) const { return factory_.Scale(pixels); }
    MainPage ActivePage() const { return activePage_; }
    void ShowPage(MainPage page);
    void ExecuteRoute(const Route& route);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    bool FormCloseQuery() { return true; }
    void FormClose();

    void CreateFrame();
    void CreateCoolBar();
    void CreateSidePanel();
    void CreatePages();
    void CreateWelcomePage(TPanel& page);
    void CreateSideLinks(TQmHtmlLabel& label, HWND panel, int id, const char* caption, SideLabel which);
    void CreateSettingsPage(TPanel& page);
    void CreateSupportPage(TPanel& page);
    void CreateAboutPage(TPanel& page);
    void LayoutFrame();

    void OpenMenuBarDropDown(int index);
    bool OnCommand(int id, int code);
    LRESULT OnNotify(NMHDR& header);

    void chkStartInTrayClick();
    void chkMinimizeToTrayClick();
    void chkCheckForUpdatesClick();
    void ReadOptions();

    OsVersionInfo os_;
    ControlFactory factory_;
    UniqueFont font_, boldFont_, titleFont_, linkFont_;
    UniqueImageList imageList32_, imageList16LeftMenu_, imageList16Progress_;
    UniqueMenu mainMenu_, trayMenu_;
    Picture pictureSettings_, pictureSupport_, logo_;

    HWND coolBar_ = nullptr, toolBarMenu_ = nullptr, toolBarTop_ = nullptr;
    TAdvPanelGroup advPanelGroup_;
    TQmHtmlLabel QmHtmlLabel1, QmHtmlLabel2, lblChangeAdapter, HTMLabel1;
    TPanel pageControlMain_;
    std::array<TPanel, kMainPageCount> pages_;
    MainPage activePage_ = MainPage::Welcome;

    HWND chkLoadAtWinStart_ = nullptr, chkStartInTray_ = nullptr, chkMinimizeToTray_ = nullptr;
    HWND chkCheckForUpdates_ = nullptr, cbCheckForUpdates_ = nullptr;
    HWND lblVersion_ = nullptr, lblUpdateProgress_ = nullptr;
    HWND lblAdapterName_ = nullptr, lblRateIn2_ = nullptr, lblRateOut2_ = nullptr;
    ProgramOptions options_;
    std::unique_ptr<TCoolTrayIcon> CoolTrayIcon;
};

}  // namespace tarvex
