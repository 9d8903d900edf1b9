#include "blocking/tfm_ferme.h"

#include <QKeyEvent>
#include <QWindow>

namespace {

constexpr int NoCondition = 2;

// "Y" selects the first item, "E" the second, anything else the third.
int itemOfMode(const std::string& mode) {
    if (mode == ModeLetters[0]) return 0;
    if (mode == ModeLetters[1]) return 1;
    return NoCondition;
}

} // namespace

TfmFerme::TfmFerme(QWidget* parent) : QDialog(parent) {
    ui.setupUi(this);
    // The main window stays on top of every window; the editor must not open
    // hidden behind it.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(426, 162);
    move(361, 194);
    // Enter is "&Ok" wherever the focus is: a button with the focus does not
    // take the Enter key for itself.
    ui.bOk->setAutoDefault(false);
    ui.Button2->setAutoDefault(false);

    connect(ui.eTitre, &QLineEdit::textChanged, this, &TfmFerme::Change);
    connect(ui.cbTitre, &QComboBox::currentIndexChanged, this, &TfmFerme::Change);
    connect(ui.cbDim, &QComboBox::currentIndexChanged, this, &TfmFerme::Change);
    connect(ui.bOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui.Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfmFerme::EditRule(vornel::TCond& rule) {
    ui.cbTitre->setCurrentIndex(itemOfMode(rule.TitreMode));
    ui.cbDim->setCurrentIndex(itemOfMode(rule.DimMode));
    const bool noTitle = ui.cbTitre->currentIndex() == NoCondition;
    ui.eTitre->setText(noTitle ? QString() : QString::fromStdString(rule.Titre));
    const bool noSize = ui.cbDim->currentIndex() == NoCondition;
    ui.seWidth->setValue(noSize ? 0 : rule.Width);
    ui.seHeight->setValue(noSize ? 0 : rule.Height);

    blockOnlyTheMainWindow();
    if (exec() != QDialog::Accepted) return false;

    // Read once the dialog is hidden: hiding settles a number still being
    // typed, which the "&Ok" accelerator leaves in its field.
    rule.TitreMode = ModeLetters[std::size_t(ui.cbTitre->currentIndex())];
    rule.DimMode = ModeLetters[std::size_t(ui.cbDim->currentIndex())];
    rule.Titre = ui.eTitre->text().toStdString();
    rule.Width = ui.seWidth->value();
    rule.Height = ui.seHeight->value();
    return true;
}

// Modal to the main window, not to the whole program: the tray icon is a
// window of its own, and its menu must still open while a rule is edited,
// so that "Quitter" can end the program (the edit then counts as cancelled).
void TfmFerme::blockOnlyTheMainWindow() {
    setWindowModality(Qt::WindowModal);
    if (!mainWindow) return;
    mainWindow->winId();
    winId();
    windowHandle()->setTransientParent(mainWindow->windowHandle());
}

void TfmFerme::Change() {
    if (mainWindow) setWindowTitle(mainWindow->windowTitle());
    const bool title = ui.cbTitre->currentIndex() != NoCondition;
    const bool size = ui.cbDim->currentIndex() != NoCondition;
    ui.eTitre->setEnabled(title);
    ui.seWidth->setEnabled(size);
    ui.seHeight->setEnabled(size);
    ui.bOk->setEnabled((title && !ui.eTitre->text().isEmpty()) || size);
}

void TfmFerme::showEvent(QShowEvent* event) {
    Change();
    if (!event->spontaneous()) focusFirstField();
    QDialog::showEvent(event);
}

// The dialog would otherwise open with the focus where it was when it last
// closed, on "&Annuler" after a cancel, where typing goes nowhere.
void TfmFerme::focusFirstField() {
    const QList<QWidget*> inTabOrder{ui.eTitre, ui.seWidth, ui.seHeight, ui.bOk, ui.Button2};
    for (QWidget* field : inTabOrder)
        if (field->isEnabled()) {
            field->setFocus(Qt::TabFocusReason);
            return;
        }
}

void TfmFerme::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
