#include "tuning/win32/advanced_page.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "measure/connection_test.h"
#include "resource_ids.h"
#include "tuning/advanced_texts.h"

namespace tarvex {
namespace {

namespace t = advanced_texts;

enum Tab { kWelcomeTab, kGeneralTab, kMtuTab, kRwinTtlTab, kHttpTab, kTcplwTab, kAckTab, kModernTab };

// A value label under the middle of its track bar.
Bounds UnderMiddle(const Bounds& bar, int width, int height) {
    return {bar.X + (bar.Width - width) / 2, bar.Y + bar.Height, width, height};
}

}  // namespace

void TAdvancedPage::CreateContent(const PageContext& context) {
    const Surface& at = context.Where;
    PageControlAdvanced.Create(at, {.Id = ids::kPageControlAdvanced, .At = {8, 8, context.Width - 16, 322}});
    std::vector<Surface> tabs;
    for (const char* caption : t::kTabs) tabs.push_back(PageControlAdvanced.AddTab(caption));
    // Vista and later: the settings that Windows really honours there, on a tab of their own.
    if (editor_.Modern().Shown) tabs.push_back(PageControlAdvanced.AddTab(t::kModernTab));
    const int width = PageControlAdvanced.PageWidth();
    const int height = PageControlAdvanced.PageHeight();

    const Surface& welcome = tabs[kWelcomeTab];
    HTMLabelAdvanced.Create(welcome.Parent, ids::kHTMLabelAdvanced, welcome.Scale(12), welcome.Scale(12),
                            welcome.Scale(width - 24), welcome.Scale(height - 24));
    SendMessageW(HTMLabelAdvanced.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(welcome.Font), FALSE);
    HTMLabelAdvanced.SetCaption(t::kWelcome);

    CreateGeneralTab(tabs[kGeneralTab], width, height);
    CreateMtuTab(tabs[kMtuTab], width, height);
    navigate_ = context.Navigate;
    CreateRwinTtlTab(tabs[kRwinTtlTab], width);
    CreateHttpTab(tabs[kHttpTab], width, height);
    CreateTcplwTab(tabs[kTcplwTab], width, height);
    CreateAckTab(tabs[kAckTab], width, height);
    if (editor_.Modern().Shown) CreateModernTab(tabs[kModernTab], width, height);
    PageControlAdvanced.SetTabIndex(kWelcomeTab);

    // "Refresh", "Apply", then "Help" in the bottom right corner.
    const int y = context.Height - 39;
    const int helpX = context.Width - 16 - 75;
    btnRefresh.Create(at, {.Id = ids::kBtnRefresh, .Text = t::kRefresh, .At = {helpX - 2 * 83, y, 75, 25}});
    btnApply.Create(at, {.Id = ids::kBtnApply, .Text = t::kApply, .At = {helpX - 83, y, 75, 25}});
    btnHelp2.Create(at, {.Id = ids::kBtnHelp2, .Text = t::kHelp, .At = {helpX, y, 75, 25}});
    btnRefresh.OnClick = [this] { editor_.Refresh(registry_); };
    btnApply.OnClick = [this] { editor_.Apply(registry_); };
    btnHelp2.OnClick = [navigate = context.Navigate] { navigate(Route{MainCommand::OpenHelp}); };
    // The way back from the last change, on the left, apart from the buttons that write.
    btnUndoLastChange.Create(at, {.Id = ids::kBtnUndoLastChange, .Text = t::kUndoLastChange, .At = {8, y, 110, 25}});
    btnUndoLastChange.OnClick = [navigate = context.Navigate] { navigate(Route{MainCommand::UndoLastChange}); };
    UpdateView();
}

int TAdvancedPage::AddText(const Surface& at, const char* text, int x, int y, int width) {
    auto label = std::make_unique<TLabel>();
    label->Create(
        at, {.Id = ids::kFirstAdvancedText + static_cast<int>(texts_.size()), .Text = text, .At = {x, y, width, 28}});
    label->FitHeight();
    const Bounds bounds = label->BoundsAt96();
    texts_.push_back(std::move(label));
    return bounds.Y + bounds.Height;
}

void TAdvancedPage::CreateSpinner(const Surface& at, TEdit& box, TUpDown& spinner, int boxId, int spinnerId, int x,
                                  int y, const PositionRange& range) {
    box.Create(at, {.Id = boxId, .At = {x, y, 40, 21}, .Style = ES_READONLY | ES_RIGHT | WS_GROUP});
    spinner.Create(at, {.Id = spinnerId, .At = {x + 40, y, 17, 21}});
    spinner.SetBuddy(box);
    spinner.SetRange(range.Min, range.Max);
    spinner.SetStep(range.Step);
}

// Each tab: a group box over the tab, its explanatory text at the top, the controls below it.
void TAdvancedPage::CreateGeneralTab(const Surface& at, int width, int height) {
    gbGeneral.Create(at,
                     {.Id = ids::kGbGeneralSettings, .Text = t::kGeneralGroup, .At = {6, 4, width - 12, height - 10}});
    const int textWidth = width - 50;
    int y = 24;
    rbEnableBlackHoleDetection.Create(at, {.Id = ids::kRbEnableBlackHoleDetection,
                                           .Text = t::kEnableBlackHoleDetection,
                                           .At = {16, y, 260, 17},
                                           .Style = WS_GROUP});
    y = AddText(at, t::kBlackHoleText, 34, y + 19, textWidth) + 5;
    rbEnableAutoMTUDetection.Create(
        at, {.Id = ids::kRbEnableAutoMTUDetection, .Text = t::kEnableAutoMTUDetection, .At = {16, y, 260, 17}});
    y = AddText(at, t::kAutoMtuText, 34, y + 19, textWidth) + 5;
    chkSACK.Create(at, {.Id = ids::kChkSACK, .Text = t::kSack, .At = {16, y, 260, 17}});
    y = AddText(at, t::kSackText, 34, y + 19, textWidth);
    CreateNotUsed(at, lblNotUsedSack, ids::kLblNotUsedSack, 34, y + 1, textWidth);

    rbEnableBlackHoleDetection.OnClick = [this] {
        editor_.SetBlackHoleDetection(rbEnableBlackHoleDetection.Checked());
    };
    rbEnableAutoMTUDetection.OnClick = [this] { editor_.SetAutoMTUDetection(rbEnableAutoMTUDetection.Checked()); };
    chkSACK.OnClick = [this] { editor_.SetSACK(chkSACK.Checked()); };
}

void TAdvancedPage::CreateMtuTab(const Surface& at, int width, int height) {
    gbMTU.Create(at, {.Id = ids::kGbMTU, .Text = t::kMtuGroup, .At = {4, 4, width - 8, height - 10}});
    const int top = AddText(at, t::kMtuText, 14, 22, width - 28) + 6;
    const int y = height - 62;
    ListViewAdapters.Create(
        at,
        {.Id = ids::kListViewAdapters, .At = {14, top, width - 28, y - 6 - top}, .Style = WS_GROUP | LVS_NOSORTHEADER});
    images_ = LoadImageStrip(IDB_IMAGELIST16_PROGRESS, 16);
    ListViewAdapters.SetImages(images_.get());
    ListViewAdapters.AddColumn(t::kAdapterNameColumn, width - 28 - 4 - at.Unscale(GetSystemMetrics(SM_CXVSCROLL)));
    rbMTUDefault.Create(
        at, {.Id = ids::kRbMTUDefault, .Text = t::kWindowsDefault, .At = {14, y, 200, 17}, .Style = WS_GROUP});
    rbMTU.Create(at, {.Id = ids::kRbMTU, .At = {14, y + 26, 16, 17}});
    cbMTU.Create(at, {.Id = ids::kCbMTU, .At = {36, y + 23, width - 50, 200}, .Style = WS_GROUP});
    // The longest entries are wider than the tab: they show in full in the open list.
    cbMTU.SetItems(std::vector<std::string>(kMtuTexts.begin(), kMtuTexts.end()), TComboBox::ItemFit::WidenList);

    ListViewAdapters.OnChange = [this] { adapters_.Select(ListViewAdapters.ItemIndex()); };
    rbMTUDefault.OnClick = [this] { adapters_.CheckMtuDefault(); };
    rbMTU.OnClick = [this] { adapters_.CheckMtu(); };
    cbMTU.OnChange = [this] { adapters_.ChooseMtuIndex(cbMTU.ItemIndex()); };
}

void TAdvancedPage::CreateRwinTtlTab(const Surface& at, int width) {
    // Rows a little closer than on the other tabs: on Windows Vista and later the note that the
    // window is not used takes a line of its own.
    int y = AddText(at, t::kRwinText, 16, 22, width - 32) + 4;
    rbRWINDefault.Create(
        at, {.Id = ids::kRbRWINDefault, .Text = t::kWindowsDefault, .At = {16, y, 150, 17}, .Style = WS_GROUP});
    // The test that measures what window the path needs, beside the choice it informs.
    btnTestConnection2.Create(
        at, {.Id = ids::kBtnTestConnection2, .Text = kTestConnectionCaption, .At = {width - 24 - 110, y - 3, 110, 23}});
    btnTestConnection2.OnClick = [this] { navigate_(Route{MainCommand::TestConnection}); };
    rbRWINCustom.Create(at, {.Id = ids::kRbRWINCustom, .Text = t::kCustom, .At = {16, y + 22, 80, 17}});
    CreateSpinner(at, txtRWIN, udRWIN, ids::kTxtRWIN, ids::kUdRWIN, 100, y + 20, kRwinRange);
    lblTimes.Create(at, {.Id = 0, .Text = t::kTimes, .At = {162, y + 23, 10, 14}});
    y += 48;
    lblRWINValueLbl.Create(
        at, {.Id = ids::kLblRWINValueLbl, .Text = t::kRwinValueCaption, .At = {34, y, 140, 14}, .Style = WS_GROUP});
    lblRWINValue.Create(at, {.Id = ids::kLblRWINValue, .At = {lblRWINValueLbl.Right() + 6, y, 80, 14}});
    y += 20;
    if (!editor_.Controls().WindowUsed) {
        CreateNotUsed(at, lblNotUsedRwin, ids::kLblNotUsedRwin, 16, y, width - 32);
        y += 18;
    }
    gbRWIN.Create(at, {.Id = ids::kGbRWIN, .Text = t::kRwinGroup, .At = {6, 4, width - 12, y - 4}});

    const int ttlTop = y + 4;
    y = AddText(at, t::kTtlText, 16, ttlTop + 16, width - 32) + 4;
    rbTTLDefault.Create(
        at, {.Id = ids::kRbTTLDefault, .Text = t::kWindowsDefault, .At = {16, y, 150, 17}, .Style = WS_GROUP});
    rbTTLCustom.Create(at, {.Id = ids::kRbTTLCustom, .Text = t::kCustom, .At = {16, y + 22, 80, 17}});
    CreateSpinner(at, txtTTL, udTTL, ids::kTxtTTL, ids::kUdTTL, 100, y + 20, kTtlRange);
    y += 48;
    gbTTL.Create(at, {.Id = ids::kGbTTL, .Text = t::kTtlGroup, .At = {6, ttlTop, width - 12, y - ttlTop}});

    rbRWINDefault.OnClick = [this] { editor_.CheckRWINDefault(); };
    rbRWINCustom.OnClick = [this] { editor_.CheckRWINCustom(); };
    udRWIN.OnChanging = [this](int position) { editor_.udRWINChangingEx(position); };
    rbTTLDefault.OnClick = [this] { editor_.CheckTTLDefault(); };
    rbTTLCustom.OnClick = [this] { editor_.CheckTTLCustom(); };
    udTTL.OnChanging = [this](int position) { editor_.udTTLChanging(position); };
}

void TAdvancedPage::CreateHttpTab(const Surface& at, int width, int height) {
    gbHTTP.Create(at, {.Id = ids::kGbHTTP, .Text = t::kHttpGroup, .At = {6, 4, width - 12, height - 10}});
    int y = AddText(at, t::kHttpText, 16, 22, width - 32);
    chkHTTPConn.Create(at,
                       {.Id = ids::kChkHTTPConn, .Text = t::kChangeValues, .At = {16, y, 200, 17}, .Style = WS_GROUP});
    y += 26;
    const Bounds bar10{84, y, width - 108, 30};
    const Bounds bar11{84, y + 54, width - 108, 30};
    lblHTTP10Left.Create(at, {.Id = ids::kLblHTTP10Left, .Text = t::kHttp10, .At = {16, bar10.Y + 8, 60, 14}});
    tbHTTP10.Create(at, {.Id = ids::kTbHTTP10, .At = bar10});
    lblHTTP10.Create(at, {.Id = ids::kLblHTTP10, .At = UnderMiddle(bar10, 30, 14), .Style = SS_CENTER});
    lblHTTP11Left.Create(at, {.Id = ids::kLblHTTP11Left, .Text = t::kHttp11, .At = {16, bar11.Y + 8, 60, 14}});
    tbHTTP11.Create(at, {.Id = ids::kTbHTTP11, .At = bar11});
    lblHTTP11.Create(at, {.Id = ids::kLblHTTP11, .At = UnderMiddle(bar11, 30, 14), .Style = SS_CENTER});
    for (TTrackBar* bar : {&tbHTTP10, &tbHTTP11}) bar->SetRange(kHttpRange.Min, kHttpRange.Max);

    chkHTTPConn.OnClick = [this] { editor_.SetHTTPConn(chkHTTPConn.Checked()); };
    tbHTTP10.OnChange = [this] { editor_.tbHTTP10Change(tbHTTP10.Position()); };
    tbHTTP11.OnChange = [this] { editor_.tbHTTP11Change(tbHTTP11.Position()); };
}

void TAdvancedPage::CreateTcplwTab(const Surface& at, int width, int height) {
    gbTCPLW.Create(at, {.Id = ids::kGbTCPLW, .Text = t::kTcplwGroup, .At = {6, 4, width - 12, height - 10}});
    const int y = AddText(at, t::kTcplwText, 16, 22, width - 32) + 8;
    chkTCPLW.Create(at, {.Id = ids::kChkTCPLW, .Text = t::kEnable, .At = {16, y, 120, 17}, .Style = WS_GROUP});
    cbTCPLW.Create(at, {.Id = ids::kCbTCPLW, .At = {16, y + 26, 220, 200}});
    cbTCPLW.SetItems(std::vector<std::string>(t::kTcplwChoices.begin(), t::kTcplwChoices.end()));
    CreateNotUsed(at, lblNotUsedTcplw, ids::kLblNotUsedTcplw, 16, y + 56, width - 32);

    chkTCPLW.OnClick = [this] { editor_.SetTCPLW(chkTCPLW.Checked()); };
    cbTCPLW.OnChange = [this] { editor_.ChooseTCPLW(cbTCPLW.ItemIndex()); };
}

void TAdvancedPage::CreateAckTab(const Surface& at, int width, int height) {
    gbACK.Create(at, {.Id = ids::kGbACK, .Text = t::kAckGroup, .At = {6, 4, width - 12, height - 10}});
    const int y = AddText(at, t::kAckText, 16, 22, width - 32) + 8;
    rbACKDefault.Create(
        at, {.Id = ids::kRbACKDefault, .Text = t::kWindowsDefault, .At = {16, y, 150, 17}, .Style = WS_GROUP});
    rbACKCustom.Create(at, {.Id = ids::kRbACKCustom, .Text = t::kCustom, .At = {16, y + 24, 80, 17}});
    CreateSpinner(at, txtACK, udACK, ids::kTxtACK, ids::kUdACK, 100, y + 22, kAckRange);
    CreateNotUsed(at, lblNotUsedAck, ids::kLblNotUsedAck, 16, y + 52, width - 32);

    rbACKDefault.OnClick = [this] { editor_.CheckACKDefault(); };
    rbACKCustom.OnClick = [this] { editor_.CheckACKCustom(); };
    udACK.OnChanging = [this](int position) { editor_.udACKChanging(position); };
}

void TAdvancedPage::CreateNotUsed(const Surface& at, TLabel& label, int id, int x, int y, int width) {
    label.Create(at, {.Id = id, .Text = t::kNotUsedHere, .At = {x, y, width, 14}});
    label.SetEnabled(false);
}

// A list of the settings with what each holds now, Windows' default and the value "Apply" is to
// set; under it the selected one's "Set to" list and why.
void TAdvancedPage::CreateModernTab(const Surface& at, int width, int height) {
    gbModern.Create(at, {.Id = ids::kGbModern, .Text = t::kModernGroup, .At = {6, 4, width - 12, height - 10}});
    // Two lines for the status; the list takes what the rows below it leave.
    lblModernStatus.Create(at, {.Id = ids::kLblModernStatus, .At = {16, 22, width - 32, 28}});
    const int listTop = 54;
    const int listWidth = width - 32;
    const int whyHeight = 42;
    const int setToY = height - 14 - whyHeight - 6 - 21;
    ListViewModern.Create(at, {.Id = ids::kListViewModern,
                               .At = {16, listTop, listWidth, setToY - 8 - listTop},
                               .Style = WS_GROUP | LVS_NOSORTHEADER});
    const int valueWidth = 80;
    ListViewModern.AddColumn(t::kModernSetting,
                             listWidth - 4 - 2 * valueWidth - at.Unscale(GetSystemMetrics(SM_CXVSCROLL)));
    for (const char* caption : {t::kModernCurrent, t::kModernNew}) ListViewModern.AddColumn(caption, valueWidth);
    lblModernSetTo.Create(at, {.Id = ids::kLblModernSetTo, .Text = t::kModernSetTo, .At = {16, setToY + 3, 50, 14}});
    cbModern.Create(at,
                    {.Id = ids::kCbModern, .At = {lblModernSetTo.Right() + 6, setToY, 170, 200}, .Style = WS_GROUP});
    lblModernWhy.Create(at, {.Id = ids::kLblModernWhy, .At = {16, setToY + 27, width - 32, whyHeight}});

    ListViewModern.OnChange = [this] { editor_.SelectModern(ListViewModern.ItemIndex()); };
    // Entry 0 of the list is "(leave as it is)"; the model's entries follow it.
    cbModern.OnChange = [this] { editor_.ChooseModern(cbModern.ItemIndex() - 1); };
}

void TAdvancedPage::UpdateView() {
    if (!ContentCreated()) return;
    const AdvancedControls& c = editor_.Controls();
    rbEnableBlackHoleDetection.SetChecked(c.rbEnableBlackHoleDetection);
    rbEnableAutoMTUDetection.SetChecked(c.rbEnableAutoMTUDetection);
    chkSACK.SetChecked(c.chkSACK);

    std::vector<ListRow> rows;
    for (const AdapterItem& item : adapters_.Items()) rows.push_back({{item.Caption}, 0});
    ListViewAdapters.SetRows(rows);
    ListViewAdapters.SetItemIndex(adapters_.Selected());
    rbMTUDefault.SetChecked(adapters_.MtuDefaultChecked());
    rbMTU.SetChecked(adapters_.MtuChecked());
    cbMTU.SetItemIndex(adapters_.MtuIndex());
    cbMTU.SetEnabled(adapters_.MtuListEnabled());

    rbRWINDefault.SetChecked(c.rbRWIN.Default);
    rbRWINCustom.SetChecked(c.rbRWIN.Custom);
    udRWIN.SetPosition(c.udRWIN);
    lblRWINValue.SetText(c.lblRWINValue);
    for (TControl* control : std::initializer_list<TControl*>{&txtRWIN, &udRWIN, &lblRWINValueLbl, &lblRWINValue})
        control->SetEnabled(c.RWINEnabled);
    rbTTLDefault.SetChecked(c.rbTTL.Default);
    rbTTLCustom.SetChecked(c.rbTTL.Custom);
    udTTL.SetPosition(c.udTTL);
    txtTTL.SetEnabled(c.TTLEnabled);
    udTTL.SetEnabled(c.TTLEnabled);

    chkHTTPConn.SetChecked(c.chkHTTPConn);
    tbHTTP10.SetPosition(c.tbHTTP10);
    tbHTTP11.SetPosition(c.tbHTTP11);
    lblHTTP10.SetText(c.lblHTTP10);
    lblHTTP11.SetText(c.lblHTTP11);
    for (TControl* control :
         std::initializer_list<TControl*>{&tbHTTP10, &tbHTTP11, &lblHTTP10, &lblHTTP11, &lblHTTP10Left, &lblHTTP11Left})
        control->SetEnabled(c.HTTPEnabled);

    chkTCPLW.SetChecked(c.chkTCPLW);
    cbTCPLW.SetItemIndex(c.cbTCPLW);
    cbTCPLW.SetEnabled(c.cbTCPLWEnabled);

    rbACKDefault.SetChecked(c.rbACK.Default);
    rbACKCustom.SetChecked(c.rbACK.Custom);
    udACK.SetPosition(c.udACK);
    txtACK.SetEnabled(c.ACKEnabled);
    udACK.SetEnabled(c.ACKEnabled);

    // Greyed where this Windows no longer reads the value; "Apply" writes it all the same.
    for (TControl* control : std::initializer_list<TControl*>{&rbRWINDefault, &rbRWINCustom, &txtRWIN, &udRWIN,
                                                              &lblRWINValueLbl, &lblRWINValue})
        if (!c.WindowUsed) control->SetEnabled(false);
    if (!c.SackUsed) chkSACK.SetEnabled(false);
    if (!c.Tcp1323Used) {
        chkTCPLW.SetEnabled(false);
        cbTCPLW.SetEnabled(false);
    }
    if (!c.DupAcksUsed) {
        for (TControl* control : std::initializer_list<TControl*>{&rbACKDefault, &rbACKCustom, &txtACK, &udACK})
            control->SetEnabled(false);
    }
    lblNotUsedRwin.SetVisible(!c.WindowUsed);
    lblNotUsedSack.SetVisible(!c.SackUsed);
    lblNotUsedTcplw.SetVisible(!c.Tcp1323Used);
    lblNotUsedAck.SetVisible(!c.DupAcksUsed);

    const ModernTab& modern = editor_.Modern();
    if (modern.Shown) {
        lblModernStatus.SetText(modern.Status);
        std::vector<std::vector<std::string>> rows;
        for (const ModernRow& row : modern.Rows) rows.push_back({row.Caption, row.Current, row.New});
        ListViewModern.SetRows(rows);
        ListViewModern.SetItemIndex(modern.Selected);
        if (shownModernRow_ != modern.Selected) {
            shownModernRow_ = modern.Selected;
            std::vector<std::string> entries{t::kModernLeave};
            if (modern.Selected >= 0) {
                const auto& row = modern.Rows[static_cast<std::size_t>(modern.Selected)];
                entries.insert(entries.end(), row.Entries.begin(), row.Entries.end());
            }
            cbModern.SetItems(entries);
        }
        const int chosen = modern.Selected >= 0 ? modern.Rows[static_cast<std::size_t>(modern.Selected)].Chosen : -1;
        cbModern.SetItemIndex(modern.Selected >= 0 ? chosen + 1 : -1);
        cbModern.SetEnabled(modern.ChoiceEnabled);
        lblModernSetTo.SetEnabled(modern.ChoiceEnabled);
        lblModernWhy.SetText(modern.Why);
    }

    btnApply.SetEnabled(editor_.ApplyEnabled());
    btnUndoLastChange.SetEnabled(undoAvailable_ && undoAvailable_());
}

}  // namespace tarvex
