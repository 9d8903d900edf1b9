// The statistics page. The counters and the log are fed by the scan; the
// reset reaches the files with the next save, not at once.
#include "app/tfm_vornel.h"

void TfmVornel::SpeedButton1Click() {
    ui.lNbre->setText(QStringLiteral("0"));
    ui.lTotal->setText(QStringLiteral("0"));
    ui.mLog->clear();
}
