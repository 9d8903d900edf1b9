// The commands of the rule list and of the candidate list that create, change
// and delete closing rules through the editor. Each change is saved at once.
#include "app/tfm_vornel.h"
#include "blocking/list_rows.h"
#include "blocking/tfm_ferme.h"
#include "common/text.h"

#include <QMessageBox>
#include <QSignalBlocker>
#include <QToolButton>

namespace {

QString listFull() {
    return TfmVornel::tr("La liste des conditions est pleine : %1 conditions au plus.")
        .arg(vornel::CloseRules::MaxRules);
}

QString administratorsRule() {
    return TfmVornel::tr("Règle de l'administrateur : elle ne peut être ni modifiée ni supprimée.");
}

} // namespace

// The tray menu stays usable while the editor is open; a second request must
// not stack a second editor over the first.
bool TfmVornel::editorAlreadyOpen() {
    if (!fmFerme->isVisible()) return false;
    fmFerme->raise();
    fmFerme->activateWindow();
    return true;
}

bool TfmVornel::refusedAsFull() {
    if (!CloseRules.isFull()) return false;
    QMessageBox::information(this, QStringLiteral("Vornel"), listFull());
    return true;
}

void TfmVornel::appendRule(const vornel::TCond& rule) {
    if (refusedAsFull()) return;
    CloseRules.append(rule);
    ui.lb2->addItem(QStringLiteral("ok"));
    SauveListe();
}

void TfmVornel::sbNewClick() {
    if (editorAlreadyOpen() || refusedAsFull()) return;
    vornel::TCond rule{"Y", "Y", "", 0, 0};
    if (fmFerme->EditRule(rule)) appendRule(rule);
}

void TfmVornel::sbModifierClick() {
    if (editorAlreadyOpen()) return;
    const int row = vornel::selectedRow(ui.lb2);
    if (row < 0 || CloseRules.isAdministrators(row + 1)) return;
    vornel::TCond rule = CloseRules.rule(row + 1);
    if (fmFerme->EditRule(rule)) CloseRules.replace(row + 1, rule);
    // Saved even when the edit was cancelled.
    SauveListe();
    ui.lb2->viewport()->update();
}

void TfmVornel::sbSuppClick() {
    const int row = vornel::selectedRow(ui.lb2);
    if (row >= 0 && CloseRules.isAdministrators(row + 1)) return;
    if (row >= 0) {
        CloseRules.remove(row + 1);
        // Afterwards no line is selected; "&Modifier" keeps its state and does
        // nothing until a line is chosen again.
        const QSignalBlocker quiet(ui.lb2);
        delete ui.lb2->takeItem(row);
        ui.lb2->setCurrentRow(-1);
        ui.lb2->clearSelection();
    }
    ui.sbSupp->setEnabled(false);
    SauveListe();
}

// On an administrator's rule the two buttons stay off and say why.
void TfmVornel::lb2Click() {
    const int row = vornel::selectedRow(ui.lb2);
    const bool administrators = row >= 0 && CloseRules.isAdministrators(row + 1);
    for (QToolButton* button : {ui.sbSupp, ui.sbModifier}) {
        button->setEnabled(row >= 0 && !administrators);
        button->setToolTip(administrators ? administratorsRule() : QString());
    }
}

void TfmVornel::windowGone() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Vornel"),
                    tr("Cette fenêtre s'est fermée entre-temps : choisissez-en une "
                       "autre dans la liste."),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("windowGoneBox"));
    box.exec();
}

void TfmVornel::sbFermerClick() {
    if (editorAlreadyOpen()) return;
    const int row = vornel::selectedRow(ui.lb1);
    if (row < 0) return;
    const QString rowText = ui.lb1->item(row)->text();
    const vornel::WindowHandle window = vornel::parseHandle(rowText.toStdString());
    if (window == 0) return;
    // Closed since the tick that listed it: its handle may already be
    // another window's.
    if (!desktop_.IsWindowVisible(window)) {
        windowGone();
        return;
    }
    if (refusedAsFull()) return;
    const vornel::WindowRect outer = desktop_.GetWindowRect(window);
    // A size the desktop cannot tell would make a rule that never holds.
    const std::string sizeMode = desktop_.sizeKnown(window) ? "Y" : "N";
    vornel::TCond rule{"Y", sizeMode, TitreCourt(rowText).toStdString(), outer.width(),
                       outer.height()};
    if (fmFerme->EditRule(rule)) appendRule(rule);
}
