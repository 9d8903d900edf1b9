#include "update/web_browser_control.h"

#include "update/system_page_browser.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <exdisp.h>
#include <ole2.h>
#include <stdexcept>
#include <windows.h>

namespace vornel {

// What an in-place control needs of its container: a client site, an
// in-place site and a frame, all in one object that lives as long as the
// control holds it.
class BrowserSite : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    explicit BrowserSite(HWND window) : window_(window) {}
    virtual ~BrowserSite() = default;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        *out = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                               LPRECT position, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO info) override {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *doc = nullptr;
        GetClientRect(window_, position);
        GetClientRect(window_, clip);
        info->fMDIApp = FALSE;
        info->hwndFrame = window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no menus, no tool space.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    HWND window_;
    ULONG references_ = 1;
};

namespace {

void fail(const char* what, HRESULT result) {
    throw std::runtime_error(
        QCoreApplication::translate("PageBrowser",
                                    "Le navigateur intégré ne peut pas être créé : %1 (0x%2)")
            .arg(QString::fromLatin1(what))
            .arg(quint32(result), 8, 16, QChar(u'0'))
            .toStdString());
}

} // namespace

WebBrowserControl::WebBrowserControl(QWidget* area) : WebBrowserControl(area, CLSID_WebBrowser) {}

// The destructor does not run for a constructor that throws: what was taken
// by then is given back here, or every click that tries again leaks it.
WebBrowserControl::WebBrowserControl(QWidget* area, const CLSID& control) : QWidget(area) {
    setAttribute(Qt::WA_NativeWindow);
    setGeometry(area->rect());
    // The program's Qt has made the thread ready for OLE; this only counts.
    oleCounted_ = SUCCEEDED(OleInitialize(nullptr));
    try {
        embed(control);
    } catch (...) {
        release();
        throw;
    }
    show();
}

void WebBrowserControl::embed(const CLSID& control) {
    const HWND window = reinterpret_cast<HWND>(winId());
    HRESULT result = CoCreateInstance(control, nullptr, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                      reinterpret_cast<void**>(&browser_));
    if (FAILED(result)) fail("CoCreateInstance", result);
    site_ = new BrowserSite(window);
    IOleObject* object = nullptr;
    result = browser_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
    if (FAILED(result)) fail("IOleObject", result);
    object->SetClientSite(site_);
    RECT rect{0, 0, width(), height()};
    result = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, window, &rect);
    object->Release();
    if (FAILED(result)) fail("DoVerb", result);
}

WebBrowserControl::~WebBrowserControl() {
    release();
}

void WebBrowserControl::release() {
    if (browser_) {
        IOleObject* object = nullptr;
        if (SUCCEEDED(
                browser_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)))) {
            object->Close(OLECLOSE_NOSAVE);
            object->SetClientSite(nullptr);
            object->Release();
        }
        browser_->Release();
        browser_ = nullptr;
    }
    if (site_) site_->Release();
    site_ = nullptr;
    if (oleCounted_) OleUninitialize();
    oleCounted_ = false;
}

void WebBrowserControl::Navigate(const QString& address) {
    VARIANT url;
    VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = SysAllocString(reinterpret_cast<const OLECHAR*>(address.utf16()));
    VARIANT none;
    VariantInit(&none);
    HRESULT result = browser_->Navigate2(&url, &none, &none, &none, &none);
    VariantClear(&url);
    if (FAILED(result))
        throw std::runtime_error(
            QCoreApplication::translate("PageBrowser", "L'adresse ne peut pas être demandée : %1")
                .arg(address)
                .toStdString());
}

void WebBrowserControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    IOleInPlaceObject* inPlace = nullptr;
    if (browser_ && SUCCEEDED(browser_->QueryInterface(IID_IOleInPlaceObject,
                                                       reinterpret_cast<void**>(&inPlace)))) {
        RECT rect{0, 0, width(), height()};
        inPlace->SetObjectRects(&rect, &rect);
        inPlace->Release();
    }
}

std::unique_ptr<PageBrowser> makeSystemPageBrowser(QWidget* area) {
    return std::make_unique<WebBrowserControl>(area);
}

} // namespace vornel
