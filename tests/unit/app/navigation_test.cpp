#include "app/navigation.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace tarvex {
namespace {

using C = MainCommand;
using P = MainPage;

TEST(NavigationTest, EveryElementRoutesToItsPageOrCommand) {
    struct Case {
        NavItem item;
        Route route;
    };
    const Case cases[] = {
        {NavItem::ToolButton1, {C::ShowPage, P::Welcome}},
        {NavItem::ToolButton2, {C::ShowPage, P::Advanced}},
        {NavItem::btnConnectionState, {C::ShowPage, P::ConnectionState}},
        {NavItem::btnSettings, {C::ShowPage, P::Settings}},
        {NavItem::btnProgramHelp, {C::OpenHelp}},
        {NavItem::ItemAccelerateConnection, {C::ShowPage, P::Welcome}},
        {NavItem::ItemAdvanced, {C::ShowPage, P::Advanced}},
        {NavItem::ItemConnectionState, {C::ShowPage, P::ConnectionState}},
        {NavItem::ItemProgramOptions, {C::ShowPage, P::Settings}},
        {NavItem::ItemHelp, {C::OpenHelp}},
        {NavItem::ItemAskQuestions, {C::ShowPage, P::Support}},
        {NavItem::ItemVisitourWebSite, {C::OpenWebSite, P::Welcome, false, 13}},
        {NavItem::ItemCheckForUpdate, {C::CheckForUpdate}},
        {NavItem::ItemTellAFriend, {C::TellAFriend}},
        {NavItem::ItemAbout, {C::ShowPage, P::About}},
        {NavItem::ItemTarvex, {C::ShowMainWindow}},
        {NavItem::ItemSendFeedback, {C::ShowPage, P::Support, true}},
        {NavItem::ItemVisitourWebSite2, {C::OpenWebSite, P::Welcome, false, 15}},
        {NavItem::ItemTellAFriend2, {C::TellAFriend}},
        {NavItem::ItemAbout2, {C::ShowPage, P::About, true}},
        {NavItem::ItemHelp3, {C::OpenHelp}},
        {NavItem::ItemClose, {C::Terminate}},
        {NavItem::btnHelp, {C::OpenHelp}},
        {NavItem::btnHelp2, {C::OpenHelp}},
        {NavItem::lblChangeAdapter, {C::ShowPage, P::ConnectionState}},
        {NavItem::ItemUndoLastChange, {C::UndoLastChange}},
        {NavItem::ItemExportSettings, {C::ExportSettings}},
        {NavItem::ItemImportSettings, {C::ImportSettings}},
        {NavItem::ItemHistory, {C::ShowHistory}},
        {NavItem::ItemTestConnection, {C::TestConnection}},
        {NavItem::btnTestConnection, {C::TestConnection}},
        {NavItem::btnTestConnection2, {C::TestConnection}},
    };
    std::set<NavItem> seen;
    for (const auto& c : cases) {
        EXPECT_EQ(RouteOf(c.item), c.route) << static_cast<int>(c.item);
        seen.insert(c.item);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(NavItem::Count));
}

TEST(NavigationTest, SideLinksCompareIdsExactly) {
    using L = SideLabel;
    struct Case {
        L label;
        const char* id;
        std::optional<Route> route;
    };
    const Case cases[] = {
        {L::QmHtmlLabel1, "#0", Route{C::ShowPage, P::Welcome}},
        {L::QmHtmlLabel1, "#1", Route{C::ShowPage, P::Advanced}},
        {L::QmHtmlLabel1, "#2", Route{C::ShowPage, P::ConnectionState}},
        {L::QmHtmlLabel1, "#3", std::nullopt},
        {L::QmHtmlLabel2, "#0", Route{C::ShowPage, P::Settings}},
        {L::QmHtmlLabel2, "#1", Route{C::OpenHelp}},
        {L::QmHtmlLabel2, "#2", Route{C::ShowPage, P::About}},
        {L::QmHtmlLabel2, "#3", Route{C::ShowPage, P::Support}},
        {L::QmHtmlLabel2, "#4", std::nullopt},
        {L::QmHtmlLabel2, "", std::nullopt},
        {L::QmHtmlLabel2, "#0 ", std::nullopt},
        {L::QmHtmlLabel1, "#00", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(SideLinkRoute(c.label, c.id), c.route) << c.id;
}

TEST(NavigationTest, MenusNameEveryRoutedItemOnce) {
    std::map<NavItem, int> uses;
    for (const auto* entries : {&MainMenuEntries(), &TrayMenuEntries()})
        for (const auto& entry : *entries)
            if (entry.Item) ++uses[*entry.Item];
    for (const auto& button : ToolBarTopButtons())
        if (button.Item != NavItem::Count) ++uses[button.Item];
    for (const auto& [item, count] : uses) EXPECT_EQ(count, 1) << static_cast<int>(item);
    // Everything but the page buttons (the test's two among them) and the Change link sits in a
    // menu or the toolbar.
    EXPECT_EQ(uses.size(), static_cast<size_t>(NavItem::Count) - 5);

    // The tray menu's default item is "&Tarvex", and it is the only one.
    int defaults = 0;
    for (const auto& entry : TrayMenuEntries()) defaults += entry.IsDefault;
    EXPECT_EQ(defaults, 1);
    EXPECT_TRUE(TrayMenuEntries().front().IsDefault);
}

}  // namespace
}  // namespace tarvex
