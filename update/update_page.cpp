// The update-and-help page of the main window: the request of the page and
// its controls.
#include "app/tfm_vornel.h"
#include "app/vornel_application.h"
#include "update/system_page_browser.h"
#include "update/tick_count.h"

#include <QScopedValueRollback>
#include <QToolButton>
#include <stdexcept>

void TfmVornel::connectUpdatePage() {
    makePageBrowser = [](QWidget* area) { return vornel::makeSystemPageBrowser(area); };
    // Its texts (the day count, the address) are far longer than its designed
    // width, which the original's self-sizing label outgrew; here it takes
    // the width of the browser below it.
    ui.lMaj->resize(ui.wbArea->width(), ui.lMaj->height());
    connect(ui.sbMaj, &QToolButton::clicked, this,
            [this] { vornel::reportingErrors([this] { sbMajClick(); }, this); });
}

// The request counts as a check whether or not the page arrives; only a
// request that cannot be made at all leaves the day of the last check alone.
void TfmVornel::sbMajClick() {
    ui.lMaj->setText(updateUrl);
    // The tick count makes every address new, so no cache answers instead of
    // the server.
    const QString address =
        updateUrl + QStringLiteral("&tmp=") + QString::number(vornel::tickCount());
    {
        // Qt 6.8 gives the window a new native surface for the web view when
        // the first page loads, and shows the window anew: that show is not
        // the user's, and must not take the window back to its first page.
        const QScopedValueRollback makingBrowser(makingBrowser_, !wb);
        if (!wb) wb = makePageBrowser(ui.wbArea);
        wb->Navigate(address);
    }
    lastUpdate = QDate::currentDate();
    SauveListe();
}
