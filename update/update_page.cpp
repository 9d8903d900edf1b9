// The update-and-help page of the main window: the request of the page and
// its controls.
#include "app/tfm_vornel.h"
#include "app/vornel_application.h"
#include "common/log_categories.h"
#include "update/system_page_browser.h"
#include "update/tick_count.h"

#include <QHideEvent>
#include <QScopedValueRollback>
#include <QToolButton>
#include <stdexcept>

namespace {

QString unreachable() {
    return TfmVornel::tr("Site de mise à jour injoignable");
}

// Shown when the site cannot be reached: what to do, then the help of the
// first page, its fixed lines joined into paragraphs.
QString unreachablePage(const QString& help) {
    QString page =
        QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                       "<body style=\"font-family: sans-serif; font-size: 12px\"><h3>%1</h3>")
            .arg(unreachable()) +
        TfmVornel::tr(
            "<p>La page de mise à jour n'a pas pu être chargée. Vérifiez votre connexion à "
            "Internet, puis cliquez de nouveau sur « Vérifier MAJ &amp; voir FAQ ».</p>"
            "<p>Pour savoir vous-même si une nouvelle version existe, ouvrez dans votre "
            "navigateur le site Internet de Vornel, %1, et comparez le numéro de la dernière "
            "version avec celui de ce programme : %2.</p><h3>Aide</h3>")
            .arg(QString::fromLatin1(TfmVornel::SiteAddress), QStringLiteral(VORNEL_VERSION));
    for (const QString& paragraph : help.split(QStringLiteral("\n\n")))
        page += QStringLiteral("<p>%1</p>").arg(paragraph.simplified().toHtmlEscaped());
    return page + QStringLiteral("</body></html>");
}

} // namespace

void TfmVornel::connectUpdatePage() {
    makePageBrowser = [](QWidget* area) { return vornel::makeSystemPageBrowser(area); };
    // Its texts (the day count, the address) are far longer than its designed
    // width, which the original's self-sizing label outgrew; here it takes
    // the width of the browser below it.
    ui.lMaj->resize(ui.wbArea->width(), ui.lMaj->height());
    connect(ui.sbMaj, &QToolButton::clicked, this,
            [this] { vornel::reportingErrors([this] { sbMajClick(); }, this); });

    browserRelease_ = new QTimer(this);
    browserRelease_->setSingleShot(true);
    connect(browserRelease_, &QTimer::timeout, this, &TfmVornel::releaseBrowser);
    connect(ui.PC, &QTabWidget::currentChanged, this, [this](int index) {
        updatePageShown(index == vornel::pageIndex(vornel::Page::Update));
    });
}

// The request counts as a check whether or not the page arrives; only a
// request that cannot be made at all leaves the day of the last check alone.
void TfmVornel::sbMajClick() {
    ui.lMaj->setText(updateUrl);
    // The tick count makes every address new, so no cache answers instead of
    // the server.
    showUpdatePage(updateUrl + QStringLiteral("&tmp=") + QString::number(vornel::tickCount()));
    lastUpdate = QDate::currentDate();
    SauveListe();
}

void TfmVornel::showUpdatePage(const QString& address) {
    {
        // Qt 6.8 gives the window a new native surface for the web view when
        // the first page loads, and shows the window anew: that show is not
        // the user's, and must not take the window back to its first page.
        const QScopedValueRollback makingBrowser(makingBrowser_, !wb);
        if (!wb) {
            wb = makePageBrowser(ui.wbArea);
            wb->unreachable = [this] {
                qCDebug(vornel::lcUpdate, "the update page could not be reached: %s",
                        qUtf8Printable(pageAddress_));
                ui.lMaj->setText(unreachable());
                wb->showOwnPage(unreachablePage(ui.Memo1->toPlainText()));
            };
        }
        qCDebug(vornel::lcUpdate, "update page requested: %s", qUtf8Printable(address));
        wb->Navigate(address);
    }
    pageAddress_ = address;
}

// The web engine costs a lot of memory and a few processes while it lives:
// it lives while the page is seen, and a while after.
void TfmVornel::updatePageShown(bool shown) {
    if (!shown) {
        if (wb) browserRelease_->start(browserKeptFor);
        return;
    }
    browserRelease_->stop();
    if (wb || pageAddress_.isEmpty()) return;
    ui.lMaj->setText(updateUrl);
    vornel::reportingErrors([this] { showUpdatePage(pageAddress_); }, this);
}

void TfmVornel::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) updatePageShown(false);
    QWidget::hideEvent(event);
}

void TfmVornel::releaseBrowser() {
    if (isVisible() && currentPage() == vornel::Page::Update) return;
    wb.reset();
}
