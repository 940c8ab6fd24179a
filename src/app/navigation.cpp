#include "app/navigation.h"

namespace tarvex {
namespace {

Route Page(MainPage page) {
    return {MainCommand::ShowPage, page};
}
Route PageAfterShow(MainPage page) {
    return {MainCommand::ShowPage, page, true};
}
Route Do(MainCommand command, int tag = 0) {
    return {command, MainPage::Welcome, false, tag};
}

}  // namespace

Route RouteOf(NavItem item) {
    switch (item) {
        case NavItem::ToolButton1:
        case NavItem::ItemAccelerateConnection:
            return Page(MainPage::Welcome);
        case NavItem::ToolButton2:
        case NavItem::ItemAdvanced:
            return Page(MainPage::Advanced);
        case NavItem::btnConnectionState:
        case NavItem::ItemConnectionState:
        case NavItem::lblChangeAdapter:
            return Page(MainPage::ConnectionState);
        case NavItem::btnSettings:
        case NavItem::ItemProgramOptions:
            return Page(MainPage::Settings);
        case NavItem::btnProgramHelp:
        case NavItem::ItemHelp:
        case NavItem::ItemHelp3:
        case NavItem::btnHelp:
        case NavItem::btnHelp2:
            return Do(MainCommand::OpenHelp);
        case NavItem::ItemAskQuestions:
            return Page(MainPage::Support);
        case NavItem::ItemVisitourWebSite:
            return Do(MainCommand::OpenWebSite, 13);
        case NavItem::ItemVisitourWebSite2:
            return Do(MainCommand::OpenWebSite, 15);
        case NavItem::ItemCheckForUpdate:
            return Do(MainCommand::CheckForUpdate);
        case NavItem::ItemTellAFriend:
        case NavItem::ItemTellAFriend2:
            return Do(MainCommand::TellAFriend);
        case NavItem::ItemAbout:
            return Page(MainPage::About);
        case NavItem::ItemTarvex:
            return Do(MainCommand::ShowMainWindow);
        case NavItem::ItemSendFeedback:
            return PageAfterShow(MainPage::Support);
        case NavItem::ItemAbout2:
            return PageAfterShow(MainPage::About);
        case NavItem::ItemClose:
            return Do(MainCommand::Terminate);
        case NavItem::ItemUndoLastChange:
            return Do(MainCommand::UndoLastChange);
        case NavItem::ItemExportSettings:
            return Do(MainCommand::ExportSettings);
        case NavItem::ItemImportSettings:
            return Do(MainCommand::ImportSettings);
        case NavItem::ItemHistory:
            return Do(MainCommand::ShowHistory);
        case NavItem::ItemTestConnection:
        case NavItem::btnTestConnection:
        case NavItem::btnTestConnection2:
            return Do(MainCommand::TestConnection);
        case NavItem::Count:
            break;
    }
    return Do(MainCommand::ShowMainWindow);
}

std::optional<Route> SideLinkRoute(SideLabel label, std::string_view linkId) {
    if (label == SideLabel::QmHtmlLabel1) {
        // This label selects by page index.
        if (linkId == "#0") return Page(static_cast<MainPage>(0));
        if (linkId == "#1") return Page(static_cast<MainPage>(2));
        if (linkId == "#2") return Page(static_cast<MainPage>(3));
        return std::nullopt;
    }
    if (linkId == "#0") return Page(MainPage::Settings);
    if (linkId == "#1") return Do(MainCommand::OpenHelp);
    if (linkId == "#2") return Page(MainPage::About);
    if (linkId == "#3") return Page(MainPage::Support);
    return std::nullopt;
}

const std::vector<ToolButtonInfo>& ToolBarTopButtons() {
    static const std::vector<ToolButtonInfo> buttons = {
        {NavItem::ToolButton1, "Accelerate", "Accelerate Internet Connection", 0},
        {NavItem::ToolButton2, "Advanced", "Advanced", 1},
        {NavItem::btnConnectionState, "State", "State of connection", 2},
        {NavItem::Count, "", "", 8},
        {NavItem::btnSettings, "Settings", "Settings", 3},
        {NavItem::btnProgramHelp, "Help", "Help", 4},
    };
    return buttons;
}

const std::vector<MenuEntry>& MainMenuEntries() {
    static const std::vector<MenuEntry> entries = {
        {0, {}, "&Accelerate"},
        {1, NavItem::ItemAccelerateConnection, "Accelerate &Internet Connection", 0},
        {1, NavItem::ItemAdvanced, "Advanced &Settings", 1},
        {1, NavItem::ItemConnectionState, "&Connection State", 2},
        {1, NavItem::ItemTestConnection, "&Test connection..."},
        {1, {}, nullptr},
        {1, NavItem::ItemUndoLastChange, "&Undo last change"},
        {1, NavItem::ItemExportSettings, "&Export settings..."},
        {1, NavItem::ItemImportSettings, "I&mport settings..."},
        {1, NavItem::ItemHistory, "&History..."},
        {0, {}, "&Options"},
        {1, NavItem::ItemProgramOptions, "Program &Options", 3},
        {0, {}, "&Help"},
        {1, NavItem::ItemHelp, "Tarvex &Help", 4},
        {1, {}, nullptr},
        {1, {}, "&Contact Us"},
        {2, NavItem::ItemAskQuestions, "&Ask Questions / Send Feedback"},
        {2, NavItem::ItemVisitourWebSite, "&Visit our Web Site"},
        {2, NavItem::ItemCheckForUpdate, "Check for &update"},
        {2, NavItem::ItemTellAFriend, "Tell a Friend"},
        {1, {}, nullptr},
        {1, NavItem::ItemAbout, "&About"},
    };
    return entries;
}

const std::vector<MenuEntry>& TrayMenuEntries() {
    static const std::vector<MenuEntry> entries = {
        {0, NavItem::ItemTarvex, "&Tarvex", -1, true},
        {0, {}, nullptr},
        {0, {}, "&Contact Us"},
        {1, NavItem::ItemSendFeedback, "&Ask Questions / Check for updates"},
        {1, NavItem::ItemVisitourWebSite2, "&Visit our Web Site"},
        {1, NavItem::ItemTellAFriend2, "Tell a Friend"},
        {0, {}, nullptr},
        {0, NavItem::ItemAbout2, "&About"},
        {0, NavItem::ItemHelp3, "&Help"},
        {0, {}, nullptr},
        {0, NavItem::ItemClose, "&Close"},
    };
    return entries;
}

}  // namespace tarvex
