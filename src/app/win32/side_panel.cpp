#include "app/win32/side_panel.h"

#include <string>

#include "app/main_form_texts.h"
#include "app/win32/control_ids.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

constexpr COLORREF kPanelTarvexBackground = 16774127;
constexpr COLORREF kPanelBackground = 16244694;
constexpr COLORREF kLinkHeaderColor = 12999969;

}  // namespace

void TSidePanel::Create(const Surface& frame, const RECT& at, const Fonts& fonts, HIMAGELIST leftMenuImages) {
    frame_ = frame;
    images_ = leftMenuImages;
    group_.Create(frame.Parent, at.left, at.top, at.right - at.left, at.bottom - at.top, frame.Dpi);
    SetWindowLongPtrW(group_.Handle(), GWLP_ID, ids::kAdvPanelGroup);
    SetWindowTextW(group_.Handle(), L"AdvPanelGroup");

    TAdvPanel& program = group_.AddPanel(Utf8ToWide(texts::kSidePanelProgram), 88, kPanelTarvexBackground, fonts.Bold);
    CreateLinks(QmHtmlLabel1, program.Handle(), ids::kQmHtmlLabel1, texts::kQmHtmlLabel1, SideLabel::QmHtmlLabel1);
    TAdvPanel& help = group_.AddPanel(Utf8ToWide(texts::kSidePanelHelp), 88, kPanelBackground, fonts.Bold);
    CreateLinks(QmHtmlLabel2, help.Handle(), ids::kQmHtmlLabel2, texts::kQmHtmlLabel2, SideLabel::QmHtmlLabel2);

    TAdvPanel& connection = group_.AddPanel(Utf8ToWide(texts::kSidePanelConnection), 106, kPanelBackground, fonts.Bold);
    const Surface in{connection.Handle(), frame.Dpi, fonts.Normal};
    const DWORD ellipsis = SS_ENDELLIPSIS;
    lblAdapterName.Create(in,
                          {.Id = ids::kLblAdapterName, .At = {8, 30, 150, 14}, .Style = ellipsis, .Font = fonts.Bold});
    lblChangeAdapter.Create(in.Parent, ids::kLblChange, in.Scale(160), in.Scale(30), in.Scale(45), in.Scale(14));
    SendMessageW(lblChangeAdapter.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Normal), FALSE);
    lblChangeAdapter.SetLinkColor(kLinkHeaderColor);
    lblChangeAdapter.SetLinkHover(true);
    lblChangeAdapter.SetLinkHoverUnderline(false);
    lblChangeAdapter.SetCaption("<A href=\"#1\">" + std::string(texts::kChange) + "</A>");
    lblChangeAdapter.OnLinkClick = [this](const std::string& id) {
        if (id == "#1") Navigate(RouteOf(NavItem::lblChangeAdapter));
    };
    lblDownloading.Create(in, {.Id = ids::kLblDownloading, .Text = texts::kDownloading, .At = {8, 52, 90, 14}});
    lblRateIn2.Create(in, {.Id = ids::kLblRateIn2, .At = {100, 52, 100, 14}, .Style = SS_RIGHT | ellipsis});
    lblSending.Create(in, {.Id = ids::kLblSending, .Text = texts::kSendingData, .At = {8, 72, 90, 14}});
    lblRateOut2.Create(in, {.Id = ids::kLblRateOut2, .At = {100, 72, 100, 14}, .Style = SS_RIGHT | ellipsis});
}

void TSidePanel::ShowConnection(const std::string& adapterName, const std::string& rateIn, const std::string& rateOut) {
    lblAdapterName.SetText(adapterName);
    lblRateIn2.SetText(rateIn);
    lblRateOut2.SetText(rateOut);
}

void TSidePanel::CreateLinks(TQmHtmlLabel& label, HWND panel, int id, const char* caption, SideLabel which) {
    label.Create(panel, id, frame_.Scale(8), frame_.Scale(TAdvPanel::kHeaderHeight + 8),
                 group_.PanelWidth() - frame_.Scale(10), frame_.Scale(50));
    SendMessageW(label.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(frame_.Font), FALSE);
    label.SetImages(images_, 0);
    // Links in the colour of hot-tracked items, highlighted on hover, never underlined.
    label.SetLinkColor(kClSystemColor | COLOR_HOTLIGHT);
    label.SetLinkHoverColor(kClSystemColor | COLOR_HIGHLIGHT);
    label.SetLinkHover(true);
    label.SetLinkHoverUnderline(false);
    label.SetAutoHeight(true);
    label.SetCaption(caption);
    label.OnLinkClick = [this, which](const std::string& linkId) {
        if (const auto route = SideLinkRoute(which, linkId)) Navigate(*route);
    };
}

}  // namespace tarvex
