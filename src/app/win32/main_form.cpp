#include "app/win32/main_form.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cwctype>
#include <string>

#include "app/main_form_texts.h"
#include "app/win32/application.h"
#include "app/win32/control_ids.h"
#include "app/win32/menus.h"
#include "common/error.h"
#include "common/version_text.h"
#include "common/windows_version.h"
#include "platform/program_info.h"
#include "platform/win32/unicode.h"
#include "resource_ids.h"

namespace tarvex {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTEXTHELP | WS_EX_CONTROLPARENT;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kPanelTarvexBackground = 16774127;
constexpr COLORREF kPanelBackground = 16244694;

constexpr std::array<const wchar_t*, kMainPageCount> kPageNames = {
    L"tsWelcome", L"tsProgress", L"tsAdvanced", L"tsConnectionState", L"tsSettings", L"tsAbout", L"tsSupport"};

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::wstring W(const char* text) { return Utf8ToWide(text); }

bool IsChecked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void SetChecked(HWND button, bool checked) {
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The mnemonic letter of a caption ("&Help" gives 'H'), upper-cased; 0 when none.
wchar_t Mnemonic(const char* caption) {
    for (const char* c = caption; *c; ++c)
        if (c[0] == '&' && c[1] != '\0' && c[1] != '&') return towupper(static_cast<unsigned char>(c[1]));
    return 0;
}

std::vector<const MenuEntry*> MenuBarEntries() {
    std::vector<const MenuEntry*> result;
    for (const auto& entry : MainMenuEntries())
        if (entry.Depth == 0) result.push_back(&entry);
    return result;
}

}  // namespace

TTarvexMainForm::TTarvexMainForm() = default;
TTarvexMainForm::~TTarvexMainForm() = default;

void TTarvexMainForm::Create(int showCommand) {
    factory_.Dpi = ScreenDpi();
    font_.reset(CreatePointFont(L"Tahoma", 8, factory_.Dpi));
    boldFont_.reset(CreatePointFont(L"Tahoma", 8, factory_.Dpi, true));
    titleFont_.reset(CreatePointFont(L"Tahoma", 10, factory_.Dpi, true));
    {
        LOGFONTW link{};
        GetObjectW(font_.get(), sizeof link, &link);
        link.lfUnderline = TRUE;
        linkFont_.reset(CreateFontIndirectW(&link));
    }
    factory_.Font = font_.get();

    RegisterWindowClass(kClassName, CS_DBLCLKS, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)),
                        Application().Icon);
    RECT frame{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    CreateHandle(kClassName, Application().Title.c_str(), kStyle | WS_CLIPCHILDREN, kExStyle, CW_USEDEFAULT,
                 CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr);
    if (!Handle()) throw Error("The main window could not be created");
    Application().MainWindow = Handle();
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    CreateFrame();
    CoolTrayIcon = std::make_unique<TCoolTrayIcon>(Handle());
    CoolTrayIcon->SetPopupMenu(trayMenu_.get());
    CoolTrayIcon->OnDblClick = [this] { CoolTrayIcon->ShowMainWindow(); };
    CoolTrayIcon->SetIconVisible(true);

    // A failing step ends the sequence there; the window opens all the same.
    Guarded([this] { FormCreate(); });
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
}

void TTarvexMainForm::FormCreate() {
    os_ = QueryOsVersion();
    Application().HelpFile = DirectoryOf(ExecutablePath()) + "Tarvex.chm";

    SendMessageW(cbCheckForUpdates_, CB_RESETCONTENT, 0, 0);
    for (const char* text : kUpdateIntervalTexts)
        SendMessageW(cbCheckForUpdates_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(text).c_str()));
    SendMessageW(cbCheckForUpdates_, CB_SETCURSEL, kDefaultUpdateInterval, 0);

    const std::wstring versionText = Utf8ToWide(VersionText(OwnFileVersion()));
    const std::wstring caption =
        Application().Title + L" " + versionText + L" (" + Utf8ToWide(WindowsReleaseName(os_)) + L")";
    SetWindowTextW(Handle(), caption.c_str());
    SetWindowTextW(lblVersion_, (W(texts::kVersionPrefix) + versionText).c_str());

    CoolTrayIcon->SetIcon(Application().Icon);
    // The icon's tooltip names the program, as a user hovering over it expects.
    CoolTrayIcon->SetHint(WideToUtf8(Application().Title));

    ShowPage(MainPage::Welcome);
}

