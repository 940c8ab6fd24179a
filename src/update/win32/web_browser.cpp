#include "update/win32/web_browser.h"

#include <exdisp.h>
#include <mshtmhst.h>

#include <optional>

#include "common/win32/window_utils.h"
#include "platform/win32/com.h"
#include "platform/win32/unicode.h"

namespace tarvex {

// The browser's side of the window: its client site, in-place site and frame, and its host-UI
// handler. Reference counted, as COM wants; the window holds one reference for its life.
class WebBrowserSite final : public IOleClientSite,
                             public IOleInPlaceSite,
                             public IOleInPlaceFrame,
                             public IDocHostUIHandler {
public:
    WebBrowserSite(HWND window, const ComApi& api) : window_(window), api_(api) {}

    // Makes the browser and puts it in place; false when any step fails.
    bool Embed() {
        IOleObject* object = nullptr;
        if (FAILED(api_.CreateInstance(__uuidof(WebBrowser), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IOleObject),
                                       reinterpret_cast<void**>(&object))))
            return false;
        object_.reset(object);
        if (FAILED(object_->SetClientSite(this))) return false;
        RECT client;
        GetClientRect(window_, &client);
        if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, window_, &client))) return false;
        IWebBrowser2* browser = nullptr;
        if (FAILED(object_->QueryInterface(__uuidof(IWebBrowser2), reinterpret_cast<void**>(&browser)))) return false;
        browser_.reset(browser);
        return true;
    }

    // Takes the browser out of place and lets it go.
    void Detach() {
        browser_.reset();
        if (object_) {
            object_->Close(OLECLOSE_NOSAVE);
            object_->SetClientSite(nullptr);
            object_.reset();
        }
    }

    IWebBrowser2* Browser() const { return browser_.get(); }

    void Resize() {
        if (!object_) return;
        IOleInPlaceObject* inPlace = nullptr;
        if (SUCCEEDED(object_->QueryInterface(__uuidof(IOleInPlaceObject), reinterpret_cast<void**>(&inPlace)))) {
            RECT client;
            GetClientRect(window_, &client);
            inPlace->SetObjectRects(&client, &client);
            inPlace->Release();
        }
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IOleClientSite)) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == __uuidof(IOleWindow) || iid == __uuidof(IOleInPlaceSite)) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == __uuidof(IOleInPlaceUIWindow) || iid == __uuidof(IOleInPlaceFrame)) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else if (iid == __uuidof(IDocHostUIHandler)) {
            *out = static_cast<IDocHostUIHandler*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (of the in-place site and the frame alike)
    STDMETHODIMP GetWindow(HWND* window) override {
        *window = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position, RECT* clip,
                                  OLEINPLACEFRAMEINFO* info) override {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        GetClientRect(window_, position);
        GetClientRect(window_, clip);
        info->fMDIApp = FALSE;
        info->hwndFrame = window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override {
        Resize();
        return S_OK;
    }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no toolbars, menus or status line to share.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler: the two answers of this host, neutral ones elsewhere.
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override {
        return S_OK;  // the browser's own menu is suppressed, and the window has none of its own
    }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
        if (!info) return E_POINTER;
        info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_DIALOG;
        if (VisualStylesInUse()) {
            info->dwFlags |= DOCHOSTUIFLAG_THEME;
        } else if (VisualStylesAvailable()) {
            info->dwFlags |= DOCHOSTUIFLAG_NOTHEME;
        }
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        // An empty extra style sheet, which the browser frees with the task allocator.
        auto* css = static_cast<OLECHAR*>(api_.TaskMemAlloc(sizeof(OLECHAR)));
        if (!css) return E_OUTOFMEMORY;
        css[0] = L'\0';
        info->pchHostCss = css;
        info->pchHostNS = nullptr;
        return S_OK;
    }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override {
        return S_FALSE;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override {
        *key = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** target) override {
        *target = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch** external) override {
        *external = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
        *out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override {
        *out = nullptr;
        return S_FALSE;
    }

private:
    ~WebBrowserSite() = default;

    HWND window_;
    const ComApi& api_;
    ULONG references_ = 1;
    ComPtr<IOleObject> object_;
    ComPtr<IWebBrowser2> browser_;
};

void WebBrowserSiteRelease::operator()(WebBrowserSite* site) const noexcept {
    site->Detach();
    site->Release();
}

TWebBrowser::TWebBrowser() = default;
TWebBrowser::~TWebBrowser() = default;

void TWebBrowser::Create(HWND parent, int id, const RECT& bounds) {
    RegisterWindowClass(kClassName, 0, GetSysColorBrush(COLOR_WINDOW));
    CreateHandle(kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, bounds.left, bounds.top,
                 bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
    Embed();
}

void TWebBrowser::Embed() {
    const ComApi* api = LoadComApi();
    if (api) ole_.emplace(*api);
    if (!api || !ole_->Ready()) {
        failure_ = L"The page cannot be shown: OLE is not available on this computer.";
        return;
    }
    site_.reset(new WebBrowserSite(Handle(), *api));
    if (!site_->Embed()) {
        site_.reset();
        failure_ = L"The page cannot be shown: the web browser control could not be created.";
    }
}

bool TWebBrowser::Available() const {
    return site_ && site_->Browser();
}

bool TWebBrowser::Navigate(std::string_view url) {
    if (!Available()) return false;
    const Bstr address(*LoadComApi(), url);
    if (!address) return false;
    return SUCCEEDED(site_->Browser()->Navigate(address.get(), nullptr, nullptr, nullptr, nullptr));
}

void TWebBrowser::Paint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(Handle(), &paint);
    if (!failure_.empty()) {
        RECT client;
        GetClientRect(Handle(), &client);
        InflateRect(&client, -8, -8);
        const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextW(dc, failure_.c_str(), -1, &client, DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, previous);
    }
    EndPaint(Handle(), &paint);
}

LRESULT TWebBrowser::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (site_) site_->Resize();
            return 0;
        case WM_PAINT:
            Paint();
            return 0;
        default:
            return Window::OnMessage(message, wParam, lParam);
    }
}

}  // namespace tarvex
