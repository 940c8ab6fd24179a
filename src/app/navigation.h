#pragma once
// Where every route of the main window leads: side-panel links, toolbar buttons, main
// menu items and notification-area menu items all end in one page or command.
#include <optional>
#include <string_view>
#include <vector>

namespace tarvex {

// Pages of PageControlMain in index order.
enum class MainPage { Welcome = 0, Progress, Advanced, ConnectionState, Settings, About, Support };
inline constexpr int kMainPageCount = 7;

enum class MainCommand {
    ShowPage,     // make Page the active page (after showing the window when ShowWindowFirst)
    OpenHelp,     // the help file
    OpenWebSite,  // the product's web site, with Tag naming the element
    TellAFriend,
    AskQuestions,    // the product's support page on the web
    CheckForUpdate,  // the manual update check
    UndoLastChange,  // write back the newest backup of the TCP/IP values
    ExportSettings,  // the TCP/IP values into a registry file
    ImportSettings,  // a registry file's TCP/IP values into the registry
    ShowHistory,     // the records kept before each change, to restore one
    TestConnection,  // the connection test's window
    ShowMainWindow,
    Terminate,  // end the message loop at once, without closing the window
};

struct Route {
    MainCommand Command = MainCommand::ShowPage;
    MainPage Page = MainPage::Welcome;
    bool ShowWindowFirst = false;
    int Tag = 0;
    friend bool operator==(const Route&, const Route&) = default;
};

// Every clickable element of the frame; the Win32 side uses kCommandBase + value as
// the command id of buttons and menu items.
enum class NavItem {
    ToolButton1,
    ToolButton2,
    btnConnectionState,
    btnSettings,
    btnProgramHelp,
    ItemAccelerateConnection,
    ItemAdvanced,
    ItemConnectionState,
    ItemProgramOptions,
    ItemHelp,
    ItemAskQuestions,
    ItemVisitourWebSite,
    ItemCheckForUpdate,
    ItemTellAFriend,
    ItemAbout,
    ItemTarvex,
    ItemSendFeedback,
    ItemVisitourWebSite2,
    ItemTellAFriend2,
    ItemAbout2,
    ItemHelp3,
    ItemClose,
    btnHelp,
    btnHelp2,
    lblChangeAdapter,
    ItemUndoLastChange,
    ItemExportSettings,
    ItemImportSettings,
    ItemHistory,
    ItemTestConnection,
    btnTestConnection,
    btnTestConnection2,
    Count
};
inline constexpr int kCommandBase = 1000;

Route RouteOf(NavItem item);

// The two link labels of the side panel; ids compare exactly, unknown ids go nowhere.
enum class SideLabel { QmHtmlLabel1, QmHtmlLabel2 };
std::optional<Route> SideLinkRoute(SideLabel label, std::string_view linkId);

// The large toolbar, left to right.
struct ToolButtonInfo {
    NavItem Item;  // NavItem::Count for the divider
    const char* Caption;
    const char* Hint;
    int ImageIndex;  // divider: its width in pixels
};
const std::vector<ToolButtonInfo>& ToolBarTopButtons();

// Menus as data: an entry opens a submenu when Depth grows on the next entry.
struct MenuEntry {
    int Depth;                    // 0: top-level menu of the bar; 1: its items; 2: a submenu's items
    std::optional<NavItem> Item;  // none for top-level menus, submenus and separators
    const char* Caption;          // nullptr for a separator
    int ImageIndex = -1;
    bool IsDefault = false;
};
const std::vector<MenuEntry>& MainMenuEntries();
const std::vector<MenuEntry>& TrayMenuEntries();

}  // namespace tarvex