void TTarvexMainForm::FormClose() {}

void TTarvexMainForm::CreateFrame() {
    imageList32_ = LoadImageStrip(IDB_IMAGELIST32, 32);
    imageList16LeftMenu_ = LoadImageStrip(IDB_IMAGELIST16_LEFTMENU, 16);
    imageList16Progress_ = LoadImageStrip(IDB_IMAGELIST16_PROGRESS, 16);
    pictureSettings_ = LoadPicture(L"PICTURE_SETTINGS");
    pictureSupport_ = LoadPicture(L"PICTURE_SUPPORT");
    logo_ = LoadPicture(L"LOGO");
    mainMenu_ = BuildMenu(MainMenuEntries(), true);
    trayMenu_ = BuildMenu(TrayMenuEntries(), false);

    CreateCoolBar();
    CreateSidePanel();
    CreatePages();
    LayoutFrame();
}

void TTarvexMainForm::CreateCoolBar() {
    coolBar_ = factory_.Create(REBARCLASSNAMEW, L"", WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                                         RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NORESIZE |
                                                         CCS_NOPARENTALIGN,
                               0, 0, kClientWidth, kCoolBarHeight, Handle(), ids::kCoolBar1);
    const DWORD toolBarStyle = WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | CCS_NORESIZE |
                               CCS_NODIVIDER | CCS_NOPARENTALIGN;

    // Band 1: the main menu as a row of captioned buttons.
    toolBarMenu_ = factory_.Create(TOOLBARCLASSNAMEW, L"ToolBarMenu", toolBarStyle | TBSTYLE_LIST, 0, 0, 400, 21,
                                   coolBar_, ids::kToolBarMenu);
    SendMessageW(toolBarMenu_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBarMenu_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    const auto bar = MenuBarEntries();
    std::vector<std::wstring> captions;
    for (const MenuEntry* entry : bar) captions.push_back(W(entry->Caption));
    for (size_t i = 0; i < bar.size(); ++i) {
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = ids::kMenuBarButtonBase + static_cast<int>(i);
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        button.iString = reinterpret_cast<INT_PTR>(captions[i].c_str());
        SendMessageW(toolBarMenu_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageW(toolBarMenu_, TB_SETBUTTONSIZE, 0, MAKELPARAM(0, Scale(21)));

    // Band 2: the large buttons with their tooltips.
    toolBarTop_ = factory_.Create(TOOLBARCLASSNAMEW, L"ToolBarTop", toolBarStyle | TBSTYLE_TOOLTIPS, 0, 0, 400, 43,
                                  coolBar_, ids::kToolBarTop);
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

    const std::array<std::pair<HWND, int>, 2> bands = {{{toolBarMenu_, 21 + 2}, {toolBarTop_, 43}}};
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

void TTarvexMainForm::CreateSidePanel() {
    advPanelGroup_.Create(Handle(), 0, Scale(kCoolBarHeight), Scale(kSidePanelWidth),
                          Scale(kClientHeight - kCoolBarHeight), factory_.Dpi);
    SetWindowLongPtrW(advPanelGroup_.Handle(), GWLP_ID, ids::kAdvPanelGroup);
    SetWindowTextW(advPanelGroup_.Handle(), L"AdvPanelGroup");

    TAdvPanel& program = advPanelGroup_.AddPanel(W(texts::kSidePanelProgram), 88, kPanelTarvexBackground,
                                                 boldFont_.get());
    CreateSideLinks(QmHtmlLabel1, program.Handle(), ids::kQmHtmlLabel1, texts::kQmHtmlLabel1, SideLabel::QmHtmlLabel1);
    TAdvPanel& help = advPanelGroup_.AddPanel(W(texts::kSidePanelHelp), 88, kPanelBackground, boldFont_.get());
    CreateSideLinks(QmHtmlLabel2, help.Handle(), ids::kQmHtmlLabel2, texts::kQmHtmlLabel2, SideLabel::QmHtmlLabel2);
    TAdvPanel& connection =
        advPanelGroup_.AddPanel(W(texts::kSidePanelConnection), 106, kPanelBackground, boldFont_.get());
    const HWND parent = connection.Handle();
    const DWORD label = WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS;
    lblAdapterName_ = factory_.Create(L"STATIC", L"", label, 8, 30, 150, 14, parent, ids::kLblAdapterName);
    lblChangeAdapter.Create(parent, ids::kLblChange, Scale(160), Scale(30), Scale(45), Scale(14));
    SendMessageW(lblChangeAdapter.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    lblChangeAdapter.SetLinkColor(12999969);
    lblChangeAdapter.SetLinkHover(true);
    lblChangeAdapter.SetLinkHoverUnderline(false);
    lblChangeAdapter.SetCaption("<A href=\"#1\">" + std::string(texts::kChange) + "</A>");
    lblChangeAdapter.OnLinkClick = [this](const std::string& id) {
        if (id == "#1") ExecuteRoute(RouteOf(NavItem::lblChangeAdapter));
    };
    factory_.Create(L"STATIC", W(texts::kDownloading).c_str(), label, 8, 52, 90, 14, parent, ids::kLblDownloading);
    lblRateIn2_ = factory_.Create(L"STATIC", L"", label | SS_RIGHT, 100, 52, 100, 14, parent, ids::kLblRateIn2);
    factory_.Create(L"STATIC", W(texts::kSendingData).c_str(), label, 8, 72, 90, 14, parent, ids::kLblSending);
    lblRateOut2_ = factory_.Create(L"STATIC", L"", label | SS_RIGHT, 100, 72, 100, 14, parent, ids::kLblRateOut2);
}

void TTarvexMainForm::CreateSideLinks(TQmHtmlLabel& label, HWND panel, int id, const char* caption,
                                      SideLabel which) {
    label.Create(panel, id, Scale(8), Scale(TAdvPanel::kHeaderHeight + 8), advPanelGroup_.PanelWidth() - Scale(10),
                 Scale(50));
    SendMessageW(label.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    label.SetImages(imageList16LeftMenu_.get(), 0);
    // Links in the colour of hot-tracked items, highlighted on hover, never underlined.
    label.SetLinkColor(kClSystemColor | COLOR_HOTLIGHT);
    label.SetLinkHoverColor(kClSystemColor | COLOR_HIGHLIGHT);
    label.SetLinkHover(true);
    label.SetLinkHoverUnderline(false);
    label.SetAutoHeight(true);
    label.SetCaption(caption);
    label.OnLinkClick = [this, which](const std::string& linkId) {
        if (const auto route = SideLinkRoute(which, linkId)) ExecuteRoute(*route);
    };
}

void TTarvexMainForm::CreateWelcomePage(TPanel& page) {
    const int width = kClientWidth - kSidePanelWidth;
    HTMLabel1.Create(page.Handle(), ids::kHTMLabel1, Scale(16), Scale(16), Scale(width - 32), Scale(100));
    SendMessageW(HTMLabel1.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    HTMLabel1.SetAutoHeight(true);
    HTMLabel1.SetCaption(texts::kWelcome);
}

void TTarvexMainForm::CreatePages() {
    const int width = kClientWidth - kSidePanelWidth;
    const int height = kClientHeight - kCoolBarHeight;
    pageControlMain_.Create(L"TPageControl", Handle(), Scale(kSidePanelWidth), Scale(kCoolBarHeight), Scale(width),
                            Scale(height), kWhite, ids::kPageControlMain);
    SetWindowTextW(pageControlMain_.Handle(), L"PageControlMain");
    for (int i = 0; i < kMainPageCount; ++i) {
        pages_[i].Create(L"TTabSheet", pageControlMain_.Handle(), 0, 0, Scale(width), Scale(height), kWhite,
                         ids::kFirstPage + i);
        SetWindowTextW(pages_[i].Handle(), kPageNames[i]);
        ShowWindow(pages_[i].Handle(), SW_HIDE);
    }
    CreateWelcomePage(pages_[static_cast<int>(MainPage::Welcome)]);
    CreateSettingsPage(pages_[static_cast<int>(MainPage::Settings)]);
    CreateSupportPage(pages_[static_cast<int>(MainPage::Support)]);
    CreateAboutPage(pages_[static_cast<int>(MainPage::About)]);
}

void TTarvexMainForm::CreateSettingsPage(TPanel& page) {
    const HWND parent = page.Handle();
    const int width = kClientWidth - kSidePanelWidth;
    page.AddPicture(pictureSettings_, Scale(width - 40), Scale(8));
    const DWORD check = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
    factory_.Create(L"BUTTON", W(texts::kGeneral).c_str(), WS_VISIBLE | BS_GROUPBOX, 10, 40, 384, 105, parent,
                    ids::kGbGeneral);
    chkLoadAtWinStart_ = factory_.Create(L"BUTTON", W(texts::kLoadAtWinStart).c_str(), check | WS_GROUP, 26, 64, 300,
                                         17, parent, ids::kChkLoadAtWinStart);
    chkStartInTray_ = factory_.Create(L"BUTTON", W(texts::kStartInTray).c_str(), check, 26, 88, 300, 17, parent,
                                      ids::kChkStartInTray);
    chkMinimizeToTray_ = factory_.Create(L"BUTTON", W(texts::kMinimizeToTray).c_str(), check, 26, 112, 300, 17,
                                         parent, ids::kChkMinimizeToTray);
    factory_.Create(L"BUTTON", W(texts::kUpdates).c_str(), WS_VISIBLE | BS_GROUPBOX, 8, 160, 384, 81, parent,
                    ids::kGbUpdates);
    chkCheckForUpdates_ = factory_.Create(L"BUTTON", W(texts::kCheckForUpdates).c_str(), check | WS_GROUP, 24, 190,
                                          196, 17, parent, ids::kChkCheckForUpdates);
    SetChecked(chkCheckForUpdates_, true);
    cbCheckForUpdates_ = factory_.Create(WC_COMBOBOXW, L"", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                                         222, 187, 160, 150, parent, ids::kCbCheckForUpdates);
}

void TTarvexMainForm::CreateSupportPage(TPanel& page) {
    const HWND parent = page.Handle();
    const int width = kClientWidth - kSidePanelWidth;
    page.AddPicture(pictureSupport_, Scale(width - 40), Scale(8));
    const DWORD centred = WS_VISIBLE | SS_CENTER | SS_NOPREFIX;
    const DWORD flatButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_FLAT;
    factory_.Create(L"STATIC", W(texts::kAskQuestionsText).c_str(), centred, 16, 44, width - 32, 28, parent,
                    ids::kLblAskQuestions);
    factory_.Create(L"BUTTON", W(texts::kAskQuestions).c_str(), flatButton, (width - 140) / 2, 76, 140, 25, parent,
                    ids::kBtnAskQuestions);
    factory_.Create(L"STATIC", W(texts::kCheckUpdatesText).c_str(), centred, 16, 116, width - 32, 28, parent,
                    ids::kLblCheckUpdates);
    factory_.Create(L"BUTTON", W(texts::kCheckUpdates).c_str(), flatButton, (width - 140) / 2, 148, 140, 25, parent,
                    ids::kBtnCheckUpdates);
    lblUpdateProgress_ = factory_.Create(L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_SUNKEN |
                                                             SS_CENTERIMAGE,
                                         8, 184, width - 16, 19, parent, ids::kLblUpdateProgress);

    const int top = 214;
    factory_.Create(L"BUTTON", W(texts::kProxyDetails).c_str(), WS_VISIBLE | BS_GROUPBOX, 8, top, width - 16, 124,
                    parent, ids::kGbProxyDetails);
    const DWORD label = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
    const DWORD edit = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
    const std::array<std::pair<const char*, int>, 3> fields = {
        {{texts::kProxyServer, ids::kTxtProxyServer},
         {texts::kProxyUser, ids::kTxtProxyUser},
         {texts::kProxyPassword, ids::kTxtProxyPwd}}};
    for (size_t i = 0; i < fields.size(); ++i) {
        const int y = top + 22 + static_cast<int>(i) * 26;
        factory_.Create(L"STATIC", W(fields[i].first).c_str(), label, 20, y + 3, 100, 14, parent, 0);
        HWND box = factory_.Create(L"EDIT", L"", edit | (fields[i].second == ids::kTxtProxyPwd ? ES_PASSWORD : 0),
                                   124, y, width - 148, 20, parent, fields[i].second);
        if (fields[i].second == ids::kTxtProxyPwd) SendMessageW(box, EM_SETPASSWORDCHAR, L'*', 0);
    }
    HWND note = factory_.Create(L"STATIC", W(texts::kProxyNote).c_str(), label, 124, top + 102, 240, 14, parent,
                                ids::kLblProxyNote);
    SendMessageW(note, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), FALSE);
}

void TTarvexMainForm::CreateAboutPage(TPanel& page) {
    const HWND parent = page.Handle();
    const int width = kClientWidth - kSidePanelWidth;
    const int height = kClientHeight - kCoolBarHeight;
    const DWORD centred = WS_VISIBLE | SS_CENTER | SS_NOPREFIX;
    HWND title = factory_.Create(L"STATIC", W(texts::kProductTitle).c_str(), centred, 8, 16, width - 16, 18, parent,
                                 ids::kLblTitle);
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), FALSE);
    lblVersion_ = factory_.Create(L"STATIC", L"", centred, 8, 38, width - 16, 14, parent, ids::kLblVersion);
    page.AddPicture(logo_, Scale((width - 64) / 2), Scale(60));
    HWND email = factory_.Create(L"STATIC", W(texts::kSupportAddress).c_str(), centred, 8, 134, width - 16, 14,
                                 parent, ids::kLblEmail);
    HWND web = factory_.Create(L"STATIC", W(texts::kWebAddress).c_str(), centred, 8, 152, width - 16, 14, parent,
                               ids::kLblURL);
    for (HWND link : {email, web}) SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.get()), FALSE);
    factory_.Create(L"STATIC", L"", WS_VISIBLE | SS_ETCHEDHORZ, 8, 178, width - 16, 2, parent, ids::kBevelAbout);
    factory_.Create(L"EDIT", W(texts::kLegalNotice).c_str(),
                    WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 8, 188,
                    width - 16, height - 196, parent, ids::kMemoLegal);
}

void TTarvexMainForm::LayoutFrame() {
    RECT client;
    GetClientRect(Handle(), &client);
    const int top = Scale(kCoolBarHeight);
    const int side = Scale(kSidePanelWidth);
    MoveWindow(coolBar_, 0, 0, client.right, top, TRUE);
    MoveWindow(advPanelGroup_.Handle(), 0, top, side, client.bottom - top, TRUE);
    MoveWindow(pageControlMain_.Handle(), side, top, client.right - side, client.bottom - top, TRUE);
    for (auto& page : pages_) MoveWindow(page.Handle(), 0, 0, client.right - side, client.bottom - top, TRUE);
}

void TTarvexMainForm::ShowPage(MainPage page) {
    activePage_ = page;
    for (int i = 0; i < kMainPageCount; ++i)
        ShowWindow(pages_[i].Handle(), i == static_cast<int>(page) ? SW_SHOW : SW_HIDE);
}

void TTarvexMainForm::ExecuteRoute(const Route& route) {
    switch (route.Command) {
        case MainCommand::ShowPage:
            if (route.ShowWindowFirst) CoolTrayIcon->ShowMainWindow();
            ShowPage(route.Page);
            break;
        case MainCommand::ShowMainWindow:
            CoolTrayIcon->ShowMainWindow();
            break;
        case MainCommand::Terminate:
            Application().Terminate();
            break;
        case MainCommand::OpenHelp:
        case MainCommand::OpenWebSite:
        case MainCommand::TellAFriend:
        case MainCommand::CheckForUpdate:
            // Help, web links and the update wizard are wired by their own parts of the program.
            break;
    }
}

void TTarvexMainForm::OpenMenuBarDropDown(int index) {
    const auto bar = MenuBarEntries();
    if (index < 0 || index >= static_cast<int>(bar.size())) return;
    const int commandId = ids::kMenuBarButtonBase + index;
    RECT button;
    SendMessageW(toolBarMenu_, TB_GETRECT, commandId, reinterpret_cast<LPARAM>(&button));
    MapWindowPoints(toolBarMenu_, nullptr, reinterpret_cast<POINT*>(&button), 2);
    SendMessageW(toolBarMenu_, TB_PRESSBUTTON, commandId, TRUE);
    TPMPARAMS exclude{sizeof exclude, button};
    TrackPopupMenuEx(GetSubMenu(mainMenu_.get(), index), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL, button.left,
                     button.bottom, Handle(), &exclude);
    SendMessageW(toolBarMenu_, TB_PRESSBUTTON, commandId, FALSE);
}

bool TTarvexMainForm::OnCommand(int id, int code) {
    if (const auto item = NavItemOfCommand(id)) {
        ExecuteRoute(RouteOf(*item));
        return true;
    }
    if (id >= ids::kMenuBarButtonBase && id < ids::kMenuBarButtonBase + 16) {
        OpenMenuBarDropDown(id - ids::kMenuBarButtonBase);
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
        case ids::kChkStartInTray:
            chkStartInTrayClick();
            return true;
        case ids::kChkMinimizeToTray:
            chkMinimizeToTrayClick();
            return true;
        case ids::kChkCheckForUpdates:
            chkCheckForUpdatesClick();
            return true;
        default:
            return false;
    }
}

void TTarvexMainForm::ReadOptions() {
    options_.LoadAtWinStart = IsChecked(chkLoadAtWinStart_);
    options_.StartInTray = IsChecked(chkStartInTray_);
    options_.MinimizeToTray = IsChecked(chkMinimizeToTray_);
    options_.CheckForUpdates = IsChecked(chkCheckForUpdates_);
    options_.UpdateInterval = static_cast<int>(SendMessageW(cbCheckForUpdates_, CB_GETCURSEL, 0, 0));
}

void TTarvexMainForm::chkStartInTrayClick() {
    ReadOptions();
    if (StartInTrayClicked(options_)) {
        // Checking a box runs its click handling too.
        SetChecked(chkMinimizeToTray_, true);
        chkMinimizeToTrayClick();
    }
}

void TTarvexMainForm::chkMinimizeToTrayClick() {
    ReadOptions();
    CoolTrayIcon->SetMinimizeToTray(options_.MinimizeToTray);
}

void TTarvexMainForm::chkCheckForUpdatesClick() {
    ReadOptions();
    EnableWindow(cbCheckForUpdates_, UpdateIntervalEnabled(options_));
}

LRESULT TTarvexMainForm::OnNotify(NMHDR& header) {
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        for (const auto& button : ToolBarTopButtons()) {
            if (button.Item != NavItem::Count && CommandIdOf(button.Item) == static_cast<int>(header.idFrom)) {
                lstrcpynW(info.szText, W(button.Hint).c_str(), ARRAYSIZE(info.szText));
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
            info->ptMinTrackSize = {Scale(kMinWidth), Scale(kMinHeight)};
            return 0;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED && coolBar_) LayoutFrame();
            return 0;
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam), HIWORD(wParam))) return 0;
            break;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
        case WM_MEASUREITEM:
            if (MeasureMenuImage(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), 16)) return TRUE;
            break;
        case WM_DRAWITEM:
            if (DrawMenuImage(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam), imageList16LeftMenu_.get())) return TRUE;
            break;
        case WM_SYSCOMMAND:
            // Alt + a menu's letter opens that menu of the menu toolbar.
            if ((wParam & 0xFFF0) == SC_KEYMENU && lParam != 0) {
                const wchar_t key = towupper(static_cast<wchar_t>(lParam));
                const auto bar = MenuBarEntries();
                for (size_t i = 0; i < bar.size(); ++i) {
                    if (Mnemonic(bar[i]->Caption) == key) {
                        OpenMenuBarDropDown(static_cast<int>(i));
                        return 0;
                    }
                }
            }
            break;
        case WM_CLOSE:
            if (!FormCloseQuery()) return 0;
            FormClose();
            DestroyWindow(Handle());
            return 0;
        case WM_DESTROY:
            CoolTrayIcon.reset();  // takes the icon out of the notification area
            Application().MainWindow = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return Window::OnMessage(message, wParam, lParam);
}

}  // namespace tarvex
