// The browser of the update page, built as the module libvornel_webpage.so
// so that the web engine is loaded only when the page is first requested.
#include "update/page_browser.h"

#include <QCoreApplication>
#include <QPointer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <stdexcept>

namespace {

class WebPageBrowser : public vornel::PageBrowser {
public:
    explicit WebPageBrowser(QWidget* area)
        // Nothing of the page is kept on disk: all lasting state of the program
        // is its settings file and its log.
        : profile_(new QWebEngineProfile), view_(new QWebEngineView(area)) {
        view_->setObjectName(QStringLiteral("wb"));
        view_->setPage(new QWebEnginePage(profile_, view_));
        // The area keeps its layout when a browser made before has gone.
        QLayout* layout = area->layout() ? area->layout() : new QVBoxLayout(area);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        view_->show();
        // Queued: the page told of its failure is not to be replaced while
        // it is still telling.
        QObject::connect(
            view_->page(), &QWebEnginePage::loadingChanged, view_,
            [this](const QWebEngineLoadingInfo& info) {
                if (unreachable && notReached(info)) unreachable();
            },
            Qt::QueuedConnection);
    }

    // The page must go before its profile.
    ~WebPageBrowser() override {
        delete view_.data();
        delete profile_;
    }

    void Navigate(const QString& address) override {
        const QUrl url(address, QUrl::StrictMode);
        if (!url.isValid() || url.isRelative())
            throw std::runtime_error(
                QCoreApplication::translate("PageBrowser", "Adresse invalide : %1")
                    .arg(address)
                    .toStdString());
        view_->setUrl(url);
    }

    void showOwnPage(const QString& html) override { view_->setHtml(html); }

private:
    // A server that answered with an error page of its own was reached; a
    // load stopped for the next one (ERR_ABORTED) says nothing.
    static bool notReached(const QWebEngineLoadingInfo& info) {
        constexpr int Aborted = -3;
        if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus) return false;
        switch (info.errorDomain()) {
        case QWebEngineLoadingInfo::HttpErrorDomain:
        case QWebEngineLoadingInfo::HttpStatusCodeDomain:
        case QWebEngineLoadingInfo::FtpErrorDomain:
            return false;
        default:
            return info.errorCode() != Aborted;
        }
    }

    QWebEngineProfile* profile_;
    QPointer<QWebEngineView> view_;
};

} // namespace

extern "C" Q_DECL_EXPORT vornel::PageBrowser* vornel_create_page_browser(QWidget* area) {
    return new WebPageBrowser(area);
}
