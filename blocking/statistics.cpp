// The statistics page. The counters and the log are fed by the scan; the
// reset reaches the files with the next save, not at once.
#include "app/tfm_vornel.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

// The whole log goes with the counts, with no way back: the user says so first.
bool resetConfirmed(QWidget* parent) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vornel"),
                    TfmVornel::tr("Effacer le total et tout le journal ?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(TfmVornel::tr("&Oui"));
    box.button(QMessageBox::No)->setText(TfmVornel::tr("&Non"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

void TfmVornel::SpeedButton1Click() {
    if (!resetConfirmed(this)) return;
    ui.lNbre->setText(QStringLiteral("0"));
    ui.lTotal->setText(QStringLiteral("0"));
    ui.mLog->clear();
}
