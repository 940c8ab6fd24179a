#include "tuning/win32/advanced_page.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "resource_ids.h"
#include "tuning/advanced_texts.h"

namespace tarvex {
namespace {

namespace t = advanced_texts;

enum Tab { kWelcomeTab, kGeneralTab, kMtuTab, kRwinTtlTab, kHttpTab, kTcplwTab, kAckTab };

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
    const int width = PageControlAdvanced.PageWidth();
    const int height = PageControlAdvanced.PageHeight();

    const Surface& welcome = tabs[kWelcomeTab];
    HTMLabelAdvanced.Create(welcome.Parent, ids::kHTMLabelAdvanced, welcome.Scale(12), welcome.Scale(12),
                            welcome.Scale(width - 24), welcome.Scale(height - 24));
    SendMessageW(HTMLabelAdvanced.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(welcome.Font), FALSE);
    HTMLabelAdvanced.SetCaption(t::kWelcome);

    CreateGeneralTab(tabs[kGeneralTab], width, height);
    CreateMtuTab(tabs[kMtuTab], width, height);
    CreateRwinTtlTab(tabs[kRwinTtlTab], width);
    CreateHttpTab(tabs[kHttpTab], width, height);
    CreateTcplwTab(tabs[kTcplwTab], width, height);
    CreateAckTab(tabs[kAckTab], width, height);
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
    UpdateView();
}

void TAdvancedPage::AddText(const Surface& at, const char* text, const Bounds& bounds) {
    auto label = std::make_unique<TLabel>();
    label->Create(at, {.Id = ids::kFirstAdvancedText + static_cast<int>(texts_.size()), .Text = text, .At = bounds});
    texts_.push_back(std::move(label));
}

void TAdvancedPage::CreateSpinner(const Surface& at, TEdit& box, TUpDown& spinner, int boxId, int spinnerId, int x,
                                  int y, const PositionRange& range) {
    box.Create(at, {.Id = boxId, .At = {x, y, 48, 21}, .Style = ES_READONLY | ES_RIGHT | WS_GROUP});
    spinner.Create(at, {.Id = spinnerId, .At = {x + 48, y, 16, 21}});
    spinner.SetBuddy(box);
    spinner.SetRange(range.Min, range.Max);
    spinner.SetStep(range.Step);
}

void TAdvancedPage::CreateGeneralTab(const Surface& at, int width, int height) {
    gbGeneral.Create(at,
                     {.Id = ids::kGbGeneralSettings, .Text = t::kGeneralGroup, .At = {6, 4, width - 12, height - 10}});
    const int textWidth = width - 46;
    rbEnableBlackHoleDetection.Create(at, {.Id = ids::kRbEnableBlackHoleDetection,
                                           .Text = t::kEnableBlackHoleDetection,
                                           .At = {16, 24, 260, 17},
                                           .Style = WS_GROUP});
    AddText(at, t::kBlackHoleText, {34, 42, textWidth, 40});
    rbEnableAutoMTUDetection.Create(
        at, {.Id = ids::kRbEnableAutoMTUDetection, .Text = t::kEnableAutoMTUDetection, .At = {16, 88, 260, 17}});
    AddText(at, t::kAutoMtuText, {34, 106, textWidth, 28});
    chkSACK.Create(at, {.Id = ids::kChkSACK, .Text = t::kSack, .At = {16, 140, 260, 17}});
    AddText(at, t::kSackText, {34, 158, textWidth, 80});

    rbEnableBlackHoleDetection.OnClick = [this] {
        editor_.SetBlackHoleDetection(rbEnableBlackHoleDetection.Checked());
    };
    rbEnableAutoMTUDetection.OnClick = [this] { editor_.SetAutoMTUDetection(rbEnableAutoMTUDetection.Checked()); };
    chkSACK.OnClick = [this] { editor_.SetSACK(chkSACK.Checked()); };
}

void TAdvancedPage::CreateMtuTab(const Surface& at, int width, int height) {
    gbMTU.Create(at, {.Id = ids::kGbMTU, .Text = t::kMtuGroup, .At = {6, 4, width - 12, height - 10}});
    AddText(at, t::kMtuText, {16, 22, width - 32, 28});
    ListViewAdapters.Create(
        at,
        {.Id = ids::kListViewAdapters, .At = {16, 54, width - 32, height - 134}, .Style = WS_GROUP | LVS_NOSORTHEADER});
    images_ = LoadImageStrip(IDB_IMAGELIST16_PROGRESS, 16);
    ListViewAdapters.SetImages(images_.get());
    ListViewAdapters.AddColumn(t::kAdapterNameColumn, width - 32 - 4 - GetSystemMetrics(SM_CXVSCROLL) * 96 / at.Dpi);
    const int y = height - 72;
    rbMTUDefault.Create(
        at, {.Id = ids::kRbMTUDefault, .Text = t::kWindowsDefault, .At = {16, y, 200, 17}, .Style = WS_GROUP});
    rbMTU.Create(at, {.Id = ids::kRbMTU, .At = {16, y + 26, 16, 17}});
    cbMTU.Create(at, {.Id = ids::kCbMTU, .At = {36, y + 23, width - 56, 200}, .Style = WS_GROUP});
    cbMTU.SetItems(std::vector<std::string>(kMtuTexts.begin(), kMtuTexts.end()));

    ListViewAdapters.OnChange = [this] { adapters_.Select(ListViewAdapters.ItemIndex()); };
    rbMTUDefault.OnClick = [this] { adapters_.CheckMtuDefault(); };
    rbMTU.OnClick = [this] { adapters_.CheckMtu(); };
    cbMTU.OnChange = [this] { adapters_.ChooseMtuIndex(cbMTU.ItemIndex()); };
}

void TAdvancedPage::CreateRwinTtlTab(const Surface& at, int width) {
    gbRWIN.Create(at, {.Id = ids::kGbRWIN, .Text = t::kRwinGroup, .At = {6, 4, width - 12, 166}});
    AddText(at, t::kRwinText, {16, 22, width - 32, 54});
    rbRWINDefault.Create(
        at, {.Id = ids::kRbRWINDefault, .Text = t::kWindowsDefault, .At = {16, 80, 150, 17}, .Style = WS_GROUP});
    rbRWINCustom.Create(at, {.Id = ids::kRbRWINCustom, .Text = t::kCustom, .At = {16, 106, 80, 17}});
    CreateSpinner(at, txtRWIN, udRWIN, ids::kTxtRWIN, ids::kUdRWIN, 100, 104, kRwinRange);
    lblTimes.Create(at, {.Id = 0, .Text = t::kTimes, .At = {170, 107, 10, 14}});
    lblRWINValueLbl.Create(
        at, {.Id = ids::kLblRWINValueLbl, .Text = t::kRwinValueCaption, .At = {34, 138, 140, 14}, .Style = WS_GROUP});
    lblRWINValue.Create(at, {.Id = ids::kLblRWINValue, .At = {lblRWINValueLbl.Right() + 6, 138, 80, 14}});

    gbTTL.Create(at, {.Id = ids::kGbTTL, .Text = t::kTtlGroup, .At = {6, 176, width - 12, 106}});
    AddText(at, t::kTtlText, {16, 194, width - 32, 28});
    rbTTLDefault.Create(
        at, {.Id = ids::kRbTTLDefault, .Text = t::kWindowsDefault, .At = {16, 226, 150, 17}, .Style = WS_GROUP});
    rbTTLCustom.Create(at, {.Id = ids::kRbTTLCustom, .Text = t::kCustom, .At = {16, 252, 80, 17}});
    CreateSpinner(at, txtTTL, udTTL, ids::kTxtTTL, ids::kUdTTL, 100, 250, kTtlRange);

    rbRWINDefault.OnClick = [this] { editor_.CheckRWINDefault(); };
    rbRWINCustom.OnClick = [this] { editor_.CheckRWINCustom(); };
    udRWIN.OnChanging = [this](int position) { editor_.udRWINChangingEx(position); };
    rbTTLDefault.OnClick = [this] { editor_.CheckTTLDefault(); };
    rbTTLCustom.OnClick = [this] { editor_.CheckTTLCustom(); };
    udTTL.OnChanging = [this](int position) { editor_.udTTLChanging(position); };
}

void TAdvancedPage::CreateHttpTab(const Surface& at, int width, int height) {
    gbHTTP.Create(at, {.Id = ids::kGbHTTP, .Text = t::kHttpGroup, .At = {6, 4, width - 12, height - 10}});
    AddText(at, t::kHttpText, {16, 22, width - 32, 80});
    chkHTTPConn.Create(
        at, {.Id = ids::kChkHTTPConn, .Text = t::kChangeValues, .At = {16, 108, 200, 17}, .Style = WS_GROUP});
    const Bounds bar10{84, 138, width - 108, 30};
    const Bounds bar11{84, 196, width - 108, 30};
    lblHTTP10Left.Create(at, {.Id = ids::kLblHTTP10Left, .Text = t::kHttp10, .At = {16, 146, 60, 14}});
    tbHTTP10.Create(at, {.Id = ids::kTbHTTP10, .At = bar10});
    lblHTTP10.Create(at, {.Id = ids::kLblHTTP10, .At = UnderMiddle(bar10, 30, 14), .Style = SS_CENTER});
    lblHTTP11Left.Create(at, {.Id = ids::kLblHTTP11Left, .Text = t::kHttp11, .At = {16, 204, 60, 14}});
    tbHTTP11.Create(at, {.Id = ids::kTbHTTP11, .At = bar11});
    lblHTTP11.Create(at, {.Id = ids::kLblHTTP11, .At = UnderMiddle(bar11, 30, 14), .Style = SS_CENTER});
    for (TTrackBar* bar : {&tbHTTP10, &tbHTTP11}) bar->SetRange(kHttpRange.Min, kHttpRange.Max);

    chkHTTPConn.OnClick = [this] { editor_.SetHTTPConn(chkHTTPConn.Checked()); };
    tbHTTP10.OnChange = [this] { editor_.tbHTTP10Change(tbHTTP10.Position()); };
    tbHTTP11.OnChange = [this] { editor_.tbHTTP11Change(tbHTTP11.Position()); };
}

void TAdvancedPage::CreateTcplwTab(const Surface& at, int width, int height) {
    gbTCPLW.Create(at, {.Id = ids::kGbTCPLW, .Text = t::kTcplwGroup, .At = {6, 4, width - 12, height - 10}});
    AddText(at, t::kTcplwText, {16, 22, width - 32, 28});
    chkTCPLW.Create(at, {.Id = ids::kChkTCPLW, .Text = t::kEnable, .At = {16, 58, 120, 17}, .Style = WS_GROUP});
    cbTCPLW.Create(at, {.Id = ids::kCbTCPLW, .At = {16, 84, 220, 200}});
    cbTCPLW.SetItems(std::vector<std::string>(t::kTcplwChoices.begin(), t::kTcplwChoices.end()));

    chkTCPLW.OnClick = [this] { editor_.SetTCPLW(chkTCPLW.Checked()); };
    cbTCPLW.OnChange = [this] { editor_.ChooseTCPLW(cbTCPLW.ItemIndex()); };
}

void TAdvancedPage::CreateAckTab(const Surface& at, int width, int height) {
    gbACK.Create(at, {.Id = ids::kGbACK, .Text = t::kAckGroup, .At = {6, 4, width - 12, height - 10}});
    AddText(at, t::kAckText, {16, 22, width - 32, 54});
    rbACKDefault.Create(
        at, {.Id = ids::kRbACKDefault, .Text = t::kWindowsDefault, .At = {16, 84, 150, 17}, .Style = WS_GROUP});
    rbACKCustom.Create(at, {.Id = ids::kRbACKCustom, .Text = t::kCustom, .At = {16, 110, 80, 17}});
    CreateSpinner(at, txtACK, udACK, ids::kTxtACK, ids::kUdACK, 100, 108, kAckRange);

    rbACKDefault.OnClick = [this] { editor_.CheckACKDefault(); };
    rbACKCustom.OnClick = [this] { editor_.CheckACKCustom(); };
    udACK.OnChanging = [this](int position) { editor_.udACKChanging(position); };
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

    btnApply.SetEnabled(editor_.ApplyEnabled());
}

}  // namespace tarvex
